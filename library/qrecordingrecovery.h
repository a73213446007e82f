#pragma once
// Brings the recordings that a crash, a kill or a power loss interrupted into
// the library: each file left with a mark of a recording in progress is
// repaired and recorded in "History.xml" once, as a new recording. The
// repair (seconds for a long file) is the slow half and may run on a worker
// thread; recording the repaired files in the history is the GUI thread's,
// which owns the history.

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

    // The files repaired and recorded by this call. A file that cannot be
    // repaired stays as it is, named in the log, and keeps its mark.
    static QStringList recoverAll();

    // The slow half, safe on any thread: repairs each marked recording and
    // probes it; touches no history. A mark whose file holds no audio goes.
    static QList<Repaired> repair(const QList<QRecordingMarker::Entry> &marked);
    // Records the repaired files in the history (one save; a file already
    // listed keeps its record) and removes their marks. The records of the
    // files now listed; a file that could not be recorded keeps its mark.
    static QList<convertedInfo> record(const QList<Repaired> &repaired);

private:
    QRecordingRecovery() = default;
};
