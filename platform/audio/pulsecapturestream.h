#pragma once
// A record stream of interleaved 32-bit float samples from one source.
// The server's data arrive on the loop thread and wait in a queue of their
// own until the owner takes them, so a slow reader never stalls the loop
// (which the player shares) and the loop never stalls the reader.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class PulseContext;
struct pa_stream;

class PulseCaptureStream
{
public:
    explicit PulseCaptureStream(PulseContext *ctx = nullptr);
    ~PulseCaptureStream();
    PulseCaptureStream(const PulseCaptureStream &) = delete;
    PulseCaptureStream &operator=(const PulseCaptureStream &) = delete;

    // Records from the named source (empty: the server's default input) and
    // waits until the stream runs. fragmentFrames is how many frames the
    // server hands over at once. False with errorString() on failure.
    bool start(const QByteArray &source, int rate = 44100, int channels = 2,
               int fragmentFrames = 1024, int timeoutMs = 3000);
    // Ends the stream; samples already received can still be taken.
    void stop();
    // The server still delivers (false after stop, or when the source went away).
    bool isRunning() const;
    // The stream ended because the connection to the server was lost (not
    // only its source).
    bool serverGone() const { return m_serverGone.load(); }

    // Waits up to timeoutMs for a fragment of samples (or the end of the
    // stream, or an interrupt()), then appends every waiting sample to out.
    // Returns the number of frames appended.
    int take(std::vector<float> &out, int timeoutMs);
    // Makes the current or the next waiting take() return at once, from any thread.
    void interrupt();
    // Frames received since start (gaps the server reported count as silence).
    quint64 framesReceived() const;
    // Estimate of the frames the source had produced by the given moment.
    quint64 framesDueBy(std::chrono::steady_clock::time_point moment) const;
    // Times the server had to drop data because it was not read in time.
    int overflows() const { return m_overflows.load(); }
    int channels() const { return m_channels; }
    int rate() const { return m_rate; }
    QString errorString() const { return m_error; }

private:
    static void onState(pa_stream *s, void *self);
    static void onRead(pa_stream *s, size_t bytes, void *self);
    static void onOverflow(pa_stream *s, void *self);
    void append(const float *data, size_t count);

    PulseContext *m_ctx;
    pa_stream *m_stream = nullptr;
    int m_rate = 44100;
    int m_channels = 2;
    QString m_error;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_serverGone{false};
    std::atomic<int> m_overflows{0};

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<float> m_pending;
    bool m_interrupted = false;
    size_t m_wakeSamples = 1;   // a waiting reader is woken once this many wait
    quint64 m_received = 0;
    bool m_haveClock = false;
    std::chrono::steady_clock::time_point m_startEstimate;
};
