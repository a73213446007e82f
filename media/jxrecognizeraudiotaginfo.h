#pragma once
// The result of the track recogniser: 17 byte strings (UTF-8 texts as the
// recogniser gives them, the cover as picture bytes) and the cover's length.
// Travels by queued signal from the capture threads to the recordings table.

#include "media/veaudiotaginfo.h"

#include <QByteArray>
#include <QMetaType>

struct JXRecognizerAudioTagInfo {
    QByteArray title;
    QByteArray artist;
    QByteArray album_artist;
    QByteArray composer;
    QByteArray album;
    QByteArray genre;
    QByteArray track;
    QByteArray year;
    QByteArray date;
    QByteArray grouping;
    QByteArray comment;
    QByteArray disc;
    QByteArray dvd_size;
    QByteArray dvd_clip;
    QByteArray lyrics;
    QByteArray copyright;
    QByteArray cover_image;
    qint32 coverLength = 0;

    JXRecognizerAudioTagInfo() { reset(); }
    void reset();
    // Tags naming nothing (no title, artist or album) say nothing about the recording.
    bool namesSomething() const;
    // The fields a file's tags take (the texts as they are, and the cover).
    VEAudioTagInfo tagInfo() const;
    // Registers the meta-type under its own name (once per process is enough).
    static int registerMetaType();
};

Q_DECLARE_METATYPE(JXRecognizerAudioTagInfo)
