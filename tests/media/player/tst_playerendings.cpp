// Stopping, seeking and closing a player while its last moments play: the
// sound output is being drained then, and none of these may leave the
// drain's answer to reach a freed stream; meanwhile the player's thread
// rests. Runs under the sanitizers too.

#include "rzcodec/player.h"

#include "testsupport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <ctime>

namespace {

constexpr quint64 kTail = 200000; // the last 200 ms
// How long a play may take to get where it was asked to go. The player's own
// part (writing the tail, asking for the drain) takes milliseconds; the rest
// is the private sound server's, opening the output and playing it: in a
// session of its own beside busy loops, its main thread was seen runnable but
// not run for over 3 s at a time. Only a playback that never gets there fails.
constexpr int kServerWaitMs = 30000;
// Rounds that may be played again once (see below).
constexpr int kUnansweredRounds = 2;

// Waits for the play clock to reach `target` (or the end). Polls finely:
// the point of the action is where in the tail it lands.
bool waitForPlayTime(void *player, quint64 target, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (rz_player_get_play_time(player) >= target || rz_player_is_completed(player))
            return true;
        QThread::usleep(500);
    }
    return false;
}

// The processor time the whole process has used, in milliseconds.
double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

class TestPlayerEndings : public QObject
{
    Q_OBJECT
private slots:
    void stopSeekAndCloseInTheLastMoments();
    void restsWhileTheLastSoundPlaysOut();
};

void TestPlayerEndings::stopSeekAndCloseInTheLastMoments()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("second.wav");
    QVERIFY(TestSupport::writeToneWav(path, 440, 1.0));
    const QByteArray file = path.toUtf8();

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);

    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QVERIFY(player);
    QCOMPARE(rz_player_open_ex(player, file.constData(), 0, 0, 0, 0), 1);
    const quint64 length = rz_player_get_duration(player);
    QCOMPARE(length, quint64(1000000));

    int stops = 0, seeks = 0, closes = 0, unanswered = 0;
    for (int round = 0; round < 200; ++round) {
        if (!rz_player_has_audio(player))
            QCOMPARE(rz_player_open_ex(player, file.constData(), 0, 0, 0, 0), 1);
        const quint64 at = length - kTail + random.bounded(quint32(kTail));
        const auto playToTail = [&] {
            return rz_player_seek(player, length - kTail - 100000) == 1 && rz_player_play(player) == 1
                && waitForPlayTime(player, at, kServerWaitMs);
        };
        bool reached = playToTail();
        if (!reached && unanswered < kUnansweredRounds) {
            // Both private servers were once seen to leave a play unstarted
            // for over 30 s at the same moment, on two busy cores: such a
            // round is played again from its start. A play that never
            // starts fails all the same.
            qWarning("round %d: the play did not reach %llu within %d ms (at %llu, error \"%s\"); "
                     "played again",
                     round, qulonglong(at), kServerWaitMs, qulonglong(rz_player_get_play_time(player)),
                     rz_player_get_error_text(player));
            ++unanswered;
            QCOMPARE(rz_player_stop(player), 1);
            reached = playToTail();
        }
        QVERIFY2(reached, qPrintable(QString("round %1: at %2 of %3, running %4, error \"%5\"")
                                         .arg(round)
                                         .arg(rz_player_get_play_time(player))
                                         .arg(at)
                                         .arg(rz_player_is_running(player))
                                         .arg(rz_player_get_error_text(player))));

        switch (round % 3) {
        case 0:
            QCOMPARE(rz_player_stop(player), 1);
            QCOMPARE(rz_player_is_stop(player), 1);
            QCOMPARE(rz_player_get_play_time(player), quint64(0));
            ++stops;
            break;
        case 1: {
            const bool wasRunning = rz_player_is_running(player);
            const quint64 to = length - random.bounded(quint32(kTail));
            QCOMPARE(rz_player_seek(player, to), 1);
            // A running player plays on from there to the end; a finished one waits.
            if (wasRunning && rz_player_is_running(player))
                QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kServerWaitMs);
            QVERIFY(rz_player_is_completed(player) || rz_player_is_stop(player));
            ++seeks;
            break;
        }
        default:
            QCOMPARE(rz_player_close(player), 1);
            QCOMPARE(rz_player_has_audio(player), 0);
            QCOMPARE(rz_player_get_duration(player), quint64(0));
            ++closes;
            break;
        }
    }
    QCOMPARE(stops + seeks + closes, 200);

    // Still a working player: the file plays to its end.
    if (!rz_player_has_audio(player))
        QCOMPARE(rz_player_open_ex(player, file.constData(), 0, 0, 0, 0), 1);
    QCOMPARE(rz_player_seek(player, length - kTail), 1);
    QCOMPARE(rz_player_play(player), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kServerWaitMs);
    QCOMPARE(rz_player_get_play_time(player), length);

    QCOMPARE(rz_player_stop(player), 1);
    QCOMPARE(rz_player_close(player), 1);
    QCOMPARE(rz_player_release(player), 1);
}

void TestPlayerEndings::restsWhileTheLastSoundPlaysOut()
{
    // A second fits in what the sound output keeps: it is written at once,
    // and the rest of the playback only waits for the server to play it out.
    QTemporaryDir dir;
    const QString path = dir.filePath("second.wav");
    QVERIFY(TestSupport::writeToneWav(path, 440, 1.0));
    const QByteArray file = path.toUtf8();
    void *player = rz_player_create(RZ_PLAYER_DEFAULT);
    QVERIFY(player);
    QCOMPARE(rz_player_open_ex(player, file.constData(), 0, 0, 0, 0), 1);

    QElapsedTimer wall;
    wall.start();
    const double before = processorMs();
    QCOMPARE(rz_player_play(player), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_is_completed(player), kServerWaitMs);
    const double used = processorMs() - before;
    const qint64 took = wall.elapsed();
    // Decoding a second of sound takes a few milliseconds; a thread that
    // spins while the server plays takes the processor for the whole second.
    // (A busy machine only makes the playback take longer.)
    QVERIFY2(used < double(took) / 4,
             qPrintable(QString("%1 ms of processor time in %2 ms").arg(used).arg(took)));

    QCOMPARE(rz_player_close(player), 1);
    QCOMPARE(rz_player_release(player), 1);
}

QTEST_GUILESS_MAIN(TestPlayerEndings)
#include "tst_playerendings.moc"
