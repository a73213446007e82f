#include "recordingtools.h"

#include "common/qianyutil.h"

#include <QDomDocument>
#include <QFile>

namespace TestSupport {

Playback::Playback(const QString &wav, const QString &sink, const QStringList &properties)
{
    QStringList args;
    if (!sink.isEmpty())
        args << QStringLiteral("--device=") + sink;
    for (const QString &p : properties)
        args << QStringLiteral("--property=") + p;
    m_proc.start(QStringLiteral("paplay"), args << wav);
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

QList<QDomElement> historyEntries(const QString &path)
{
    QList<QDomElement> found;
    QFile file(QIAnyUtil::getAppDataPath() + QStringLiteral("/History.xml"));
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return found;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute(QStringLiteral("Converted_path_")) == path)
            found << e;
    return found;
}

} // namespace TestSupport
