// The track recogniser: a file's own tags, what a live recognition takes in,
// when a live answer has held long enough to count and for which file of a
// cut, which stream is a player's, and how covers are read. What players and
// streams name live: tst_playerrecognition.

#include "testsupport.h"

#include "internal/liveanswer.h"
#include "internal/settledanswer.h"
#include "media/jxaudiorecognizer.h"
#include "media/jxcoverreader.h"
#include "media/jxnowplaying.h"
#include "rzcodec/recognizer.h"
#include "rzcodec/recorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const JXRecognizerAudioFormat kCaptureFormat{3, 44100, 2, 3};

// One answer as a test writes it, "ms:title": "-" for none, "title+artist"
// with an artist, "title#cover" with a cover, "title@source" about another
// source than "monitor".
struct Read
{
    int ms = 0;
    rz::Tags tags;
    std::string source = "monitor";
};

rz::Tags tagsOf(const QString &answer)
{
    rz::Tags tags;
    if (answer == QLatin1String("-"))
        return tags;
    QString title = answer;
    if (title.contains(QLatin1Char('#'))) {
        tags["cover_image"] = title.section(QLatin1Char('#'), 1).toStdString();
        title = title.section(QLatin1Char('#'), 0, 0);
    }
    if (title.contains(QLatin1Char('+'))) {
        tags["artist"] = title.section(QLatin1Char('+'), 1).toStdString();
        title = title.section(QLatin1Char('+'), 0, 0);
    }
    tags["title"] = title.toStdString();
    return tags;
}

QVector<Read> readsOf(const QString &reads)
{
    QVector<Read> out;
    for (const QString &read : reads.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        Read r;
        r.ms = read.section(QLatin1Char(':'), 0, 0).toInt();
        const QString answer = read.section(QLatin1Char(':'), 1);
        if (answer.contains(QLatin1Char('@')))
            r.source = answer.section(QLatin1Char('@'), 1).toStdString();
        r.tags = tagsOf(answer.section(QLatin1Char('@'), 0, 0));
        out << r;
    }
    return out;
}

// "title" or "title+artist" of an answer; "-" for none.
QString nameOf(const rz::Tags &tags)
{
    if (!tags.count("title"))
        return QStringLiteral("-");
    QString name = QString::fromStdString(tags.at("title"));
    if (tags.count("artist"))
        name += QLatin1Char('+') + QString::fromStdString(tags.at("artist"));
    return name;
}

// A "now playing" source the test answers for: a title, none ("-"), or,
// held, no answer until let go.
class ScriptedSource
{
public:
    ScriptedSource() { rz_recognizer_set_now_playing_source(&ScriptedSource::query, this); }
    ~ScriptedSource()
    {
        letGo();
        rz_recognizer_set_now_playing_source(nullptr, nullptr);
    }
    void answer(const std::string &title)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_title = title;
    }
    void hold()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held = true;
    }
    void letGo()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = false;
        }
        m_changed.notify_all();
    }
    int asked() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_asked;
    }
    bool holding() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_holding;
    }

private:
    static void query(void *context, const char *, RZTagPut put, void *target)
    {
        auto *self = static_cast<ScriptedSource *>(context);
        std::unique_lock<std::mutex> lock(self->m_mutex);
        ++self->m_asked;
        self->m_holding = true;
        self->m_changed.wait(lock, [self] { return !self->m_held; });
        self->m_holding = false;
        if (self->m_title != "-")
            put(target, "title", self->m_title.data(), uint32_t(self->m_title.size()));
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_title = "-";
    bool m_held = false;
    bool m_holding = false;
    int m_asked = 0;
};

// A live recogniser of the codec layer, as the capture's runs use it.
class LiveRecogniser
{
public:
    LiveRecogniser() { rz_recognizer_set_source(m_recognizer, "monitor"); }
    ~LiveRecogniser()
    {
        rz_recognizer_release(m_recognizer);
        rz_stream_release(m_stream);
    }
    bool start(bool afterCut = false)
    {
        rz_recognizer_close(m_recognizer);
        if (afterCut)
            rz_recognizer_follow_cut(m_recognizer);
        return rz_recognizer_open(m_recognizer, nullptr, m_stream, nullptr) == 1
               && rz_recognizer_start(m_recognizer) == 1;
    }
    void stop() { rz_recognizer_stop(m_recognizer); }
    void end() { rz_recognizer_end(m_recognizer); }
    bool completed() { return rz_recognizer_completed(m_recognizer) == 1; }
    QByteArray title()
    {
        uint32_t length = 0;
        const void *v = rz_recognizer_value(m_recognizer, "title", &length);
        return v ? QByteArray(static_cast<const char *>(v), int(length)) : QByteArray();
    }

private:
    void *m_recognizer = rz_recognizer_create(0);
    void *m_stream = rz_stream_create(RZ_MEDIA_AUDIO);
};

PulsePlayingStream streamOf(const QString &pid, const QString &name, const char *nameKey = "application.name")
{
    PulsePlayingStream s;
    if (!pid.isEmpty())
        s.properties.insert("application.process.id", pid);
    if (!name.isEmpty())
        s.properties.insert(nameKey, name);
    return s;
}

} // namespace

class TestRecognizer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileIsRecognisedFromItsTags();
    void fileWithoutTitleOrMissingNeverCompletes();
    void aFileNameIsNoTitle_data();
    void aFileNameIsNoTitle();
    void anAnswerCountsOnceItHolds_data();
    void anAnswerCountsOnceItHolds();
    void aFileAfterACutTakesOnlyWhatItHolds_data();
    void aFileAfterACutTakesOnlyWhatItHolds();
    void aStreamIsAPlayersOwn_data();
    void aStreamIsAPlayersOwn();
    void coversAreReadOneAtATime();
    void aStopNeverWaitsForALookUp();
    void runsJoinWhileTheLookUpWaitsForTheNext();
    void theNextFileOfACutHoldsBackTheTrackBefore();
    void pushedAmountIsCappedAtTheLimit();
    void bitDepthsAndRestarts();

private:
    QTemporaryDir m_dir;
    QString m_cover;
    QByteArray m_coverBytes;
};

void TestRecognizer::initTestCase()
{
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(QColor(200, 40, 90));
    m_cover = m_dir.filePath("cover.png");
    QVERIFY(img.save(m_cover, "PNG"));
    QFile f(m_cover);
    QVERIFY(f.open(QIODevice::ReadOnly));
    m_coverBytes = f.readAll();
}

void TestRecognizer::fileIsRecognisedFromItsTags()
{
    const QString wav = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440, 1.0));
    const QString mp3 = m_dir.filePath("tagged.mp3");
    QCOMPARE(TestSupport::runProgram("ffmpeg", {"-v", "error", "-i", wav, "-i", m_cover, "-map", "0:a",
                                                "-map", "1:v", "-c:v", "copy", "-disposition:v",
                                                "attached_pic", "-id3v2_version", "3",
                                                "-metadata", "title=Nachtmusik für Ölfässer",
                                                "-metadata", "artist=Ансамбль", "-metadata",
                                                "album=Demo", "-metadata", "track=3", mp3}),
             0);
    JXAudioRecognizer r;
    r.CreateAudioRecognizerFromFilepath(mp3);
    QVERIFY(!r.isRunning()); // a file recognition runs without the running flag
    QVERIFY(r.GetRecognizerCompleted());
    const JXRecognizerAudioTagInfo info = r.GetAudioTagInfo();
    QCOMPARE(QString::fromUtf8(info.title), QString("Nachtmusik für Ölfässer"));
    QCOMPARE(QString::fromUtf8(info.artist), QString("Ансамбль"));
    QCOMPARE(info.album, QByteArray("Demo"));
    QCOMPARE(info.track, QByteArray("3"));
    QVERIFY(info.genre.isEmpty());
    QCOMPARE(info.cover_image, m_coverBytes);
    QCOMPARE(info.coverLength, m_coverBytes.size());
    r.ReleaseAudioRecognizer();
    QVERIFY(!r.GetRecognizerCompleted());
    QVERIFY(r.GetAudioTagInfo().title.isEmpty());
}

void TestRecognizer::fileWithoutTitleOrMissingNeverCompletes()
{
    const QString wav = m_dir.filePath("untitled.wav");
    QVERIFY(TestSupport::writeToneWav(wav, 440, 0.5));
    JXAudioRecognizer r;
    r.CreateAudioRecognizerFromFilepath(wav);
    QVERIFY(!r.GetRecognizerCompleted());
    r.CreateAudioRecognizerFromFilepath(m_dir.filePath("missing.mp3"));
    QVERIFY(!r.GetRecognizerCompleted());
    r.CreateAudioRecognizerFromFilepath(m_cover + ".txt");
    QVERIFY(!r.GetRecognizerCompleted());
    QCOMPARE(r.GetAudioTagInfo().coverLength, 0);
}

// What players announce while a file opens is not yet what plays.
void TestRecognizer::aFileNameIsNoTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("fileName");

    QTest::newRow("the URL's last part") << "morning song"
                                         << ""
                                         << "file:///music/morning%20song" << true;
    QTest::newRow("the URL's last part, its extension dropped") << "morning"
                                                                << ""
                                                                << "file:///m/morning.opus" << true;
    QTest::newRow("the path's last part") << "take 3"
                                          << ""
                                          << "/music/take 3" << true;
    QTest::newRow("a stream's URL") << "live"
                                    << ""
                                    << "https://radio.example/live" << true;
    QTest::newRow("a name with dots, its extension dropped") << "live.at.home"
                                                             << ""
                                                             << "file:///m/live.at.home.mp3" << true;
    QTest::newRow("a media file's name") << "morning.MP3"
                                         << ""
                                         << "" << true;
    QTest::newRow("a media file's name, elsewhere") << "track01.flac"
                                                    << ""
                                                    << "file:///m/other.flac" << true;
    QTest::newRow("with an artist") << "morning.mp3"
                                    << "Dawn Chorus"
                                    << "file:///m/morning.mp3" << false;
    QTest::newRow("a title") << "Morning Light"
                             << ""
                             << "file:///m/morning.mp3" << false;
    QTest::newRow("a title with a dot") << "Vol. 2"
                                        << ""
                                        << "" << false;
    QTest::newRow("a title like a document") << "Notes.txt"
                                             << ""
                                             << "" << false;
}

void TestRecognizer::aFileNameIsNoTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, location);
    QFETCH(bool, fileName);
    QCOMPARE(JXNowPlaying::isFileNameTitle(title, artist, location), fileName);
}

// Answers as they are read: "ms:title" (title "-" for none, "title+artist"
// with an artist, "title@source" about another source than "monitor"). The
// answer taken and when, "title@ms", or "" for none.
void TestRecognizer::anAnswerCountsOnceItHolds_data()
{
    QTest::addColumn<QString>("reads");
    QTest::addColumn<QString>("taken");

    QTest::newRow("held half a second") << "0:A 300:A 600:A"
                                        << "A@600";
    QTest::newRow("held exactly the settle time") << "0:A 500:A"
                                                  << "A@500";
    QTest::newRow("read twice by a slow poll") << "0:A 700:A"
                                               << "A@700";
    QTest::newRow("held less than half a second, then another") << "0:A 300:A 450:A 600:B 900:B 1100:B"
                                                                << "B@1100";
    QTest::newRow("a moment without an answer starts it again") << "0:A 300:- 600:A 900:A 1100:A"
                                                                << "A@1100";
    QTest::newRow("the artist arriving starts it again") << "0:A 300:A+x 600:A+x 800:A+x"
                                                         << "A+x@800";
    QTest::newRow("the same answer about another source starts again") << "0:A 300:A@mic 600:A@mic 800:A@mic"
                                                                       << "A@800";
    QTest::newRow("changing at every read") << "0:A 300:B 600:A 900:B 1200:A 1500:B"
                                            << "";
    QTest::newRow("never anything") << "0:- 300:- 600:- 900:-"
                                    << "";
}

void TestRecognizer::anAnswerCountsOnceItHolds()
{
    QFETCH(QString, reads);
    QFETCH(QString, taken);
    const rz::SettledAnswer::Clock::time_point start{};
    rz::SettledAnswer settled;
    QString got;
    for (const Read &read : readsOf(reads)) {
        if (settled.offer(read.tags, read.source, start + std::chrono::milliseconds(read.ms))) {
            got = nameOf(settled.answer()) + QLatin1Char('@') + QString::number(read.ms);
            break;
        }
    }
    QCOMPARE(got, taken);
}

// A file that follows a cut, whose first answers may still name the track
// the file before ended with (answers written as above; "previous" is what
// the file before heard last). The answer taken and when, "title@ms", or
// "title@end" when it is taken as the file ends after the last read; "" for
// none. "last": what this file heard last, for the file after it.
void TestRecognizer::aFileAfterACutTakesOnlyWhatItHolds_data()
{
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("reads");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("last");

    QTest::newRow("no cut") << "-"
                            << "0:A 300:A 600:A"
                            << "A@600"
                            << "A";
    QTest::newRow("another track than the file before's") << "A"
                                                          << "0:B 300:B 600:B"
                                                          << "B@600"
                                                          << "B";
    QTest::newRow("the track before over its silent ending, then the next") << "A"
                                                                            << "0:A 300:A 600:A 900:A 1200:B "
                                                                               "1500:B 1800:B"
                                                                            << "B@1800"
                                                                            << "B";
    QTest::newRow("the track before to the end") << "A"
                                                 << "0:A 300:A 600:A 900:A"
                                                 << "A@end"
                                                 << "A";
    QTest::newRow("the track before, then nothing to the end") << "A"
                                                               << "0:A 300:A 600:A 900:- 1200:- 1500:-"
                                                               << ""
                                                               << "-";
    QTest::newRow("the track before, nothing for a moment, then it to the end")
        << "A"
        << "0:A 300:- 600:A 900:A 1200:A"
        << "A@end"
        << "A";
    QTest::newRow("the track before, not yet held at the end") << "A"
                                                               << "0:- 300:- 600:- 900:A"
                                                               << ""
                                                               << "A";
    QTest::newRow("the track before again after another") << "A"
                                                          << "0:A 300:B 600:A 900:A 1200:A"
                                                          << "A@1200"
                                                          << "A";
    QTest::newRow("the track before with its cover read late") << "A"
                                                               << "0:A#c 300:A#c 600:A#c 900:A#c"
                                                               << "A#c@end"
                                                               << "A#c";
    QTest::newRow("the track before with an artist is another") << "A"
                                                                << "0:A+x 300:A+x 600:A+x"
                                                                << "A+x@600"
                                                                << "A+x";
}

void TestRecognizer::aFileAfterACutTakesOnlyWhatItHolds()
{
    QFETCH(QString, previous);
    QFETCH(QString, reads);
    QFETCH(QString, taken);
    QFETCH(QString, last);
    const rz::LiveAnswer::Clock::time_point start{};
    rz::LiveAnswer answer;
    answer.holdBack(tagsOf(previous));
    QString got;
    for (const Read &read : readsOf(reads)) {
        if (answer.offer(read.tags, read.source, start + std::chrono::milliseconds(read.ms)) && got.isEmpty())
            got = nameOf(answer.answer()) + QLatin1Char('@') + QString::number(read.ms);
    }
    if (got.isEmpty() && answer.heldAtEnd())
        got = nameOf(answer.answer()) + QStringLiteral("@end");
    if (!got.isEmpty() && answer.answer().count("cover_image"))
        got.insert(got.indexOf(QLatin1Char('@')),
                   QLatin1Char('#') + QString::fromStdString(answer.answer().at("cover_image")));
    QCOMPARE(got, taken);
    QString heard = nameOf(answer.lastHeard());
    if (answer.lastHeard().count("cover_image"))
        heard += QLatin1Char('#') + QString::fromStdString(answer.lastHeard().at("cover_image"));
    QCOMPARE(heard, last);
}

// A player named "river" (identity "Stand-in River") of process 100 asks
// whether a stream playing into the recorded output is its own. Streams are
// "pid:name" ("-" for a stream without the property), split by commas;
// "players": every player's process.
void TestRecognizer::aStreamIsAPlayersOwn_data()
{
    QTest::addColumn<QString>("player");
    QTest::addColumn<QString>("heard");
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<QString>("players");
    QTest::addColumn<bool>("own");
    QTest::addColumn<bool>("namesAsked");

    QTest::newRow("its process") << "100"
                                 << "100:mpv"
                                 << ""
                                 << "100" << true << false;
    QTest::newRow("another process") << "100"
                                     << "300:other"
                                     << ""
                                     << "100" << false << true;
    QTest::newRow("its name, of no player's process") << "100"
                                                      << "300:river"
                                                      << ""
                                                      << "100" << true << true;
    QTest::newRow("its identity, of no player's process") << "100"
                                                          << "300:Stand-in River"
                                                          << ""
                                                          << "100" << true << true;
    QTest::newRow("its name, without a process") << "100"
                                                 << "-:river"
                                                 << ""
                                                 << "100" << true << true;
    QTest::newRow("its name on another player's process") << "100"
                                                          << "200:river"
                                                          << ""
                                                          << "100 200" << false << false;
    QTest::newRow("its name, while its own stream plays elsewhere") << "100"
                                                                    << "300:river"
                                                                    << "100:river"
                                                                    << "100" << false << false;
    QTest::newRow("its name, while another process plays elsewhere") << "100"
                                                                     << "300:river"
                                                                     << "400:river"
                                                                     << "100" << true << true;
    QTest::newRow("its process unknown, a stream without one") << "-"
                                                               << "-:other"
                                                               << ""
                                                               << "-" << false << true;
    QTest::newRow("its process unknown, its name") << "-"
                                                   << "300:river"
                                                   << ""
                                                   << "-" << true << true;
    QTest::newRow("nothing heard") << "100"
                                   << ""
                                   << "100:river"
                                   << "100" << false << false;
}

void TestRecognizer::aStreamIsAPlayersOwn()
{
    QFETCH(QString, player);
    QFETCH(QString, heard);
    QFETCH(QString, elsewhere);
    QFETCH(QString, players);
    QFETCH(bool, own);
    QFETCH(bool, namesAsked);
    auto pidOf = [](const QString &pid) { return pid == QLatin1String("-") ? QString() : pid; };
    auto streams = [&pidOf](const QString &list) {
        QVector<PulsePlayingStream> out;
        for (const QString &s : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString name = s.section(QLatin1Char(':'), 1);
            out << streamOf(pidOf(s.section(QLatin1Char(':'), 0, 0)),
                            name == QLatin1String("-") ? QString() : name);
        }
        return out;
    };
    QStringList pids;
    for (const QString &pid : players.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        pids << pidOf(pid);
    int asked = 0;
    const auto names = [&asked] {
        ++asked;
        return QStringList{QStringLiteral("river"), QStringLiteral("Stand-in River")};
    };
    const QVector<PulsePlayingStream> onRecorded = streams(heard);
    QCOMPARE(JXNowPlaying::playsOneOf(pidOf(player), names, onRecorded, onRecorded + streams(elsewhere), pids),
             own);
    // A player's names cost two calls on the bus: asked only when they decide.
    QCOMPARE(asked > 0, namesAsked);
    // Its binary's name counts as well.
    if (heard == QLatin1String("300:river")) {
        const QVector<PulsePlayingStream> binary{
            streamOf(QStringLiteral("300"), QStringLiteral("river"), "application.process.binary")};
        QCOMPARE(JXNowPlaying::playsOneOf(pidOf(player), names, binary, binary + streams(elsewhere), pids),
                 own);
    }
}

// Covers are read on one thread, one file at a time: a file that stalls
// holds that thread alone, and each track's cover is read once.
void TestRecognizer::coversAreReadOneAtATime()
{
    struct Disk
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool stalled = true;
        std::atomic<int> reads{0};
        std::atomic<int> reading{0};
        std::atomic<int> mostAtOnce{0};
    };
    const auto disk = std::make_shared<Disk>();
    auto reader = std::make_unique<JXCoverReader>([disk](const QByteArray &path, QString *problem) {
        ++disk->reads;
        const int now = ++disk->reading;
        if (now > disk->mostAtOnce)
            disk->mostAtOnce = now;
        if (path == "stalled") {
            std::unique_lock<std::mutex> lock(disk->mutex);
            disk->changed.wait(lock, [&disk] { return !disk->stalled; });
        }
        --disk->reading;
        if (path == "text") {
            *problem = QStringLiteral("it is no picture");
            return QByteArray();
        }
        return "picture at " + path;
    });
    using std::chrono::milliseconds;
    const milliseconds patient(60000);
    QString problem;
    QCOMPARE(reader->cover("a", "track 1", patient, &problem), QByteArray("picture at a"));
    QVERIFY(problem.isEmpty());
    // Asked at every look-up: read once per track.
    QCOMPARE(reader->cover("a", "track 1", patient), QByteArray("picture at a"));
    QCOMPARE(disk->reads.load(), 1);
    QCOMPARE(reader->cover("a", "track 2", patient), QByteArray("picture at a"));
    QCOMPARE(disk->reads.load(), 2);
    // A failure is told once.
    QVERIFY(reader->cover("text", "track 3", patient, &problem).isEmpty());
    QCOMPARE(problem, QStringLiteral("it is no picture"));
    problem.clear();
    QVERIFY(reader->cover("text", "track 3", patient, &problem).isEmpty());
    QVERIFY(problem.isEmpty());
    QCOMPARE(disk->reads.load(), 3);

    // A stalled file: waited for once, within the bound.
    QElapsedTimer took;
    took.start();
    QVERIFY(reader->cover("stalled", "track 4", milliseconds(200), &problem).isEmpty());
    QVERIFY(took.elapsed() >= 200);
    QCOMPARE(problem, QStringLiteral("it could not be read in time"));
    took.restart();
    QVERIFY(reader->cover("stalled", "track 4", patient).isEmpty());
    // Another file meanwhile: no second thread, no wait.
    QVERIFY(reader->cover("b", "track 5", patient).isEmpty());
    QVERIFY2(took.elapsed() < patient.count() / 2, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(disk->reads.load(), 4);
    QCOMPARE(disk->mostAtOnce.load(), 1);
    // The end does not wait for the stalled disk for longer than it is told.
    QVERIFY(!reader->shutdown(milliseconds(100)));
    reader.reset();
    {
        std::lock_guard<std::mutex> lock(disk->mutex);
        disk->stalled = false;
    }
    disk->changed.notify_all();
    QTRY_COMPARE(disk->reading.load(), 0);

    // Once the stalled read ends, its cover counts; an idle reader ends at once.
    disk->stalled = true;
    JXCoverReader slow([disk](const QByteArray &path, QString *) {
        std::unique_lock<std::mutex> lock(disk->mutex);
        disk->changed.wait(lock, [&disk] { return !disk->stalled; });
        return "picture at " + path;
    });
    QVERIFY(slow.cover("c", "track 6", milliseconds(50)).isEmpty());
    {
        std::lock_guard<std::mutex> lock(disk->mutex);
        disk->stalled = false;
    }
    disk->changed.notify_all();
    QTRY_COMPARE(slow.cover("c", "track 6", milliseconds(50)), QByteArray("picture at c"));
    QVERIFY(slow.shutdown(milliseconds(0)));
}

// A look-up may take long (a player that does not answer): stopping,
// closing or releasing a recogniser never waits for it, nor does another
// recogniser's start.
void TestRecognizer::aStopNeverWaitsForALookUp()
{
    ScriptedSource source;
    source.answer("Held Title");
    source.hold();
    auto first = std::make_unique<LiveRecogniser>();
    QVERIFY(first->start());
    QTRY_VERIFY(source.holding());
    std::atomic<bool> stopped{false};
    std::thread stopping([&] {
        first->stop();
        first.reset();
        LiveRecogniser second;
        second.start();
        second.stop();
        stopped = true;
    });
    // Bounded for the fault it is to catch: then the look-up is let go.
    const bool inTime = QTest::qWaitFor([&] { return stopped.load(); }, 10000);
    const bool stillHeld = source.holding();
    source.letGo();
    stopping.join();
    QVERIFY(inTime);
    QVERIFY(stillHeld);
    // The answer of the look-up under way went nowhere, and nothing else was asked.
    QCOMPARE(source.asked(), 1);
}

// Recordings starting while the look-up thread waits for the next one due:
// each is asked, and the thread never reads a run's time the joining ones
// moved (the sanitizer build tells).
void TestRecognizer::runsJoinWhileTheLookUpWaitsForTheNext()
{
    ScriptedSource source;
    source.answer("-");
    std::vector<std::unique_ptr<LiveRecogniser>> runs;
    // Each joins once all before it were asked, so the thread waits for
    // their next turn; the runs' list grows past its room several times.
    for (int i = 0; i < 17; ++i) {
        runs.push_back(std::make_unique<LiveRecogniser>());
        QVERIFY(runs.back()->start());
        QTRY_VERIFY_WITH_TIMEOUT(source.asked() >= i + 1, 30000);
    }
    for (auto &run : runs)
        run->stop();
}

// The recogniser's files of a cut, as the capture's runs go: what the file
// before heard last names the next only once another track was heard, or
// when it still holds at its end.
void TestRecognizer::theNextFileOfACutHoldsBackTheTrackBefore()
{
    ScriptedSource source;
    LiveRecogniser r;
    source.answer("Track A");
    QVERIFY(r.start());
    QTRY_VERIFY(r.completed());
    QCOMPARE(r.title(), QByteArray("Track A"));
    // The result stays once the file ended and its recognition stopped.
    r.end();
    r.stop();
    QCOMPARE(r.title(), QByteArray("Track A"));

    // Track A still named over the next file's start: held back.
    QVERIFY(r.start(true));
    int asked = source.asked();
    QTRY_VERIFY(source.asked() >= asked + 4);
    QVERIFY(!r.completed());
    source.answer("Track B");
    QTRY_VERIFY(r.completed());
    QCOMPARE(r.title(), QByteArray("Track B"));
    r.end();
    r.stop();

    // Track B to the end of the next file: it names it as the file ends.
    QVERIFY(r.start(true));
    asked = source.asked();
    QTRY_VERIFY(source.asked() >= asked + 4);
    QVERIFY(!r.completed());
    r.end();
    QVERIFY(r.completed());
    QCOMPARE(r.title(), QByteArray("Track B"));
    r.stop();

    // Nothing at the end of a file: the next holds nothing back.
    source.answer("-");
    QVERIFY(r.start());
    asked = source.asked();
    QTRY_VERIFY(source.asked() >= asked + 4);
    r.stop();
    source.answer("Track B");
    QVERIFY(r.start(true));
    QTRY_VERIFY(r.completed());
    QCOMPARE(r.title(), QByteArray("Track B"));
    r.stop();

    // A recording started anew (no cut) holds nothing back either.
    QVERIFY(r.start());
    QTRY_VERIFY(r.completed());
    r.stop();
}

void TestRecognizer::pushedAmountIsCappedAtTheLimit()
{
    JXAudioRecognizer r;
    QByteArray big(16 * 1024 * 1024, '\0');
    void *frame = rz_audioframe_create();
    rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
    rz_audioframe_set_data(frame, big.constData(), uint32_t(big.size() / 8));
    r.RecognizerAudioFrane(frame); // before any recognition: ignored
    QVERIFY(!r.isFull());
    r.CreateAudioRecognizer(kCaptureFormat);
    QVERIFY(r.isRunning());
    for (int i = 0; i < 9; ++i) // the ninth push finds exactly 134217728 bytes and still goes in
        r.RecognizerAudioFrane(frame);
    QVERIFY(!r.isFull());
    r.RecognizerAudioFrane(frame);
    QVERIFY(r.isFull());
    r.ReleaseAudioRecognizer();
    QVERIFY(!r.isFull() && !r.isRunning());
    r.RecognizerAudioFrane(nullptr);
    rz_audioframe_release(frame);
}

void TestRecognizer::bitDepthsAndRestarts()
{
    QCOMPARE(JXAudioRecognizer::getBitDepth(0), 8u);
    QCOMPARE(JXAudioRecognizer::getBitDepth(1), 16u);
    QCOMPARE(JXAudioRecognizer::getBitDepth(2), 32u);
    QCOMPARE(JXAudioRecognizer::getBitDepth(3), 32u);
    QCOMPARE(JXAudioRecognizer::getBitDepth(4), 64u);
    QCOMPARE(JXAudioRecognizer::getBitDepth(5), 0u);
    JXAudioRecognizer r;
    r.CreateAudioRecognizer(kCaptureFormat);
    QVERIFY(r.isRunning());
    r.CreateAudioRecognizer(JXRecognizerAudioFormat{1, 48000, 1, 0});
    QVERIFY(r.isRunning());
    // A recognition over another stream's sound.
    void *track = rz_stream_create(RZ_MEDIA_AUDIO);
    r.CreateAudioRecognizer(JXAudioRecognizer::Track(track));
    QVERIFY(r.isRunning());
    r.ReleaseAudioRecognizer();
    rz_stream_release(track);
    r.CreateAudioRecognizer(JXAudioRecognizer::Track(nullptr));
    QVERIFY(!r.isRunning());
}

QTEST_GUILESS_MAIN(TestRecognizer)
#include "tst_recognizer.moc"
