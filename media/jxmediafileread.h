#pragma once
// What the editor reads about one media file before editing, in one pass
// meant for a worker thread, so that the GUI thread never waits for the disk
// or the codec layer: the picture size, a thumbnail, the tags, the chapters,
// the tag format, and the file opened for the preview engine to take over.
// A file that cannot be edited comes back with the reason, for the user.

#include "media/jxchapterinfo.h"
#include "media/jxopenedmedia.h"
#include "media/veaudiotaginfo.h"

#include <QImage>
#include <QList>
#include <QString>

struct JXMediaFileRead
{
    struct Request
    {
        QString path;
        // The picture size the preview is scaled to; 0 takes the video's own.
        unsigned width = 0;
        unsigned height = 0;
        bool openPlayer = true;
        bool playerWithAudio = true; // the player kind (JXPlayerClass::Create_Player)
        int thumbnailSize = 120;
    };

    QString path;
    // Why the file cannot be edited; empty when it can.
    QString error;
    unsigned width = 0;
    unsigned height = 0;
    QImage thumbnail;
    VEAudioTagInfo tags;
    QList<JXChapterInfo> chapters;
    // The tag format code of the file (rzcodec/tagfile.h), 0 for a missing
    // file, -1 for one that cannot take tags.
    int tagFormat = 0;
    JXOpenedMedia media;

    bool ok() const { return error.isEmpty(); }

    // The whole pass, on the calling thread.
    static JXMediaFileRead read(const Request &request);
    static int tagFormatOf(const QString &path);
};
