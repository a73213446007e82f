// A recording process killed outright keeps what it recorded, in every format.

#include "crashchildren.h"
#include "mediaprobe.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRecorderCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedRecordingStaysDecodable();
};

void TestRecorderCrash::killedRecordingStaysDecodable()
{
    QTemporaryDir dir;
    const auto formats = recordFormats();
    QString error;
    const QStringList paths = recordAndKill(dir.path(), formats, 5, false, &error);
    QVERIFY2(!paths.isEmpty(), qPrintable(error));
    for (int i = 0; i < formats.size(); ++i) {
        const RecordFormat &f = formats[i];
        const MediaProbe::Decoded d = MediaProbe::decode(paths[i]);
        qInfo("%s: %.2f s decodable after the kill", qPrintable(f.name), d.seconds());
        QVERIFY2(d.seconds() >= 4.0, qPrintable(f.name + ": " + QString::number(d.seconds())));
        QVERIFY2(MediaProbe::toneShare(d.mono, 440) > 0.8, qPrintable(f.name));
    }
}

QTEST_GUILESS_MAIN(TestRecorderCrash)
#include "tst_recordercrash.moc"
