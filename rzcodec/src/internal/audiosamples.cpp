#include "internal/audiosamples.h"

namespace rz {

int64_t frameMicroseconds(int64_t frames, int rate)
{
    return rate > 0 ? frames * 1000000 / rate : 0;
}

void dropLeadingSamples(AVFrame *frame, int count)
{
    const auto format = AVSampleFormat(frame->format);
    const size_t bytes = size_t(av_get_bytes_per_sample(format));
    const int channels = frame->ch_layout.nb_channels;
    if (av_sample_fmt_is_planar(format)) {
        for (int c = 0; c < channels; ++c)
            frame->extended_data[c] += size_t(count) * bytes;
    } else {
        frame->extended_data[0] += size_t(count) * bytes * size_t(channels);
    }
    if (frame->extended_data != frame->data) {
        for (int i = 0; i < AV_NUM_DATA_POINTERS && i < channels; ++i)
            frame->data[i] = frame->extended_data[i];
    }
    frame->nb_samples -= count;
}

} // namespace rz
