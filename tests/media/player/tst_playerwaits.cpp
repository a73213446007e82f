// The GUI thread never waits for the player's thread: while that thread is
// inside a read of the file (a slow disk) the state, the times and the wave
// data still answer, and play returns before the sound output is opened (a
// slow sound server), which the player's thread then does; a close does not
// wait for a server that has not answered the opening. Test hooks hold
// the read and the opening for as long as a check needs; a call that waited
// would come back only once the hold is let go, so each check asks whether
// the player's thread is still held when the call has come back.

#include "rzcodec/player.h"
#include "player/playerengine.h"

#include "media/jxqplayobject.h"

#include "playerfixture.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

Gate &readGate()
{
    static Gate gate;
    return gate;
}

Gate &openGate()
{
    static Gate gate;
    return gate;
}

void holdRead()
{
    readGate().pass();
}

void holdOpen()
{
    openGate().pass();
}

} // namespace

class TestPlayerWaits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void queriesAnswerWhileTheFileIsRead();
    void libraryEngineReadsWhileTheFileIsRead();
    void seekGetsInBetweenTwoReads();
    void playReturnsBeforeTheOutputIsOpened();
    void pauseDuringTheOpeningIsKept();
    void closeDuringAnUnansweredOpeningReturns();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestPlayerWaits::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath("tone.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 1000, 20.0, 44100, 2, 0.1));
    rz::PlayerEngine::s_readHook = holdRead;
    rz::PlayerEngine::s_outputOpenHook = holdOpen;
}

void TestPlayerWaits::cleanupTestCase()
{
    rz::PlayerEngine::s_readHook = nullptr;
    rz::PlayerEngine::s_outputOpenHook = nullptr;
}

void TestPlayerWaits::queriesAnswerWhileTheFileIsRead()
{
    Player p;
    QVERIFY(p.open(m_tone));
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 300000, 10000);

    Held held(readGate());
    QTRY_VERIFY_WITH_TIMEOUT(readGate().inside > 0, 10000);

    // What the library's and the editor's timers call, with the read held.
    std::atomic<quint64> position{0};
    std::atomic<quint64> length{0};
    std::atomic<bool> running{false};
    std::atomic<bool> audio{false};
    std::atomic<bool> wave{false};
    Caller gui([&] {
        position = rz_player_get_play_time(p.handle);
        length = rz_player_get_duration(p.handle);
        running = rz_player_is_running(p.handle) == 1;
        audio = rz_player_has_audio(p.handle) == 1;
        rz_player_is_completed(p.handle);
        rz_player_is_pause(p.handle);
        rz_player_has_video(p.handle);
        rz_player_can_seek(p.handle);
        rz_player_get_error_text(p.handle);
        if (uint8_t *block = rz_player_get_audio_wave_data(p.handle, 1)) {
            wave = true;
            rz_player_free_audio_wave_data(p.handle, block);
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 10000);
    // Came back while the player's thread was still inside the read.
    QVERIFY(readGate().inside > 0);
    QCOMPARE(readGate().left.load(), 0);
    QVERIFY(running);
    QVERIFY(audio);
    QVERIFY(wave);
    QVERIFY(position > 300000);
    QVERIFY(std::llabs(qint64(length) - 20000000) < 1000);

    // Once the read goes on, so does the playback.
    held.gate.release();
    const quint64 resumedFrom = rz_player_get_play_time(p.handle);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > resumedFrom + 300000, 10000);
}

void TestPlayerWaits::libraryEngineReadsWhileTheFileIsRead()
{
    JXQPlayObject engine;
    QSignalSpy progress(&engine, &JXQPlayObject::emitPlayPro);
    QSignalSpy wave(&engine, &JXQPlayObject::emitAudioData);
    engine.SetPlayFile(m_tone, 0, 0);
    engine.StartPlay();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > 300000, 10000);

    Held held(readGate());
    QTRY_VERIFY_WITH_TIMEOUT(readGate().inside > 0, 10000);
    progress.clear();
    wave.clear();
    // The timers' slots, on this (the GUI) thread.
    engine.UpdateTime();
    engine.OnAudioDataTime();
    const bool paused = engine.isPausePlay();
    const bool stopped = engine.isStopPlay();
    const quint64 length = engine.getDuration();
    QVERIFY(readGate().inside > 0);
    QCOMPARE(readGate().left.load(), 0);
    QVERIFY(!paused && !stopped);
    QVERIFY(length > 0);
    QCOMPARE(progress.size(), 1);
    QVERIFY(progress.first().at(0).toDouble() > 0.0);
    QCOMPARE(wave.size(), 1);
    QVERIFY(wave.first().at(1).toInt() > 0);
    held.gate.release();
    engine.OnBtnStop();
}

// A call that needs the engine's lock (a seek) while the thread reads a slow
// file gets it when the read under way ends, not after the thread has read on.
void TestPlayerWaits::seekGetsInBetweenTwoReads()
{
    rz::PlayerEngine engine;
    QVERIFY(engine.open(m_tone.toStdString(), 0, 0));
    QVERIFY(engine.play());
    QTRY_VERIFY_WITH_TIMEOUT(engine.playTime() > 300000, 10000);

    Held held(readGate());
    QTRY_VERIFY_WITH_TIMEOUT(readGate().inside > 0, 10000);
    std::atomic<bool> seeked{false};
    Caller gui([&] { seeked = engine.seek(5000000, true); });
    QTRY_COMPARE_WITH_TIMEOUT(engine.waitingCallers(), 1, 10000);
    QVERIFY(!gui.done());
    // The read under way ends; the next one would be held again.
    held.gate.letOneThrough();
    QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 10000);
    QVERIFY(seeked);
    QCOMPARE(readGate().left.load(), 1);
    held.gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(engine.playTime() > 5300000, 10000);
    engine.close();
}

void TestPlayerWaits::playReturnsBeforeTheOutputIsOpened()
{
    Player p;
    QVERIFY(p.open(m_tone));
    Held held(openGate());
    std::atomic<int> played{-1};
    std::atomic<bool> runningAtOnce{false};
    std::thread::id callerThread;
    Caller gui([&] {
        callerThread = std::this_thread::get_id();
        played = rz_player_play(p.handle);
        runningAtOnce = rz_player_is_running(p.handle) == 1;
    });
    QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(openGate().inside > 0, 10000);
    QCOMPARE(played.load(), 1);
    QVERIFY(runningAtOnce);
    // The opening is the player's thread's, not the caller's.
    QVERIFY(openGate().thread() != callerThread);
    QCOMPARE(rz_player_get_play_time(p.handle), quint64(0));

    held.gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 300000, 10000);
    QCOMPARE(rz_player_is_running(p.handle), 1);
    QVERIFY(QByteArray(rz_player_get_error_text(p.handle)).isEmpty());
}

void TestPlayerWaits::pauseDuringTheOpeningIsKept()
{
    Player p;
    QVERIFY(p.open(m_tone));
    QCOMPARE(rz_player_seek(p.handle, 2000000), 1);
    {
        Held held(openGate());
        QCOMPARE(rz_player_play(p.handle), 1);
        QTRY_VERIFY_WITH_TIMEOUT(openGate().inside > 0, 10000);
        QCOMPARE(rz_player_pause(p.handle), 1);
        QCOMPARE(rz_player_is_pause(p.handle), 1);
        held.gate.release();
        QTRY_COMPARE_WITH_TIMEOUT(openGate().left.load(), 1, 10000);
    }
    // Opened, but held where the pause left it.
    QCOMPARE(rz_player_is_pause(p.handle), 1);
    QCOMPARE(rz_player_get_play_time(p.handle), quint64(2000000));
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 2300000, 10000);
    QCOMPARE(rz_player_is_running(p.handle), 1);
}

// A close while the opening waits for a server that is kept from running
// does not wait for its answer; once the server runs, the player plays.
void TestPlayerWaits::closeDuringAnUnansweredOpeningReturns()
{
    Player p;
    QVERIFY(p.open(m_tone));
    TestSupport::StoppedServer stalled;
    {
        Held held(openGate());
        QCOMPARE(rz_player_play(p.handle), 1);
        QTRY_VERIFY_WITH_TIMEOUT(openGate().inside > 0, 10000);
        QVERIFY(stalled.stop());
        held.gate.release();
        QTRY_COMPARE_WITH_TIMEOUT(openGate().left.load(), 1, 10000);
    }
    // Time for the player's thread to ask the server for the stream.
    QTest::qWait(300);
    Caller gui([&] { rz_player_close(p.handle); });
    QTRY_VERIFY_WITH_TIMEOUT(gui.done(), 5000);
    QCOMPARE(rz_player_has_audio(p.handle), 0);

    stalled.resume();
    QVERIFY(p.open(m_tone));
    QCOMPARE(rz_player_play(p.handle), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rz_player_get_play_time(p.handle) > 300000, 30000);
    QVERIFY(QByteArray(rz_player_get_error_text(p.handle)).isEmpty());
}

QTEST_MAIN(TestPlayerWaits)
#include "tst_playerwaits.moc"
