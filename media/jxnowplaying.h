#pragma once
// What the desktop says is playing into the output a recording hears: the
// media players on the session bus (MPRIS2) whose own sound stream plays
// there, and the properties of the sound streams playing there. It is the
// recogniser's source of live results.

#include "platform/audio/pulseplayingstreams.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

class JXNowPlaying
{
public:
    using Tags = QMap<QString, QByteArray>; // recogniser keys → values

    // Registers the lookup with the codec layer's recogniser (once per process).
    static void install();

    // What plays into the output whose monitor is `source`: the media
    // players first, then the streams. Empty when nothing there names a
    // title, or the source monitors no output.
    static Tags lookup(const QByteArray &source);
    // The tags of the first playing player that plays one of `streams` (by
    // its process, or by its name where the stream's process is no player's)
    // and names a known title.
    static Tags fromMediaPlayers(const QVector<PulsePlayingStream> &streams);
    // The tags of the first of `streams` that plays and names a known title
    // ("media.title", "media.artist", ...).
    static Tags fromSoundStreams(const QVector<PulsePlayingStream> &streams);
    // A title that is only the name of the file being played (the last part
    // of `location`, a URL or a path, or a name with a media file's
    // extension) while no artist is named: players announce that for a
    // moment before the file's tags.
    static bool isFileNameTitle(const QString &title, const QString &artist, const QString &location);
};
