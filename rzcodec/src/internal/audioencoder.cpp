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

    m_fifo = av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, m_frameSize * 4);
    m_frame = makeFrame();
    m_packet = makePacket();
    if (!m_fifo || !m_frame || !m_packet)
        return fail("audio encoder: out of memory");
    m_sink = std::move(sink);
    m_nextPts = 0;
    return true;
}

AVRational AudioEncoder::timeBase() const
{
    return m_codec ? m_codec->time_base : AVRational{1, 1};
}

bool AudioEncoder::write(const float *samples, int frames)
{
    if (!m_codec)
        return false;
    if (frames <= 0)
        return true;
    const AVCodecContext *c = m_codec.get();
    const int outMax = swr_get_out_samples(m_swr.get(), frames);
    if (outMax > m_convCapacity) {
        if (m_convBuffer)
            av_freep(&m_convBuffer[0]);
        av_freep(&m_convBuffer);
        int ret = av_samples_alloc_array_and_samples(&m_convBuffer, nullptr,
                                                     c->ch_layout.nb_channels, outMax,
                                                     c->sample_fmt, 0);
        if (ret < 0) {
            m_convCapacity = 0;
            return fail("audio encoder: out of memory", ret);
        }
        m_convCapacity = outMax;
    }
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(samples)};
    const int got = swr_convert(m_swr.get(), m_convBuffer, m_convCapacity, in, frames);
    if (got < 0)
        return fail("audio encoder: converting samples", got);
    if (got > 0 && av_audio_fifo_write(m_fifo, reinterpret_cast<void **>(m_convBuffer), got) < got)
        return fail("audio encoder: out of memory");
    return encodeFifo(false);
}

bool AudioEncoder::encodeFifo(bool final)
{
    const AVCodecContext *c = m_codec.get();
    const bool smallLast = c->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME
                           || c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE
                           || c->frame_size <= 0;
    while (av_audio_fifo_size(m_fifo) >= m_frameSize
           || (final && av_audio_fifo_size(m_fifo) > 0)) {
        const int available = av_audio_fifo_size(m_fifo);
        const int take = std::min(available, m_frameSize);
        // Codecs with a fixed frame size get their last frame padded with silence.
        const int size = (take < m_frameSize && !smallLast) ? m_frameSize : take;
        av_frame_unref(m_frame.get());
        m_frame->nb_samples = size;
        m_frame->format = c->sample_fmt;
        m_frame->sample_rate = c->sample_rate;
        if (av_channel_layout_copy(&m_frame->ch_layout, &c->ch_layout) < 0
            || av_frame_get_buffer(m_frame.get(), 0) < 0)
            return fail("audio encoder: out of memory");
        if (size > take)
            av_samples_set_silence(m_frame->extended_data, take, size - take,
                                   c->ch_layout.nb_channels, c->sample_fmt);
        if (av_audio_fifo_read(m_fifo, reinterpret_cast<void **>(m_frame->extended_data), take) < take)
            return fail("audio encoder: reading buffered samples");
        m_frame->pts = m_nextPts;
        m_nextPts += take;
        if (!sendFrame(m_frame.get()))
            return false;
    }
    return true;
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
    // What the resampler still holds (its filter delay) goes in first.
    if (swr_get_delay(m_swr.get(), m_codec->sample_rate) > 0 && m_convCapacity > 0) {
        int got;
        while ((got = swr_convert(m_swr.get(), m_convBuffer, m_convCapacity, nullptr, 0)) > 0)
            if (av_audio_fifo_write(m_fifo, reinterpret_cast<void **>(m_convBuffer), got) < got)
                return fail("audio encoder: out of memory");
    }
    if (!encodeFifo(true))
        return false;
    return sendFrame(nullptr);
}

void AudioEncoder::close()
{
    if (m_convBuffer)
        av_freep(&m_convBuffer[0]);
    av_freep(&m_convBuffer);
    m_convCapacity = 0;
    if (m_fifo) {
        av_audio_fifo_free(m_fifo);
        m_fifo = nullptr;
    }
    m_swr.reset();
    m_codec.reset();
    m_frame.reset();
    m_packet.reset();
    m_sink = nullptr;
    m_frameSize = 0;
}

} // namespace rz
