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

#include "childpool.h"
#include "fuzzzip.h"
#include "hostilefiles.h"
#include "mediafiles.h"
#include "statefuzz.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <unistd.h>


#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A child that read its input to the end exits with this plus one bit per
// reader that opened it; any other end is a fault.
constexpr int kReadExit = 16;
enum Opened { InfoOpened = 1, TagsOpened = 2, PlayerOpened = 4 };

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
    Kind kind = BitFlips;
    QString input;
    QString log;
    QString label;
};

struct Totals {
    int run = 0;
    int faults[KindCount] = {};
    int runs[KindCount] = {};
    int opened[3] = {}; // media information, tags, player
};

// In the child: only the readers, then out without running Qt's teardown.
[[noreturn]] void readInChild(const QString &input, const QString &log)
{
    FuzzChildren::logTo(log);
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
    QHash<int, Child> children;
    FuzzChildren::Pool pool(jobs, [&](const FuzzChildren::End &end) {
        const Child child = children.take(end.id);
        const QString why = end.fault((end.code & ~7) == kReadExit);
        if (why.isEmpty()) {
            for (int r = 0; r < 3; ++r)
                totals.opened[r] += (end.code >> r) & 1;
        } else {
            ++totals.faults[child.kind];
            const QString name = QString("%1/%2").arg(faultDir, child.label);
            FuzzChildren::keepFault(name, child.input, child.log);
            std::printf("FAULT %s: %s, %lld ms, %ld KiB\n", qPrintable(name), qPrintable(why), end.ms,
                        end.peakKiB);
        }
        QFile::remove(child.input);
    });

    QElapsedTimer clock;
    clock.start();
    int slot = 0;
    for (const Seed &seed : seeds) {
        for (int k = 0; k < KindCount; ++k) {
            for (int v = 0; v < variants; ++v) {
                const QByteArray bytes = mutate(seed.bytes, Kind(k), random);
                Child child;
                const QString ext = seed.name == "adts" ? "aac" : seed.name;
                child.kind = Kind(k);
                child.input = dir.filePath(QString("input-%1.%2").arg(slot).arg(ext));
                child.log = dir.filePath(QString("input-%1.log").arg(slot));
                child.label = QString("%1-%2-%3.%4").arg(seed.name).arg(k).arg(v).arg(ext);
                if (!TestSupport::writeBytes(child.input, bytes))
                    return 1;
                children.insert(slot, child);
                if (!pool.start(slot++, [&child] { readInChild(child.input, child.log); }))
                    return 1;
                ++totals.run;
                ++totals.runs[k];
            }
        }
    }
    pool.finish();

    int faults = 0;
    for (int k = 0; k < KindCount; ++k) {
        std::printf("%-14s %6d run, %d faults\n", kKindNames[k], totals.runs[k], totals.faults[k]);
        faults += totals.faults[k];
    }
    std::printf("total          %6d run, %d faults in %.1f s; slowest %lld ms, largest peak %ld MiB\n",
                totals.run, faults, clock.elapsed() / 1000.0, pool.slowestMs(), pool.peakKiB() / 1024);
    std::printf("still opened:  media information %d, tags %d, player %d\n", totals.opened[0],
                totals.opened[1], totals.opened[2]);
    if (inputs == QLatin1String("media"))
        return faults == 0 ? 0 : 2;
    const int stateFaults = StateFuzz::run(variants, jobs, faultDir, seedValue);
    return faults == 0 && stateFaults == 0 ? 0 : 2;
}
