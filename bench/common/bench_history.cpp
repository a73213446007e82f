// Loads History.xml files of 10,000 and 100,000 fully filled records and
// prints the time and the peak memory of each step, and the peak of the
// whole run. Each size runs in a child process of its own so that the
// peaks do not mix. The files are written a record at a time, so that the
// benchmark itself holds no second copy of a large history.
//
// Then the store against a plain Qt reader and writer of the same file
// (bench_history_peer, built beside this), each as a whole process in turns:
// a load reads every record, a save reads the file, adds a record and has
// it on disk. Prints both sides' times and peaks and the ratios store / peer.
//   bench_common_history [--rounds N]   both sizes, both parts (5 rounds)
//   bench_common_history --records N    the steps of one size, in this process
//   bench_common_history --load         the store's load, of the history in XDG_DATA_HOME
//   bench_common_history --save N       the store's save of record N, likewise
// The store refuses a History.xml above StateFile::kMaxHistoryBytes (about
// 200,000 of these records), so that is the largest size worth asking for.
#include "historyfile.h"

#include "bench/processrun.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

using BenchHistory::record;

// Resident-set figures of this process from /proc, in KiB.
long statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Step
{
    double ms;
    long peakKib;   // highest resident size during the step
    long extraKib;  // above the resident size before the step
};

template <typename F>
Step measure(F &&work)
{
    resetPeak();
    const long before = statusKib("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    work();
    const double ms = timer.nsecsElapsed() / 1e6;
    const long peak = statusKib("VmHWM:");
    return {ms, peak, peak - before};
}

int runOne(int count)
{
    const QString file = QVideoSettingXml::historyFilePath();
    auto writeHistory = [&](bool isNew) {
        QVideoSettingXml::waitForHistory();
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || !BenchHistory::writeHistory(out, count, isNew))
            std::exit(1);
    };

    writeHistory(false);
    const qint64 size = QFileInfo(file).size();
    int loaded = 0;
    // Memory from the first load (a fresh heap), time as the best of three.
    Step load = measure([&] { loaded = QVideoSettingXml::analysisConvertedInfo().size(); });
    for (int run = 0; run < 2; ++run) {
        const Step s = measure([&] { loaded = QVideoSettingXml::analysisConvertedInfo().size(); });
        load.ms = std::min(load.ms, s.ms);
    }
    if (loaded != count) {
        std::fprintf(stderr, "loaded %d of %d records\n", loaded, count);
        return 1;
    }

    writeHistory(true);
    const Step loadNew = measure([&] { loaded = QVideoSettingXml::analysisConvertedInfo().size(); });
    const QString last = record(count - 1, false).convertedPath;
    const Step lookup = measure([&] { QVideoSettingXml::GetConvertedInfo(last); });
    // A save is timed until the file is written; the caller's own part is
    // the hand-off to the history writer.
    const auto saveWritten = [](const convertedInfo &info) {
        QVideoSettingXml::SaveConvertedInfo(info);
        QVideoSettingXml::waitForHistory();
    };
    const Step save = measure([&] { saveWritten(record(count, true)); });
    writeHistory(false);  // a file this process has not parsed yet
    const Step firstSave = measure([&] { saveWritten(record(count, true)); });
    const Step nextSave = measure([&] { saveWritten(record(count + 1, true)); });
    const Step handOff = measure([&] { QVideoSettingXml::SaveConvertedInfo(record(count + 2, true)); });
    QVideoSettingXml::waitForHistory();

    auto line = [](const char *what, const Step &s) {
        std::printf("  %-36s %8.1f ms   peak RSS %7.1f MB (+%6.1f MB)\n", what, s.ms, s.peakKib / 1024.0,
                    s.extraKib / 1024.0);
    };
    std::printf("%d records, History.xml %.1f MB\n", count, size / 1048576.0);
    line("load (analysisConvertedInfo)", load);
    line("load clearing every new-file mark", loadNew);
    line("look up the last record", lookup);
    line("save a record after the marks", save);
    line("save a record, file not parsed yet", firstSave);
    line("save the next record", nextSave);
    line("the caller's part of a save", handOff);
    const long peak = std::max({load.peakKib, loadNew.peakKib, lookup.peakKib, save.peakKib, firstSave.peakKib,
                                nextSave.peakKib});
    std::printf("  peak RSS of the run: %.1f MB (%.0f bytes per record)\n", peak / 1024.0,
                peak * 1024.0 / count);
    return 0;
}

// The store's side of the whole-process comparison.
int storeWork(const QStringList &args)
{
    if (args[0] == QLatin1String("--load"))
        return QVideoSettingXml::analysisConvertedInfo().isEmpty() ? 1 : 0;
    QVideoSettingXml::SaveConvertedInfo(record(args[1].toInt(), true));
    return QVideoSettingXml::waitForHistory() ? 0 : 1;
}

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

std::string text(const QString &s)
{
    return s.toStdString();
}

// Load and save of count records, the store against the peer, each a fresh
// process; a save starts from the same file on both sides.
bool compareWithPeer(int count, int rounds)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString file = QVideoSettingXml::historyFilePath();
    const QString pristine = data.filePath(QStringLiteral("pristine.xml"));
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QFile out(pristine);
        if (!out.open(QIODevice::WriteOnly) || !BenchHistory::writeHistory(out, count, false))
            return false;
    }
    const std::string self = text(QCoreApplication::applicationFilePath());
    const std::string peer = text(QCoreApplication::applicationDirPath()
                                  + QStringLiteral("/bench_history_peer"));
    const QByteArray added = record(count, true).convertedPath.toUtf8();
    std::vector<BenchProcess::Run> ourLoad, peerLoad, ourSave, peerSave;
    for (int round = -1; round < rounds; ++round) { // round -1 warms the caches
        BenchProcess::Run a, b, c, d;
        if (!copyFile(pristine, file) || !BenchProcess::run({self, "--load"}, &a)
            || !BenchProcess::run({peer, "load", text(file)}, &b))
            return false;
        const auto saved = [&](const std::vector<std::string> &args, BenchProcess::Run *run) {
            if (!copyFile(pristine, file) || !BenchProcess::run(args, run))
                return false;
            QFile written(file);
            return written.open(QIODevice::ReadOnly) && written.readAll().contains(added);
        };
        if (!saved({self, "--save", std::to_string(count)}, &c)
            || !saved({peer, "save", text(file), std::to_string(count)}, &d)) {
            std::fprintf(stderr, "a save did not write the record\n");
            return false;
        }
        if (round >= 0) {
            ourLoad.push_back(a);
            peerLoad.push_back(b);
            ourSave.push_back(c);
            peerSave.push_back(d);
        }
    }
    std::printf("%d records, whole processes, %d rounds, min / median\n", count, rounds);
    BenchProcess::printRuns("load: store", ourLoad);
    BenchProcess::printRuns("load: plain Qt reader", peerLoad);
    BenchProcess::printRuns("save: store", ourSave);
    BenchProcess::printRuns("save: plain Qt reader and writer", peerSave);
    BenchProcess::printRatios("load store / peer", ourLoad, peerLoad);
    BenchProcess::printRatios("save store / peer", ourSave, peerSave);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if ((args.size() == 1 && args[0] == QLatin1String("--load"))
        || (args.size() == 2 && args[0] == QLatin1String("--save"))) {
        QCoreApplication app(argc, argv);
        return storeWork(args);
    }
    if (args.size() == 2 && args[0] == QLatin1String("--records")) {
        QTemporaryDir data;  // never touch the user's real history
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QCoreApplication app(argc, argv);
        return runOne(args[1].toInt());
    }

    QCoreApplication app(argc, argv);
    const int rounds = args.size() == 2 && args[0] == QLatin1String("--rounds") ? std::max(1, args[1].toInt())
                                                                                : 5;
    int status = 0;
    for (int count : {10000, 100000}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--records"), QString::number(count)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            status = 1;
    }
    for (int count : {10000, 100000}) {
        if (!compareWithPeer(count, rounds))
            status = 1;
    }
    return status;
}
