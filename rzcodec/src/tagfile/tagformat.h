#pragma once
// Telling a file's tag format from its first bytes, so that a file with a
// wrong or missing extension is still handled, and one we cannot tag is refused.

#include "rzcodec/tagfile.h"

namespace TagLib {
class IOStream;
}

namespace rz {

// RZ_TAGFMT_NONE when the content is none of the handled formats. Reads the
// stream TagLib then reads the file through, and leaves it at its start.
RZTagFormat sniffTagFormat(TagLib::IOStream &stream);

} // namespace rz
