// Zip archives on disk: round trips keep bytes, names, links, modes and
// times; hostile archives write nothing outside the destination; wrong
// passwords, damaged entries, cancelling and nested archives.
#include "commonutils/ssziparchive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "zipbuilder.h"

#include <climits>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The extraction's moves and syncs pass through these. Once armed with a
// name, another file takes that name just before the first move onto it, as
// a second program saving a file there would; a move that replaces a file
// with bytes not yet synced is noted.
struct Moves
{
    std::mutex mutex;
    std::string armed;
    bool taken = false;
    std::set<std::string> synced;
    std::string replacedUnsynced;
};

Moves &moves()
{
    static Moves m;
    return m;
}

void beforeMove(const char *from, const char *to, bool mayReplace)
{
    Moves &m = moves();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (!m.taken && !m.armed.empty() && m.armed == to) {
        m.taken = true;
        QFile other(QFile::decodeName(to));
        if (other.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            other.write("another program's file");
    }
    struct stat st;
    if (mayReplace && ::lstat(to, &st) == 0 && !m.synced.count(from))
        m.replacedUnsynced = to;
}

void noteSynced(int fd)
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    if (n <= 0)
        return;
    Moves &m = moves();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.synced.insert(std::string(path, size_t(n)));
}

} // namespace

extern "C" int renameat2(int oldFd, const char *oldPath, int newFd, const char *newPath,
                         unsigned int flags) noexcept
{
    beforeMove(oldPath, newPath, !(flags & RENAME_NOREPLACE));
    return static_cast<int>(::syscall(SYS_renameat2, oldFd, oldPath, newFd, newPath, flags));
}

extern "C" int rename(const char *oldPath, const char *newPath) noexcept
{
    beforeMove(oldPath, newPath, true);
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, oldPath, AT_FDCWD, newPath, 0));
}

extern "C" int link(const char *oldPath, const char *newPath) noexcept
{
    beforeMove(oldPath, newPath, false);
    return static_cast<int>(::syscall(SYS_linkat, AT_FDCWD, oldPath, AT_FDCWD, newPath, 0));
}

extern "C" int fdatasync(int fd) noexcept
{
    noteSynced(fd);
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

extern "C" int fsync(int fd) noexcept
{
    noteSynced(fd);
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

using TestSupport::readBytes;
using TestSupport::writeBytes;
using TestSupport::randomBytes;
using TestSupport::treeOf;
using TestSupport::writeZip;
using TestSupport::zip64Archive;
using TestSupport::ZipEntry;

void setTime(const QString &path, qint64 seconds)
{
    struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                         AT_SYMLINK_NOFOLLOW), 0);
}

qint64 timeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_mtime) : -1;
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

QString linkTarget(const QString &path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, int(n)));
}

class RecordingDelegate : public SSZipArchiveDelegate
{
public:
    int stopAt = -1;
    QList<quint64> loaded;
    int willUnzip = 0, didUnzip = 0;

    void zipArchiveWillUnzipArchiveAtPath(const QString &, quint64) override { ++willUnzip; }
    bool zipArchiveShouldUnzipFileAtIndex(qint64 index, qint64, const QString &,
                                          const SSZipEntryInfo &) override
    {
        return index != stopAt;
    }
    void zipArchiveDidUnzipArchiveAtPath(const QString &, quint64, const QString &) override
    {
        ++didUnzip;
    }
    void zipArchiveProgressEvent(quint64 done, quint64) override { loaded << done; }
};

} // namespace

class ZipArchiveTest : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsBytesNamesLinksModesAndTimes_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << QString();
        QTest::newRow("password") << QStringLiteral("pässwörd 1");
    }
    void roundTripKeepsBytesNamesLinksModesAndTimes()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString source = dir.filePath("source");
        const QByteArray big = randomBytes(300000, 7);
        const QByteArray small = "short text\n";
        QVERIFY(writeBytes(source + "/sub/big.bin", big));
        QVERIFY(writeBytes(source + "/Grüße ü.txt", small));
        QVERIFY(writeBytes(source + "/.hidden", "h"));
        QVERIFY(QDir().mkpath(source + "/empty"));
        QCOMPARE(::symlink("sub/big.bin", QFile::encodeName(source + "/link").constData()), 0);
        QVERIFY(::chmod(QFile::encodeName(source + "/sub/big.bin").constData(), 0750) == 0);
        const qint64 stamp = QDateTime(QDate(2021, 3, 14), QTime(15, 9, 26)).toSecsSinceEpoch();
        for (const char *name : {"/sub/big.bin", "/Grüße ü.txt", "/.hidden", "/link"})
            setTime(source + QString::fromUtf8(name), stamp);
        setTime(source + "/empty", stamp - 3600);

        const QString archive = dir.filePath("round.zip");
        QList<quint64> progress;
        QVERIFY(SSZipArchive::createZipFileAtPathWithContentsOfDirectory(
            archive, source, false, -1, password, false,
            [&](quint64 done, quint64 total) { progress << done << total; }));
        QCOMPARE(progress.mid(progress.size() - 2), (QList<quint64>{6, 6}));
        QCOMPARE(SSZipArchive::isFilePasswordProtectedAtPath(archive), !password.isEmpty());
        QVERIFY(SSZipArchive::isPasswordValidForArchiveAtPath(archive, password));
        if (!password.isEmpty()) {
            SSZipError error;
            QVERIFY(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, "wrong", &error));
            QCOMPARE(error.code, int(SSZipArchiveErrorCodeFailedOpenFileInZip));
            const QString refused = dir.filePath("refused");
            SSZipArchive::UnzipOptions wrong;
            wrong.password = "wrong";
            QVERIFY(!SSZipArchive::unzipFileAtPath(archive, refused, wrong, &error));
            // Mostly the check byte refuses it; one time in 256 the CRC does.
            QVERIFY2(error.code == SSZipArchiveErrorCodeFailedOpenFileInZip
                         || error.code == SSZipArchiveErrorCodeFileInfoNotLoadable
                         || error.code == SSZipArchiveErrorCodeFileContentNotReadable,
                     qPrintable(error.text));
            QCOMPARE(QDir(refused).entryList(QDir::Files | QDir::Hidden), QStringList());
        }

        const QString target = dir.filePath("target");
        SSZipArchive::UnzipOptions options;
        options.password = password;
        bool completed = false;
        QVERIFY(SSZipArchive::unzipFileAtPath(
            archive, target, options, nullptr, nullptr, {},
            [&](const QString &path, bool ok, const SSZipError &) {
                completed = ok && path == archive;
            }));
        QVERIFY(completed);
        QCOMPARE(treeOf(target), treeOf(source));
        QCOMPARE(readBytes(target + "/sub/big.bin"), big);
        QCOMPARE(readBytes(target + "/Grüße ü.txt"), small);
        QCOMPARE(linkTarget(target + "/link"), QStringLiteral("sub/big.bin"));
        QCOMPARE(modeOf(target + "/sub/big.bin") & 07777, mode_t(0750));
        for (const char *name : {"/sub/big.bin", "/Grüße ü.txt", "/link"})
            QCOMPARE(timeOf(target + QString::fromUtf8(name)), stamp);
        QCOMPARE(timeOf(target + "/empty"), stamp - 3600);
    }

    void wrongPasswordsNeverPassNorLeaveFiles_data()
    {
        QTest::addColumn<bool>("aes");
        QTest::addColumn<int>("tries");
        // About one wrong password in 256 passes the traditional header's
        // check byte; a thousand of them meet that case nearly always.
        QTest::newRow("traditional") << false << 1000;
        QTest::newRow("AES") << true << 100;
    }
    void wrongPasswordsNeverPassNorLeaveFiles()
    {
        QFETCH(bool, aes);
        QFETCH(int, tries);
        QTemporaryDir dir;
        const QString archive = dir.filePath("secret.zip");
        {
            SSZipArchive writer(archive);
            QVERIFY(writer.open());
            QVERIFY(writer.writeData(randomBytes(2000, 11), "secret.bin", -1, "right", aes));
            QVERIFY(writer.close());
        }
        const QString out = dir.filePath("out");
        for (int i = 0; i < tries; ++i) {
            const QString password = QStringLiteral("wrong %1").arg(i);
            QVERIFY2(!SSZipArchive::isPasswordValidForArchiveAtPath(archive, password),
                     qPrintable(password));
            SSZipArchive::UnzipOptions options;
            options.password = password;
            QVERIFY(!SSZipArchive::unzipFileAtPath(archive, out, options));
        }
        QCOMPARE(treeOf(out), QStringList());
        QVERIFY(SSZipArchive::isPasswordValidForArchiveAtPath(archive, "right"));
    }

    void filesAndDataEntriesAreWrittenByInstance()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("one.txt"), "first"));
        QVERIFY(writeBytes(dir.filePath("nested/two.txt"), "second"));
        const QString archive = dir.filePath("files.zip");
        QVERIFY(SSZipArchive::createZipFileAtPathWithFiles(
            archive, {dir.filePath("one.txt"), dir.filePath("nested/two.txt")}));
        {
            SSZipArchive writer(dir.filePath("data.zip"));
            QVERIFY(writer.open());
            QVERIFY(writer.writeData("made in memory", "memory/data.txt"));
            QVERIFY(writer.close());
        }
        {
            SSZipArchive writer(dir.filePath("aes.zip"));
            QVERIFY(writer.open());
            QVERIFY(writer.writeData("x", "aes.txt", -1, "secret", true));
            QVERIFY(writer.close());
        }
        QVERIFY(!SSZipArchive(dir.filePath("never.zip")).writeData("x", "x.txt"));

        // Written inside the folder it packs, the archive leaves itself out.
        QVERIFY(SSZipArchive::createZipFileAtPathWithContentsOfDirectory(
            dir.filePath("nested/self.zip"), dir.filePath("nested"), true));
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("nested/self.zip"), dir.filePath("self")));
        QCOMPARE(treeOf(dir.filePath("self")), (QStringList{"nested", "nested/two.txt"}));

        const QString out = dir.filePath("out");
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, out));
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("data.zip"), out));
        QCOMPARE(treeOf(out), (QStringList{"memory", "memory/data.txt", "one.txt", "two.txt"}));
        SSZipArchive::UnzipOptions secret;
        secret.password = "secret";
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("aes.zip"), dir.filePath("aes"), secret));
        QCOMPARE(readBytes(dir.filePath("aes/aes.txt")), QByteArray("x"));
        QCOMPARE(readBytes(out + "/memory/data.txt"), QByteArray("made in memory"));
    }

    void hostileEntriesWriteNothingOutsideTheDestination()
    {
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside");
        QVERIFY(QDir().mkpath(outside));
        const QString archive = dir.filePath("hostile.zip");
        QVERIFY(writeZip(
            archive,
            {{QFile::encodeName(outside + "/absolute.txt"), "abs", S_IFREG | 0644},
             {"../climb.txt", "climb", S_IFREG | 0644},
             {"a/../../climb2.txt", "climb2", S_IFREG | 0644},
             {"up", "..", S_IFLNK | 0777},
             {"up/through.txt", "through", S_IFREG | 0644},
             {"far", QFile::encodeName(outside), S_IFLNK | 0777},
             {"far/deep/through2.txt", "through2", S_IFREG | 0644},
             {"self", ".", S_IFLNK | 0777},
             {"chain", "self/..", S_IFLNK | 0777},
             {"suid", "#!/bin/sh\n", S_IFREG | 04755},
             {"sgid", "#!/bin/sh\n", S_IFREG | 02775},
             {"a/../kept.txt", "kept", S_IFREG | 0644}}));

        const QString dest = dir.filePath("dest");
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dest, {}, &error));
        QCOMPARE(error.domain, QString::fromLatin1(SSZipArchiveErrorDomain));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeUnsafeEntry));

        QCOMPARE(treeOf(outside), QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"dest", "hostile.zip", "outside"}));
        // Entries below refused links land in plain folders of their own.
        QCOMPARE(treeOf(dest), (QStringList{"far", "far/deep", "far/deep/through2.txt", "kept.txt",
                                            "self", "sgid", "suid", "up", "up/through.txt"}));
        QCOMPARE(linkTarget(dest + "/self"), QStringLiteral("."));
        QCOMPARE(readBytes(dest + "/kept.txt"), QByteArray("kept"));
        QCOMPARE(modeOf(dest + "/suid") & 07777, mode_t(0755));
        QCOMPARE(modeOf(dest + "/sgid") & 07777, mode_t(0775));
    }

    // Each link checked alone stays inside; together they climb out
    // (up -> dot/dot/.. with dot -> .), and the file entry f would be written
    // through the link f.
    void linkChainsNeverLeadOutNorCarryWrites()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("chain.zip");
        QVERIFY(writeZip(archive, {{"f", "up/victim.txt", S_IFLNK | 0777},
                                   {"up", "dot/dot/..", S_IFLNK | 0777},
                                   {"dot", ".", S_IFLNK | 0777},
                                   {"f", "written", S_IFREG | 0644},
                                   {"g", "up/other.txt", S_IFLNK | 0777}}));
        const QString dest = dir.filePath("dest");
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dest, {}, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeUnsafeEntry));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"chain.zip", "dest"}));
        QVERIFY(!QFileInfo(dest + "/f").isSymLink());
        QCOMPARE(readBytes(dest + "/f"), QByteArray("written"));
        // What is left leads inside or nowhere.
        for (const QString &name : treeOf(dest)) {
            const QFileInfo info(dest + '/' + name);
            if (info.isSymLink() && info.exists())
                QVERIFY2(info.canonicalFilePath().startsWith(QFileInfo(dest).canonicalFilePath()),
                         qPrintable(name));
        }
        QVERIFY(!QFileInfo(dest + "/up").exists() || !QFileInfo(dest + "/up").isSymLink());
    }

    // A folder beside the destination whose name starts with the
    // destination's ("dest2" beside "dest") is outside it all the same: a
    // link that climbs there through another link (up -> ..) is refused, and
    // nothing is written through it.
    void siblingsNamedLikeTheDestinationStayOutside_data()
    {
        QTest::addColumn<QString>("sibling");
        for (const char *sibling : {"dest2", "dest-old", "dest.bak", "destination"})
            QTest::newRow(sibling) << QString(sibling);
    }
    void siblingsNamedLikeTheDestinationStayOutside()
    {
        QFETCH(QString, sibling);
        QTemporaryDir dir;
        const QString beside = dir.filePath(sibling);
        QVERIFY(writeBytes(beside + "/own.txt", "the user's"));
        const QString archive = dir.filePath("sibling.zip");
        const QByteArray target = "a/up/../" + QFile::encodeName(sibling);
        QVERIFY(writeZip(archive, {{"a/up", "..", S_IFLNK | 0777},
                                   {"out", target, S_IFLNK | 0777},
                                   {"out/written.txt", "through the link", S_IFREG | 0644},
                                   {"kept.txt", "kept", S_IFREG | 0644}}));
        const QString dest = dir.filePath("dest");
        SSZipError error;
        const bool unzipped = SSZipArchive::unzipFileAtPath(archive, dest, {}, &error);
        QCOMPARE(treeOf(beside), QStringList{"own.txt"});
        QCOMPARE(readBytes(beside + "/own.txt"), QByteArray("the user's"));
        QVERIFY(!unzipped);
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeUnsafeEntry));
        QVERIFY2(error.text.contains("\"out\""), qPrintable(error.text));
        // The refused link's entries land in a plain folder of its own.
        QVERIFY(!QFileInfo(dest + "/out").isSymLink());
        QCOMPARE(readBytes(dest + "/out/written.txt"), QByteArray("through the link"));
        QCOMPARE(readBytes(dest + "/kept.txt"), QByteArray("kept"));
        QCOMPARE(linkTarget(dest + "/a/up"), QStringLiteral(".."));
    }

    void expansionIsBounded()
    {
        QTemporaryDir dir;
        // 4 MB of zeros in a few kilobytes, against a bound of 1 MB.
        const QString archive = dir.filePath("bomb.zip");
        QVERIFY(writeZip(archive, {{"small.txt", "small", S_IFREG | 0644},
                                   {"zeros.bin", QByteArray(4 << 20, '\0'), S_IFREG | 0644}}));
        QVERIFY(QFileInfo(archive).size() < 64 * 1024);
        SSZipArchive::UnzipOptions bounded;
        bounded.maxTotalBytes = 1 << 20;
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dir.filePath("out"), bounded, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeTooLarge));
        QVERIFY2(error.text.contains("1048576 bytes allowed") && error.text.contains("zeros.bin"),
                 qPrintable(error.text));
        QCOMPARE(treeOf(dir.filePath("out")), QStringList());
        // Within the bound it unpacks.
        bounded.maxTotalBytes = 5 << 20;
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, dir.filePath("fits"), bounded));
        QCOMPARE(QFileInfo(dir.filePath("fits/zeros.bin")).size(), qint64(4 << 20));

        // Too many entries.
        QList<ZipEntry> many;
        for (int i = 0; i < 51; ++i)
            many.append({QByteArray::number(i), "x", S_IFREG | 0644});
        QVERIFY(writeZip(dir.filePath("many.zip"), many));
        SSZipArchive::UnzipOptions few;
        few.maxEntries = 50;
        QVERIFY(!SSZipArchive::unzipFileAtPath(dir.filePath("many.zip"), dir.filePath("m"), few, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeTooLarge));
        QCOMPARE(error.text, QStringLiteral("the archive has 51 entries, more than the 50 allowed"));
        QCOMPARE(treeOf(dir.filePath("m")), QStringList());
        few.maxEntries = 51;
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("many.zip"), dir.filePath("m"), few));
        QCOMPARE(treeOf(dir.filePath("m")).size(), 51);

        // A nested archive counts against the same bound.
        QVERIFY(writeZip(dir.filePath("outer.zip"),
                         {{"inner.zip", readBytes(archive), S_IFREG | 0644}}));
        SSZipArchive::UnzipOptions nested;
        nested.nestedZipLevel = 1;
        nested.maxTotalBytes = 2 << 20;
        QVERIFY(!SSZipArchive::unzipFileAtPath(dir.filePath("outer.zip"), dir.filePath("n"), nested,
                                               &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeTooLarge));
    }

    void zip64SizesAreRead()
    {
        QTemporaryDir dir;
        const QByteArray content = "sizes in the zip64 field";
        QVERIFY(writeBytes(dir.filePath("z64.zip"), zip64Archive("z64.txt", content, quint64(content.size()))));
        quint64 seen = 0;
        SSZipError error;
        QVERIFY2(SSZipArchive::unzipFileAtPath(
                     dir.filePath("z64.zip"), dir.filePath("out"), {}, &error, nullptr,
                     [&](const QString &, const SSZipEntryInfo &info, qint64, qint64) {
                         seen = info.uncompressedSize;
                     }),
                 qPrintable(error.text));
        QCOMPARE(seen, quint64(content.size()));
        QCOMPARE(readBytes(dir.filePath("out/z64.txt")), content);

        // 5 GiB declared: beyond the default bound, and said as it is.
        const quint64 huge = quint64(5) << 30;
        QVERIFY(writeBytes(dir.filePath("huge.zip"), zip64Archive("huge.bin", content, huge)));
        QVERIFY(!SSZipArchive::unzipFileAtPath(dir.filePath("huge.zip"), dir.filePath("h"), {}, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeTooLarge));
        QVERIFY2(error.text.contains(QString::number(huge)), qPrintable(error.text));
        QCOMPARE(treeOf(dir.filePath("h")), QStringList());
    }

    void damagedEntryFailsAndLeavesNoFile()
    {
        QTemporaryDir dir;
        const QByteArray content = randomBytes(5000, 3);
        const QString archive = dir.filePath("damaged.zip");
        QVERIFY(writeZip(archive, {{"data.bin", content, S_IFREG | 0644, true}}));
        QByteArray bytes = readBytes(archive);
        const int at = bytes.indexOf(content.left(64));
        QVERIFY(at > 0);
        bytes[at + 2500] = char(bytes[at + 2500] ^ 0x5a);
        QVERIFY(writeBytes(archive, bytes));

        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dir.filePath("out"), {}, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeFileInfoNotLoadable));
        QCOMPARE(error.text, QStringLiteral("crc check failed for file"));
        QCOMPARE(treeOf(dir.filePath("out")), QStringList());
    }

    void fileThatCannotBeCreatedEndsTheRun()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("blocked.zip");
        QVERIFY(writeZip(archive, {{"taken", "data", S_IFREG | 0644},
                                   {"later.txt", "later", S_IFREG | 0644}}));
        QVERIFY(writeBytes(dir.filePath("out/taken/inside.txt"), "folder in the way"));
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dir.filePath("out"), {}, &error));
        QCOMPARE(error.domain, QString::fromLatin1(SSZipPosixErrorDomain));
        QVERIFY(error.code > 0);
        QCOMPARE(readBytes(dir.filePath("out/taken/inside.txt")), QByteArray("folder in the way"));
        QVERIFY(!QFileInfo::exists(dir.filePath("out/later.txt")));
    }

    void badArgumentsAndUnreadableArchivesAreErrors()
    {
        QTemporaryDir dir;
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(QString(), dir.path(), {}, &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeInvalidArguments));
        QCOMPARE(error.text, QStringLiteral("received invalid argument(s)"));
        QVERIFY(writeBytes(dir.filePath("not.zip"), "this is no archive"));
        QVERIFY(!SSZipArchive::unzipFileAtPath(dir.filePath("not.zip"), dir.filePath("o"), {},
                                               &error));
        QCOMPARE(error.code, int(SSZipArchiveErrorCodeFailedOpenZipFile));
        QVERIFY(writeZip(dir.filePath("empty.zip"), {}));
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("empty.zip"), dir.filePath("e")));
    }

    void delegateFollowsProgressAndCanCancel()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("three.zip");
        QVERIFY(writeZip(archive, {{"1.bin", randomBytes(4000, 1), S_IFREG | 0644},
                                   {"2.bin", randomBytes(4000, 2), S_IFREG | 0644},
                                   {"3.bin", randomBytes(4000, 3), S_IFREG | 0644}}));
        RecordingDelegate all;
        QStringList names;
        QVERIFY(SSZipArchive::unzipFileAtPath(
            archive, dir.filePath("all"), {}, nullptr, &all,
            [&](const QString &entry, const SSZipEntryInfo &, qint64 number, qint64 total) {
                names << QStringLiteral("%1 %2/%3").arg(entry).arg(number).arg(total);
            }));
        QCOMPARE(names, (QStringList{"1.bin 0/3", "2.bin 1/3", "3.bin 2/3"}));
        QCOMPARE(all.willUnzip, 1);
        QCOMPARE(all.didUnzip, 1);
        QCOMPARE(all.loaded.first(), quint64(0));
        QCOMPARE(all.loaded.last(), quint64(QFileInfo(archive).size()));
        QVERIFY(std::is_sorted(all.loaded.begin(), all.loaded.end()));

        RecordingDelegate cancelling;
        cancelling.stopAt = 1;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, dir.filePath("cut"), {}, nullptr,
                                               &cancelling));
        QCOMPARE(treeOf(dir.filePath("cut")), QStringList{"1.bin"});
        QCOMPARE(cancelling.didUnzip, 0);
        QVERIFY(cancelling.loaded.last() < quint64(QFileInfo(archive).size()));
    }

    void existingFilesAreKeptWithoutOverwrite()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("a.zip");
        QVERIFY(writeZip(archive, {{"f.txt", "new", S_IFREG | 0644}}));
        QVERIFY(writeBytes(dir.filePath("out/f.txt"), "old"));
        SSZipArchive::UnzipOptions keep;
        keep.overwrite = false;
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, dir.filePath("out"), keep));
        QCOMPARE(readBytes(dir.filePath("out/f.txt")), QByteArray("old"));
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, dir.filePath("out")));
        QCOMPARE(readBytes(dir.filePath("out/f.txt")), QByteArray("new"));
    }

    // A file takes the entry's name while the entry is extracted, just
    // before the move onto it: it stays unless files are replaced, and then
    // what replaces it is on the disk first.
    void aNameTakenJustBeforeTheMove_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("kept without overwrite") << false << QByteArray("another program's file");
        QTest::newRow("replaced with overwrite") << true << QByteArray("new");
    }
    void aNameTakenJustBeforeTheMove()
    {
        QFETCH(bool, overwrite);
        QFETCH(QByteArray, kept);
        QTemporaryDir dir;
        const QString archive = dir.filePath("a.zip");
        QVERIFY(writeZip(archive, {{"f.txt", "new", S_IFREG | 0644}, {"g.txt", "next", S_IFREG | 0644}}));
        const QString out = dir.filePath("out");
        Moves &m = moves();
        {
            std::lock_guard<std::mutex> lock(m.mutex);
            m.armed = QFile::encodeName(out + "/f.txt").toStdString();
            m.taken = false;
            m.replacedUnsynced.clear();
        }
        SSZipArchive::UnzipOptions options;
        options.overwrite = overwrite;
        const bool ok = SSZipArchive::unzipFileAtPath(archive, out, options);
        std::lock_guard<std::mutex> lock(m.mutex);
        m.armed.clear();
        QVERIFY2(m.taken, "the entry was never moved onto its name");
        QVERIFY(ok);
        QCOMPARE(readBytes(out + "/f.txt"), kept);
        QCOMPARE(readBytes(out + "/g.txt"), QByteArray("next"));
        QCOMPARE(treeOf(out), (QStringList{"f.txt", "g.txt"}));
        QCOMPARE(QString::fromStdString(m.replacedUnsynced), QString());
    }

    // Without the entry's own attributes a file replaced keeps its
    // permissions and a new one gets the usual ones; nothing else is left.
    void permissionsWithoutTheEntrysAttributes_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("new file") << false;
        QTest::newRow("file replaced") << true;
    }
    void permissionsWithoutTheEntrysAttributes()
    {
        QFETCH(bool, existing);
        QTemporaryDir dir;
        const QString archive = dir.filePath("a.zip");
        QVERIFY(writeZip(archive, {{"f.txt", "new", S_IFREG | 0755}}));
        const QString out = dir.filePath("out");
        const mode_t mask = ::umask(022);
        ::umask(mask);
        mode_t expected = 0666 & ~mask;
        if (existing) {
            QVERIFY(writeBytes(out + "/f.txt", "old"));
            QCOMPARE(::chmod(QFile::encodeName(out + "/f.txt").constData(), 0604), 0);
            expected = 0604;
        }
        SSZipArchive::UnzipOptions options;
        options.preserveAttributes = false;
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, out, options));
        QCOMPARE(readBytes(out + "/f.txt"), QByteArray("new"));
        QCOMPARE(modeOf(out + "/f.txt") & 07777, expected);
        QCOMPARE(treeOf(out), QStringList{"f.txt"});
    }

    void nestedArchivesUnpackIntoTheirFolder()
    {
        QTemporaryDir dir;
        QVERIFY(writeZip(dir.filePath("inner.zip"), {{"deep.txt", "deep", S_IFREG | 0644}}));
        QVERIFY(writeZip(dir.filePath("outer.zip"),
                         {{"inner.zip", readBytes(dir.filePath("inner.zip")),
                           S_IFREG | 0644}}));
        SSZipArchive::UnzipOptions nested;
        nested.nestedZipLevel = 1;
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("outer.zip"), dir.filePath("n"), nested));
        QCOMPARE(treeOf(dir.filePath("n")), (QStringList{"inner", "inner/deep.txt"}));
        QVERIFY(SSZipArchive::unzipFileAtPath(dir.filePath("outer.zip"), dir.filePath("flat")));
        QCOMPARE(treeOf(dir.filePath("flat")), QStringList{"inner.zip"});
    }

    void relativeDestinationUnpacksEverything_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::newRow("a name") << QStringLiteral("out");
        QTest::newRow("through . and ..") << QStringLiteral("./made/../out");
        QTest::newRow("two levels") << QStringLiteral("deep/out");
    }
    void relativeDestinationUnpacksEverything()
    {
        QFETCH(QString, destination);
        QTemporaryDir dir;
        const QString source = dir.filePath("source");
        QVERIFY(writeBytes(source + "/sub/inner.txt", "inner"));
        QVERIFY(writeBytes(source + "/top.txt", "top"));
        QVERIFY(QDir().mkpath(source + "/empty/deeper"));
        QCOMPARE(::symlink("sub/inner.txt", QFile::encodeName(source + "/link").constData()), 0);
        const QString archive = dir.filePath("tree.zip");
        QVERIFY(SSZipArchive::createZipFileAtPathWithContentsOfDirectory(archive, source));

        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        SSZipError error;
        const bool ok = SSZipArchive::unzipFileAtPath(archive, destination, {}, &error);
        QVERIFY(QDir::setCurrent(before));
        QVERIFY2(ok, qPrintable(error.text));
        const QString out = QDir::cleanPath(dir.filePath(destination));
        QCOMPARE(treeOf(out), treeOf(source));
        QCOMPARE(readBytes(out + "/link"), QByteArray("inner"));
    }

    void wrongPasswordCreatesNothing_data()
    {
        QTest::addColumn<bool>("aes");
        QTest::addColumn<bool>("destinationExists");
        QTest::newRow("traditional, new destination") << false << false;
        QTest::newRow("AES, new destination") << true << false;
        QTest::newRow("AES, destination there") << true << true;
    }
    void wrongPasswordCreatesNothing()
    {
        QFETCH(bool, aes);
        QFETCH(bool, destinationExists);
        QTemporaryDir dir;
        const QString source = dir.filePath("source");
        // Folder entries come before the encrypted files they lead to.
        QVERIFY(QDir().mkpath(source + "/a empty folder"));
        QVERIFY(writeBytes(source + "/sub/deeper/secret.bin", randomBytes(3000, 5)));
        const QString archive = dir.filePath("secret.zip");
        QVERIFY(SSZipArchive::createZipFileAtPathWithContentsOfDirectory(archive, source, true, -1, "right",
                                                                         aes));
        const QString out = dir.filePath("out/inside");
        if (destinationExists)
            QVERIFY(QDir().mkpath(out));

        SSZipArchive::UnzipOptions options;
        options.password = "wrong";
        SSZipError error;
        QVERIFY(!SSZipArchive::unzipFileAtPath(archive, out, options, &error));
        QVERIFY(!error.text.isEmpty());
        QCOMPARE(QFileInfo::exists(dir.filePath("out")), destinationExists);
        QCOMPARE(treeOf(out), QStringList());

        options.password = "right";
        QVERIFY(SSZipArchive::unzipFileAtPath(archive, out, options, &error));
        QCOMPARE(treeOf(out), (QStringList{"source", "source/a empty folder", "source/sub",
                                           "source/sub/deeper", "source/sub/deeper/secret.bin"}));
    }

    void datesNamesAndTexts()
    {
        // 2020-06-15 13:45:30: year 40, month 6, day 15, hour 13, minute 45, 15 two-seconds.
        const quint32 dos = 40u << 25 | 6u << 21 | 15u << 16 | 13u << 11 | 45u << 5 | 15u;
        const QDateTime date = SSZipArchive::dateWithMSDOSFormat(dos);
        QCOMPARE(date, QDateTime(QDate(2020, 6, 15), QTime(13, 45, 30)));
        QCOMPARE(SSZipArchive::msdosFormatWithDate(date), dos);

        QCOMPARE(SSZipArchive::filenameFromRawName("\x81" "ber.txt", 20, 0), QStringLiteral("über.txt"));
        QCOMPARE(SSZipArchive::filenameFromRawName("\xc3\xbc" "ber.txt", 20, 1 << 11),
                 QStringLiteral("über.txt"));
        QCOMPARE(SSZipArchive::filenameFromRawName("\xc3\xbc" "ber.txt", (3 << 8) | 30, 0),
                 QStringLiteral("über.txt"));
        QCOMPARE(SSZipArchive::filenameFromRawName("\xff\xfe\xff", (3 << 8) | 30, 0),
                 QStringLiteral("FFFEFF"));

        QCOMPARE(SSZipArchive::hexString(QByteArray("\x00\x0f\xab", 3)), QStringLiteral("000FAB"));
        QCOMPARE(SSZipArchive::base64RFC4648(QByteArray("\xfb\xff\xfe", 3)), QStringLiteral("-__-"));
    }
};

QTEST_GUILESS_MAIN(ZipArchiveTest)
#include "tst_ziparchive.moc"
