// The track recogniser: a file's own tags, and live results from a media
// player on a private session bus.

#include "testsupport.h"

#include "media/jxaudiorecognizer.h"
#include "media/jxnowplaying.h"
#include "rzcodec/recognizer.h"
#include "rzcodec/recorder.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

const JXRecognizerAudioFormat kCaptureFormat{3, 44100, 2, 3};

std::unique_ptr<QProcess> startPlayer(const QStringList &args)
{
    auto p = std::make_unique<QProcess>();
    p->start(QCoreApplication::applicationDirPath() + "/mpris_standin", args);
    if (!p->waitForStarted(5000))
        return nullptr;
    QByteArray said;
    while (!said.contains("ready") && p->state() == QProcess::Running && p->waitForReadyRead(5000))
        said += p->readAllStandardOutput();
    return said.contains("ready") ? std::move(p) : nullptr;
}

// One capture block of silence described as the capture does.
struct CaptureBlock {
    QVector<float> samples = QVector<float>(2048, 0.0f);
    void *frame = rz_audioframe_create();
    CaptureBlock()
    {
        rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
        rz_audioframe_set_data(frame, samples.constData(), 1024);
    }
    ~CaptureBlock() { rz_audioframe_release(frame); }
};

} // namespace

class TestRecognizer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileIsRecognisedFromItsTags();
    void fileWithoutTitleOrMissingNeverCompletes();
    void livePlayerIsRecognisedOnlyWhilePlaying();
    void liveCoversArePicturesOnly_data();
    void liveCoversArePicturesOnly();
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

void TestRecognizer::livePlayerIsRecognisedOnlyWhilePlaying()
{
    auto paused = startPlayer({"pausedone", "Paused", "Not This", "Nobody", "None"});
    QVERIFY(paused);
    JXAudioRecognizer r;
    r.CreateAudioRecognizer(kCaptureFormat);
    QVERIFY(r.isRunning());
    CaptureBlock block;
    // Frames come in while the recogniser looks at the paused player, twice.
    int asked = 0;
    auto lookedTwice = [&] {
        r.RecognizerAudioFrane(block.frame);
        asked += paused->readAllStandardOutput().count("asked");
        return asked >= 2 || r.GetRecognizerCompleted();
    };
    QTRY_VERIFY_WITH_TIMEOUT(lookedTwice(), 10000);
    QVERIFY(!r.GetRecognizerCompleted()); // a paused player is not what is being recorded

    auto playing = startPlayer({"playingone", "Playing", "Live Title", "Live Artist", "Live Album", m_cover});
    QVERIFY(playing);
    QTRY_VERIFY_WITH_TIMEOUT(r.GetRecognizerCompleted(), 5000);
    r.RecognizerAudioFrane(block.frame);
    QVERIFY(r.isComplete());
    r.StopRecognizer();
    const JXRecognizerAudioTagInfo info = r.GetAudioTagInfo();
    QCOMPARE(info.title, QByteArray("Live Title"));
    QCOMPARE(info.artist, QByteArray("Live Artist"));
    QCOMPARE(info.album, QByteArray("Live Album"));
    QCOMPARE(info.genre, QByteArray("Test"));
    QCOMPARE(info.track, QByteArray("7"));
    QCOMPARE(info.cover_image, m_coverBytes);
    // The result crosses threads by queued signal.
    QVERIFY(QMetaType::type("JXRecognizerAudioTagInfo") != QMetaType::UnknownType);
    playing->kill();
    paused->kill();
    playing->waitForFinished();
    paused->waitForFinished();
}

// A player may name any file as its cover: a device is never read, a pipe
// never waited on, and what is no picture is no cover.
void TestRecognizer::liveCoversArePicturesOnly_data()
{
    QTest::addColumn<QString>("cover");
    const QString fifo = m_dir.filePath("cover-pipe.png");
    QFile::remove(fifo);
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString text = m_dir.filePath("cover.txt.png");
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("root:x:0:0:root:/root:/bin/bash\n");
    f.close();
    QTest::newRow("device") << QString("/dev/zero");
    QTest::newRow("pipe") << fifo;
    QTest::newRow("text file") << text;
    QTest::newRow("system file") << QString("/etc/passwd");
}

void TestRecognizer::liveCoversArePicturesOnly()
{
    QFETCH(QString, cover);
    const QString service = "cover" + QString(QTest::currentDataTag()).remove(' ');
    auto playing = startPlayer({service, "Playing", "Covered", "Someone", "Somewhere", cover});
    QVERIFY(playing);
    {
        JXAudioRecognizer r;
        r.CreateAudioRecognizer(kCaptureFormat);
        CaptureBlock block;
        auto fed = [&] {
            r.RecognizerAudioFrane(block.frame);
            return r.GetRecognizerCompleted();
        };
        QTRY_VERIFY_WITH_TIMEOUT(fed(), 5000);
        r.StopRecognizer();
        const JXRecognizerAudioTagInfo info = r.GetAudioTagInfo();
        QCOMPARE(info.title, QByteArray("Covered"));
        QCOMPARE(info.coverLength, 0);
        QVERIFY(info.cover_image.isEmpty());
    }
    playing->kill();
    playing->waitForFinished();
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
