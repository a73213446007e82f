#pragma once
// The mark of a recording in progress: one small file per recording in the
// application-data folder, written whole at start and removed when the file
// is complete. A mark found at start names a recording that a crash, a kill
// or a power loss interrupted, with what its history record needs.

#include "common/convertedinfo.h"

#include <QList>
#include <QString>

class QRecordingMarker
{
public:
    struct Entry {
        QString markerPath;
        QString muxer;     // the name the recorder was opened with
        convertedInfo info; // the record as at start (no length or size yet)
    };

    // "<application data>/Unfinished Recordings"
    static QString folder();
    // Writes the mark of the recording of info.convertedPath atomically;
    // false with the reason in *error.
    static bool write(const convertedInfo &info, const QString &muxer, QString *error = nullptr);
    // Writes the mark of the recording of `outputPath` again, atomically, as
    // the mark of `newOutputPath`, the name the file is about to take; the
    // old mark stays until removed. No mark there: nothing to do, true.
    static bool copyTo(const QString &outputPath, const QString &newOutputPath, QString *error = nullptr);
    // Removes the mark of the recording of `outputPath` (none: nothing).
    static bool remove(const QString &outputPath);
    // Every mark left, oldest first; unreadable marks are named in the log and
    // skipped, and so are the marks of recordings another running process
    // is still making (the mark names its process).
    static QList<Entry> pending();

private:
    static QString markerPathFor(const QString &outputPath);
    QRecordingMarker() = default;
};
