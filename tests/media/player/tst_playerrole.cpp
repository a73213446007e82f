// The player role heard on the private sound server: every check is made on
// what the system_sound sink actually played, captured from its monitor.

#include "rzcodec/frame.h"
#include "rzcodec/setup.h"
#include "rzcodec/player.h"

#include "mediafiles.h"
#include "playerfixture.h"
#include "soundcapture.h"
#include "streamserver.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <QtEndian>

namespace {


struct FrameLog {
    std::atomic<int> calls{0};
    std::atomic<bool> offGuiThread{true};
    std::atomic<uint32_t> format{0xFFFFFFFF};
    std::atomic<uint32_t> width{0};
    std::atomic<uint32_t> height{0};
    std::atomic<bool> planesPresent{false};
    QThread *guiThread = nullptr;
};

uint32_t recordFrame(void *frame, void *context)
{
    auto *log = static_cast<FrameLog *>(context);
    if (QThread::currentThread() == log->guiThread)
        log->offGuiThread = false;
    log->format = rz_frame_format(frame);
    log->width = rz_frame_width(frame);
    log->height = rz_frame_height(frame);
    log->planesPresent = rz_frame_data(frame, 0) && rz_frame_stride(frame, 0) >= rz_frame_width(frame);
    ++log->calls;
    return 1;
}

// The bytes of the pixel at the centre of the first packed picture.
struct PixelProbe {
    std::atomic<int> calls{0};
    std::atomic<uint32_t> format{0};
    std::atomic<uint32_t> stride{0};
    std::atomic<uint32_t> pixel{0};
};

uint32_t probeFrame(void *frame, void *context)
{
    auto *probe = static_cast<PixelProbe *>(context);
    const uint8_t *data = rz_frame_data(frame, 0);
    const uint32_t width = rz_frame_width(frame), height = rz_frame_height(frame);
    probe->format = rz_frame_format(frame);
    probe->stride = rz_frame_stride(frame, 0);
    if (data && probe->stride >= width * 4) {
        const uint8_t *p = data + size_t(height / 2) * probe->stride + size_t(width / 2) * 4;
        probe->pixel = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    ++probe->calls;
    return 1;
}

// The stretches of a capture in which one of `tones` leads, in order, each
// with its seconds of sound (the shares of 10 ms blocks). Silence does not
// end a stretch, nor does a block at the edge of a gap, mostly silent, which
// is too little to tell its tone by.
struct ToneRun
{
    double tone = 0;
    double seconds = 0;
};

QVector<ToneRun> toneRuns(const QVector<float> &capture, const QVector<double> &tones)
{
    const double block = 0.01;
    QVector<ToneRun> runs;
    for (const SoundLevel::SoundBlock &b : SoundLevel::soundBlocks(capture, block)) {
        const double tone = SoundLevel::dominantTone(SoundLevel::slice(capture, b.at, b.at + block), tones);
        if (runs.isEmpty() || (b.share >= 0.5 && runs.last().tone != tone))
            runs << ToneRun{tone, 0};
        runs.last().seconds += block * b.share;
    }
    return runs;
}

// Seconds of a capture's sound nearer `level` dB than `other` (10 ms blocks,
// silent ones not counted): how much of the play sounded at one of two
// levels, whatever gaps a loaded server left in it.
double secondsAtLevel(const QVector<float> &capture, double level, double other)
{
    const double block = 0.01;
    const double length = SoundLevel::seconds(capture);
    double seconds = 0;
    for (double at = 0; at + block <= length; at += block) {
        const double db = SoundLevel::rmsDb(SoundLevel::slice(capture, at, at + block));
        if (db > -50 && std::abs(db - level) < std::abs(db - other))
            seconds += block;
    }
    return seconds;
}

const QVector<double> kSteps = {440, 550, 660, 770};

// What a stream test does once the stream has played for a while.
enum StreamTurn { PlayOn, SeekTo, StopAndPlay, LoopAtEnd };

} // namespace

class TestPlayerRole : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void toneIsHeardAndPlayFinishes();
    void pauseSilencesAndResumesWhereItStopped();
    void seekToHalfPlaysTheSecondHalf();
    void streamGoesOnlyForward_data();
    void streamGoesOnlyForward();
    void volumeFiftyLowersBySixDecibels();
    void equalizerRaisesItsBandOnly();
    void changeWhilePlayingIsHeardPromptly_data();
    void changeWhilePlayingIsHeardPromptly();
    void doubleSpeedEndsInHalfTheTime();
    void waveDataShowsWhatIsHeard();
    void videoFramesReachCallbacksOnPlayerThread();
    void packedFramesAreFourBytesBlueFirst();
    void monoLowRateMp3IsHeard();
    void loopStartsOverAtTheEnd();

private:
    QTemporaryDir m_dir;
    QString m_tone2s;
    QString m_twoHalves;
    QString m_steps;
};

void TestPlayerRole::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone2s = m_dir.filePath("tone2s.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone2s, 440, 2.0));
    // 5 s of 440 Hz, then 5 s of 880 Hz.
    m_twoHalves = m_dir.filePath("halves.flac");
    QVERIFY(MediaFiles::writeTwoHalves(m_twoHalves));
    // A second each of 440, 550, 660 and 770 Hz, in FLAC: its length is in
    // its header, which a reader that cannot seek to the end still has. A
    // faint noise keeps it from packing small, so that what a reader has
    // read holds far more than its buffer keeps.
    QVector<float> samples = TestSupport::steppedTone(kSteps, 4);
    QRandomGenerator noise(1);
    for (float &sample : samples)
        sample += float(noise.bounded(0.04) - 0.02);
    const QString steps = m_dir.filePath("steps.wav");
    QVERIFY(TestSupport::writeWav(steps, samples));
    m_steps = m_dir.filePath("steps.flac");
    QVERIFY(MediaFiles::runFfmpeg({"-i", steps, "-c:a", "flac", m_steps}));
    // The stream tests read over HTTP.
    QCOMPARE(rz_setup_network(1), 1);
}

void TestPlayerRole::toneIsHeardAndPlayFinishes()
{
    Player p;
    QVERIFY(p.open(m_tone2s));
    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QCOMPARE(rz_player_is_running(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
    const double took = TestSupport::sinceStart(timer);
    const double capturedAtEnd = capture.seconds();
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();
    QCOMPARE(rz_player_get_play_time(p.handle), rz_player_get_duration(p.handle));

    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 1000));
    // Everything was played, once: 2 s of sound above the noise floor.
    // A capture the starved server dropped sound for hears less.
    const QString length = capture.lengthAgrees(heard, 2.0, 0.06);
    QVERIFY2(length.isEmpty(), qPrintable(length));
    // Not over before the sound could have been played, and over when it was.
    QVERIFY2(took > 1.9, qPrintable(QString::number(took)));
    const QString ends = SoundLevel::endAgrees(capturedAtEnd, heard);
    QVERIFY2(ends.isEmpty(), qPrintable(ends));
}

void TestPlayerRole::pauseSilencesAndResumesWhereItStopped()
{
    Player p;
    QVERIFY(p.open(m_twoHalves));
    SoundCapture first;
    QVERIFY(first.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(first.waitForHeard(1.0));
    const double heardFirst = SoundLevel::audibleSeconds(first.peek());
    QCOMPARE(rz_player_pause(p.handle), 1);
    const double playedFor = TestSupport::sinceStart(timer);
    QCOMPARE(rz_player_is_pause(p.handle), 1);
    const quint64 pausedAt = rz_player_get_play_time(p.handle);
    QString agrees = SoundLevel::positionAgrees(pausedAt, 0, heardFirst, playedFor);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    first.stop();

    // Sound was heard above; none while paused, once the output's tail is out.
    SoundCapture silence;
    QVERIFY(silence.start());
    QVERIFY(silence.waitForSeconds(0.6));
    const QVector<float> quiet = silence.stop();
    QVERIFY2(SoundLevel::rmsDb(SoundLevel::slice(quiet, 0.2, 0.6)) < -80,
             qPrintable(QString::number(SoundLevel::rmsDb(quiet))));
    QCOMPARE(rz_player_get_play_time(p.handle), pausedAt);

    SoundCapture resumed;
    QVERIFY(resumed.start());
    timer.restart();
    QCOMPARE(rz_player_play(p.handle), 1);
    // Judged once the clock has settled: libpulse's interpolated time starts
    // again on the first report after a resume that says the stream plays,
    // and eases towards later ones over a second; a report that a busy server
    // answers late leaves it behind the sound for that while.
    QVERIFY(resumed.waitForHeard(1.5));
    const double heardAfter = SoundLevel::audibleSeconds(resumed.peek());
    const quint64 after = rz_player_get_play_time(p.handle);
    const double resumedFor = TestSupport::sinceStart(timer);
    const QVector<float> heard = resumed.stop();
    // Resumed from the same place, still in the first half.
    agrees = SoundLevel::positionAgrees(after, pausedAt, heardAfter, resumedFor);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 880));
}

void TestPlayerRole::seekToHalfPlaysTheSecondHalf()
{
    Player p;
    QVERIFY(p.open(m_twoHalves));
    const quint64 length = rz_player_get_duration(p.handle);
    QVERIFY(std::llabs(qint64(length) - 10000000) < 5000);
    QCOMPARE(rz_player_seek(p.handle, 5000000), 1);
    QCOMPARE(rz_player_get_play_time(p.handle), quint64(5000000));

    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(0.6));
    const double heardSoFar = SoundLevel::audibleSeconds(capture.peek());
    const quint64 now = rz_player_get_play_time(p.handle);
    const double playedFor = TestSupport::sinceStart(timer);
    const QVector<float> heard = capture.stop();
    const QString agrees = SoundLevel::positionAgrees(now, 5000000, heardSoFar, playedFor);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    QVERIFY(SoundLevel::tone(heard, 880) > 100 * SoundLevel::tone(heard, 440));

    // Seeking back while playing is heard at once: the early tone follows,
    // and of the late one only what was already on its way out is heard.
    SoundCapture back;
    QVERIFY(back.start());
    QCOMPARE(rz_player_seek(p.handle, 1000000), 1);
    const double seekAt = back.seconds();
    const QVector<double> halves = {440, 880};
    QTRY_VERIFY_WITH_TIMEOUT(SoundLevel::toneSeconds(back.peek(), seekAt, 440, halves) >= 0.4, 10000);
    const QVector<float> around = back.stop();
    const double late = SoundLevel::toneSeconds(around, seekAt, 880, halves);
    QVERIFY2(late <= 0.3, qPrintable(QString::number(late)));
}

// A stream read as it arrives (served once and without byte ranges, so that
// it can only be read forward, as from a pipe) plays from its start, to which
// a seek before the play goes. Once read, it cannot go anywhere else: a seek,
// a play from the start again or a loop's start over is refused and reported,
// and the player then neither plays on nor claims a time it is not at.
void TestPlayerRole::streamGoesOnlyForward_data()
{
    QTest::addColumn<int>("turn");
    QTest::addColumn<quint64>("target");
    QTest::newRow("plays to its end") << int(PlayOn) << quint64(0);
    QTest::newRow("seek back to the start") << int(SeekTo) << quint64(0);
    QTest::newRow("seek back") << int(SeekTo) << quint64(500000);
    QTest::newRow("seek forward") << int(SeekTo) << quint64(3000000);
    QTest::newRow("stop, then play") << int(StopAndPlay) << quint64(0);
    QTest::newRow("loop at the end") << int(LoopAtEnd) << quint64(0);
}

void TestPlayerRole::streamGoesOnlyForward()
{
    QFETCH(int, turn);
    QFETCH(quint64, target);
    StreamServer server(TestSupport::readBytes(m_steps));
    QVERIFY(server.isListening());
    Player p;
    QVERIFY(p.open(server.url("steps.flac")));
    QCOMPARE(rz_player_can_seek(p.handle), 0);
    const quint64 length = rz_player_get_duration(p.handle);
    QVERIFY2(std::llabs(qint64(length) - 4000000) < 5000, qPrintable(QString::number(length)));
    QCOMPARE(rz_player_seek(p.handle, 0), 1);
    QCOMPARE(rz_player_enable_loop(p.handle, turn == LoopAtEnd), 1);

    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(1.2));
    const double heard = SoundLevel::audibleSeconds(capture.peek());
    const quint64 now = rz_player_get_play_time(p.handle);
    const QString agrees = SoundLevel::positionAgrees(now, 0, heard, TestSupport::sinceStart(timer));
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    QVERIFY(SoundLevel::toneSeconds(capture.peek(), 0, 440, kSteps) >= 0.8);

    const double turnedAt = capture.seconds();
    const quint64 before = rz_player_get_play_time(p.handle);
    switch (turn) {
    case PlayOn:
    case LoopAtEnd: {
        // Played to its end, once: a loop cannot start the stream over.
        QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
        QCOMPARE(rz_player_get_play_time(p.handle), length);
        QCOMPARE(rz_player_get_error_text(p.handle), "");
        QVERIFY(capture.waitForSilenceAfterSound());
        const QVector<float> all = capture.stop();
        const QString lasted = capture.lengthAgrees(all, 4.0, 0.1);
        QVERIFY2(lasted.isEmpty(), qPrintable(lasted));
        for (double tone : kSteps)
            QVERIFY2(SoundLevel::toneSeconds(all, 0, tone, kSteps) >= 0.8, qPrintable(QString::number(tone)));
        return;
    }
    case SeekTo:
        QCOMPARE(rz_player_seek(p.handle, target), 0);
        break;
    case StopAndPlay:
        QCOMPARE(rz_player_stop(p.handle), 1);
        QCOMPARE(rz_player_play(p.handle), 0);
        break;
    }
    QVERIFY(QByteArray(rz_player_get_error_text(p.handle)).size() > 0);
    QCOMPARE(rz_player_is_running(p.handle), 0);
    // Paused where it was, or stopped at the start when even that cannot be
    // reached: the time says which.
    const quint64 after = rz_player_get_play_time(p.handle);
    if (rz_player_is_pause(p.handle)) {
        QVERIFY2(after + 100000 >= before && after <= before + 500000,
                 qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    } else {
        QCOMPARE(rz_player_is_stop(p.handle), 1);
        QCOMPARE(after, quint64(0));
    }
    // Nothing plays on, once the output's tail is out.
    QVERIFY(capture.waitForSeconds(turnedAt + 1.0));
    const double db = SoundLevel::rmsDb(SoundLevel::slice(capture.stop(), turnedAt + 0.5, turnedAt + 1.0));
    QVERIFY2(db < -80, qPrintable(QString::number(db)));
}

void TestPlayerRole::volumeFiftyLowersBySixDecibels()
{
    const QString file = m_dir.filePath("tone6s.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 6.0, 44100, 2, 0.4));
    Player p;
    QVERIFY(p.open(file));
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(1.2));
    const double from = SoundLevel::heard(capture.peek()).from;
    QCOMPARE(rz_player_set_audio_volume(p.handle, 50), 1);
    const double changedAt = capture.seconds();
    QVERIFY(capture.waitForSeconds(changedAt + 1.5));
    const QVector<float> heard = capture.stop();
    const double full = SoundLevel::medianDb(heard, from + 0.2, changedAt);
    const double half = SoundLevel::medianDb(heard, changedAt + 0.5, changedAt + 1.5);
    QVERIFY2(full > -15, qPrintable(QString::number(full)));
    QVERIFY2(std::abs(half - full + 6.0) < 1.0, qPrintable(QString("%1 %2").arg(full).arg(half)));
}

void TestPlayerRole::equalizerRaisesItsBandOnly()
{
    const double bands[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    const double gains[] = {0, 0, 0, 0, 0, 10, 0, 0, 0, 0};
    for (double frequency : {1000.0, 100.0}) {
        const QString file = m_dir.filePath(QString("eq%1.wav").arg(frequency));
        QVERIFY(TestSupport::writeToneWav(file, frequency, 4.0, 44100, 2, 0.1));
        double level[2] = {0, 0};
        for (int withEq = 0; withEq < 2; ++withEq) {
            Player p;
            QVERIFY(p.open(file));
            if (withEq)
                QCOMPARE(rz_player_set_audio_equalize(p.handle, bands, gains, 10), 1);
            SoundCapture capture;
            QVERIFY(capture.start());
            QCOMPARE(rz_player_play(p.handle), 1);
            // The level of what sounds: a starved player's gaps (underflows)
            // could fill most of a span of the capture.
            QVERIFY(QTest::qWaitFor([&] { return SoundLevel::audibleSeconds(capture.peek()) >= 1.4; }, 10000));
            const QVector<float> heard = SoundLevel::withoutGaps(capture.stop());
            const double from = SoundLevel::heard(heard).from;
            level[withEq] = SoundLevel::medianDb(heard, from + 0.3, from + 1.3);
        }
        const double change = level[1] - level[0];
        if (frequency == 1000.0)
            QVERIFY2(std::abs(change - 10.0) < 1.5, qPrintable(QString::number(change)));
        else
            QVERIFY2(std::abs(change) < 1.0, qPrintable(QString::number(change)));
    }
}

void TestPlayerRole::changeWhilePlayingIsHeardPromptly_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<bool>("equalizer");
    QTest::addColumn<double>("change"); // dB
    QTest::addColumn<double>("at");     // seconds heard of the 3 s file

    QTest::newRow("volume to a quarter") << 440.0 << false << -12.04 << 1.0;
    QTest::newRow("equaliser up 10 dB at the tone") << 1000.0 << true << 10.0 << 1.0;
    // All of the file is written by then, and the output drains its end.
    QTest::newRow("volume in the last second") << 440.0 << false << -12.04 << 2.2;
}

// The output holds about a second of sound made with the old settings: a
// change drops it and makes it again, so the change is heard after little
// more than the sink's own share. Judged in media time (what sounded at the
// old level against where the play was at the change), which a busy machine
// does not stretch: its gaps do not count, and its delays before the drop
// are allowed for by how long the threads involved waited to run. The
// sound made again follows on where the server was: the file is heard whole,
// nothing of it twice.
void TestPlayerRole::changeWhilePlayingIsHeardPromptly()
{
    QFETCH(double, frequency);
    QFETCH(bool, equalizer);
    QFETCH(double, change);
    QFETCH(double, at);
    const QString file = m_dir.filePath(QString("change%1.wav").arg(frequency));
    QVERIFY(TestSupport::writeToneWav(file, frequency, 3.0, 44100, 2, 0.1));
    Player p;
    QVERIFY(p.open(file));
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(at));
    const double from = SoundLevel::heard(capture.peek()).from;
    const double level = SoundLevel::medianDb(capture.peek(), from + 0.1, SoundLevel::seconds(capture.peek()));
    const double before = rz_player_get_play_time(p.handle) / 1e6;
    const TestSupport::RunQueueDelay starved(TestSupport::RunQueueDelay::selfAndSoundServer());
    if (equalizer) {
        const double bands[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
        const double gains[] = {0, 0, 0, 0, 0, change, 0, 0, 0, 0};
        QCOMPARE(rz_player_set_audio_equalize(p.handle, bands, gains, 10), 1);
    } else {
        QCOMPARE(rz_player_set_audio_volume(p.handle, 25), 1);
    }
    const double after = rz_player_get_play_time(p.handle) / 1e6;
    const double changed = level + change;
    // How long the player and its server were kept from running until the
    // new level sounds: on a starved machine the old one sounds on that much
    // longer.
    const bool sounded = QTest::qWaitFor(
        [&] {
            const double end = capture.seconds();
            return std::abs(SoundLevel::rmsDb(SoundLevel::slice(capture.peek(), end - 0.05, end)) - changed) < 1.5;
        },
        10000);
    const double held = starved.seconds();
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();

    const double old = secondsAtLevel(heard, level, changed);
    const double remade = secondsAtLevel(heard, changed, level);
    const QString figures = QString("level %1 dB; %2 s at it, the change made at %3 s; %4 s at the new level; "
                                    "held from running %5 s")
                                .arg(level, 0, 'f', 1)
                                .arg(old, 0, 'f', 3)
                                .arg(after, 0, 'f', 3)
                                .arg(remade, 0, 'f', 3)
                                .arg(held, 0, 'f', 3);
    qInfo("%s", qPrintable(figures));
    QVERIFY2(level > -30, qPrintable(figures));
    QVERIFY2(sounded, qPrintable(figures));
    QVERIFY2(old > before - 0.05, qPrintable(figures));
    QVERIFY2(old < after + 0.25 + held, qPrintable(figures));
    QVERIFY2(std::abs(old + remade - 3.0) < 0.06, qPrintable(figures));
    // And the new level is the one asked for.
    const double now = SoundLevel::medianDb(heard, from + old + 0.2, from + old + std::min(1.3, remade));
    QVERIFY2(std::abs(now - changed) < 1.0, qPrintable(figures + QString("; then %1 dB").arg(now)));
}

void TestPlayerRole::doubleSpeedEndsInHalfTheTime()
{
    const QString file = m_dir.filePath("tone4s.wav");
    QVERIFY(TestSupport::writeToneWav(file, 440, 4.0));
    Player p;
    QVERIFY(p.open(file));
    QCOMPARE(rz_player_change_speed(p.handle, 200), 1);
    SoundCapture capture;
    QVERIFY(capture.start());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(0.8));
    const double heardSoFar = SoundLevel::audibleSeconds(capture.peek());
    const quint64 midway = rz_player_get_play_time(p.handle);
    const double playedFor = TestSupport::sinceStart(timer);
    // The clock runs in media time: each second of listening is 2 s of the file.
    const QString agrees = SoundLevel::positionAgrees(midway, 0, heardSoFar, playedFor, 2.0);
    QVERIFY2(agrees.isEmpty(), qPrintable(agrees));
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
    const double took = TestSupport::sinceStart(timer);
    const double capturedAtEnd = capture.seconds();
    QVERIFY(capture.waitForSilenceAfterSound());
    const QVector<float> heard = capture.stop();
    // The 4 s file is heard for 2 s, whatever a loaded machine adds to the span,
    // and the play ends when its sound does.
    const double audible = SoundLevel::audibleSeconds(heard);
    QVERIFY2(std::abs(audible - 2.0) < 0.08, qPrintable(QString::number(audible)));
    QVERIFY2(took > 1.8, qPrintable(QString::number(took)));
    const QString ends = SoundLevel::endAgrees(capturedAtEnd, heard);
    QVERIFY2(ends.isEmpty(), qPrintable(ends));
    // Tempo, not pitch.
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 880));
}

void TestPlayerRole::waveDataShowsWhatIsHeard()
{
    Player p;
    QVERIFY(p.open(m_twoHalves));
    QVERIFY(!rz_player_get_audio_wave_data(p.handle, 1)); // nothing heard yet
    QCOMPARE(rz_player_play(p.handle), 1);
    // The block covers the last 50 ms heard: full once more has been played.
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) >= 100000, 10000);
    uint8_t *block = rz_player_get_audio_wave_data(p.handle, 1);
    QVERIFY(block);
    const quint32 rate = qFromLittleEndian<quint32>(block + 24);
    const quint32 bytes = qFromLittleEndian<quint32>(block + 40);
    QCOMPARE(rate, 44100u);
    QVERIFY2(bytes >= 2000 && bytes <= 2 * 2205, qPrintable(QString::number(bytes)));
    // The samples are the 440 Hz tone around the silence value 32768.
    QVector<float> mono;
    for (quint32 i = 0; i < bytes / 2; ++i) {
        const float v = (qFromLittleEndian<quint16>(block + 44 + 2 * i) - 32768) / 32768.0f;
        mono << v << v;
    }
    QCOMPARE(rz_player_free_audio_wave_data(p.handle, block), 1);
    QVERIFY(TestSupport::goertzelPowerInterleaved(mono, 2, 440, int(rate))
            > 20 * TestSupport::goertzelPowerInterleaved(mono, 2, 1000, int(rate)));
    QVERIFY(SoundLevel::rmsDb(mono) > -30); // the file's tone is at 1/8 of full scale

    QCOMPARE(rz_player_enable_audio_wave_data(p.handle, 0), 1);
    QVERIFY(!rz_player_get_audio_wave_data(p.handle, 1));
}

void TestPlayerRole::videoFramesReachCallbacksOnPlayerThread()
{
    const QString file = m_dir.filePath("clip.mkv");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:d=2", "-f",
                                   "lavfi", "-i", "sine=f=440:d=2", "-c:v", "mpeg4", "-pix_fmt",
                                   "yuv420p", "-c:a", "flac", file}));
    FrameLog log;
    log.guiThread = QThread::currentThread();
    Player p;
    QVERIFY(p.open(file));
    QCOMPARE(rz_player_has_video(p.handle), 1);
    QCOMPARE(rz_player_has_audio(p.handle), 1);
    QCOMPARE(rz_player_get_video_width(p.handle), 160u);
    QCOMPARE(rz_player_get_video_height(p.handle), 120u);
    QCOMPARE(rz_player_get_video_aspect_x(p.handle), 4u);
    QCOMPARE(rz_player_get_video_aspect_y(p.handle), 3u);
    QCOMPARE(rz_player_set_video_frame_handle(p.handle, recordFrame, &log), 1);
    QCOMPARE(rz_player_set_time_interval(p.handle, 50000), 1);
    // The first picture is shown without playing.
    QTRY_VERIFY_WITH_TIMEOUT(log.calls > 0, 10000);
    const int shown = log.calls;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(log.calls >= shown + 15, 10000);
    // At the film's pace, 25 pictures a second, not faster.
    const int during = log.calls - shown;
    QVERIFY2(during <= 25 * TestSupport::sinceStart(timer) + 3,
             qPrintable(QString("%1 in %2 s").arg(during).arg(TestSupport::sinceStart(timer))));
    QVERIFY(log.offGuiThread);
    QCOMPARE(log.format.load(), uint32_t(RZ_PIXFMT_YUV420P));
    QCOMPARE(log.width.load(), 160u);
    QCOMPARE(log.height.load(), 120u);
    QVERIFY(log.planesPresent);

    QCOMPARE(rz_player_pause(p.handle), 1);
    const int paused = log.calls;
    QCOMPARE(rz_player_show_video_frame(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(log.calls > paused, 10000);

    uint8_t *bmp = rz_player_capture_video_image(p.handle, 0, 0, 0);
    QVERIFY(bmp);
    const quint32 total = qFromLittleEndian<quint32>(bmp + 2);
    QImage picture;
    QVERIFY(picture.loadFromData(bmp, int(total), "BMP"));
    QCOMPARE(rz_player_free_video_image(p.handle, bmp), 1);
    QCOMPARE(picture.size(), QSize(160, 120));
    // testsrc draws coloured bars: the picture is not one flat colour.
    QVERIFY(picture.pixel(10, 10) != picture.pixel(150, 10) || picture.pixel(10, 10) != picture.pixel(80, 100));
}

void TestPlayerRole::monoLowRateMp3IsHeard()
{
    const QString file = m_dir.filePath("mono.mp3");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=f=1000:d=1.5:r=22050", "-ac", "1",
                                   "-c:a", "libmp3lame", "-b:a", "64k", file}));
    Player p;
    QVERIFY(p.open(file));
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
    const QVector<float> heard = capture.stop();
    QVERIFY(SoundLevel::tone(heard, 1000) > 100 * SoundLevel::tone(heard, 440));
    // Both speakers carry the mono channel.
    double left = 0, right = 0;
    for (int i = 0; i + 1 < heard.size(); i += 2) {
        left += double(heard[i]) * heard[i];
        right += double(heard[i + 1]) * heard[i + 1];
    }
    QVERIFY(left > 0 && std::abs(10 * std::log10(right / left)) < 0.5);
}

void TestPlayerRole::loopStartsOverAtTheEnd()
{
    // Two parts, so that where the file starts over can be told from what is heard.
    const QString file = m_dir.filePath("loop.wav");
    QVERIFY(TestSupport::writeWav(file, TestSupport::sineTone(440, 0.4) + TestSupport::sineTone(660, 0.4)));
    Player p;
    QVERIFY(p.open(file));
    QCOMPARE(rz_player_enable_loop(p.handle, 1), 1);
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    const auto restarts = [](const QVector<ToneRun> &runs) {
        int n = 0;
        for (int i = 1; i < runs.size(); ++i)
            n += runs[i - 1].tone == 660 && runs[i].tone == 440;
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(restarts(toneRuns(capture.peek(), {440, 660})) >= 2, 10000);
    QCOMPARE(rz_player_is_completed(p.handle), 0);
    QCOMPARE(rz_player_is_running(p.handle), 1);
    QVERIFY(rz_player_get_play_time(p.handle) < 800000);
    const QVector<ToneRun> runs = toneRuns(capture.stop(), {440, 660});
    // The whole file each time round, from its start: every part but the
    // last (cut off by the capture's end) sounds for its 0.4 s. A loaded
    // server's gaps, and the one where the output starts over, count for
    // nothing (how long the restart takes is the server's answer to a new
    // stream, a matter of the machine).
    QString parts;
    for (const ToneRun &run : runs)
        parts += QString("%1 Hz %2 s, ").arg(run.tone).arg(run.seconds, 0, 'f', 3);
    QCOMPARE(runs.first().tone, 440.0);
    for (int i = 0; i + 1 < runs.size(); ++i)
        QVERIFY2(std::abs(runs[i].seconds - 0.4) < 0.04, qPrintable(parts));
    QCOMPARE(rz_player_enable_loop(p.handle, 0), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(p.handle), 10000);
}

QTEST_GUILESS_MAIN(TestPlayerRole)
#include "tst_playerrole.moc"

void TestPlayerRole::packedFramesAreFourBytesBlueFirst()
{
    // The frame display uploads packed pictures as blue, green, red, alpha.
    const QString file = m_dir.filePath("red.mkv");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "color=c=0xff0000:size=64x48:rate=25:d=1",
                                   "-c:v", "mpeg4", "-q:v",
                                   "2", "-pix_fmt", "yuv420p", file}));
    const uint32_t packed[] = {RZ_PIXFMT_BGRA};
    QCOMPARE(rz_setup_frame_formats(packed, 1), 1);
    PixelProbe probe;
    {
        Player p;
        QVERIFY(p.open(file));
        QCOMPARE(rz_player_set_video_frame_handle(p.handle, probeFrame, &probe), 1);
        QTRY_VERIFY_WITH_TIMEOUT(probe.calls > 0, 10000);
    }
    QCOMPARE(rz_setup_frame_formats(nullptr, 0), 1);
    QCOMPARE(probe.format.load(), uint32_t(RZ_PIXFMT_BGRA));
    QVERIFY(probe.stride.load() >= 64u * 4);
    const uint32_t px = probe.pixel.load();
    QVERIFY2((px & 0xff) < 8 && ((px >> 8) & 0xff) < 8 && ((px >> 16) & 0xff) > 245
                 && (px >> 24) == 255,
             qPrintable(QString::number(px, 16)));
}
