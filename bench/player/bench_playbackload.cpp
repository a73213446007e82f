// Library playback with every core busy: how often the sound server runs out
// of sound and how much silence it puts in, the library's playback engine (in
// a process of its own) against paplay with the same latency target, playing
// the same recording in turns under the same load. Underflows are counted
// alike on both sides, from the stream's own reports (our log lines, paplay
// -v's); the silence put in is measured by a second client that listens on
// the sink's monitor. The busy loops are processes of their own, started and
// ended here by their ids. Needs a sound server with the test devices:
//   tests/support/run-test.sh --sound -- build/bin/bench_playbackload [plays] [seconds]
//   tests/support/run-test.sh --pipewire -- build/bin/bench_playbackload [plays] [seconds]
#include "media/jxqplayobject.h"
#include "platform/audio/pulseoutputstream.h"

#include "bench/countratio.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
const char *const kMonitor = "system_sound.monitor";

// Our side: the library's engine plays the file to its end; its log lines
// (underflows among them) go to standard error.
int playChild(const QString &path)
{
    JXQPlayObject engine;
    int status = 0;
    QObject::connect(&engine, &JXQPlayObject::emitPlayFinish, qApp, [] { qApp->quit(); });
    QObject::connect(&engine, &JXQPlayObject::emitPlayError, qApp, [&status](const QString &why) {
        std::fprintf(stderr, "play error: %s\n", qPrintable(why));
        status = 1;
        qApp->quit();
    });
    engine.SetPlayFile(path, 0, 0);
    engine.StartPlay();
    qApp->exec();
    return status;
}

// One busy loop per core, each a process of its own.
class BusyLoops
{
public:
    explicit BusyLoops(unsigned count)
    {
        for (unsigned i = 0; i < count; ++i) {
            std::fflush(nullptr);
            const pid_t pid = fork();
            if (pid == 0) {
                volatile double x = 1.0;
                for (;;)
                    x = x * 1.0000001 + 1e-9;
            }
            if (pid > 0)
                m_pids.push_back(pid);
        }
    }
    ~BusyLoops()
    {
        for (pid_t pid : m_pids)
            kill(pid, SIGKILL);
        for (pid_t pid : m_pids)
            waitpid(pid, nullptr, 0);
    }
    size_t count() const { return m_pids.size(); }
    BusyLoops(const BusyLoops &) = delete;
    BusyLoops &operator=(const BusyLoops &) = delete;

private:
    std::vector<pid_t> m_pids;
};

struct Play
{
    bool ok = false;
    int underflows = 0;
    double silenceMs = 0; // put in between the first and the last sound heard
    int gaps = 0;
    double heardSeconds = 0;
};

// The first channel of what the monitor heard: silence put in is every run
// of at least 32 samples (0.7 ms) at -80 dB between the first and the last
// sound (a sine crosses zero within one sample).
void judgeSilence(const QByteArray &raw, Play *play)
{
    const auto *s = reinterpret_cast<const float *>(raw.constData());
    const int frames = int(raw.size() / int(sizeof(float) * kChannels));
    int first = 0;
    while (first < frames && std::fabs(s[first * kChannels]) < 0.05f)
        ++first;
    int last = frames - 1;
    while (last > first && std::fabs(s[last * kChannels]) < 0.05f)
        --last;
    play->heardSeconds = double(std::max(0, last - first)) / kRate;
    int run = 0;
    long silent = 0;
    for (int i = first; i <= last; ++i) {
        if (std::fabs(s[i * kChannels]) < 1e-4f) {
            ++run;
            continue;
        }
        if (run >= 32) {
            silent += run;
            ++play->gaps;
        }
        run = 0;
    }
    play->silenceMs = 1000.0 * double(silent) / kRate;
}

// Plays one side while a second client listens on the sink's monitor.
Play playOnce(const QString &program, const QStringList &args, bool ours, const QString &capturePath)
{
    Play play;
    QProcess ear;
    ear.setStandardOutputFile(capturePath);
    ear.start(QStringLiteral("parec"),
              {QStringLiteral("--device=") + QString::fromLatin1(kMonitor), QStringLiteral("--format=float32le"),
               QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=%1").arg(kChannels),
               QStringLiteral("--latency-msec=50"), QStringLiteral("--raw")});
    const auto captured = [&] { return QFileInfo(capturePath).size(); };
    // The monitor gives silence while nothing plays: it listens once its file grows.
    if (!ear.waitForStarted(10000) || !QTest::qWaitFor([&] { return captured() > 0; }, 10000)) {
        std::fprintf(stderr, "parec does not listen on %s\n", kMonitor);
        return play;
    }
    QProcess player;
    player.setProcessChannelMode(QProcess::SeparateChannels);
    player.start(program, args);
    const bool done = player.waitForStarted(10000) && player.waitForFinished(120000) && player.exitCode() == 0;
    // The end of the sound reaches the monitor a moment after the player drained.
    const qint64 end = captured();
    if (!QTest::qWaitFor([&] { return captured() >= end + qint64(kRate * kChannels * sizeof(float)) / 2; },
                         10000))
        std::fprintf(stderr, "parec stopped hearing the monitor\n");
    ear.terminate();
    ear.waitForFinished(5000);
    const QString log = QString::fromLocal8Bit(player.readAllStandardError());
    if (!done) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), qPrintable(log.right(2000)));
        return play;
    }
    if (ours) {
        // Each line gives the stream's count so far; a play has one stream.
        static const QRegularExpression line(QStringLiteral("playback underflow:.*:\\s*(\\d+)"));
        auto it = line.globalMatch(log);
        while (it.hasNext())
            play.underflows = std::max(play.underflows, it.next().captured(1).toInt());
    } else {
        play.underflows = log.count(QStringLiteral("Stream underrun"));
    }
    QFile file(capturePath);
    if (!file.open(QIODevice::ReadOnly))
        return play;
    judgeSilence(file.readAll(), &play);
    play.ok = true;
    return play;
}

struct Side
{
    const char *name;
    std::vector<Play> plays;
    int withSilence() const
    {
        return int(std::count_if(plays.begin(), plays.end(), [](const Play &p) { return p.gaps > 0; }));
    }
    int withUnderflows() const
    {
        return int(std::count_if(plays.begin(), plays.end(), [](const Play &p) { return p.underflows > 0; }));
    }
    int underflows() const
    {
        int n = 0;
        for (const Play &p : plays)
            n += p.underflows;
        return n;
    }
    double silenceMs() const
    {
        double ms = 0;
        for (const Play &p : plays)
            ms += p.silenceMs;
        return ms;
    }
    double mostSilenceMs() const
    {
        double ms = 0;
        for (const Play &p : plays)
            ms = std::max(ms, p.silenceMs);
        return ms;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--play"))
        return playChild(args.at(2));
    const int plays = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 20;
    const int seconds = args.size() > 2 ? std::max(2, args.at(2).toInt()) : 13;

    // A recording as the program makes them: MP3, 192 kb/s, 44.1 kHz stereo;
    // a steady tone, so that any silence within it was put in.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("recording.mp3"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=f=440:d=%1:r=%2").arg(seconds).arg(kRate), QStringLiteral("-af"),
                  QStringLiteral("volume=0.6"), QStringLiteral("-ac"), QStringLiteral("2"),
                  QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                  QStringLiteral("192k"), file});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the recording\n");
        return 1;
    }

    const QString latency = QString::number(PulseOutputStream::kTargetLatencyMs);
    Side ours{"ours (library engine)", {}}, peer{"paplay", {}};
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    QElapsedTimer wall;
    wall.start();
    {
        BusyLoops load(cores);
        std::printf("library playback under load: %zu busy loops, %d plays of a %d s MP3 each side, "
                    "latency target %s ms, %s\n",
                    load.count(), plays, seconds, qPrintable(latency),
                    TestSupport::soundServerIsPipeWire() ? "PipeWire" : "PulseAudio");
        std::printf("%-5s %-22s %10s %12s %6s %10s\n", "play", "side", "underflows", "silence ms", "gaps",
                    "heard s");
        for (int i = 0; i < plays; ++i) {
            // Taken in turns, each side first every other round.
            for (int turn = 0; turn < 2; ++turn) {
                const bool isOurs = (turn == 0) == (i % 2 == 0);
                const Play play = isOurs
                                      ? playOnce(app.applicationFilePath(), {QStringLiteral("--play"), file},
                                                 true, dir.filePath(QStringLiteral("ours%1.raw").arg(i)))
                                      : playOnce(QStringLiteral("paplay"),
                                                 {QStringLiteral("-v"),
                                                  QStringLiteral("--latency-msec=") + latency, file},
                                                 false, dir.filePath(QStringLiteral("peer%1.raw").arg(i)));
                if (!play.ok)
                    return 1;
                Side &side = isOurs ? ours : peer;
                side.plays.push_back(play);
                std::printf("%-5d %-22s %10d %12.1f %6d %10.2f\n", i + 1, side.name, play.underflows,
                            play.silenceMs, play.gaps, play.heardSeconds);
                std::fflush(stdout);
                QFile::remove(dir.filePath(QStringLiteral("%1%2.raw").arg(isOurs ? "ours" : "peer").arg(i)));
            }
        }
    }
    std::printf("\n%.0f s in all\n", wall.nsecsElapsed() / 1e9);
    std::printf("%-22s %18s %18s %12s %14s %16s\n", "side", "plays w/ silence", "plays w/ underflow",
                "underflows", "silence ms", "most in a play");
    for (const Side *side : {&ours, &peer})
        std::printf("%-22s %12d of %-3zu %12d of %-3zu %12d %14.1f %16.1f\n", side->name, side->withSilence(),
                    side->plays.size(), side->withUnderflows(), side->plays.size(), side->underflows(),
                    side->silenceMs(), side->mostSilenceMs());
    std::printf("ratio ours / paplay: plays with silence %s, underflows %s, silence %s\n",
                qPrintable(countRatio(ours.withSilence(), peer.withSilence())),
                qPrintable(countRatio(ours.underflows(), peer.underflows())),
                qPrintable(countRatio(ours.silenceMs(), peer.silenceMs())));
    std::printf("goal, no play of ours with silence put in: %s\n", ours.withSilence() == 0 ? "met" : "MISSED");
    return 0;
}
