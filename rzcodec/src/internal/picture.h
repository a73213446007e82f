#pragma once
// Pictures the layer hands out as whole BMP files in memory (video images,
// covers, snapshots): the file's total length is the little-endian 32-bit
// value at byte offset 2. Allocated with av_malloc; freed with freeBmp.

#include "internal/avpointers.h"

#include <cstdint>
#include <string>

namespace rz {

// A 24-bit bottom-up BMP of the frame, scaled to width x height (0 = the
// frame's own size; one of them 0 keeps the aspect ratio). Null on failure.
uint8_t *frameToBmp(const AVFrame *frame, int width, int height);
void freeBmp(uint8_t *bmp);
// The total length recorded in a BMP's header.
uint32_t bmpLength(const uint8_t *bmp);

// Decodes an encoded still picture (JPEG, PNG, BMP...) given its codec, from
// a packet as FFmpeg keeps it (padded, not copied); null on failure.
FramePtr decodePicture(const AVCodecParameters *params, const AVPacket *packet);

} // namespace rz
