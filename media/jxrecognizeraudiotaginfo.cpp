#include "media/jxrecognizeraudiotaginfo.h"

void JXRecognizerAudioTagInfo::reset()
{
    for (QByteArray *f : {&title, &artist, &album_artist, &composer, &album, &genre, &track, &year,
                          &date, &grouping, &comment, &disc, &dvd_size, &dvd_clip, &lyrics,
                          &copyright, &cover_image})
        f->clear();
    coverLength = 0;
}

bool JXRecognizerAudioTagInfo::namesSomething() const
{
    return !title.isEmpty() || !artist.isEmpty() || !album.isEmpty();
}

VEAudioTagInfo JXRecognizerAudioTagInfo::tagInfo() const
{
    VEAudioTagInfo t;
    t.title = title.toStdString();
    t.artist = artist.toStdString();
    t.album_artist = album_artist.toStdString();
    t.composer = composer.toStdString();
    t.album = album.toStdString();
    t.genre = genre.toStdString();
    t.track = track.toStdString();
    t.year = year.toStdString();
    t.date = date.toStdString();
    t.grouping = grouping.toStdString();
    t.comment = comment.toStdString();
    t.disc = disc.toStdString();
    t.copyright = copyright.toStdString();
    t.cover_image = cover_image.toStdString();
    t.coverSize = coverLength;
    return t;
}

int JXRecognizerAudioTagInfo::registerMetaType()
{
    return qRegisterMetaType<JXRecognizerAudioTagInfo>("JXRecognizerAudioTagInfo");
}
