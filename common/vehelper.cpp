#include "common/vehelper.h"

#include "rzcodec/utf32.h"

#include <cstring>

std::optional<std::u32string> VEHelper::ConvertCharToUtft32(const char *text)
{
    return utf8ToUtf32(text);
}

QString VEHelper::charToQString(const std::string &text)
{
    return QString::fromUtf8(text.c_str(), static_cast<int>(std::strlen(text.c_str())));
}
