#pragma once
// The object behind a recorder handle. Pushed sound waits in queues; a worker
// thread mixes the inputs, encodes and writes, so that a pushing capture
// thread never waits for the encoder.

#include "internal/audioencoder.h"
#include "internal/audiohandles.h"
#include "internal/audiomuxer.h"
#include "internal/handle.h"
#include "internal/levelblock.h"
#include "internal/samplequeue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rz {

class ConvertConfig;

// What a recording is written with, read from a conversion configuration.
struct RecordingSettings {
    AVCodecID codec = AV_CODEC_ID_NONE;
    std::string encoderName; // an FFmpeg encoder chosen by name, overrides codec
    int sampleRate = 44100;
    int channels = 2;
    int64_t bitRate = 0;
    std::shared_ptr<SampleQueue> secondInput;

    // False (logged) when the configuration names a codec the layer lacks.
    bool read(const ConvertConfig *config);
};

class RecorderHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Recorder;
    RecorderHandle();
    ~RecorderHandle() override;

    bool open(const std::string &path, const std::string &muxer, const RecordingSettings &settings);
    bool run();
    bool pause();
    bool stop();
    bool finish();
    bool push(const AudioFrameHandle &frame);
    uint64_t recordedUs() const;
    uint64_t levelFrames() const { return m_levels.added(); }
    unsigned char *levelBlock() const { return m_levels.block(); }
    size_t copyLevelBlock(unsigned char *out, size_t capacity) const
    {
        return m_levels.copyBlock(out, capacity);
    }
    std::string errorText() const;
    // The system error (errno) behind the last failure, 0 when none applies.
    int errorCode() const;
    // The open recording can no longer be written; its reason is the error text.
    bool writeFailed() const { return m_workerFailed.load(); }
    // The same, kept until the next call, for the C interface.
    const char *errorTextForCaller() const;

    enum class State { Idle, Open, Running, Paused, Stopped };

private:
    bool fail(const std::string &what, int averr = 0);
    // The worker could not write: the reason is kept for the owner, who is
    // told through writeFailed().
    void noteWriteFailure();
    void workerLoop();
    // Mixes and encodes what the inputs hold; with `drain` also the part of
    // one input the other has no counterpart for.
    bool processAvailable(bool drain);
    // Drops what `input` holds for a time of the recording already encoded
    // without it, adding the frames to `late`, which is logged once the input
    // has caught up (or at the end); true when it dropped any.
    bool dropLate(SampleQueue &input, uint64_t &late, const char *name, bool drain);
    bool encode(const float *samples, int frames);
    bool stopLocked();
    void discardInputs();

    mutable std::mutex m_control; // one control call at a time
    State m_state = State::Idle;

    AudioEncoder m_encoder;
    AudioMuxer m_muxer;
    std::shared_ptr<SampleQueue> m_primary;
    std::shared_ptr<SampleQueue> m_second;

    std::mutex m_pushMutex;
    FrameConverter m_pushConverter;
    std::vector<float> m_pushBuffer;
    std::atomic<bool> m_accepting{false};
    std::atomic<bool> m_paused{false};
    // One input: its pushes feed the level display, and the worker takes the
    // sound in larger batches. Two: the display shows the mix the worker makes.
    std::atomic<bool> m_levelsAtPush{false};
    std::atomic<uint64_t> m_keptFrames{0}; // the one input's kept frames, ahead of the encoder

    std::thread m_worker;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_workerFailed{false};
    std::vector<float> m_bufA, m_bufB, m_mix;
    std::chrono::steady_clock::time_point m_primarySeen, m_secondSeen; // last time each input held sound
    std::atomic<bool> m_restartClock{false};
    // With two inputs: the frame of the recording at which both inputs' time
    // lines begin (0, or where a pause ended), and each input's frames
    // dropped as late and not yet logged. The worker's alone.
    uint64_t m_timeLineStart = 0;
    uint64_t m_primaryLate = 0, m_secondLate = 0;

    std::atomic<uint64_t> m_recordedFrames{0};
    LevelHistory m_levels;
    mutable std::mutex m_errorMutex;
    std::string m_error;
    int m_errorCode = 0;
    std::string m_formatName; // the muxer of the open recording, for completing it after a failed write
    mutable std::string m_errorCopy; // what rz_recorder_error_text hands out
};

} // namespace rz
