#pragma once
// 32-bit characters back to UTF-8, the counterpart of utf8ToUtf32.

#include <optional>
#include <string>

// The text as UTF-8; nothing when it holds a value that is no character
// (a surrogate or above U+10FFFF). Stops at the first NUL.
std::optional<std::string> utf32ToUtf8(const char32_t *text, std::size_t length);
std::optional<std::string> utf32ToUtf8(const std::u32string &text);
