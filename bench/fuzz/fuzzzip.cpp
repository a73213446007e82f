#include "fuzzzip.h"

#include "childpool.h"

#include "commonutils/ssziparchive.h"
#include "testsupport.h"
#include "zipbuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

namespace FuzzZip {

namespace {

using TestSupport::readBytes;
using TestSupport::writeBytes;
using TestSupport::writeZip;
using TestSupport::zip64Archive;
using TestSupport::ZipEntry;
using TestSupport::randomBytes;

constexpr int kDoneExit = 16; // plus 1 when the unzip reported success
constexpr quint64 kMaxTotalBytes = quint64(64) << 20;
constexpr quint64 kMaxEntries = 4096;
const char kPassword[] = "fuzz";

enum Kind { BitFlips, PlantedSize, HostileName, Truncation, KindCount };
const char *const kKindNames[KindCount] = {"bit flips", "planted sizes", "hostile names",
                                           "truncation"};

struct Seed {
    QString name;
    QByteArray bytes;
};

// The archive's bytes; empty when it cannot be made.
QByteArray archiveOf(const QString &scratch, const QList<ZipEntry> &entries, const char *password = nullptr)
{
    const QByteArray bytes = writeZip(scratch, entries, password) ? readBytes(scratch) : QByteArray();
    QFile::remove(scratch);
    return bytes;
}

QList<Seed> makeSeeds(const QString &dir)
{
    const QString scratch = dir + "/seed.zip";
    const QList<ZipEntry> plain = {{"a.txt", "plain text\n", S_IFREG | 0644},
                                {"dir/", "", S_IFDIR | 0755},
                                {"dir/b.bin", randomBytes(20000, 1), S_IFREG | 0600},
                                {"stored.bin", randomBytes(3000, 2), S_IFREG | 0644, true}};
    QList<Seed> seeds;
    seeds.append({"plain", archiveOf(scratch, plain)});
    seeds.append({"links", archiveOf(scratch, {{"a.txt", "target\n", S_IFREG | 0644},
                                               {"inside", "a.txt", S_IFLNK | 0777},
                                               {"sub/up", "..", S_IFLNK | 0777},
                                               {"f", "up/victim.txt", S_IFLNK | 0777},
                                               {"up", "dot/dot/..", S_IFLNK | 0777},
                                               {"dot", ".", S_IFLNK | 0777},
                                               {"f", "through the link", S_IFREG | 0644},
                                               {"self/file", "x", S_IFREG | 0644}})});
    seeds.append({"password", archiveOf(scratch, plain, kPassword)});
    {
        // AES entries, AE-1 and AE-2, deflated and stored.
        SSZipArchive writer(scratch);
        const QString password = QString::fromLatin1(kPassword);
        if (writer.open() && writer.writeData(randomBytes(20000, 3), "aes.bin", -1, password)
            && writer.writeData("short", "ae2.txt", -1, password)
            && writer.writeData(randomBytes(3000, 4), "stored.bin", 0, password) && writer.close())
            seeds.append({"aes", readBytes(scratch)});
        QFile::remove(scratch);
    }
    const QByteArray z64 = "sizes in the zip64 field";
    seeds.append({"zip64", zip64Archive("z64.txt", z64, quint64(z64.size()))});
    seeds.append({"zeros", archiveOf(scratch, {{"zeros.bin", QByteArray(8 << 20, '\0'), S_IFREG | 0644},
                                               {"more.bin", QByteArray(8 << 20, '\0'), S_IFREG | 0644}})});
    seeds.append({"nested", archiveOf(scratch, {{"inner.zip", seeds.first().bytes, S_IFREG | 0644},
                                                {"note.txt", "outer\n", S_IFREG | 0644}})});
    return seeds;
}

QList<int> offsetsOf(const QByteArray &bytes, const char *signature)
{
    QList<int> at;
    for (int i = bytes.indexOf(signature); i >= 0; i = bytes.indexOf(signature, i + 1))
        at.append(i);
    return at;
}

// A header start: local, central or end record; -1 when there is none.
int pickHeader(std::mt19937 &random, const QByteArray &b)
{
    QList<int> headers = offsetsOf(b, "PK\x03\x04") + offsetsOf(b, "PK\x01\x02") + offsetsOf(b, "PK\x05\x06");
    if (headers.isEmpty())
        return -1;
    return headers.at(std::uniform_int_distribution<int>(0, headers.size() - 1)(random));
}

void plant(QByteArray &b, int at, quint64 value, int size)
{
    for (int i = 0; i < size && at + i < b.size(); ++i)
        b[at + i] = char(value >> (8 * i));
}

QByteArray mutate(const QByteArray &seed, Kind kind, std::mt19937 &random)
{
    QByteArray b = seed;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    switch (kind) {
    case BitFlips: {
        const int flips = pick(1, 12);
        for (int i = 0; i < flips; ++i) {
            const int header = pickHeader(random, b);
            const int at = header >= 0 && pick(0, 3) > 0 ? std::min(b.size() - 1, header + pick(0, 60))
                                                          : pick(0, b.size() - 1);
            b[at] = char(b[at] ^ char(1 << pick(0, 7)));
        }
        break;
    }
    case PlantedSize: {
        static const quint64 values[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFu, 0x10000u, 0u, 1u};
        const int header = pickHeader(random, b);
        if (header < 0)
            break;
        const quint64 value = values[pick(0, 6)];
        const bool local = b.mid(header, 4) == "PK\x03\x04";
        const bool central = b.mid(header, 4) == "PK\x01\x02";
        static const int localFields[] = {18, 22, 26, 28};
        static const int centralFields[] = {20, 24, 28, 30, 42};
        static const int endFields[] = {8, 10, 12, 16};
        if (local)
            plant(b, header + localFields[pick(0, 3)], value, 4);
        else if (central)
            plant(b, header + centralFields[pick(0, 4)], value, 4);
        else
            plant(b, header + endFields[pick(0, 3)], value, pick(0, 1) ? 2 : 4);
        break;
    }
    case HostileName: {
        const QList<int> centrals = offsetsOf(b, "PK\x01\x02");
        if (centrals.isEmpty())
            break;
        const int header = centrals.at(pick(0, centrals.size() - 1));
        if (header + 46 > b.size())
            break;
        const int length = int(quint8(b[header + 28]) | quint8(b[header + 29]) << 8);
        const QByteArray name = b.mid(header + 46, length);
        if (pick(0, 2) == 0) {
            // The entry becomes a link: its bytes are the target.
            plant(b, header + 4, (3 << 8) | 30, 2);
            plant(b, header + 38, quint64(S_IFLNK | 0777) << 16, 4);
            break;
        }
        static const char *const prefixes[] = {"../", "/tmp/", "x/../../", "..\\", "./../", "dot/../../"};
        QByteArray hostile = QByteArray(prefixes[pick(0, 5)]) + name;
        hostile.truncate(name.size());
        const int local = b.indexOf(name);   // the local header's copy comes first
        if (local >= 0 && local < header)
            b.replace(local, name.size(), hostile);
        b.replace(header + 46, name.size(), hostile);
        break;
    }
    case Truncation:
        b.truncate(pick(0, b.size() - 1));
        break;
    case KindCount:
        break;
    }
    return b;
}

[[noreturn]] void unzipInChild(const QString &archive, const QString &dest, const QString &log)
{
    FuzzChildren::logTo(log);
    SSZipArchive::UnzipOptions options;
    options.password = QString::fromLatin1(kPassword);
    options.nestedZipLevel = 1;
    options.maxTotalBytes = kMaxTotalBytes;
    options.maxEntries = kMaxEntries;
    SSZipError error;
    const bool ok = SSZipArchive::unzipFileAtPath(archive, dest, options, &error);
    std::printf("%s: %s\n", ok ? "unpacked" : "refused", qPrintable(error.text));
    std::fflush(stdout);
    ::_exit(kDoneExit | (ok ? 1 : 0));
}

// What the child left: nothing beside the destination, no link in it that
// leads out, no more bytes than the bound. "" when all is well.
QString escapeOf(const QString &sandbox)
{
    QStringList beside = QDir(sandbox).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                 | QDir::NoDotAndDotDot);
    for (const char *own : {"archive.zip", "child.log", "dest", "outside"})
        beside.removeAll(QString::fromLatin1(own));
    if (!beside.isEmpty())
        return "beside the destination: " + beside.join(", ");
    if (!QDir(sandbox + "/outside").isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return "written into the folder beside it";
    const QString root = QFileInfo(sandbox + "/dest").canonicalFilePath();
    quint64 bytes = 0;
    QDirIterator it(sandbox + "/dest", QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink()) {
            const QString target = info.canonicalFilePath();
            if (!target.isEmpty() && target != root && !target.startsWith(root + '/'))
                return "link leading out: " + info.filePath() + " -> " + target;
        } else if (info.isFile()) {
            bytes += quint64(info.size());
        }
    }
    if (bytes > kMaxTotalBytes)
        return QString("%1 bytes written, over the bound").arg(bytes);
    return QString();
}

struct Child {
    QString sandbox;
    QString label;
    Kind kind = BitFlips;
};

} // namespace

int run(int argc, char **argv)
{
    const int variants = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int jobs = argc > 2 ? std::max(1, atoi(argv[2])) : 4;
    const QString faultDir = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("fuzz-faults");
    const unsigned seedValue = argc > 4 ? unsigned(strtoul(argv[4], nullptr, 10)) : 31u;

    QTemporaryDir dir;
    const QList<Seed> seeds = makeSeeds(dir.path());
    for (const Seed &seed : seeds) {
        if (seed.bytes.isEmpty()) {
            std::fprintf(stderr, "no seed for %s\n", qPrintable(seed.name));
            return 1;
        }
    }
    QDir().mkpath(faultDir);
    std::mt19937 random(seedValue);
    std::printf("zip archives: %d seeds, %d variants per seed and kind, %d at once, random seed %u\n",
                int(seeds.size()), variants, jobs, seedValue);

    int runs[KindCount] = {}, faults[KindCount] = {}, unpacked = 0;
    QHash<int, Child> children;
    FuzzChildren::Pool pool(jobs, [&](const FuzzChildren::End &end) {
        const Child child = children.take(end.id);
        QString why = end.fault((end.code & ~1) == kDoneExit);
        if (why.isEmpty())
            why = escapeOf(child.sandbox);
        if (why.isEmpty()) {
            unpacked += end.code & 1;
        } else {
            ++faults[child.kind];
            const QString name = faultDir + "/" + child.label;
            FuzzChildren::keepFault(name, child.sandbox + "/archive.zip", child.sandbox + "/child.log");
            std::printf("FAULT %s: %s, %lld ms\n", qPrintable(name), qPrintable(why), end.ms);
        }
        QDir(child.sandbox).removeRecursively();
    });

    QElapsedTimer clock;
    clock.start();
    int slot = 0;
    int total = 0;
    for (const Seed &seed : seeds) {
        for (int k = 0; k < KindCount; ++k) {
            for (int v = 0; v < variants; ++v) {
                Child child;
                child.kind = Kind(k);
                child.sandbox = dir.filePath(QString("run-%1").arg(slot));
                child.label = QString("%1-%2-%3.zip").arg(seed.name).arg(k).arg(v);
                if (!QDir().mkpath(child.sandbox + "/outside"))
                    return 1;
                if (!writeBytes(child.sandbox + "/archive.zip", mutate(seed.bytes, Kind(k), random)))
                    return 1;
                children.insert(slot, child);
                const bool started = pool.start(slot++, [&child] {
                    unzipInChild(child.sandbox + "/archive.zip", child.sandbox + "/dest", child.sandbox + "/child.log");
                });
                if (!started)
                    return 1;
                ++runs[k];
                ++total;
            }
        }
    }
    pool.finish();

    int allFaults = 0;
    for (int k = 0; k < KindCount; ++k) {
        std::printf("%-14s %6d run, %d faults\n", kKindNames[k], runs[k], faults[k]);
        allFaults += faults[k];
    }
    std::printf("total          %6d run, %d faults in %.1f s; slowest %lld ms, largest peak %ld MiB\n",
                total, allFaults, clock.elapsed() / 1000.0, pool.slowestMs(), pool.peakKiB() / 1024);
    std::printf("still unpacked whole: %d\n", unpacked);
    return allFaults == 0 ? 0 : 2;
}

} // namespace FuzzZip
