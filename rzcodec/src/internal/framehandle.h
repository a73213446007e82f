#pragma once
// The object behind a decoded-frame handle, for the roles that make frames.

#include "internal/avpointers.h"
#include "internal/handle.h"

#include <cstdint>

namespace rz {

class FrameHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Frame;
    FrameHandle() : Handle(kRole), frame(makeFrame()) {}

    // Takes a reference to `source`'s picture; timeUs is its position.
    bool assign(const AVFrame *source, uint64_t timeUs);

    FramePtr frame;
    uint64_t timeUs = 0;
};

// The layer's pixel-format code of an FFmpeg format.
uint32_t pixelFormatCode(int avFormat);
// FFmpeg's format of a layer code, AV_PIX_FMT_NONE when it has none.
AVPixelFormat avPixelFormatOf(uint32_t code);

} // namespace rz
