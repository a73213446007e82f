#include "internal/nowplayingpoller.h"

#include <algorithm>

#include <pthread.h>

namespace rz {

namespace {

void putTag(void *target, const char *key, const void *value, uint32_t length)
{
    if (!target || !key || !value || !length)
        return;
    auto *tags = static_cast<Tags *>(target);
    (*tags)[key] = std::string(static_cast<const char *>(value), length);
}

} // namespace

bool LiveRun::offer(Tags tags, const std::string &about)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (ended)
        return complete;
    if (answer.offer(std::move(tags), about, LiveAnswer::Clock::now()) && !complete)
        publish();
    return complete;
}

void LiveRun::end()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!ended && !complete && answer.heldAtEnd())
        publish();
    ended = true;
}

void LiveRun::publish()
{
    if (!SettledAnswer::namesTitle(answer.answer()))
        return;
    result = answer.answer();
    complete = true;
}

NowPlayingPoller &NowPlayingPoller::instance()
{
    // Never destroyed: its thread is ended by removing the source, and a
    // process that ends without doing so is not held up by it.
    static NowPlayingPoller *poller = new NowPlayingPoller;
    return *poller;
}

void NowPlayingPoller::setSource(RZNowPlayingQuery query, void *context)
{
    std::thread ended;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_asked.wait(lock, [this] { return !m_asking; });
        m_query = query;
        m_context = context;
        if (!query && m_thread.joinable()) {
            ++m_generation;
            ended = std::move(m_thread);
        }
        if (query)
            startIfNeeded();
    }
    m_wake.notify_all();
    if (ended.joinable())
        ended.join();
}

void NowPlayingPoller::add(const std::shared_ptr<LiveRun> &run)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_runs.push_back({run, std::chrono::steady_clock::now()});
        startIfNeeded();
    }
    m_wake.notify_all();
}

void NowPlayingPoller::startIfNeeded()
{
    if (!m_thread.joinable() && m_query && !m_runs.empty()) {
        const unsigned generation = m_generation;
        m_thread = std::thread([this, generation] { loop(generation); });
    }
}

void NowPlayingPoller::remove(const std::shared_ptr<LiveRun> &run)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runs.erase(std::remove_if(m_runs.begin(), m_runs.end(), [&run](const Entry &e) { return e.run == run; }),
                 m_runs.end());
}

void NowPlayingPoller::loop(unsigned generation)
{
    // Named for profilers and per-thread CPU readings.
    pthread_setname_np(pthread_self(), "rz-nowplaying");
    std::unique_lock<std::mutex> lock(m_mutex);
    while (generation == m_generation) {
        auto next = std::min_element(m_runs.begin(), m_runs.end(),
                                     [](const Entry &a, const Entry &b) { return a.due < b.due; });
        if (next == m_runs.end()) {
            m_wake.wait(lock);
            continue;
        }
        if (next->due > std::chrono::steady_clock::now()) {
            // A copy: a run joining meanwhile may move the list's entries.
            const auto due = next->due;
            m_wake.wait_until(lock, due);
            continue;
        }
        const std::shared_ptr<LiveRun> run = next->run;
        std::string about;
        {
            std::lock_guard<std::mutex> runLock(run->mutex);
            about = run->source;
        }
        const RZNowPlayingQuery query = m_query;
        void *const context = m_context;
        if (!query) {
            m_wake.wait(lock);
            continue;
        }
        m_asking = true;
        lock.unlock();
        Tags tags;
        query(context, about.c_str(), &putTag, &tags);
        const bool complete = run->offer(std::move(tags), about);
        lock.lock();
        m_asking = false;
        m_asked.notify_all();
        // Unless it went meanwhile: asked again once the interval has passed.
        for (Entry &e : m_runs) {
            if (e.run == run)
                e.due = std::chrono::steady_clock::now() + (complete ? kWatchInterval : kPollInterval);
        }
    }
}

} // namespace rz
