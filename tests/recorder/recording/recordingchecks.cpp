#include "recordingchecks.h"

#include "recordingsetup.h"

#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"

#include <QDomDocument>
#include <QFile>

namespace RecordingChecks {

Playback::Playback(const QString &sink, const QString &wav, const QStringList &props)
{
    QStringList args{"--device=" + sink};
    for (const QString &p : props)
        args << "--property=" + p;
    m_proc.start("paplay", args << wav);
    m_proc.waitForStarted(5000);
}

Playback::~Playback()
{
    m_proc.kill();
    m_proc.waitForFinished(5000);
}

bool Playback::waitEnd(int ms)
{
    return m_proc.waitForFinished(ms);
}

void useFormat(const RecordFormat &f)
{
    TestSupport::useAudioFormat({f.muxer.toUpper(), f.extension, f.codecId, f.channels,
                                 unsigned(f.sampleRate), unsigned(f.kbps)});
}

QList<QDomElement> historyEntries(const QString &path)
{
    QList<QDomElement> found;
    QFile f(QIAnyUtil::getAppDataPath() + "/History.xml");
    QDomDocument doc;
    if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
        return found;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute("Converted_path_") == path)
            found << e;
    return found;
}

bool markedInProgress(const QString &path)
{
    for (const QRecordingMarker::Entry &e : QRecordingMarker::pending())
        if (e.info.convertedPath == path)
            return true;
    return false;
}

} // namespace RecordingChecks
