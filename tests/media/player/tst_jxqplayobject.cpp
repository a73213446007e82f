// The library playback engine, driven as the playback bar drives it, with
// every sound check made on what the private sound server played.

#include "media/jxqplayobject.h"
#include "media/videoframewindow.h"

#include "mediafiles.h"
#include "soundcapture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>
#include <cmath>

namespace {

// The level of a second of the sound heard from `from` seconds of the capture
// on, without the gaps a loaded machine may leave (the output is made again at
// a volume change); -200 when that second never comes.
double levelOfASecondFrom(SoundCapture &capture, double from)
{
    auto sound = [&] {
        const QVector<float> &all = capture.peek();
        return SoundLevel::withoutGaps(SoundLevel::slice(all, from, SoundLevel::seconds(all)));
    };
    if (!QTest::qWaitFor([&] { return SoundLevel::seconds(sound()) >= 1.0; }, 10000))
        return -200.0;
    return SoundLevel::medianDb(sound(), 0, 1.0);
}

// A frame window that remembers what it was given and on which thread.
class RecordingWindow : public VideoFrameWindow
{
public:
    void showImage(const unsigned char *, unsigned int, unsigned int, unsigned int) override { ++rgbFrames; }
    void showYUVImage(const unsigned char *const planes[3], int width, int height,
                      const int strides[3]) override
    {
        ++yuvFrames;
        onGuiThread = onGuiThread && QThread::currentThread() == thread();
        size = QSize(width, height);
        qint64 sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                sum += planes[0][y * strides[0] + x];
        lumaMean = double(sum) / (width * height);
        chromaPresent = planes[1] && planes[2] && strides[1] >= width / 2;
    }
    void setVideoScale(int width, int height) override { scale = QSize(width, height); }
    void setVideoSize(int width, int height) override { videoSize = QSize(width, height); }

    int rgbFrames = 0;
    int yuvFrames = 0;
    bool onGuiThread = true;
    bool chromaPresent = false;
    double lumaMean = 0;
    QSize size;
    QSize scale;
    QSize videoSize;
};

// Keeps wave blocks as a queued receiver would: they are read later.
class BlockKeeper : public QObject
{
    Q_OBJECT
public:
    QList<QByteArray> blocks;
    QList<int> counts;
public slots:
    void keep(QByteArray block, int count)
    {
        blocks << block;
        counts << count;
    }
};

} // namespace

class TestJXQPlayObject : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void timeTexts();
    void toneIsHeardAndPlayFinishArrives();
    void pauseSilencesAndPlayResumes();
    void seekToHalfShowsFiveSeconds();
    void failedSeekIsReportedAndPlaysNoLonger();
    void volumeFiftyLowersBySixDecibels();
    void waveBlocksReachQueuedReceiversIntact();
    void badFilesFailAndReportTheEnd();
    void secondFileStopsTheFirstWithoutFinish();
    void finishedFilePlaysAgainFromStart();
    void coverPictureIsNotVideo();
    void videoFramesReachTheWindowAsCopies();

private:
    QTemporaryDir m_dir;
    QString m_tone2s;
    QString m_halves;
};

void TestJXQPlayObject::initTestCase()
{
    m_tone2s = m_dir.filePath("tone2s.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone2s, 440, 2.0));
    m_halves = m_dir.filePath("halves.flac");
    QVERIFY(MediaFiles::writeTwoHalves(m_halves));
}

void TestJXQPlayObject::timeTexts()
{
    JXQPlayObject engine;
    QSignalSpy combined(&engine, &JXQPlayObject::emitPlayTime);
    QSignalSpy position(&engine, &JXQPlayObject::emitCurPlayTime);
    engine.ShowTime(3725000000ULL);
    QCOMPARE(position.last().at(0).toString(), QString("01:02:05"));
    QCOMPARE(combined.last().at(0).toString(), QString("01:02:05 / 00:00:00"));
    engine.ShowTime(360000000000ULL);
    QCOMPARE(position.last().at(0).toString(), QString("100:00:00"));
    // With a 2 h file open the length shows as well.
    const QString silent = m_dir.filePath("long.wav");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "anullsrc=r=8000:cl=mono", "-t", "7200",
                                   "-c:a", "pcm_u8", silent}));
    engine.SetPlayFile(silent, 0, 0);
    engine.ShowTime(3725000000ULL);
    QCOMPARE(combined.last().at(0).toString(), QString("01:02:05 / 02:00:00"));
}

void TestJXQPlayObject::toneIsHeardAndPlayFinishArrives()
{
    JXQPlayObject engine;
    QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
    QSignalSpy progress(&engine, &JXQPlayObject::emitPlayPro);
    QSignalSpy state(&engine, &JXQPlayObject::emitPlayState);
    QSignalSpy video(&engine, &JXQPlayObject::emitIsHaveVideo);
    engine.SetPlayFile(m_tone2s, 0, 0);
    QCOMPARE(video.count(), 1);
    QCOMPARE(video.last().at(0).toBool(), false);
    QCOMPARE(finished.count(), 0);

    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    engine.StartPlay();
    QCOMPARE(state.last().at(0).toBool(), true);
    QVERIFY(finished.wait(10000));
    const double took = TestSupport::sinceStart(timer);
    const double capturedAtEnd = capture.seconds();
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 1000));
    // The finish comes after the whole tone was heard and soon after its end.
    // A capture the starved server dropped sound for hears less.
    const QString length = capture.lengthAgrees(heard, 2.0, 0.06);
    QVERIFY2(length.isEmpty(), qPrintable(length));
    QVERIFY2(took > 1.9, qPrintable(QString::number(took)));
    const QString ends = SoundLevel::endAgrees(capturedAtEnd, heard);
    QVERIFY2(ends.isEmpty(), qPrintable(ends));
    // Progress climbed towards 1 and was reset to 0 at the end. It is read
    // on a 100 ms timer, which a busy machine can hold back for a few
    // hundred ms: the last reading before the end may be well short of 1.
    double highest = 0;
    for (const QList<QVariant> &p : progress) {
        const double value = p.at(0).toDouble();
        QVERIFY2(value == 0.0 || value >= highest, qPrintable(QString::number(value)));
        highest = std::max(highest, value);
    }
    QVERIFY2(highest > 0.6 && highest <= 1.0, qPrintable(QString::number(highest)));
    QCOMPARE(progress.last().at(0).toDouble(), 0.0);
    QVERIFY(engine.isStopPlay());
    QCOMPARE(engine.getCurrentPlayerPos(), quint64(0));
}

void TestJXQPlayObject::pauseSilencesAndPlayResumes()
{
    JXQPlayObject engine;
    engine.SetPlayFile(m_halves, 0, 0);
    QSignalSpy blocks(&engine, &JXQPlayObject::emitAudioData);
    SoundCapture first;
    QVERIFY(first.start());
    QElapsedTimer timer;
    timer.start();
    engine.OnPlayVideo();
    QVERIFY(first.waitForHeard(1.0));
    QTRY_VERIFY_WITH_TIMEOUT(!blocks.isEmpty(), 10000);
    const double heardFirst = SoundLevel::audibleSeconds(first.peek());
    engine.pausePlay();
    const double playedFor = TestSupport::sinceStart(timer);
    QVERIFY(engine.isPausePlay());
    // Pausing clears the waveform.
    QVERIFY(blocks.last().at(0).toByteArray().isEmpty());
    const quint64 pausedAt = engine.getCurrentPlayerPos();
    QString agrees = SoundLevel::positionAgrees(pausedAt, 0, heardFirst, playedFor);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    first.stop();

    // Sound was heard above; none while paused, once the output's tail is out.
    SoundCapture silence;
    QVERIFY(silence.start());
    QVERIFY(silence.waitForSeconds(0.6));
    QVERIFY(SoundLevel::rmsDb(SoundLevel::slice(silence.stop(), 0.2, 0.6)) < -80);
    QCOMPARE(engine.getCurrentPlayerPos(), pausedAt);

    SoundCapture resumed;
    QVERIFY(resumed.start());
    timer.restart();
    engine.StartPlay();
    // Judged once the clock has settled: libpulse's interpolated time starts
    // again on the first report after a resume that says the stream plays,
    // and eases towards later ones over a second; a report that a busy server
    // answers late leaves it behind the sound for that while.
    QVERIFY(resumed.waitForHeard(1.5));
    const double heardAfter = SoundLevel::audibleSeconds(resumed.peek());
    const quint64 after = engine.getCurrentPlayerPos();
    const double resumedFor = TestSupport::sinceStart(timer);
    const QVector<float> heard = resumed.stop();
    agrees = SoundLevel::positionAgrees(after, pausedAt, heardAfter, resumedFor);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 880));
}

void TestJXQPlayObject::seekToHalfShowsFiveSeconds()
{
    JXQPlayObject engine;
    engine.SetPlayFile(m_halves, 0, 0);
    QSignalSpy combined(&engine, &JXQPlayObject::emitPlayTime);
    QSignalSpy position(&engine, &JXQPlayObject::emitCurPlayTime);
    QSignalSpy progress(&engine, &JXQPlayObject::emitPlayPro);
    engine.ProgressValueChange(0.5);
    QCOMPARE(engine.getCurrentPlayerPos(), quint64(5000000));
    QCOMPARE(position.last().at(0).toString(), QString("00:00:05"));
    QCOMPARE(combined.last().at(0).toString(), QString("00:00:05 / 00:00:10"));
    QCOMPARE(progress.count(), 0);

    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    engine.OnPlayVideo();
    QVERIFY(capture.waitForHeard(0.5));
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty(), 10000);
    const QVector<float> heard = capture.stop();
    QVERIFY(SoundLevel::tone(heard, 880) > 100 * SoundLevel::tone(heard, 440));
    // Onwards from the half of the 10 s file, no faster than the wall clock.
    const double shown = progress.last().at(0).toDouble();
    QVERIFY2(shown >= 0.5 && shown <= 0.5 + (TestSupport::sinceStart(timer) + 0.1) / 10,
             qPrintable(QString::number(shown)));

    // A ratio of 0 goes back to the start.
    engine.ProgressValueChange(0.0);
    QVERIFY(engine.getCurrentPlayerPos() < 100000);
}

// A 10 s tone followed by 16 MB of zeros (a partly downloaded file): a seek
// to its middle, past what the player has read ahead for its output, runs
// into the zeros and fails; the bar hears why and shows the player no longer
// playing.
void TestJXQPlayObject::failedSeekIsReportedAndPlaysNoLonger()
{
    const QString flac = m_dir.filePath("seek-zeros.flac");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=f=440:d=10:r=44100", "-c:a", "flac", flac}));
    QFile file(flac);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(file.size() + 16 * 1024 * 1024));
    file.close();

    JXQPlayObject engine;
    engine.SetPlayFile(flac, 0, 0);
    QSignalSpy errors(&engine, &JXQPlayObject::emitPlayError);
    QSignalSpy states(&engine, &JXQPlayObject::emitPlayState);
    QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
    QSignalSpy progress(&engine, &JXQPlayObject::emitPlayPro);
    QSignalSpy position(&engine, &JXQPlayObject::emitCurPlayTime);
    engine.StartPlay();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > 300000, 10000);
    const quint64 before = engine.getCurrentPlayerPos();
    states.clear();
    engine.ProgressValueChange(0.5);
    QCOMPARE(errors.count(), 1);
    QVERIFY2(errors.last().at(0).toString().startsWith("Cannot move to that position: "),
             qPrintable(errors.last().at(0).toString()));
    QCOMPARE(states.count(), 1);
    QCOMPARE(states.last().at(0).toBool(), false);
    // Paused where it was, or stopped at the start when even that cannot be
    // reached; the bar's time and progress say which.
    const quint64 after = engine.getCurrentPlayerPos();
    if (engine.isPausePlay()) {
        QVERIFY2(after + 100000 >= before && after <= before + 500000,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    } else {
        QVERIFY(engine.isStopPlay());
        QCOMPARE(after, quint64(0));
        QCOMPARE(progress.last().at(0).toDouble(), 0.0);
        QCOMPARE(position.last().at(0).toString(), QString("00:00:00"));
    }

    // Played on, the file plays from where the time said to its end, which
    // arrives as the finish: all of that is heard, and no more. Or the play
    // is refused with the reason (stopped, the reader would have to go back
    // to the start, which one that failed to seek may not manage), and the
    // bar shows it not playing.
    SoundCapture capture;
    QVERIFY(capture.start());
    states.clear();
    engine.StartPlay();
    if (errors.count() == 1) {
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QVERIFY(capture.waitForSilenceAfterSound());
        const double heard = SoundLevel::audibleSeconds(capture.stop());
        const double rest = 10.0 - double(after) / 1e6;
        QVERIFY2(std::abs(heard - rest) < 0.3, qPrintable(QString("%1 s heard, %2 s left").arg(heard).arg(rest)));
        QCOMPARE(errors.count(), 1);
        return;
    }
    QCOMPARE(errors.count(), 2);
    QVERIFY2(errors.last().at(0).toString().startsWith("Playback failed: "),
             qPrintable(errors.last().at(0).toString()));
    QVERIFY(engine.isStopPlay());
    QCOMPARE(states.last().at(0).toBool(), false);
    QCOMPARE(engine.getCurrentPlayerPos(), quint64(0));
    QVERIFY(capture.waitForSeconds(0.6));
    QVERIFY(SoundLevel::rmsDb(SoundLevel::slice(capture.stop(), 0.2, 0.6)) < -80);
    QCOMPARE(finished.count(), 0);
}

void TestJXQPlayObject::volumeFiftyLowersBySixDecibels()
{
    const QString file = m_dir.filePath("tone6s.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 6.0, 44100, 2, 0.4));
    JXQPlayObject engine;
    engine.setSoundVolume(100);
    engine.SetPlayFile(file, 0, 0);
    SoundCapture capture;
    QVERIFY(capture.start());
    engine.OnPlayVideo();
    QVERIFY(capture.waitForHeard(1.2));
    const double from = SoundLevel::heard(capture.peek()).from;
    const QVector<float> before = SoundLevel::withoutGaps(
        SoundLevel::slice(capture.peek(), from + 0.2, capture.seconds()));
    const double full = SoundLevel::medianDb(before, 0, SoundLevel::seconds(before));
    engine.setSoundVolume(50);
    const double changedAt = capture.seconds();
    const double half = levelOfASecondFrom(capture, changedAt + 0.5);
    capture.stop();
    QVERIFY2(std::abs(half - full + 6.0) < 1.0, qPrintable(QString("%1 %2").arg(full).arg(half)));

    // The volume survives into the next file.
    engine.SetPlayFile(file, 0, 0);
    SoundCapture next;
    QVERIFY(next.start());
    engine.OnPlayVideo();
    QVERIFY(next.waitForHeard(0.2));
    const double again = levelOfASecondFrom(next, SoundLevel::heard(next.peek()).from + 0.2);
    next.stop();
    QVERIFY2(std::abs(again - half) < 1.0, qPrintable(QString("%1 %2").arg(half).arg(again)));
}

void TestJXQPlayObject::waveBlocksReachQueuedReceiversIntact()
{
    JXQPlayObject engine;
    BlockKeeper keeper;
    connect(&engine, &JXQPlayObject::emitAudioData, &keeper, &BlockKeeper::keep, Qt::QueuedConnection);
    engine.SetPlayFile(m_halves, 0, 0);
    engine.OnPlayVideo();
    // A block holds the last 50 ms heard, less at the very start of the
    // play: only one of 20 ms or more holds enough periods to tell the two
    // halves' tones apart.
    constexpr int kJudgedFrames = 882;
    // One channel of 16-bit samples after the 44 bytes of header.
    const auto framesOf = [](const QByteArray &block) {
        return block.isEmpty() ? 0 : (block.size() - 44) / 2;
    };
    auto judged = [&keeper, &framesOf] {
        return int(std::count_if(keeper.blocks.cbegin(), keeper.blocks.cend(),
                                 [&framesOf](const QByteArray &b) { return framesOf(b) >= kJudgedFrames; }));
    };
    QTRY_VERIFY_WITH_TIMEOUT(judged() >= 10, 10000);
    engine.OnPauseVideo();
    // The clearing block comes through the queue like the others.
    QTRY_VERIFY_WITH_TIMEOUT(keeper.blocks.last().isEmpty(), 10000);
    // Read long after the engine freed its own blocks.
    int checked = 0;
    for (int i = 0; i < keeper.blocks.size(); ++i) {
        const QByteArray &b = keeper.blocks[i];
        if (b.isEmpty())
            continue;
        const auto *bytes = reinterpret_cast<const uchar *>(b.constData());
        QCOMPARE(b.left(4), QByteArray("RIFF"));
        QCOMPARE(int(qFromLittleEndian<quint32>(bytes + 24) >> 1), keeper.counts[i]);
        QCOMPARE(b.size(), 44 + int(qFromLittleEndian<quint32>(bytes + 40)));
        if (framesOf(b) < kJudgedFrames)
            continue;
        QVector<float> mono;
        for (int s = 44; s + 1 < b.size(); s += 2) {
            const float v = (qFromLittleEndian<quint16>(bytes + s) - 32768) / 32768.0f;
            mono << v << v;
        }
        const double first = TestSupport::goertzelPowerInterleaved(mono, 2, 440, 44100);
        const double second = TestSupport::goertzelPowerInterleaved(mono, 2, 880, 44100);
        QVERIFY2(first > 20 * second, qPrintable(QString("block %1 of %2 frames: 440 Hz %3, 880 Hz %4")
                                                     .arg(i)
                                                     .arg(framesOf(b))
                                                     .arg(first)
                                                     .arg(second)));
        ++checked;
    }
    QVERIFY2(checked >= 10, qPrintable(QString::number(checked)));
    QVERIFY(keeper.blocks.last().isEmpty()); // the pause cleared the display
}

void TestJXQPlayObject::badFilesFailAndReportTheEnd()
{
    const QString cut = m_dir.filePath("cut.flac");
    QVERIFY(MediaFiles::truncateCopy(m_halves, cut, 20));
    for (const QString &bad : {m_dir.filePath("missing.wav"), cut}) {
        JXQPlayObject engine;
        QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
        QSignalSpy progress(&engine, &JXQPlayObject::emitPlayPro);
        QSignalSpy combined(&engine, &JXQPlayObject::emitPlayTime);
        QSignalSpy cover(&engine, &JXQPlayObject::emitCoverImage);
        engine.SetPlayFile(bad, 0, 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(progress.last().at(0).toDouble(), 0.0);
        QCOMPARE(combined.last().at(0).toString(), QString("00:00:00 / 00:00:00"));
        QCOMPARE(cover.count(), 0);
        // Play with nothing open ends the play state at once.
        engine.StartPlay();
        QCOMPARE(finished.count(), 2);
        QVERIFY(engine.isStopPlay());
        // Stopping a player with nothing open does nothing; closing still reports.
        engine.OnBtnStop();
        QCOMPARE(finished.count(), 2);
        QSignalSpy closed(&engine, &JXQPlayObject::emitClosePlay);
        engine.closePlay();
        QCOMPARE(finished.count(), 3);
        QCOMPARE(closed.count(), 1);
    }
}

void TestJXQPlayObject::secondFileStopsTheFirstWithoutFinish()
{
    JXQPlayObject engine;
    QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
    QSignalSpy refresh(&engine, &JXQPlayObject::emitRefreshPlayView);
    engine.SetPlayFile(m_halves, 0, 0);
    engine.OnPlayVideo();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() >= 300000, 10000);
    engine.SetPlayFile(m_tone2s, 0, 0);
    QCOMPARE(refresh.count(), 2);
    QCOMPARE(finished.count(), 0);
    QVERIFY(engine.isStopPlay());
    QVERIFY(qAbs(qint64(engine.getDuration()) - 2000000) < 1000);
    // It was heard playing (its position moved); nothing is heard now.
    SoundCapture silence;
    QVERIFY(silence.start());
    QVERIFY(silence.waitForSeconds(0.4));
    QVERIFY(SoundLevel::rmsDb(SoundLevel::slice(silence.stop(), 0.2, 0.4)) < -80);

    // The playback bar lets go of a file without a finish signal.
    engine.OnPlayVideo();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() >= 100000, 10000);
    QSignalSpy closed(&engine, &JXQPlayObject::emitClosePlay);
    engine.CloseWithoutFinishSignal();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(engine.getDuration(), quint64(0));
}

void TestJXQPlayObject::finishedFilePlaysAgainFromStart()
{
    const QString file = m_dir.filePath("short.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 0.6));
    JXQPlayObject engine;
    QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
    engine.SetPlayFile(file, 0, 0);
    engine.OnPlayVideo();
    QVERIFY(finished.wait(10000));
    SoundCapture capture;
    QVERIFY(capture.start());
    engine.OnPlayVideo();
    QVERIFY(finished.wait(10000));
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();
    QCOMPARE(finished.count(), 2);
    // The whole file again: 0.6 s of tone.
    const double audible = SoundLevel::audibleSeconds(heard);
    QVERIFY2(std::abs(audible - 0.6) < 0.06, qPrintable(QString::number(audible)));
}

void TestJXQPlayObject::coverPictureIsNotVideo()
{
    const QString png = m_dir.filePath("cover.png");
    {
        QFile f(png);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(MediaFiles::pngPicture(64, 48));
    }
    const QString mp3 = m_dir.filePath("covered.mp3");
    QVERIFY(MediaFiles::runFfmpeg({"-i", m_tone2s, "-i", png, "-map", "0:a", "-map", "1:v",
                                   "-c:a", "libmp3lame", "-c:v", "png", "-disposition:v",
                                   "attached_pic", "-id3v2_version", "3", mp3}));
    JXQPlayObject engine;
    QSignalSpy cover(&engine, &JXQPlayObject::emitCoverImage);
    QSignalSpy video(&engine, &JXQPlayObject::emitIsHaveVideo);
    QSignalSpy blocks(&engine, &JXQPlayObject::emitAudioData);
    engine.SetPlayFile(mp3, 0, 0);
    QCOMPARE(cover.count(), 1);
    QCOMPARE(cover.last().at(0).value<QImage>().size(), QSize(64, 48));
    QCOMPARE(video.last().at(0).toBool(), false);
    engine.OnPlayVideo();
    auto withData = [&blocks] {
        return std::count_if(blocks.cbegin(), blocks.cend(),
                             [](const QList<QVariant> &b) { return !b.at(0).toByteArray().isEmpty(); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(withData() >= 3, 10000);
    engine.OnBtnStop();
}

void TestJXQPlayObject::videoFramesReachTheWindowAsCopies()
{
    const QString clip = m_dir.filePath("clip.mkv");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:d=2", "-f",
                                   "lavfi", "-i", "sine=f=440:d=2", "-c:v", "mpeg4", "-pix_fmt",
                                   "yuv420p", "-c:a", "flac", clip}));
    RecordingWindow window;
    window.resize(320, 240);
    JXQPlayObject engine;
    engine.setPlayWindows(&window);
    QSignalSpy video(&engine, &JXQPlayObject::emitIsHaveVideo);
    QSignalSpy blocks(&engine, &JXQPlayObject::emitAudioData);
    engine.SetPlayFile(clip, 0, 0);
    QCOMPARE(video.last().at(0).toBool(), true);
    QCOMPARE(window.scale, QSize(4, 3));
    // The screen timer shows the first picture before playing.
    QTRY_VERIFY_WITH_TIMEOUT(window.yuvFrames > 0, 10000);
    const int shown = window.yuvFrames;
    QElapsedTimer timer;
    timer.start();
    engine.OnPlayVideo();
    QVERIFY(!window.isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(window.yuvFrames >= shown + 10, 10000);
    // At the film's pace, 25 pictures a second, not faster.
    const int during = window.yuvFrames - shown;
    QVERIFY2(during <= 25 * TestSupport::sinceStart(timer) + 3,
             qPrintable(QString("%1 in %2 s").arg(during).arg(TestSupport::sinceStart(timer))));
    QVERIFY(window.onGuiThread);
    QCOMPARE(window.size, QSize(160, 120));
    QVERIFY(window.chromaPresent);
    QVERIFY(window.lumaMean > 20 && window.lumaMean < 235);
    // Media with video has no waveform.
    QCOMPARE(blocks.count(), 0);

    engine.pausePlay();
    const QString shot = m_dir.filePath("shot.png");
    engine.Screenshots(shot);
    QImage picture(shot);
    QCOMPARE(picture.size(), QSize(160, 120));
    engine.ResizeVideoWindow(false);
    QCOMPARE(window.videoSize, QSize(160, 120));
    engine.OnBtnStop();
    QVERIFY(window.isHidden());
}

QTEST_MAIN(TestJXQPlayObject)
#include "tst_jxqplayobject.moc"
