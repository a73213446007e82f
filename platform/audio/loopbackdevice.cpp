#include "platform/audio/loopbackdevice.h"

#include "platform/audio/audiolog.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseserver.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <memory>
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

// The module of the device's sink, whoever loaded it; noModule when none.
quint32 deviceModule(const QVector<PulseModuleInfo> &modules)
{
    for (const PulseModuleInfo &m : modules) {
        if (m.name == "module-null-sink" && argumentValue(m.argument, "sink_name") == LoopbackDevice::SinkName)
            return m.index;
    }
    return noModule;
}

// Unloads module; one the server no longer lists is gone already (a loop
// goes with the output it played into), which is no failure.
bool unloadUnlessGone(PulseServer &server, quint32 module)
{
    if (server.unloadModule(module))
        return true;
    QVector<PulseModuleInfo> modules;
    return server.modules(modules)
           && std::none_of(modules.cbegin(), modules.cend(),
                           [module](const PulseModuleInfo &m) { return m.index == module; });
}

// A loop that plays the device's monitor, ours or a crashed run's.
bool isOurLoop(const PulseModuleInfo &m)
{
    return m.name == "module-loopback"
           && argumentValue(m.argument, "source") == QByteArray(LoopbackDevice::SinkName) + ".monitor";
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
    : m_ctx(ctx ? ctx : PulseContext::shared()), m_users(m_ctx), m_loopModule(noModule)
{
}

bool LoopbackDevice::fail(const QString &text)
{
    m_error = text;
    qCWarning(lcAudio) << "loop-back device:" << text;
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
        if (isDeviceSink(s.name))
            return s.name;
    }
    return QByteArray();
}

bool LoopbackDevice::isDeviceSink(const QByteArray &sink)
{
    // Found by the name we give it: a description is for the user to read,
    // and servers differ in how they take it from the module's argument.
    return sink == SinkName;
}

bool LoopbackDevice::isCurrent()
{
    return !sinkName().isEmpty();
}

bool LoopbackDevice::adoptExisting(PulseServer &server, bool *listed)
{
    QVector<PulseDeviceInfo> sinks;
    const bool answered = server.sinks(sinks);
    if (listed)
        *listed = answered;
    if (!answered)
        return false;
    for (const PulseDeviceInfo &s : sinks) {
        if (!isDeviceSink(s.name))
            continue;
        // Left by an earlier run or loaded by another object of ours: taken
        // as ours, so that no second one is loaded and restoring removes it.
        if (s.ownerModule != noModule && !m_sinkModules.contains(s.ownerModule))
            m_sinkModules.append(s.ownerModule);
        return true;
    }
    return false;
}

void LoopbackDevice::forgetLostServer()
{
    m_ctx->ensureConnected();
    const quint64 connection = m_ctx->connectionId();
    if (connection == m_connection)
        return;
    if (!m_sinkModules.isEmpty()) {
        m_lostInstalled = true;
        m_lostDefault = m_loopModule != noModule;
    }
    m_sinkModules.clear();
    m_loopModule = noModule;
    m_connection = connection;
}

bool LoopbackDevice::recover()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    forgetLostServer();
    if (!m_lostInstalled)
        return false;
    const bool wasDefault = m_lostDefault;
    m_lostInstalled = m_lostDefault = false;
    qCInfo(lcAudio) << "loop-back device: loaded again after the sound server came back";
    return wasDefault ? makeDefault() : install();
}

bool LoopbackDevice::install()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const LoopbackUsers::Decision decision(m_users);
    forgetLostServer();
    m_users.enter();
    PulseServer server(m_ctx);
    // A device the server did not list may be there all the same.
    bool listed = false;
    if (adoptExisting(server, &listed))
        return true;
    if (!listed)
        return fail(server.errorString());
    // A load answered late, ours or another program's, is carried out all
    // the same, before anything asked after it; and PipeWire's server lists
    // a device some time after its module. Loaded again, it would be twice.
    QVector<PulseModuleInfo> modules;
    if (!server.modules(modules))
        return fail(server.errorString());
    const quint32 loading = deviceModule(modules);
    if (loading != noModule) {
        if (!m_sinkModules.contains(loading))
            m_sinkModules.append(loading);
        for (QElapsedTimer waited; !waited.isValid() || waited.elapsed() < LateLoadShowsMs;) {
            if (!waited.isValid())
                waited.start();
            if (adoptExisting(server))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    const QByteArray args = QByteArray("sink_name=") + SinkName + ' '
                            + PulseServer::descriptionArgument("sink_properties",
                                                               QLatin1String(Description));
    // Without rewinds an idle null sink hands out small blocks at once; a
    // server that does not know these arguments still gets the device. One
    // that answered late may load it yet: asked again, it would load two.
    const quint64 late = PulseContext::lateAnswers();
    quint32 module = server.loadModule("module-null-sink",
                                       args + " format=float32le rate=44100 channels=2 norewinds=1");
    if (module == noModule && PulseContext::lateAnswers() == late)
        module = server.loadModule("module-null-sink", args);
    if (module == noModule)
        return fail(server.errorString());
    m_sinkModules.append(module);
    return true;
}

QByteArray LoopbackDevice::realOutputFor(PulseServer &server, const QByteArray &current)
{
    QVector<PulseDeviceInfo> sinks;
    if (!server.sinks(sinks))
        return QByteArray();
    auto isReal = [&](const QByteArray &name) {
        if (isDeviceSink(name))
            return false;
        for (const PulseDeviceInfo &s : sinks) {
            if (s.name == name)
                return true;
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
        for (const PulseModuleInfo &m : modules) {
            if (isOurLoop(m) && isReal(argumentValue(m.argument, "sink")))
                return argumentValue(m.argument, "sink");
        }
    }
    for (const PulseDeviceInfo &s : sinks) {
        if (!isDeviceSink(s.name))
            return s.name;
    }
    return QByteArray();
}

bool LoopbackDevice::removeLoops(PulseServer &server, bool onlyOurs)
{
    bool ok = true;
    if (m_loopModule != noModule) {
        ok = unloadUnlessGone(server, m_loopModule);
        m_loopModule = noModule;
    }
    if (onlyOurs)
        return ok;
    QVector<PulseModuleInfo> modules;
    if (!server.modules(modules))
        return false;
    for (const PulseModuleInfo &m : modules) {
        if (isOurLoop(m))
            ok &= server.unloadModule(m.index);
    }
    return ok;
}

bool LoopbackDevice::loadLoop(PulseServer &server, const QByteArray &target)
{
    const QByteArray args = QByteArray("source=") + SinkName + ".monitor sink=" + target;
    // As for the device: a late answer is no refusal of these arguments.
    const quint64 late = PulseContext::lateAnswers();
    quint32 module = server.loadModule(
        "module-loopback", args + " latency_msec=40 source_dont_move=true sink_dont_move=true");
    if (module == noModule && PulseContext::lateAnswers() == late)
        module = server.loadModule("module-loopback", args);
    if (module == noModule)
        return fail(server.errorString());
    m_loopModule = module;
    return true;
}

quint32 LoopbackDevice::existingLoop(PulseServer &server, const QByteArray &target, bool *anyLoop)
{
    *anyLoop = false;
    QVector<PulseModuleInfo> modules;
    if (!server.modules(modules))
        return noModule;
    for (const PulseModuleInfo &m : modules) {
        if (!isOurLoop(m))
            continue;
        *anyLoop = true;
        if (argumentValue(m.argument, "sink") == target)
            return m.index;
    }
    return noModule;
}

bool LoopbackDevice::makeDefault()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const LoopbackUsers::Decision decision(m_users);
    if (!install())
        return false;
    PulseServer server(m_ctx);
    PulseServerInfo info;
    if (!server.serverInfo(info))
        return fail(server.errorString());
    // The device itself is never remembered as the output to go back to.
    const QByteArray previous = realOutputFor(server, info.defaultSink);
    if (previous.isEmpty())
        return fail(QObject::tr("There is no real output to hear the sound on"));
    m_previous = previous;
    if (m_loopModule == noModule) {
        // One loop into the output, whoever loaded it: two would double
        // what the user hears. Another live user's loop elsewhere stays; a
        // crashed run's goes.
        bool anyLoop = false;
        m_loopModule = existingLoop(server, previous, &anyLoop);
        if (m_loopModule == noModule && !(anyLoop && m_users.othersAlive() > 0)) {
            removeLoops(server, false);
            if (!loadLoop(server, previous))
                return false;
        }
    }
    if (!server.setDefaultSink(SinkName))
        return fail(server.errorString());
    m_leftForRealOutput = false;
    m_madeDefault = true;
    return true;
}

void LoopbackDevice::defaultOutputChanged(const QByteArray &newDefault)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    forgetLostServer();
    if (isDeviceSink(newDefault))
        return;
    PulseServer server(m_ctx);
    removeLoops(server, true);
    m_previous = newDefault;
    m_leftForRealOutput = true;
}

bool LoopbackDevice::leftForRealOutput() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_leftForRealOutput;
}

bool LoopbackDevice::chosenOverDevice(const QByteArray &output)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    forgetLostServer();
    return m_madeDefault && !m_lostInstalled && !output.isEmpty() && !isDeviceSink(output);
}

bool LoopbackDevice::restore(const QByteArray &giveBackTo)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const LoopbackUsers::Decision decision(m_users);
    forgetLostServer();
    // Whether anything of this process went to the server: a run that never
    // reached one has nothing to give back.
    const bool held = !m_sinkModules.isEmpty() || m_loopModule != noModule || m_madeDefault || m_lostInstalled;
    m_lostInstalled = m_lostDefault = false;
    m_leftForRealOutput = false;
    m_madeDefault = false;
    if (m_users.othersAlive() > 0) {
        // Another running program records through it: nothing of it is ours to take.
        qCInfo(lcAudio) << "loop-back device: left as it is for the other program that uses it";
        m_sinkModules.clear();
        m_loopModule = noModule;
        m_users.leave();
        return true;
    }
    PulseServer server(m_ctx);
    PulseServerInfo info;
    if (!server.serverInfo(info)) {
        // Nothing more is asked of a server that does not answer.
        m_sinkModules.clear();
        m_loopModule = noModule;
        m_users.leave();
        if (!held)
            return true;
        return fail(QObject::tr("The sound server did not answer (%1); the default output is given"
                                " back at the next start").arg(server.errorString()));
    }
    bool ok = true;
    if (isDeviceSink(info.defaultSink)) {
        const QByteArray target = realOutputFor(server, giveBackTo);
        if (target.isEmpty() || !server.setDefaultSink(target))
            ok = fail(QObject::tr("Cannot give the default output back: %1").arg(server.errorString()));
    }
    // The last user: every loop of the device goes, whoever loaded it.
    bool removed = removeLoops(server, false);
    // Every sink module we loaded or adopted and the one that holds the
    // device now; one already gone is no failure.
    QVector<quint32> sinkModules = m_sinkModules;
    QVector<PulseDeviceInfo> sinks;
    if (server.sinks(sinks)) {
        for (const PulseDeviceInfo &s : sinks) {
            if (isDeviceSink(s.name) && s.ownerModule != noModule && !sinkModules.contains(s.ownerModule))
                sinkModules.append(s.ownerModule);
        }
    }
    QVector<PulseModuleInfo> modules;
    const bool listed = server.modules(modules);
    for (quint32 module : qAsConst(sinkModules)) {
        bool present = !listed;
        for (const PulseModuleInfo &m : modules)
            present |= m.index == module;
        if (present)
            removed &= server.unloadModule(module);
    }
    m_sinkModules.clear();
    m_users.leave();
    if (!removed)
        return fail(QObject::tr("Cannot remove the device: %1").arg(server.errorString()));
    return ok;
}

bool LoopbackDevice::repairAfterCrash()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const LoopbackUsers::Decision decision(m_users);
    forgetLostServer();
    if (m_users.othersAlive() > 0) {
        // A running program's device, default and loop are no leftovers.
        qCInfo(lcAudio) << "loop-back device: in use by another running program; nothing to repair";
        return true;
    }
    PulseServer server(m_ctx);
    PulseServerInfo info;
    if (!server.serverInfo(info))
        return fail(server.errorString());
    adoptExisting(server);
    if (m_loopModule != noModule || !isDeviceSink(info.defaultSink))
        return true;   // ours, or nothing to repair
    const QByteArray target = realOutputFor(server, QByteArray());
    if (target.isEmpty())
        return fail(QObject::tr("There is no real output to give the default back to"));
    qCWarning(lcAudio) << "loop-back device: an earlier run ended without giving the default output"
                          " back (a crash, or a sound server that did not answer); back to" << target;
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

bool hasOwnHandler(int sig)
{
    struct sigaction old = {};
    return sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_DFL;
}
} // namespace

void LoopbackDevice::restoreAndRaise(int sig)
{
    // The server gets a time of its own, also when the way out before gave up
    // on it: a busy machine answers late, not never. Whatever holds the
    // restore up (a server that hangs, a way out that keeps the device), the
    // signal ends the process when that time is over.
    PulseContext::limitWaitsFromNow(ForcedRestoreMs);
    struct Done
    {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    std::thread([done] {
        instance()->restore();
        std::lock_guard<std::mutex> lock(done->mutex);
        done->done = true;
        done->cv.notify_all();
    }).detach();
    {
        std::unique_lock<std::mutex> lock(done->mutex);
        if (!done->cv.wait_for(lock, std::chrono::milliseconds(ForcedRestoreMs + 200),
                               [&] { return done->done; }))
            qCWarning(lcAudio) << "loop-back device: giving the default output back did not end in time";
    }
    signal(sig, SIG_DFL);
    raise(sig);
    _exit(128 + sig);   // the signal is blocked on this thread
}

void LoopbackDevice::restoreOnSignals()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A program that handles these itself gives the output back on its
        // own way out (and through restoreAndRaise when that fails).
        if (hasOwnHandler(SIGINT) && hasOwnHandler(SIGTERM))
            return;
        if (pipe(signalPipe) != 0) {
            qCWarning(lcAudio) << "loop-back device: cannot watch for signals";
            return;
        }
        std::thread([] {
            unsigned char sig = 0;
            while (read(signalPipe[0], &sig, 1) != 1) {
            }
            restoreAndRaise(sig);
        }).detach();
        struct sigaction sa = {};
        sa.sa_handler = &onSignal;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGINT, SIGTERM}) {
            if (!hasOwnHandler(sig))
                sigaction(sig, &sa, nullptr);
        }
    });
}
