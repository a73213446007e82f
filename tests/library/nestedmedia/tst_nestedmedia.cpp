// The library's start reads the container of every record without a format;
// a record whose file is a list naming a pipe must not hold the start.

#include "libraryfixture.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace LibraryFixture;

class TestNestedMedia : public QObject
{
    Q_OBJECT
private slots:
    void listsNamingPipesDoNotHoldTheStart();
};

void TestNestedMedia::listsNamingPipesDoNotHoldTheStart()
{
    QTemporaryDir dir;
    const QString folder = freshLibrary(dir.filePath("out"));
    const QString fifo = folder + "/segment.ts";
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    auto write = [](const QString &path, const QByteArray &text) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    const QString playlist = folder + "/pipe.m3u8";
    QVERIFY(write(playlist, "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:0\n"
                            "#EXTINF:1.0,\nsegment.ts\n#EXT-X-ENDLIST\n"));
    const QString list = folder + "/list.mp3";
    QVERIFY(write(list, "ffconcat version 1.0\nfile '" + QFile::encodeName(fifo) + "'\n"));
    for (const QString &path : {playlist, list}) {
        convertedInfo info = record(path);
        info.format.clear();
        QVideoSettingXml::SaveConvertedInfo(info);
    }

    QElapsedTimer started;
    started.start();
    Library lib;
    QVERIFY2(started.elapsed() < 30000, qPrintable(QString::number(started.elapsed())));
    QStringList names = lib.shownNames();
    names.sort();
    QCOMPARE(names, QStringList({"list", "pipe"}));
}

QTEST_MAIN(TestNestedMedia)
#include "tst_nestedmedia.moc"
