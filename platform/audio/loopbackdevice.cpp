#include "platform/audio/loopbackdevice.h"

#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <QDebug>
#include <QObject>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace {
constexpr quint32 noModule = 0xffffffffu;

QByteArray argumentValue(const QByteArray &arguments, const QByteArray &key)
{
    for (const QByteArray &part : arguments.split(' ')) {
        if (part.startsWith(key + '='))
            return part.mid(key.size() + 1);
    }
    return QByteArray();
}
} // namespace

const char *const LoopbackDevice::Description = "RZAudio Device";
const char *const LoopbackDevice::SinkName = "rzaudio_device";

LoopbackDevice *LoopbackDevice::instance()
{
    static LoopbackDevice *device = new LoopbackDevice;
    return device;
}

LoopbackDevice::LoopbackDevice(PulseContext *ctx)
    : m_ctx(ctx ? ctx : PulseContext::shared()), m_sinkModule(noModule), m_loopModule(noModule)
{
}

bool LoopbackDevice::fail(const QString &text)
{
    m_error = text;
    qWarning() << "loop-back device:" << text;
    return false;
}

QString LoopbackDevice::errorString() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_error;
}

QByteArray LoopbackDevice::previousOutput() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_previous;
}

QByteArray LoopbackDevice::sinkName()
{
    PulseServer server(m_ctx);
    QVector<PulseDeviceInfo> sinks;
    if (!server.sinks(sinks))
        return QByteArray();
    for (const PulseDeviceInfo &s : sinks) {
        if (s.description == QLatin1String(Description))
            return s.name;
    }
    return QByteArray();
}

bool LoopbackDevice::isDeviceSink(const QByteArray &sink)
{
    if (sink.isEmpty())
        return false;
    PulseServer server(m_ctx);
    QVector<PulseDeviceInfo> sinks;
    if (!server.sinks(sinks))
        return false;
    for (const PulseDeviceInfo &s : sinks) {
        if (s.name == sink)
            return s.description == QLatin1String(Description);
    }
    return false;
}

bool LoopbackDevice::isCurrent()
{
    return !sinkName().isEmpty();
}

void LoopbackDevice::adoptOurSink(PulseServer &server)
{
    if (m_sinkModule != noModule)
        return;
    QVector<PulseModuleInfo> modules;
    if (!server.modules(modules))
        return;
    for (const PulseModuleInfo &m : modules) {
        if (m.name == "module-null-sink" && argumentValue(m.argument, "sink_name") == SinkName)
            m_sinkModule = m.index;
    }
}

bool LoopbackDevice::install()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    PulseServer server(m_ctx);
    adoptOurSink(server);
    if (isCurrent())
        return true;
    // The daemon must receive the description with its blank escaped.
    const QByteArray args = QByteArray("sink_name=") + SinkName
                            + " sink_properties=device.description=\"RZAudio\\ Device\"";
    // Without rewinds an idle null sink hands out small blocks at once; a
    // server that does not know these arguments still gets the device.
    quint32 module = server.loadModule("module-null-sink",
                                       args + " format=float32le rate=44100 channels=2 norewinds=1");
    if (module == noModule)
        module = server.loadModule("module-null-sink", args);
    if (module == noModule)
        return fail(server.errorString());
    m_sinkModule = module;
    return true;
}

QByteArray LoopbackDevice::realOutputFor(PulseServer &server, const QByteArray &current)
{
    QVector<PulseDeviceInfo> sinks;
    if (!server.sinks(sinks))
        return QByteArray();
    auto isReal = [&](const QByteArray &name) {
        for (const PulseDeviceInfo &s : sinks) {
            if (s.name == name)
                return s.description != QLatin1String(Description);
        }
        return false;
    };
    if (isReal(current))
        return current;
    if (isReal(m_previous))
        return m_previous;
    // The output a loop of the device already plays into (a crashed run's).
    QVector<PulseModuleInfo> modules;
    if (server.modules(modules)) {
        const QByteArray monitor = sinkName() + ".monitor";
        for (const PulseModuleInfo &m : modules) {
            if (m.name == "module-loopback" && argumentValue(m.argument, "source") == monitor
                && isReal(argumentValue(m.argument, "sink")))
                return argumentValue(m.argument, "sink");
        }
    }
    for (const PulseDeviceInfo &s : sinks) {
        if (s.description != QLatin1String(Description))
            return s.name;
    }
    return QByteArray();
}

bool LoopbackDevice::removeLoops(PulseServer &server, bool onlyOurs)
{
    bool ok = true;
    if (m_loopModule != noModule) {
        ok = server.unloadModule(m_loopModule);
        m_loopModule = noModule;
    }
    if (onlyOurs)
        return ok;
    QVector<PulseModuleInfo> modules;
    if (!server.modules(modules))
        return false;
    const QByteArray monitor = QByteArray(SinkName) + ".monitor";
    for (const PulseModuleInfo &m : modules) {
        if (m.name == "module-loopback" && argumentValue(m.argument, "source") == monitor)
            ok &= server.unloadModule(m.index);
    }
    return ok;
}

bool LoopbackDevice::loadLoop(PulseServer &server, const QByteArray &target)
{
    const QByteArray args = "source=" + sinkName() + ".monitor sink=" + target;
    quint32 module = server.loadModule(
        "module-loopback", args + " latency_msec=40 source_dont_move=true sink_dont_move=true");
    if (module == noModule)
        module = server.loadModule("module-loopback", args);
    if (module == noModule)
        return fail(server.errorString());
    m_loopModule = module;
    return true;
}

bool LoopbackDevice::makeDefault()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!install())
        return false;
    PulseServer server(m_ctx);
    PulseServerInfo info;
    if (!server.serverInfo(info))
        return fail(server.errorString());
    const QByteArray device = sinkName();
    // The device itself is never remembered as the output to go back to.
    const QByteArray previous = realOutputFor(server, info.defaultSink);
    if (previous.isEmpty())
        return fail(QObject::tr("There is no real output to hear the sound on"));
    m_previous = previous;
    if (m_loopModule == noModule) {
        // A loop left by a crashed run would double what the user hears.
        removeLoops(server, false);
        if (!loadLoop(server, previous))
            return false;
    }
    if (!server.setDefaultSink(device))
        return fail(server.errorString());
    return true;
}

void LoopbackDevice::defaultOutputChanged(const QByteArray &newDefault)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (isDeviceSink(newDefault))
        return;
    PulseServer server(m_ctx);
    removeLoops(server, true);
    m_previous = newDefault;
}

bool LoopbackDevice::restore()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    PulseServer server(m_ctx);
    bool ok = true;
    PulseServerInfo info;
    if (server.serverInfo(info) && isDeviceSink(info.defaultSink)) {
        const QByteArray target = realOutputFor(server, QByteArray());
        if (target.isEmpty() || !server.setDefaultSink(target))
            ok = fail(QObject::tr("Cannot give the default output back: %1").arg(server.errorString()));
    }
    ok &= removeLoops(server, true);
    if (m_sinkModule != noModule) {
        ok &= server.unloadModule(m_sinkModule);
        m_sinkModule = noModule;
    }
    return ok;
}

bool LoopbackDevice::repairAfterCrash()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    PulseServer server(m_ctx);
    PulseServerInfo info;
    if (!server.serverInfo(info))
        return fail(server.errorString());
    adoptOurSink(server);
    if (m_loopModule != noModule || !isDeviceSink(info.defaultSink))
        return true;   // ours, or nothing to repair
    const QByteArray target = realOutputFor(server, QByteArray());
    if (target.isEmpty())
        return fail(QObject::tr("There is no real output to give the default back to"));
    qWarning() << "loop-back device: the default output was left on it; back to" << target;
    bool ok = server.setDefaultSink(target);
    ok &= removeLoops(server, false);
    if (!ok)
        return fail(server.errorString());
    m_previous = target;
    return true;
}

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const unsigned char s = static_cast<unsigned char>(sig);
    if (write(signalPipe[1], &s, 1) < 0) {
        signal(sig, SIG_DFL);
        raise(sig);
    }
}
} // namespace

void LoopbackDevice::restoreOnSignals()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (pipe(signalPipe) != 0) {
            qWarning() << "loop-back device: cannot watch for signals";
            return;
        }
        std::thread([] {
            unsigned char sig = 0;
            while (read(signalPipe[0], &sig, 1) != 1) {
            }
            LoopbackDevice::instance()->restore();
            signal(sig, SIG_DFL);
            raise(sig);
        }).detach();
        struct sigaction sa = {};
        sa.sa_handler = &onSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
    });
}
