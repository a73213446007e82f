#include "platform/audio/pulsecontext.h"

#include "platform/audio/audiolog.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDebug>
#include <QSet>

#include <pulse/pulseaudio.h>

#include <chrono>

PulseContext::Lock::Lock(PulseContext *ctx)
{
    if (ctx && ctx->m_loop && !ctx->inLoopThread()) {
        m_loop = ctx->m_loop;
        pa_threaded_mainloop_lock(m_loop);
    }
}

PulseContext::Lock::~Lock()
{
    if (m_loop)
        pa_threaded_mainloop_unlock(m_loop);
}

namespace {
// Steady-clock nanoseconds at which every wait ends; 0: no limit.
std::atomic<qint64> waitLimitNs{0};
std::atomic<quint64> lateAnswerCount{0};
std::mutex contextsMutex;
QSet<PulseContext *> &liveContexts()
{
    static QSet<PulseContext *> contexts;
    return contexts;
}

qint64 steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds left before the limit; -1 without one.
int msBeforeLimit()
{
    const qint64 limit = waitLimitNs.load();
    if (limit == 0)
        return -1;
    return int(qMax<qint64>(0, (limit - steadyNowNs()) / 1000000));
}
} // namespace

void PulseContext::limitWaits(int ms)
{
    const qint64 limit = steadyNowNs() + qint64(ms) * 1000000;
    qint64 old = waitLimitNs.load();
    while ((old == 0 || limit < old) && !waitLimitNs.compare_exchange_weak(old, limit)) {
    }
    qCInfo(lcAudio) << "sound server: waits end within" << ms << "ms from now";
    wakeAllAtLimit();
}

void PulseContext::limitWaitsFromNow(int ms)
{
    waitLimitNs = steadyNowNs() + qint64(ms) * 1000000;
    qCInfo(lcAudio) << "sound server: the last waits end within" << ms << "ms from now";
    wakeAllAtLimit();
}

void PulseContext::wakeAllAtLimit()
{
    std::lock_guard<std::mutex> guard(contextsMutex);
    for (PulseContext *ctx : qAsConst(liveContexts()))
        ctx->wakeAtLimit();
}

quint64 PulseContext::lateAnswers()
{
    return lateAnswerCount.load();
}

bool PulseContext::waitsLimited()
{
    return msBeforeLimit() == 0;
}

void PulseContext::wakeAtLimit()
{
    // A timer of the loop wakes waiters that started before the limit was set.
    if (!m_loop || inLoopThread())
        return;
    Lock lock(this);
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(qMax(0, msBeforeLimit())) * PA_USEC_PER_MSEC);
    api->time_new(
        api, &when,
        [](pa_mainloop_api *a, pa_time_event *e, const timeval *, void *self) {
            static_cast<PulseContext *>(self)->wake();
            a->time_free(e);
        },
        this);
}

PulseContext::Deadline::Deadline(PulseContext *ctx, int timeoutMs) : m_ctx(ctx)
{
    const int left = msBeforeLimit();
    if (left == 0) {
        m_passed = true;
        return;
    }
    if (left > 0 && (timeoutMs < 0 || timeoutMs > left))
        timeoutMs = left;
    if (timeoutMs < 0 || !ctx->m_context)
        return;
    m_event = pa_context_rttime_new(ctx->m_context,
                                    pa_rtclock_now() + pa_usec_t(timeoutMs) * PA_USEC_PER_MSEC,
                                    &Deadline::onTimer, this);
    if (!m_event)
        m_passed = true;
}

PulseContext::Deadline::~Deadline()
{
    if (m_event) {
        pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_ctx->m_loop);
        api->time_free(m_event);
    }
}

void PulseContext::Deadline::onTimer(pa_mainloop_api *, pa_time_event *, const struct timeval *,
                                     void *self)
{
    auto *d = static_cast<Deadline *>(self);
    d->m_passed = true;
    d->m_ctx->wake();
}

PulseContext::PulseContext(QObject *parent) : QObject(parent)
{
    std::lock_guard<std::mutex> guard(contextsMutex);
    liveContexts().insert(this);
}

PulseContext *PulseContext::shared()
{
    // Never destroyed: streams of other singletons may still close through it
    // while static objects are torn down.
    // A first connection that fails is no news of its own: its users say
    // what they could not do (the program's device agent, once, that the
    // server cannot be reached), and connect again when asked.
    static PulseContext *instance = [] {
        auto *ctx = new PulseContext;
        ctx->connectToServer();
        return ctx;
    }();
    return instance;
}

bool PulseContext::connectToServer(const QString &server, int timeoutMs)
{
    std::lock_guard<std::mutex> once(m_connectMutex);
    return connectLocked(server, timeoutMs);
}

bool PulseContext::connectLocked(const QString &server, int timeoutMs)
{
    {
        std::lock_guard<std::mutex> guard(m_errorMutex);
        m_server = server;
    }
    m_defaultsUnreported = false;
    // The main loop lives as long as this object: other threads may hold its
    // lock or wait on it while a lost connection is replaced.
    if (!m_loop) {
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop) {
            setError(tr("Cannot create the sound server's main loop"));
            return false;
        }
        pa_threaded_mainloop_set_name(m_loop, "velmora-sound");
        if (pa_threaded_mainloop_start(m_loop) < 0) {
            setError(tr("Cannot start the sound server's main loop"));
            pa_threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            return false;
        }
    }
    const QByteArray appName = QCoreApplication::applicationName().isEmpty()
                                   ? QByteArray("Velmora Audio Recorder")
                                   : QCoreApplication::applicationName().toUtf8();
    Lock lock(this);
    dropContext(false);
    m_failed = false;
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, appName.constData());
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "org.velmora.AudioRecorder");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop),
                                             appName.constData(), props);
    pa_proplist_free(props);
    if (!m_context) {
        setError(tr("Cannot create the sound server connection"));
        m_failed = true;
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseContext::onStateChanged, this);
    pa_context_set_subscribe_callback(
        m_context,
        [](pa_context *c, pa_subscription_event_type_t t, uint32_t idx, void *self) {
            onSubscription(c, int(t), idx, self);
        },
        this);

    const QByteArray serverName = server.toUtf8();
    if (pa_context_connect(m_context, server.isEmpty() ? nullptr : serverName.constData(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        setError(tr("Cannot connect to the sound server: %1").arg(lastServerError()));
        dropContext(true);
        return false;
    }
    bool ready = waitUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; },
                           timeoutMs);
    if (!ready && !m_failed && !waitsLimited())
        ++lateAnswerCount;
    if (ready) {
        const auto mask = pa_subscription_mask_t(
            PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE
            | PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_MODULE
            | PA_SUBSCRIPTION_MASK_SINK_INPUT | PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT);
        ready = waitFor(pa_context_subscribe(m_context, mask, nullptr, nullptr), timeoutMs);
    }
    if (!ready) {
        setError(tr("The sound server does not answer: %1").arg(lastServerError()));
        dropContext(true);
        return false;
    }
    ++m_connectionId;
    emit connected();
    return true;
}

void PulseContext::dropContext(bool keep)
{
    // With the loop locked. Streams of the old connection keep their own
    // reference to it and end through the same loop. A kept context stays
    // disconnected, so that callers get a refusal rather than a null pointer.
    if (!m_context)
        return;
    m_failed = true;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    if (pa_context_get_state(m_context) != PA_CONTEXT_TERMINATED)
        pa_context_disconnect(m_context);
    if (!keep) {
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    wake();
}

void PulseContext::disconnectFromServer()
{
    std::lock_guard<std::mutex> once(m_connectMutex);
    if (m_loop) {
        Lock lock(this);
        dropContext(true);
    }
}

PulseContext::~PulseContext()
{
    {
        std::lock_guard<std::mutex> guard(contextsMutex);
        liveContexts().remove(this);
    }
    if (m_loop) {
        {
            Lock lock(this);
            dropContext(false);
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

bool PulseContext::ensureConnected(int timeoutMs)
{
    if (isConnected())
        return true;
    // One thread replaces a lost connection; the others wait for it here.
    std::lock_guard<std::mutex> once(m_connectMutex);
    if (isConnected())
        return true;
    return connectLocked(serverAddress(), timeoutMs);
}

bool PulseContext::isConnected() const
{
    if (!m_loop || m_failed)
        return false;
    Lock lock(const_cast<PulseContext *>(this));
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

QString PulseContext::errorString() const
{
    std::lock_guard<std::mutex> guard(m_errorMutex);
    return m_error;
}

QString PulseContext::serverAddress() const
{
    std::lock_guard<std::mutex> guard(m_errorMutex);
    return m_server;
}

void PulseContext::setDefaultsUnreported()
{
    if (!m_defaultsUnreported.exchange(true))
        qCInfo(lcAudio) << "sound server: it no longer tells this connection about changes of the"
                           " default devices; they are read on a connection of their own";
}

void PulseContext::setError(const QString &text)
{
    std::lock_guard<std::mutex> guard(m_errorMutex);
    m_error = text;
}

QString PulseContext::lastServerError() const
{
    if (!m_context)
        return QString();
    return QString::fromUtf8(pa_strerror(pa_context_errno(m_context)));
}

bool PulseContext::inLoopThread() const
{
    return m_loop && pa_threaded_mainloop_in_thread(m_loop);
}

void PulseContext::wake()
{
    if (m_loop)
        pa_threaded_mainloop_signal(m_loop, 0);
}

bool PulseContext::waitStep(Deadline &deadline)
{
    if (deadline.passed() || m_failed || !m_loop || waitsLimited())
        return false;
    Q_ASSERT(!inLoopThread());
    pa_threaded_mainloop_wait(m_loop);
    return true;
}

bool PulseContext::waitFor(pa_operation *op, int timeoutMs)
{
    if (!op) {
        setError(tr("The sound server refused the request: %1").arg(lastServerError()));
        return false;
    }
    // Every operation wakes the waiter when it ends, whatever its own callback does.
    pa_operation_set_state_callback(
        op, [](pa_operation *, void *self) { static_cast<PulseContext *>(self)->wake(); }, this);
    const bool done = waitUntil(
        [op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, timeoutMs);
    const bool finished = done && pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (!done) {
        if (!m_failed && !waitsLimited())
            ++lateAnswerCount;
        pa_operation_cancel(op);
        setError(m_failed ? tr("The connection to the sound server was lost")
                          : tr("The sound server did not answer within %1 ms").arg(timeoutMs));
    }
    pa_operation_set_state_callback(op, nullptr, nullptr);
    pa_operation_unref(op);
    return finished;
}

void PulseContext::onStateChanged(pa_context *c, void *self)
{
    auto *ctx = static_cast<PulseContext *>(self);
    const pa_context_state_t state = pa_context_get_state(c);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) {
        const bool wasGood = !ctx->m_failed.exchange(true);
        if (wasGood && state == PA_CONTEXT_FAILED)
            emit ctx->connectionLost();
    }
    ctx->wake();
}

void PulseContext::onSubscription(pa_context *, int event, quint32 index, void *self)
{
    auto *ctx = static_cast<PulseContext *>(self);
    int facility = OtherFacility;
    switch (event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
    case PA_SUBSCRIPTION_EVENT_SINK: facility = SinkFacility; break;
    case PA_SUBSCRIPTION_EVENT_SOURCE: facility = SourceFacility; break;
    case PA_SUBSCRIPTION_EVENT_SERVER: facility = ServerFacility; break;
    case PA_SUBSCRIPTION_EVENT_MODULE: facility = ModuleFacility; break;
    case PA_SUBSCRIPTION_EVENT_SINK_INPUT: facility = SinkInputFacility; break;
    case PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT: facility = SourceOutputFacility; break;
    default: break;
    }
    int type = Changed;
    switch (event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) {
    case PA_SUBSCRIPTION_EVENT_NEW: type = Added; break;
    case PA_SUBSCRIPTION_EVENT_REMOVE: type = Removed; break;
    default: break;
    }
    emit ctx->serverChanged(facility, type, index);
}
