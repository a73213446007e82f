#include "internal/audiosamples.h"

#include <cstring>

namespace rz {

int64_t frameMicroseconds(int64_t frames, int rate)
{
    return rate > 0 ? frames * 1000000 / rate : 0;
}

bool dropLeadingSamples(AVFrame *frame, int count)
{
    if (count <= 0)
        return true;
    if (count >= frame->nb_samples) {
        frame->nb_samples = 0;
        return true;
    }
    // The samples are moved rather than the plane pointers: filters work on
    // aligned planes (SIMD), and a pointer moved by an odd sample count is not.
    if (av_frame_make_writable(frame) < 0)
        return false;
    const auto format = AVSampleFormat(frame->format);
    const size_t bytes = size_t(av_get_bytes_per_sample(format));
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    const int planes = planar ? channels : 1;
    const size_t perSample = planar ? bytes : bytes * size_t(channels);
    const size_t kept = size_t(frame->nb_samples - count) * perSample;
    for (int p = 0; p < planes; ++p)
        std::memmove(frame->extended_data[p], frame->extended_data[p] + size_t(count) * perSample,
                     kept);
    frame->nb_samples -= count;
    return true;
}

} // namespace rz
