// Damaged variants of valid media files of every format the program records
// (bit flips, truncations, planted sizes), each read by media information, the
// tag-file object and a player's open in a child process of its own. A crash,
// a sanitizer report, a hang past 10 s or (in the plain build) more than
// 512 MiB counts as a fault; the input and what the child wrote are kept.
// The program's own state files, presets and catalogue follow (statefuzz.h).
// Usage: bench_fuzzinput [variants per seed and kind = 60] [parallel children = 4]
//                        [folder for faults = ./fuzz-faults] [random seed]
//                        [inputs: all (default), media or state]
// Zip archives instead: bench_fuzzinput zip [the same arguments] (fuzzzip.h).

#include "rzcodec/tagfile.h"

#include "fuzzzip.h"
#include "hostilefiles.h"
#include "mediafiles.h"
#include "statefuzz.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr qint64 kHangMs = 10000;
// A child that read its input to the end exits with this plus one bit per
// reader that opened it; any other end is a fault.
constexpr int kReadExit = 16;
enum Opened { InfoOpened = 1, TagsOpened = 2, PlayerOpened = 4 };
constexpr long kMemoryLimitKiB = 512 * 1024;
// Under AddressSanitizer resident size counts its shadow memory and the freed
// memory it holds back, not what the readers keep: the memory bound is
// checked in the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasured = false;
#else
constexpr bool kMemoryIsMeasured = true;
#endif

enum Kind { BitFlips, Truncation, PlantedSize, KindCount };
const char *const kKindNames[KindCount] = {"bit flips", "truncation", "planted sizes"};

struct Seed {
    QString name;
    QByteArray bytes;
};

// Every format the program records, taggable ones with a title and a cover.
QList<Seed> makeSeeds(const QString &dir)
{
    QList<MediaFiles::Format> formats = MediaFiles::taggableFormats();
    formats += {{"ac3", "ac3", {"-c:a", "ac3", "-b:a", "192k"}, 44100},
                {"adts", "aac", {"-c:a", "aac", "-b:a", "128k"}, 44100},
                {"mka", "mka", {"-c:a", "flac"}, 44100},
                {"caf", "caf", {"-c:a", "alac"}, 44100}};
    const QByteArray cover = MediaFiles::pngPicture(32, 32);
    const std::u32string title = U"Fuzz seed";
    QList<Seed> seeds;
    for (const MediaFiles::Format &format : formats) {
        const QString path = MediaFiles::makeTone(dir, "seed", format, 0.5);
        if (path.isEmpty()) {
            std::fprintf(stderr, "no seed for %s\n", qPrintable(format.name));
            continue;
        }
        void *tags = rz_tagfile_create();
        std::vector<uint32_t> path32;
        for (uint c : path.toUcs4())
            path32.push_back(c);
        path32.push_back(0);
        if (rz_tagfile_open(tags, path32.data()) == 0) {
            rz_tagfile_begin_edit(tags);
            rz_tagfile_set_item(tags, RZTagItem{-1, RZ_TAG_TITLE, RZ_TAG_TYPE_TEXT,
                                                int32_t(title.size() * 4), title.data()});
            rz_tagfile_set_item(tags, RZTagItem{-1, RZ_TAG_COVER, RZ_TAG_TYPE_BYTES,
                                                int32_t(cover.size()), cover.constData()});
            rz_tagfile_save(tags);
            rz_tagfile_close(tags);
        }
        rz_tagfile_release(tags);
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            seeds.append({format.name, f.readAll()});
        QFile::remove(path);
    }
    return seeds;
}

// Headers and tags sit at the start (and, for some formats, the end): most
// damage goes there.
int pickOffset(std::mt19937 &random, int size)
{
    std::uniform_int_distribution<int> where(0, 3);
    const int head = std::min<int>(size, 4096);
    const int limit = where(random) == 0 ? size : head;
    return std::uniform_int_distribution<int>(0, std::max<int>(0, limit - 1))(random);
}

QByteArray mutate(const QByteArray &seed, Kind kind, std::mt19937 &random)
{
    QByteArray b = seed;
    switch (kind) {
    case BitFlips: {
        const int flips = std::uniform_int_distribution<int>(1, 16)(random);
        char *data = b.data();
        for (int i = 0; i < flips; ++i)
            data[pickOffset(random, b.size())] ^= char(1 << std::uniform_int_distribution<int>(0, 7)(random));
        break;
    }
    case Truncation:
        b.truncate(std::uniform_int_distribution<int>(0, b.size() - 1)(random));
        break;
    case PlantedSize: {
        static const quint32 sizes[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x7FFF0000u,
                                        0x40000000u, 0x00FFFFFFu, 0x00010000u, 0u};
        const quint32 value = sizes[std::uniform_int_distribution<int>(0, 7)(random)];
        const int at = std::min(pickOffset(random, b.size()), std::max<int>(0, b.size() - 4));
        const bool bigEndian = std::uniform_int_distribution<int>(0, 1)(random) == 1;
        for (int i = 0; i < 4 && at + i < b.size(); ++i)
            b[at + i] = char(bigEndian ? value >> (24 - 8 * i) : value >> (8 * i));
        break;
    }
    case KindCount:
        break;
    }
    return b;
}

struct Child {
    pid_t pid = -1;
    QString input;
    QString log;
    QString label;
    QElapsedTimer started;
};

struct Totals {
    int run = 0;
    int faults[KindCount] = {};
    int runs[KindCount] = {};
    int opened[3] = {}; // media information, tags, player
    qint64 slowestMs = 0;
    long peakKiB = 0;
};

// In the child: only the readers, then out without running Qt's teardown.
[[noreturn]] void readInChild(const QString &input, const QString &log)
{
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        ::dup2(fd, 1);
        ::dup2(fd, 2);
    }
    const HostileFiles::Reading r = HostileFiles::readWithEveryReader(input);
    ::_exit(kReadExit | (r.infoOpened ? InfoOpened : 0) | (r.tagOpen == 0 ? TagsOpened : 0)
            | (r.playerOpened ? PlayerOpened : 0));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "zip") == 0)
        return FuzzZip::run(argc - 1, argv + 1);
    const int variants = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int jobs = argc > 2 ? std::max(1, atoi(argv[2])) : 4;
    const QString faultDir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("fuzz-faults");
    const unsigned seedValue = argc > 4 ? unsigned(strtoul(argv[4], nullptr, 10)) : 31u;
    const QString inputs = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QStringLiteral("all");
    if (inputs == QLatin1String("state"))
        return StateFuzz::run(variants, jobs, faultDir, seedValue) == 0 ? 0 : 2;

    QTemporaryDir dir;
    const QList<Seed> seeds = makeSeeds(dir.path());
    if (seeds.isEmpty())
        return 1;
    QDir().mkpath(faultDir);
    std::mt19937 random(seedValue);
    std::printf("%d seeds, %d variants per seed and kind, %d at once, random seed %u\n",
                int(seeds.size()), variants, jobs, seedValue);

    Totals totals;
    std::vector<Child> running;
    auto reap = [&](bool wait) {
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            struct rusage usage = {};
            pid_t done = ::wait4(it->pid, &status, wait ? 0 : WNOHANG, &usage);
            const qint64 ms = it->started.elapsed();
            if (done == 0 && ms > kHangMs) {
                ::kill(it->pid, SIGKILL);
                done = ::wait4(it->pid, &status, 0, &usage);
                status = -1;
            }
            if (done == 0) {
                ++it;
                continue;
            }
            const Kind kind = Kind(it->label.section('|', 1, 1).toInt());
            const int code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            const bool fault = (code & ~7) != kReadExit
                || (kMemoryIsMeasured && usage.ru_maxrss > kMemoryLimitKiB);
            for (int r = 0; r < 3 && !fault; ++r)
                totals.opened[r] += (code >> r) & 1;
            totals.slowestMs = std::max(totals.slowestMs, ms);
            totals.peakKiB = std::max(totals.peakKiB, usage.ru_maxrss);
            if (fault) {
                ++totals.faults[kind];
                const QString name = QString("%1/%2").arg(faultDir, it->label.section('|', 0, 0));
                QFile::remove(name);
                QFile::copy(it->input, name);
                QFile::remove(name + ".log");
                QFile::copy(it->log, name + ".log");
                std::printf("FAULT %s: %s, %lld ms, %ld KiB\n", qPrintable(name),
                            status == -1 ? "hang" : WIFSIGNALED(status) ? strsignal(WTERMSIG(status))
                                                                         : "exit code",
                            ms, usage.ru_maxrss);
            }
            QFile::remove(it->input);
            it = running.erase(it);
        }
    };

    QElapsedTimer clock;
    clock.start();
    int slot = 0;
    for (const Seed &seed : seeds) {
        for (int k = 0; k < KindCount; ++k) {
            for (int v = 0; v < variants; ++v) {
                while (int(running.size()) >= jobs) {
                    reap(false);
                    if (int(running.size()) >= jobs)
                        ::usleep(2000);
                }
                const QByteArray bytes = mutate(seed.bytes, Kind(k), random);
                Child child;
                const QString ext = seed.name == "adts" ? "aac" : seed.name;
                child.input = dir.filePath(QString("input-%1.%2").arg(slot).arg(ext));
                child.log = dir.filePath(QString("input-%1.log").arg(slot));
                child.label = QString("%1-%2-%3.%4|%5").arg(seed.name).arg(k).arg(v).arg(ext).arg(k);
                ++slot;
                QFile out(child.input);
                if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
                    return 1;
                out.close();
                std::fflush(nullptr);
                child.started.start();
                child.pid = ::fork();
                if (child.pid == 0)
                    readInChild(child.input, child.log);
                if (child.pid < 0)
                    return 1;
                running.push_back(child);
                ++totals.run;
                ++totals.runs[k];
            }
        }
    }
    while (!running.empty()) {
        reap(false);
        if (!running.empty())
            ::usleep(2000);
    }

    int faults = 0;
    for (int k = 0; k < KindCount; ++k) {
        std::printf("%-14s %6d run, %d faults\n", kKindNames[k], totals.runs[k], totals.faults[k]);
        faults += totals.faults[k];
    }
    std::printf("total          %6d run, %d faults in %.1f s; slowest %lld ms, largest peak %ld MiB\n",
                totals.run, faults, clock.elapsed() / 1000.0, totals.slowestMs, totals.peakKiB / 1024);
    std::printf("still opened:  media information %d, tags %d, player %d\n", totals.opened[0],
                totals.opened[1], totals.opened[2]);
    if (inputs == QLatin1String("media"))
        return faults == 0 ? 0 : 2;
    const int stateFaults = StateFuzz::run(variants, jobs, faultDir, seedValue);
    return faults == 0 && stateFaults == 0 ? 0 : 2;
}
