#pragma once
/* Texts in 32-bit characters, as the tag-file object takes its paths: strict
 * conversions from and to UTF-8. C++ only. */

#ifdef __cplusplus
#include <cstddef>
#include <optional>
#include <string>

// The UTF-8 text as one 32-bit unit per code point; nothing when the bytes are
// not valid UTF-8 (overlong forms, surrogates, values above U+10FFFF and
// truncated sequences are rejected). A null text gives nothing.
std::optional<std::u32string> utf8ToUtf32(const char *text);
std::optional<std::u32string> utf8ToUtf32(const char *text, std::size_t length);

// The text as UTF-8; nothing when it holds a value that is no character
// (a surrogate or above U+10FFFF). Stops at the first NUL.
std::optional<std::string> utf32ToUtf8(const char32_t *text, std::size_t length);
std::optional<std::string> utf32ToUtf8(const std::u32string &text);
#endif
