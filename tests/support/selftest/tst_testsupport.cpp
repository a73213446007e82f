// The tone detector is what every sound test trusts: it must tell tones apart.
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSupportSelfTest : public QObject
{
    Q_OBJECT
private slots:
    void goertzelSeparatesTones()
    {
        const QVector<float> a = TestSupport::sineTone(440, 0.5, 44100, 1);
        const double at440 = TestSupport::goertzelPower(a.constData(), a.size(), 440, 44100);
        const double at1000 = TestSupport::goertzelPower(a.constData(), a.size(), 1000, 44100);
        QVERIFY(at440 > 0.05);
        QVERIFY(at440 > 1000 * at1000);
    }
    void wavFileHasExpectedLength()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(path, 440, 1.0, 44100, 2));
        QCOMPARE(QFile(path).size(), qint64(44 + 44100 * 2 * 2));
        QVERIFY(!TestSupport::writeToneWav(dir.filePath("missing/dir/tone.wav"), 440, 1.0));
    }
    void environmentIsPrivate()
    {
        QVERIFY(qEnvironmentVariable("HOME").startsWith("/tmp/velmora-test."));
        QCOMPARE(qEnvironmentVariable("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
};

QTEST_GUILESS_MAIN(TestSupportSelfTest)
#include "tst_testsupport.moc"
