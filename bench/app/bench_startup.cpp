// Start of the whole program against a minimal Qt program that shows the
// same rows of the same History.xml in a QTableView (bench_startup_peer,
// built beside this one), one method for every size: both run as processes
// of their own, in turn (program, peer, program, ...) after one warm-up run
// each, in a private home holding the history and the files it names, and
// each is timed from before its exec to the moment this benchmark reads the
// line it prints at its first paint holding all rows (VELMORA_STARTUP_MARK;
// the program quits there). The paint's frame reaches the display a moment
// later, the same for both.
//
// The program reads the history on a worker while it builds its window; the
// peer does one thing after another. The ratio of their times therefore
// depends on how many cores are idle: on an idle machine the program's
// threads overlap, on a busy one (or on one core) the time is the work.
// Each pair is timed on all the cores this benchmark may use, and again
// with both pinned to one core, which is what a busy machine gives.
//
// Memory: the resident memory (VmRSS) 10 s after exec, and the peak
// (VmHWM) once the process has settled, its processor time standing still
// for a second (the program's after its codec module has loaded; it loads
// it just after the paint), in runs of their own without the marker.
// Prints min / median / max of each and of the ratios taken pair by pair,
// for 10,000 and 100,000 records. Needs a display and a sound server, e.g.:
//   tests/support/run-test.sh --sound --xvfb -- build/bin/bench_app_startup
//   bench_app_startup [--runs N] [--memory-runs N] [--records N]... [--core C] [--program PATH]
// (--core: the core of the pinned runs, by default the last one allowed;
// --program: another build of the program, e.g. an older one.)
#include "historyfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QByteArray kMarker = "velmora-startup: table painted";

// Processor time of a process so far, in clock ticks; -1 when it is gone.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // After the name in parentheses: state, then utime and stime as fields 12 and 13.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

bool maps(qint64 pid, const QByteArray &library)
{
    QFile file(QStringLiteral("/proc/%1/maps").arg(pid));
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(library);
}

// A field of /proc/PID/status in KiB ("VmRSS:", "VmHWM:"), or -1.
long statusKib(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

void end(QProcess &child)
{
    child.terminate();
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished(5000);
    }
}

// The time from exec to the marker read here, in ms; -1 when the process
// never printed it. The program quits at its marker; the peer is ended.
double timeToPaint(const QString &program, const QStringList &args, const QProcessEnvironment &env,
                   bool quitsAtMarker)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    if (!child.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return -1;
    }
    QByteArray out;
    while (!out.contains(kMarker) && child.state() == QProcess::Running && clock.elapsed() < 120000) {
        if (child.waitForReadyRead(1000))
            out += child.readAllStandardOutput();
    }
    out += child.readAllStandardOutput();
    const double ms = out.contains(kMarker) ? clock.nsecsElapsed() / 1e6 : -1;
    if (ms < 0)
        std::fprintf(stderr, "%s never painted its rows\n", qPrintable(program));
    if (!child.waitForFinished(ms >= 0 && quitsAtMarker ? 30000 : 0))
        end(child);
    return ms;
}

struct Memory
{
    double rssAt10s = -1; // MB
    double settledPeak = -1;
};

// Runs a process without the marker: its resident memory 10 s after exec,
// then its peak once settled (after it has mapped FFmpeg, when asked): its
// processor time grows by at most 2 % of a core over a second. -1 for what
// could not be read (it ended, or did not settle within a minute).
Memory memoryOf(const QString &program, const QStringList &args, QProcessEnvironment env, bool afterCodecs)
{
    env.remove(QStringLiteral("VELMORA_STARTUP_MARK"));
    Memory memory;
    QProcess child;
    child.setProcessEnvironment(env);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    if (!child.waitForStarted(10000))
        return memory;
    const qint64 pid = child.processId();
    QThread::msleep(ulong(std::max<qint64>(0, 10000 - clock.elapsed())));
    memory.rssAt10s = statusKib(pid, "VmRSS:") / 1024.0;
    constexpr int kStepMs = 100;
    constexpr int kSteps = 10;
    const long long idleTicks = std::max(1L, 2 * sysconf(_SC_CLK_TCK) / 100);
    std::vector<long long> ticks;
    while (clock.elapsed() < 70000) {
        const long long now = cpuTicks(pid);
        if (now < 0)
            break;
        if (!afterCodecs || maps(pid, "libavcodec")) {
            ticks.push_back(now);
            if (ticks.size() > size_t(kSteps) && now - ticks[ticks.size() - 1 - kSteps] <= idleTicks) {
                memory.settledPeak = statusKib(pid, "VmHWM:") / 1024.0;
                break;
            }
        }
        QThread::msleep(kStepMs);
    }
    end(child);
    return memory;
}

struct Figures
{
    std::vector<double> ours;
    std::vector<double> peers;
    std::vector<double> ratios;

    void add(double ourValue, double peerValue)
    {
        ours.push_back(ourValue);
        peers.push_back(peerValue);
        ratios.push_back(ourValue / peerValue);
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void printLine(const char *what, const char *unit, const Figures &f)
{
    const auto [ourMin, ourMax] = std::minmax_element(f.ours.begin(), f.ours.end());
    const auto [peerMin, peerMax] = std::minmax_element(f.peers.begin(), f.peers.end());
    const auto [ratioMin, ratioMax] = std::minmax_element(f.ratios.begin(), f.ratios.end());
    std::printf("  %-44s program %6.0f / %6.0f / %6.0f %s   peer %6.0f / %6.0f / %6.0f %s   "
                "ratio %.2f / %.2f / %.2f\n",
                what, *ourMin, median(f.ours), *ourMax, unit, *peerMin, median(f.peers), *peerMax, unit,
                *ratioMin, median(f.ratios), *ratioMax);
}

// Pins this process, and so the processes it starts from now on, to the
// cores given (empty: back to all it had).
void pin(const cpu_set_t &cores)
{
    sched_setaffinity(0, sizeof cores, &cores);
}

struct Setup
{
    int runs = 7;
    int memoryRuns = 3;
    int core = -1;
    QString program;
};

bool benchSize(int count, const Setup &setup)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("recordings/"));
    const QString dataHome = home.filePath(QStringLiteral("data"));
    const QString dataFolder = dataHome + QStringLiteral("/Velmora Audio Recorder");
    QDir().mkpath(folder);
    QDir().mkpath(dataFolder);
    for (int i = 0; i < count; ++i)
        QFile(BenchHistory::record(i, false, folder).convertedPath).open(QIODevice::WriteOnly);
    const QString historyPath = dataFolder + QStringLiteral("/History.xml");
    QFile history(historyPath);
    if (!history.open(QIODevice::WriteOnly) || !BenchHistory::writeHistory(history, count, false, folder))
        return false;
    history.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("VELMORA_STARTUP_MARK"), QStringLiteral("1"));

    const QString peer = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_peer");
    const QStringList peerArgs{historyPath};
    // The first runs make the program's settings files and warm the caches.
    if (timeToPaint(setup.program, {}, env, true) < 0 || timeToPaint(peer, peerArgs, env, false) < 0)
        return false;

    cpu_set_t all;
    CPU_ZERO(&all);
    sched_getaffinity(0, sizeof all, &all);
    int core = setup.core;
    for (int c = 0; c < CPU_SETSIZE && core < 0; ++c)
        if (CPU_ISSET(CPU_SETSIZE - 1 - c, &all))
            core = CPU_SETSIZE - 1 - c;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);

    Figures wall;
    Figures pinned;
    for (int i = 0; i < setup.runs; ++i) {
        const double a = timeToPaint(setup.program, {}, env, true);
        const double b = timeToPaint(peer, peerArgs, env, false);
        pin(one);
        const double c = timeToPaint(setup.program, {}, env, true);
        const double d = timeToPaint(peer, peerArgs, env, false);
        pin(all);
        if (a < 0 || b < 0 || c < 0 || d < 0)
            return false;
        wall.add(a, b);
        pinned.add(c, d);
    }
    Figures rss;
    Figures peak;
    for (int i = 0; i < setup.memoryRuns; ++i) {
        const Memory a = memoryOf(setup.program, {}, env, true);
        const Memory b = memoryOf(peer, peerArgs, env, false);
        if (a.rssAt10s < 0 || b.rssAt10s < 0 || a.settledPeak < 0 || b.settledPeak < 0) {
            std::fprintf(stderr, "a memory run ended early or did not settle\n");
            return false;
        }
        rss.add(a.rssAt10s, b.rssAt10s);
        peak.add(a.settledPeak, b.settledPeak);
    }
    std::printf("%d records; whole processes, min / median / max (%d timed pairs, %d memory pairs)\n", count,
                setup.runs, setup.memoryRuns);
    printLine(qPrintable(QStringLiteral("exec -> first paint with rows, %1 cores").arg(CPU_COUNT(&all))),
              "ms", wall);
    printLine(qPrintable(QStringLiteral("exec -> first paint with rows, core %1 only").arg(core)), "ms",
              pinned);
    printLine("resident memory 10 s after exec", "MB", rss);
    printLine("peak memory, settled (codec module in)", "MB", peak);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Setup setup;
    setup.program = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-audio-recorder");
    std::vector<int> sizes;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--runs"))
            setup.runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--memory-runs"))
            setup.memoryRuns = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--records"))
            sizes.push_back(args[i + 1].toInt());
        else if (args[i] == QLatin1String("--core"))
            setup.core = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--program"))
            setup.program = args[i + 1];
    }
    if (sizes.empty())
        sizes = {10000, 100000};
    int status = 0;
    for (int count : sizes)
        if (!benchSize(count, setup))
            status = 1;
    return status;
}
