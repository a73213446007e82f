#include "media/veaudiotaginfo.h"

#include "media/veeditconfig.h"

VEAudioTagInfo::VEAudioTagInfo()
{
    VEEditConfig::registerMetaTypes();
}

void VEAudioTagInfo::reset()
{
    *this = VEAudioTagInfo();
}

std::string VEAudioTagInfo::coverBytes() const
{
    if (coverSize <= 0)
        return {};
    return cover_image.substr(0, std::min<size_t>(size_t(coverSize), cover_image.size()));
}

bool VEAudioTagInfo::operator==(const VEAudioTagInfo &o) const
{
    return title == o.title && artist == o.artist && album_artist == o.album_artist
        && composer == o.composer && album == o.album && genre == o.genre && track == o.track
        && year == o.year && date == o.date && grouping == o.grouping && comment == o.comment
        && disc == o.disc && copyright == o.copyright && cover_image == o.cover_image
        && coverSize == o.coverSize && flag == o.flag;
}
