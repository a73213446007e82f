#pragma once
// The work behind one player handle: decodes a media file on a thread of its
// own, runs the sound through the shared filter chain into a playback stream,
// keeps the play clock from the samples the sink has actually played, and
// hands video frames to the registered callbacks on that thread.

#include "internal/audiofiltergraph.h"
#include "internal/avpointers.h"
#include "internal/inputmedia.h"
#include "player/playclock.h"
#include "player/playersettings.h"
#include "rzcodec/types.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PulseOutputStream;

namespace rz {

class PlayerEngine
{
public:
    enum class State { Closed, Stopped, Running, Paused, Completed };

    PlayerEngine();
    ~PlayerEngine();
    PlayerEngine(const PlayerEngine &) = delete;
    PlayerEngine &operator=(const PlayerEngine &) = delete;

    // Media.
    bool open(const std::string &path, unsigned width, unsigned height);
    void close();
    std::string path() const;
    bool isOpen() const;
    bool hasAudio() const;
    bool hasVideo() const;
    bool canSeek() const;
    uint64_t duration() const;
    unsigned videoWidth() const;
    unsigned videoHeight() const;
    AVRational displayAspect() const;

    // Transport.
    bool play();
    bool pause();
    bool stop();
    bool seek(uint64_t timeUs, bool exact);
    bool beginAsyncSeek(uint64_t toleranceUs);
    bool endAsyncSeek();
    bool frameStep(int frames);
    bool keyFrameStep(int direction);
    void enableLoop(bool on);
    State state() const;
    // Why the playback ended before its end ("" when it did not): its sound
    // output failed or could not be opened, or a seek failed (the player is
    // then paused where it was, or stopped). Cleared by the next play or open.
    std::string playbackError() const;
    uint64_t playTime() const;
    uint64_t videoTime() const;

    // Sound.
    void setVolume(int percent);
    void setSpeed(int percent);
    void setRate(int percent);
    void setEqualizer(std::vector<EqualizerBand> bands);
    AudioFilterSettings audioSettings() const;
    void setOutputDevice(const std::string &device);
    std::string outputDevice() const;

    // Pictures.
    void setFrameCallback(bool original, RZFrameCallback callback, void *context);
    void setTimeInterval(uint64_t microseconds);
    uint64_t timeInterval() const;
    bool showVideoFrame();
    // The current frame as a BMP file in memory (freeBmp), scaled to width x
    // height when both are given; null without a frame.
    uint8_t *captureImage(unsigned width, unsigned height);

    // Wave data of what is being heard now (new[]), null when there is none.
    void enableWaveData(bool on);
    uint8_t *waveData();

    PlayerSettings &settings() { return m_settings; }

    // Tests and benchmarks only: when set, called on the play thread in every
    // sound-chain build (made without the engine's lock), so a test can hold
    // a build for as long as it needs.
    static std::atomic<void (*)()> s_filterBuildHook;

private:
    struct VideoFrame {
        FramePtr frame;
        int64_t timeUs = 0;
    };
    struct Callback {
        RZFrameCallback function = nullptr;
        void *context = nullptr;
    };

    void run();
    void startThread();
    void stopThread();
    void deliver(std::unique_lock<std::mutex> &lock);

    // Everything below runs with m_mutex held; those given the lock let it go
    // for a while (the caller must then check again what it relies on).
    bool restartAt(uint64_t timeUs, bool exact, std::string *error);
    // A seek (or its output) failed: back, paused, to where the player was,
    // or stopped when even that fails; never running without an output.
    void settleAfterFailedSeek(uint64_t before, const std::string &why);
    // Closes the output and rewinds to 0; the caller holds the mutex.
    void stopLocked();
    uint64_t seekOrigin() const;
    bool openOutput(bool paused, std::string *error);
    // The sound output failed while playing: ends the playback with the reason.
    void failOutput();
    // Builds the chain for the current settings without the lock and puts
    // it in place; false when the frame in hand no longer belongs (a seek,
    // stop or close came meanwhile) or the chain cannot be built.
    bool rebuildFilters(std::unique_lock<std::mutex> &lock, const AVFrame *sample, bool continuing);
    void decodeStep(std::unique_lock<std::mutex> &lock);
    void takeAudio(std::unique_lock<std::mutex> &lock, AVFrame *frame, int64_t timeUs);
    void drainFilters();
    void keepVideoFrame(AVFrame *frame, int64_t timeUs);
    void presentDue(bool force);
    void finish();
    uint64_t clockTimeLocked() const;
    int64_t playedFramesLocked() const;
    size_t pendingFrames() const;
    void rememberWave(const float *samples, size_t frames);
    void resetOutputState(uint64_t startUs);
    void closeLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    std::thread m_thread;
    bool m_quit = false;

    InputMedia m_input;
    std::unique_ptr<MediaDecoder> m_decoder;
    int m_audioStream = -1;
    int m_videoStream = -1;
    unsigned m_outWidth = 0;
    unsigned m_outHeight = 0;
    State m_state = State::Closed;
    bool m_loop = false;
    FramePtr m_decoded = makeFrame();

    // Sound path.
    std::string m_device;
    AudioFilterSettings m_audioSettings;
    AudioFilterGraph m_graph;
    bool m_graphDirty = false;     // the settings changed since the chain was built
    uint64_t m_outputEpoch = 0;    // counts seeks, stops and closes: a decoded frame
                                   // from an older epoch is dropped
    FramePtr m_filtered = makeFrame();
    std::shared_ptr<PulseOutputStream> m_stream;
    std::vector<float> m_pending;  // filtered, interleaved, not yet written
    size_t m_pendingOffset = 0;    // samples of m_pending already written
    int64_t m_producedFrames = 0;  // output frames produced since the stream began
    int64_t m_audioFedUs = 0;      // media time just after the last sample fed to the filters
    PlayClock m_clock;
    bool m_decodeEnded = false;
    uint64_t m_skipUntilUs = 0;    // an exact seek drops what lies before it
    uint64_t m_position = 0;       // media time while no stream plays
    std::string m_playbackError;
    bool m_asyncSeek = false;
    uint64_t m_asyncTarget = 0;
    int m_outRate = 0;
    int m_outChannels = 2;

    // The last two seconds of produced output, for wave data.
    bool m_waveEnabled = true;
    std::vector<float> m_waveRing;
    int64_t m_waveEnd = 0;         // output frame just after the newest one kept

    // Video path.
    Callback m_callbacks[2];
    uint64_t m_intervalUs = 40000;
    std::deque<VideoFrame> m_videoQueue;
    FramePtr m_shown;              // the picture handed out last
    int64_t m_shownUs = -1;
    bool m_redeliver = false;
    bool m_wantPicture = false;    // decode one picture while not playing (after open or seek)
    SwsPtr m_scaler;
    std::chrono::steady_clock::time_point m_wallStart; // clock of media without sound
    uint64_t m_wallBaseUs = 0;
    bool m_wallRunning = false;
    int64_t m_lastVideoUs = 0;

    PlayerSettings m_settings;
};

} // namespace rz
