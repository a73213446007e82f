// Start of the whole program, from exec to the recordings table painted
// with its rows, against a minimal Qt program that shows the same rows of
// the same History.xml in a QTableView (bench_startup_peer, built beside
// this one). Both run as processes of their own, in turn (program, peer,
// program, ...) after one warm-up run each, in a private home holding the
// history and the files it names; both print a marker at their first paint
// with rows when VELMORA_STARTUP_MARK is set, and the time runs from the
// start of the process to that line (the program quits there).
//
// The peak memory (VmHWM) is read at the same point of both: once the process
// has settled, its processor time standing still for a second, after the
// program has loaded its codec module (it does so just after that paint; a
// run of its own, without the marker, lets it go on) and after the peer's
// paint. The peak each prints with its marker is shown as well.
// Prints min/median of each and of the ratios, for 10,000 and 100,000
// records. Needs a display and a sound server, e.g.:
//   tests/support/run-test.sh --sound --xvfb -- build/bin/bench_app_startup
//   bench_app_startup [--runs N] [--records N]... [--program PATH]
// (--program: another build of the program, e.g. an older one.)
#include "historyfile.h"
#include "peakmemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QByteArray kMarker = "velmora-startup: table painted";

struct Run
{
    double ms = -1;
    double peakMb = -1;    // printed with the marker
    double settledMb = -1; // read once settled
};

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

// The peak memory of a running process once it has settled: (after it has
// mapped FFmpeg, when asked) its processor time grows by at most 2 % of a
// core over a second. -1 when it ends first or does not settle within a minute.
double settledPeakMb(qint64 pid, bool afterCodecs)
{
    constexpr int kStepMs = 100;
    constexpr int kSteps = 10;
    const long long idleTicks = std::max(1L, 2 * sysconf(_SC_CLK_TCK) / 100);
    QElapsedTimer clock;
    clock.start();
    std::vector<long long> ticks;
    while (clock.elapsed() < 60000) {
        const long long now = cpuTicks(pid);
        if (now < 0)
            return -1;
        if (!afterCodecs || maps(pid, "libavcodec")) {
            ticks.push_back(now);
            if (ticks.size() > size_t(kSteps) && now - ticks[ticks.size() - 1 - kSteps] <= idleTicks)
                return peakMemoryKib(QStringLiteral("/proc/%1/status").arg(pid)) / 1024.0;
        }
        QThread::msleep(kStepMs);
    }
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

// The peak the process printed with its marker: read afterwards, it could
// miss a process that has already quit, or count work done after the paint.
double markedPeakMb(const QByteArray &out, qint64 pid)
{
    const int at = out.indexOf(kMarker);
    const int end = out.indexOf('\n', at);
    const QByteArray line = out.mid(at, end < 0 ? -1 : end - at);
    const int peak = line.indexOf("peak ");
    if (peak >= 0) {
        bool ok = false;
        const long kib = line.mid(peak + 5).split(' ').value(0).toLong(&ok);
        if (ok)
            return kib / 1024.0;
    }
    return peakMemoryKib(QStringLiteral("/proc/%1/status").arg(pid)) / 1024.0;
}

// Times a process to its marker; then, for one that runs on, reads its
// settled peak and ends it.
Run runOnce(const QString &program, const QStringList &args, const QProcessEnvironment &env, bool runsOn)
{
    Run run;
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    if (!child.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return run;
    }
    QByteArray out;
    while (!out.contains(kMarker) && child.state() == QProcess::Running) {
        if (child.waitForReadyRead(60000))
            out += child.readAllStandardOutput();
        else if (clock.elapsed() > 120000)
            break;
    }
    out += child.readAllStandardOutput();
    if (out.contains(kMarker)) {
        run.ms = clock.nsecsElapsed() / 1e6;
        run.peakMb = markedPeakMb(out, child.processId());
        if (runsOn)
            run.settledMb = settledPeakMb(child.processId(), false);
    } else {
        std::fprintf(stderr, "%s never painted its table\n", qPrintable(program));
    }
    if (runsOn)
        end(child);
    else if (!child.waitForFinished(60000))
        end(child);
    return run;
}

// The program without the marker, which goes on to load its codec module:
// its settled peak, or -1.
double programSettledMb(const QString &program, QProcessEnvironment env)
{
    env.remove(QStringLiteral("VELMORA_STARTUP_MARK"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, QStringList());
    if (!child.waitForStarted(10000))
        return -1;
    const double mb = settledPeakMb(child.processId(), true);
    end(child);
    return mb;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double minimum(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

bool benchSize(int count, int runs, const QString &program)
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

    const QString bin = QCoreApplication::applicationDirPath();
    const QString peer = bin + QStringLiteral("/bench_startup_peer");
    // The first runs make the program's settings files and warm the caches.
    if (runOnce(program, {}, env, false).ms < 0 || runOnce(peer, {historyPath}, env, true).ms < 0)
        return false;

    std::vector<double> ourMs, peerMs, ourMb, peerMb, ourSettled, peerSettled, timeRatio, memRatio,
        settledRatio;
    for (int i = 0; i < runs; ++i) {
        Run a = runOnce(program, {}, env, false);
        a.settledMb = programSettledMb(program, env);
        const Run b = runOnce(peer, {historyPath}, env, true);
        if (a.ms < 0 || b.ms < 0 || a.settledMb < 0 || b.settledMb < 0) {
            std::fprintf(stderr, "a run did not paint or did not settle\n");
            return false;
        }
        ourMs.push_back(a.ms);
        peerMs.push_back(b.ms);
        ourMb.push_back(a.peakMb);
        peerMb.push_back(b.peakMb);
        ourSettled.push_back(a.settledMb);
        peerSettled.push_back(b.settledMb);
        timeRatio.push_back(a.ms / b.ms);
        memRatio.push_back(a.peakMb / b.peakMb);
        settledRatio.push_back(a.settledMb / b.settledMb);
    }
    const auto line = [](const char *what, const char *unit, const std::vector<double> &ours,
                         const std::vector<double> &peers, const std::vector<double> &ratios) {
        std::printf("  %-30s program %7.1f / %7.1f %s   peer %7.1f / %7.1f %s   ratio %.2f / %.2f\n", what,
                    minimum(ours), median(ours), unit, minimum(peers), median(peers), unit, minimum(ratios),
                    median(ratios));
    };
    std::printf("%d records, %d runs each, whole processes, min / median\n", count, runs);
    line("exec -> table painted", "ms", ourMs, peerMs, timeRatio);
    line("peak RSS, settled (codecs in)", "MB", ourSettled, peerSettled, settledRatio);
    line("peak RSS at the paint", "MB", ourMb, peerMb, memRatio);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-audio-recorder");
    std::vector<int> sizes;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--records"))
            sizes.push_back(args[i + 1].toInt());
        else if (args[i] == QLatin1String("--program"))
            program = args[i + 1];
    }
    if (sizes.empty())
        sizes = {10000, 100000};
    int status = 0;
    for (int count : sizes)
        if (!benchSize(count, runs, program))
            status = 1;
    return status;
}
