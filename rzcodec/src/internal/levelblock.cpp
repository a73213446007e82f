#include "internal/levelblock.h"

#include "internal/waveblock.h"

#include <algorithm>

namespace rz {

LevelHistory::LevelHistory(uint32_t sampleRate, size_t length) : m_rate(sampleRate), m_ring(length, 0.0f)
{
}

void LevelHistory::add(const float *interleaved, int frames, int channels)
{
    if (m_ring.empty() || frames <= 0 || channels <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Only the newest ring-full matters.
    const int start = std::max(0, frames - int(m_ring.size()));
    const float scale = 1.0f / float(channels);
    for (int i = start; i < frames; ++i) {
        const float *f = interleaved + size_t(i) * size_t(channels);
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += f[c];
        m_ring[m_next] = sum * scale;
        if (++m_next == m_ring.size())
            m_next = 0;
    }
    m_filled = std::min(m_ring.size(), m_filled + size_t(frames - start));
    m_added += uint64_t(frames);
}

uint64_t LevelHistory::added() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_added;
}

void LevelHistory::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_next = 0;
    m_filled = 0;
}

uint8_t *LevelHistory::block() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_filled)
        return nullptr;
    auto *out = new uint8_t[waveBlockSize(m_filled)];
    writeLocked(out);
    return out;
}

size_t LevelHistory::copyBlock(uint8_t *out, size_t capacity) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_filled)
        return 0;
    const size_t size = waveBlockSize(m_filled);
    if (out && capacity >= size)
        writeLocked(out);
    return size;
}

void LevelHistory::writeLocked(uint8_t *out) const
{
    writeWaveHeader(out, m_filled, int(m_rate));
    // The ring in two runs: from the oldest frame to its end, then from its start.
    const size_t first = (m_next + m_ring.size() - m_filled) % m_ring.size();
    const size_t tail = std::min(m_filled, m_ring.size() - first);
    writeWaveSamples(out, 0, m_ring.data() + first, tail, 1);
    writeWaveSamples(out, tail, m_ring.data(), m_filled - tail, 1);
}

} // namespace rz
