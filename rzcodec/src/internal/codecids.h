#pragma once
// The table between the layer's codec ids (rzcodec/codecids.h) and FFmpeg's.

#include "internal/ffmpeg.h"

#include <cstdint>

namespace rz {

// AV_CODEC_ID_NONE for an id the table does not hold.
AVCodecID toAVCodecId(uint32_t codecId);
// The layer's id of an FFmpeg codec, 0 when the table has none. Where several
// ids map to one codec (MPEG-4 part 2 under three names) the plain one wins.
uint32_t fromAVCodecId(AVCodecID id);
// The codec tag to write beside the codec for ids that name one ("XVID", "DX50").
uint32_t codecTagOf(uint32_t codecId);

} // namespace rz
