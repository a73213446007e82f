// The library with the recorder and the playback bar, as the main window
// joins them: a recording made from the private sound server's loop-back
// gets its running row, takes its recognised title at the stop and carries
// its tags, and is left alone (file and row) while every other row is
// deleted; rows played from the table are heard on the server's output.

#include "libraryfixture.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "soundcapture.h"
#include "testsupport.h"

#include "common/qconverteroperate.h"
#include "common/qconvertersetting.h"
#include "common/qvideosettingxml.h"
#include "controls/qplaycontrolwgt.h"
#include "library/libraryconnections.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryrenaming.h"
#include "library/qrecordingrows.h"
#include "media/jxinfoclass.h"
#include "media/jxqplayobject.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"

#include "rzcodec/codecids.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace LibraryFixture;

class TestLibraryPlayback : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void recordedM4aTakesItsRecognisedTitle();
    void rowPlayedFromTheTableIsHeard();
    void pausedRowResumesWhereItStoppedAndARenameFollows();
    void deletingEverythingLeavesTheRunningRecording_data();
    void deletingEverythingLeavesTheRunningRecording();

private:
    QTemporaryDir m_dir;
    QString m_sink;
};

void TestLibraryPlayback::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY2(loop->install(), qPrintable(loop->errorString()));
    m_sink = QString::fromUtf8(loop->sinkName());
}

void TestLibraryPlayback::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

void TestLibraryPlayback::recordedM4aTakesItsRecognisedTitle()
{
    TestSupport::useAudioFormat({"MP4", "m4a", RZ_CODEC_AAC, 2, 44100, 128});
    TestSupport::useSources(true, false);

    const QString out = m_dir.filePath("recordings");
    QVERIFY(QDir().mkpath(out));
    QConverterOperate::setConverterPath(out + "/");
    const QString wav = m_dir.filePath("440.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440, 6.0));
    TestSupport::Playback player(wav, m_sink);
    QVERIFY(player.waitPlaying());

    Library lib;
    QRecordObject recorder;
    const QString path = out + "/REC_20240205101500.m4a";
    QVERIFY(recorder.startRecorder(path, 100.0f, false));
    lib.table.recordings()->AddAudioFile(path, true);
    lib.table.recordings()->OnSetRecordingIsSilent(true);
    QSignalSpy time(&recorder, &QRecordObject::emitRecordTime);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 0, 5000);
    // The recogniser's answer arrives while the file is still being written.
    JXRecognizerAudioTagInfo tags;
    tags.title = "Evening Tone";
    tags.artist = "Sine Players";
    tags.album = "Test Signals";
    // To both, as the main window connects them: the table plans the name,
    // the recording object writes the tags and names the file.
    lib.table.recordings()->OnSetRecordingTagInfo(tags);
    emit recorder.m_track1->emitRecognizedAudioTagInfo(tags);
    QCOMPARE(lib.shownNames().first(), QString("Evening Tone"));
    lib.table.recordings()->OnSetRecordingIsSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.recordedTime() >= 2000000, 10000);
    QSignalSpy completed(&recorder, &QRecordObject::emitRecordingCompleted);
    QVERIFY(TestSupport::stopRecording(recorder));
    QCOMPARE(completed.size(), 1);
    const auto finished = completed.first().at(0).value<convertedInfo>();
    lib.table.recordings()->SupplyRecordingChunkInfo(finished, true, completed.first().at(2).toLongLong());

    const QString named = out + "/Evening Tone.m4a";
    QVERIFY(QFile::exists(named));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(historyPaths(), QStringList({named}));
    QCOMPARE(historyInfo(named).attribute("Title_"), QString("Evening Tone"));
    JXInfoClass info;
    info.Create_Info();
    QVERIFY(info.Open_Info(named.toUtf8().constData()));
    QCOMPARE(QString::fromStdString(info.GetMetaData_Info("title").value_or("")), QString("Evening Tone"));
    QCOMPARE(QString::fromStdString(info.GetMetaData_Info("artist").value_or("")), QString("Sine Players"));
    QVERIFY(info.GetDuration_Info() >= 1900000);
    QAudioFileChunk *row = lib.shownRow("Evening Tone");
    QVERIFY(row);
    QCOMPARE(QString::fromStdString(row->getPlayTime()), finished.time);
}

void TestLibraryPlayback::rowPlayedFromTheTableIsHeard()
{
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    const QString low = m_dir.filePath("low.wav"), high = m_dir.filePath("high.wav");
    QVERIFY(TestSupport::writeToneWav(low, 440, 1.5));
    QVERIFY(TestSupport::writeToneWav(high, 1760, 1.5));
    QVideoSettingXml::SaveConvertedInfo(record(low, "01-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(high, "02-01-2024 10:00"));
    Library lib;
    QPlayControlWgt bar;
    LibraryConnections::connectTableAndPlayBar(&lib.table, &bar, &lib.panel);
    QSignalSpy finished(&bar, &QPlayControlWgt::emitFinishPlay);

    SoundCapture capture;
    QVERIFY(capture.start());
    // The older, low tone is the second row; playing it plays it alone to the end.
    QCOMPARE(lib.shownNames(), QStringList({"high", "low"}));
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(1, 1));
    QCOMPARE(bar.playList(), QStringList({high, low}));
    QCOMPARE(bar.currentFile(), low);
    QTRY_VERIFY_WITH_TIMEOUT(bar.isPlaying(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    const QVector<float> heard = capture.stop();
    QVERIFY2(SoundLevel::tone(heard, 440) > 20 * SoundLevel::tone(heard, 1760),
             qPrintable(QString("%1 %2").arg(SoundLevel::tone(heard, 440)).arg(SoundLevel::tone(heard, 1760))));
    QVERIFY(!lib.table.rows().current().playingRow());
    QVERIFY(!lib.panel.playingEntry());

    // Play and pause from the table follow the bar.
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(0, 1));
    QTRY_VERIFY_WITH_TIMEOUT(bar.isPlaying(), 3000);
    QCOMPARE(bar.currentFile(), high);
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(0, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!bar.isPlaying(), 3000);
    QCOMPARE(lib.table.rows().current().playingRow()->GetAudioState(), QAudioFileChunk::AudioPause);
    // Deleting the file being played closes it in the bar.
    QLibraryQuestions::setAnswerer([](const QString &) { return 2; });
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(0, 7));
    QVERIFY(lib.deletionsDone());
    QLibraryQuestions::setAnswerer(nullptr);
    QVERIFY(!bar.playList().contains(high));
    QVERIFY(!QFile::exists(high));
}

void TestLibraryPlayback::pausedRowResumesWhereItStoppedAndARenameFollows()
{
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    const QString path = m_dir.filePath("long.wav");
    QVERIFY(TestSupport::writeToneWav(path, 660, 10.0));
    QVideoSettingXml::SaveConvertedInfo(record(path, "01-01-2024 10:00"));
    Library lib;
    QPlayControlWgt bar;
    LibraryConnections::connectTableAndPlayBar(&lib.table, &bar, &lib.panel);
    JXQPlayObject *player = bar.playObject();
    const QModelIndex row = lib.table.sortModel()->index(0, 1);

    lib.table.playback()->OnPlayItem(row);
    QTRY_VERIFY_WITH_TIMEOUT(bar.isPlaying(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(player->getCurrentPlayerPos() > 1000000, 5000);
    lib.table.playback()->OnPlayItem(row);
    QTRY_VERIFY_WITH_TIMEOUT(!bar.isPlaying(), 3000);
    QCOMPARE(lib.table.rows().current().playingRow()->GetAudioState(), QAudioFileChunk::AudioPause);
    const uint64_t paused = player->getCurrentPlayerPos();
    QVERIFY2(paused > 1000000 && paused < 5000000, qPrintable(QString::number(paused)));

    lib.table.playback()->OnPlayItem(row);
    QTRY_VERIFY_WITH_TIMEOUT(bar.isPlaying(), 3000);
    QCOMPARE(lib.table.rows().current().playingRow()->GetAudioState(), QAudioFileChunk::AudioPlaying);
    const uint64_t resumed = player->getCurrentPlayerPos();
    QVERIFY2(resumed + 100000 >= paused && resumed < paused + 700000,
             qPrintable(QString("%1 -> %2").arg(paused).arg(resumed)));
    QTRY_VERIFY_WITH_TIMEOUT(player->getCurrentPlayerPos() > resumed + 300000, 5000);

    // Renamed while it plays: the bar lets go of the file, then plays on
    // from the same place under the new name.
    const uint64_t before = player->getCurrentPlayerPos();
    QVERIFY(lib.table.renaming()->OnRenameFile(row, "renamed"));
    const QString renamed = m_dir.filePath("renamed.wav");
    QVERIFY(QFile::exists(renamed) && !QFile::exists(path));
    QCOMPARE(bar.currentFile(), renamed);
    QCOMPARE(bar.playList(), QStringList({renamed}));
    QTRY_VERIFY_WITH_TIMEOUT(bar.isPlaying(), 3000);
    QVERIFY2(player->getCurrentPlayerPos() + 100000 >= before,
             qPrintable(QString("%1 -> %2").arg(before).arg(player->getCurrentPlayerPos())));
    QCOMPARE(historyPaths(), QStringList({renamed}));
    bar.OnPlayOrPause(false);
}

void TestLibraryPlayback::deletingEverythingLeavesTheRunningRecording_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("Delete All") << "all";
    QTest::newRow("every row selected, Delete") << "selected";
}

void TestLibraryPlayback::deletingEverythingLeavesTheRunningRecording()
{
    // A recording being made from the server's loop-back while every row
    // of "All Recordings" is deleted: the recordings of before go, the one
    // being recorded stays listed and its file goes on growing, whole once
    // stopped.
    QFETCH(QString, road);
    TestSupport::useAudioFormat({"WAV", "wav", RZ_CODEC_PCM_S16LE});
    TestSupport::useSources(true, false);
    const QString out = m_dir.filePath("everything-" + road);
    QVERIFY(QDir().mkpath(out));
    QConverterOperate::setConverterPath(out + "/");
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    const QString older = out + "/older.wav", old = out + "/old.wav";
    QVERIFY(TestSupport::writeToneWav(older, 440, 1.0));
    QVERIFY(TestSupport::writeToneWav(old, 880, 1.0));
    QVideoSettingXml::SaveConvertedInfo(record(older, "01-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(old, "02-01-2024 10:00"));
    const QString wav = m_dir.filePath("source-" + road + ".wav");
    QVERIFY(TestSupport::writeToneWav(wav, 660, 20.0));
    TestSupport::Playback player(wav, m_sink);
    QVERIFY(player.waitPlaying());

    Library lib;
    QCOMPARE(lib.shownNames(), QStringList({"old", "older"}));
    QRecordObject recorder;
    const QString path = out + "/REC_20240205101500.wav";
    QVERIFY(recorder.startRecorder(path, 100.0f, false));
    lib.table.recordings()->AddAudioFile(path, true);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 44, 5000);
    QVERIFY(lib.table.rows().current().recordingRow());

    QLibraryQuestions::setAnswerer([](const QString &) { return 2; });
    if (road == "all") {
        lib.table.deletion()->OnActDeleteAllFiles();
    } else {
        lib.table.tableView()->selectAll();
        lib.table.deletion()->OnActDeleteFile();
    }
    QVERIFY(lib.deletionsDone());
    QLibraryQuestions::setAnswerer(nullptr);
    QVERIFY(!QFile::exists(older) && !QFile::exists(old));
    QCOMPARE(lib.shownNames(), QStringList({"REC_20240205101500"}));
    QVERIFY(lib.table.rows().current().recordingRow());
    QVERIFY(QFile::exists(path));
    // Still being written: what it holds grows.
    const qint64 then = QFileInfo(path).size();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > then + 44100, 10000);

    QSignalSpy completed(&recorder, &QRecordObject::emitRecordingCompleted);
    QVERIFY(TestSupport::stopRecording(recorder));
    QCOMPARE(completed.size(), 1);
    const auto finished = completed.first().at(0).value<convertedInfo>();
    lib.table.recordings()->SupplyRecordingChunkInfo(finished, true, completed.first().at(2).toLongLong());
    QVERIFY(QFile::exists(finished.convertedPath));
    QCOMPARE(historyPaths(), QStringList({finished.convertedPath}));
    QCOMPARE(lib.shownNames(), QStringList({QFileInfo(finished.convertedPath).completeBaseName()}));
}

QTEST_MAIN(TestLibraryPlayback)
#include "tst_playback.moc"
