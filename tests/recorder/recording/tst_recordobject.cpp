// Recordings through the private sound server: what plays into the loop-back
// device and the microphone ends up in the file, in the history, once.

#include "mediaprobe.h"
#include "recordformats.h"
#include "recordingchecks.h"
#include "recordingsetup.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qrecordingmarker.h"
#include "media/jxtagfileaccess.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/iaudiorecognizerfeed.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace RecordingChecks;
using TestSupport::historyEntries;
using TestSupport::Playback;
using TestSupport::SourceWitness;
using TestSupport::useSources;

namespace {
// Stands in for the track recogniser of system sound: recognises the tags
// it is given, at once or, held, only when released, the capture thread
// waiting in it meanwhile.
class ScriptedRecognizer : public IAudioRecognizerFeed
{
public:
    // Declared before the recording object, which then stops using it first.
    void setTrack(QRecordAudioObject *track) { m_track = track; }
    void recognise(const QByteArray &title, bool held = false)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tags = JXRecognizerAudioTagInfo();
        m_tags.title = title;
        m_tags.artist = "Scripted Band";
        m_tags.album = "Scripted Album";
        m_pending = true;
        m_held = held;
        m_entered = false;
        m_delivered = false;
    }
    bool entered() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entered;
    }
    bool delivered() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_delivered;
    }
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = false;
        }
        m_changed.notify_all();
    }

    void beginRun() override {}
    bool isCompleted() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_pending)
            return false;
        m_entered = true;
        m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return !m_held; });
        return true;
    }
    void feed(const AudioFrame &) override {}
    void deliverResult() override
    {
        JXRecognizerAudioTagInfo tags;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            tags = m_tags;
            m_pending = false;
            m_delivered = true;
        }
        emit m_track->emitRecognizedAudioTagInfo(tags);
    }
    void endRun() override {}

private:
    QRecordAudioObject *m_track = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    JXRecognizerAudioTagInfo m_tags;
    bool m_pending = false, m_held = false, m_entered = false, m_delivered = false;
};

VEAudioTagInfo tagsIn(const QString &path)
{
    VEAudioTagInfo tags;
    if (!JXTagFileAccess::read(path.toStdString(), tags))
        tags.title = "<unreadable>";
    return tags;
}
} // namespace

class TestRecordObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void systemSoundInEveryFormat_data();
    void systemSoundInEveryFormat();
    void bothSourcesAreMixed();
    void missingSourceLeavesTheOtherRecording();
    void splitBySilenceLosesNothing();
    void tagsOfThePlayingTrackComeOncePerRecording();
    void unwritableFolderFailsAtStart();
    void noSourceFailsAtStart();
    void missingDeviceIsNamedAtStart();
    void stopReturnsWhileTheFileIsFinished();
    void recognisedTagsAreWrittenOnTheFinishWorker();
    void tagsRecognisedAfterTheStopStillCount();
    void aCutGivesEachFileItsOwnTags();

private:
    // Records for about `seconds`, and on until the recorder reported its
    // time; the time the recording really lasted is in m_recorded, and what
    // the server handed `server` meanwhile, when given.
    bool recordFor(QRecordObject &rec, const QString &path, double seconds, const SourceWitness *server = nullptr);
    // Whether a recording of d seconds fits what was measured around the last
    // one, give or take what a codec pads or drops. On a busy machine the
    // server hands its sound over late, to every client alike: the file
    // holds at least what it handed another listener over the same time.
    bool lastRecordingLasted(double d) const
    {
        return d >= std::min(m_recorded.shortest, m_recorded.served) - 0.1 && d <= m_recorded.longest + 0.1;
    }
    QString lastRecordingTimes(double d) const
    {
        return QString("%1 s in %2-%3 s, the server handed another listener %4 s meanwhile")
            .arg(d)
            .arg(m_recorded.shortest)
            .arg(m_recorded.longest)
            .arg(m_recorded.served);
    }
    struct {
        double shortest = 0;   // from the start's return to the stop's call
        double longest = 0;    // from the start's call to the stop's return
        double served = 0;     // what the witness was handed from the start's return to the stop's call
    } m_recorded;
    QTemporaryDir m_dir;
    QString m_sink;
    QString m_tone440, m_tone1000;
};

void TestRecordObject::initTestCase()
{
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY2(loop->install(), qPrintable(loop->errorString()));
    m_sink = QString::fromUtf8(loop->sinkName());
    QVERIFY(!m_sink.isEmpty());
    m_tone440 = m_dir.filePath("440.wav");
    m_tone1000 = m_dir.filePath("1000.wav");
    // Long enough to outlast a recording and the waits before it on a busy machine.
    QVERIFY(TestSupport::writeToneWav(m_tone440, 440, 12.0, 44100, 2, 0.5));
    QVERIFY(TestSupport::writeToneWav(m_tone1000, 1000, 12.0, 44100, 2, 0.5));
}

void TestRecordObject::cleanupTestCase()
{
    LoopbackDevice::instance()->restore();
}

bool TestRecordObject::recordFor(QRecordObject &rec, const QString &path, double seconds,
                                 const SourceWitness *server)
{
    QElapsedTimer outer;
    outer.start();
    if (!rec.startRecorder(path, 100.0f, false)) {
        qWarning("%s: the recording did not start", qPrintable(path));
        return false;
    }
    if (!markedInProgress(path)) {
        qWarning("%s is recorded without a mark", qPrintable(path));
        return false;
    }
    QSignalSpy times(&rec, &QRecordObject::emitRecordTime);
    const qint64 servedBefore = server ? server->framesHeard() : 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < qint64(seconds * 1000))
        QTest::qWait(2);
    // The time counts the sound taken: none is reported while the server
    // hands none over, which on a busy machine may last the whole stretch.
    QDeadlineTimer reported(15000);
    while (times.isEmpty() && !reported.hasExpired())
        QTest::qWait(2);
    m_recorded.shortest = t.nsecsElapsed() / 1e9;
    m_recorded.served = server ? (server->framesHeard() - servedBefore) / 44100.0 : m_recorded.shortest;
    if (!TestSupport::stopRecording(rec)) {
        qWarning("%s: the recording did not finish after its stop", qPrintable(path));
        return false;
    }
    m_recorded.longest = outer.nsecsElapsed() / 1e9;
    if (markedInProgress(path)) {
        qWarning("%s is complete but still marked", qPrintable(path));
        return false;
    }
    if (times.isEmpty()) {
        qWarning("%s: no recorded time was reported while it ran (%lld us recorded)", qPrintable(path),
                 static_cast<long long>(rec.recordedTime()));
        return false;
    }
    if (m_recorded.served <= 0) {
        // A listener that heard nothing while the recorder took sound tells nothing of the file.
        qWarning("%s: the other listener was handed nothing meanwhile", qPrintable(path));
        return false;
    }
    return true;
}

void TestRecordObject::systemSoundInEveryFormat_data()
{
    QTest::addColumn<int>("index");
    const auto formats = recordFormats();
    for (int i = 0; i < formats.size(); ++i)
        QTest::newRow(qPrintable(formats[i].name)) << i;
}

void TestRecordObject::systemSoundInEveryFormat()
{
    QFETCH(int, index);
    const RecordFormat f = recordFormats().at(index);
    useFormat(f);
    useSources(true, false);
    QRecordObject rec;
    QSignalSpy level(&rec, &QRecordObject::emitAudioData);
    const QString path = m_dir.filePath("system-" + f.name + "." + f.extension);
    Playback play(m_tone440, m_sink);
    QVERIFY(play.waitPlaying());
    SourceWitness server(m_sink.toUtf8() + ".monitor");
    QVERIFY(server.listening());
    QVERIFY(recordFor(rec, path, 3.0, &server));
    QVERIFY(!level.isEmpty());
    QVERIFY(level.first().at(1).toInt() == 22050);

    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(lastRecordingLasted(d.seconds()),
             qPrintable(lastRecordingTimes(d.seconds())));
    const double share = MediaProbe::toneShareOfTenths(d.mono, 440);
    QVERIFY2(share > 0.8, qPrintable(QString::number(share)));

    const QList<QDomElement> entries = historyEntries(path);
    QCOMPARE(entries.size(), 1);
    const QDomElement info = entries.first().firstChildElement();
    QCOMPARE(info.tagName(), QString("CONVERTED_INFO_"));
    // The record's time is what the recorder took, which is what the file holds.
    QCOMPARE(info.attribute("Time_"), QRecordObject::converterTimer(rec.recordedTime()));
    QVERIFY(qAbs(rec.recordedTime() / 1e6 - d.seconds()) <= 0.1);
    QCOMPARE(info.attribute("Resolutin_"), QString("0*0"));
    QCOMPARE(info.attribute("Extend_"), f.extension);
    QCOMPARE(info.attribute("Format_"), f.muxer.toUpper());
    QCOMPARE(info.attribute("Size_"), QIAnyUtil::size2String(quint64(QFileInfo(path).size())));
    QCOMPARE(info.attribute("Video_file"), QString("N"));
    QCOMPARE(info.attribute("New_file"), QString("Y"));
    QVERIFY(QDateTime::fromString(info.attribute("Create_time_"), "dd-MM-yyyy hh:mm").isValid());
    QVERIFY(TestSupport::stopRecording(rec)); // a second stop stores nothing more
    QCOMPARE(historyEntries(path).size(), 1);
}

void TestRecordObject::bothSourcesAreMixed()
{
    useFormat(recordFormats().at(0));
    useSources(true, true);
    QRecordObject rec;
    const QString path = m_dir.filePath("mixed.mp3");
    Playback system(m_tone440, m_sink);
    Playback mic(m_tone1000, "mic_feed");
    QVERIFY(system.waitPlaying() && mic.waitPlaying());
    SourceWitness server(m_sink.toUtf8() + ".monitor");
    SourceWitness microphone("test_microphone");
    // A listed stream may still be on its way to the output: both heard first.
    QVERIFY(server.listening() && MediaProbe::waitHeard(server, 0.3));
    QVERIFY(microphone.listening() && MediaProbe::waitHeard(microphone, 0.3));
    // The shares are judged in the middle second: of four, so that the
    // recorder's own microphone stream, which a busy server links late (the
    // time recorded before is left without it), has a second and a half.
    QVERIFY(recordFor(rec, path, 4.0, &server));
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(lastRecordingLasted(d.seconds()),
             qPrintable(lastRecordingTimes(d.seconds())));
    const double a = MediaProbe::toneShareOfTenths(d.mono, 440), b = MediaProbe::toneShareOfTenths(d.mono, 1000);
    QVERIFY2(a > 0.3 && b > 0.3, qPrintable(QString("%1 %2").arg(a).arg(b)));
    QCOMPARE(historyEntries(path).size(), 1);
}

void TestRecordObject::missingSourceLeavesTheOtherRecording()
{
    useFormat(recordFormats().at(5)); // FLAC
    useSources(true, true);
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY(loop->restore()); // system sound has nothing to record from
    QRecordObject rec;
    QSignalSpy failed(&rec, &QRecordObject::emitRecordSourceFailed);
    const QString path = m_dir.filePath("mic-only.flac");
    Playback mic(m_tone1000, "mic_feed");
    QVERIFY(mic.waitPlaying());
    SourceWitness server("test_microphone");
    QVERIFY(server.listening());
    const bool recorded = recordFor(rec, path, 2.0, &server);
    QVERIFY(loop->install());
    m_sink = QString::fromUtf8(loop->sinkName());
    QVERIFY(recorded);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(0).toInt(), 1);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(lastRecordingLasted(d.seconds()),
             qPrintable(lastRecordingTimes(d.seconds())));
    QVERIFY(MediaProbe::toneShareOfTenths(d.mono, 1000) > 0.8);
    QCOMPARE(historyEntries(path).size(), 1);
}

void TestRecordObject::splitBySilenceLosesNothing()
{
    useFormat(recordFormats().at(3)); // WAV: no codec padding to allow for
    useSources(true, false);
    const QString tone = m_dir.filePath("3s.wav");
    QVERIFY(TestSupport::writeToneWav(tone, 440, 3.0, 44100, 2, 0.5));
    QRecordObject rec;
    // The captured blocks' levels, as they arrive here.
    int loud = 0, quietAfterLoud = 0;
    QObject levels;
    rec.m_track1->setListend(true);
    connect(rec.m_track1, &QRecordAudioObject::emitVolume, &levels, [&](int level) {
        if (level > 5000)
            ++loud;
        else if (level >= 0 && level < 100 && loud > 0)
            ++quietAfterLoud;
    });
    const QString first = m_dir.filePath("split-1.wav"), second = m_dir.filePath("split-2.wav");
    QVERIFY(rec.startRecorder(first, 100.0f, false));
    {
        Playback play(tone, m_sink);
        QTRY_VERIFY_WITH_TIMEOUT(loud > 0, 10000);
        // The cut comes about a second into the tone, by the recording's own clock.
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() > 0, 10000);
        const uint64_t cutAt = rec.recordedTime() + 1000000;
        QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= cutAt, 10000);
        QVERIFY(TestSupport::stopRecording(rec, QRecordObject::KeepSourcesForNextStart));
        QVERIFY(QFileInfo::exists(first));
        QCOMPARE(historyEntries(first).size(), 1);
        QVERIFY(rec.startRecorder(second, 100.0f, false));
        QVERIFY(play.waitEnd(10000));
    }
    // The end of the tone has been captured.
    QTRY_VERIFY_WITH_TIMEOUT(quietAfterLoud >= 3, 10000);
    QVERIFY(TestSupport::stopRecording(rec));
    QCOMPARE(historyEntries(second).size(), 1);

    const QVector<float> a = MediaProbe::decode(first).mono, b = MediaProbe::decode(second).mono;
    const double toneA = MediaProbe::toneSeconds(a), toneB = MediaProbe::toneSeconds(b);
    qInfo("tone before the cut %.3f s, after %.3f s", toneA, toneB);
    QVERIFY(toneA > 0.5 && toneB > 0.5);
    QVERIFY2(qAbs(toneA + toneB - 3.0) <= 0.03, qPrintable(QString::number(toneA + toneB)));
    // The first file ends inside the tone and the second goes on with it
    // seamlessly: not one sample lost or doubled at the cut.
    const int span = 4410;
    QVERIFY(a.size() > span && b.size() > span);
    QVERIFY(TestSupport::rms(a.constData() + a.size() - 441, 441) > 0.2);
    QVERIFY(TestSupport::rms(b.constData(), 441) > 0.2);
    QVector<float> joint = a.mid(a.size() - span);
    joint += b.mid(0, span);
    QCOMPARE(TestSupport::sineBreaks(joint.constData(), joint.size(), 1, 440), 0);
}

void TestRecordObject::tagsOfThePlayingTrackComeOncePerRecording()
{
    // A player that plays its track into the loop-back device.
    QProcess player;
    player.start(QCoreApplication::applicationDirPath() + "/mpris_standin",
                 {"testplayer", "Playing", "Song Title", "Song Artist", "Song Album", "--play", m_tone440,
                  "--sink", m_sink});
    QVERIFY(player.waitForStarted(5000));
    QByteArray said;
    while (!said.contains("playing") && player.waitForReadyRead(5000))
        said += player.readAllStandardOutput();
    QVERIFY(said.contains("playing"));
    useFormat(recordFormats().at(0));
    useSources(true, false);
    QRecordObject rec;
    QSignalSpy tags(rec.m_track1, &QRecordAudioObject::emitRecognizedAudioTagInfo);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(recordFor(rec, m_dir.filePath(QString("tagged-%1.mp3").arg(i)), 2.0));
        QTRY_COMPARE(tags.size(), i + 1);   // queued deliveries arrive
        const auto info = tags.last().at(0).value<JXRecognizerAudioTagInfo>();
        QCOMPARE(info.title, QByteArray("Song Title"));
        QCOMPARE(info.artist, QByteArray("Song Artist"));
    }
    player.kill();
    player.waitForFinished();
}

void TestRecordObject::unwritableFolderFailsAtStart()
{
    useFormat(recordFormats().at(0));
    useSources(true, false);
    QFile blocker(m_dir.filePath("not-a-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = blocker.fileName() + "/REC.mp3";
    QRecordObject rec;
    QVERIFY(!rec.startRecorder(path, 100.0f, false));
    QCOMPARE(rec.errorString(), QString("The file cannot be created: the folder %1 does not exist and cannot be made.")
                                    .arg(blocker.fileName()));
    QVERIFY(!rec.isRecording());
    QVERIFY(TestSupport::stopRecording(rec));
    QVERIFY(historyEntries(path).isEmpty());
    QVERIFY(!QFile::exists(path));
    QVERIFY(!markedInProgress(path));
}

void TestRecordObject::noSourceFailsAtStart()
{
    useFormat(recordFormats().at(0));
    QRecordAreaInfo *area = QRecordAreaInfo::getAreaInfo();
    area->setAudioRecordType(1, false);
    area->setAudioRecordType(2, true);
    area->setAudioRecordValid(2, false);
    const QString path = m_dir.filePath("nothing.mp3");
    QRecordObject rec;
    QVERIFY(!rec.startRecorder(path, 100.0f, false));
    QCOMPARE(rec.errorString(), QString("No sound source could be started: the microphone is not available."));
    QVERIFY(TestSupport::stopRecording(rec));
    QVERIFY(!QFile::exists(path));
    QVERIFY(historyEntries(path).isEmpty());
}

void TestRecordObject::missingDeviceIsNamedAtStart()
{
    useFormat(recordFormats().at(0));
    useSources(true, false);
    LoopbackDevice *loop = LoopbackDevice::instance();
    QVERIFY(loop->restore()); // system sound has nothing to record from
    const QString path = m_dir.filePath("no-device.mp3");
    QRecordObject rec;
    const bool started = rec.startRecorder(path, 100.0f, false);
    const QString reason = rec.errorString();
    QVERIFY(TestSupport::stopRecording(rec));
    QVERIFY(loop->install());
    m_sink = QString::fromUtf8(loop->sinkName());
    QVERIFY(!started);
    QCOMPARE(reason, QString("No sound source could be started: The loop-back device \"RZAudio Device\" is missing."));
    QVERIFY(!QFile::exists(path));
}

void TestRecordObject::recognisedTagsAreWrittenOnTheFinishWorker()
{
    useFormat(recordFormats().at(0));
    useSources(true, false);
    const QString path = m_dir.filePath("REC_tagged.mp3");
    const QString named = m_dir.filePath("Worker Song.mp3");
    Playback play(m_tone440, m_sink);
    QVERIFY(play.waitPlaying());
    QRecordObject rec;
    QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
    QSignalSpy notWritten(&rec, &QRecordObject::emitTagsNotWritten);
    QVERIFY(rec.startRecorder(path, 100.0f, false));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1000000, 10000);
    JXRecognizerAudioTagInfo song;
    song.title = "Worker Song";
    song.artist = "Thread Band";
    song.album = "Off The Window";
    song.genre = "Test";
    emit rec.m_track1->emitRecognizedAudioTagInfo(song);
    // What the microphone recognises never names the recording.
    JXRecognizerAudioTagInfo voice;
    voice.title = "Spoken";
    emit rec.m_track2->emitRecognizedAudioTagInfo(voice);
    {
        TestSupport::HeldTagWrite held;
        rec.stopRecorder();
        QTRY_VERIFY_WITH_TIMEOUT(held.entered(), 10000);
        QVERIFY(held.writer() != std::this_thread::get_id());
        QCOMPARE(held.path(), path);
        // Until the file is tagged and named the stop is not done, and the
        // recording's mark guards the file.
        QVERIFY(rec.isFinishing());
        QVERIFY(markedInProgress(path));
        QVERIFY(completed.isEmpty());
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(named));
        held.release();
        QTRY_VERIFY_WITH_TIMEOUT(!rec.isFinishing(), 10000);
    }
    QCOMPARE(completed.size(), 1);
    const auto info = completed.first().at(0).value<convertedInfo>();
    QCOMPARE(info.convertedPath, named);
    QCOMPARE(info.title, QString("Worker Song"));
    QCOMPARE(info.artist, QString("Thread Band"));
    QCOMPARE(info.album, QString("Off The Window"));
    QCOMPARE(info.genre, QString("Test"));
    QVERIFY(completed.first().at(1).toBool());
    QCOMPARE(completed.first().at(2).toLongLong(), QFileInfo(named).size());
    QVERIFY(notWritten.isEmpty());
    QVERIFY(!QFile::exists(path));
    QVERIFY(!markedInProgress(path));
    const VEAudioTagInfo read = tagsIn(named);
    QCOMPARE(read.title, std::string("Worker Song"));
    QCOMPARE(read.artist, std::string("Thread Band"));
    QCOMPARE(read.album, std::string("Off The Window"));
    // One record, at the file's place, with its tags.
    QCOMPARE(historyEntries(path).size(), 0);
    const QList<QDomElement> stored = historyEntries(named);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().firstChildElement().attribute("Artist_"), QString("Thread Band"));
    QCOMPARE(stored.first().firstChildElement().attribute("Title_"), QString("Worker Song"));
    const MediaProbe::Decoded d = MediaProbe::decode(named);
    QVERIFY(d.seconds() >= 0.9);
    QVERIFY(MediaProbe::toneShareOfTenths(d.mono, 440) > 0.8);

    // The next recording starts without them.
    const QString next = m_dir.filePath("REC_untagged.mp3");
    QVERIFY(recordFor(rec, next, 1.0));
    QVERIFY(QFile::exists(next));
    QCOMPARE(completed.size(), 2);
    QCOMPARE(completed.last().at(0).value<convertedInfo>().convertedPath, next);
    QVERIFY(completed.last().at(0).value<convertedInfo>().title.isEmpty());
    QCOMPARE(tagsIn(next).title, std::string());
}

void TestRecordObject::tagsRecognisedAfterTheStopStillCount()
{
    // The recogniser answers from the last sound, while the capture thread
    // hands it on after the stop was asked: the file still takes the tags.
    useFormat(recordFormats().at(0));
    useSources(true, false);
    const QString path = m_dir.filePath("REC_late.mp3");
    Playback play(m_tone440, m_sink);
    QVERIFY(play.waitPlaying());
    ScriptedRecognizer recognizer;
    QRecordObject rec;
    recognizer.setTrack(rec.m_track1);
    rec.m_track1->setRecognizer(&recognizer);
    QVERIFY(rec.startRecorder(path, 100.0f, false));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1000000, 10000);
    recognizer.recognise("Late Song", true);
    QTRY_VERIFY_WITH_TIMEOUT(recognizer.entered(), 10000);
    rec.stopRecorder();
    QVERIFY(!recognizer.delivered());
    recognizer.release();
    QTRY_VERIFY_WITH_TIMEOUT(!rec.isFinishing(), 20000);
    QVERIFY(recognizer.delivered());
    const QString named = m_dir.filePath("Late Song.mp3");
    QVERIFY(QFile::exists(named));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(tagsIn(named).artist, std::string("Scripted Band"));
    QCOMPARE(historyEntries(named).size(), 1);
    rec.stopRecorder();
    rec.m_track1->setRecognizer(nullptr);
}

void TestRecordObject::aCutGivesEachFileItsOwnTags()
{
    useFormat(recordFormats().at(0));
    useSources(true, false);
    const QString first = m_dir.filePath("REC_cut1.mp3");
    const QString second = m_dir.filePath("REC_cut2.mp3");
    const QString third = m_dir.filePath("REC_cut3.mp3");
    Playback play(m_tone440, m_sink);
    QVERIFY(play.waitPlaying());
    ScriptedRecognizer recognizer;
    QRecordObject rec;
    recognizer.setTrack(rec.m_track1);
    rec.m_track1->setRecognizer(&recognizer);
    QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
    recognizer.recognise("Before The Cut");
    QVERIFY(rec.startRecorder(first, 100.0f, false));
    QTRY_VERIFY_WITH_TIMEOUT(recognizer.delivered() && rec.recordedTime() >= 1000000, 10000);
    // The cut's file is tagged and named on the worker too; the next file
    // begins untagged.
    {
        TestSupport::HeldTagWrite held;
        rec.stopRecorder(QRecordObject::KeepSourcesForNextStart);
        QTRY_VERIFY_WITH_TIMEOUT(held.entered(), 10000);
        QVERIFY(held.writer() != std::this_thread::get_id());
        QVERIFY(completed.isEmpty());
        held.release();
        QTRY_VERIFY_WITH_TIMEOUT(!rec.isFinishing(), 10000);
    }
    QVERIFY(rec.startRecorder(second, 100.0f, false));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1000000, 10000);
    QVERIFY(TestSupport::stopRecording(rec, QRecordObject::KeepSourcesForNextStart));
    // Recognised in the third file only.
    QVERIFY(rec.startRecorder(third, 100.0f, false));
    recognizer.recognise("After The Cut");
    QTRY_VERIFY_WITH_TIMEOUT(recognizer.delivered() && rec.recordedTime() >= 1000000, 10000);
    QVERIFY(TestSupport::stopRecording(rec));
    rec.m_track1->setRecognizer(nullptr);

    QCOMPARE(completed.size(), 3);
    const QString before = m_dir.filePath("Before The Cut.mp3");
    const QString after = m_dir.filePath("After The Cut.mp3");
    QCOMPARE(completed.at(0).at(0).value<convertedInfo>().convertedPath, before);
    QCOMPARE(completed.at(1).at(0).value<convertedInfo>().convertedPath, second);
    QCOMPARE(completed.at(2).at(0).value<convertedInfo>().convertedPath, after);
    QCOMPARE(tagsIn(before).title, std::string("Before The Cut"));
    QCOMPARE(tagsIn(second).title, std::string());
    QCOMPARE(tagsIn(after).title, std::string("After The Cut"));
    QVERIFY(!QFile::exists(first) && !QFile::exists(third));
    QCOMPARE(historyEntries(before).size(), 1);
    QCOMPARE(historyEntries(second).size(), 1);
    QCOMPARE(historyEntries(after).size(), 1);
}

QTEST_MAIN(TestRecordObject)
#include "tst_recordobject.moc"

void TestRecordObject::stopReturnsWhileTheFileIsFinished()
{
    useFormat(recordFormats().at(0));
    useSources(true, false);
    const QString path = m_dir.filePath("slow-finish.mp3");
    Playback play(m_tone440, m_sink);
    QVERIFY(play.waitPlaying());
    int turns = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&turns] { ++turns; });
    QRecordObject rec;
    QSignalSpy stored(&rec, &QRecordObject::emitFinishRecordFile);
    QSignalSpy completed(&rec, &QRecordObject::emitRecordingCompleted);
    QVERIFY(rec.startRecorder(path, 100.0f, false));
    QTRY_VERIFY_WITH_TIMEOUT(rec.recordedTime() >= 1500000, 10000);
    {
        TestSupport::SlowFinish slow;
        rec.stopRecorder();
        // Stopped for the caller; the file is still being finished.
        QVERIFY(!rec.isRecording());
        QVERIFY(rec.isFinishing());
        QVERIFY(stored.isEmpty());
        QTRY_VERIFY(slow.entered());
        probe.start(5);
        // The caller's event loop turns meanwhile.
        QTRY_VERIFY(turns >= 10);
        QVERIFY(rec.isFinishing());
        QVERIFY(markedInProgress(path));
        QVERIFY(stored.isEmpty() && completed.isEmpty());
        slow.release();
        QTRY_VERIFY_WITH_TIMEOUT(!rec.isFinishing(), 10000);
    }
    QCOMPARE(stored.size(), 1);
    QCOMPARE(completed.size(), 1);
    QCOMPARE(completed.first().at(1).toBool(), true);
    QVERIFY(!markedInProgress(path));
    QCOMPARE(historyEntries(path).size(), 1);
    const MediaProbe::Decoded d = MediaProbe::decode(path);
    QVERIFY2(qAbs(d.seconds() - rec.recordedTime() / 1e6) <= 0.1, qPrintable(QString::number(d.seconds())));
    QVERIFY(MediaProbe::toneShareOfTenths(d.mono, 440) > 0.8);

    // Destroyed while its file is finished: the file is completed first.
    const QString second = m_dir.filePath("slow-finish-2.mp3");
    {
        TestSupport::SlowFinish slow(300);
        QRecordObject other;
        QVERIFY(other.startRecorder(second, 100.0f, false));
        QTRY_VERIFY_WITH_TIMEOUT(other.recordedTime() >= 1000000, 10000);
        other.stopRecorder();
        QVERIFY(other.isFinishing());
    }
    QVERIFY(!markedInProgress(second));
    QCOMPARE(historyEntries(second).size(), 1);
    QVERIFY(MediaProbe::decode(second).seconds() >= 0.9);
}
