#include "internal/audioencoder.h"

#include "internal/error.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace rz {

namespace {

// Frame size for codecs that take any size (PCM, variable-size encoders).
constexpr int kFreeFrameSize = 1024;

bool supportsFormat(const AVCodec *codec, AVSampleFormat fmt)
{
    if (!codec->sample_fmts)
        return true;
    for (const AVSampleFormat *f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == fmt)
            return true;
    return false;
}

} // namespace

AVSampleFormat preferredSampleFormat(const AVCodec *codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    // Lossless codecs keep 16-bit: the float capture holds no more than that,
    // and 32-bit would only double the file.
    const bool lossless = codec->id == AV_CODEC_ID_FLAC || codec->id == AV_CODEC_ID_ALAC;
    const AVSampleFormat order[] = {
        lossless ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP,
        lossless ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_FLT,
        AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P,
    };
    for (AVSampleFormat f : order)
        if (supportsFormat(codec, f))
            return f;
    return codec->sample_fmts[0];
}

int supportedSampleRate(const AVCodec *codec, int wanted)
{
    if (!codec->supported_samplerates)
        return wanted;
    int best = 0;
    int bestAbove = 0;
    for (const int *r = codec->supported_samplerates; *r; ++r) {
        if (*r == wanted)
            return wanted;
        if (*r > wanted && (!bestAbove || *r < bestAbove))
            bestAbove = *r;
        if (!best || std::abs(*r - wanted) < std::abs(best - wanted))
            best = *r;
    }
    return bestAbove ? bestAbove : best;
}

AudioEncoder::AudioEncoder() = default;

AudioEncoder::~AudioEncoder()
{
    close();
}

bool AudioEncoder::fail(const std::string &what, int averr)
{
    m_error = averr ? what + ": " + avErrorText(averr) : what;
    logError(m_error);
    close();
    return false;
}

bool AudioEncoder::open(const AudioEncoderSettings &settings, int inputRate, int inputChannels,
                        PacketSink sink)
{
    close();
    m_error.clear();
    if (inputRate <= 0 || inputChannels <= 0 || !sink)
        return fail("audio encoder: invalid input format");
    const AVCodec *codec = avcodec_find_encoder(settings.codec);
    if (!codec)
        return fail(std::string("audio encoder: no encoder for ") + avcodec_get_name(settings.codec));

    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec)
        return fail("audio encoder: out of memory");
    AVCodecContext *c = m_codec.get();
    c->sample_fmt = preferredSampleFormat(codec);
    c->sample_rate = supportedSampleRate(codec, settings.sampleRate > 0 ? settings.sampleRate : 44100);
    av_channel_layout_default(&c->ch_layout, settings.channels > 0 ? settings.channels : 2);
    c->time_base = AVRational{1, c->sample_rate};
    if (settings.bitRate > 0 && !(codec->capabilities & AV_CODEC_CAP_LOSSLESS)
        && codec->id != AV_CODEC_ID_FLAC && codec->id != AV_CODEC_ID_ALAC)
        c->bit_rate = settings.bitRate;
    // MPEG audio layer III tops out at 160 kbit/s below 32 kHz and 64 kbit/s below 16 kHz.
    if (codec->id == AV_CODEC_ID_MP3 && c->bit_rate > 0) {
        const int64_t cap = c->sample_rate < 16000 ? 64000 : c->sample_rate < 32000 ? 160000 : 320000;
        c->bit_rate = std::min<int64_t>(c->bit_rate, cap);
    }
    if (settings.globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(c, codec, nullptr);
    if (ret < 0)
        return fail(std::string("audio encoder: opening ") + codec->name, ret);

    m_frameSize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || c->frame_size <= 0
                      ? kFreeFrameSize
                      : c->frame_size;
    m_inputRate = inputRate;
    m_inputChannels = inputChannels;

    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, inputChannels);
    SwrContext *swr = nullptr;
    ret = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &inLayout,
                              AV_SAMPLE_FMT_FLT, inputRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    m_swr.reset(swr);
    if (ret < 0 || (ret = swr_init(swr)) < 0)
        return fail("audio encoder: sample converter", ret ? ret : AVERROR(EINVAL));

    m_frame = makeFrame();
    m_packet = makePacket();
    if (!m_frame || !m_packet)
        return fail("audio encoder: out of memory");
    m_smallLast = codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
                  || c->frame_size <= 0;
    m_filled = 0;
    m_sink = std::move(sink);
    m_nextPts = 0;
    return true;
}

AVRational AudioEncoder::timeBase() const
{
    return m_codec ? m_codec->time_base : AVRational{1, 1};
}

bool AudioEncoder::prepareFrame()
{
    AVFrame *frame = m_frame.get();
    if (frame->buf[0])
        // The codec has let go of the last frame once its packets are out:
        // the same buffers take the next one without a copy.
        return av_frame_make_writable(frame) >= 0;
    const AVCodecContext *c = m_codec.get();
    frame->nb_samples = m_frameSize;
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    return av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) >= 0
           && av_frame_get_buffer(frame, 0) >= 0;
}

bool AudioEncoder::write(const float *samples, int frames)
{
    if (!m_codec)
        return false;
    if (frames <= 0)
        return true;
    // Converted straight into the frame the codec gets next; what does not
    // fit stays in the converter until the next round of the loop.
    // Later rounds pass no new input but not a null one, which would end
    // the resampler's stream.
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(samples)};
    int inputFrames = frames;
    for (;;) {
        if (m_filled == 0 && !prepareFrame())
            return fail("audio encoder: out of memory");
        const int got = convertInto(in, inputFrames);
        if (got < 0)
            return fail("audio encoder: converting samples", got);
        inputFrames = 0;
        m_filled += got;
        if (m_filled < m_frameSize)
            return true;
        if (!sendFilled(false))
            return false;
    }
}

int AudioEncoder::convertInto(const uint8_t **input, int inputFrames)
{
    AVFrame *frame = m_frame.get();
    const int room = m_frameSize - m_filled;
    const int planes = av_sample_fmt_is_planar(AVSampleFormat(frame->format)) ? frame->ch_layout.nb_channels : 1;
    const int offset = m_filled * (planes == 1 ? frame->ch_layout.nb_channels : 1)
                       * av_get_bytes_per_sample(AVSampleFormat(frame->format));
    m_planes.resize(size_t(planes));
    for (int i = 0; i < planes; ++i)
        m_planes[size_t(i)] = frame->extended_data[i] + offset;
    return swr_convert(m_swr.get(), m_planes.data(), room, input, inputFrames);
}

bool AudioEncoder::sendFilled(bool final)
{
    AVFrame *frame = m_frame.get();
    const int take = m_filled;
    // Codecs with a fixed frame size get their last frame padded with silence.
    const int size = (final && take < m_frameSize && m_smallLast) ? take : m_frameSize;
    if (size > take)
        av_samples_set_silence(frame->extended_data, take, size - take, frame->ch_layout.nb_channels,
                               AVSampleFormat(frame->format));
    frame->nb_samples = size;
    frame->pts = m_nextPts;
    m_nextPts += take;
    m_filled = 0;
    const bool sent = sendFrame(frame);
    frame->nb_samples = m_frameSize;
    return sent;
}

bool AudioEncoder::sendFrame(AVFrame *frame)
{
    int ret = avcodec_send_frame(m_codec.get(), frame);
    if (ret < 0 && ret != AVERROR_EOF)
        return fail("audio encoder: encoding", ret);
    for (;;) {
        ret = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0)
            return fail("audio encoder: encoding", ret);
        const bool ok = m_sink(m_packet.get());
        av_packet_unref(m_packet.get());
        if (!ok) {
            m_error = "audio encoder: the packet could not be written";
            return false;
        }
    }
}

bool AudioEncoder::flush()
{
    if (!m_codec)
        return false;
    // What the resampler still holds (its filter delay) goes in first: a
    // null input ends its stream.
    while (swr_get_delay(m_swr.get(), m_codec->sample_rate) > 0) {
        if (m_filled == 0 && !prepareFrame())
            return fail("audio encoder: out of memory");
        const int got = convertInto(nullptr, 0);
        if (got < 0)
            return fail("audio encoder: converting samples", got);
        m_filled += got;
        if (m_filled < m_frameSize)
            break;
        if (!sendFilled(false))
            return false;
    }
    if (m_filled > 0 && !sendFilled(true))
        return false;
    return sendFrame(nullptr);
}

void AudioEncoder::close()
{
    m_swr.reset();
    m_codec.reset();
    m_frame.reset();
    m_packet.reset();
    m_sink = nullptr;
    m_frameSize = 0;
    m_filled = 0;
}

} // namespace rz
