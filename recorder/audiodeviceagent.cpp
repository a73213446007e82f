#include "recorder/audiodeviceagent.h"
#include "recorder/macaudiodevice.h"
#include "recorder/recorderlog.h"

#include "platform/audio/pulsecontext.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {
// While the server is away its change reports stop: the reading is retried
// until the connection is back, soon after a loss (a restarted server is
// back within a second) and then every few seconds. A server that no longer
// reports changes of the defaults to us (see PulseContext::defaultsUnreported)
// is read now and then instead; a reading that finds nothing new only
// refreshes the volume shown.
constexpr int kRetryMs = 500;
constexpr int kLongestRetryMs = 4000;
constexpr int kUnreportedDefaultsMs = 2000;
} // namespace

// Lives on the device thread: owns the model, runs the jobs and reads the
// devices again after each job and each change report, several reports
// that arrive together giving one reading.
class AudioDeviceAgent::Worker : public QObject
{
public:
    Worker(AudioDeviceAgent *agent, PulseContext *ctx) : m_agent(agent), m_ctx(ctx)
    {
        m_retry.setSingleShot(true);
        connect(&m_retry, &QTimer::timeout, this, [this] { read(); });
    }

    void run(int number, const Job &job)
    {
        if (job)
            job(model());
        m_done = number;
        scheduleReading();
    }

private:
    MacAudioDevice &model()
    {
        if (!m_model) {
            // Made here, so that the first connection to the server is made
            // on this thread too.
            m_model = std::make_unique<MacAudioDevice>(m_ctx);
            watch();
        }
        return *m_model;
    }

    void watch()
    {
        PulseContext *ctx = m_ctx ? m_ctx : PulseContext::shared();
        connect(ctx, &PulseContext::serverChanged, this,
                [this](int facility, int, quint32) {
                    if (facility == PulseContext::SinkFacility || facility == PulseContext::SourceFacility
                        || facility == PulseContext::ServerFacility)
                        scheduleReading();
                },
                Qt::QueuedConnection);
        connect(
            ctx, &PulseContext::connectionLost, this, [this] { m_retry.start(m_retryMs); },
            Qt::QueuedConnection);
    }

    void scheduleReading()
    {
        if (m_pending)
            return;
        m_pending = true;
        QMetaObject::invokeMethod(this, [this] { read(); }, Qt::QueuedConnection);
    }

    void read()
    {
        m_pending = false;
        MacAudioDevice &devices = model();
        const bool ok = devices.refresh();
        PulseContext *ctx = m_ctx ? m_ctx : PulseContext::shared();
        if (!devices.answered() && ctx->isConnected()) {
            // The server is there but answered late (a busy machine): what
            // was read is no reading of it. The last one stands until it
            // answers, which it is asked again soon.
            qCDebug(lcRecorder) << "sound server: answered late, reading again in" << kRetryMs << "ms";
            tell(true, ctx);
            m_retry.start(kRetryMs);
            return;
        }
        // Copied here, before the hand-over, and signalled on the agent's
        // own thread: each receiver gets the reading there, whatever its
        // connection, and nothing of it is copied later on this thread.
        AudioDeviceAgent *agent = m_agent;
        QMetaObject::invokeMethod(
            agent,
            [agent, reading = devices.devices(), done = m_done] { emit agent->devicesChanged(reading, done); },
            Qt::QueuedConnection);
        const bool reachable = ok || ctx->isConnected();
        tell(reachable, ctx);
        if (!reachable) {
            qCDebug(lcRecorder) << "sound server: not reachable, next try in" << m_retryMs << "ms";
            m_retry.start(m_retryMs);
            m_retryMs = std::min(2 * m_retryMs, kLongestRetryMs);
            return;
        }
        m_retryMs = kRetryMs;
        if (ctx->defaultsUnreported())
            m_retry.start(kUnreportedDefaultsMs);
    }

    // One line when the server goes and one when it is back, however often
    // it is tried meanwhile.
    void tell(bool reachable, PulseContext *ctx)
    {
        if (m_reachable == (reachable ? Reachable : Unreachable))
            return;
        if (!reachable)
            qCWarning(lcRecorder).noquote() << "sound server: cannot be reached (" + ctx->errorString()
                                                   + "); recording is unavailable until it is back";
        else if (m_reachable == Unreachable)
            qCInfo(lcRecorder) << "sound server: reachable again";
        m_reachable = reachable ? Reachable : Unreachable;
        AudioDeviceAgent *agent = m_agent;
        QMetaObject::invokeMethod(
            agent, [agent, reachable] { emit agent->serverReachable(reachable); }, Qt::QueuedConnection);
    }

    AudioDeviceAgent *m_agent;
    PulseContext *m_ctx;
    std::unique_ptr<MacAudioDevice> m_model;
    QTimer m_retry{this};
    int m_retryMs = kRetryMs;
    enum { Unknown, Reachable, Unreachable } m_reachable = Unknown;
    bool m_pending = false;
    int m_done = 0;
};

AudioDeviceAgent::AudioDeviceAgent(PulseContext *ctx, QObject *parent) : QObject(parent)
{
    qRegisterMetaType<AudioDeviceList>("AudioDeviceList");
    m_worker = new Worker(this, ctx);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("velmora-devices"));
    m_thread.start();
}

AudioDeviceAgent::~AudioDeviceAgent()
{
    stopThread();
}

int AudioDeviceAgent::post(Job job)
{
    const int number = ++m_lastJob;
    if (m_thread.isRunning()) {
        Worker *worker = m_worker;
        QMetaObject::invokeMethod(
            worker, [worker, number, job = std::move(job)] { worker->run(number, job); },
            Qt::QueuedConnection);
    }
    return number;
}

void AudioDeviceAgent::finish(Job job)
{
    post(std::move(job));
    stopThread();
}

void AudioDeviceAgent::stopThread()
{
    if (!m_thread.isRunning())
        return;
    // Queued behind the jobs, so that they are all carried out.
    QThread *thread = &m_thread;
    QMetaObject::invokeMethod(m_worker, [thread] { thread->quit(); }, Qt::QueuedConnection);
    m_thread.wait();
}
