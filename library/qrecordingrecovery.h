#pragma once
// Brings the recordings that a crash, a kill or a power loss interrupted into
// the library: each file left with a mark of a recording in progress is
// repaired and recorded in "History.xml" once, as a new recording. The
// repair (seconds for a long file) is the slow half and may run on a worker
// thread; recording the repaired files in the history is the GUI thread's,
// which owns the history. A mark goes only once the record is in the file:
// when the history cannot be written (a full or read-only disk) the next
// start tries again.

#include "common/convertedinfo.h"
#include "common/qrecordingmarker.h"

#include <QList>
#include <QStringList>

class QRecordingRecovery
{
public:
    struct Repaired {
        QString markerPath;
        convertedInfo info; // with its length and size as repaired
    };

    // The files repaired and recorded by this call, once the history is
    // written. A file that cannot be repaired stays as it is, named in the
    // log, and keeps its mark.
    static QStringList recoverAll();

    // The slow half, safe on any thread: repairs each marked recording and
    // probes it; touches no history. A mark whose file holds no audio goes.
    static QList<Repaired> repair(const QList<QRecordingMarker::Entry> &marked);
    struct Recorded
    {
        QList<convertedInfo> listed; // the records of the files now in the history
        QStringList marks;           // their marks, to go once the history is written
    };
    // Records the repaired files in the history (one save; a file already
    // listed keeps its record). A file that could not be recorded keeps its
    // mark.
    static Recorded record(const QList<Repaired> &repaired);
    // Removes the marks once the history holding their records is written;
    // when it could not be, they stay (named in the log with the reason).
    static void settle(const Recorded &recorded, bool written, const QString &reason);

private:
    QRecordingRecovery() = default;
};
