// The track recogniser: a file's own tags, what a live recognition takes in,
// and when a live answer has held long enough to count. What players and
// streams name live: tst_playerrecognition.

#include "testsupport.h"

#include "media/jxaudiorecognizer.h"
#include "internal/settledanswer.h"
#include "media/jxnowplaying.h"
#include "rzcodec/recognizer.h"
#include "rzcodec/recorder.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const JXRecognizerAudioFormat kCaptureFormat{3, 44100, 2, 3};

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
    for (const QString &read : reads.split(QLatin1Char(' '))) {
        const int ms = read.section(QLatin1Char(':'), 0, 0).toInt();
        QString answer = read.section(QLatin1Char(':'), 1);
        const QString source = answer.contains(QLatin1Char('@')) ? answer.section(QLatin1Char('@'), 1)
                                                                 : QStringLiteral("monitor");
        answer = answer.section(QLatin1Char('@'), 0, 0);
        rz::Tags tags;
        if (answer != QLatin1String("-")) {
            tags["title"] = answer.section(QLatin1Char('+'), 0, 0).toStdString();
            if (answer.contains(QLatin1Char('+')))
                tags["artist"] = answer.section(QLatin1Char('+'), 1).toStdString();
        }
        if (settled.offer(tags, source.toStdString(), start + std::chrono::milliseconds(ms))) {
            const rz::Tags &a = settled.answer();
            got = QString::fromStdString(a.at("title"));
            if (a.count("artist"))
                got += QLatin1Char('+') + QString::fromStdString(a.at("artist"));
            got += QLatin1Char('@') + QString::number(ms);
            break;
        }
    }
    QCOMPARE(got, taken);
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
