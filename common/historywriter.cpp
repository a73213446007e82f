#include "common/historywriter.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

HistoryWriter &HistoryWriter::instance()
{
    static HistoryWriter writer;
    static const bool routed = [] {
        // The queue is completed while the application object goes, before
        // the statics its writes use are destroyed after main returns.
        if (QCoreApplication::instance())
            qAddPostRoutine([] { instance().shutDown(); });
        return true;
    }();
    Q_UNUSED(routed);
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
    for (Job &job : rest) {
        QString reason;
        if (!job.write(&reason))
            emit writeFailed(job.key, reason);
    }
}

void HistoryWriter::post(const QString &key, Write write)
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_stopped) {
            lock.unlock();
            QString reason;
            if (!write(&reason))
                emit writeFailed(key, reason);
            return;
        }
        // Only a write that has not begun is replaced; one in progress
        // completes, and the new one follows it.
        const auto queued = std::find_if(m_queue.begin(), m_queue.end(),
                                         [&key](const Job &job) { return job.key == key; });
        if (queued != m_queue.end())
            queued->write = std::move(write);
        else
            m_queue.push_back(Job {key, std::move(write)});
    }
    m_wake.notify_one();
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
        QString reason;
        const bool ok = job.write(&reason);
        // The write has logged its failure already.
        if (!ok)
            emit writeFailed(job.key, reason);
        // The job's copy of the document goes before anyone is told the
        // writer is idle.
        job = Job();
        lock.lock();
        m_busy = false;
        m_failed = m_failed || !ok;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}
