#pragma once
// Small operations on decoded audio frames shared by the player and the
// converter.

#include "internal/ffmpeg.h"

#include <cstdint>

namespace rz {

// Length of `frames` samples at `rate`, in microseconds.
int64_t frameMicroseconds(int64_t frames, int rate);
// Drops the first `count` samples of a decoded audio frame, keeping its
// planes aligned; false when the frame could not be made writable.
bool dropLeadingSamples(AVFrame *frame, int count);

} // namespace rz
