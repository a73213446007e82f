// A recording process killed outright keeps what it recorded, in every format.

#include "mediaprobe.h"
#include "recordformats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class TestRecorderCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedRecordingStaysDecodable();
};

void TestRecorderCrash::killedRecordingStaysDecodable()
{
    QTemporaryDir dir;
    const QString child = QCoreApplication::applicationDirPath() + "/recorder_crashchild";
    const auto formats = recordFormats();
    std::vector<std::unique_ptr<QProcess>> procs;
    // All formats at once: each child records in real time.
    for (const RecordFormat &f : formats) {
        auto p = std::make_unique<QProcess>();
        p->start(child, {dir.filePath("killed-" + f.name + "." + f.extension), f.muxer,
                         QString::number(f.codecId), QString::number(f.sampleRate),
                         QString::number(f.channels), QString::number(f.kbps)});
        QVERIFY2(p->waitForStarted(5000), qPrintable(f.name));
        procs.push_back(std::move(p));
    }
    for (size_t i = 0; i < procs.size(); ++i) {
        QByteArray said;
        QElapsedTimer waited;
        waited.start();
        while (!said.contains("recording") && procs[i]->state() == QProcess::Running
               && waited.elapsed() < 5000) {
            procs[i]->waitForReadyRead(100);
            said += procs[i]->readAllStandardOutput();
        }
        QVERIFY2(said.contains("recording") && procs[i]->state() == QProcess::Running,
                 qPrintable(formats[int(i)].name + ": " + procs[i]->readAllStandardError()));
    }
    QTest::qWait(5000);
    for (auto &p : procs) {
        p->kill(); // SIGKILL: no trailer, no clean-up
        p->waitForFinished(5000);
    }
    for (const RecordFormat &f : formats) {
        const QString path = dir.filePath("killed-" + f.name + "." + f.extension);
        const MediaProbe::Decoded d = MediaProbe::decode(path);
        qInfo("%s: %.2f s decodable after the kill", qPrintable(f.name), d.seconds());
        QVERIFY2(d.seconds() >= 4.0, qPrintable(f.name + ": " + QString::number(d.seconds())));
        QVERIFY2(MediaProbe::toneShare(d.mono, 440) > 0.8, qPrintable(f.name));
    }
}

QTEST_GUILESS_MAIN(TestRecorderCrash)
#include "tst_recordercrash.moc"
