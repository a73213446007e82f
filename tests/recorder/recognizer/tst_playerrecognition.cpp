// Recordings named by what a media player says it plays, and only when the
// player's own sound is what is recorded: stand-in players on the test
// session bus play real sound into the private sound server.

#include "queuedspy.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "media/jxaudiorecognizer.h"
#include "media/jxnowplaying.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplayingstreams.h"
#include "recorder/iaudioframesink.h"
#include "recorder/qcapturerecognizer.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "rzcodec/codecids.h"
#include "rzcodec/recorder.h"

#include <QCoreApplication>
#include <QDomElement>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <mutex>
#include <vector>

#include <sys/stat.h>

namespace {

const char kOtherOutput[] = "system_sound";
const JXRecognizerAudioFormat kCaptureFormat{3, 44100, 2, 3};

using Player = TestSupport::MprisPlayer;
// Players that answer nothing on the bus: a look-up waits a quarter of a
// second for each.
constexpr int kHungPlayers = 16;

// Collects the blocks a capture hands to its recorder.
class BlockCollector : public IAudioFrameSink
{
public:
    bool pushAudioFrame(const AudioFrame &frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_blocks << QByteArray(reinterpret_cast<const char *>(frame.data), int(frame.size));
        return true;
    }
    QList<QByteArray> blocks() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_blocks;
    }

private:
    mutable std::mutex m_mutex;
    QList<QByteArray> m_blocks;
};

// One block of silence as the capture describes it.
struct CaptureBlock
{
    QVector<float> samples = QVector<float>(2048, 0.0f);
    void *frame = rz_audioframe_create();
    CaptureBlock()
    {
        rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
        rz_audioframe_set_data(frame, samples.constData(), 1024);
    }
    ~CaptureBlock() { rz_audioframe_release(frame); }
};

QString attribute(const QString &path, const char *name)
{
    const QList<QDomElement> entries = TestSupport::historyEntries(path);
    return entries.size() == 1 ? entries.first().firstChildElement().attribute(name)
                               : QStringLiteral("<%1 entries>").arg(entries.size());
}

} // namespace

class TestPlayerRecognition : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void aPlayerNamesOnlyItsOwnSound_data();
    void aPlayerNamesOnlyItsOwnSound();
    void tagsAreTakenOnceTheyHold_data();
    void tagsAreTakenOnceTheyHold();
    void onlyAPlayingPlayerNamesTheSound();
    void coversArePicturesOnly_data();
    void coversArePicturesOnly();
    void streamsNameTheirTrackWhereTheyPlay();
    void aFileAfterACutIsNamedAfterWhatItHolds_data();
    void aFileAfterACutIsNamedAfterWhatItHolds();
    void theRecogniserTakesTheCapturedSound();
    void aStopNeverWaitsForAHungPlayer();
    // Last: the device gives the default output up.
    void theOutputFollowedAfterASwitchIsHeard();

private:
    QByteArray recordedSource() const { return m_sink.toUtf8() + ".monitor"; }
    // Recording of system sound into a new file; its path, or "" when it did not start.
    QString startRecording(QRecordObject &rec, const QString &name);

    QTemporaryDir m_dir;
    QString m_sink;
    QString m_tone;
    QString m_longTone;  // 30 s
    QString m_ending;    // a track of 4 s of tone and 5 s of silence
    QString m_nextTrack; // another tone
    QByteArray m_cover;
    QString m_coverPath;
    int m_files = 0;
};

void TestPlayerRecognition::initTestCase()
{
    QConverterSetting::InitSetting();
    TestSupport::useAudioFormat({"MP3", "mp3", RZ_CODEC_MP3, 2, 44100, 192});
    TestSupport::useSources(true, false);
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY2(loop->install(), qPrintable(loop->errorString()));
    m_sink = QString::fromUtf8(loop->sinkName());
    QVERIFY(!m_sink.isEmpty());
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 440, 10.0, 44100, 2, 0.3));
    m_longTone = m_dir.filePath("long.wav");
    QVERIFY(TestSupport::writeToneWav(m_longTone, 440, 30.0, 44100, 2, 0.3));
    m_ending = m_dir.filePath("ending.wav");
    QVector<float> ending = TestSupport::sineTone(440, 4.0);
    ending += QVector<float>(5 * 44100 * 2, 0.0f);
    QVERIFY(TestSupport::writeWav(m_ending, ending));
    m_nextTrack = m_dir.filePath("next.wav");
    QVERIFY(TestSupport::writeToneWav(m_nextTrack, 660, 4.0, 44100, 2, 0.3));
    QImage img(64, 32, QImage::Format_RGB32);
    img.fill(QColor(200, 40, 90));
    m_coverPath = m_dir.filePath("cover.png");
    QVERIFY(img.save(m_coverPath, "PNG"));
    m_cover = TestSupport::readBytes(m_coverPath);
}

void TestPlayerRecognition::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

void TestPlayerRecognition::init()
{
    // Nothing of an earlier case plays any more.
    auto silent = [](const QByteArray &sink) {
        QVector<PulsePlayingStream> streams;
        return PulsePlayingStreams::into(sink, streams) && streams.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(silent(m_sink.toUtf8()) && silent(kOtherOutput), 10000);
}

QString TestPlayerRecognition::startRecording(QRecordObject &rec, const QString &name)
{
    const QString folder = m_dir.filePath(QString("take%1").arg(++m_files));
    if (!QDir().mkpath(folder))
        return QString();
    const QString path = folder + "/" + name + ".mp3";
    return rec.startRecorder(path, 100.0f, false) ? path : QString();
}

// A player names the recording only when what it plays is what is recorded:
// its stream plays into the recorded output, and is its own (by process, or
// by name when the stream's process is no player's).
void TestPlayerRecognition::aPlayerNamesOnlyItsOwnSound_data()
{
    QTest::addColumn<QStringList>("tagged");    // the player with the track "Silver River"
    QTest::addColumn<QStringList>("other");     // another player, or none
    QTest::addColumn<bool>("toneIntoRecorded"); // plain sound into the recorded output too
    QTest::addColumn<QString>("toneName");      // the program name that sound's stream gives
    QTest::addColumn<bool>("named");

    const QStringList track{"Playing", "Silver River", "Northbound Trio", "Rivers"};
    QTest::newRow("into the recorded output")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink) << QStringList()
        << false << QString() << true;
    QTest::newRow("into another output")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << kOtherOutput) << QStringList()
        << true << QString() << false;
    QTest::newRow("its stream known by name only")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink << "--stream-pid"
                                 << "1")
        << QStringList() << false << QString() << true;
    QTest::newRow("its stream known by the player's identity")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink << "--stream-pid"
                                 << "1"
                                 << "--stream-name"
                                 << "Stand-in River")
        << QStringList() << false << QString() << true;
    // A paused twin of the same name plays into the recorded output: its
    // stream's process is a player's, so the name is no proof.
    QTest::newRow("its name on another player's stream")
        << (QStringList{"river.a"} << track << "--play" << m_tone << "--sink" << kOtherOutput)
        << QStringList{"river.b", "Paused", "Quiet", "Nobody",        "None", "--play",
                       m_tone,    "--sink", m_sink,  "--stream-name", "river"}
        << false << QString() << false;
    // A program of the same name without a player on the bus plays into the
    // recorded output, the player into another: its own stream says where it plays.
    QTest::newRow("its name on a program's stream, its own elsewhere")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << kOtherOutput) << QStringList()
        << true << QString("river") << false;
}

void TestPlayerRecognition::aPlayerNamesOnlyItsOwnSound()
{
    QFETCH(QStringList, tagged);
    QFETCH(QStringList, other);
    QFETCH(bool, toneIntoRecorded);
    QFETCH(QString, toneName);
    QFETCH(bool, named);

    QRecordObject rec;
    QSignalSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    std::unique_ptr<TestSupport::Playback> tone;
    if (toneIntoRecorded) {
        tone.reset(new TestSupport::Playback(
            m_tone, m_sink, toneName.isEmpty() ? QStringList() : QStringList{"application.name=" + toneName}));
        QVERIFY(tone->waitPlaying());
    }
    std::unique_ptr<Player> twin;
    if (!other.isEmpty()) {
        twin.reset(new Player(other));
        QVERIFY(twin->ok());
    }
    Player player(tagged);
    QVERIFY(player.ok());
    const QString path = startRecording(rec, "REC_players");
    QVERIFY2(!path.isEmpty(), qPrintable(rec.errorString()));
    if (named) {
        QTRY_COMPARE_WITH_TIMEOUT(tags.size(), 1, 15000);
    } else {
        // Looked at five times while sound plays into the recorded output:
        // long past the time an answer takes to hold.
        QTRY_VERIFY_WITH_TIMEOUT(player.asked() >= 5 || !tags.isEmpty(), 15000);
    }
    QVERIFY(TestSupport::stopRecording(rec));
    const QString folder = QFileInfo(path).absolutePath();
    if (named) {
        const QString renamed = folder + "/Silver River.mp3";
        QVERIFY2(QFile::exists(renamed), qPrintable(QDir(folder).entryList().join(' ')));
        QCOMPARE(attribute(renamed, "Title_"), QString("Silver River"));
        QCOMPARE(attribute(renamed, "Artist_"), QString("Northbound Trio"));
        QCOMPARE(attribute(renamed, "Album_"), QString("Rivers"));
    } else {
        QCOMPARE(tags.size(), 0);
        QVERIFY2(QFile::exists(path), qPrintable(QDir(folder).entryList().join(' ')));
        QCOMPARE(attribute(path, "Title_"), QString());
        QCOMPARE(attribute(path, "Artist_"), QString());
    }
}

// A player starts a file after the recording started: for a while it names
// the file, or another track, before the file's own tags.
void TestPlayerRecognition::tagsAreTakenOnceTheyHold_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("before");

    QTest::newRow("the file's name") << "morning.wav" << QStringList{"--file-title", "4"};
    QTest::newRow("the last part of its URL") << "morning-song" << QStringList{"--file-title", "4"};
    QTest::newRow("another track for a moment") << "morning.wav" << QStringList{"--early", "1"};
}

void TestPlayerRecognition::tagsAreTakenOnceTheyHold()
{
    QFETCH(QString, file);
    QFETCH(QStringList, before);

    const QString played = m_dir.filePath(file);
    QFile::remove(played);
    QVERIFY(QFile::copy(m_tone, played));
    QRecordObject rec;
    QSignalSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    const QString path = startRecording(rec, "REC_late_player");
    QVERIFY2(!path.isEmpty(), qPrintable(rec.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() > 0, 10000);
    Player player(QStringList{"morning", "Playing", "Morning Light", "Dawn Chorus", "Early Hours", "--play",
                              played, "--sink", m_sink}
                  << before);
    QVERIFY(player.ok());
    QTRY_COMPARE_WITH_TIMEOUT(tags.size(), 1, 15000);
    QVERIFY(TestSupport::stopRecording(rec));
    const auto info = tags.first().at(0).value<JXRecognizerAudioTagInfo>();
    QCOMPARE(info.title, QByteArray("Morning Light"));
    QCOMPARE(info.artist, QByteArray("Dawn Chorus"));
    QCOMPARE(info.album, QByteArray("Early Hours"));
    const QString renamed = QFileInfo(path).absolutePath() + "/Morning Light.mp3";
    QVERIFY2(QFile::exists(renamed), qPrintable(QDir(QFileInfo(path).absolutePath()).entryList().join(' ')));
    QCOMPARE(attribute(renamed, "Title_"), QString("Morning Light"));
    QCOMPARE(attribute(renamed, "Artist_"), QString("Dawn Chorus"));
}

void TestPlayerRecognition::onlyAPlayingPlayerNamesTheSound()
{
    Player paused({"pausedone", "Paused", "Not This", "Nobody", "None", "--play", m_tone, "--sink", m_sink});
    QVERIFY(paused.ok());
    JXAudioRecognizer r;
    r.setSource(recordedSource());
    r.CreateAudioRecognizer(kCaptureFormat);
    QVERIFY(r.isRunning());
    CaptureBlock block;
    // Looked at five times: a playing player would have been taken by now.
    QTRY_VERIFY_WITH_TIMEOUT(
        (r.RecognizerAudioFrane(block.frame), paused.asked() >= 5 || r.GetRecognizerCompleted()), 15000);
    QVERIFY(!r.GetRecognizerCompleted());

    Player playing({"playingone", "Playing", "Live Title", "Live Artist", "Live Album", m_coverPath, "--play",
                    m_tone, "--sink", m_sink});
    QVERIFY(playing.ok());
    QTRY_VERIFY_WITH_TIMEOUT((r.RecognizerAudioFrane(block.frame), r.GetRecognizerCompleted()), 15000);
    r.RecognizerAudioFrane(block.frame);
    QVERIFY(r.isComplete());
    r.StopRecognizer();
    const JXRecognizerAudioTagInfo info = r.GetAudioTagInfo();
    QCOMPARE(info.title, QByteArray("Live Title"));
    QCOMPARE(info.artist, QByteArray("Live Artist"));
    QCOMPARE(info.album, QByteArray("Live Album"));
    QCOMPARE(info.genre, QByteArray("Test"));
    QCOMPARE(info.track, QByteArray("7"));
    QCOMPARE(info.cover_image, m_cover);
}

// A player may name any file as its cover: a device is never read, a pipe
// never waited on, and what is no picture is no cover.
void TestPlayerRecognition::coversArePicturesOnly_data()
{
    QTest::addColumn<QString>("cover");
    const QString fifo = m_dir.filePath("cover-pipe.png");
    QFile::remove(fifo);
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString text = m_dir.filePath("cover.txt.png");
    QVERIFY(TestSupport::writeBytes(text, "root:x:0:0:root:/root:/bin/bash\n"));
    QTest::newRow("device") << QString("/dev/zero");
    QTest::newRow("pipe") << fifo;
    QTest::newRow("text file") << text;
    QTest::newRow("system file") << QString("/etc/passwd");
}

void TestPlayerRecognition::coversArePicturesOnly()
{
    QFETCH(QString, cover);
    const QString service = "cover" + QString(QTest::currentDataTag()).remove(' ');
    Player playing(
        {service, "Playing", "Covered", "Someone", "Somewhere", cover, "--play", m_tone, "--sink", m_sink});
    QVERIFY(playing.ok());
    JXAudioRecognizer r;
    r.setSource(recordedSource());
    r.CreateAudioRecognizer(kCaptureFormat);
    CaptureBlock block;
    QTRY_VERIFY_WITH_TIMEOUT((r.RecognizerAudioFrane(block.frame), r.GetRecognizerCompleted()), 15000);
    r.StopRecognizer();
    const JXRecognizerAudioTagInfo info = r.GetAudioTagInfo();
    QCOMPARE(info.title, QByteArray("Covered"));
    QCOMPARE(info.coverLength, 0);
    QVERIFY(info.cover_image.isEmpty());
}

// Streams that say what they play name it where they play, once it is more
// than the name of their file.
void TestPlayerRecognition::streamsNameTheirTrackWhereTheyPlay()
{
    QVERIFY(JXNowPlaying::lookup(recordedSource()).isEmpty());
    TestSupport::Playback elsewhere(m_tone, kOtherOutput,
                                    {"media.title=Not Recorded", "media.artist=Elsewhere"});
    TestSupport::Playback named(m_tone, m_sink, {"media.title=tone.wav", "media.filename=tone.wav"});
    QVERIFY(elsewhere.waitPlaying() && named.waitPlaying());
    QVERIFY(JXNowPlaying::lookup(recordedSource()).isEmpty());
    QCOMPARE(JXNowPlaying::lookup(QByteArray(kOtherOutput) + ".monitor").value("title"),
             QByteArray("Not Recorded"));
    TestSupport::Playback titled(m_tone, m_sink, {"media.title=Stream Title", "media.artist=Stream Artist"});
    QVERIFY(titled.waitPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(JXNowPlaying::lookup(recordedSource()).value("title"),
                              QByteArray("Stream Title"), 5000);
    QCOMPARE(JXNowPlaying::lookup(recordedSource()).value("artist"), QByteArray("Stream Artist"));
    // A source that monitors no output hears no stream.
    QVERIFY(JXNowPlaying::lookup("test_microphone").isEmpty());
}

// A cut (a split on silence takes the same road) while the player still
// names the track whose silent ending plays: the next file is named after
// the track it holds, or not at all; a track that plays on names both.
void TestPlayerRecognition::aFileAfterACutIsNamedAfterWhatItHolds_data()
{
    QTest::addColumn<QStringList>("playerOptions");
    QTest::addColumn<bool>("cutInTheEnding"); // else while the track's sound plays on
    QTest::addColumn<QString>("second");      // the title of the file after the cut, "" for none

    QTest::newRow("in the silent ending, the next track after")
        << QStringList{"--play", m_ending, "--then", "Golden Field|Harvest Band|Fields|" + m_nextTrack}
        << true << "Golden Field";
    QTest::newRow("in the silent ending, the player stopping after")
        << QStringList{"--play", m_ending, "--stop-at-end"} << true << "";
    QTest::newRow("while the track plays on") << QStringList{"--play", m_longTone} << false << "Silver River";
}

void TestPlayerRecognition::aFileAfterACutIsNamedAfterWhatItHolds()
{
    QFETCH(QStringList, playerOptions);
    QFETCH(bool, cutInTheEnding);
    QFETCH(QString, second);

    // Players are asked only while sound plays into the recorded output:
    // this one names nothing.
    TestSupport::Playback tone(m_longTone, m_sink);
    QVERIFY(tone.waitPlaying());
    QRecordObject rec;
    TestSupport::QueuedSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    const QString first = startRecording(rec, "REC_before_cut");
    QVERIFY2(!first.isEmpty(), qPrintable(rec.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() > 0, 10000);
    Player player(QStringList{"river", "Playing", "Silver River", "Northbound Trio", "Rivers", "--sink", m_sink}
                  << playerOptions);
    QVERIFY(player.ok());
    QElapsedTimer playing;
    playing.start();
    QTRY_COMPARE_WITH_TIMEOUT(tags.count(), 1, 15000);
    // The track's tone lasts 4 s, its silence 5 s more.
    if (cutInTheEnding)
        QTRY_VERIFY_WITH_TIMEOUT(playing.elapsed() >= 5000, 10000);
    QVERIFY(TestSupport::stopRecording(rec, QRecordObject::KeepSourcesForNextStart));
    const QString next = startRecording(rec, "REC_after_cut");
    QVERIFY2(!next.isEmpty(), qPrintable(rec.errorString()));
    if (second == "Golden Field") {
        QTRY_COMPARE_WITH_TIMEOUT(tags.count(), 2, 20000);
    } else {
        if (cutInTheEnding)
            QTRY_VERIFY_WITH_TIMEOUT(player.said("ended"), 15000);
        // Asked a few times since: long past the time an answer takes to hold.
        const int asked = player.asked();
        QTRY_VERIFY_WITH_TIMEOUT(player.asked() >= asked + 4, 15000);
    }
    QVERIFY(TestSupport::stopRecording(rec));

    const QString firstNamed = QFileInfo(first).absolutePath() + "/Silver River.mp3";
    QVERIFY2(QFile::exists(firstNamed),
             qPrintable(QDir(QFileInfo(first).absolutePath()).entryList().join(' ')));
    QCOMPARE(attribute(firstNamed, "Title_"), QString("Silver River"));
    const QString folder = QFileInfo(next).absolutePath();
    const QString nextNamed = second.isEmpty() ? next : folder + "/" + second + ".mp3";
    QVERIFY2(QFile::exists(nextNamed), qPrintable(QDir(folder).entryList().join(' ')));
    QCOMPARE(attribute(nextNamed, "Title_"), second);
    QCOMPARE(tags.count(), second.isEmpty() ? 1 : 2);
}

// The recogniser is handed each block the capture hands on, whole.
void TestPlayerRecognition::theRecogniserTakesTheCapturedSound()
{
    TestSupport::Playback tone(m_tone, m_sink);
    QVERIFY(tone.waitPlaying());
    QRecordAudioObject capture(QRecordAudioObject::SystemSoundTrack);
    BlockCollector collected;
    capture.setRecorder(&collected);
    QVERIFY2(capture.setStart(), qPrintable(capture.errorString()));
    capture.setStartRecorder(true);
    QTRY_VERIFY_WITH_TIMEOUT(collected.blocks().size() >= 50, 15000);
    QVERIFY(capture.setStop());

    QCaptureRecognizer recognizer;
    recognizer.setSource(recordedSource());
    recognizer.beginRun();
    quint64 bytes = 0;
    for (QByteArray block : collected.blocks()) {
        AudioFrame frame;
        frame.data = reinterpret_cast<unsigned char *>(block.data());
        frame.size = quint32(block.size());
        frame.timestamp = quint64(bytes / 8 * 1000000 / 44100);
        recognizer.feed(frame);
        bytes += frame.size;
    }
    QVERIFY(bytes >= 50 * 1024 * 8);
    QCOMPARE(recognizer.takenBytes(), bytes);
    recognizer.endRun();
}

// A player that answers nothing on the bus holds each look-up a quarter of
// a second; a stop never waits for a look-up.
void TestPlayerRecognition::aStopNeverWaitsForAHungPlayer()
{
    // Players are asked only while sound plays into the recorded output.
    TestSupport::Playback tone(m_longTone, m_sink);
    QVERIFY(tone.waitPlaying());
    QRecordObject rec;
    QString path = startRecording(rec, "REC_no_player");
    QVERIFY2(!path.isEmpty(), qPrintable(rec.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1000000, 10000);
    QElapsedTimer took;
    took.start();
    QVERIFY(TestSupport::stopRecording(rec));
    const qint64 usual = took.elapsed();

    std::vector<std::unique_ptr<Player>> hung;
    for (int i = 0; i < kHungPlayers; ++i) {
        hung.emplace_back(new Player({QString("hung%1").arg(i), "Playing", "Held", "Nobody", "None", "--hang"}));
        QVERIFY(hung.back()->ok());
    }
    auto reached = [&hung] {
        return int(std::count_if(hung.begin(), hung.end(),
                                 [](const std::unique_ptr<Player> &p) { return p->asked() > 0; }));
    };
    path = startRecording(rec, "REC_hung_players");
    QVERIFY2(!path.isEmpty(), qPrintable(rec.errorString()));
    // A look-up is under way: it goes from one hung player to the next.
    QTRY_VERIFY_WITH_TIMEOUT(reached() > 0, 15000);
    took.restart();
    QVERIFY(TestSupport::stopRecording(rec));
    const qint64 stopped = took.elapsed();
    const int asked = reached();
    qInfo("a stop took %lld ms with no player, %lld ms during a look-up of %d hung players (%d of them asked "
          "by then)",
          usual, stopped, kHungPlayers, asked);
    // That look-up goes on after the stop: the stop did not wait for it.
    QVERIFY2(asked < kHungPlayers, qPrintable(QString::number(stopped)));
    QVERIFY(QFile::exists(path));
    QCOMPARE(attribute(path, "Title_"), QString());
}

// The user chooses another output while recording: what plays there is
// recorded from then on, and its player names the recording.
void TestPlayerRecognition::theOutputFollowedAfterASwitchIsHeard()
{
    LoopbackDevice *device = LoopbackDevice::instance();
    QVERIFY2(device->makeDefault(), qPrintable(device->errorString()));
    QCOMPARE(TestSupport::serverDefaultBecomes(m_sink.toUtf8(), 10000), m_sink.toUtf8());
    QRecordObject rec;
    QSignalSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    TestSupport::Playback tone(m_tone, m_sink);
    QVERIFY(tone.waitPlaying());
    Player player({"river", "Playing", "Silver River", "Northbound Trio", "Rivers", "--play", m_tone,
                   "--sink", kOtherOutput});
    QVERIFY(player.ok());
    const QString path = startRecording(rec, "REC_switched");
    QVERIFY2(!path.isEmpty(), qPrintable(rec.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(player.asked() >= 5 || !tags.isEmpty(), 15000);
    QCOMPARE(tags.size(), 0);
    QCOMPARE(TestSupport::runProgram("pactl", {"set-default-sink", kOtherOutput}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rec.m_track1->sourceName(), QByteArray(kOtherOutput) + ".monitor", 10000);
    QTRY_COMPARE_WITH_TIMEOUT(tags.size(), 1, 15000);
    QVERIFY(TestSupport::stopRecording(rec));
    QCOMPARE(tags.first().at(0).value<JXRecognizerAudioTagInfo>().title, QByteArray("Silver River"));
    QVERIFY(QFile::exists(QFileInfo(path).absolutePath() + "/Silver River.mp3"));
    QVERIFY2(device->restore(), qPrintable(device->errorString()));
}

QTEST_MAIN(TestPlayerRecognition)
#include "tst_playerrecognition.moc"
