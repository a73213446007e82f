#include "media/vehelper.h"

#include "common/jxcommoninterface.h"

#include <cstring>

std::optional<std::u32string> VEHelper::ConvertCharToUtft32(const char *text)
{
    return JxCommonInterface::ConvertCharToUtft32(text);
}

QString VEHelper::charToQString(const std::string &text)
{
    return QString::fromUtf8(text.c_str(), int(std::strlen(text.c_str())));
}
