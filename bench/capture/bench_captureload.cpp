// Capture with every core busy: how often the recorded tones break, ours
// against parec reading the same two sources with the same fragment size
// over the same seconds under the same load. Both sides are whole processes
// that write what they take to a file; the files are judged alike. Breaks
// that both sides hear come from the players or the server, those only ours
// hears from our capture. Needs a sound server with the test devices:
//   tests/support/run-test.sh --pipewire -- build/bin/bench_captureload [seconds]
//   tests/support/run-test.sh --sound -- build/bin/bench_captureload [seconds]
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulseplaybackstream.h"
#include "recorder/iaudioframesink.h"
#include "recorder/qrecordaudioobject.h"
#include "bench/countratio.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = QRecordAudioObject::SampleRate;
constexpr int kChannels = QRecordAudioObject::Channels;
constexpr double kSystemTone = 440.0;
constexpr double kMicrophoneTone = 1000.0;

// Writes each block the capture hands over to a file, as parec writes its
// standard output.
class FileSink : public IAudioFrameSink
{
public:
    explicit FileSink(const QString &path)
        : m_file(path)
    {
        m_open = m_file.open(QIODevice::WriteOnly);
    }
    bool pushAudioFrame(const AudioFrame &frame) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_ok = m_ok && m_open
               && m_file.write(reinterpret_cast<const char *>(frame.data), qint64(frame.size))
                      == qint64(frame.size);
        return true;
    }
    bool ok()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_ok && m_open && m_file.flush();
    }

private:
    std::mutex m_mutex;
    QFile m_file;
    bool m_open = false;
    bool m_ok = true;
};

// Our side, in a process of its own: both sources into two files for
// `seconds`, once both tones are heard. Prints "capturing" when it starts
// taking, and its overflow counts at the end.
int captureChild(int seconds, const QString &systemPath, const QString &microphonePath)
{
    FileSink systemSound(systemPath), microphone(microphonePath);
    QRecordAudioObject track1(QRecordAudioObject::SystemSoundTrack);
    QRecordAudioObject track2(QRecordAudioObject::MicrophoneTrack);
    track1.setRecorder(&systemSound);
    track2.setRecorder(&microphone);
    std::atomic<int> loud1{0}, loud2{0};
    QObject here;
    QObject::connect(&track1, &QRecordAudioObject::emitVolume, &here,
                     [&](int level) { loud1 += level > 5000; });
    QObject::connect(&track2, &QRecordAudioObject::emitVolume, &here,
                     [&](int level) { loud2 += level > 5000; });
    track1.setListend(true);
    track2.setListend(true);
    if (!track1.setStart() || !track2.setStart()) {
        std::fprintf(stderr, "capture did not start: %s %s\n", qPrintable(track1.errorString()),
                     qPrintable(track2.errorString()));
        return 1;
    }
    if (!QTest::qWaitFor([&] { return loud1 >= 5 && loud2 >= 5; }, 30000)) {
        std::fprintf(stderr, "the tones were not heard\n");
        return 1;
    }
    track1.setListend(false);
    track2.setListend(false);
    track1.setStartRecorder(true);
    track2.setStartRecorder(true);
    std::printf("capturing\n");
    std::fflush(stdout);
    QTest::qWait(seconds * 1000);
    const bool stopped = track1.setStop() && track2.setStop();
    std::printf("overflows %d %d\n", track1.overflows(), track2.overflows());
    return stopped && systemSound.ok() && microphone.ok() ? 0 : 1;
}

// Keeps playing a tone into a sink (the default output when empty) until told to stop.
void playUntil(const QByteArray &sink, double frequency, const std::atomic<bool> &stop,
               std::atomic<bool> &failed)
{
    PulsePlaybackStream play;
    // A deep buffer, so that the busy cores seldom starve the player.
    if (!play.open(sink, kRate, kChannels, 3000)) {
        failed = true;
        return;
    }
    // A whole number of periods per second: the tone runs on seamlessly.
    const QVector<float> second = TestSupport::sineTone(frequency, 1.0);
    while (!stop) {
        if (!play.write(second.constData(), second.size() / kChannels, 10000)) {
            failed = true;
            return;
        }
    }
}

// How far the tone may bend from a pure sine. PipeWire's graph runs at
// 48 kHz and corrects its resampling now and then under load, which bends
// the sine by up to about 0.002; a lost or repeated block bends it by 0.02
// or more (checked on each recording before it is judged).
double breakTolerance()
{
    return TestSupport::soundServerIsPipeWire() ? 5e-3 : 1e-3;
}

// The first channel of a raw float recording, from its first loud sample
// on, less a tenth of a second at either end (where a tone starts or stops).
QVector<float> toneOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray raw = f.readAll();
    const auto *s = reinterpret_cast<const float *>(raw.constData());
    const int frames = int(raw.size() / int(sizeof(float) * kChannels));
    int first = 0;
    while (first < frames && std::fabs(s[first * kChannels]) < 0.05f)
        ++first;
    int last = frames - 1;
    while (last > first && std::fabs(s[last * kChannels]) < 0.05f)
        --last;
    QVector<float> mono;
    for (int i = first + kRate / 10; i < last - kRate / 10; ++i)
        mono << s[i * kChannels];
    return mono;
}

// Places where the tone stops being one seamless sine.
int breaks(const QVector<float> &mono, double frequency)
{
    return TestSupport::sineBreakPlaces(mono.constData(), mono.size(), 1, frequency, kRate, breakTolerance())
        .size();
}

// Whether one lost and one repeated block anywhere in the tone are seen.
bool breaksAreSeen(const QVector<float> &mono, double frequency)
{
    const int block = QRecordAudioObject::BlockFrames;
    if (mono.size() < 4 * block)
        return false;
    const int base = breaks(mono, frequency);
    for (int at : {mono.size() / 3, mono.size() / 2 + 101, mono.size() * 2 / 3 + 37}) {
        QVector<float> lost = mono;
        lost.remove(at, block);
        QVector<float> repeated = mono;
        repeated.insert(at, block, 0.0f);
        std::copy(mono.constBegin() + at, mono.constBegin() + at + block, repeated.begin() + at);
        if (breaks(lost, frequency) <= base || breaks(repeated, frequency) <= base)
            return false;
    }
    return true;
}

struct Judged
{
    double seconds = 0;
    int breaks = 0;
    bool judgeable = false;
    double perMinute() const { return seconds > 0 ? breaks * 60.0 / seconds : 0; }
};

Judged judge(const QString &path, double frequency)
{
    const QVector<float> mono = toneOf(path);
    Judged j;
    j.seconds = double(mono.size()) / kRate;
    j.breaks = breaks(mono, frequency);
    j.judgeable = breaksAreSeen(mono, frequency);
    return j;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--capture"))
        return captureChild(args.at(2).toInt(), args.at(3), args.at(4));
    const int seconds = args.size() > 1 ? std::max(5, args.at(1).toInt()) : 60;

    LoopbackDevice *loop = LoopbackDevice::instance();
    if (!loop->makeDefault()) {
        std::fprintf(stderr, "no loop-back device: %s\n", qPrintable(loop->errorString()));
        return 1;
    }
    QTemporaryDir dir;
    std::atomic<bool> stopPlaying{false}, playFailed{false}, stopLoad{false};
    std::thread speakers(playUntil, QByteArray(), kSystemTone, std::cref(stopPlaying), std::ref(playFailed));
    std::thread voice(playUntil, QByteArray("mic_feed"), kMicrophoneTone, std::cref(stopPlaying),
                      std::ref(playFailed));
    // The load both sides run under: one busy loop per core.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> load;
    for (unsigned i = 0; i < cores; ++i) {
        load.emplace_back([&stopLoad] {
            volatile double x = 1.0;
            while (!stopLoad.load(std::memory_order_relaxed))
                x = x * 1.0000001 + 1e-9;
        });
    }

    QProcess ours;
    ours.start(app.applicationFilePath(),
               {QStringLiteral("--capture"), QString::number(seconds), dir.filePath("ours-system.raw"),
                dir.filePath("ours-microphone.raw")});
    const bool capturing = ours.waitForStarted(10000)
                           && QTest::qWaitFor(
                               [&] { return ours.readAllStandardOutput().contains("capturing"); }, 60000);
    // The peer: parec on the same sources, from the moment ours takes, with
    // our fragment size (and so our wake-ups) in bytes.
    const QString fragment = QString::number(QRecordAudioObject::FragmentFrames * kChannels
                                             * int(sizeof(float)));
    const QList<QPair<QByteArray, QString>> peerSources{
        {loop->sinkName() + ".monitor", dir.filePath("peer-system.raw")},
        {QByteArray("test_microphone"), dir.filePath("peer-microphone.raw")}};
    std::vector<std::unique_ptr<QProcess>> peers;
    for (const auto &[source, path] : peerSources) {
        auto parec = std::make_unique<QProcess>();
        parec->setStandardOutputFile(path);
        parec->start(QStringLiteral("parec"),
                     {QStringLiteral("--device=") + QString::fromUtf8(source),
                      QStringLiteral("--format=float32le"), QStringLiteral("--rate=%1").arg(kRate),
                      QStringLiteral("--channels=%1").arg(kChannels), QStringLiteral("--latency=") + fragment});
        peers.push_back(std::move(parec));
    }
    QElapsedTimer wall;
    wall.start();
    const bool oursDone = capturing && ours.waitForFinished((seconds + 60) * 1000) && ours.exitCode() == 0;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    for (auto &parec : peers) {
        parec->terminate();
        parec->waitForFinished(5000);
    }
    const QByteArray oursOutput = ours.readAllStandardOutput().trimmed();
    stopLoad = true;
    for (std::thread &t : load)
        t.join();
    stopPlaying = true;
    speakers.join();
    voice.join();
    loop->restore();
    if (!oursDone || playFailed) {
        std::fprintf(stderr, "the run failed: ours %s, players %s\n%s\n", oursDone ? "done" : "failed",
                     playFailed ? "failed" : "played", ours.readAllStandardError().constData());
        return 1;
    }

    std::printf("capture under load: %u busy loops, %.1f s, %s; ours %s\n", cores, elapsed,
                TestSupport::soundServerIsPipeWire() ? "PipeWire" : "PulseAudio", oursOutput.constData());
    std::printf("%-14s %28s %28s %10s\n", "source", "ours: s / breaks / per min",
                "parec: s / breaks / per min", "ratio");
    bool judgeable = true;
    for (const auto &[name, file, frequency] :
         {std::tuple<const char *, const char *, double>{"system sound", "system", kSystemTone},
          std::tuple<const char *, const char *, double>{"microphone", "microphone", kMicrophoneTone}}) {
        const Judged o = judge(dir.filePath(QStringLiteral("ours-%1.raw").arg(file)), frequency);
        const Judged p = judge(dir.filePath(QStringLiteral("peer-%1.raw").arg(file)), frequency);
        judgeable = judgeable && o.judgeable && p.judgeable;
        std::printf("%-14s %10.1f %6d %10.2f %10.1f %6d %10.2f %10s\n", name, o.seconds, o.breaks,
                    o.perMinute(), p.seconds, p.breaks, p.perMinute(),
                    qPrintable(countRatio(o.perMinute(), p.perMinute())));
    }
    if (!judgeable) {
        std::printf("a lost or repeated block went unseen in a recording: the counts above say nothing\n");
        return 1;
    }
    return 0;
}
