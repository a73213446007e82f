#pragma once
// A thread-safe queue of interleaved float samples in the layer's mixing
// format, filled by one capture thread and drained by a recorder's worker.
// Time stamps keep it in step with its source: a block that arrives later
// than the samples so far account for (lost blocks) is preceded by silence.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace rz {

class SampleQueue
{
public:
    SampleQueue(int sampleRate, int channels);

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }

    // Appends `frames` frames; `timestampUs` is the block's capture time, or
    // UINT64_MAX when it has none. Beyond `capacityFrames` the oldest go.
    void push(const float *samples, int frames, uint64_t timestampUs);
    // Moves up to `maxFrames` frames into `out` (resized); returns the count.
    int take(std::vector<float> &out, int maxFrames);
    // Drops up to `frames` frames; returns the count.
    int discard(int frames);
    // Empties the queue; the next block starts a new time line.
    void clear();
    // Where the first waiting frame is on the time line: the frames taken,
    // discarded or dropped since the time line began (at clear()).
    uint64_t readPosition() const;
    // Keeps what waits, but the next block starts a new time line (no silence
    // stands for the time between).
    void restartTimeLine();
    // Frames stored since the queue was made, less those dropped unread:
    // what was taken plus what waits.
    uint64_t keptFrames() const { return m_kept.load(); }
    int available() const;

    // The consumer is woken once this much waits by default: one capture
    // fragment, so it runs once per arrival rather than per pushed block.
    static constexpr int kWakeFrames = 2048;
    // The consumer's wake-up: pushes that leave wakeFrames or more waiting notify it.
    void setNotifier(std::condition_variable *cv, std::mutex *cvMutex, int wakeFrames = kWakeFrames);
    int wakeFrames() const { return m_wakeFrames; }
    // Whether a consumer reads the queue; without one a source need not fill it.
    void setConsumed(bool on) { m_consumed = on; }
    bool isConsumed() const { return m_consumed; }
    // Bytes the source pushed, as it gave them (before conversion).
    std::atomic<uint64_t> pushedBytes{0};

private:
    mutable std::mutex m_mutex;
    std::vector<float> m_data;
    size_t m_read = 0; // first unread sample in m_data
    uint64_t m_readPosition = 0;
    int m_rate;
    int m_channels;
    int m_capacityFrames;
    bool m_haveBase = false;
    uint64_t m_baseUs = 0;      // time stamp of the first block
    uint64_t m_pushedFrames = 0; // frames accounted for since the first block
    std::condition_variable *m_cv = nullptr;
    std::atomic<int> m_wakeFrames{kWakeFrames};
    std::atomic<uint64_t> m_kept{0};
    std::mutex *m_cvMutex = nullptr;
    std::atomic<bool> m_consumed{false};
};

} // namespace rz
