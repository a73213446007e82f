#pragma once
// A worker thread with start and stop handshakes: one POSIX thread per run,
// started on ThreadProc, which calls the subclass's OnExecute. Start and stop
// wait with a time-out; a stopped thread is always joined. The capture
// threads and the converter run on it (QRecordObject derives from it but
// starts no thread); the other threads of the program are not built on it
// (see the thread table in HACKING.md).

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

class QUtilThread
{
public:
    QUtilThread();
    // A subclass stops its thread in its own destructor; a thread still
    // running here is asked to stop and joined.
    virtual ~QUtilThread();
    QUtilThread(const QUtilThread &) = delete;
    QUtilThread &operator=(const QUtilThread &) = delete;

    static void *ThreadProc(void *arg);
    virtual void OnExecute() = 0;

    bool isRunning() const { return !m_finished.load(); }

protected:
    // Clears the flags, creates a fresh thread and waits until the worker
    // reports that its work runs (or ended). False when no thread could be
    // created or the time-out passed first; the worker is then asked to stop.
    bool startThread(int timeoutMs = 5000);
    // Asks the worker to stop, waits until OnExecute returned and joins the
    // thread. False when the time-out passed first (joined at the next start
    // or in the destructor). Returns true at once when nothing runs.
    bool stopThread(int timeoutMs = 5000);
    // Asks the worker to stop without waiting for it; a later stopThread
    // (from any thread) or startThread joins it.
    void askStop();

    // Called on the asking thread once a stop has been requested: a worker
    // that sleeps on something of its own wakes up here to see it.
    virtual void stopAsked() {}

    // Worker side.
    bool stopRequested() const { return m_stopRequest.load(); }
    void setStarted();
    // Sleeps up to ms milliseconds or until a stop is requested; true when it was.
    bool waitForStop(int ms);

private:
    bool joinFinished();

    pthread_mutex_t m_mutex;   // serialises start and stop of one object
    pthread_t m_thread{};
    bool m_hasThread = false;
    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{true};
    std::mutex m_flagMutex;
    std::condition_variable m_flagChanged;
};
