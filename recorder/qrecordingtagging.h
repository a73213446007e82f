#pragma once
// Gives a completed recording the tags recognised while it was made: writes
// them into the file and names the file after the recognised title (the
// first free "title(n).ext" in its folder). Disk work: the recording
// finisher runs it on its worker.

#include "media/jxrecognizeraudiotaginfo.h"

#include <QString>

class QRecordingTagging
{
public:
    struct Result
    {
        QString path; // where the file is now
        // What its history record carries; empty when nothing was recognised.
        QString title, artist, album, genre;
        bool tagsNotWritten = false; // recognised, but the file did not take them
    };

    // The tags go into the file at path, which then takes the cleaned title
    // as its name, never replacing anything. Tags naming nothing and a file
    // of a format without tags change nothing; a name that cannot be taken
    // leaves the file where it is. The recording's mark, if any, follows
    // its name.
    // NameOnly leaves the file's contents alone: the tags go into the record
    // only, reported as not written.
    enum Mode { TagsAndName, NameOnly };
    static Result apply(const QString &path, const JXRecognizerAudioTagInfo &tags, Mode mode = TagsAndName);

private:
    QRecordingTagging() = default;
};
