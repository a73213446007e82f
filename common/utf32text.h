#pragma once
// Strict UTF-8 to 32-bit character conversion for the tag-file layer.

#include <optional>
#include <string>

// The UTF-8 text as one 32-bit unit per code point; nothing when the bytes are
// not valid UTF-8 (overlong forms, surrogates, values above U+10FFFF and
// truncated sequences are rejected). A null text gives nothing.
std::optional<std::u32string> utf8ToUtf32(const char *text);
std::optional<std::u32string> utf8ToUtf32(const char *text, std::size_t length);
