#pragma once
// The process-wide "now playing" source and the one thread that asks it on
// behalf of every live recognition. A look-up may take a while (a player
// that does not answer, a cover on a slow disk); it runs without any lock a
// recognition takes, so a recognition that ends never waits for it: the
// answer of a look-up under way is dropped.

#include "rzcodec/recognizer.h"

#include "internal/liveanswer.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rz {

// One live recognition as the poller and its recogniser share it.
struct LiveRun
{
    std::mutex mutex;
    std::string source; // what it listens to, handed to the source
    LiveAnswer answer;
    // Written once, when the answer counts (or holds at the end), and kept
    // until the recogniser closes, so values handed out stay valid.
    Tags result;
    bool complete = false;
    bool ended = false; // no answer counts any more

    // Takes one answer read now; true when the run is complete.
    bool offer(Tags tags, const std::string &about);
    // The sound ends: a track held back that holds now completes the run.
    void end();

private:
    void publish();
};

class NowPlayingPoller
{
public:
    // How often a run is asked about until it is complete, and then, to
    // know what it heard last (for the file a cut makes next).
    static constexpr std::chrono::milliseconds kPollInterval{300};
    static constexpr std::chrono::milliseconds kWatchInterval{1000};

    static NowPlayingPoller &instance();

    // Sets the source (null: none). Waits for a look-up under way with the
    // source before, so its context may go; with none, the thread ends.
    void setSource(RZNowPlayingQuery query, void *context);
    // Asked about from now on, the first time at once.
    void add(const std::shared_ptr<LiveRun> &run);
    // Never asked about again; never waits.
    void remove(const std::shared_ptr<LiveRun> &run);

private:
    NowPlayingPoller() = default;
    // With the lock held: a thread runs while there are a source and runs.
    void startIfNeeded();
    void loop(unsigned generation);

    struct Entry
    {
        std::shared_ptr<LiveRun> run;
        std::chrono::steady_clock::time_point due;
    };

    std::mutex m_mutex;
    std::condition_variable m_wake;
    RZNowPlayingQuery m_query = nullptr;
    void *m_context = nullptr;
    std::vector<Entry> m_runs;
    std::thread m_thread;
    unsigned m_generation = 0; // the thread of another generation ends
    bool m_asking = false;     // a look-up runs, without the lock
    std::condition_variable m_asked;
};

} // namespace rz
