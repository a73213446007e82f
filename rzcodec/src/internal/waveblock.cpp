#include "internal/waveblock.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rz {

namespace {

void put32(uint8_t *at, uint32_t v)
{
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
    at[2] = uint8_t(v >> 16);
    at[3] = uint8_t(v >> 24);
}

void put16(uint8_t *at, uint16_t v)
{
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
}

uint32_t get32(const uint8_t *at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

} // namespace

uint8_t *makeWaveBlock(const float *interleaved, size_t frames, int channels, int sampleRate)
{
    auto *block = new uint8_t[waveBlockSize(frames)];
    writeWaveHeader(block, frames, sampleRate);
    writeWaveSamples(block, 0, interleaved, frames, channels);
    return block;
}

void writeWaveHeader(uint8_t *block, size_t frames, int sampleRate)
{
    const uint32_t dataBytes = uint32_t(frames * 2);
    std::memcpy(block, "RIFF", 4);
    put32(block + 4, 36 + dataBytes);
    std::memcpy(block + 8, "WAVEfmt ", 8);
    put32(block + 16, 16);
    put16(block + 20, 1);
    put16(block + 22, 1);
    put32(block + 24, uint32_t(sampleRate));
    put32(block + 28, uint32_t(sampleRate) * 2);
    put16(block + 32, 2);
    put16(block + 34, 16);
    std::memcpy(block + 36, "data", 4);
    put32(block + 40, dataBytes);
}

void writeWaveSamples(uint8_t *block, size_t firstFrame, const float *interleaved, size_t frames, int channels)
{
    channels = std::max(channels, 1);
    uint8_t *out = block + kWaveBlockHeaderSize + firstFrame * 2;
    for (size_t i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[i * size_t(channels) + size_t(c)];
        const float mono = std::clamp(sum / float(channels), -1.0f, 1.0f);
        const long v = std::lround(mono * 32767.0f) + 32768;
        put16(out + i * 2, uint16_t(std::clamp(v, 0L, 65535L)));
    }
}

void freeWaveBlock(uint8_t *block)
{
    delete[] block;
}

uint32_t waveBlockSampleRate(const uint8_t *block)
{
    return block ? get32(block + 24) : 0;
}

uint32_t waveBlockDataBytes(const uint8_t *block)
{
    return block ? get32(block + 40) : 0;
}

} // namespace rz
