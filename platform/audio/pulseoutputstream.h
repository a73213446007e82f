#pragma once
// A playback stream for a player's own thread: float32le interleaved samples
// written without blocking, waits that other threads can cut short (a seek or
// a stop must not wait for the sink), corked for pause, an end reported
// asynchronously, and a clock of the samples the sink has actually played.
// It keeps about a second at the server, so that a player starved of the
// processor for a while on a busy machine is not heard; what is queued can be
// dropped (flush) when the sound to come must change at once. Underflows (the
// server ran out of sound mid-play) are counted and logged.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

class PulseContext;
struct pa_operation;
struct pa_stream;

class PulseOutputStream
{
public:
    // A second asked of the server (PulseAudio keeps about that in the
    // stream; PipeWire about 200 ms less, the rest being its graph's own
    // latency): a player's thread that a loaded machine keeps from running
    // for a few tenths of a second is not heard. With half a second PipeWire
    // kept about 300 ms, and a busy machine still broke the sound now and
    // then. Pause corks, a seek opens a new stream and a setting change drops
    // what is queued (flush), so none of them waits for this buffer to play
    // out.
    static constexpr int kTargetLatencyMs = 1000;
    // How long open() waits for the server to take the stream: as long as
    // libpulse waits for any answer. A server that a busy machine keeps from
    // running (seen for over 5 s) answers late, not never; a caller that no
    // longer wants the stream calls the wait off (cancelOpen()).
    static constexpr int kOpenWaitMs = 30000;

    // On the given connection (null: the process-wide one).
    explicit PulseOutputStream(PulseContext *context = nullptr);
    ~PulseOutputStream();
    PulseOutputStream(const PulseOutputStream &) = delete;
    PulseOutputStream &operator=(const PulseOutputStream &) = delete;

    // Connects a new stream to `device` (empty: the default output); it
    // starts corked when `paused`. False with a reason in *error.
    bool open(const std::string &device, int sampleRate, int channels, bool paused,
              std::string *error);
    // From another thread: an open() waiting for the server fails at once,
    // and so does every later one (the stream is no longer wanted).
    void cancelOpen();
    void close();
    bool isOpen() const { return m_stream != nullptr; }

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }

    // Frames the server takes now without blocking.
    size_t writableFrames();
    // Writes up to `frames` frames, never more than fit; returns how many it took.
    size_t write(const float *interleaved, size_t frames);
    // Waits until the server asks for data, the stream fails or `timeoutMs`
    // passes, or wake() is called.
    void waitWritable(int timeoutMs);
    void wake();

    // Drops what the server holds and has not yet handed to the sink; the
    // next write plays right after what is on its way out already. A drain
    // under way is called off (beginDrain() asks anew). Waits for
    // the server's answer (at most timeoutMs; wake() and close() cut it
    // short) and gives the frame, counted like writtenFrames(), that the
    // next write starts at. False when that is not known: the stream failed,
    // the wait was cut short or timed out.
    bool flush(int timeoutMs, int64_t *nextFrame);

    // Times the server ran out of sound while playing, since open (the end
    // of a drain is not one). Each new one is logged by the next write.
    int underflows() const { return m_underflows.load(); }

    void setPaused(bool paused);
    // Starts playing what is buffered even below the start threshold and
    // reports once everything written has been played.
    void beginDrain();
    bool isDrained();
    // Waits until the drain ends, the stream fails or `timeoutMs` passes, or
    // wake() is called. The server asking for more sound does not end it, as
    // it ends waitWritable(): a writer that has written its last has none to
    // give, and would only come straight back for as long as the drain lasts.
    void waitDrained(int timeoutMs);

    // Frames written since open, and frames the sink has played of them.
    int64_t writtenFrames() const { return m_written; }
    int64_t playedFrames();
    bool hasFailed();
    // Why the stream failed ("" while it has not).
    std::string failureText();

private:
    static void onState(pa_stream *stream, void *self);
    static void onWrite(pa_stream *stream, size_t bytes, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);
    static void onFlushed(pa_stream *stream, int success, void *self);
    static void onTimingUpdate(pa_stream *stream, void *self);
    static void onUnderflow(pa_stream *stream, void *self);
    // On the loop thread, once the flush is acknowledged: the write index
    // from a timing report made after it.
    void takeFlushedIndex(pa_stream *stream);
    void logUnderflows();
    // The played frames the server reports, bounded by the time the stream
    // has run; the caller holds the loop lock.
    int64_t playedFramesLocked();

    PulseContext *m_context;
    pa_stream *m_stream = nullptr;
    pa_operation *m_drainOp = nullptr; // guarded by the loop lock; its callback points here
    pa_operation *m_flushOp = nullptr; // likewise
    bool m_flushAcked = false;         // guarded by the loop lock
    int m_rate = 0;
    int m_channels = 0;
    int64_t m_written = 0;
    // The interpolated time may run on from a report made before a pause
    // (seen on a busy machine): played frames never grow faster than the
    // stream runs. Guarded by the loop lock.
    int64_t m_runBase = 0; // frames played when it last started or paused
    std::chrono::steady_clock::time_point m_runStart;
    bool m_running = false;

    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_ready = false;
    bool m_openCancelled = false;
    bool m_failed = false;
    std::string m_failure;
    bool m_drained = false;
    bool m_drainAsked = false;
    bool m_drainStale = false; // a drain a flush called off, still to be answered by the server
    bool m_woken = false;
    size_t m_requested = 0;
    int64_t m_flushedAt = -1; // the frame the next write starts at, once a flush is done
    bool m_flushFailed = false;

    // Counted on the loop thread, logged on the writer's.
    std::atomic<int> m_underflows{0};
    int m_underflowsLogged = 0;
};
