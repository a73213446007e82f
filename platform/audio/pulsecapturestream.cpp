#include "platform/audio/pulsecapturestream.h"

#include "platform/audio/audiolog.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulsestreamrelease.h"

#include <QDebug>
#include <QObject>

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {
// Samples that may wait for a reader before newer data are refused.
constexpr size_t maxPendingSeconds = 30;
}

PulseCaptureStream::PulseCaptureStream(PulseContext *ctx)
    : m_ctx(ctx ? ctx : PulseContext::shared())
{
}

PulseCaptureStream::~PulseCaptureStream()
{
    stop();
}

bool PulseCaptureStream::start(const QByteArray &source, int rate, int channels,
                               int fragmentFrames, int timeoutMs)
{
    stop();
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_pending.clear();
        m_received = 0;
        m_haveClock = false;
        // The server may hand over less than a fragment at a time: the
        // reader still wakes once per fragment.
        m_wakeSamples = size_t(std::max(1, fragmentFrames)) * size_t(std::max(1, channels));
    }
    m_overflows = 0;
    m_serverGone = false;
    m_rate = rate;
    m_channels = channels;
    if (!m_ctx->ensureConnected(timeoutMs)) {
        m_error = m_ctx->errorString();
        return false;
    }

    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = uint32_t(rate);
    spec.channels = uint8_t(channels);
    const uint32_t frameBytes = uint32_t(channels) * sizeof(float);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(rate) * frameBytes * 4;   // 4 s before the server drops data
    attr.fragsize = uint32_t(fragmentFrames) * frameBytes;
    attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);

    PulseContext::Lock lock(m_ctx);
    m_stream = pa_stream_new(m_ctx->context(), "Recording", &spec, nullptr);
    if (!m_stream) {
        m_error = QObject::tr("Cannot create a record stream: %1").arg(m_ctx->lastServerError());
        return false;
    }
    pa_stream_set_state_callback(m_stream, &PulseCaptureStream::onState, this);
    pa_stream_set_read_callback(m_stream, &PulseCaptureStream::onRead, this);
    pa_stream_set_overflow_callback(m_stream, &PulseCaptureStream::onOverflow, this);
    // A named source is kept: system sound must never silently turn into another input.
    // No timing updates: the stream keeps its own clock from the arrivals.
    auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY
                                   | (source.isEmpty() ? 0 : PA_STREAM_DONT_MOVE));
    if (pa_stream_connect_record(m_stream, source.isEmpty() ? nullptr : source.constData(),
                                 &attr, flags) < 0) {
        m_error = QObject::tr("Cannot record from %1: %2")
                      .arg(QString::fromUtf8(source), m_ctx->lastServerError());
        releasePulseStream(m_stream);
        return false;
    }
    const bool ready = m_ctx->waitUntil(
        [this] {
            const pa_stream_state_t st = pa_stream_get_state(m_stream);
            return st != PA_STREAM_CREATING && st != PA_STREAM_UNCONNECTED;
        },
        timeoutMs);
    if (!ready || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        m_error = QObject::tr("Cannot record from %1: %2")
                      .arg(source.isEmpty() ? QObject::tr("the default input")
                                            : QString::fromUtf8(source),
                           ready ? m_ctx->lastServerError() : m_ctx->errorString());
        releasePulseStream(m_stream);
        return false;
    }
    m_running = true;
    return true;
}

void PulseCaptureStream::stop()
{
    if (!m_stream)
        return;
    {
        PulseContext::Lock lock(m_ctx);
        releasePulseStream(m_stream);
    }
    m_running = false;
    m_arrived.notify_all();
}

bool PulseCaptureStream::isRunning() const
{
    return m_running;
}

int PulseCaptureStream::take(std::vector<float> &out, int timeoutMs)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_pending.size() < m_wakeSamples && timeoutMs > 0) {
        m_arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_pending.size() >= m_wakeSamples || !m_running || m_interrupted; });
    }
    m_interrupted = false;
    const size_t count = m_pending.size();
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    return int(count / size_t(m_channels));
}

void PulseCaptureStream::interrupt()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_interrupted = true;
    }
    m_arrived.notify_all();
}

quint64 PulseCaptureStream::framesReceived() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_received;
}

quint64 PulseCaptureStream::framesDueBy(std::chrono::steady_clock::time_point moment) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_haveClock || moment <= m_startEstimate)
        return 0;
    const double seconds = std::chrono::duration<double>(moment - m_startEstimate).count();
    return quint64(seconds * m_rate);
}

void PulseCaptureStream::append(const float *data, size_t count)
{
    const auto now = std::chrono::steady_clock::now();
    bool wake;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const size_t limit = maxPendingSeconds * size_t(m_rate) * size_t(m_channels);
        if (m_pending.size() + count > limit) {
            // The reader stopped taking; refuse rather than grow without end.
            m_overflows++;
            return;
        }
        if (data)
            m_pending.insert(m_pending.end(), data, data + count);
        else
            m_pending.resize(m_pending.size() + count, 0.0f);
        m_received += count / size_t(m_channels);
        // The earliest moment consistent with every arrival is when the first
        // frame was made: the source's clock as this process sees it.
        const auto made = now - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    std::chrono::duration<double>(double(m_received) / m_rate));
        if (!m_haveClock || made < m_startEstimate) {
            m_startEstimate = made;
            m_haveClock = true;
        }
        wake = m_pending.size() >= m_wakeSamples;
    }
    if (wake)
        m_arrived.notify_all();
}

void PulseCaptureStream::onRead(pa_stream *s, size_t, void *self)
{
    auto *stream = static_cast<PulseCaptureStream *>(self);
    const size_t frameBytes = size_t(stream->m_channels) * sizeof(float);
    while (pa_stream_readable_size(s) > 0) {
        const void *data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0)
            break;
        // A gap the server reports comes as no data: keep the clock with silence.
        stream->append(static_cast<const float *>(data), (bytes / frameBytes) * stream->m_channels);
        pa_stream_drop(s);
    }
}

void PulseCaptureStream::onOverflow(pa_stream *, void *self)
{
    static_cast<PulseCaptureStream *>(self)->m_overflows++;
}

void PulseCaptureStream::onState(pa_stream *s, void *self)
{
    auto *stream = static_cast<PulseCaptureStream *>(self);
    const pa_stream_state_t st = pa_stream_get_state(s);
    if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) {
        // A lost connection fails the context before its streams.
        pa_context *c = pa_stream_get_context(s);
        if (st == PA_STREAM_FAILED && pa_context_get_state(c) != PA_CONTEXT_READY)
            stream->m_serverGone = true;
        if (stream->m_running.exchange(false))
            qCWarning(lcAudio) << "record stream ended:" << pa_strerror(pa_context_errno(c));
        stream->m_arrived.notify_all();
    }
    stream->m_ctx->wake();
}
