#pragma once
// What the desktop says is playing: the media players on the session bus
// (MPRIS2) and the properties of the sound streams playing into the
// loop-back device. It is the recogniser's source of live results.

#include <QByteArray>
#include <QMap>
#include <QString>

class JXNowPlaying
{
public:
    using Tags = QMap<QString, QByteArray>; // recogniser keys → values

    // Registers the lookup with the codec layer's recogniser (once per process).
    static void install();

    // The tags of the first player that is playing and names a title.
    static Tags fromMediaPlayers();
    // The tags of the first stream playing into the loop-back device that
    // names a title ("media.title", "media.artist", ...).
    static Tags fromSoundStreams();
    // Both, media players first.
    static Tags lookup();
};
