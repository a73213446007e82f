// Hostile and damaged paths and files through media information, tags and the
// player: each fails as a result, or plays what is valid, within its own time
// bound and in less than 512 MiB, and the process keeps running.

#include "rzcodec/player.h"

#include "hostilefiles.h"
#include "mediafiles.h"
#include "soundcapture.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

namespace {

// Far above the codec layer's own bounds on a call (5 s to open, 3 s a read):
// only a reader that ignores them, or hangs, runs into it.
constexpr int kBoundMs = 10000;
constexpr qint64 kMemoryBoundMiB = 512;
constexpr qint64 kZeros = qint64(2) * 1024 * 1024 * 1024;

// Runs work on a thread of its own, so that a hang fails the test instead of
// blocking it (the thread is then left behind).
class Bounded
{
public:
    explicit Bounded(std::function<void()> work) : m_done(std::make_shared<std::atomic<bool>>(false))
    {
        auto done = m_done;
        std::thread([work = std::move(work), done] {
            work();
            *done = true;
        }).detach();
    }
    bool finished() const { return *m_done; }

private:
    std::shared_ptr<std::atomic<bool>> m_done;
};

// Under AddressSanitizer freed memory is held back, so resident size says
// nothing about what the code keeps.
bool memoryIsMeasurable()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

// How long this machine takes to read the whole file into fresh memory: a
// reader that must take in a large part of it (a tag with its picture) takes
// a few times that, which on a machine slow to hand out memory is seconds.
int msToReadWhole(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readAll().size() != file.size())
        return -1;
    return int(clock.elapsed());
}

// A named pipe and a link to /dev/zero: a read of either never ends.
bool makeEndlessFiles(const QString &fifo, const QString &zero)
{
    return ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && QFile::link("/dev/zero", zero);
}

using HostileFiles::Reading;

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pathsThatAreNoFilesAreRefused_data();
    void pathsThatAreNoFilesAreRefused();
    void damagedHeadersStayBounded_data();
    void damagedHeadersStayBounded();
    void nestedResourcesAreLocalFilesOnly_data();
    void nestedResourcesAreLocalFilesOnly();
    void soundFollowedByZerosPlaysItsValidPart_data();
    void soundFollowedByZerosPlaysItsValidPart();
    void seekIntoZerosWhilePlayingIsReported();
    void hugeCoverIsLeftOut();

private:
    // Reads the path with every reader within the time and memory bounds,
    // each reader given the allowance beside the bound.
    void readBounded(const QString &path, Reading *out, int allowanceMs = 0);

    QTemporaryDir m_dir;
    QString m_tone;
};

void TestHostileInput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const auto formats = MediaFiles::taggableFormats();
    m_tone = MediaFiles::makeTone(m_dir.path(), "tone", formats.first(), 1.0,
                                  {"-id3v2_version", "0", "-write_xing", "0"});
    QVERIFY(!m_tone.isEmpty());
}

void TestHostileInput::readBounded(const QString &path, Reading *out, int allowanceMs)
{
    auto reading = std::make_shared<Reading>();
    auto readersDone = std::make_shared<std::atomic<int>>(0);
    HostileFiles::resetPeakMemory();
    Bounded run([path, reading, readersDone] {
        *reading = HostileFiles::readWithEveryReader(path, readersDone.get());
    });
    // Each reader in turn gets the bound: a slow machine may need longer for
    // all of them, but a reader that does not end fails.
    for (int done = 0; !run.finished(); done = readersDone->load())
        QTRY_VERIFY2_WITH_TIMEOUT(run.finished() || readersDone->load() > done,
                                  qPrintable(QString("reader %1 of %2 did not end")
                                                 .arg(done + 1).arg(HostileFiles::kReaders)),
                                  kBoundMs + allowanceMs);
    if (memoryIsMeasurable())
        QVERIFY2(HostileFiles::peakMemoryMiB() < kMemoryBoundMiB,
                 qPrintable(QString("peak %1 MiB").arg(HostileFiles::peakMemoryMiB())));
    *out = *reading;
}

void TestHostileInput::pathsThatAreNoFilesAreRefused_data()
{
    QTest::addColumn<QString>("path");
    const QString fifo = m_dir.filePath("pipe.mp3");
    const QString zero = m_dir.filePath("zero.mp3");
    QVERIFY(makeEndlessFiles(fifo, zero));
    const QString folder = m_dir.filePath("folder.flac");
    QVERIFY(QDir().mkpath(folder));
    const QString linkToFifo = m_dir.filePath("pipe-link.wav");
    QVERIFY(QFile::link(fifo, linkToFifo));
    QTest::newRow("fifo") << fifo;
    QTest::newRow("link to /dev/zero") << zero;
    QTest::newRow("folder") << folder;
    QTest::newRow("link to a fifo") << linkToFifo;
    QTest::newRow("missing") << m_dir.filePath("missing.mp3");
}

void TestHostileInput::pathsThatAreNoFilesAreRefused()
{
    QFETCH(QString, path);
    Reading r;
    readBounded(path, &r);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!r.infoOpened);
    QCOMPARE(r.tagOpen, -2);
    QVERIFY(!r.recognised);
    QVERIFY(!r.playerOpened);
}

void TestHostileInput::damagedHeadersStayBounded_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("playable");
    const QString info = m_dir.filePath("info-sizes.wav");
    QVERIFY(HostileFiles::writeWavWithHugeInfoSizes(info));
    const QString rate = m_dir.filePath("rate.wav");
    QVERIFY(HostileFiles::writeWavWithSampleRate(rate, 2147483647u));
    const QString channels = m_dir.filePath("rate-768k.wav");
    QVERIFY(HostileFiles::writeWavWithSampleRate(channels, 768000u));
    const QString oneHz = m_dir.filePath("rate-1.wav");
    QVERIFY(HostileFiles::writeWavWithSampleRate(oneHz, 1u));
    const QString below = m_dir.filePath("rate-999.wav");
    QVERIFY(HostileFiles::writeWavWithSampleRate(below, 999u));
    const QString lowest = m_dir.filePath("rate-1000.wav");
    QVERIFY(HostileFiles::writeWavWithSampleRate(lowest, 1000u));
    QTest::newRow("LIST and INAM sizes near 2 GB") << info << true;
    QTest::newRow("sample rate 2147483647") << rate << false;
    QTest::newRow("sample rate 768000, the highest played") << channels << true;
    QTest::newRow("sample rate 1") << oneHz << false;
    QTest::newRow("sample rate 999") << below << false;
    QTest::newRow("sample rate 1000, the lowest played") << lowest << true;
}

void TestHostileInput::damagedHeadersStayBounded()
{
    QFETCH(QString, path);
    QFETCH(bool, playable);
    Reading r;
    readBounded(path, &r);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(r.infoOpened, playable);
    QCOMPARE(r.playerOpened, playable);
    QVERIFY(!r.hasTitle);
}

// Playlists and lists of files name further resources; the codec layer opens
// local regular files only, never a pipe, a device or a remote address.
void TestHostileInput::nestedResourcesAreLocalFilesOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("playable");
    const QString fifo = m_dir.filePath("nested-pipe.ts");
    const QString zero = m_dir.filePath("nested-zero.ts");
    QVERIFY(makeEndlessFiles(fifo, zero));
    const QString segment = m_dir.filePath("segment.ts");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a",
                                   "mp2", "-f", "mpegts", segment}));
    // A remote address nobody answers at: a connection would wait.
    const QString remote = QStringLiteral("http://192.0.2.1/segment.ts");

    auto write = [this](const QString &name, const QByteArray &text) {
        const QString path = m_dir.filePath(name);
        return TestSupport::writeBytes(path, text) ? path : QString();
    };
    auto hls = [&](const QString &name, const QString &entry) {
        return write(name, "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n"
                           "#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:1.0,\n"
                           + QFile::encodeName(entry) + "\n#EXT-X-ENDLIST\n");
    };
    auto concat = [&](const QString &name, const QString &entry) {
        return write(name, "ffconcat version 1.0\nfile '" + QFile::encodeName(entry) + "'\n");
    };
    QTest::newRow("playlist naming a pipe") << hls("pipe.m3u8", fifo) << false;
    QTest::newRow("playlist naming a pipe by a relative name")
        << hls("pipe-relative.m3u8", "nested-pipe.ts") << false;
    QTest::newRow("playlist naming /dev/zero") << hls("zero.m3u8", zero) << false;
    QTest::newRow("playlist naming a remote address") << hls("remote.m3u8", remote) << false;
    QTest::newRow("playlist naming a file") << hls("file.m3u8", segment) << true;
    // Relative plain names, which the list's own check of names lets through.
    QTest::newRow("file list naming a pipe") << concat("pipe.ffconcat", "nested-pipe.ts") << false;
    QTest::newRow("file list under an .mp3 name naming a pipe")
        << concat("list.mp3", "nested-pipe.ts") << false;
    QTest::newRow("file list naming /dev/zero") << concat("zero.ffconcat", "nested-zero.ts") << false;
    QTest::newRow("file list naming a remote address") << concat("remote.ffconcat", remote) << false;
}

void TestHostileInput::nestedResourcesAreLocalFilesOnly()
{
    QFETCH(QString, path);
    QFETCH(bool, playable);
    QVERIFY(!path.isEmpty());
    Reading r;
    readBounded(path, &r);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(r.infoOpened, playable);
    QCOMPARE(r.playerOpened, playable);
    QCOMPARE(r.recognised, playable);
}

void TestHostileInput::soundFollowedByZerosPlaysItsValidPart_data()
{
    QTest::addColumn<QString>("path");
    const auto formats = MediaFiles::taggableFormats();
    const QString flac = MediaFiles::makeTone(m_dir.path(), "valid", formats.at(2), 1.0);
    QVERIFY(!flac.isEmpty());
    QVERIFY(HostileFiles::copyWithZeros(flac, m_dir.filePath("partial.flac"), kZeros));
    QVERIFY(HostileFiles::copyWithZeros(m_tone, m_dir.filePath("partial.mp3"), kZeros));
    QTest::newRow("flac") << m_dir.filePath("partial.flac");
    QTest::newRow("mp3") << m_dir.filePath("partial.mp3");
}

void TestHostileInput::soundFollowedByZerosPlaysItsValidPart()
{
    QFETCH(QString, path);
    Reading r;
    readBounded(path, &r);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(r.infoOpened);
    QVERIFY(r.playerOpened);

    // Played: the valid second is heard, then the player reports the end.
    HostileFiles::resetPeakMemory();
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QCOMPARE(rz_player_open_ex(player, path.toUtf8().constData(), 0, 0, 0, 0), 1);
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(player), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kBoundMs);
    // A busy server hands the listener the sound late: all of it is in once
    // silence follows it.
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();
    int loud = 0;
    for (int i = 0; i + 2 * 441 <= heard.size(); i += 2 * 441)
        loud += SoundLevel::rmsDb(heard.mid(i, 2 * 441)) > -40 ? 1 : 0;
    QVERIFY2(loud >= 85 && loud <= 105, qPrintable(QString::number(loud)));

    // A seek into the zeros answers, and the player still plays the start.
    auto seekDone = std::make_shared<std::atomic<int>>(-1);
    const quint64 middle = rz_player_get_duration(player) / 2;
    Bounded seek([player, middle, seekDone] { *seekDone = int(rz_player_seek(player, middle)); });
    QTRY_VERIFY_WITH_TIMEOUT(seek.finished(), kBoundMs);
    QCOMPARE(rz_player_seek(player, 0), 1);
    QCOMPARE(rz_player_play(player), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kBoundMs);
    QCOMPARE(rz_player_stop(player), 1);
    QCOMPARE(rz_player_close(player), 1);
    QCOMPARE(rz_player_release(player), 1);
    if (memoryIsMeasurable())
        QVERIFY2(HostileFiles::peakMemoryMiB() < kMemoryBoundMiB,
                 qPrintable(QString::number(HostileFiles::peakMemoryMiB())));
}

// A seek that cannot be made while playing leaves the player paused where it
// was (or stopped) with the reason, never playing with nothing heard. The
// seek goes far past what the player has read ahead (its output holds a
// second): only there does finding the place need the file's end, which is
// zeros.
void TestHostileInput::seekIntoZerosWhilePlayingIsReported()
{
    const auto formats = MediaFiles::taggableFormats();
    const double toneSeconds = 10.0;
    const QString flac = MediaFiles::makeTone(m_dir.path(), "seekvalid", formats.at(2), toneSeconds);
    QVERIFY(!flac.isEmpty());
    const QString path = m_dir.filePath("seek-zeros.flac");
    QVERIFY(HostileFiles::copyWithZeros(flac, path, qint64(16) * 1024 * 1024));

    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QCOMPARE(rz_player_open_ex(player, path.toUtf8().constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_play(player), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(player) > 300000, kBoundMs);
    const quint64 before = rz_player_get_play_time(player);
    const quint64 unread = rz_player_get_duration(player) * 4 / 5;
    auto seekDone = std::make_shared<std::atomic<int>>(-1);
    Bounded seek([player, unread, seekDone] { *seekDone = int(rz_player_seek(player, unread)); });
    QTRY_VERIFY_WITH_TIMEOUT(seek.finished(), kBoundMs);
    QCOMPARE(seekDone->load(), 0);
    QVERIFY(!QByteArray(rz_player_get_error_text(player)).isEmpty());
    QVERIFY(!rz_player_is_running(player));
    // Paused where it was, or, when even that cannot be reached, stopped.
    const quint64 after = rz_player_get_play_time(player);
    if (rz_player_is_pause(player))
        QVERIFY2(after + 100000 >= before && after <= before + 500000,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    else
        QVERIFY(rz_player_is_stop(player) && after == 0);

    // Played on, it plays from where the time said to its end: all of that
    // is heard, and no more. Or, stopped, the play is refused with the reason:
    // the reader would have to go back to the start, which one that failed to
    // seek may not manage.
    SoundCapture capture;
    QVERIFY(capture.start());
    if (rz_player_play(player)) {
        QVERIFY(QByteArray(rz_player_get_error_text(player)).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kBoundMs + int(toneSeconds * 1000));
        QVERIFY(capture.waitForSilenceAfterSound());
        const double heard = SoundLevel::audibleSeconds(capture.stop());
        const double rest = toneSeconds - double(after) / 1e6;
        QVERIFY2(std::abs(heard - rest) < 0.3,
                 qPrintable(QString("%1 s heard, %2 s left").arg(heard).arg(rest)));
    } else {
        QVERIFY(!QByteArray(rz_player_get_error_text(player)).isEmpty());
        QVERIFY(rz_player_is_stop(player));
        QCOMPARE(rz_player_get_play_time(player), quint64(0));
        QVERIFY(capture.waitForSeconds(0.6));
        QVERIFY(SoundLevel::rmsDb(SoundLevel::slice(capture.stop(), 0.2, 0.6)) < -80);
    }
    QCOMPARE(rz_player_close(player), 1);
    QCOMPARE(rz_player_release(player), 1);
}

void TestHostileInput::hugeCoverIsLeftOut()
{
    const QString path = m_dir.filePath("cover.mp3");
    QVERIFY(HostileFiles::writeMp3WithCover(m_tone, path, qint64(200) * 1024 * 1024));
    const int once = msToReadWhole(path);
    QVERIFY(once >= 0);
    Reading r;
    readBounded(path, &r, 4 * once);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(r.infoOpened);
    QVERIFY(r.hasTitle);
    QCOMPARE(r.coverBytes, qint64(-1));
    QCOMPARE(r.tagOpen, 0);
    QVERIFY(r.tagItems >= 1);
    QVERIFY(!r.tagCover);
    QVERIFY(r.recognised);
    QCOMPARE(r.recognisedCoverBytes, qint64(-1));
    QVERIFY(r.playerOpened);

    // The same file with a cover of ordinary size keeps it.
    const QString small = m_dir.filePath("small-cover.mp3");
    QVERIFY(HostileFiles::writeMp3WithCover(m_tone, small, 100 * 1024));
    readBounded(small, &r);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(r.coverBytes, qint64(100 * 1024));
    QVERIFY(r.tagCover);
    QCOMPARE(r.recognisedCoverBytes, qint64(100 * 1024));
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
