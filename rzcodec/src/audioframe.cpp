// Audio frames and stream objects: the road by which capture hands its
// blocks to the recorder, the second input and the recogniser.

#include "rzcodec/recorder.h"

#include "internal/audiohandles.h"
#include "internal/error.h"
#include "internal/waveblock.h"


namespace rz {

AVSampleFormat avSampleFormatOf(uint32_t code)
{
    switch (code) {
    case RZ_SAMPLE_U8: return AV_SAMPLE_FMT_U8;
    case RZ_SAMPLE_S16: return AV_SAMPLE_FMT_S16;
    case RZ_SAMPLE_S32: return AV_SAMPLE_FMT_S32;
    case RZ_SAMPLE_FLOAT: return AV_SAMPLE_FMT_FLT;
    case RZ_SAMPLE_DOUBLE: return AV_SAMPLE_FMT_DBL;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

uint32_t bitDepthOf(uint32_t code)
{
    switch (code) {
    case RZ_SAMPLE_U8: return 8;
    case RZ_SAMPLE_S16: return 16;
    case RZ_SAMPLE_S32:
    case RZ_SAMPLE_FLOAT: return 32;
    case RZ_SAMPLE_DOUBLE: return 64;
    default: return 0;
    }
}

bool FrameConverter::convert(const AudioFrameHandle &frame, std::vector<float> &out)
{
    if (!frame.data || !frame.frames)
        return true;
    const AVSampleFormat fmt = avSampleFormatOf(frame.format);
    if (fmt == AV_SAMPLE_FMT_NONE || !frame.sampleRate || !frame.channels || frame.channels > 16) {
        logError("audio frame: unsupported sample format");
        return false;
    }
    if (frame.format == RZ_SAMPLE_FLOAT && frame.sampleRate == kMixRate && frame.channels == kMixChannels) {
        const auto *s = reinterpret_cast<const float *>(frame.data);
        out.insert(out.end(), s, s + size_t(frame.frames) * kMixChannels);
        return true;
    }
    if (!m_swr || m_format != frame.format || m_rate != frame.sampleRate || m_channels != frame.channels) {
        AVChannelLayout in, outLayout;
        av_channel_layout_default(&in, int(frame.channels));
        av_channel_layout_default(&outLayout, kMixChannels);
        SwrContext *swr = nullptr;
        int ret = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, kMixRate, &in, fmt,
                                      int(frame.sampleRate), 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&outLayout);
        m_swr.reset(swr);
        if (ret < 0 || (ret = swr_init(swr)) < 0) {
            m_swr.reset();
            logAvError("audio frame: sample converter", ret);
            return false;
        }
        m_format = frame.format;
        m_rate = frame.sampleRate;
        m_channels = frame.channels;
    }
    const int maxOut = swr_get_out_samples(m_swr.get(), int(frame.frames));
    if (maxOut <= 0)
        return true;
    const size_t base = out.size();
    out.resize(base + size_t(maxOut) * kMixChannels);
    uint8_t *dst[] = {reinterpret_cast<uint8_t *>(out.data() + base)};
    const uint8_t *src[] = {frame.data};
    const int got = swr_convert(m_swr.get(), dst, maxOut, src, int(frame.frames));
    if (got < 0) {
        out.resize(base);
        logAvError("audio frame: converting samples", got);
        return false;
    }
    out.resize(base + size_t(got) * kMixChannels);
    return true;
}

bool StreamHandle::push(const AudioFrameHandle &frame)
{
    queue->pushedBytes += frame.byteSize();
    if (!queue->isConsumed())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_converted.clear();
    if (!m_converter.convert(frame, m_converted))
        return false;
    queue->push(m_converted.data(), int(m_converted.size() / kMixChannels), frame.timestampUs);
    return true;
}

} // namespace rz

using rz::AudioFrameHandle;
using rz::StreamHandle;
using rz::handleCast;

extern "C" {

void *rz_audioframe_create(void)
{
    return rz::toHandle(new AudioFrameHandle);
}

RZResult rz_audioframe_set_format(void *frame, uint32_t sampleFormat, uint32_t sampleRate,
                                  uint32_t channels, uint32_t channelLayout)
{
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_audioframe_set_format");
    if (!f)
        return RZ_FAILED;
    if (rz::avSampleFormatOf(sampleFormat) == AV_SAMPLE_FMT_NONE || !sampleRate || !channels) {
        rz::logError("rz_audioframe_set_format: unsupported format");
        return RZ_FAILED;
    }
    f->format = sampleFormat;
    f->sampleRate = sampleRate;
    f->channels = channels;
    f->layout = channelLayout;
    return RZ_OK;
}

RZResult rz_audioframe_set_data(void *frame, const void *data, uint32_t frameCount)
{
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_audioframe_set_data");
    if (!f)
        return RZ_FAILED;
    f->data = static_cast<const uint8_t *>(data);
    f->frames = data ? frameCount : 0;
    return RZ_OK;
}

RZResult rz_audioframe_set_timestamp(void *frame, uint64_t timestampUs)
{
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_audioframe_set_timestamp");
    if (!f)
        return RZ_FAILED;
    f->timestampUs = timestampUs;
    return RZ_OK;
}

unsigned char *rz_audioframe_get_level_block(void *frame, uint32_t kind)
{
    (void)kind;
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_audioframe_get_level_block");
    if (!f || !f->data || !f->frames)
        return nullptr;
    rz::FrameConverter converter;
    std::vector<float> samples;
    if (!converter.convert(*f, samples))
        return nullptr;
    return rz::makeWaveBlock(samples.data(), samples.size() / rz::kMixChannels, rz::kMixChannels,
                             rz::kMixRate);
}

void rz_level_block_free(unsigned char *block)
{
    rz::freeWaveBlock(block);
}

void rz_audioframe_release(void *frame)
{
    delete handleCast<AudioFrameHandle>(frame, "rz_audioframe_release");
}

void *rz_stream_create(int32_t mediaKind)
{
    if (mediaKind != RZ_MEDIA_AUDIO) {
        rz::logError("rz_stream_create: only audio streams (kind 2) are supported");
        return nullptr;
    }
    return rz::toHandle(new StreamHandle(mediaKind));
}

#define RZ_STREAM_SETTER(name, field)                                  \
    RZResult name(void *stream, uint32_t value)                        \
    {                                                                  \
        auto *s = handleCast<StreamHandle>(stream, #name);             \
        if (!s)                                                        \
            return RZ_FAILED;                                          \
        s->field = value;                                              \
        return RZ_OK;                                                  \
    }

RZ_STREAM_SETTER(rz_stream_set_tag, tag)
RZ_STREAM_SETTER(rz_stream_set_sample_rate, sampleRate)
RZ_STREAM_SETTER(rz_stream_set_channels, channels)
RZ_STREAM_SETTER(rz_stream_set_sample_format, sampleFormat)
RZ_STREAM_SETTER(rz_stream_set_bit_depth, bitDepth)
RZ_STREAM_SETTER(rz_stream_set_channel_layout, layout)

RZResult rz_stream_set_read_callback(void *stream, RZStreamReadCallback callback, void *context)
{
    auto *s = handleCast<StreamHandle>(stream, "rz_stream_set_read_callback");
    if (!s)
        return RZ_FAILED;
    s->readCallback = callback;
    s->readContext = context;
    return RZ_OK;
}

RZResult rz_stream_set_seek_callback(void *stream, RZStreamSeekCallback callback)
{
    auto *s = handleCast<StreamHandle>(stream, "rz_stream_set_seek_callback");
    if (!s)
        return RZ_FAILED;
    s->seekCallback = callback;
    return RZ_OK;
}

RZResult rz_stream_set_length_callback(void *stream, RZStreamLengthCallback callback)
{
    auto *s = handleCast<StreamHandle>(stream, "rz_stream_set_length_callback");
    if (!s)
        return RZ_FAILED;
    s->lengthCallback = callback;
    return RZ_OK;
}

RZResult rz_stream_push_frame(void *stream, void *frame)
{
    auto *s = handleCast<StreamHandle>(stream, "rz_stream_push_frame");
    auto *f = handleCast<AudioFrameHandle>(frame, "rz_stream_push_frame");
    if (!s || !f)
        return RZ_FAILED;
    return s->push(*f) ? RZ_OK : RZ_FAILED;
}

uint64_t rz_stream_pushed_bytes(void *stream)
{
    auto *s = handleCast<StreamHandle>(stream, "rz_stream_pushed_bytes");
    return s ? s->queue->pushedBytes.load() : 0;
}

void rz_stream_release(void *stream)
{
    delete handleCast<StreamHandle>(stream, "rz_stream_release");
}

} // extern "C"
