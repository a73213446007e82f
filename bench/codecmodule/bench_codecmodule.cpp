// How long the codec call that loads the codec module takes: the longest a
// GUI call waits when it comes while the background load is still running.
// The peer is a plain program that loads the same FFmpeg and TagLib
// libraries with dlopen and does nothing else, the floor of that load. Each
// load runs in a fresh process of its own, ours and the peer's in turn, after
// one warm-up each; printed: min / median of the time, of the memory the load
// adds (VmRSS after - before), and of the ratios.
//   bench_codec_module [--runs N]
// In a build that links the codec layer in, there is nothing to measure.
#include "rzcodec/module.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

int child(const QString &kind)
{
    const double before = rssMb();
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    if (kind == QLatin1String("ours")) {
        ok = rz_module_load() == RZ_OK;
        if (!ok)
            std::fprintf(stderr, "%s\n", rz_module_error());
    } else {
        for (const QByteArray &name : QByteArray(VELMORA_CODEC_LIBS).split(',')) {
            if (!::dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL)) {
                std::fprintf(stderr, "%s\n", ::dlerror());
                ok = false;
            }
        }
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%.3f %.1f\n", ms, rssMb() - before);
    return ok ? 0 : 1;
}

struct Run
{
    double ms = -1;
    double mb = -1;
};

Run runChild(const QString &kind)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), kind});
    Run run;
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return run;
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    run.ms = fields.value(0).toDouble();
    run.mb = fields.value(1).toDouble();
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double minimum(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--child"))
        return child(args[2]);
    if (rz_module_path()[0] == '\0') {
        std::printf("the codec layer is linked in: nothing is loaded on first use\n");
        return 0;
    }
    int runs = 11;
    if (args.size() == 3 && args[1] == QLatin1String("--runs"))
        runs = std::max(1, args[2].toInt());

    runChild(QStringLiteral("ours"));
    runChild(QStringLiteral("peer"));
    std::vector<double> ours, peer, ratio, oursMb, peerMb;
    for (int i = 0; i < runs; ++i) {
        const Run a = runChild(QStringLiteral("ours"));
        const Run b = runChild(QStringLiteral("peer"));
        if (a.ms < 0 || b.ms <= 0) {
            std::fprintf(stderr, "a load failed\n");
            return 1;
        }
        ours.push_back(a.ms);
        peer.push_back(b.ms);
        ratio.push_back(a.ms / b.ms);
        oursMb.push_back(a.mb);
        peerMb.push_back(b.mb);
    }
    std::printf("codec module load, %d runs each, min / median\n", runs);
    std::printf("  first call (load and bind)  %7.1f / %7.1f ms   dlopen of the libraries %7.1f / %7.1f ms   ratio %.2f / %.2f\n",
                minimum(ours), median(ours), minimum(peer), median(peer), minimum(ratio), median(ratio));
    std::printf("  memory the load adds        %7.1f / %7.1f MB   peer %7.1f / %7.1f MB\n", minimum(oursMb),
                median(oursMb), minimum(peerMb), median(peerMb));
    return 0;
}
