#include "platform/audio/pulseplaybackstream.h"

#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulsestreamrelease.h"

#include <QObject>

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {
struct Done
{
    PulseContext *ctx;
    bool ok = false;
};
void doneCallback(pa_stream *, int success, void *data)
{
    auto *d = static_cast<Done *>(data);
    d->ok = success != 0;
    d->ctx->wake();
}
} // namespace

PulsePlaybackStream::PulsePlaybackStream(PulseContext *ctx)
    : m_ctx(ctx ? ctx : PulseContext::shared())
{
}

PulsePlaybackStream::~PulsePlaybackStream()
{
    close();
}

bool PulsePlaybackStream::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool PulsePlaybackStream::open(const QByteArray &sink, int rate, int channels, int latencyMs,
                               int timeoutMs)
{
    close();
    if (!m_ctx->ensureConnected(timeoutMs))
        return fail(m_ctx->errorString());
    m_channels = channels;
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = uint32_t(rate);
    spec.channels = uint8_t(channels);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(latencyMs) * PA_USEC_PER_MSEC, &spec));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);

    PulseContext::Lock lock(m_ctx);
    m_stream = pa_stream_new(m_ctx->context(), "Playback", &spec, nullptr);
    if (!m_stream)
        return fail(QObject::tr("Cannot create a playback stream: %1").arg(m_ctx->lastServerError()));
    pa_stream_set_state_callback(m_stream, &PulsePlaybackStream::onState, this);
    pa_stream_set_write_callback(m_stream, &PulsePlaybackStream::onWritable, this);
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE
                                         | PA_STREAM_INTERPOLATE_TIMING);
    if (pa_stream_connect_playback(m_stream, sink.isEmpty() ? nullptr : sink.constData(), &attr,
                                   flags, nullptr, nullptr) < 0) {
        const QString why = m_ctx->lastServerError();
        releasePulseStream(m_stream);
        return fail(QObject::tr("Cannot play into %1: %2").arg(QString::fromUtf8(sink), why));
    }
    const bool settled = m_ctx->waitUntil(
        [this] {
            const pa_stream_state_t st = pa_stream_get_state(m_stream);
            return st != PA_STREAM_CREATING && st != PA_STREAM_UNCONNECTED;
        },
        timeoutMs);
    if (!settled || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        const QString why = settled ? m_ctx->lastServerError() : m_ctx->errorString();
        releasePulseStream(m_stream);
        return fail(QObject::tr("Cannot play into %1: %2")
                        .arg(sink.isEmpty() ? QObject::tr("the default output")
                                            : QString::fromUtf8(sink),
                             why));
    }
    return true;
}

void PulsePlaybackStream::close()
{
    if (!m_stream)
        return;
    PulseContext::Lock lock(m_ctx);
    releasePulseStream(m_stream);
}

bool PulsePlaybackStream::write(const float *samples, qint64 frames, int timeoutMs)
{
    if (!m_stream)
        return fail(QObject::tr("The playback stream is not open"));
    const size_t frameBytes = size_t(m_channels) * sizeof(float);
    const char *data = reinterpret_cast<const char *>(samples);
    size_t left = size_t(frames) * frameBytes;
    PulseContext::Lock lock(m_ctx);
    while (left > 0) {
        size_t room = 0;
        const bool ok = m_ctx->waitUntil(
            [&] {
                if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
                    return true;
                room = pa_stream_writable_size(m_stream);
                return room != size_t(-1) && room >= frameBytes;
            },
            timeoutMs);
        if (!ok || pa_stream_get_state(m_stream) != PA_STREAM_READY)
            return fail(ok ? QObject::tr("The playback stream failed: %1").arg(m_ctx->lastServerError())
                           : m_ctx->errorString());
        const size_t chunk = std::min(left, room - room % frameBytes);
        if (pa_stream_write(m_stream, data, chunk, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return fail(QObject::tr("The playback stream failed: %1").arg(m_ctx->lastServerError()));
        data += chunk;
        left -= chunk;
    }
    return true;
}

qint64 PulsePlaybackStream::writableFrames()
{
    if (!m_stream)
        return 0;
    PulseContext::Lock lock(m_ctx);
    const size_t room = pa_stream_writable_size(m_stream);
    return room == size_t(-1) ? 0 : qint64(room / (size_t(m_channels) * sizeof(float)));
}

bool PulsePlaybackStream::drain(int timeoutMs)
{
    if (!m_stream)
        return fail(QObject::tr("The playback stream is not open"));
    Done d{m_ctx};
    PulseContext::Lock lock(m_ctx);
    if (!m_ctx->waitFor(pa_stream_drain(m_stream, &doneCallback, &d), timeoutMs))
        return fail(m_ctx->errorString());
    return d.ok || fail(m_ctx->lastServerError());
}

bool PulsePlaybackStream::flush()
{
    if (!m_stream)
        return fail(QObject::tr("The playback stream is not open"));
    Done d{m_ctx};
    PulseContext::Lock lock(m_ctx);
    if (!m_ctx->waitFor(pa_stream_flush(m_stream, &doneCallback, &d), 3000))
        return fail(m_ctx->errorString());
    return d.ok || fail(m_ctx->lastServerError());
}

bool PulsePlaybackStream::setPaused(bool paused)
{
    if (!m_stream)
        return fail(QObject::tr("The playback stream is not open"));
    Done d{m_ctx};
    PulseContext::Lock lock(m_ctx);
    if (!m_ctx->waitFor(pa_stream_cork(m_stream, paused ? 1 : 0, &doneCallback, &d), 3000))
        return fail(m_ctx->errorString());
    return d.ok || fail(m_ctx->lastServerError());
}

qint64 PulsePlaybackStream::playedMicroseconds()
{
    if (!m_stream)
        return 0;
    PulseContext::Lock lock(m_ctx);
    pa_usec_t t = 0;
    if (pa_stream_get_time(m_stream, &t) < 0)
        return 0;
    return qint64(t);
}

void PulsePlaybackStream::onState(pa_stream *, void *self)
{
    static_cast<PulsePlaybackStream *>(self)->m_ctx->wake();
}

void PulsePlaybackStream::onWritable(pa_stream *, size_t, void *self)
{
    static_cast<PulsePlaybackStream *>(self)->m_ctx->wake();
}
