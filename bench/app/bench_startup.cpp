// Start of the whole program, from exec to the recordings table painted
// with its rows, against a minimal Qt program that shows the same rows of
// the same History.xml in a QTableView (bench_startup_peer, built beside
// this one). Both run as processes of their own, in turn (program, peer,
// program, ...) after one warm-up run each, in a private home holding the
// history and the files it names; both print a marker at their first paint
// with rows when VELMORA_STARTUP_MARK is set, and the time runs from the
// start of the process to that line. The peak memory is the process's
// VmHWM each prints with its marker. Prints min/median of each and of the ratios,
// for 10,000 and 100,000 records. Needs a display and a sound server, e.g.:
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

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QByteArray kMarker = "velmora-startup: table painted";

struct Run
{
    double ms = -1;
    double peakMb = -1;
};

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

Run runOnce(const QString &program, const QStringList &args, const QProcessEnvironment &env)
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
    } else {
        std::fprintf(stderr, "%s never painted its table\n", qPrintable(program));
    }
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(5000);
    }
    return run;
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
    if (runOnce(program, {}, env).ms < 0 || runOnce(peer, {historyPath}, env).ms < 0)
        return false;

    std::vector<double> ourMs, peerMs, ourMb, peerMb, timeRatio, memRatio;
    for (int i = 0; i < runs; ++i) {
        const Run a = runOnce(program, {}, env);
        const Run b = runOnce(peer, {historyPath}, env);
        if (a.ms < 0 || b.ms < 0)
            return false;
        ourMs.push_back(a.ms);
        peerMs.push_back(b.ms);
        ourMb.push_back(a.peakMb);
        peerMb.push_back(b.peakMb);
        timeRatio.push_back(a.ms / b.ms);
        memRatio.push_back(a.peakMb / b.peakMb);
    }
    std::printf("%d records, %d runs each, min / median\n", count, runs);
    std::printf("  exec -> table painted  program %7.1f / %7.1f ms   peer %7.1f / %7.1f ms   ratio %.2f / %.2f\n",
                minimum(ourMs), median(ourMs), minimum(peerMs), median(peerMs), minimum(timeRatio),
                median(timeRatio));
    std::printf("  peak RSS               program %7.1f / %7.1f MB   peer %7.1f / %7.1f MB   ratio %.2f / %.2f\n",
                minimum(ourMb), median(ourMb), minimum(peerMb), median(peerMb), minimum(memRatio),
                median(memRatio));
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
