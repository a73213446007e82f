// The preview engine playing real files through the private sound server:
// what the "speakers" play is captured from the monitor of system_sound and
// checked for which part of the file was heard and for how long.

#include "media/jxplayerclass.h"
#include "media/jxplayermanager.h"

#include "soundcapture.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr uint64_t kSecond = 1000000;
// One tone per second of the stepped file: what is heard tells where the
// player was in the file.
const QVector<double> kSteps = {330, 440, 550, 660, 770, 880};

using SoundLevel::Heard;
using SoundLevel::heard;

// The step tone that dominates a part of the capture.
double dominantStep(const QVector<float> &part)
{
    return SoundLevel::dominantTone(part, kSteps);
}

// Seconds of the heard part in which one step tone dominates.
double secondsOf(const QVector<float> &capture, const Heard &h, double frequency)
{
    return SoundLevel::toneSeconds(capture, h.from, frequency, kSteps, h.to);
}

} // namespace

class TestPreviewPlayback : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stepped = m_dir.filePath("stepped.wav");
        QVERIFY(TestSupport::writeWav(m_stepped, TestSupport::steppedTone(kSteps, 6)));
        m_tone = m_dir.filePath("tone4s.wav");
        QVERIFY(TestSupport::writeToneWav(m_tone, 440, 4.0));
    }

    // A 10 s tone followed by 16 MB of zeros: a seek far past what the player
    // has read ahead needs the file's end and fails; the dialog hears why and
    // shows the preview no longer playing.
    void failedSeekIsReportedAndPlaysNoLonger()
    {
        const QString flac = m_dir.filePath("seek-zeros.flac");
        QVERIFY(TestSupport::runProgram("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                                   "sine=f=440:d=10:r=44100", "-c:a", "flac", flac})
                == 0);
        QFile file(flac);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() + 16 * 1024 * 1024));
        file.close();

        JXPlayerManager manager;
        QVERIFY(manager.setPlayFile(flac, 0, 0, 3));
        QSignalSpy errors(&manager, &JXPlayerManager::emitPlayError);
        QSignalSpy states(&manager, qOverload<bool>(&JXPlayerManager::emitPlayState));
        QSignalSpy finished(&manager, &JXPlayerManager::emitPlayFinish);
        manager.onPlay();
        QTRY_VERIFY_WITH_TIMEOUT(manager.getPlayerClass()->GetPlayTime_Player() > 300000, 10000);
        states.clear();
        manager.progressValueChange(0.8);
        QCOMPARE(errors.count(), 1);
        QVERIFY2(errors.last().at(0).toString().startsWith("Cannot move to that position: "),
                 qPrintable(errors.last().at(0).toString()));
        QVERIFY(!manager.getPlayerClass()->IsRunning_Player());
        QCOMPARE(states.count(), 1);
        QCOMPARE(states.last().at(0).toBool(), false);
        const uint64_t after = manager.getPlayerClass()->GetPlayTime_Player();

        // Played again, it plays from where the time said to its end: all of
        // that is heard, and no more. Or the play is refused with the reason
        // (stopped, the reader would have to go back to the start, which one
        // that failed to seek may not manage), and the dialog shows it not
        // playing.
        SoundCapture capture;
        QVERIFY(capture.start());
        states.clear();
        manager.onPlay();
        if (errors.count() == 1) {
            QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
            QVERIFY(capture.waitForSilenceAfterSound());
            const double heard = SoundLevel::audibleSeconds(capture.stop());
            const double rest = 10.0 - double(after) / 1e6;
            QVERIFY2(std::abs(heard - rest) < 0.3,
                     qPrintable(QString("%1 s heard, %2 s left").arg(heard).arg(rest)));
            QCOMPARE(errors.count(), 1);
            return;
        }
        QCOMPARE(errors.count(), 2);
        QVERIFY2(errors.last().at(0).toString().startsWith("Playback failed: "),
                 qPrintable(errors.last().at(0).toString()));
        QVERIFY(manager.getPlayerClass()->IsStop_Player());
        QCOMPARE(states.count(), 1);
        QCOMPARE(states.last().at(0).toBool(), false);
        QVERIFY(capture.waitForSeconds(0.6));
        QVERIFY(SoundLevel::rmsDb(SoundLevel::slice(capture.stop(), 0.2, 0.6)) < -80);
        QVERIFY(finished.isEmpty());
    }

    void trimRangePlaysFromItsStartToItsEnd()
    {
        JXPlayerManager manager;
        QVERIFY(manager.setPlayFile(m_stepped, 0, 0, 3));
        QSignalSpy trimmed(&manager, &JXPlayerManager::emitTrimTimeChange);
        QSignalSpy finished(&manager, &JXPlayerManager::emitPlayFinish);
        QSignalSpy times(&manager, &JXPlayerManager::emitPlayTime2);
        manager.onTrim(2 * kSecond, 4 * kSecond);
        QCOMPARE(trimmed.count(), 1);
        QCOMPARE(trimmed.at(0).at(0).value<uint64_t>(), 2 * kSecond);
        QCOMPARE(trimmed.at(0).at(1).value<uint64_t>(), 4 * kSecond);
        QCOMPARE(manager.getPlaylength(), 2 * kSecond);
        QCOMPARE(times.last().at(0).toString(), QString("00:00:00.000 / 00:00:02.000"));

        SoundCapture capture;
        QVERIFY(capture.start());
        finished.clear();
        QElapsedTimer clock;
        clock.start();
        manager.onPlay();
        QVERIFY(finished.wait(10000));
        const double elapsed = TestSupport::sinceStart(clock);
        const double capturedAtEnd = capture.seconds();
        QVERIFY(capture.waitForSilenceAfterSound());
        const QVector<float> sound = capture.stop();

        qInfo("trim range: finished after %.2f s", elapsed);
        const Heard h = heard(sound);
        // Two seconds of the file are heard; the finish follows their end.
        const double audible = SoundLevel::audibleSeconds(sound);
        QVERIFY2(audible > 1.8 && audible < 2.2, qPrintable(QString::number(audible)));
        QVERIFY2(elapsed > 1.7, qPrintable(QString::number(elapsed)));
        const QString ends = SoundLevel::endAgrees(capturedAtEnd, sound);
        QVERIFY2(ends.isEmpty(), qPrintable(ends));
        // The first sound is the third second of the file, the last the fourth.
        QCOMPARE(dominantStep(SoundLevel::slice(sound, h.from, h.from + 0.2)), 550.0);
        QCOMPARE(dominantStep(SoundLevel::slice(sound, h.to - 0.35, h.to - 0.15)), 660.0);
        QVERIFY2(secondsOf(sound, h, 550) > 0.8, qPrintable(QString::number(secondsOf(sound, h, 550))));
        QVERIFY2(secondsOf(sound, h, 660) > 0.8, qPrintable(QString::number(secondsOf(sound, h, 660))));
        QVERIFY2(secondsOf(sound, h, 440) < 0.15, qPrintable(QString::number(secondsOf(sound, h, 440))));
        QVERIFY2(secondsOf(sound, h, 770) < 0.3, "played on past the trim end");
        // Stopped at the end, back at the trim start, positions relative to it.
        QVERIFY(manager.getPlayerClass()->IsStop_Player());
        const uint64_t back = manager.getPlayerClass()->GetPlayTime_Player();
        QVERIFY2(back >= 2 * kSecond - 60000 && back <= 2 * kSecond + 60000,
                 qPrintable(QString::number(back)));
        bool sawMiddle = false;
        for (const QList<QVariant> &t : times) {
            const QString text = t.at(0).toString();
            QVERIFY2(text.endsWith(" / 00:00:02.000"), qPrintable(text));
            sawMiddle |= text.startsWith("00:00:01.");
        }
        QVERIFY(sawMiddle);
    }

    void segmentPausesAtItsEnd()
    {
        JXPlayerManager manager;
        QVERIFY(manager.setPlayFile(m_stepped, 0, 0, 3));
        manager.onTrim(2 * kSecond, 4 * kSecond);
        QSignalSpy trimState(&manager, &JXPlayerManager::emitTrimPlayState);
        QSignalSpy progress(&manager, &JXPlayerManager::emitPlayProgress);

        SoundCapture capture;
        QVERIFY(capture.start());
        manager.onTrimPlay(0.5f, 1.0f); // 3 s to 4 s of the file
        QCOMPARE(manager.trimRange().segmentStart, 3 * kSecond);
        QCOMPARE(manager.trimRange().segmentEnd, 4 * kSecond);
        QCOMPARE(trimState.count(), 1);
        QVERIFY(trimState.at(0).at(0).toBool());
        QVERIFY(trimState.wait(10000));
        QVERIFY(!trimState.last().at(0).toBool());
        QVERIFY(capture.waitForSilenceAfterSound());
        const QVector<float> sound = capture.stop();

        JXPlayerClass *player = manager.getPlayerClass();
        QVERIFY(player->IsPause_Player());
        QVERIFY(!manager.trimRange().isTrimPlaying);
        const uint64_t at = player->GetPlayTime_Player();
        // PipeWire's pulse server reports the played position in coarser
        // steps: the pause was measured there up to 95 ms past the end.
        const uint64_t late = TestSupport::soundServerIsPipeWire() ? 100000 : 60000;
        QVERIFY2(at >= 4 * kSecond - 60000 && at <= 4 * kSecond + late,
                 qPrintable(QString::number(at)));
        QCOMPARE(progress.last().at(0).toDouble(), 1.0);
        const Heard h = heard(sound);
        const double audible = SoundLevel::audibleSeconds(sound);
        QVERIFY2(audible > 0.8 && audible < 1.2, qPrintable(QString::number(audible)));
        QCOMPARE(dominantStep(SoundLevel::slice(sound, h.from, h.from + 0.2)), 660.0);
        QVERIFY(secondsOf(sound, h, 770) < 0.3);

        // The next segment play after the end seeks to the segment start
        // again, and plays on from there.
        QElapsedTimer clock;
        clock.start();
        manager.onTrimPlay(0.5f, 0.75f);
        QVERIFY(player->GetPlayTime_Player() >= 3 * kSecond);
        QTRY_VERIFY_WITH_TIMEOUT(player->GetPlayTime_Player() >= 3 * kSecond + 200000, 10000);
        const uint64_t again = player->GetPlayTime_Player();
        QVERIFY2(again <= 3 * kSecond + uint64_t((TestSupport::sinceStart(clock) + 0.1) * kSecond),
                 qPrintable(QString::number(again)));
        manager.onTrimPause();
        QVERIFY(manager.trimRange().isTrimPlaying); // paused, not finished
        const uint64_t pausedAt = player->GetPlayTime_Player();
        // Resumes where it stands: never back before it, and on from there.
        manager.onTrimPlay(0.5f, 0.75f);
        uint64_t lowest = player->GetPlayTime_Player();
        auto movedOn = [&] {
            const uint64_t now = player->GetPlayTime_Player();
            lowest = std::min(lowest, now);
            return now >= pausedAt + 100000;
        };
        QTRY_VERIFY_WITH_TIMEOUT(movedOn(), 10000);
        QVERIFY2(lowest >= pausedAt, qPrintable(QString("%1 %2").arg(lowest).arg(pausedAt)));
        manager.onStop();
    }

    void openEndedTrimWithEndBeforeStartPlaysToTheEnd()
    {
        JXPlayerManager manager;
        QVERIFY(manager.setPlayFile(m_stepped, 0, 0, 3));
        manager.onTrim(4 * kSecond, 3 * kSecond);
        QCOMPARE(manager.getPlaylength(), 2 * kSecond);
        QSignalSpy finished(&manager, &JXPlayerManager::emitPlayFinish);
        SoundCapture capture;
        QVERIFY(capture.start());
        finished.clear();
        manager.onPlay();
        QVERIFY(finished.wait(10000));
        QVERIFY(capture.waitForSilenceAfterSound());
        const QVector<float> sound = capture.stop();
        const Heard h = heard(sound);
        // Both remaining seconds are heard, not a stop right after the start.
        const double audible = SoundLevel::audibleSeconds(sound);
        QVERIFY2(audible > 1.8, qPrintable(QString::number(audible)));
        QVERIFY(secondsOf(sound, h, 770) > 0.8);
        QVERIFY(secondsOf(sound, h, 880) > 0.6);
    }

    void doubleSpeedPlaysInHalfTheTime()
    {
        JXPlayerManager manager;
        QVERIFY(manager.setPlayFile(m_tone, 0, 0, 3));
        VEAudioEffectSetting fx;
        fx.speed = 200;
        manager.setAudioEffectSettings(fx);
        QSignalSpy finished(&manager, &JXPlayerManager::emitPlayFinish);
        SoundCapture capture;
        QVERIFY(capture.start());
        QElapsedTimer clock;
        clock.start();
        manager.onPlay();
        QVERIFY(finished.wait(10000));
        const double elapsed = TestSupport::sinceStart(clock);
        const double capturedAtEnd = capture.seconds();
        QVERIFY(capture.waitForSilenceAfterSound());
        const QVector<float> sound = capture.stop();
        const double audible = SoundLevel::audibleSeconds(sound);
        qInfo("speed 200: finished after %.2f s, heard %.2f s", elapsed, audible);
        // The 4 s file is heard for 2 s; the finish follows its end.
        QVERIFY2(audible > 1.8 && audible < 2.2, qPrintable(QString::number(audible)));
        QVERIFY2(elapsed > 1.6, qPrintable(QString::number(elapsed)));
        const QString ends = SoundLevel::endAgrees(capturedAtEnd, sound);
        QVERIFY2(ends.isEmpty(), qPrintable(ends));
    }

private:
    QTemporaryDir m_dir;
    QString m_stepped, m_tone;
};

QTEST_MAIN(TestPreviewPlayback)
#include "tst_previewplayback.moc"
