// Extracting an AES-256 archive of one large entry, against the 7z program
// (p7zip-full) extracting the same archive, in turns; prints each side's
// times and the ratio ours / 7z, min and median.
//
//   bench_zipaes [--megabytes N] [--rounds N]
//   bench_zipaes --make ARCHIVE [--megabytes N]   writes the archive only
//   bench_zipaes --unzip ARCHIVE DESTINATION       extracts it only (for
//                                                  timing whole processes)
//   bench_zipaes --check ARCHIVE                   checks the password only

#include "commonutils/ssziparchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

bool makeArchive(const QString &archive, int megabytes)
{
    QTemporaryDir dir;
    const QString content = dir.filePath("content.bin");
    return dir.isValid() && writeContent(content, megabytes)
           && SSZipArchive::createZipFileAtPathWithFiles(archive, {content}, kPassword);
}

bool unzipHere(const QString &archive, const QString &destination)
{
    SSZipArchive::UnzipOptions options;
    options.password = kPassword;
    SSZipError error;
    if (SSZipArchive::unzipFileAtPath(archive, destination, options, &error))
        return true;
    std::fprintf(stderr, "unzip failed: %s\n", qPrintable(error.text));
    return false;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int megabytes = 64;
    int rounds = 5;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--megabytes")
            megabytes = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--rounds")
            rounds = std::max(1, args[i + 1].toInt());
    }
    if (args.size() >= 3 && args[1] == "--make")
        return makeArchive(args[2], megabytes) ? 0 : 1;
    if (args.size() >= 4 && args[1] == "--unzip")
        return unzipHere(args[2], args[3]) ? 0 : 1;
    if (args.size() >= 3 && args[1] == "--check")
        return SSZipArchive::isPasswordValidForArchiveAtPath(args[2], kPassword) ? 0 : 1;

    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (sevenZip.isEmpty()) {
        std::fprintf(stderr, "the 7z program (p7zip-full) is needed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString archive = dir.filePath("bench.zip");
    if (!dir.isValid() || !makeArchive(archive, megabytes)) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    std::vector<double> ours, peer, ratios;
    for (int round = 0; round < rounds; ++round) {
        const QString outOurs = dir.filePath(QStringLiteral("ours%1").arg(round));
        const QString outPeer = dir.filePath(QStringLiteral("peer%1").arg(round));
        QElapsedTimer timer;
        timer.start();
        if (!unzipHere(archive, outOurs))
            return 1;
        ours.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        QProcess p;
        p.start(sevenZip, {"x", "-y", "-p" + kPassword, "-o" + outPeer, archive});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::fprintf(stderr, "7z failed\n");
            return 1;
        }
        peer.push_back(timer.nsecsElapsed() / 1e6);
        ratios.push_back(ours.back() / peer.back());
        QDir(outOurs).removeRecursively();
        QDir(outPeer).removeRecursively();
    }
    std::printf("AES-256 entry of %d MiB, %d rounds\n", megabytes, rounds);
    std::printf("ours  ms: min %8.1f median %8.1f\n", *std::min_element(ours.begin(), ours.end()),
                median(ours));
    std::printf("7z    ms: min %8.1f median %8.1f\n", *std::min_element(peer.begin(), peer.end()),
                median(peer));
    std::printf("ours / 7z: min %.2f median %.2f\n", *std::min_element(ratios.begin(), ratios.end()),
                median(ratios));
    return 0;
}
