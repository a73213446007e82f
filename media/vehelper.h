#pragma once
// Text conversions where texts cross to the codec layer and the tag-file object.

#include <QString>

#include <optional>
#include <string>

class VEHelper
{
public:
    // The UTF-8 text as 32-bit characters (one per code point); nothing when
    // the text is null or not valid UTF-8. The result owns its buffer.
    static std::optional<std::u32string> ConvertCharToUtft32(const char *text);
    // The bytes up to the first NUL, decoded as UTF-8.
    static QString charToQString(const std::string &text);

private:
    VEHelper() = default;
};
