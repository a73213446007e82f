#include "common/historywriter.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

HistoryWriter &HistoryWriter::instance()
{
    static HistoryWriter writer;
    // The queue is completed while the application object goes, before the
    // statics its writes use are destroyed after main returns. A writer made
    // before the application object (the program reads its history first
    // thing) is routed at the first call once there is one.
    static std::atomic<bool> routed{false};
    if (!routed.load(std::memory_order_acquire) && QCoreApplication::instance() && !routed.exchange(true))
        qAddPostRoutine([] { instance().shutDown(); });
    return writer;
}

HistoryWriter::HistoryWriter()
    : m_thread([this] { run(); })
{
}

HistoryWriter::~HistoryWriter()
{
    shutDown();
}

void HistoryWriter::shutDown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopped)
            return;
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    // Whatever came in while the thread ended is written here.
    std::deque<Job> rest;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        rest.swap(m_queue);
    }
    for (const Job &job : rest)
        runJob(job);
}

bool HistoryWriter::runJob(const Job &job)
{
    QString reason;
    const bool ok = job.write(&reason);
    // The write has logged its failure already.
    if (!ok)
        emit writeFailed(job.key, reason);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended.insert(job.key, Ended{job.ticket, ok, reason});
        m_failed = m_failed || !ok;
    }
    emit writeEnded(job.key, job.ticket, ok, reason);
    return ok;
}

quint64 HistoryWriter::post(const QString &key, Write write)
{
    Job now;
    quint64 ticket = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ticket = ++m_lastTicket;
        if (m_stopped) {
            now = Job{key, std::move(write), ticket};
        } else {
            // Only a write that has not begun is replaced; one in progress
            // completes, and the new one follows it.
            const auto queued = std::find_if(m_queue.begin(), m_queue.end(),
                                             [&key](const Job &job) { return job.key == key; });
            if (queued != m_queue.end()) {
                queued->write = std::move(write);
                queued->ticket = ticket;
            } else {
                m_queue.push_back(Job{key, std::move(write), ticket});
            }
        }
    }
    if (now.write)
        runJob(now);
    else
        m_wake.notify_one();
    return ticket;
}

void HistoryWriter::later(std::chrono::nanoseconds after, std::function<void()> check)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_check = std::move(check);
        m_checkAt = std::chrono::steady_clock::now() + after;
    }
    m_wake.notify_one();
}

bool HistoryWriter::waitForIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    const bool ok = !m_failed;
    m_failed = false;
    return ok;
}

void HistoryWriter::whenEnded(const QString &key, quint64 ticket, QObject *context,
                              std::function<void(bool written, const QString &reason)> done)
{
    // Both roads below run on context's thread; the first one answers.
    struct Wait
    {
        std::function<void(bool, const QString &)> done;
        QMetaObject::Connection connection;
        bool answered = false;
        void answer(bool written, const QString &reason)
        {
            if (answered)
                return;
            answered = true;
            QObject::disconnect(connection);
            done(written, reason);
        }
    };
    auto wait = std::make_shared<Wait>();
    wait->done = std::move(done);
    // Heard before it is asked, so that no end falls between the two.
    wait->connection = connect(
        this, &HistoryWriter::writeEnded, context,
        [wait, key, ticket](const QString &endedKey, quint64 endedTicket, bool written, const QString &reason) {
            if (endedKey == key && endedTicket >= ticket)
                wait->answer(written, reason);
        },
        Qt::QueuedConnection);
    Ended ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ended = m_ended.value(key);
    }
    if (ended.ticket >= ticket)
        QMetaObject::invokeMethod(
            context, [wait, ended] { wait->answer(ended.written, ended.reason); }, Qt::QueuedConnection);
}

void HistoryWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto writeOrStop = [this] { return m_stopping || !m_queue.empty(); };
    for (;;) {
        if (m_check && !writeOrStop()) {
            // A newer check (with its own time) starts the wait again.
            const auto due = m_checkAt;
            if (!m_wake.wait_until(lock, due, [&] { return writeOrStop() || m_checkAt != due; })) {
                std::function<void()> check = std::move(m_check);
                m_check = nullptr;
                lock.unlock();
                check();
                lock.lock();
            }
            continue;
        }
        if (!writeOrStop()) {
            m_wake.wait(lock, [&] { return writeOrStop() || m_check; });
            continue;
        }
        // A write (or the end) makes a waiting check pointless.
        m_check = nullptr;
        // Stopping still drains the queue: nothing posted is lost at exit.
        if (m_queue.empty())
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        runJob(job);
        // The job's copy of the document goes before anyone is told the
        // writer is idle.
        job = Job();
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}
