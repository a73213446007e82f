#pragma once
// The objects behind audio-frame and stream handles: a description of one
// block of pushed samples, and a stream that collects such blocks for a
// consumer (a recorder's second input, a recogniser).

#include "internal/avpointers.h"
#include "internal/handle.h"
#include "internal/samplequeue.h"

#include "rzcodec/recorder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace rz {

// The layer's mixing format: what capture delivers and what is mixed.
constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;

// FFmpeg's format for a layer sample-format code; AV_SAMPLE_FMT_NONE if none.
AVSampleFormat avSampleFormatOf(uint32_t code);
// Bits per sample of a layer sample-format code, 0 for an unknown code.
uint32_t bitDepthOf(uint32_t code);

class AudioFrameHandle : public Handle
{
public:
    static constexpr Role kRole = Role::AudioFrame;
    AudioFrameHandle() : Handle(kRole) {}

    uint32_t format = RZ_SAMPLE_FLOAT;
    uint32_t sampleRate = kMixRate;
    uint32_t channels = kMixChannels;
    uint32_t layout = 0;
    const uint8_t *data = nullptr; // the caller's bytes, interleaved
    uint32_t frames = 0;
    uint64_t timestampUs = UINT64_MAX;

    size_t byteSize() const { return size_t(frames) * channels * (bitDepthOf(format) / 8); }
};

// Turns pushed blocks of any supported format into the mixing format.
class FrameConverter
{
public:
    // Appends the block, converted, to `out`; false (logged) when it cannot.
    bool convert(const AudioFrameHandle &frame, std::vector<float> &out);

private:
    SwrPtr m_swr;
    uint32_t m_format = 0, m_rate = 0, m_channels = 0;
    std::vector<float> m_buffer;
};

class StreamHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Stream;
    explicit StreamHandle(int32_t kind)
        : Handle(kRole), mediaKind(kind),
          queue(std::make_shared<SampleQueue>(kMixRate, kMixChannels))
    {
    }
    // A second handle over the same sound.
    StreamHandle(const StreamHandle &track)
        : Handle(kRole), mediaKind(track.mediaKind), tag(track.tag), sampleRate(track.sampleRate),
          channels(track.channels), sampleFormat(track.sampleFormat), bitDepth(track.bitDepth),
          layout(track.layout), queue(track.queue)
    {
    }

    // Takes one pushed block: counts it, and keeps its samples while a
    // consumer reads the stream.
    bool push(const AudioFrameHandle &frame);

    const int32_t mediaKind;
    uint32_t tag = 0;
    uint32_t sampleRate = kMixRate;
    uint32_t channels = kMixChannels;
    uint32_t sampleFormat = RZ_SAMPLE_FLOAT;
    uint32_t bitDepth = 32;
    uint32_t layout = 0;
    RZStreamReadCallback readCallback = nullptr;
    void *readContext = nullptr;
    RZStreamSeekCallback seekCallback = nullptr;
    RZStreamLengthCallback lengthCallback = nullptr;

    // Shared with the consumer, so that it outlives an early release.
    std::shared_ptr<SampleQueue> queue;

private:
    std::mutex m_mutex; // one pusher at a time through the converter
    FrameConverter m_converter;
    std::vector<float> m_converted;
};

} // namespace rz
