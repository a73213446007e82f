// The library playback engine when its sound server goes away: playback stops
// with a message instead of hanging or passing for the end of the file, play
// while the server is away fails at once with a message, and once the server
// is back the file plays again, a paused one from where it was paused. The
// editor's preview stops with a message as well.

#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"
#include "media/jxqplayobject.h"

#include "mediafiles.h"
#include "soundcapture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {


} // namespace

class TestPlaybackRestart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lostServerStopsPlaybackWithAMessage();
    void pausedPlaybackGoesOnAfterARestart();
    void previewStopsWithAMessage();

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

void TestPlaybackRestart::initTestCase()
{
    m_tone = m_dir.filePath("tone10s.flac");
    QVERIFY(MediaFiles::runFfmpeg({"-f", "lavfi", "-i", "sine=f=440:d=10:r=44100", "-af",
                                   "aformat=channel_layouts=stereo", "-c:a", "flac", m_tone}));
}

void TestPlaybackRestart::lostServerStopsPlaybackWithAMessage()
{
    JXQPlayObject engine;
    QSignalSpy errors(&engine, &JXQPlayObject::emitPlayError);
    QSignalSpy finished(&engine, &JXQPlayObject::emitPlayFinish);
    engine.SetPlayFile(m_tone, 0, 0);
    engine.StartPlay();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > 1000000, 5000);

    QVERIFY(TestSupport::controlSoundServer("stop"));
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
    QCOMPARE(errors.first().at(0).toString(),
             QString("Playback stopped: the connection to the sound server was lost."));
    // Not the end of the file: the bar must not move on to the next one.
    QCOMPARE(finished.size(), 0);
    QVERIFY(engine.isStopPlay());
    QCOMPARE(engine.getCurrentPlayerPos(), quint64(0));

    // Asked to play while the server is away: refused, with the reason, and
    // the bar told it no longer plays.
    QSignalSpy states(&engine, &JXQPlayObject::emitPlayState);
    engine.StartPlay();
    QTRY_COMPARE(errors.size(), 2);
    QVERIFY2(errors.last().at(0).toString().startsWith("Playback failed: "),
             qPrintable(errors.last().at(0).toString()));
    QVERIFY(engine.isStopPlay());
    QCOMPARE(states.size(), 2);
    QCOMPARE(states.last().at(0).toBool(), false);

    // Back again, the same file plays and is heard.
    QVERIFY(TestSupport::controlSoundServer("start"));
    SoundCapture capture;
    QVERIFY(capture.start());
    engine.StartPlay();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > 1000000, 5000);
    const QVector<float> heard = capture.stop();
    engine.OnBtnStop();
    QCOMPARE(errors.size(), 2);
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 1000));
}

void TestPlaybackRestart::pausedPlaybackGoesOnAfterARestart()
{
    JXQPlayObject engine;
    QSignalSpy errors(&engine, &JXQPlayObject::emitPlayError);
    engine.SetPlayFile(m_tone, 0, 0);
    engine.StartPlay();
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > 1000000, 5000);
    engine.pausePlay();
    QVERIFY(engine.isPausePlay());
    const quint64 pausedAt = engine.getCurrentPlayerPos();

    QVERIFY(TestSupport::controlSoundServer("stop"));
    QVERIFY(TestSupport::controlSoundServer("start"));
    SoundCapture capture;
    QVERIFY(capture.start());
    engine.StartPlay();
    QVERIFY(!engine.isPausePlay() && !engine.isStopPlay());
    QTRY_VERIFY_WITH_TIMEOUT(engine.getCurrentPlayerPos() > pausedAt + 500000, 5000);
    const QVector<float> heard = capture.stop();
    QVERIFY2(engine.getCurrentPlayerPos() < pausedAt + 5000000,
             qPrintable(QString("%1 after %2").arg(engine.getCurrentPlayerPos()).arg(pausedAt)));
    QVERIFY(errors.isEmpty());
    QVERIFY(SoundLevel::tone(heard, 440) > 100 * SoundLevel::tone(heard, 1000));
    engine.OnBtnStop();
}

void TestPlaybackRestart::previewStopsWithAMessage()
{
    JXPlayerManager preview;
    QVERIFY(preview.setPlayFile(m_tone, 0, 0, 3));
    QSignalSpy errors(&preview, &JXPlayerManager::emitPlayError);
    QSignalSpy finished(&preview, &JXPlayerManager::emitPlayFinish);
    preview.onPlay();
    QTRY_VERIFY_WITH_TIMEOUT(preview.getPlayerClass()->GetPlayTime_Player() > 1000000, 5000);

    QVERIFY(TestSupport::controlSoundServer("stop"));
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
    QCOMPARE(errors.first().at(0).toString(),
             QString("Playback stopped: the connection to the sound server was lost."));
    // The editor's controls go back to stopped as at the end.
    QCOMPARE(finished.size(), 1);
    QVERIFY(preview.getPlayerClass()->IsStop_Player());

    preview.onPlay();
    QTRY_COMPARE(errors.size(), 2);
    QVERIFY(errors.last().at(0).toString().startsWith("Playback failed: "));
    QVERIFY(preview.getPlayerClass()->IsStop_Player());
    QVERIFY(TestSupport::controlSoundServer("start"));
    preview.onPlay();
    QTRY_VERIFY_WITH_TIMEOUT(preview.getPlayerClass()->GetPlayTime_Player() > 500000, 5000);
    QCOMPARE(errors.size(), 2);
    preview.onStop();
}

QTEST_MAIN(TestPlaybackRestart)
#include "tst_playbackrestart.moc"
