// The merger: sources of different formats appended in order into one file,
// progress over the whole, and stops with and without waiting.

#include "convert/iavconverter.h"
#include "recorder/cavencodeparam.h"

#include "converterreports.h"
#include "filterchain.h"
#include "mediafiles.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>
#include <utility>
#include <vector>

namespace {

} // namespace

class TestMerger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void appendsInOrder();
    void stopWithAndWithoutWaiting();

private:
    QTemporaryDir m_dir;
};

void TestMerger::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMerger::appendsInOrder()
{
    // The first source takes far longer to merge than adding the others, so
    // the first end reported is that of all three.
    const QString wav = m_dir.filePath("a.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440, 30.0));
    const MediaFiles::Format mp3{"mp3", "mp3", {"-c:a", "libmp3lame", "-b:a", "192k"}, 44100};
    const MediaFiles::Format flac{"flac", "flac", {"-c:a", "flac"}, 48000};
    // 440 Hz played faster: 2 s at 660 Hz, 1.5 s at 880 Hz.
    const QString b = MediaFiles::makeTone(m_dir.path(), "b", mp3, 3.0,
                                           {"-af", "asetrate=44100*1.5,aresample=44100"});
    const QString c = MediaFiles::makeTone(m_dir.path(), "c", flac, 3.0,
                                           {"-af", "asetrate=48000*2,aresample=48000"});
    QVERIFY(!b.isEmpty() && !c.isEmpty());

    const QString output = m_dir.filePath("merged.wav");
    CAVEncodeParam out;
    out.setFormatName("wav");
    ConverterReports reports;
    IAVConverter *converter = CreateAVConverter();
    {
        // A converter that finished a conversion merges next.
        CAVEncodeParam cut;
        cut.plainCut = true;
        cut.rangeDuration = 500000;
        ConverterReports converted;
        QVERIFY(converter->StartConvert(wav.toUtf8().constData(),
                                        m_dir.filePath("cut.wav").toUtf8().constData(), &cut,
                                        &converted, &ConverterReports::callback, false));
        QTRY_COMPARE_WITH_TIMEOUT(converted.count(convertFinished), 1, 30000);
    }
    QVERIFY(converter->StartMerger(output.toUtf8().constData(), &out));
    CAVEncodeParam whole;
    CAVEncodeParam middle; // 1.0 s of the MP3, from 0.5 s
    middle.rangeStart = 500000;
    middle.rangeDuration = 1000000;
    QVERIFY(converter->AddMergerTask(wav.toUtf8().constData(), &whole, &reports, &ConverterReports::callback));
    QVERIFY(converter->AddMergerTask(b.toUtf8().constData(), &middle, &reports, &ConverterReports::callback));
    QVERIFY(converter->AddMergerTask(c.toUtf8().constData(), &whole, &reports, &ConverterReports::callback));
    QVERIFY(!converter->AddMergerTask(m_dir.filePath("missing.wav").toUtf8().constData(), &whole,
                                      &reports, &ConverterReports::callback));
    QTRY_VERIFY_WITH_TIMEOUT(reports.count(convertFinished) == 1, 60000);
    // Progress only rises, over all three sources.
    unsigned last = 0;
    for (const auto &r : reports.copy())
        if (r.second == convertProgress) {
            QVERIFY(r.first > last);
            last = r.first;
        }
    converter->StopMerger(true);
    DestroyAVConverter(converter);
    QCOMPARE(reports.count(convertStopped), 0);

    // 30 + 1.0 + 1.5 s, in order: 440, 660 and 880 Hz.
    const double seconds = FilterChain::durationSeconds(output);
    QVERIFY2(qAbs(seconds - 32.5) < 0.002, qPrintable(QString::number(seconds)));
    const QVector<float> samples = FilterChain::decodeFile(output);
    QVERIFY(qAbs(FilterChain::frequency(samples, 29.1, 29.9) - 440) < 5);
    QVERIFY(qAbs(FilterChain::frequency(samples, 30.1, 30.9) - 660) < 5);
    QVERIFY(qAbs(FilterChain::frequency(samples, 31.1, 32.4) - 880) < 5);
}

void TestMerger::stopWithAndWithoutWaiting()
{
    const QString longWav = m_dir.filePath("long.wav");
    QVERIFY(TestSupport::writeToneWav(longWav, 440, 60.0));
    for (bool wait : {true, false}) {
        const QString output = m_dir.filePath(wait ? "stopped-wait.mp3" : "stopped.mp3");
        CAVEncodeParam out;
        out.setFormatName("mp3");
        CAVEncodeParam whole;
        ConverterReports reports;
        IAVConverter *converter = CreateAVConverter();
        QVERIFY(converter->StartMerger(output.toUtf8().constData(), &out));
        QVERIFY(converter->AddMergerTask(longWav.toUtf8().constData(), &whole, &reports, &ConverterReports::callback));
        QVERIFY(converter->AddMergerTask(longWav.toUtf8().constData(), &whole, &reports, &ConverterReports::callback));
        QTRY_VERIFY_WITH_TIMEOUT(reports.count(convertProgress) > 0, 30000);
        converter->StopMerger(wait);
        if (wait)
            QCOMPARE(reports.copy().back(), std::make_pair(0u, convertStopped));
        QTRY_COMPARE_WITH_TIMEOUT(reports.count(convertStopped), 1, 10000);
        QCOMPARE(reports.count(convertFinished), 0);
        QVERIFY(!QFile::exists(output));
        converter->StopMerger(true); // nothing held any more
        DestroyAVConverter(converter);
        QCOMPARE(reports.count(convertStopped), 1);
    }
}

QTEST_MAIN(TestMerger)
#include "tst_merger.moc"
