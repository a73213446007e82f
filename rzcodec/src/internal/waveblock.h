#pragma once
// Wave-data blocks for level and waveform displays: a 44-byte RIFF/WAVE
// header (byte 24: the sample rate, byte 40: the byte length of the samples)
// followed by mono 16-bit samples stored offset-binary (32768 is silence), as
// the displays read them.

#include <cstddef>
#include <cstdint>

namespace rz {

constexpr size_t kWaveBlockHeaderSize = 44;

// Builds a block from interleaved float samples (channels mixed to mono).
// The result is allocated with new[]; free it with freeWaveBlock.
uint8_t *makeWaveBlock(const float *interleaved, size_t frames, int channels, int sampleRate);
void freeWaveBlock(uint8_t *block);

// The same block written into room the caller owns (waveBlockSize(frames)
// bytes): the header, then the samples in pieces, each at its frame offset.
constexpr size_t waveBlockSize(size_t frames)
{
    return kWaveBlockHeaderSize + frames * 2;
}
void writeWaveHeader(uint8_t *block, size_t frames, int sampleRate);
void writeWaveSamples(uint8_t *block, size_t firstFrame, const float *interleaved, size_t frames, int channels);

// Reads the header fields back (for tests and checks).
uint32_t waveBlockSampleRate(const uint8_t *block);
uint32_t waveBlockDataBytes(const uint8_t *block);

} // namespace rz
