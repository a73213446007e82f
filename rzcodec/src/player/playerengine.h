#pragma once
// The work behind one player handle: decodes a media file on a thread of its
// own, runs the sound through the shared filter chain into a playback stream
// that this thread opens, keeps the play clock from the samples the sink has
// actually played, and hands video frames to the registered callbacks on that
// thread. Queries (state, times, wave data) read a view that the engine
// publishes under a short lock of its own, so that none waits while the
// thread reads or seeks the file or opens the sound output.

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

    // Called on the play thread, without the engine's lock, when a play asked
    // for could not start after play() had accepted it (its sound output
    // could not be opened; the reason is playbackError()).
    using EventCallback = void (*)(int32_t event, void *context);
    void setEventCallback(EventCallback callback, void *context);

    PlayerSettings &settings() { return m_settings; }

    // Tests and benchmarks only: when set, called on the play thread in every
    // sound-chain build (made without the engine's lock), so a test can hold
    // a build for as long as it needs.
    static std::atomic<void (*)()> s_filterBuildHook;
    // Tests and benchmarks only: called on the play thread before each read
    // of the file with the engine's lock held (a slow disk), and before each
    // opening of the sound output without it (a slow sound server).
    static std::atomic<void (*)()> s_readHook;
    static std::atomic<void (*)()> s_outputOpenHook;
    // Tests only: callers waiting for the engine's lock now.
    int waitingCallers() const { return m_callers.load(); }

private:
    struct VideoFrame {
        FramePtr frame;
        int64_t timeUs = 0;
    };
    // A decoded sound frame as it went into the filter chain.
    struct SentAudio
    {
        FramePtr frame;
        int64_t timeUs = 0;
        int64_t endUs = 0;
    };
    struct Callback {
        RZFrameCallback function = nullptr;
        void *context = nullptr;
    };
    // What the queries read; guarded by m_viewMutex. The wave ring lives only
    // here: the play thread writes it under that lock.
    struct View {
        State state = State::Closed;
        bool hasAudio = false;
        bool hasVideo = false;
        bool canSeek = false;
        uint64_t duration = 0;
        unsigned videoWidth = 0;
        unsigned videoHeight = 0;
        AVRational aspect{0, 1};
        std::string path;
        std::string error;
        uint64_t position = 0;
        uint64_t wallBaseUs = 0;
        bool wallRunning = false;
        std::chrono::steady_clock::time_point wallStart;
        double timeRatio = 1.0;
        PlayClock clock;
        uint64_t clockVersion = 0;
        int64_t shownUs = -1;
        std::shared_ptr<PulseOutputStream> stream;
        int outRate = 0;
        int outChannels = 2;
        bool waveEnabled = true;
        std::vector<float> waveRing;
        int64_t waveEnd = 0; // output frame just after the newest one kept
        EventCallback eventFunction = nullptr;
        void *eventContext = nullptr;
    };
    // The inputs of the play clock, from the engine's fields or from the view.
    struct ClockInputs {
        State state;
        bool audio;
        int64_t played; // the stream's played frames, below 0 without a stream
        const PlayClock *clock;
        uint64_t position;
        uint64_t wallBaseUs;
        bool wallRunning;
        std::chrono::steady_clock::time_point wallStart;
        double timeRatio;
        uint64_t length;
    };
    static uint64_t clockTimeOf(const ClockInputs &in);
    // Copies what the queries read into the view; the caller holds m_mutex.
    void publishLocked();
    // Publishes when it goes out of scope (declared after the lock it needs).
    struct Publisher {
        explicit Publisher(PlayerEngine &owner) : engine(owner) {}
        ~Publisher() { engine.publishLocked(); }
        PlayerEngine &engine;
    };
    // Opens the sound output for a playback that has none, without the lock;
    // a failure sets the player back and tells the event callback.
    void openOutputOnThread(std::unique_lock<std::mutex> &lock);
    // The format details the view keeps from an open.
    void describeOpenedLocked();

    // A caller's hold on m_mutex. The play thread lets waiting callers in
    // between two reads of the file, so a slow file keeps a call waiting for
    // one read at most, not for as long as the thread goes on reading.
    class CallerLock
    {
    public:
        explicit CallerLock(const PlayerEngine &engine) : m_engine(engine)
        {
            ++engine.m_callers;
            m_lock = std::unique_lock<std::mutex>(engine.m_mutex);
            --engine.m_callers;
        }
        ~CallerLock()
        {
            if (m_lock.owns_lock())
                m_engine.m_cond.notify_all();
        }
        CallerLock(const CallerLock &) = delete;
        CallerLock &operator=(const CallerLock &) = delete;
        void unlock()
        {
            m_engine.m_cond.notify_all();
            m_lock.unlock();
        }

    private:
        const PlayerEngine &m_engine;
        std::unique_lock<std::mutex> m_lock;
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
    // The output being opened is no longer wanted; the caller holds the mutex.
    void cancelOpening();
    uint64_t seekOrigin() const;
    // The sound output failed while playing: ends the playback with the reason.
    void failOutput();
    // Builds the chain for the current settings without the lock and puts
    // it in place; false when the frame in hand no longer belongs (a seek,
    // stop or close came meanwhile) or the chain cannot be built.
    bool rebuildFilters(std::unique_lock<std::mutex> &lock, const AVFrame *sample, bool continuing);
    void decodeStep(std::unique_lock<std::mutex> &lock);
    void takeAudio(std::unique_lock<std::mutex> &lock, AVFrame *frame, int64_t timeUs);
    // A setting changed while the output holds sound made with the old one:
    // drops what the server holds and makes it again from the decoded sound
    // kept (m_sent), so the change is heard at once rather than once the
    // output's second has played out.
    bool remakeDue();
    void remakeQueuedSound(std::unique_lock<std::mutex> &lock);
    // Forgets decoded sound whose output has been played.
    void forgetPlayedSound();
    // Takes a new setting; the caller holds m_mutex.
    void changeSettingsLocked(const AudioFilterSettings &next);
    void drainFilters();
    void keepVideoFrame(AVFrame *frame, int64_t timeUs);
    void presentDue(bool force);
    void finish();
    uint64_t clockTimeLocked() const;
    // The clock from the view, given the stream's played frames; the caller holds m_viewMutex.
    uint64_t viewTimeLocked(int64_t played) const;
    int64_t playedFramesLocked() const;
    size_t pendingFrames() const;
    void rememberWave(const float *samples, size_t frames);
    void resetOutputState(uint64_t startUs);
    // Drops the sound made and kept for the output.
    void forgetSound();
    void closeLocked();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    mutable std::atomic<int> m_callers{0}; // callers waiting for m_mutex
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
    // The output the play thread opens now, without the lock: a seek, stop
    // or close calls its wait for the server off (cancelOpening()).
    std::shared_ptr<PulseOutputStream> m_opening;
    std::vector<float> m_pending;  // filtered, interleaved, not yet written
    size_t m_pendingOffset = 0;    // samples of m_pending already written
    int64_t m_producedFrames = 0;  // output frames produced since the stream began
    int64_t m_audioFedUs = 0;      // media time just after the last sample fed to the filters
    std::deque<SentAudio> m_sent;  // decoded sound fed to the filters and not yet heard
    std::deque<SentAudio> m_replay; // decoded sound to feed again, before the decoder's next
    bool m_remakeAsked = false;     // settings changed while the output holds older sound
    std::chrono::steady_clock::time_point m_lastRemake;
    PlayClock m_clock;
    bool m_decodeEnded = false;
    uint64_t m_skipUntilUs = 0;    // an exact seek drops what lies before it
    uint64_t m_position = 0;       // media time while no stream plays
    std::string m_playbackError;
    bool m_asyncSeek = false;
    uint64_t m_asyncTarget = 0;
    int m_outRate = 0;
    int m_outChannels = 2;

    State m_openFallback = State::Paused; // where a play whose output cannot be opened goes
    uint64_t m_clockVersion = 0;   // counts changes of m_clock, so the view copies it only then
    uint64_t m_eventsToTell = 0;   // failed starts not yet told to the event callback

    // The view, and the last two seconds of produced output for wave data.
    mutable std::mutex m_viewMutex;
    View m_view;
    unsigned m_videoWidth = 0;
    unsigned m_videoHeight = 0;
    AVRational m_aspect{0, 1};
    bool m_canSeek = false;

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
