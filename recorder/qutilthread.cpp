#include "recorder/qutilthread.h"
#include "recorder/recorderlog.h"

#include <QDebug>

#include <chrono>

QUtilThread::QUtilThread()
{
    pthread_mutex_init(&m_mutex, nullptr);
}

QUtilThread::~QUtilThread()
{
    if (m_hasThread) {
        m_stopRequest = true;
        m_flagChanged.notify_all();
        pthread_join(m_thread, nullptr);
    }
    pthread_mutex_destroy(&m_mutex);
}

void *QUtilThread::ThreadProc(void *arg)
{
    if (!arg)
        return nullptr;
    auto *self = static_cast<QUtilThread *>(arg);
    self->OnExecute();
    // A worker that failed early still releases the starter. Whatever the
    // subclass reports, it reports inside OnExecute, before this point.
    {
        std::lock_guard<std::mutex> guard(self->m_flagMutex);
        self->m_started = true;
        self->m_finished = true;
    }
    self->m_flagChanged.notify_all();
    return nullptr;
}

void QUtilThread::setStarted()
{
    {
        std::lock_guard<std::mutex> guard(m_flagMutex);
        m_started = true;
    }
    m_flagChanged.notify_all();
}

bool QUtilThread::waitForStop(int ms)
{
    std::unique_lock<std::mutex> guard(m_flagMutex);
    return m_flagChanged.wait_for(guard, std::chrono::milliseconds(ms),
                                  [this] { return m_stopRequest.load(); });
}

bool QUtilThread::joinFinished()
{
    if (!m_hasThread)
        return true;
    if (!m_finished)
        return false;
    pthread_join(m_thread, nullptr);
    m_hasThread = false;
    return true;
}

bool QUtilThread::startThread(int timeoutMs)
{
    pthread_mutex_lock(&m_mutex);
    if (!joinFinished()) {
        qCWarning(lcRecorder) << "worker thread: the previous run has not ended; not starting another";
        pthread_mutex_unlock(&m_mutex);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_flagMutex);
        m_stopRequest = false;
        m_started = false;
        m_finished = false;
    }
    if (pthread_create(&m_thread, nullptr, &QUtilThread::ThreadProc, this) != 0) {
        qCWarning(lcRecorder) << "worker thread: cannot create a thread";
        m_finished = true;
        m_started = true;
        pthread_mutex_unlock(&m_mutex);
        return false;
    }
    m_hasThread = true;
    bool started;
    {
        std::unique_lock<std::mutex> guard(m_flagMutex);
        started = m_flagChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                         [this] { return m_started.load(); });
        if (!started)
            m_stopRequest = true;
    }
    if (!started) {
        m_flagChanged.notify_all();
        stopAsked();
        qCWarning(lcRecorder) << "worker thread: did not start within" << timeoutMs << "ms";
    }
    pthread_mutex_unlock(&m_mutex);
    return started;
}

void QUtilThread::askStop()
{
    {
        std::lock_guard<std::mutex> guard(m_flagMutex);
        if (m_finished)
            return;
        m_stopRequest = true;
    }
    m_flagChanged.notify_all();
    stopAsked();
}

bool QUtilThread::stopThread(int timeoutMs)
{
    pthread_mutex_lock(&m_mutex);
    if (!m_hasThread) {
        pthread_mutex_unlock(&m_mutex);
        return true;
    }
    {
        std::lock_guard<std::mutex> guard(m_flagMutex);
        m_stopRequest = true;
    }
    m_flagChanged.notify_all();
    stopAsked();
    bool finished;
    {
        std::unique_lock<std::mutex> guard(m_flagMutex);
        finished = m_flagChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                          [this] { return m_finished.load(); });
    }
    if (finished)
        joinFinished();
    else
        qCWarning(lcRecorder) << "worker thread: did not stop within" << timeoutMs << "ms";
    pthread_mutex_unlock(&m_mutex);
    return finished;
}
