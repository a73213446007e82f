#pragma once
// What the recording-object suites share: sound played into a sink, the
// format of a recorded row, and what the history and the in-progress marks
// say about a path, read straight from disk.

#include "recordformats.h"

#include <QDomElement>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace RecordingChecks {

// Plays a WAV file into a sink until it ends, the object goes or the server does.
class Playback
{
public:
    Playback(const QString &sink, const QString &wav, const QStringList &props = {});
    ~Playback();
    bool waitEnd(int ms);

private:
    QProcess m_proc;
};

// New recordings are made in this format, audio only.
void useFormat(const RecordFormat &f);
// The History.xml entries of a path.
QList<QDomElement> historyEntries(const QString &path);
// A mark of a recording in progress names the path.
bool markedInProgress(const QString &path);

} // namespace RecordingChecks
