// The chapter pass: a source's chapters, clipped to the converted range and
// moved to its start, written into every output format that carries
// chapters; the pass is reported and can be stopped.

#include "convert/iavconverter.h"
#include "recorder/cavencodeparam.h"
#include "rzcodec/mediainfo.h"

#include "converterreports.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Chapter {
    double start;
    double end;
    QString title;
};

// The chapters of a file as the codec layer reads them.
QList<Chapter> chaptersOf(const QString &path)
{
    QList<Chapter> list;
    void *info = rz_info_create(0xFFFFFFFF);
    if (rz_info_open(info, path.toUtf8().constData()))
        for (int i = 0; i < rz_info_chapter_count(info); ++i)
            list << Chapter{rz_info_chapter_start(info, i) / 1e6,
                            (rz_info_chapter_start(info, i) + rz_info_chapter_duration(info, i)) / 1e6,
                            QString::fromUtf8(rz_info_chapter_title(info, i))};
    rz_info_release(info);
    return list;
}

// How many chapters ffprobe finds.
int ffprobeChapters(const QString &path)
{
    QByteArray out;
    if (TestSupport::runProgram("ffprobe", {"-v", "error", "-show_chapters", "-of", "csv=p=0", path},
                                30000, &out)
        != 0)
        return -1;
    return out.trimmed().isEmpty() ? 0 : out.trimmed().split('\n').size();
}

} // namespace

class TestConvertChapters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void chaptersClippedAndMoved_data();
    void chaptersClippedAndMoved();
    void stopDuringThePass();

private:
    QTemporaryDir m_dir;
    QString m_source;
};

void TestConvertChapters::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Ten seconds with four chapters, the third without a title.
    const QString meta = m_dir.filePath("chapters.txt");
    QFile f(meta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(";FFMETADATA1\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\ntitle=Intro\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=5000\ntitle=Verse\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=5000\nEND=8000\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=8000\nEND=10000\ntitle=Outro\n");
    f.close();
    m_source = m_dir.filePath("source.mka");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=10", "-i", meta,
                                   "-map_metadata", "1", "-map_chapters", "1", "-ac", "2", "-c:a",
                                   "flac", m_source}));
    QCOMPARE(chaptersOf(m_source).size(), 4);
}

void TestConvertChapters::chaptersClippedAndMoved_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("plainCut");
    QTest::addColumn<bool>("carries");
    QTest::newRow("matroska cut") << "matroska" << "mka" << true << true;
    QTest::newRow("matroska") << "matroska" << "mka" << false << true;
    QTest::newRow("m4a") << "ipod" << "m4a" << false << true;
    QTest::newRow("ogg") << "ogg" << "ogg" << false << true;
    QTest::newRow("opus") << "opus" << "opus" << false << true;
    QTest::newRow("flac") << "flac" << "flac" << false << true;
    QTest::newRow("mp3") << "mp3" << "mp3" << false << true;
    QTest::newRow("wav") << "wav" << "wav" << false << false;
}

void TestConvertChapters::chaptersClippedAndMoved()
{
    QFETCH(QString, format);
    QFETCH(QString, extension);
    QFETCH(bool, plainCut);
    QFETCH(bool, carries);
    const QString output = m_dir.filePath(QString("out-%1-%2.%3").arg(format).arg(plainCut).arg(extension));
    CAVEncodeParam param;
    param.setFormatName(format.toUtf8().constData());
    param.plainCut = plainCut;
    param.rangeStart = 3000000;
    param.rangeDuration = 6000000;
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    QVERIFY(converter->StartConvert(m_source.toUtf8().constData(), output.toUtf8().constData(), &param,
                                    &reports, &ConverterReports::callback, true));
    QTRY_VERIFY_WITH_TIMEOUT(reports.ended(), 60000);
    DestroyAVConverter(converter);
    const auto list = reports.copy();
    QCOMPARE(list.front(), std::make_pair(1u, convertChapter));
    QCOMPARE(list.back(), std::make_pair(100u, convertFinished));

    if (format != "matroska") {
        // The source's own length tag (Matroska keeps one) is not the output's.
        QByteArray tags;
        QCOMPARE(TestSupport::runProgram("ffprobe", {"-v", "error", "-show_entries",
                                                     "format_tags=DURATION:stream_tags=DURATION",
                                                     "-of", "csv=p=0", output},
                                         30000, &tags),
                 0);
        QCOMPARE(tags.trimmed(), QByteArray());
    }
    const QList<Chapter> got = chaptersOf(output);
    const int probed = ffprobeChapters(output);
    qInfo("%s: %d chapters (ffprobe %d)", qPrintable(extension), int(got.size()), probed);
    if (!carries) {
        QCOMPARE(got.size(), 0);
        return;
    }
    // 3.0-9.0 s of the source: the end of Verse, the untitled third, the start of Outro.
    QCOMPARE(got.size(), 3);
    QCOMPARE(probed, 3);
    const QList<Chapter> want{{0, 2, "Verse"}, {2, 5, "Chapter 3"}, {5, 6, "Outro"}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(got[i].title, want[i].title);
        QVERIFY2(qAbs(got[i].start - want[i].start) < 0.01, qPrintable(QString::number(got[i].start)));
        // Some formats keep only starts: a last chapter then ends with the file.
        QVERIFY2(qAbs(got[i].end - want[i].end) < 0.05, qPrintable(QString::number(got[i].end)));
    }
}

void TestConvertChapters::stopDuringThePass()
{
    // A stop right after the start finds the pass running most of the time
    // (it reads the source first): the pass ends, reported as a stop at 100,
    // and nothing is written. A stop that comes after the pass stops the
    // conversion as usual. Either way exactly one stop ends the job.
    int inThePass = 0;
    for (int i = 0; i < 40; ++i) {
        const QString output = m_dir.filePath(QString("stopped%1.mka").arg(i));
        CAVEncodeParam param;
        param.setFormatName("matroska");
        ConverterReports reports;
        IAVConverter *converter = CreateAVConverter();
        QVERIFY(converter->StartConvert(m_source.toUtf8().constData(), output.toUtf8().constData(),
                                        &param, &reports, &ConverterReports::callback, true));
        converter->StopConvert();
        const auto list = reports.copy();
        QVERIFY(list.size() >= 2);
        QCOMPARE(list.front(), std::make_pair(1u, convertChapter));
        QCOMPARE(list.back().second, convertStopped);
        for (size_t r = 1; r + 1 < list.size(); ++r)
            QCOMPARE(list[r].second, convertProgress);
        if (list.back().first == 100) {
            QCOMPARE(list.size(), size_t(2));
            ++inThePass;
        } else {
            QCOMPARE(list.back().first, 0u);
        }
        QVERIFY(!QFile::exists(output));
        DestroyAVConverter(converter);
        QCOMPARE(reports.copy().size(), list.size());
    }
    qInfo("%d of 40 stops came during the chapter pass", inThePass);
    QVERIFY(inThePass > 0);
}

QTEST_MAIN(TestConvertChapters)
#include "tst_convertchapters.moc"
