// Recordings named by what a media player says it plays, and only when the
// player's own sound is what is recorded: stand-in players on the test
// session bus play real sound into the private sound server.

#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "media/jxaudiorecognizer.h"
#include "media/jxnowplaying.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplayingstreams.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "rzcodec/codecids.h"
#include "rzcodec/recorder.h"

#include <QCoreApplication>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

const char kOtherOutput[] = "system_sound";
const JXRecognizerAudioFormat kCaptureFormat{3, 44100, 2, 3};

// One stand-in player, a process of its own (tests/recorder/recognizer/mprisstandin.cpp).
class Player
{
public:
    // name status title artist album [cover] [options]
    explicit Player(const QStringList &args)
    {
        m_proc.start(QCoreApplication::applicationDirPath() + "/mpris_standin", args);
        m_ok = m_proc.waitForStarted(5000) && waitFor("ready")
               && (!args.contains("--play") || waitFor("playing"));
    }
    ~Player()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }
    bool ok() const { return m_ok; }
    // How often a client read its playback status so far.
    int asked()
    {
        m_said += m_proc.readAllStandardOutput();
        return m_said.count("asked\n");
    }
    qint64 pid() const { return m_proc.processId(); }

private:
    bool waitFor(const QByteArray &line)
    {
        while (!m_said.contains(line + '\n') && m_proc.state() == QProcess::Running
               && m_proc.waitForReadyRead(10000))
            m_said += m_proc.readAllStandardOutput();
        return m_said.contains(line + '\n');
    }
    QProcess m_proc;
    QByteArray m_said;
    bool m_ok = false;
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
    // Last: the device gives the default output up.
    void theOutputFollowedAfterASwitchIsHeard();

private:
    QByteArray recordedSource() const { return m_sink.toUtf8() + ".monitor"; }
    // Recording of system sound into a new file; its path, or "" when it did not start.
    QString startRecording(QRecordObject &rec, const QString &name);

    QTemporaryDir m_dir;
    QString m_sink;
    QString m_tone;
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
    QTest::addColumn<bool>("named");

    const QStringList track{"Playing", "Silver River", "Northbound Trio", "Rivers"};
    QTest::newRow("into the recorded output")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink) << QStringList()
        << false << true;
    QTest::newRow("into another output")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << kOtherOutput) << QStringList()
        << true << false;
    QTest::newRow("its stream known by name only")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink << "--stream-pid"
                                 << "1")
        << QStringList() << false << true;
    QTest::newRow("its stream known by the player's identity")
        << (QStringList{"river"} << track << "--play" << m_tone << "--sink" << m_sink << "--stream-pid"
                                 << "1"
                                 << "--stream-name"
                                 << "Stand-in River")
        << QStringList() << false << true;
    // A paused twin of the same name plays into the recorded output: its
    // stream's process is a player's, so the name is no proof.
    QTest::newRow("its name on another player's stream")
        << (QStringList{"river.a"} << track << "--play" << m_tone << "--sink" << kOtherOutput)
        << QStringList{"river.b", "Paused", "Quiet", "Nobody",        "None", "--play",
                       m_tone,    "--sink", m_sink,  "--stream-name", "river"}
        << false << false;
}

void TestPlayerRecognition::aPlayerNamesOnlyItsOwnSound()
{
    QFETCH(QStringList, tagged);
    QFETCH(QStringList, other);
    QFETCH(bool, toneIntoRecorded);
    QFETCH(bool, named);

    QRecordObject rec;
    QSignalSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    std::unique_ptr<TestSupport::Playback> tone;
    if (toneIntoRecorded) {
        tone.reset(new TestSupport::Playback(m_tone, m_sink));
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

// The user chooses another output while recording: what plays there is
// recorded from then on, and its player names the recording.
void TestPlayerRecognition::theOutputFollowedAfterASwitchIsHeard()
{
    LoopbackDevice *device = LoopbackDevice::instance();
    QVERIFY2(device->makeDefault(), qPrintable(device->errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(TestSupport::serverDefault(), m_sink.toUtf8(), 10000);
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
