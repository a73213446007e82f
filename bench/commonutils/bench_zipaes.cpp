// Extracting an AES-256 archive of one large entry (half noise, half text)
// and checking its password, ours (bench_unzip, built beside this) against
// the 7z program of p7zip-full doing the same, both as whole processes in
// turns, each extraction into a folder that does not exist yet. The same
// content is archived twice: by the program (AE-1, its CRC stored) and by
// 7-Zip (7z a -tzip -mem=AES256, which writes AE-2, no CRC). Prints each
// side's wall and processor time, min / median, and the ratios ours / 7z
// taken pair by pair, for each archive.
//
//   bench_zipaes [--megabytes N] [--rounds N]      (200 MiB, 7 rounds)
//   bench_zipaes --make ARCHIVE [--megabytes N]    writes our archive only

#include "commonutils/ssziparchive.h"

#include "bench/processrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const QString kPassword = QStringLiteral("bench password");

// Half noise that does not compress, half text that does.
bool writeContent(const QString &path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(7);
    QByteArray block(1 << 20, '\0');
    const QByteArray line("a line of text that deflate shrinks well, 0123456789\n");
    for (int mb = 0; mb < megabytes; ++mb) {
        if (mb % 2 == 0) {
            random.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        } else {
            for (int at = 0; at < block.size(); at += line.size())
                block.replace(at, std::min(line.size(), block.size() - at), line.constData(),
                              std::min(line.size(), block.size() - at));
        }
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

std::string text(const QString &s)
{
    return s.toStdString();
}

bool makeArchive(const QString &archive, const QString &content)
{
    return SSZipArchive::createZipFileAtPathWithFiles(archive, {content}, kPassword);
}

// 7-Zip's own AES-256 zip of the same file, at its default level.
bool makeSevenZipArchive(const QString &sevenZip, const QString &archive, const QString &content)
{
    BenchProcess::Run run;
    const QFileInfo file(content);
    // 7z names the entry as given: run from the file's folder.
    return QDir::setCurrent(file.absolutePath())
           && BenchProcess::run({text(sevenZip), "a", "-tzip", "-mem=AES256", "-p" + text(kPassword),
                                 text(archive), text(file.fileName())},
                                &run);
}

// Both sides in turn, each a fresh process: what it extracts goes into
// `into`, which is removed before each run (outside the time).
bool compare(const char *title, int rounds, const std::vector<std::string> &ours,
             const std::vector<std::string> &peer, const QString &into)
{
    std::vector<BenchProcess::Run> a, b;
    for (int round = -1; round < rounds; ++round) { // round -1 warms the caches
        BenchProcess::Run runA, runB;
        QDir(into).removeRecursively();
        if (!BenchProcess::run(ours, &runA))
            return false;
        QDir(into).removeRecursively();
        if (!BenchProcess::run(peer, &runB))
            return false;
        if (round >= 0) {
            a.push_back(runA);
            b.push_back(runB);
        }
    }
    QDir(into).removeRecursively();
    std::printf("%s, %d rounds, min / median\n", title, rounds);
    BenchProcess::printRuns("ours (bench_unzip)", a);
    BenchProcess::printRuns("7z", b);
    BenchProcess::printRatios("ours / 7z", a, b);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int megabytes = 200;
    int rounds = 7;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--megabytes")
            megabytes = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--rounds")
            rounds = std::max(1, args[i + 1].toInt());
    }
    QTemporaryDir dir;
    const QString content = dir.filePath("content.bin");
    if (!dir.isValid() || !writeContent(content, megabytes)) {
        std::fprintf(stderr, "cannot write the content\n");
        return 1;
    }
    if (args.size() >= 3 && args[1] == "--make")
        return makeArchive(args[2], content) ? 0 : 1;

    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (sevenZip.isEmpty()) {
        std::fprintf(stderr, "the 7z program (p7zip-full) is needed\n");
        return 1;
    }
    const QString unzip = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_unzip");
    const QString ours = dir.filePath("ours.zip");
    const QString theirs = dir.filePath("7zip.zip");
    if (!makeArchive(ours, content) || !makeSevenZipArchive(sevenZip, theirs, content)) {
        std::fprintf(stderr, "cannot write the archives\n");
        return 1;
    }
    QFile::remove(content);
    const QString out = dir.filePath("out");
    bool ok = true;
    for (const QString &archive : {ours, theirs}) {
        const char *maker = archive == ours ? "ours (AE-1)" : "7-Zip's (AE-2)";
        char title[160];
        std::snprintf(title, sizeof title, "%s archive: extract an AES-256 entry of %d MiB (%.0f MiB stored)",
                      maker, megabytes, QFile(archive).size() / 1048576.0);
        char check[160];
        std::snprintf(check, sizeof check, "%s archive: check its password by reading it whole", maker);
        ok = ok
             && compare(title, rounds, {text(unzip), "-p", text(kPassword), text(archive), text(out)},
                        {text(sevenZip), "x", "-y", "-p" + text(kPassword), "-o" + text(out), text(archive)},
                        out)
             && compare(check, rounds, {text(unzip), "-p", text(kPassword), "-t", text(archive)},
                        {text(sevenZip), "t", "-p" + text(kPassword), text(archive)}, out);
    }
    return ok ? 0 : 1;
}
