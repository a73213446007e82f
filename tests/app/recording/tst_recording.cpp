// The main window records: Start gives the recording state, a growing file
// while a tone plays into the default output and the running row in the
// recordings table; Stop completes the file, its history record and the row;
// played from its row, the recording is heard on the real output.
// A cut or a split by silence loses no sound between the two files; a cut or
// a Start while the last file is still being finished waits for it with the
// window's event loop turning, and loses nothing; closing or destroying the
// window while recording, or while the file is finished, keeps it; a failed
// start leaves the window idle with no file; a sound server that goes away
// ends the recording with one message, and the next one works once it is
// back; names are counted when taken. A split by silence in a track's silent
// ending names the next file after the track it holds, not the one before.

#include "appfixture.h"
#include "mediaprobe.h"
#include "queuedspy.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/qrecordingwidget.h"
#include "controls/selectrecordinputwgt.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibrarytableview.h"
#include "library/qlibraryplayback.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/views/qjxitemroles.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace AppFixture;
using TestSupport::historyEntries;
using TestSupport::Playback;
using TestSupport::SourceWitness;
using Moment = SourceWitness::Moment;

namespace {

QString preference(const QString &group, const QString &key)
{
    return QVideoSettingXml::GetItemValue(group, key, QString(), QString());
}

void setPreference(const QString &group, const QString &key, const QString &value)
{
    QVideoSettingXml::SetItemValue(group, key, value, QString());
}

// Files of recordings in a folder, oldest name first.
QStringList recordings(const QString &folder)
{
    QStringList paths;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("REC_*")}, QDir::Files, QDir::Name))
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

Moment now()
{
    return std::chrono::steady_clock::now();
}

} // namespace

class TestRecording : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startStopAndPlayBack();
    void cutAndSilenceSplitLoseNothing();
    void aSplitInASilentEndingNamesTheNextFileAfterItsTrack();
    void closingWhileRecordingKeepsTheRecording_data();
    void closingWhileRecordingKeepsTheRecording();
    void cutAndStartWaitForTheFileBeingFinished();
    void closingWhileTheFileIsFinishedKeepsIt_data();
    void closingWhileTheFileIsFinishedKeepsIt();
    void failedStartLeavesTheWindowIdle();
    void lostSoundServerEndsTheRecordingOnce();
    void takenNamesAreCounted();

private:
    void waitRecorded(MainWindow &window, uint64_t microseconds);
    QTemporaryDir m_dir;
    QString m_tone8s;
    QString m_folder;
    std::unique_ptr<MainWindow> m_window;
};

void TestRecording::initTestCase()
{
    m_tone8s = m_dir.filePath(QStringLiteral("tone8s.wav"));
    QVERIFY(TestSupport::writeToneWav(m_tone8s, 440, 8.0, 44100, 2, 0.5));
}

void TestRecording::init()
{
    m_window = std::make_unique<MainWindow>();
    useWavFormat();
    m_folder = m_dir.filePath(QStringLiteral("out-%1").arg(QTest::currentTestFunction()));
    // Stored without its trailing separator, as a hand-edited file may hold it.
    m_window->SetOutPath(m_folder);
    m_window->resize(841, 498);
    m_window->show();
    QVERIFY(AppFixture::windowReady(*m_window));
}

void TestRecording::cleanup()
{
    m_window.reset();
    setPreference(QStringLiteral("Split_Recording"), QStringLiteral("Split_According_To_Silence"), QStringLiteral("N"));
}

void TestRecording::waitRecorded(MainWindow &window, uint64_t microseconds)
{
    QTRY_VERIFY_WITH_TIMEOUT(window.recordObject() && window.recordObject()->recordedTime() >= microseconds, 15000);
}

void TestRecording::startStopAndPlayBack()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    QCOMPARE(TestSupport::serverDefault(), LoopbackDevice::instance()->sinkName());
    setPreference(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Bool_Schedule"), QStringLiteral("Y"));

    auto tone = std::make_unique<Playback>(m_tone8s);
    QVERIFY(tone->waitPlaying());
    SourceWitness server(AppFixture::deviceMonitor());
    QVERIFY(server.listening());
    const Moment started = now();
    QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    QVERIFY(!ui->m_btnStartRecord->isVisible());
    QVERIFY(ui->m_btnStopRecord->isVisible());
    QVERIFY(ui->m_btnCut->isEnabled());
    QVERIFY(!ui->m_btnFormat->isEnabled());
    QVERIFY(!ui->m_btnSchedule->isEnabled());
    QVERIFY(w.recordingPanel()->isVisible());
    QVERIFY(!w.playControl()->isVisible());

    // The file is inside the folder and grows while the tone plays; the
    // table shows it as the running recording.
    const QString path = w.recordObject()->outputPath();
    QAudioFileChunk *row = rowOf(w.recordingsTable(), path);
    QVERIFY(row);
    QCOMPARE(w.recordingsTable()->rows().current().recordingRow(), row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioRecording);
    QCOMPARE(QFileInfo(path).absolutePath(), m_folder);
    QVERIFY2(QFileInfo(path).fileName().startsWith(QStringLiteral("REC_")), qPrintable(path));
    QTRY_VERIFY(QFileInfo(path).size() > 100000);
    const qint64 grown = QFileInfo(path).size();
    QTRY_VERIFY(QFileInfo(path).size() > grown);

    // The level blocks the recording panel shows are the window's copies.
    QByteArray lastEmitted;
    connect(w.recordObject(), &QRecordObject::emitAudioData, this,
            [&lastEmitted](unsigned char *data, int) {
                if (data)
                    lastEmitted = QByteArray(reinterpret_cast<const char *>(data), 44 + qFromLittleEndian<quint32>(data + 40));
            }, Qt::DirectConnection);
    waitRecorded(w, 2500000);
    TestSupport::saveScreenshot(&w, QStringLiteral("app_mainwindow_recording"));
    QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
    const Moment stopped = now();
    QVERIFY(recordingStored(w));

    QVERIFY(!w.isRecording());
    QVERIFY(ui->m_btnStartRecord->isVisible());
    QVERIFY(!ui->m_btnStopRecord->isVisible());
    QVERIFY(!ui->m_btnCut->isEnabled());
    QVERIFY(ui->m_btnFormat->isEnabled());
    QVERIFY(!lastEmitted.isEmpty());
    QCOMPARE(w.lastLevelBlock(), lastEmitted);
    QCOMPARE(preference(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Bool_Schedule")), QStringLiteral("N"));

    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    const double seconds = w.recordObject()->recordedTime() / 1e6;
    QVERIFY2(qAbs(decoded.seconds() - seconds) <= 0.1, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, server.breaks(440, started, stopped));
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(historyEntries(path).size(), 1);
    QCOMPARE(recordings(m_folder), QStringList{path});
    // The library lists it, completed, under All recordings.
    QVERIFY(!w.recordingsTable()->rows().current().recordingRow());
    row = rowOf(w.recordingsTable(), path);
    QVERIFY(row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    QCOMPARE(w.libraryPanel()->tableView()->currentIndex().row(), int(QLibraryPlayListWgt::RowAll));
    const QModelIndex index = AppFixture::viewIndexOf(w.recordingsTable(), path);
    QVERIFY(index.isValid());

    // Played from its row, the recording is heard on the real output.
    // The tone must end first: looped from the device to the real output, or
    // moved there when the device goes, it would mix with what is listened to.
    tone.reset();
    QProcess listener;
    const QString heard = m_dir.filePath(QStringLiteral("heard.wav"));
    // A short latency: PipeWire's pulse server otherwise hands a recorder its
    // data in blocks of seconds, and what is still buffered at the end is lost.
    listener.start(QStringLiteral("parecord"), {QStringLiteral("--device=system_sound.monitor"),
                                                QStringLiteral("--latency-msec=20"),
                                                QStringLiteral("--file-format=wav"), heard});
    QVERIFY(listener.waitForStarted(5000));
    w.recordingsTable()->playback()->OnPlayItem(index);
    QTRY_VERIFY_WITH_TIMEOUT(w.playControl()->isPlaying(), 5000);
    QCOMPARE(w.playControl()->currentFile(), path);
    // The bottom band now holds the playback bar.
    QVERIFY(w.playControl()->isVisible());
    QVERIFY(!w.recordingPanel()->isVisible());
    QCOMPARE(rowOf(w.recordingsTable(), path)->GetAudioState(), QAudioFileChunk::AudioPlaying);
    TestSupport::saveScreenshot(&w, QStringLiteral("app_mainwindow_playing"));
    // Listen until a second and a half of the recording has been played.
    const QJXBaseSlider *position = w.playControl()->positionSlider();
    QTRY_VERIFY_WITH_TIMEOUT(position->value() >= position->maximum() * 1.5 / seconds, 15000);
    listener.terminate();
    QVERIFY(listener.waitForFinished(5000));
    w.playControl()->OnPlayOrPause(false);
    const MediaProbe::Decoded played = MediaProbe::decode(heard);
    QVERIFY2(MediaProbe::toneSeconds(played.mono) > 0.5, qPrintable(QString::number(MediaProbe::toneSeconds(played.mono))));
    // What was heard is the recorded tone, at its pitch: a loaded server's
    // output breaks the sine's phase now and then, under a sanitizer's load
    // in most tenths of a second, which leaves its pitch.
    const double heardPitch = MediaProbe::pitch(played.mono);
    QVERIFY2(std::abs(heardPitch - 440) < 22, qPrintable(QString::number(heardPitch)));
}

void TestRecording::cutAndSilenceSplitLoseNothing()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();

    // Cut while the tone plays: every block goes to one file or the other.
    const QString tone3s = m_dir.filePath(QStringLiteral("tone3s.wav"));
    QVERIFY(TestSupport::writeToneWav(tone3s, 440, 3.0, 44100, 2, 0.5));
    QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
    QTRY_VERIFY(w.recordObject()->recordedTime() > 200000);
    {
        SourceWitness device(AppFixture::deviceMonitor());
        QVERIFY(device.listening());
        Playback play(tone3s);
        QVERIFY(MediaProbe::waitHeard(device, 1.5));
        QTest::mouseClick(ui->m_btnCut, Qt::LeftButton);
        QVERIFY(w.isRecording());
        QVERIFY(ui->m_btnStopRecord->isVisible());
        QVERIFY(play.waitEnd(10000));
    }
    // Let the tone's tail reach the file: 300 ms more of recorded sound.
    waitRecorded(w, w.recordObject()->recordedTime() + 300000);
    QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(recordingStored(w));
    QStringList files = recordings(m_folder);
    QCOMPARE(files.size(), 2);
    double a = MediaProbe::toneSeconds(MediaProbe::decode(files[0]).mono);
    double b = MediaProbe::toneSeconds(MediaProbe::decode(files[1]).mono);
    qInfo("cut: tone before %.3f s, after %.3f s", a, b);
    QVERIFY(a > 1.0 && b > 1.0);
    QVERIFY2(qAbs(a + b - 3.0) <= 0.05, qPrintable(QString::number(a + b)));
    for (const QString &f : files)
        QCOMPARE(historyEntries(f).size(), 1);

    // Split by silence: tone, a second and a half of silence, tone again.
    const QString pattern = m_dir.filePath(QStringLiteral("pattern.wav"));
    QVector<float> samples = TestSupport::sineTone(440, 1.5);
    samples += QVector<float>(int(1.5 * 44100) * 2, 0.0f);
    samples += TestSupport::sineTone(440, 1.5);
    QVERIFY(TestSupport::writeWav(pattern, samples));
    const QString splitFolder = m_folder + QStringLiteral("-silence");
    w.SetOutPath(splitFolder + QLatin1Char('/'));
    setPreference(QStringLiteral("Split_Recording"), QStringLiteral("Split_According_To_Silence"), QStringLiteral("Y"));
    setPreference(QStringLiteral("Split_Recording"), QStringLiteral("Silence_More_Than"), QStringLiteral("700"));
    // The recording runs before the pattern plays, so its first tone is whole;
    // the silence before it stays far below the split limit.
    QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->recordedTime() > 0, 10000);
    {
        Playback play(pattern);
        const QString first = w.recordObject()->outputPath();
        QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->outputPath() != first, 8000);
        QVERIFY(play.waitEnd(10000));
    }
    waitRecorded(w, w.recordObject()->recordedTime() + 300000);
    QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(recordingStored(w));
    files = recordings(splitFolder);
    QCOMPARE(files.size(), 2);
    a = MediaProbe::toneSeconds(MediaProbe::decode(files[0]).mono);
    b = MediaProbe::toneSeconds(MediaProbe::decode(files[1]).mono);
    qInfo("silence split: tone before %.3f s, after %.3f s", a, b);
    QVERIFY2(qAbs(a - 1.5) <= 0.05 && qAbs(b - 1.5) <= 0.05, qPrintable(QStringLiteral("%1 %2").arg(a).arg(b)));
}

// An album played by a media player, recorded with a split by silence: the
// split comes in the first track's silent ending, while the player still
// names that track; the next file holds the next track and is named after it.
void TestRecording::aSplitInASilentEndingNamesTheNextFileAfterItsTrack()
{
    MainWindow &w = *m_window;
    const QString first = m_dir.filePath(QStringLiteral("first-track.wav"));
    QVector<float> samples = TestSupport::sineTone(440, 4.0);
    samples += QVector<float>(4 * 44100 * 2, 0.0f);
    QVERIFY(TestSupport::writeWav(first, samples));
    const QString second = m_dir.filePath(QStringLiteral("second-track.wav"));
    QVERIFY(TestSupport::writeToneWav(second, 660, 8.0, 44100, 2, 0.5));
    setPreference(QStringLiteral("Split_Recording"), QStringLiteral("Split_According_To_Silence"),
                  QStringLiteral("Y"));
    setPreference(QStringLiteral("Split_Recording"), QStringLiteral("Silence_More_Than"),
                  QStringLiteral("2000"));

    TestSupport::MprisPlayer player(
        {QStringLiteral("album"), QStringLiteral("Playing"), QStringLiteral("Silver River"),
         QStringLiteral("Northbound Trio"), QStringLiteral("Rivers"), QStringLiteral("--play"), first,
         QStringLiteral("--then"), QStringLiteral("Golden Field|Northbound Trio|Rivers|") + second});
    QVERIFY(player.ok());
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    const QString firstFile = w.recordObject()->outputPath();
    // Recognised once per file, before the split and after it.
    TestSupport::QueuedSpy tags(w.recordObject()->m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    auto recognised = [&tags] {
        return tags.calls().isEmpty()
                   ? QString()
                   : QString::fromUtf8(tags.calls().last().first().value<JXRecognizerAudioTagInfo>().title);
    };
    QTRY_COMPARE_WITH_TIMEOUT(recognised(), QStringLiteral("Silver River"), 15000);
    // Split two seconds into the four of silence, the player still naming the first track.
    QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->outputPath() != firstFile, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(player.said("track 2"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(recognised(), QStringLiteral("Golden Field"), 15000);
    QCOMPARE(tags.count(), 2);
    QTest::mouseClick(w.form()->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(recordingStored(w));

    const QStringList files = QDir(m_folder).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{QStringLiteral("Golden Field.wav"), QStringLiteral("Silver River.wav")}));
    const QList<QDomElement> named = historyEntries(m_folder + QStringLiteral("/Golden Field.wav"));
    QCOMPARE(named.size(), 1);
    QCOMPARE(named.first().firstChildElement().attribute(QStringLiteral("Title_")),
             QStringLiteral("Golden Field"));
}

void TestRecording::closingWhileRecordingKeepsTheRecording_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("close") << false;
    QTest::newRow("destroy") << true;
}

void TestRecording::closingWhileRecordingKeepsTheRecording()
{
    QFETCH(bool, destroy);
    Playback play(m_tone8s);
    QVERIFY(play.waitPlaying());
    SourceWitness server(AppFixture::deviceMonitor());
    QVERIFY(server.listening());
    const Moment started = now();
    QTest::mouseClick(m_window->form()->m_btnStartRecord, Qt::LeftButton);
    waitRecorded(*m_window, 1000000);
    const QString path = m_window->recordObject()->outputPath();
    const Moment stopped = now();
    if (destroy) {
        m_window.reset();
    } else {
        QVERIFY(m_window->close());
        QVERIFY(!m_window->isRecording());
    }
    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    QVERIFY2(decoded.seconds() >= 0.9, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, server.breaks(440, started, stopped));
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(historyEntries(path).size(), 1);
    if (!destroy) {
        QAudioFileChunk *row = rowOf(m_window->recordingsTable(), path);
        QVERIFY(row);
        QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    }
}

void TestRecording::cutAndStartWaitForTheFileBeingFinished()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    // Turns of the window's event loop.
    int turns = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&turns] { ++turns; });
    probe.start(5);
    const QString tone3s = m_dir.filePath(QStringLiteral("tone3s-finishing.wav"));
    QVERIFY(TestSupport::writeToneWav(tone3s, 440, 3.0, 44100, 2, 0.5));

    // A cut while the file is finished slowly: the next file waits for it,
    // and every block goes to one of the two.
    QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
    QTRY_VERIFY(w.recordObject()->recordedTime() > 200000);
    const QString first = w.recordObject()->outputPath();
    QString second;
    {
        SourceWitness device(AppFixture::deviceMonitor());
        QVERIFY(device.listening());
        Playback play(tone3s);
        QVERIFY(MediaProbe::waitHeard(device, 1.5));
        TestSupport::SlowFinish slow;
        QTest::mouseClick(ui->m_btnCut, Qt::LeftButton);
        // A second cut before the next file began changes nothing.
        QTest::mouseClick(ui->m_btnCut, Qt::LeftButton);
        QVERIFY(w.isRecording());
        QVERIFY(ui->m_btnStopRecord->isVisible());
        QVERIFY(w.recordObject()->isFinishing());
        QTRY_VERIFY(slow.entered());
        const int before = turns;
        QTRY_VERIFY(turns >= before + 10);
        QVERIFY(w.recordObject()->isFinishing());
        QCOMPARE(w.recordObject()->outputPath(), first);
        slow.release();
        QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->isRecording() && w.recordObject()->outputPath() != first,
                                 10000);
        second = w.recordObject()->outputPath();
        QVERIFY(play.waitEnd(10000));
    }
    waitRecorded(w, w.recordObject()->recordedTime() + 300000);

    // Stop, and Start at once while the file is finished slowly.
    {
        TestSupport::SlowFinish slow;
        QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
        QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
        QVERIFY(w.isRecording());
        QVERIFY(ui->m_btnStopRecord->isVisible());
        QTRY_VERIFY(slow.entered());
        const int before = turns;
        QTRY_VERIFY(turns >= before + 10);
        QVERIFY(w.recordObject()->isFinishing());
        slow.release();
        QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->isRecording() && w.recordObject()->outputPath() != second,
                                 10000);
    }
    const QString third = w.recordObject()->outputPath();
    {
        SourceWitness device(AppFixture::deviceMonitor());
        QVERIFY(device.listening());
        Playback tone(m_tone8s);
        QVERIFY(MediaProbe::waitHeard(device, 1.5));
        QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
    }
    QVERIFY(recordingStored(w));
    QCOMPARE(recordings(m_folder), (QStringList{first, second, third}));
    const double a = MediaProbe::toneSeconds(MediaProbe::decode(first).mono);
    const double b = MediaProbe::toneSeconds(MediaProbe::decode(second).mono);
    qInfo("cut while finishing: tone before %.3f s, after %.3f s", a, b);
    QVERIFY(a > 1.0 && b > 1.0);
    QVERIFY2(qAbs(a + b - 3.0) <= 0.05, qPrintable(QString::number(a + b)));
    const MediaProbe::Decoded last = MediaProbe::decode(third);
    QVERIFY2(MediaProbe::toneSeconds(last.mono) > 1.0,
             qPrintable(QString::number(MediaProbe::toneSeconds(last.mono))));
    for (const QString &f : {first, second, third}) {
        QCOMPARE(historyEntries(f).size(), 1);
        QAudioFileChunk *row = rowOf(w.recordingsTable(), f);
        QVERIFY(row);
        QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    }
    QVERIFY(!w.recordingsTable()->rows().current().recordingRow());
}

void TestRecording::closingWhileTheFileIsFinishedKeepsIt_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("close") << false;
    QTest::newRow("destroy") << true;
}

void TestRecording::closingWhileTheFileIsFinishedKeepsIt()
{
    QFETCH(bool, destroy);
    // Outlives the window: its finish is slow to the end.
    TestSupport::SlowFinish slow(300);
    Playback play(m_tone8s);
    QVERIFY(play.waitPlaying());
    SourceWitness server(AppFixture::deviceMonitor());
    QVERIFY(server.listening());
    const Moment started = now();
    QTest::mouseClick(m_window->form()->m_btnStartRecord, Qt::LeftButton);
    waitRecorded(*m_window, 1000000);
    const QString path = m_window->recordObject()->outputPath();
    const Moment stopped = now();
    QTest::mouseClick(m_window->form()->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(m_window->recordObject()->isFinishing());
    if (destroy) {
        m_window.reset();
    } else {
        QVERIFY(m_window->close());
        QVERIFY(!m_window->recordObject()->isFinishing());
    }
    const MediaProbe::Decoded decoded = MediaProbe::decode(path);
    QVERIFY2(decoded.seconds() >= 0.9, qPrintable(QString::number(decoded.seconds())));
    const QString holds = MediaProbe::holdsTheTone(decoded, server.breaks(440, started, stopped));
    QVERIFY2(holds.isEmpty(), qPrintable(holds));
    QCOMPARE(historyEntries(path).size(), 1);
    if (!destroy) {
        QAudioFileChunk *row = rowOf(m_window->recordingsTable(), path);
        QVERIFY(row);
        QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    }
}

void TestRecording::failedStartLeavesTheWindowIdle()
{
    MainWindow &w = *m_window;
    // A folder below a plain file can never be made.
    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    w.SetOutPath(blocker + QStringLiteral("/recordings/"));
    const size_t rowsBefore = w.recordingsTable()->rows().all().size();
    ModalCloser closer;
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    // The reason follows (checked in the disk-faults test).
    QVERIFY(!closer.messages.isEmpty());
    QVERIFY2(closer.messages.last().startsWith(QStringLiteral("Recording failed!\n")),
             qPrintable(closer.messages.last()));
    QVERIFY(!w.isRecording());
    QVERIFY(w.form()->m_btnStartRecord->isVisible());
    QVERIFY(!w.form()->m_btnCut->isEnabled());
    QVERIFY(w.inputSelector()->isEnabled());
    QVERIFY(!QFileInfo::exists(blocker + QStringLiteral("/recordings")));
    QVERIFY(!w.recordingsTable()->rows().current().recordingRow());
    QCOMPARE(w.recordingsTable()->rows().all().size(), rowsBefore);
}

void TestRecording::lostSoundServerEndsTheRecordingOnce()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    QString path;
    int serverBreaks = 0;
    ModalCloser closer;
    {
        Playback tone(m_tone8s);
        QVERIFY(tone.waitPlaying());
        SourceWitness server(AppFixture::deviceMonitor());
        QVERIFY(server.listening());
        const Moment started = now();
        QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
        QVERIFY(w.isRecording());
        path = w.recordObject()->outputPath();
        waitRecorded(w, 1500000);
        const Moment stopped = now();
        QVERIFY(TestSupport::controlSoundServer(QStringLiteral("stop")));
        serverBreaks = server.breaks(440, started, stopped);
        QTRY_COMPARE_WITH_TIMEOUT(closer.messages.size(), 1, 10000);
    }
    QCOMPARE(closer.messages.first(), QStringLiteral("Recording stopped: the sound server went away. "
                                                     "What was recorded so far is saved."));
    // Idle as after Stop, with the recording listed and stored.
    QVERIFY(!w.isRecording());
    QVERIFY(ui->m_btnStartRecord->isVisible());
    QVERIFY(!ui->m_btnStopRecord->isVisible());
    QVERIFY(!ui->m_btnCut->isEnabled());
    QVERIFY(!w.recordingsTable()->rows().current().recordingRow());
    QAudioFileChunk *row = rowOf(w.recordingsTable(), path);
    QVERIFY(row);
    QCOMPARE(row->GetAudioState(), QAudioFileChunk::AudioNormal);
    QCOMPARE(historyEntries(path).size(), 1);
    const MediaProbe::Decoded lost = MediaProbe::decode(path);
    QVERIFY2(lost.seconds() >= 1.4, qPrintable(QString::number(lost.seconds())));
    const QString holds = MediaProbe::holdsTheTone(lost, serverBreaks);
    QVERIFY2(holds.isEmpty(), qPrintable(holds));

    // Back again: the next recording takes the sound of the default output.
    QVERIFY(TestSupport::controlSoundServer(QStringLiteral("start")));
    QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    const QString next = w.recordObject()->outputPath();
    QVERIFY(next != path);
    QCOMPARE(TestSupport::serverDefaultBecomes(LoopbackDevice::instance()->sinkName(), 10000),
             LoopbackDevice::instance()->sinkName());
    int againBreaks = 0;
    {
        Playback tone(m_tone8s);
        QVERIFY(tone.waitPlaying());
        SourceWitness device(AppFixture::deviceMonitor());
        QVERIFY(device.listening());
        const Moment started = now();
        // A player on a busy machine may take a while: as much again is
        // recorded after its sound came, and two seconds more, so that the
        // file's middle is the tone.
        QVERIFY(MediaProbe::waitHeard(device, 0.1));
        waitRecorded(w, 2 * w.recordObject()->recordedTime() + 2000000);
        againBreaks = device.breaks(440, started, now());
        QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton);
        QVERIFY(recordingStored(w));
    }
    QVERIFY(!w.isRecording());
    QCOMPARE(closer.messages.size(), 1);
    const MediaProbe::Decoded again = MediaProbe::decode(next);
    QVERIFY2(MediaProbe::toneSeconds(again.mono) > 1.0, qPrintable(QString::number(MediaProbe::toneSeconds(again.mono))));
    const QString holdsAgain = MediaProbe::holdsTheTone(again, againBreaks, 0.6);
    QVERIFY2(holdsAgain.isEmpty(), qPrintable(holdsAgain));
}

void TestRecording::takenNamesAreCounted()
{
    MainWindow &w = *m_window;
    const QDateTime fixed(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    w.setClock([fixed] { return fixed; });
    const QString stem = m_folder + QStringLiteral("/REC_20260304050607089");
    QCOMPARE(w.getRecordOutpath(), stem + QStringLiteral(".wav"));
    QVERIFY(QFileInfo(m_folder).isDir());
    QFile(stem + QStringLiteral(".wav")).open(QIODevice::WriteOnly);
    QCOMPARE(w.getRecordOutpath(), stem + QStringLiteral("(1).wav"));
    QFile(stem + QStringLiteral("(1).wav")).open(QIODevice::WriteOnly);
    // A folder with its separator gives the same names, never "//".
    w.SetOutPath(m_folder + QStringLiteral("//"));
    QCOMPARE(w.getRecordOutpath(), stem + QStringLiteral("(2).wav"));
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
