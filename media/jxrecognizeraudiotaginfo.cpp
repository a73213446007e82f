#include "media/jxrecognizeraudiotaginfo.h"

void JXRecognizerAudioTagInfo::reset()
{
    for (QByteArray *f : {&title, &artist, &album_artist, &composer, &album, &genre, &track, &year,
                          &date, &grouping, &comment, &disc, &dvd_size, &dvd_clip, &lyrics,
                          &copyright, &cover_image})
        f->clear();
    coverLength = 0;
}

int JXRecognizerAudioTagInfo::registerMetaType()
{
    return qRegisterMetaType<JXRecognizerAudioTagInfo>("JXRecognizerAudioTagInfo");
}
