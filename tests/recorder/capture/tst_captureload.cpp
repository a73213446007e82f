// A minute of capture from both sources while every core is busy with a
// load loop: no block may be lost, neither by the sound server nor on the
// way to the recorder.
#include "keepingsink.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplaybackstream.h"
#include "recorder/qrecordaudioobject.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Keeps playing a tone into a sink until told to stop.
void playUntil(const QByteArray &sink, double frequency, const std::atomic<bool> &stop,
               std::atomic<bool> &failed)
{
    PulsePlaybackStream play;
    // A deep buffer: the busy cores must not starve the player into gaps
    // that would look like lost blocks.
    if (!play.open(sink, 44100, 2, 3000)) {
        failed = true;
        return;
    }
    const QVector<float> second = TestSupport::sineTone(frequency, 1.0);
    while (!stop) {
        // A whole number of periods per second, so the tone runs on seamlessly.
        if (!play.write(second.constData(), second.size() / 2, 10000)) {
            failed = true;
            return;
        }
    }
}

} // namespace

class CaptureLoadTest : public QObject
{
    Q_OBJECT
private slots:
    void minuteUnderFullLoadLosesNoBlock()
    {
        const int seconds = qEnvironmentVariableIntValue("VELMORA_LOAD_SECONDS") > 0
                                ? qEnvironmentVariableIntValue("VELMORA_LOAD_SECONDS")
                                : 60;
        QVERIFY2(LoopbackDevice::instance()->makeDefault(),
                 qPrintable(LoopbackDevice::instance()->errorString()));

        std::atomic<bool> stopLoad{false};
        std::vector<std::thread> load;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            load.emplace_back([&stopLoad] {
                volatile double x = 1.0;
                while (!stopLoad.load(std::memory_order_relaxed))
                    x = x * 1.0000001 + 1e-9;
            });
        }

        std::atomic<bool> stopPlaying{false}, playFailed{false};
        std::thread speakers(playUntil, QByteArray(), 440.0, std::cref(stopPlaying), std::ref(playFailed));
        std::thread voice(playUntil, QByteArray("mic_feed"), 1000.0, std::cref(stopPlaying),
                          std::ref(playFailed));

        KeepingSink systemSound, microphone;
        QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
        QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
        track1.setRecorder(&systemSound);
        track2.setRecorder(&microphone);
        // Both tones play before the recorder takes anything.
        int loud1 = 0, loud2 = 0;
        QObject here;
        connect(&track1, &QRecordAudioObject::emitVolume, &here, [&](int level) { loud1 += level > 5000; });
        connect(&track2, &QRecordAudioObject::emitVolume, &here, [&](int level) { loud2 += level > 5000; });
        track1.setListend(true);
        track2.setListend(true);
        const bool started = track1.setStart() && track2.setStart();
        QTRY_VERIFY_WITH_TIMEOUT(!started || (loud1 >= 5 && loud2 >= 5), 30000);
        track1.setListend(false);
        track2.setListend(false);
        QElapsedTimer clock;
        clock.start();
        track1.setStartRecorder(true);
        track2.setStartRecorder(true);
        if (started)
            QTest::qWait(seconds * 1000);
        const bool stopped1 = track1.setStop();
        const bool stopped2 = track2.setStop();
        const double elapsed = clock.nsecsElapsed() / 1e9;

        stopPlaying = true;
        speakers.join();
        voice.join();
        stopLoad = true;
        for (std::thread &t : load)
            t.join();
        LoopbackDevice::instance()->restore();

        QVERIFY(started);
        QVERIFY(stopped1 && stopped2);
        QVERIFY(!playFailed);
        QCOMPARE(track1.overflows(), 0);
        QCOMPARE(track2.overflows(), 0);
        QString why;
        QVERIFY2(systemSound.stampsRunWithoutGaps(&why), qPrintable(why));
        QVERIFY2(microphone.stampsRunWithoutGaps(&why), qPrintable(why));
        // Every frame the sources made while the recorder ran reached it.
        const double expected = elapsed * 44100;
        for (KeepingSink *sink : {&systemSound, &microphone}) {
            const double got = double(sink->samples.size() / 2);
            qInfo("captured %.0f frames of %.0f made in %.2f s", got, expected, elapsed);
            const double shortfall = TestSupport::captureShortfallAllowance(expected, 0.1 * 44100);
            QVERIFY2(got > expected - shortfall && got < expected + 0.1 * 44100,
                     qPrintable(QString("%1 of %2 frames").arg(got).arg(expected)));
        }
        const QVector<float> sys = systemSound.copy();
        const QVector<float> mic = microphone.copy();
        QVERIFY(TestSupport::goertzelPowerInterleaved(sys, 2, 440, 44100)
                > 100 * TestSupport::goertzelPowerInterleaved(sys, 2, 1000, 44100));
        QVERIFY(TestSupport::goertzelPowerInterleaved(mic, 2, 1000, 44100)
                > 100 * TestSupport::goertzelPowerInterleaved(mic, 2, 440, 44100));
        // Not one block lost or doubled: both tones arrive seamless.
        QCOMPARE(TestSupport::sineBreaks(sys.constData(), sys.size(), 2, 440), 0);
        QCOMPARE(TestSupport::sineBreaks(mic.constData(), mic.size(), 2, 1000), 0);
    }
};

QTEST_GUILESS_MAIN(CaptureLoadTest)
#include "tst_captureload.moc"
