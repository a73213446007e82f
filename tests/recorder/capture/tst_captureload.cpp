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
#include <cmath>
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

// How far the recorded tone may bend from a pure sine. PipeWire's graph runs
// at 48 kHz and, under load, corrects the rate of its resampling now and
// then, which bends the sine by up to about 0.002; a lost or repeated block
// bends it by 0.02 or more (checked on the recording itself below).
double breakTolerance()
{
    return TestSupport::soundServerIsPipeWire() ? 5e-3 : 1e-3;
}

int breaks(const QVector<float> &interleaved, double frequency)
{
    return TestSupport::sineBreaks(interleaved.constData(), interleaved.size(), 2, frequency, 44100,
                                   breakTolerance());
}

// Where the tone breaks, in seconds, with the size of each break, for the
// message of a failure.
QString breaksOf(const QVector<float> &interleaved, double frequency)
{
    const double c = 2.0 * std::cos(2.0 * M_PI * frequency / 44100);
    QStringList at;
    int last = -1000;
    for (int n = 4; n < interleaved.size(); n += 2) {
        const double r = interleaved[n] - c * interleaved[n - 2] + interleaved[n - 4];
        const bool broken = std::fabs(r) > breakTolerance();
        if (broken && n / 2 - last > 10 && at.size() < 12)
            at << QString("%1 s (%2)").arg(n / 2 / 44100.0, 0, 'f', 3).arg(r, 0, 'g', 2);
        if (broken)
            last = n / 2;
    }
    return at.join(", ");
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
        // Each track takes the sound made until its own stop was asked; the
        // second is asked only once the first has stopped.
        const double elapsed1 = clock.nsecsElapsed() / 1e9;
        const bool stopped1 = track1.setStop();
        const double elapsed2 = clock.nsecsElapsed() / 1e9;
        const bool stopped2 = track2.setStop();

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
        for (const auto &[sink, elapsed] : {std::pair<KeepingSink *, double>(&systemSound, elapsed1),
                                            std::pair<KeepingSink *, double>(&microphone, elapsed2)}) {
            const double expected = elapsed * 44100;
            const double got = double(sink->samples.size() / 2);
            qInfo("captured %.0f frames of %.0f made in %.2f s", got, expected, elapsed);
            // PipeWire's clock runs as far ahead of the wall clock under load
            // as behind it.
            const double allowance = TestSupport::captureShortfallAllowance(expected, 0.1 * 44100);
            QVERIFY2(got > expected - allowance && got < expected + allowance,
                     qPrintable(QString("%1 of %2 frames").arg(got).arg(expected)));
        }
        const QVector<float> sys = systemSound.copy();
        const QVector<float> mic = microphone.copy();
        QVERIFY(TestSupport::goertzelPowerInterleaved(sys, 2, 440, 44100)
                > 100 * TestSupport::goertzelPowerInterleaved(sys, 2, 1000, 44100));
        QVERIFY(TestSupport::goertzelPowerInterleaved(mic, 2, 1000, 44100)
                > 100 * TestSupport::goertzelPowerInterleaved(mic, 2, 440, 44100));
        // Not one block lost or doubled: both tones arrive seamless.
        const int sysBreaks = breaks(sys, 440);
        const int micBreaks = breaks(mic, 1000);
        QVERIFY2(sysBreaks == 0, qPrintable(QString("%1 breaks in system sound: %2").arg(sysBreaks).arg(breaksOf(sys, 440))));
        QVERIFY2(micBreaks == 0, qPrintable(QString("%1 breaks in the microphone: %2").arg(micBreaks).arg(breaksOf(mic, 1000))));
        // The judgement sees one block lost or repeated anywhere in them.
        for (const auto &[tone, frequency] : {std::pair<const QVector<float> *, double>(&sys, 440),
                                              std::pair<const QVector<float> *, double>(&mic, 1000)}) {
            for (int at : {tone->size() / 3 / 2 * 2, tone->size() / 2 / 2 * 2 + 202, tone->size() * 2 / 3 / 2 * 2 + 74}) {
                QVector<float> lost = *tone;
                lost.remove(at, 2 * QRecordAudioObject::BlockFrames);
                QVERIFY2(breaks(lost, frequency) > 0, qPrintable(QString("a block lost at %1 goes unseen").arg(at)));
                QVector<float> repeated = *tone;
                repeated.insert(at, 2 * QRecordAudioObject::BlockFrames, 0.0f);
                std::copy(tone->constBegin() + at, tone->constBegin() + at + 2 * QRecordAudioObject::BlockFrames,
                          repeated.begin() + at);
                QVERIFY2(breaks(repeated, frequency) > 0,
                         qPrintable(QString("a block repeated at %1 goes unseen").arg(at)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(CaptureLoadTest)
#include "tst_captureload.moc"
