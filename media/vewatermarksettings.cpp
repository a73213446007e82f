#include "media/vewatermarksettings.h"

#include "media/veeditconfig.h"

VEWatermarkSettings::VEWatermarkSettings()
{
    VEEditConfig::registerMetaTypes();
}

std::string watermarkFontName(const std::string &font)
{
    return !font.empty() && font[0] == '@' ? font.substr(1) : font;
}
