#include "rzcodec/utf32.h"

#include <cstring>

std::optional<std::u32string> utf8ToUtf32(const char *text)
{
    if (!text)
        return std::nullopt;
    return utf8ToUtf32(text, std::strlen(text));
}

std::optional<std::u32string> utf8ToUtf32(const char *text, std::size_t length)
{
    if (!text)
        return std::nullopt;
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *end = p + length;
    std::u32string out;
    out.reserve(length);
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            out.push_back(lead);
            continue;
        }
        int extra;
        char32_t cp;
        char32_t minimum;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1; cp = lead & 0x1F; minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2; cp = lead & 0x0F; minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3; cp = lead & 0x07; minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (end - p < extra)
            return std::nullopt;
        for (int i = 0; i < extra; ++i) {
            const unsigned char c = *p++;
            if ((c & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        out.push_back(cp);
    }
    return out;
}

std::optional<std::string> utf32ToUtf8(const char32_t *text, std::size_t length)
{
    if (!text && length > 0)
        return std::nullopt;
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t c = text[i];
        if (c == 0)
            break;
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::string> utf32ToUtf8(const std::u32string &text)
{
    return utf32ToUtf8(text.data(), text.size());
}
