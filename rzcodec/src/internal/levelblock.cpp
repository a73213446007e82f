#include "internal/levelblock.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>

namespace rz {

namespace {
void put32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
void put16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
} // namespace

unsigned char *makeLevelBlock(const uint16_t *samples, size_t count, uint32_t sampleRate)
{
    const uint32_t dataBytes = uint32_t(count * 2);
    auto *b = static_cast<unsigned char *>(std::malloc(44 + dataBytes));
    if (!b)
        return nullptr;
    std::memcpy(b, "RIFF", 4);
    put32(b + 4, 36 + dataBytes);
    std::memcpy(b + 8, "WAVEfmt ", 8);
    put32(b + 16, 16);
    put16(b + 20, 1);          // PCM
    put16(b + 22, 1);          // mono
    put32(b + 24, sampleRate);
    put32(b + 28, sampleRate * 2);
    put16(b + 32, 2);
    put16(b + 34, 16);
    std::memcpy(b + 36, "data", 4);
    put32(b + 40, dataBytes);
    for (size_t i = 0; i < count; ++i)
        put16(b + 44 + 2 * i, samples[i]);
    return b;
}

LevelHistory::LevelHistory(uint32_t sampleRate, size_t length) : m_rate(sampleRate), m_ring(length, 32768)
{
}

void LevelHistory::add(const float *interleaved, int frames, int channels)
{
    if (m_ring.empty() || frames <= 0 || channels <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    int start = 0;
    if (size_t(frames) > m_ring.size())
        start = frames - int(m_ring.size());
    for (int i = start; i < frames; ++i) {
        m_ring[m_next] = levelSample(interleaved + size_t(i) * size_t(channels), channels);
        if (++m_next == m_ring.size())
            m_next = 0;
    }
    m_filled = std::min(m_ring.size(), m_filled + size_t(frames - start));
}

void LevelHistory::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_next = 0;
    m_filled = 0;
}

unsigned char *LevelHistory::block() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_filled)
        return nullptr;
    std::vector<uint16_t> ordered(m_filled);
    const size_t first = (m_next + m_ring.size() - m_filled) % m_ring.size();
    for (size_t i = 0; i < m_filled; ++i)
        ordered[i] = m_ring[(first + i) % m_ring.size()];
    return makeLevelBlock(ordered.data(), ordered.size(), m_rate);
}

} // namespace rz
