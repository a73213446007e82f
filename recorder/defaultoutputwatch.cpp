#include "recorder/defaultoutputwatch.h"
#include "recorder/recorderlog.h"

#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <QDebug>
#include <QObject>

namespace {
constexpr auto kUnreportedPoll = std::chrono::milliseconds(250);
// A change the session manager makes reaches a connection that is still
// told within tens of milliseconds; the checks cost a connection each.
constexpr auto kCheckAfterActivity = std::chrono::milliseconds(500);
constexpr auto kCheckUntold = std::chrono::milliseconds(500);
constexpr auto kCheckEvery = std::chrono::milliseconds(2000);
constexpr int kAnswerMs = 1000;
} // namespace

DefaultOutputWatch::DefaultOutputWatch(PulseContext *ctx)
    : m_ctx(ctx ? ctx : PulseContext::shared())
{
    m_connection = QObject::connect(
        m_ctx, &PulseContext::serverChanged, m_ctx,
        [flags = m_flags](int facility, int, quint32) {
            if (facility == PulseContext::ServerFacility)
                flags->defaultChanged = true;
            else if (facility == PulseContext::SinkFacility || facility == PulseContext::SinkInputFacility
                     || facility == PulseContext::ModuleFacility)
                flags->activity = true;
        },
        Qt::DirectConnection);
    m_lastAsked = m_lastChecked = std::chrono::steady_clock::now();
}

DefaultOutputWatch::~DefaultOutputWatch()
{
    QObject::disconnect(m_connection);
}

bool DefaultOutputWatch::changed(QByteArray &sink, QByteArray &monitor)
{
    const auto now = std::chrono::steady_clock::now();
    if (!m_ctx->defaultsUnreported()) {
        const auto since = now - m_lastChecked;
        if (since >= kCheckEvery || (!m_untold.isEmpty() && since >= kCheckUntold)
            || (since >= kCheckAfterActivity && m_flags->activity.load()))
            checkReports();
    }
    const bool poll = m_ctx->defaultsUnreported() && now - m_lastAsked >= kUnreportedPoll;
    if (!m_flags->defaultChanged.exchange(false) && !poll)
        return false;
    return current(sink, monitor);
}

bool DefaultOutputWatch::current(QByteArray &sink, QByteArray &monitor)
{
    return read(sink, monitor, QByteArray());
}

bool DefaultOutputWatch::confirmed(QByteArray &sink, QByteArray &monitor)
{
    if (m_ctx->defaultsUnreported() || !reportsMayStop())
        return current(sink, monitor);   // read right already
    PulseServer server(m_ctx, kAnswerMs);
    PulseServerInfo now;
    if (!server.currentDefaults(now))
        return current(sink, monitor);
    if (!read(sink, monitor, now.defaultSink))
        return false;
    // Told otherwise: checked again shortly, and taken as stopped reports
    // when the difference stays.
    PulseServerInfo told;
    if (server.serverInfo(told) && told.defaultSink != now.defaultSink) {
        m_untold = now.defaultSink;
        m_lastChecked = std::chrono::steady_clock::now();
    }
    return true;
}

bool DefaultOutputWatch::read(QByteArray &sink, QByteArray &monitor, const QByteArray &defaultSink)
{
    m_lastAsked = std::chrono::steady_clock::now();
    PulseServer server(m_ctx, kAnswerMs);
    PulseServerInfo info;
    QVector<PulseDeviceInfo> sinks;
    if (defaultSink.isEmpty() && !server.serverInfo(info))
        return false;
    if (!server.sinks(sinks))
        return false;
    const QByteArray wanted = defaultSink.isEmpty() ? info.defaultSink : defaultSink;
    m_deviceListed = false;
    bool found = false;
    for (const PulseDeviceInfo &s : sinks) {
        m_deviceListed |= LoopbackDevice::isDeviceSink(s.name);
        if (s.name == wanted) {
            sink = s.name;
            monitor = s.monitorOf;
            found = !monitor.isEmpty();
        }
    }
    return found;
}

bool DefaultOutputWatch::reportsMayStop()
{
    if (m_mayStop < 0) {
        PulseServerInfo info;
        if (!PulseServer(m_ctx, kAnswerMs).serverInfo(info))
            return true;   // asked again next time
        m_mayStop = info.serverName.contains(QLatin1String("PipeWire")) ? 1 : 0;
    }
    return m_mayStop == 1;
}

void DefaultOutputWatch::checkReports()
{
    m_lastChecked = std::chrono::steady_clock::now();
    m_flags->activity = false;
    if (!reportsMayStop())
        return;
    // This connection's reading first: a change between the two readings
    // shows as a difference that the next check no longer finds.
    PulseServer server(m_ctx, kAnswerMs);
    PulseServerInfo told, now;
    if (!server.serverInfo(told) || !server.currentDefaults(now) || now.defaultSink.isEmpty())
        return;
    if (told.defaultSink == now.defaultSink) {
        m_untold.clear();
        return;
    }
    if (m_untold != now.defaultSink) {
        // The report may still be on its way.
        m_untold = now.defaultSink;
        return;
    }
    m_untold.clear();
    qCInfo(lcRecorder) << "default output: the sound server still reports" << told.defaultSink
                       << "where it is" << now.defaultSink;
    m_ctx->setDefaultsUnreported();
    m_flags->defaultChanged = true;
}
