// A change of the sound settings while playing makes the player's thread
// build a new filter chain. The GUI reads the position, the state and the
// wave data many times a second and sets the sound from its own thread: none
// of that may wait for a build. A test hook holds a build for as long as a
// check needs, so a wait shows as a call that does not come back.

#include "rzcodec/player.h"
#include "player/playerengine.h"

#include "playerfixture.h"
#include "soundcapture.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

Gate &buildGate()
{
    static Gate gate;
    return gate;
}

// Holds every chain build on the player's thread while the gate is held.
void holdBuild()
{
    buildGate().pass();
}

const double kBands[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// Ten bands, all flat but the one at 1 kHz.
bool setKiloHertzGain(void *player, double gain)
{
    double gains[10] = {0, 0, 0, 0, 0, gain, 0, 0, 0, 0};
    return rz_player_set_audio_equalize(player, kBands, gains, 10) == 1;
}

} // namespace

class TestPlayerFilterBuild : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void gettersAnswerWhileAChainIsBuilt();
    void settingsChangedDuringABuildAreTheOnesHeard();
    void seekAndStopDuringABuildTakeEffect();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    QString m_halves;
};

void TestPlayerFilterBuild::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 1000, 20.0, 44100, 2, 0.1));
    // 5 s of 440 Hz, then 5 s of 880 Hz.
    m_halves = m_dir.filePath("halves.wav");
    QVERIFY(TestSupport::writeWav(m_halves, TestSupport::sineTone(440, 5.0, 44100, 2, 0.2)
                                                + TestSupport::sineTone(880, 5.0, 44100, 2, 0.2)));
    rz::PlayerEngine::s_filterBuildHook = holdBuild;
}

void TestPlayerFilterBuild::cleanupTestCase()
{
    rz::PlayerEngine::s_filterBuildHook = nullptr;
}

void TestPlayerFilterBuild::gettersAnswerWhileAChainIsBuilt()
{
    Player p;
    QVERIFY(p.open(m_tone));
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 500000, 10000);

    // The change drops what the output holds; PipeWire goes on from an index
    // that may lag its clock by some milliseconds, so the position may step
    // back by as much.
    Held held(buildGate());
    QVERIFY(setKiloHertzGain(p.handle, -6));
    QTRY_VERIFY_WITH_TIMEOUT(held.gate.entered >= 1, 10000);

    // What the editor's and the library's timers call, with the build held.
    std::atomic<quint64> position{0};
    std::atomic<bool> running{false};
    Caller gui([&] {
        position = rz_player_get_play_time(p.handle);
        running = rz_player_is_running(p.handle) == 1;
        rz_player_is_completed(p.handle);
        rz_player_get_duration(p.handle);
        if (uint8_t *wave = rz_player_get_audio_wave_data(p.handle, 0))
            rz_player_free_audio_wave_data(p.handle, wave);
        rz_player_set_audio_volume(p.handle, 90);
    });
    QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 5000);
    QVERIFY(running);
    QVERIFY2(position > 400000, qPrintable(QString::number(position)));

    // Once let go, the build is put in place and the playback goes on.
    held.gate.release();
    const quint64 resumedFrom = rz_player_get_play_time(p.handle);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > resumedFrom + 300000, 10000);
    QCOMPARE(rz_player_is_running(p.handle), 1);
}

void TestPlayerFilterBuild::settingsChangedDuringABuildAreTheOnesHeard()
{
    Player p;
    QVERIFY(p.open(m_tone));
    SoundCapture capture;
    QVERIFY(capture.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(capture.waitForHeard(1.0));
    const double plainFrom = SoundLevel::heard(capture.peek()).from;

    Held held(buildGate());
    QVERIFY(setKiloHertzGain(p.handle, -20));
    QTRY_VERIFY_WITH_TIMEOUT(held.gate.entered >= 1, 10000);
    // Changed again while the -20 dB chain is being built: that one is stale.
    QVERIFY(setKiloHertzGain(p.handle, -6));
    held.gate.release();
    const double releasedAt = capture.seconds();
    QVERIFY(capture.waitForSeconds(releasedAt + 2.0));
    const QVector<float> heard = capture.stop();

    const double plain = SoundLevel::medianDb(heard, plainFrom + 0.2, plainFrom + 0.9);
    const double after = SoundLevel::medianDb(heard, releasedAt + 1.0, releasedAt + 2.0);
    QVERIFY2(plain > -30, qPrintable(QString::number(plain)));
    QVERIFY2(std::abs(after - plain + 6.0) < 1.5, qPrintable(QString("%1 %2").arg(plain).arg(after)));
    QVERIFY(held.gate.entered >= 2);
    QCOMPARE(rz_player_is_running(p.handle), 1);
}

void TestPlayerFilterBuild::seekAndStopDuringABuildTakeEffect()
{
    Player p;
    QVERIFY(p.open(m_halves));
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 300000, 10000);

    // A seek made while a chain for the old place is being built: the sound
    // goes on from where the seek went, without the early tone's frame that
    // was in hand.
    SoundCapture capture;
    QVERIFY(capture.start());
    double quietFrom = 0;
    {
        Held held(buildGate());
        QVERIFY(setKiloHertzGain(p.handle, 3));
        QTRY_VERIFY_WITH_TIMEOUT(held.gate.entered >= 1, 10000);
        // The held thread writes nothing: wait until what it wrote is played out.
        QTRY_VERIFY_WITH_TIMEOUT(capture.seconds() > 0.3
                                     && SoundLevel::audibleSeconds(SoundLevel::slice(
                                            capture.peek(), capture.seconds() - 0.2, capture.seconds())) == 0,
                                 10000);
        quietFrom = capture.seconds() - 0.2;
        Caller gui([&] { rz_player_seek(p.handle, 6000000); });
        QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 5000);
        QVERIFY(rz_player_get_play_time(p.handle) >= 6000000);
        held.gate.release();
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        SoundLevel::heard(SoundLevel::slice(capture.peek(), quietFrom, capture.seconds())).length() >= 0.6,
        10000);
    const quint64 now = rz_player_get_play_time(p.handle);
    QVERIFY2(now >= 6000000 && now < 9500000, qPrintable(QString::number(now)));
    const QVector<float> all = capture.stop();
    const QVector<float> afterSeek = SoundLevel::slice(all, quietFrom, SoundLevel::seconds(all));
    const double resumed = SoundLevel::heard(afterSeek).from;
    const QVector<float> onset = SoundLevel::slice(afterSeek, resumed, resumed + 0.05);
    QVERIFY2(SoundLevel::tone(onset, 880) > 10 * SoundLevel::tone(onset, 440),
             qPrintable(QString("%1 %2").arg(SoundLevel::tone(onset, 880)).arg(SoundLevel::tone(onset, 440))));
    QVERIFY(SoundLevel::tone(afterSeek, 880) > 100 * SoundLevel::tone(afterSeek, 440));

    // A stop during a build: stopped it stays, and the next play starts over.
    {
        Held held(buildGate());
        QVERIFY(setKiloHertzGain(p.handle, -3));
        QTRY_VERIFY_WITH_TIMEOUT(held.gate.entered >= 1, 10000);
        Caller gui([&] { rz_player_stop(p.handle); });
        QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 5000);
        held.gate.release();
    }
    QCOMPARE(rz_player_is_stop(p.handle), 1);
    QCOMPARE(rz_player_get_play_time(p.handle), quint64(0));
    SoundCapture again;
    QVERIFY(again.start());
    QCOMPARE(rz_player_play(p.handle), 1);
    QVERIFY(again.waitForHeard(0.6));
    const QVector<float> restarted = again.stop();
    QVERIFY(SoundLevel::tone(restarted, 440) > 100 * SoundLevel::tone(restarted, 880));
}

QTEST_MAIN(TestPlayerFilterBuild)
#include "tst_playerfilterbuild.moc"
