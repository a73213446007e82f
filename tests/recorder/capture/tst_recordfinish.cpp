// A recording's stop completes its file on a worker while the capture
// threads end and the encoder drains: a Start and a cut right after a stop
// wait for that finish and each file is whole and stored once. Also run
// under ThreadSanitizer, where it checks the hand-over between the owner's
// thread, the finishing worker, the capture threads and the encoder.
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordobject.h"

#include "rzcodec/codecids.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class RecordFinishTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QConverterSetting::InitSetting();
        QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
        LoopbackDevice *loop = LoopbackDevice::instance();
        QVERIFY2(loop->install(), qPrintable(loop->errorString()));
        TestSupport::useAudioFormat({"WAV", "wav", RZ_CODEC_PCM_S16LE, 2, 44100, 0});
        TestSupport::useSources(true, false);
        m_tone = m_dir.filePath("tone.wav");
        QVERIFY(TestSupport::writeToneWav(m_tone, 440, 8.0, 44100, 2, 0.5));
    }

    void startAndCutRightAfterAStopKeepEveryFile()
    {
        TestSupport::Playback play(m_tone, QString::fromUtf8(LoopbackDevice::instance()->sinkName()));
        QVERIFY(play.waitPlaying());
        QRecordObject rec;
        QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
        const QStringList paths{m_dir.filePath("a.wav"), m_dir.filePath("b.wav"), m_dir.filePath("c.wav")};
        QVERIFY2(rec.startRecorder(paths[0], 100.0f, false), qPrintable(rec.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 500000, 10000);
        rec.stopRecorder();
        QVERIFY(rec.isFinishing());
        // Started at once: it waits for the file before.
        QVERIFY2(rec.startRecorder(paths[1], 100.0f, false), qPrintable(rec.errorString()));
        QCOMPARE(completed.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 500000, 10000);
        rec.stopRecorder(QRecordObject::KeepSourcesForNextStart);
        QVERIFY(rec.isFinishing());
        QVERIFY2(rec.startRecorder(paths[2], 100.0f, false), qPrintable(rec.errorString()));
        QCOMPARE(completed.size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 500000, 10000);
        QVERIFY(TestSupport::stopRecording(rec));
        QCOMPARE(completed.size(), 3);
        for (int i = 0; i < paths.size(); ++i) {
            QCOMPARE(completed.at(i).at(0).value<convertedInfo>().convertedPath, paths[i]);
            QVERIFY(completed.at(i).at(1).toBool());
            // Half a second of 16-bit stereo at least, in a complete header.
            QVERIFY2(QFileInfo(paths[i]).size() >= 88200, qPrintable(paths[i]));
            QCOMPARE(TestSupport::historyEntries(paths[i]).size(), 1);
        }
    }

    void cleanupTestCase() { LoopbackDevice::instance()->restore(); }

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

QTEST_MAIN(RecordFinishTest)
#include "tst_recordfinish.moc"
