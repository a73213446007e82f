// Seeded fuzz of the state files' salvage: thousands of damaged copies each
// of History.xml, CustomedLists.xml and the preferences, every one written
// to disk and read through the store as the next start reads it. The
// originals come in every variant of StateRecords (as the store writes
// them, with references beyond U+FFFF, in UTF-16 or Latin-1 under their
// declarations, with comments, instructions and CDATA holding records
// between the records), each first checked to read exactly as it must. The
// records read are counted against the undamaged original's: kept exactly,
// lost (records the damage neither touched nor cut off, missing), invented
// (more records unlike any original than the damage touched; a record held
// in markup is none) and duplicated. Lost, invented and duplicated must all
// be 0; the exit status says whether they were.
//   bench_salvage [--files N] [--seed S]   N damaged files per state file
#include "staterecords.h"

#include "common/qvideosettingxml.h"
#include "common/statefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

using StateRecords::Kind;
using StateRecords::Variant;

constexpr int kRecords = 40;

enum Damage {
    NulBlock,
    ZerosToTheEnd,
    BadUtf8,
    StrayLessThan,
    FlippedByte,
    FlippedBit,
    Cut,
    DeletedByte,
    StrayEndTag,
    DamageCount
};
const char *const kDamageNames[DamageCount] = {"NUL block", "zeros to the end", "bad UTF-8",
                                               "stray <",   "flipped byte",     "flipped bit",
                                               "cut short", "deleted byte",     "stray end tag"};

// One damaged copy and what the damage reached: [from, to) replaced or
// removed (from == to: bytes put in at from); cut: nothing after from is left.
struct Damaged
{
    QByteArray bytes;
    int from = 0;
    int to = 0;
    bool cut = false;
};

Damaged damage(const StateRecords::Original &o, Damage kind, std::mt19937 &random)
{
    const QByteArray &original = o.bytes;
    Damaged d;
    d.bytes = original;
    const int size = original.size();
    const auto at = [&](int lowest, int highest) {
        return std::uniform_int_distribution<int>(lowest, highest)(random);
    };
    d.from = at(0, size - 1);
    d.to = d.from + 1;
    switch (kind) {
    case NulBlock:
        d.to = qMin(size, d.from + at(1, 64));
        d.bytes.replace(d.from, d.to - d.from, QByteArray(d.to - d.from, '\0'));
        break;
    case ZerosToTheEnd:
        d.to = size;
        d.cut = true;
        d.bytes.replace(d.from, size - d.from, QByteArray(size - d.from, '\0'));
        break;
    case BadUtf8:
        d.bytes[d.from] = char(at(0x80, 0xFF));
        break;
    case StrayLessThan:
        d.to = d.from;
        d.bytes.insert(d.from, '<');
        break;
    case FlippedByte:
        d.bytes[d.from] = char((uchar(original.at(d.from)) + at(1, 255)) & 0xFF);
        break;
    case FlippedBit:
        d.bytes[d.from] = char(uchar(original.at(d.from)) ^ (1u << at(0, 7)));
        break;
    case Cut:
        d.to = size;
        d.cut = true;
        d.bytes.truncate(d.from);
        break;
    case DeletedByte:
        d.bytes.remove(d.from, 1);
        break;
    case StrayEndTag: {
        // A record's end tag once more, right after it.
        const int r = at(0, o.spans.size() - 1);
        d.from = d.to = o.spans.at(r).second;
        d.bytes.insert(d.from, StateRecords::encoded(o.variant, o.endTags.at(r)));
        break;
    }
    default:
        break;
    }
    return d;
}

struct Figures
{
    int files = 0;
    int outside = 0; // files whose damage touched no record
    int touched = 0;
    StateRecords::Tally tally;
    int lostOutside = 0;
    qint64 ns = 0;

    void add(const Figures &o)
    {
        files += o.files;
        outside += o.outside;
        touched += o.touched;
        tally.kept += o.tally.kept;
        tally.lost += o.tally.lost;
        tally.invented += o.tally.invented;
        tally.duplicated += o.tally.duplicated;
        lostOutside += o.lostOutside;
        ns += o.ns;
    }
};

void print(const char *file, const char *damage, const Figures &f)
{
    std::printf("%-18s %-17s %6d %8d %8d %8d %6d %9d %11d %13d %8.2f\n", file, damage, f.files, f.outside,
                f.touched, f.tally.kept, f.tally.lost, f.tally.invented, f.tally.duplicated, f.lostOutside,
                f.files ? f.ns / 1e6 / f.files : 0.0);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QVideoSettingXml::waitForHistory(); // no save of the last reading may land on it
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir data; // never touch the user's real state files
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    // The store logs each damaged file it sets aside.
    qputenv("QT_LOGGING_RULES", "velmora.common.warning=false;velmora.common.info=false");
    QCoreApplication app(argc, argv);
    int filesPerKind = 2000;
    unsigned seed = 1;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--files"))
            filesPerKind = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--seed"))
            seed = args.at(i + 1).toUInt();
    }
    std::printf("Salvage of damaged state files: %d files each, %d records a file, seed %u\n", filesPerKind,
                kRecords, seed);
    std::printf("%-18s %-17s %6s %8s %8s %8s %6s %9s %11s %13s %8s\n", "file", "damage or variant", "files",
                "outside", "touched", "kept", "lost", "invented", "duplicated", "lost outside", "ms/file");

    std::mt19937 random(seed);
    Figures all;
    for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences}) {
        const QString path = StateRecords::pathOf(kind);
        QVector<StateRecords::Original> originals;
        QVector<QStringList> befores;
        for (int v = 0; v < StateRecords::kVariantCount; ++v) {
            const Variant variant = Variant(v);
            originals.append(StateRecords::original(kind, kRecords, variant));
            if (!writeFile(path, originals.last().bytes))
                return 2;
            befores.append(StateRecords::read(kind));
            if (befores.last() != StateRecords::expected(kind, kRecords, variant)) {
                std::fprintf(stderr, "%s, %s: the undamaged file does not read as written:\n%s\n",
                             StateRecords::nameOf(kind), StateRecords::nameOf(variant),
                             qPrintable(befores.last().join('\n')));
                return 2;
            }
            QFile::remove(path + QStringLiteral(".bad"));
            StateFileNotices::takeAll();
        }
        Figures byDamage[DamageCount];
        Figures byVariant[StateRecords::kVariantCount];
        for (int n = 0; n < filesPerKind; ++n) {
            const Damage damageKind = Damage(n % DamageCount);
            const int v = (n / DamageCount) % StateRecords::kVariantCount;
            const StateRecords::Original &original = originals.at(v);
            const Damaged d = damage(original, damageKind, random);
            QVector<bool> intact(kRecords, true);
            int touched = 0;
            for (int r = 0; r < kRecords; ++r) {
                const int start = original.spans.at(r).first;
                const int end = original.spans.at(r).second;
                const bool reached = d.from == d.to ? start < d.from && d.from < end
                                                    : d.from < end && d.to > start;
                const bool cutOff = d.cut && start >= d.from;
                intact[r] = !reached && !cutOff;
                touched += reached && !cutOff ? 1 : 0;
            }
            if (!writeFile(path, d.bytes))
                return 2;
            QElapsedTimer timer;
            timer.start();
            const QStringList read = StateRecords::read(kind);
            Figures f;
            f.ns = timer.nsecsElapsed();
            f.files = 1;
            f.touched = touched;
            f.outside = touched == 0 ? 1 : 0;
            f.tally = StateRecords::tally(befores.at(v), intact, read, touched);
            f.lostOutside = touched == 0 ? f.tally.lost : 0;
            if (f.tally.lost || f.tally.invented || f.tally.duplicated)
                std::printf("fault: %s (%s), %s at bytes %d to %d: %s\n", StateRecords::nameOf(kind),
                            StateRecords::nameOf(Variant(v)), kDamageNames[damageKind], d.from, d.to,
                            qPrintable(f.tally.text()));
            byDamage[damageKind].add(f);
            byVariant[v].add(f);
            QVideoSettingXml::waitForHistory();
            QFile::remove(path + QStringLiteral(".bad"));
            StateFileNotices::takeAll();
        }
        Figures total;
        for (int k = 0; k < DamageCount; ++k) {
            print(StateRecords::nameOf(kind), kDamageNames[k], byDamage[k]);
            total.add(byDamage[k]);
        }
        for (int v = 0; v < StateRecords::kVariantCount; ++v)
            print(StateRecords::nameOf(kind), StateRecords::nameOf(Variant(v)), byVariant[v]);
        print(StateRecords::nameOf(kind), "all", total);
        all.add(total);
    }
    print("all", "all", all);
    const bool exact = all.tally.lost == 0 && all.tally.invented == 0 && all.tally.duplicated == 0;
    std::printf("%s\n", exact ? "Every record the damage did not reach was kept; none invented, none twice."
                              : "FAULT: records were lost, invented or duplicated.");
    return exact ? 0 : 1;
}
