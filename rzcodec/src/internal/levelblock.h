#pragma once
// Level blocks for the level and waveform displays: a 44-byte RIFF/WAVE
// header (mono, 16-bit) followed by unsigned 16-bit samples, where 32768 is
// silence. The display reads the data length at byte 40; producers report
// the value at byte 24 (the sample rate) halved.

#include <cstdint>
#include <mutex>
#include <vector>

namespace rz {

// A malloc'ed block of the given samples; free with std::free.
unsigned char *makeLevelBlock(const uint16_t *samples, size_t count, uint32_t sampleRate);

// Mono level sample of one interleaved frame.
inline uint16_t levelSample(const float *frame, int channels)
{
    float sum = 0.0f;
    for (int c = 0; c < channels; ++c)
        sum += frame[c];
    float v = sum / float(channels);
    v = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
    return uint16_t(int(v * 32767.0f) + 32768);
}

// The latest samples of a sound, kept for the display (thread-safe).
class LevelHistory
{
public:
    LevelHistory(uint32_t sampleRate, size_t length);
    void add(const float *interleaved, int frames, int channels);
    void clear();
    // Null while nothing was added since the last clear.
    unsigned char *block() const;

private:
    mutable std::mutex m_mutex;
    uint32_t m_rate;
    std::vector<uint16_t> m_ring;
    size_t m_next = 0;
    size_t m_filled = 0;
};

} // namespace rz
