#pragma once
// What the desktop says is playing into the output a recording hears: the
// media players on the session bus (MPRIS2) whose own sound stream plays
// there, and the properties of the sound streams playing there. It is the
// recogniser's source of live results.

#include "platform/audio/pulseplayingstreams.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class JXNowPlaying
{
public:
    using Tags = QMap<QString, QByteArray>; // recogniser keys → values

    // The lookup is the codec layer's recogniser source while anybody uses
    // it (a recogniser, from its making to its end). The last user's
    // release waits for a look-up under way and ends the cover reader's
    // thread: call it before the program's end.
    static void acquire();
    static void release();

    // What plays into the output whose monitor is `source`: the media
    // players first, then the streams. Empty when nothing there names a
    // title, or the source monitors no output.
    static Tags lookup(const QByteArray &source);
    // The tags of the first playing player that plays one of `heard` (see
    // playsOneOf; `onServer`: every stream of the server) and names a known
    // title.
    static Tags fromMediaPlayers(const QVector<PulsePlayingStream> &heard,
                                 const QVector<PulsePlayingStream> &onServer);
    // Whether one of `heard` is a player's own sound: a stream of its
    // process (`playerPid`, empty when the bus does not say); or, while its
    // process owns no stream of `onServer` and the stream's process is none
    // of `playerPids` (every player's), a stream that goes by one of its
    // names (asked only then).
    static bool playsOneOf(const QString &playerPid, const std::function<QStringList()> &namesOfPlayer,
                           const QVector<PulsePlayingStream> &heard,
                           const QVector<PulsePlayingStream> &onServer, const QStringList &playerPids);
    // The tags of the first of `streams` that plays and names a known title
    // ("media.title", "media.artist", ...).
    static Tags fromSoundStreams(const QVector<PulsePlayingStream> &streams);
    // A title that is only the name of the file being played (the last part
    // of `location`, a URL or a path, or a name with a media file's
    // extension) while no artist is named: players announce that for a
    // moment before the file's tags.
    static bool isFileNameTitle(const QString &title, const QString &artist, const QString &location);
};
