#pragma once
// Telling a file's tag format from its first bytes, so that a file with a
// wrong or missing extension is still handled, and one we cannot tag is refused.

#include "rzcodec/tagfile.h"

#include <string>

namespace rz {

// RZ_TAGFMT_NONE when the content is none of the handled formats.
RZTagFormat sniffTagFormat(const std::string &path);

} // namespace rz
