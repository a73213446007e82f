#include "internal/rangetranscoder.h"

#include "internal/audiosamples.h"
#include "internal/error.h"

#include <algorithm>

namespace rz {

RangeTranscoder::RangeTranscoder(AudioEncoder &encoder, int rate, int channels)
    : m_encoder(encoder), m_rate(rate), m_channels(channels)
{
}

bool RangeTranscoder::run(InputMedia &input, int stream, const AudioFilterSettings &settings,
                          uint64_t startUs, uint64_t durationUs, const std::atomic<bool> &stop,
                          const std::function<void(uint64_t)> &progress, std::string *error)
{
    m_settings = settings;
    m_startUs = startUs;
    m_graph.reset();
    MediaDecoder decoder(input);
    if (!decoder.addStream(stream)) {
        *error = "cannot decode the sound of " + input.path();
        return false;
    }
    if (startUs > 0 && !decoder.seek(startUs)) {
        *error = "cannot seek in " + input.path();
        return false;
    }
    const AVStream *st = input.format()->streams[stream];
    const int64_t endUs = durationUs > 0 ? int64_t(startUs + durationUs) : INT64_MAX;
    FramePtr decoded = makeFrame();
    int64_t fedUs = int64_t(startUs);
    while (!stop) {
        int index = -1;
        AVFrame *frame = decoded.get();
        const int got = decoder.next(frame, &index);
        if (got < 0) {
            *error = "decoding " + input.path();
            return false;
        }
        if (got == 0)
            break;
        const int rate = frame->sample_rate;
        if (index != stream || frame->nb_samples <= 0 || rate <= 0) {
            av_frame_unref(frame);
            continue;
        }
        const int64_t pts = frame->best_effort_timestamp;
        int64_t timeUs = pts != AV_NOPTS_VALUE ? toMicroseconds(pts, st->time_base) - input.startTimeUs()
                                               : fedUs;
        const int64_t lengthUs = frameMicroseconds(frame->nb_samples, rate);
        if (timeUs >= endUs) {
            av_frame_unref(frame);
            break;
        }
        if (timeUs + lengthUs <= int64_t(startUs)) {
            av_frame_unref(frame);
            continue;
        }
        if (timeUs < int64_t(startUs)) {
            const int cut = int(av_rescale(int64_t(startUs) - timeUs, rate, 1000000));
            if (!dropLeadingSamples(frame, std::min(cut, frame->nb_samples))) {
                av_frame_unref(frame);
                *error = "out of memory";
                return false;
            }
            timeUs = int64_t(startUs);
        }
        if (endUs != INT64_MAX && timeUs + frameMicroseconds(frame->nb_samples, rate) > endUs)
            frame->nb_samples = int(std::max<int64_t>(0, av_rescale(endUs - timeUs, rate, 1000000)));
        fedUs = timeUs + frameMicroseconds(frame->nb_samples, rate);
        const bool ok = frame->nb_samples <= 0 || filterAndEncode(frame, timeUs, error);
        av_frame_unref(frame);
        if (!ok)
            return false;
        if (progress)
            progress(uint64_t(fedUs - int64_t(startUs)));
    }
    if (stop)
        return false;
    if (m_graph.isConfigured()) {
        m_graph.push(nullptr);
        if (!drain(error))
            return false;
        m_graph.reset();
    }
    return true;
}

bool RangeTranscoder::filterAndEncode(AVFrame *frame, int64_t timeUs, std::string *error)
{
    const AudioFormat &in = m_graph.inputFormat();
    const bool changed = m_graph.isConfigured()
                         && (frame->sample_rate != in.sampleRate || frame->format != in.sampleFormat
                             || frame->ch_layout.nb_channels != in.layout.nb_channels);
    if (!m_graph.isConfigured() || changed) {
        if (changed) {
            m_graph.push(nullptr);
            if (!drain(error))
                return false;
        }
        AVChannelLayout inLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&inLayout, &frame->ch_layout);
        AVChannelLayout outLayout{};
        av_channel_layout_default(&outLayout, m_channels);
        const AudioFormat from(frame->sample_rate, inLayout, AVSampleFormat(frame->format));
        const AudioFormat to(m_rate, outLayout, AV_SAMPLE_FMT_FLT);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        if (!m_graph.configure(from, to, m_settings, error))
            return false;
    }
    frame->pts = av_rescale(timeUs - int64_t(m_startUs), frame->sample_rate, 1000000);
    const int pushed = m_graph.push(frame);
    if (pushed < 0) {
        *error = "filtering: " + avErrorText(pushed);
        return false;
    }
    return drain(error);
}

bool RangeTranscoder::drain(std::string *error)
{
    int ret;
    AVFrame *out = m_filtered.get();
    while ((ret = m_graph.pull(out)) >= 0) {
        const bool written = m_encoder.write(reinterpret_cast<const float *>(out->data[0]),
                                             out->nb_samples);
        av_frame_unref(out);
        if (!written) {
            *error = m_encoder.errorText();
            return false;
        }
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        *error = "filtering: " + avErrorText(ret);
        return false;
    }
    return true;
}

} // namespace rz
