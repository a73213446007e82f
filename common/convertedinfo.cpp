#include "common/convertedinfo.h"

bool convertedInfo::operator==(const convertedInfo &other) const
{
    return imgPath == other.imgPath && convertedPath == other.convertedPath
           && preferencePath == other.preferencePath && resolution == other.resolution
           && time == other.time && size == other.size && createTime == other.createTime
           && format == other.format && extend == other.extend && title == other.title
           && artist == other.artist && album == other.album && genre == other.genre
           && listNames == other.listNames && videoFile == other.videoFile
           && newFile == other.newFile;
}
