#include "recorder/defaultoutputwatch.h"

#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <QObject>

namespace {
constexpr auto kUnreportedPoll = std::chrono::milliseconds(250);
}

DefaultOutputWatch::DefaultOutputWatch(PulseContext *ctx)
    : m_ctx(ctx ? ctx : PulseContext::shared())
{
    m_connection = QObject::connect(
        m_ctx, &PulseContext::serverChanged, m_ctx,
        [flag = m_flag](int facility, int, quint32) {
            if (facility == PulseContext::ServerFacility)
                *flag = true;
        },
        Qt::DirectConnection);
    m_lastAsked = std::chrono::steady_clock::now();
}

DefaultOutputWatch::~DefaultOutputWatch()
{
    QObject::disconnect(m_connection);
}

bool DefaultOutputWatch::changed(QByteArray &sink, QByteArray &monitor)
{
    const auto now = std::chrono::steady_clock::now();
    const bool poll = m_ctx->defaultsUnreported() && now - m_lastAsked >= kUnreportedPoll;
    if (!m_flag->exchange(false) && !poll)
        return false;
    return current(sink, monitor);
}

bool DefaultOutputWatch::current(QByteArray &sink, QByteArray &monitor)
{
    m_lastAsked = std::chrono::steady_clock::now();
    PulseServer server(m_ctx, 1000);
    PulseServerInfo info;
    QVector<PulseDeviceInfo> sinks;
    if (!server.serverInfo(info) || !server.sinks(sinks))
        return false;
    m_deviceListed = false;
    bool found = false;
    for (const PulseDeviceInfo &s : sinks) {
        m_deviceListed |= LoopbackDevice::isDeviceSink(s.name);
        if (s.name == info.defaultSink) {
            sink = s.name;
            monitor = s.monitorOf;
            found = !monitor.isEmpty();
        }
    }
    return found;
}
