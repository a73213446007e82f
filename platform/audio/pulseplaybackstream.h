#pragma once
// A playback stream of interleaved 32-bit float samples into one sink,
// over the process-wide connection.

#include <QByteArray>
#include <QString>

class PulseContext;
struct pa_stream;

class PulsePlaybackStream
{
public:
    explicit PulsePlaybackStream(PulseContext *ctx = nullptr);
    ~PulsePlaybackStream();
    PulsePlaybackStream(const PulsePlaybackStream &) = delete;
    PulsePlaybackStream &operator=(const PulsePlaybackStream &) = delete;

    // Plays into the named sink (empty: the default output, following it when
    // it changes). latencyMs is the buffer the server keeps filled.
    bool open(const QByteArray &sink, int rate = 44100, int channels = 2, int latencyMs = 50,
              int timeoutMs = 3000);
    void close();
    bool isOpen() const { return m_stream != nullptr; }

    // Hands every frame to the server, waiting for room; false when the
    // stream fails or the time-out passes first.
    bool write(const float *samples, qint64 frames, int timeoutMs = 5000);
    // Frames the server takes now without waiting.
    qint64 writableFrames();
    // Waits until everything written has been played.
    bool drain(int timeoutMs = 5000);
    // Drops what is buffered and not yet played.
    bool flush();
    bool setPaused(bool paused);
    // Microseconds of sound played so far (the stream's clock: what was heard).
    qint64 playedMicroseconds();

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &text);
    static void onState(pa_stream *s, void *self);
    static void onWritable(pa_stream *s, size_t bytes, void *self);

    PulseContext *m_ctx;
    pa_stream *m_stream = nullptr;
    int m_channels = 2;
    QString m_error;
};
