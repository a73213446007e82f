// The private sound server must carry a played tone to a recorder of its monitor.
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class SoundFixtureTest : public QObject
{
    Q_OBJECT
private slots:
    void serverHasTheTestDevices()
    {
        QByteArray out;
        QCOMPARE(TestSupport::runProgram("pactl", {"list", "short", "sinks"}, 10000, &out), 0);
        QVERIFY(out.contains("system_sound"));
        QVERIFY(out.contains("mic_feed"));
        QCOMPARE(TestSupport::runProgram("pactl", {"list", "short", "sources"}, 10000, &out), 0);
        QVERIFY(out.contains("test_microphone"));
    }
    void toneIntoMicFeedReachesTheMicrophone()
    {
        QTemporaryDir dir;
        const QString tone = dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(tone, 1000, 1.5));
        QProcess rec;
        rec.start("parec", {"--device=test_microphone", "--format=float32le", "--rate=44100",
                            "--channels=2", "--latency-msec=20"});
        QVERIFY(rec.waitForStarted());
        QTest::qWait(200);
        QCOMPARE(TestSupport::runProgram("paplay", {"--device=mic_feed", tone}), 0);
        QTest::qWait(200);
        rec.terminate();
        rec.waitForFinished(3000);
        const QByteArray raw = rec.readAllStandardOutput();
        QVector<float> samples(raw.size() / int(sizeof(float)));
        memcpy(samples.data(), raw.constData(), size_t(samples.size()) * sizeof(float));
        QVERIFY2(samples.size() > 44100 * 2, qPrintable(QString::number(samples.size())));
        const double p1000 = TestSupport::goertzelPowerInterleaved(samples, 2, 1000, 44100);
        const double p440 = TestSupport::goertzelPowerInterleaved(samples, 2, 440, 44100);
        QVERIFY2(p1000 > 100 * p440, qPrintable(QString("%1 %2").arg(p1000).arg(p440)));
    }
};

QTEST_GUILESS_MAIN(SoundFixtureTest)
#include "tst_soundfixture.moc"
