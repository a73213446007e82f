#pragma once
// The latest sound of a recording, kept for the level display and handed
// out as wave-data blocks (internal/waveblock.h).

#include <cstdint>
#include <mutex>
#include <vector>

namespace rz {

class LevelHistory
{
public:
    LevelHistory(uint32_t sampleRate, size_t length);
    // Keeps the mono mix of the newest frames (thread-safe).
    void add(const float *interleaved, int frames, int channels);
    void clear();
    // Frames added since construction: changes whenever newer sound is kept.
    uint64_t added() const;
    // A wave-data block of what was kept; null while nothing was added since
    // the last clear. Free with freeWaveBlock.
    uint8_t *block() const;
    // The same block written into the caller's room when capacity holds it;
    // its size either way, 0 while nothing was added since the last clear.
    size_t copyBlock(uint8_t *out, size_t capacity) const;

private:
    // The ring's frames, oldest first, into a block of waveBlockSize(m_filled).
    void writeLocked(uint8_t *out) const;

    mutable std::mutex m_mutex;
    uint32_t m_rate;
    std::vector<float> m_ring;
    size_t m_next = 0;
    size_t m_filled = 0;
    uint64_t m_added = 0;
};

} // namespace rz
