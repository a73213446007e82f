#include "recordingtools.h"

#include "testsupport.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QDomDocument>
#include <QFile>
#include <QTest>

namespace TestSupport {

Playback::Playback(const QString &wav, const QString &sink, const QStringList &properties)
{
    QStringList args;
    if (!sink.isEmpty())
        args << QStringLiteral("--device=") + sink;
    for (const QString &p : properties)
        args << QStringLiteral("--property=") + p;
    m_proc.start(QStringLiteral("paplay"), args << wav);
    m_started = m_proc.waitForStarted(5000);
}

Playback::~Playback()
{
    m_proc.kill();
    m_proc.waitForFinished(5000);
}

bool Playback::waitPlaying(int ms)
{
    const QByteArray ours = "application.process.id = \"" + QByteArray::number(m_proc.processId()) + '"';
    return m_started && QTest::qWaitFor([&] {
        QByteArray streams;
        return runProgram(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}, 5000,
                          &streams) == 0
               && streams.contains(ours);
    }, ms);
}

bool Playback::waitEnd(int ms)
{
    return m_proc.waitForFinished(ms);
}

QList<QDomElement> historyEntries(const QString &path)
{
    QList<QDomElement> found;
    QVideoSettingXml::waitForHistory();
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
