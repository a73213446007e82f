// What capturing costs: both sources recorded for a while with tones
// playing, then the process's CPU time per second of sound and the time
// start and stop take. Needs a sound server with the test devices:
//   tests/support/run-test.sh --sound -- build/bin/bench_capture [seconds]
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplaybackstream.h"
#include "recorder/iaudioframesink.h"
#include "recorder/qrecordaudioobject.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

struct CountingSink : IAudioFrameSink
{
    std::atomic<quint64> bytes{0};
    bool pushAudioFrame(const AudioFrame &frame) override
    {
        bytes += frame.size;
        return true;
    }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void play(const QByteArray &sink, double frequency, const std::atomic<bool> &stop)
{
    PulsePlaybackStream out;
    if (!out.open(sink, 44100, 2, 1000))
        return;
    std::vector<float> second(44100 * 2);
    for (int i = 0; i < 44100; ++i)
        second[size_t(i) * 2] = second[size_t(i) * 2 + 1] =
            float(0.5 * std::sin(2 * M_PI * frequency * i / 44100));
    while (!stop && out.write(second.data(), 44100)) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    if (!LoopbackDevice::instance()->makeDefault()) {
        std::fprintf(stderr, "no loop-back device: %s\n",
                     qPrintable(LoopbackDevice::instance()->errorString()));
        return 1;
    }
    std::atomic<bool> stop{false};
    std::thread speakers(play, QByteArray(), 440.0, std::cref(stop));
    std::thread voice(play, QByteArray("mic_feed"), 1000.0, std::cref(stop));

    CountingSink systemSound, microphone;
    QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
    QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
    track1.setRecorder(&systemSound);
    track2.setRecorder(&microphone);
    track1.setVolume(80.0f);   // the gain path too

    QElapsedTimer t;
    t.start();
    const bool started = track1.setStart() && track2.setStart();
    const double startMs = t.nsecsElapsed() / 1e6;
    track1.setStartRecorder(true);
    track2.setStartRecorder(true);
    // The players in this process are counted too; they sleep most of the time.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    t.restart();
    track1.setStop();
    track2.setStop();
    const double stopMs = t.nsecsElapsed() / 1e6;
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    stop = true;
    speakers.join();
    voice.join();
    LoopbackDevice::instance()->restore();
    if (!started) {
        std::fprintf(stderr, "capture did not start\n");
        return 1;
    }
    const double captured = (systemSound.bytes + microphone.bytes) / 8.0 / 44100 / 2;
    std::printf("two sources, %.1f s: %.2f s of sound each captured, %d/%d overflows\n", elapsed,
                captured, track1.overflows(), track2.overflows());
    std::printf("CPU %.3f s = %.2f %% of one core (players included)\n", cpu, 100.0 * cpu / elapsed);
    std::printf("start of both %.1f ms, stop of both %.1f ms\n", startMs, stopMs);
    return 0;
}
