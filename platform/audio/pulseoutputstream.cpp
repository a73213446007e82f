#include "platform/audio/pulseoutputstream.h"

#include "platform/audio/audiolog.h"
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulsestreamrelease.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

namespace {

using LoopLock = PulseContext::Lock;

} // namespace

PulseOutputStream::PulseOutputStream(PulseContext *context)
    : m_context(context ? context : PulseContext::shared())
{
}

PulseOutputStream::~PulseOutputStream()
{
    close();
}

bool PulseOutputStream::open(const std::string &device, int sampleRate, int channels,
                               bool paused, std::string *error)
{
    close();
    auto fail = [&](const std::string &what) {
        if (error)
            *error = what;
        close();
        return false;
    };
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_openCancelled)
            return fail("the opening was called off");
    }
    if (!m_context->ensureConnected())
        return fail("no connection to the sound server: " + m_context->errorString().toStdString());
    if (sampleRate <= 0 || channels <= 0 || channels > int(PA_CHANNELS_MAX))
        return fail("invalid sample format");

    pa_sample_spec spec;
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = uint32_t(sampleRate);
    spec.channels = uint8_t(channels);
    pa_channel_map map;
    pa_channel_map_init_auto(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);

    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_ready = m_failed = m_drained = m_drainAsked = m_drainStale = m_woken = false;
        m_failure.clear();
        m_requested = 0;
        m_flushedAt = -1;
        m_flushFailed = false;
    }
    m_underflows = 0;
    m_underflowsLogged = 0;
    m_rate = sampleRate;
    m_channels = channels;
    m_written = 0;

    {
        LoopLock lock(m_context);
        if (pa_context_get_state(m_context->context()) != PA_CONTEXT_READY)
            return fail("the sound server connection is not ready");
        m_stream = pa_stream_new(m_context->context(), "Playback", &spec, &map);
        if (!m_stream)
            return fail(pa_strerror(pa_context_errno(m_context->context())));
        pa_stream_set_state_callback(m_stream, &PulseOutputStream::onState, this);
        pa_stream_set_write_callback(m_stream, &PulseOutputStream::onWrite, this);
        pa_stream_set_underflow_callback(m_stream, &PulseOutputStream::onUnderflow, this);
        pa_stream_set_latency_update_callback(m_stream, &PulseOutputStream::onTimingUpdate, this);

        const uint32_t frameBytes = uint32_t(sizeof(float)) * uint32_t(channels);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(sampleRate) * uint32_t(kTargetLatencyMs) / 1000 * frameBytes;
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING
                                             | PA_STREAM_AUTO_TIMING_UPDATE
                                             | PA_STREAM_ADJUST_LATENCY
                                             | (paused ? PA_STREAM_START_CORKED : 0));
        m_runBase = 0;
        m_runStart = std::chrono::steady_clock::now();
        m_running = !paused;
        if (pa_stream_connect_playback(m_stream, device.empty() ? nullptr : device.c_str(), &attr,
                                       flags, nullptr, nullptr)
            < 0)
            return fail(pa_strerror(pa_context_errno(m_context->context())));
    }

    std::unique_lock<std::mutex> guard(m_mutex);
    const bool settled = m_cond.wait_for(guard, std::chrono::milliseconds(kOpenWaitMs),
                                         [this] { return m_ready || m_failed || m_openCancelled; });
    if (!settled || m_failed || m_openCancelled) {
        const bool cancelled = m_openCancelled;
        guard.unlock();
        return fail(cancelled ? "the opening was called off"
                              : settled ? "the playback stream failed" : "the sound server did not answer");
    }
    return true;
}

void PulseOutputStream::cancelOpen()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_openCancelled = true;
    m_cond.notify_all();
}

void PulseOutputStream::close()
{
    if (!m_stream)
        return;
    {
        LoopLock lock(m_context);
        // A drain or flush still waiting for its answer would call back into
        // this object after it is gone: the disconnect does not cancel it in time.
        cancelPulseOperation(m_drainOp);
        cancelPulseOperation(m_flushOp);
        m_flushAcked = false;
        releasePulseStream(m_stream);
    }
    // A flush waited for on the player's thread has no answer to come.
    wake();
}

size_t PulseOutputStream::writableFrames()
{
    if (!m_stream)
        return 0;
    LoopLock lock(m_context);
    const size_t bytes = pa_stream_writable_size(m_stream);
    if (bytes == size_t(-1))
        return 0;
    return bytes / (sizeof(float) * size_t(m_channels));
}

size_t PulseOutputStream::write(const float *interleaved, size_t frames)
{
    if (!m_stream || frames == 0)
        return 0;
    logUnderflows();
    LoopLock lock(m_context);
    size_t bytes = pa_stream_writable_size(m_stream);
    if (bytes == size_t(-1))
        return 0;
    const size_t frameBytes = sizeof(float) * size_t(m_channels);
    const size_t take = std::min(frames, bytes / frameBytes);
    if (take == 0)
        return 0;
    if (pa_stream_write(m_stream, interleaved, take * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return 0;
    m_written += int64_t(take);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_requested = m_requested > take * frameBytes ? m_requested - take * frameBytes : 0;
    return take;
}

void PulseOutputStream::waitWritable(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    m_cond.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                    [this] { return m_requested > 0 || m_failed || m_woken || m_drained; });
    m_woken = false;
}

void PulseOutputStream::wake()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_woken = true;
    m_cond.notify_all();
}

bool PulseOutputStream::flush(int timeoutMs, int64_t *nextFrame)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_flushedAt = -1;
        m_flushFailed = false;
        m_woken = false;
    }
    {
        LoopLock lock(m_context);
        if (!m_stream)
            return false;
        cancelPulseOperation(m_flushOp);
        m_flushAcked = false;
        m_flushOp = pa_stream_flush(m_stream, &PulseOutputStream::onFlushed, this);
        if (!m_flushOp)
            return false;
        // A drain asked for ends with what is dropped now: the writer asks
        // again once it has written the end anew. A cancel does not reach the
        // server, which answers the old drain once the flush leaves it nothing
        // to play; PipeWire's pulse server may send that answer under the tag
        // of the next drain, ending the play before the end written anew is
        // heard. So the old answer is waited for here, and not taken for the end.
        const bool drainOutstanding =
            m_drainOp && pa_operation_get_state(m_drainOp) == PA_OPERATION_RUNNING;
        if (!drainOutstanding)
            cancelPulseOperation(m_drainOp);
        std::lock_guard<std::mutex> guard(m_mutex);
        m_drainAsked = m_drained = false;
        m_drainStale = drainOutstanding;
    }
    {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_cond.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] {
            return (m_flushedAt >= 0 && !m_drainStale) || m_flushFailed || m_failed || m_woken;
        });
        m_woken = false;
    }
    LoopLock lock(m_context);
    // Answered or given up: no callback of this flush or of the old drain
    // comes any more.
    cancelPulseOperation(m_flushOp);
    cancelPulseOperation(m_drainOp);
    m_flushAcked = false;
    std::lock_guard<std::mutex> guard(m_mutex);
    const bool drainUnanswered = m_drainStale;
    m_drainStale = false;
    if (!m_stream || m_flushedAt < 0 || m_failed || drainUnanswered)
        return false;
    // The server writes on from there: so are the frames counted.
    m_written = m_flushedAt;
    m_requested = 0;
    *nextFrame = m_flushedAt;
    return true;
}

void PulseOutputStream::logUnderflows()
{
    const int count = m_underflows.load();
    if (count == m_underflowsLogged)
        return;
    qCWarning(lcAudio)
        << "playback underflow: the sound server ran out of sound to play; underflows of this stream:"
        << count;
    m_underflowsLogged = count;
}

void PulseOutputStream::setPaused(bool paused)
{
    if (!m_stream)
        return;
    LoopLock lock(m_context);
    if (paused == !m_running)
        return;
    if (paused)
        m_runBase = playedFramesLocked();
    else
        m_runStart = std::chrono::steady_clock::now();
    m_running = !paused;
    if (pa_operation *op = pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
}

void PulseOutputStream::beginDrain()
{
    if (!m_stream)
        return;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_drainAsked)
            return;
        m_drainAsked = true;
    }
    LoopLock lock(m_context);
    m_drainOp = pa_stream_drain(m_stream, &PulseOutputStream::onDrained, this);
    if (!m_drainOp) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_failed = true;
    }
}

bool PulseOutputStream::isDrained()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_drained;
}

void PulseOutputStream::waitDrained(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    m_cond.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                    [this] { return m_drained || m_failed || m_woken; });
    m_woken = false;
}

int64_t PulseOutputStream::playedFrames()
{
    // Asked from other threads than the one that opens and closes the
    // stream: the stream is looked at under the loop lock, as close() sets it.
    LoopLock lock(m_context);
    if (!m_stream)
        return 0;
    return playedFramesLocked();
}

int64_t PulseOutputStream::playedFramesLocked()
{
    pa_usec_t usec = 0;
    if (pa_stream_get_time(m_stream, &usec) < 0)
        return m_runBase;
    const int64_t reported = std::min(int64_t(usec * uint64_t(m_rate) / 1000000ULL), m_written);
    if (!m_running)
        return std::min(reported, m_runBase);
    // A hundredth more than the wall clock leaves room for a sound card
    // whose clock runs fast.
    const auto ranUs = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - m_runStart).count();
    const int64_t ran = int64_t(double(ranUs) * 1.01 * m_rate / 1e6);
    return std::min(reported, m_runBase + ran);
}

bool PulseOutputStream::hasFailed()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_failed;
}

std::string PulseOutputStream::failureText()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_failed && m_failure.empty() ? std::string("the stream ended") : m_failure;
}

void PulseOutputStream::onState(pa_stream *stream, void *self)
{
    auto *me = static_cast<PulseOutputStream *>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    std::lock_guard<std::mutex> guard(me->m_mutex);
    if (state == PA_STREAM_READY) {
        me->m_ready = true;
    } else if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        me->m_failed = true;
        // A lost connection fails the context before its streams.
        pa_context *c = pa_stream_get_context(stream);
        me->m_failure = pa_context_get_state(c) != PA_CONTEXT_READY
                            ? "the connection to the sound server was lost"
                            : pa_strerror(pa_context_errno(c));
    }
    me->m_cond.notify_all();
}

void PulseOutputStream::onWrite(pa_stream *, size_t bytes, void *self)
{
    auto *me = static_cast<PulseOutputStream *>(self);
    std::lock_guard<std::mutex> guard(me->m_mutex);
    me->m_requested = bytes;
    me->m_cond.notify_all();
}

void PulseOutputStream::onFlushed(pa_stream *stream, int success, void *self)
{
    auto *me = static_cast<PulseOutputStream *>(self);
    if (!success) {
        std::lock_guard<std::mutex> guard(me->m_mutex);
        me->m_flushFailed = true;
        me->m_cond.notify_all();
        return;
    }
    me->m_flushAcked = true;
    me->takeFlushedIndex(stream);
}

void PulseOutputStream::onTimingUpdate(pa_stream *stream, void *self)
{
    auto *me = static_cast<PulseOutputStream *>(self);
    if (me->m_flushAcked)
        me->takeFlushedIndex(stream);
}

void PulseOutputStream::takeFlushedIndex(pa_stream *stream)
{
    // The flush moved the server's write index back to its read index; the
    // client learns where from the first timing report asked for after the
    // flush (libpulse marks the index unknown until then).
    const pa_timing_info *timing = pa_stream_get_timing_info(stream);
    if (!timing || timing->write_index_corrupt) {
        if (pa_operation *op = pa_stream_update_timing_info(stream, nullptr, nullptr))
            pa_operation_unref(op);
        return;
    }
    m_flushAcked = false;
    const int64_t frameBytes = int64_t(sizeof(float)) * m_channels;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_flushedAt = std::max<int64_t>(0, timing->write_index / frameBytes);
    m_cond.notify_all();
}

void PulseOutputStream::onUnderflow(pa_stream *, void *self)
{
    // Only counted here, on the loop thread: the log line is written by the
    // player's next write, so the loop never waits for the log file.
    auto *me = static_cast<PulseOutputStream *>(self);
    std::lock_guard<std::mutex> guard(me->m_mutex);
    // A drained stream runs out of sound by design.
    if (!me->m_drainAsked)
        ++me->m_underflows;
}

void PulseOutputStream::onDrained(pa_stream *, int, void *self)
{
    auto *me = static_cast<PulseOutputStream *>(self);
    std::lock_guard<std::mutex> guard(me->m_mutex);
    // The answer to a drain a flush called off says nothing of the sound
    // written since.
    if (me->m_drainStale)
        me->m_drainStale = false;
    else
        me->m_drained = true;
    me->m_cond.notify_all();
}
