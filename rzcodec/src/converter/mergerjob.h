#pragma once
// The object behind a merger handle: sources appended in order into one
// output on a thread of its own (see rzcodec/merger.h).

#include "internal/audioencoder.h"
#include "internal/audiofiltergraph.h"
#include "internal/audiomuxer.h"
#include "internal/handle.h"
#include "internal/inputmedia.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace rz {

class ConvertConfig;

class MergerJob : public Handle
{
public:
    static constexpr Role kRole = Role::Merger;
    enum class State { Idle, Open, Running, Stopped, Failed, Closed };

    MergerJob();
    ~MergerJob() override;

    bool open(const std::string &output, const std::string &muxer, const ConvertConfig *config);
    bool start();
    // A disc title when `title` is set (not null).
    bool add(const std::string &source, const int *discTitle, uint64_t startUs, uint64_t durationUs,
             const ConvertConfig *config);
    bool isIdle() const;   // every source added is merged, or the merger ended
    bool isStopped() const;
    bool isFailed() const;
    uint64_t totalUs() const { return m_totalUs.load(); }
    uint64_t doneUs() const { return m_doneUs.load(); }
    const char *errorTextForCaller() const;
    bool stop();
    bool close();

private:
    struct Task {
        std::unique_ptr<InputMedia> input;
        int stream = -1;
        uint64_t startUs = 0;
        uint64_t durationUs = 0;
        uint64_t lengthUs = 0;
        AudioFilterSettings settings;
    };
    void run();
    bool fail(const std::string &what);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = State::Idle;
    std::deque<Task> m_tasks;
    bool m_busy = false; // a task is being merged
    bool m_closing = false;
    std::atomic<bool> m_stopRequested{false};
    std::thread m_worker;
    std::atomic<uint64_t> m_totalUs{0};
    std::atomic<uint64_t> m_doneUs{0};
    std::string m_error;
    mutable std::string m_errorCopy;

    std::string m_output;
    AudioEncoder m_encoder;
    AudioMuxer m_muxer;
    int m_rate = 44100;
    int m_channels = 2;
};

} // namespace rz
