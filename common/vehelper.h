#pragma once
// Text conversions where our strings meet the tag-file layer and the codec layer.

#include <QString>

#include <optional>
#include <string>

class VEHelper
{
public:
    VEHelper() = default;
    // The UTF-8 text as 32-bit characters, owned by the caller; nothing when
    // the text is null or not valid UTF-8.
    static std::optional<std::u32string> ConvertCharToUtft32(const char *text);
    // The bytes up to the first NUL, decoded as UTF-8.
    static QString charToQString(const std::string &text);
};
