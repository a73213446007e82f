// A recording's stop completes its file on a worker while the capture
// threads end and the encoder drains: a Start and a cut right after a stop
// wait for that finish and each file is whole and stored once; tags
// recognised on another thread while it stops reach the file, but never a
// file whose writing failed: there they go into its record only. Also run
// under ThreadSanitizer, where it checks the hand-over between the owner's
// thread, the finishing worker, the capture threads and the encoder.
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "platform/audio/loopbackdevice.h"
#include "media/jxtagfileaccess.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordingfinisher.h"
#include "recorder/qrecordobject.h"

#include "rzcodec/codecids.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

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

    void tagsRecognisedOnAnotherThreadDuringTheStopReachTheFile()
    {
        TestSupport::Playback play(m_tone, QString::fromUtf8(LoopbackDevice::instance()->sinkName()));
        QVERIFY(play.waitPlaying());
        QRecordObject rec;
        QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
        const QString path = m_dir.filePath("REC_racing.wav");
        QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 500000, 10000);
        // As the capture thread hands them on: again and again, through the
        // stop and the finish's read of them.
        std::atomic<bool> done{false};
        std::atomic<int> sent{0};
        std::thread recogniser([&] {
            JXRecognizerAudioTagInfo tags;
            tags.title = "Racing Song";
            tags.artist = "Threads";
            while (!done) {
                emit rec.m_track1->emitRecognizedAudioTagInfo(tags);
                ++sent;
                std::this_thread::yield();
            }
        });
        QTRY_VERIFY(sent > 0);
        const bool stopped = TestSupport::stopRecording(rec);
        done = true;
        recogniser.join();
        QVERIFY(stopped);
        QCOMPARE(completed.size(), 1);
        const QString named = m_dir.filePath("Racing Song.wav");
        QCOMPARE(completed.first().at(0).value<convertedInfo>().convertedPath, named);
        VEAudioTagInfo read;
        QVERIFY(JXTagFileAccess::read(named.toStdString(), read));
        QCOMPARE(read.artist, std::string("Threads"));
        QCOMPARE(TestSupport::historyEntries(named).size(), 1);
        QVERIFY(!QFileInfo::exists(path));
    }

    void tagsStayOutOfAFileWhoseWritingFailed()
    {
        const QString root = m_dir.filePath("small-disk");
        QVERIFY(QDir().mkpath(root));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", root}) != 0)
            QSKIP("mounting a tmpfs needs root");
        struct Unmount {
            QString dir;
            ~Unmount() { QProcess::execute("umount", {"-l", dir}); }
        } unmount{root};
        // Room for about two seconds of the recording.
        const QString fillerPath = root + "/filler";
        {
            QFile filler(fillerPath);
            QVERIFY(filler.open(QIODevice::WriteOnly));
            QCOMPARE(filler.write(QByteArray(1024 * 1024 - 400 * 1024, '\0')), qint64(1024 * 1024 - 400 * 1024));
        }
        // The room is back by the time tags could go in: only the failed
        // write keeps them out.
        QRecordingFinisher::setBeforeTagsHook([fillerPath](const QString &) { QFile::remove(fillerPath); });
        struct ClearHook {
            ~ClearHook() { QRecordingFinisher::setBeforeTagsHook(nullptr); }
        } clearHook;
        TestSupport::Playback play(m_tone, QString::fromUtf8(LoopbackDevice::instance()->sinkName()));
        QVERIFY(play.waitPlaying());
        QRecordObject rec;
        QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
        QSignalSpy notWritten(&rec, &QRecordObject::emitTagsNotWritten);
        const QString path = root + "/REC_full.wav";
        QVERIFY2(rec.startRecorder(path, 100.0f, false), qPrintable(rec.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 300000, 10000);
        JXRecognizerAudioTagInfo tags;
        tags.title = "Full Song";
        tags.artist = "Small Disk";
        emit rec.m_track1->emitRecognizedAudioTagInfo(tags);
        // It stops by itself when the disk is full.
        QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 1, 20000);
        const QString named = root + "/Full Song.wav";
        QCOMPARE(completed.first().at(0).value<convertedInfo>().convertedPath, named);
        QVERIFY(completed.first().at(1).toBool());
        QCOMPARE(notWritten.size(), 1);
        QCOMPARE(notWritten.first().at(0).toString(), named);
        VEAudioTagInfo read;
        JXTagFileAccess::read(named.toStdString(), read);
        QCOMPARE(read.artist, std::string());
        const QList<QDomElement> entries = TestSupport::historyEntries(named);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(completed.first().at(0).value<convertedInfo>().artist, QStringLiteral("Small Disk"));
    }

    void cleanupTestCase() { LoopbackDevice::instance()->restore(); }

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

QTEST_MAIN(RecordFinishTest)
#include "tst_recordfinish.moc"
