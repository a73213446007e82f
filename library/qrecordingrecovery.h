#pragma once
// Brings the recordings that a crash, a kill or a power loss interrupted into
// the library: each file left with a mark of a recording in progress is
// repaired and recorded in "History.xml" once, as a new recording. Runs when
// the library loads, before it reads the history.

#include <QStringList>

class QRecordingRecovery
{
public:
    // The files repaired and recorded by this call. A file that cannot be
    // repaired stays as it is, named in the log, and keeps its mark.
    static QStringList recoverAll();

private:
    QRecordingRecovery() = default;
};
