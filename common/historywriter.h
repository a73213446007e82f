#pragma once
// Writes the history on a thread of its own, so that whoever changes the
// library never waits for the disk. One writer per process; writes are
// done in the order they were posted, and a write still waiting for its
// turn is replaced by a newer one for the same file (the newest content
// wins, and an older one never lands after it). Whatever was posted is on
// disk before the process ends.

#include <QHash>
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

    // Queues the write of the file at key; returns at once. The number it
    // returns is the write's ticket: the writes of one key end in the order
    // of their tickets, and a write that replaces a waiting one takes over
    // its place and ends for both.
    quint64 post(const QString &key, Write write);
    // Runs check on the writer's thread once `after` has passed, unless a
    // write is posted first (or the process ends); a newer check replaces
    // it. Waiting for it is no part of waitForIdle.
    void later(std::chrono::nanoseconds after, std::function<void()> check);
    // Waits until every posted write has ended (at quit, or for a reader of
    // the file in this process). False when one of them failed since the
    // last wait.
    bool waitForIdle();
    // Calls done on context's thread (call this from there) once the write
    // of ticket, or a later one of key, has ended: whether it was written,
    // and why not. Nothing is called when context goes first.
    void whenEnded(const QString &key, quint64 ticket, QObject *context,
                   std::function<void(bool written, const QString &reason)> done);

signals:
    // A write that failed, from the writer's thread: connect it queued (or
    // automatically from a thread with an event loop).
    void writeFailed(const QString &key, const QString &reason);
    // Every write that ends, from the writer's thread.
    void writeEnded(const QString &key, quint64 ticket, bool written, const QString &reason);

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
        quint64 ticket = 0;
    };
    struct Ended
    {
        quint64 ticket = 0;
        bool written = true;
        QString reason;
    };
    // Runs a job and tells how it ended; the mutex is not held.
    bool runJob(const Job &job);
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_queue;
    std::function<void()> m_check;
    std::chrono::steady_clock::time_point m_checkAt;
    bool m_busy = false;
    bool m_failed = false;
    quint64 m_lastTicket = 0;
    QHash<QString, Ended> m_ended;
    bool m_stopping = false;
    bool m_stopped = false;
    std::thread m_thread;
};
