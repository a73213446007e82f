#pragma once
// Writes the history on a thread of its own, so that whoever changes the
// library never waits for the disk. One writer per process; writes are
// done in the order they were posted, and a write still waiting for its
// turn is replaced by a newer one for the same file (the newest content
// wins, and an older one never lands after it). Whatever was posted is on
// disk before the process ends.

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class HistoryWriter : public QObject
{
    Q_OBJECT
public:
    // Writes the file; false with the reason when it could not.
    using Write = std::function<bool(QString *reason)>;

    static HistoryWriter &instance();
    ~HistoryWriter() override;

    // Queues the write of the file at key; returns at once.
    void post(const QString &key, Write write);
    // Runs check on the writer's thread once `after` has passed, unless a
    // write is posted first (or the process ends); a newer check replaces
    // it. Waiting for it is no part of waitForIdle.
    void later(std::chrono::nanoseconds after, std::function<void()> check);
    // Waits until every posted write has ended (at quit, or for a reader of
    // the file in this process). False when one of them failed since the
    // last wait.
    bool waitForIdle();

signals:
    // A write that failed, from the writer's thread: connect it queued (or
    // automatically from a thread with an event loop).
    void writeFailed(const QString &key, const QString &reason);

private:
    HistoryWriter();
    void run();
    // Completes what is queued and ends the thread; later posts are written
    // at once on the caller's thread.
    void shutDown();

    struct Job
    {
        QString key;
        Write write;
    };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_queue;
    std::function<void()> m_check;
    std::chrono::steady_clock::time_point m_checkAt;
    bool m_busy = false;
    bool m_failed = false;
    bool m_stopping = false;
    bool m_stopped = false;
    std::thread m_thread;
};
