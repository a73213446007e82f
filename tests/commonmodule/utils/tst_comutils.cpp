// The common module's services on real files in the sandbox: versions,
// folders, file operations and the home trash, digests and texts, sizes and
// images, and privileged commands through stand-in launchers.
#include "commonutils/rzcomutils.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestSupport::readBytes;
using TestSupport::writeBytes;

// A launcher that grants (runs the command) or refuses as pkexec does.
RZAuthorization standInLauncher(const QString &folder, bool grant)
{
    const QString path = folder + (grant ? "/grant.sh" : "/refuse.sh");
    writeBytes(path, grant ? "#!/bin/sh\nexec \"$@\"\n" : "#!/bin/sh\nexit 126\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return {path};
}

} // namespace

class ComUtilsTest : public QObject
{
    Q_OBJECT
private slots:
    void versionTextsNeverReadPastTheirParts()
    {
        int major = -1, minor = -1, bugfix = -1;
        QVERIFY(RZComUtils::splitVersion("2.5", &major, &minor, &bugfix));
        QCOMPARE(major, 2);
        QCOMPARE(minor, 5);
        QCOMPARE(bugfix, -1);
        QVERIFY(RZComUtils::splitVersion("1.2.3.4", &major, &minor, &bugfix));
        QCOMPARE(QVector<int>({major, minor, bugfix}), QVector<int>({1, 2, 3}));
        major = minor = bugfix = -1;
        QVERIFY(RZComUtils::splitVersion("7", &major, &minor, &bugfix));
        QCOMPARE(QVector<int>({major, minor, bugfix}), QVector<int>({7, -1, -1}));
        QVERIFY(RZComUtils::splitVersion("x.9y", &major, &minor, &bugfix));
        QCOMPARE(QVector<int>({major, minor}), QVector<int>({0, 9}));
        major = 11;
        QVERIFY(!RZComUtils::splitVersion("", &major, &minor, &bugfix));
        QCOMPARE(major, 11);

        major = minor = bugfix = 0;
        QVERIFY(RZComUtils::applicationVersion(QString(), &major, &minor, &bugfix));
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(bugfix),
                 RZComUtils::applicationVersionString(QString()));
        QVERIFY(RZComUtils::applicationVersion(QCoreApplication::applicationFilePath(), &major,
                                               &minor, &bugfix));
        QVERIFY(!RZComUtils::applicationVersion("/usr/bin", &major, &minor, &bugfix));
        QCOMPARE(RZComUtils::appShortVersion(), RZComUtils::applicationVersionString(QString()));
        QCOMPARE(RZComUtils::appVersionFloat(), double(major) + minor / 10.0 + bugfix / 100.0);

        QVERIFY(RZComUtils::isLessThanSystemVersion(99999, 0, 0));
        QVERIFY(!RZComUtils::isLessThanSystemVersion(0, 0, 0));
        QCOMPARE(RZComUtils::systemName(), QString());
        QVERIFY(!RZComUtils::isSIPEnabled());
        QCOMPARE(RZComUtils::appFrame(), QRect(0, 0, 0, 0));
        QCOMPARE(RZComUtils::appName(), QStringLiteral("Comutils Test"));
        QCOMPARE(RZComUtils::appCopyright(), QString("Copyright \u00a9 Velmora. All rights reserved."));
    }

    void statusBarHeightFollowsTheSystemVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<double>("height");
        QTest::newRow("below seven") << "6.9" << 0.0;
        QTest::newRow("seven") << "7" << 20.0;
        QTest::newRow("seven point") << "7." << 20.0;
        QTest::newRow("three parts") << "10.15.7" << 20.0;
        QTest::newRow("blank first") << " 12" << 20.0;
        QTest::newRow("text after") << "8 (bookworm)" << 20.0;
        QTest::newRow("no number") << "unknown" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
    }

    void statusBarHeightFollowsTheSystemVersion()
    {
        QFETCH(QString, version);
        QFETCH(double, height);
        QCOMPARE(RZComUtils::statusBarHeight(version), height);
    }

    void statusBarHeightOfThisSystem()
    {
        // The rule itself is checked row by row above; here, that it reads this system's version.
        QCOMPARE(RZComUtils::statusBarHeight(), RZComUtils::statusBarHeight(RZComUtils::systemVersion()));
    }

    void foldersComeFromTheUsersXdgFolders()
    {
        const QString home = qEnvironmentVariable("HOME");
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QCOMPARE(RZComUtils::userDocumentsDirectory(), home + "/Documents");
        QCOMPARE(RZComUtils::userSupportDirectory(), data);
        QCOMPARE(RZComUtils::userTrashDirectory(), data + "/Trash");
        QCOMPARE(RZComUtils::userCachesDirectory(), qEnvironmentVariable("XDG_CACHE_HOME"));
        QCOMPARE(RZComUtils::filePathForDocumentDirectory("a.txt"), home + "/Documents/a.txt");
        QCOMPARE(RZComUtils::filePathForTempDirectory("t"), QDir::tempPath() + "/t");
        QCOMPARE(RZComUtils::userLibraryDirectory(), data);
        const QString support = RZComUtils::currentAppSupportDirectory();
        QCOMPARE(support, data + "/Comutils Test");
        QVERIFY(QFileInfo(support).isDir());
        QVERIFY(QFileInfo(RZComUtils::currentAppCachesDirectory()).isDir());
    }

    void fileOperationsOnRealFiles()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("f.txt");
        QVERIFY(RZComUtils::creatFile(file, "content", QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(RZComUtils::checkIsExistsFile(file));
        QVERIFY(!RZComUtils::checkIsExistsDir(file));
        QVERIFY(RZComUtils::checkIsExistsDir(dir.path()));
        QVERIFY(!RZComUtils::checkIsExistsFile(QString()));
        QVERIFY(RZComUtils::isReadableFileAtPath(file));
        QVERIFY(RZComUtils::isWritableFileAtPath(file));
        QCOMPARE(QFileInfo(file).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);

        QVERIFY(RZComUtils::renameFile(file, "g.txt"));
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(readBytes(dir.filePath("g.txt")), QByteArray("content"));
        QVERIFY(!RZComUtils::renameFile(file, "h.txt"));
        QVERIFY(writeBytes(dir.filePath("taken.txt"), "keep me"));
        QVERIFY(!RZComUtils::renameFile(dir.filePath("g.txt"), "taken.txt"));
        QCOMPARE(readBytes(dir.filePath("taken.txt")), QByteArray("keep me"));
        QVERIFY(QFileInfo::exists(dir.filePath("g.txt")));

        // A tree with a link is copied as it is, never through the link.
        QVERIFY(RZComUtils::createDirectoryAtPath(dir.filePath("tree/sub")));
        QVERIFY(writeBytes(dir.filePath("tree/sub/a.bin"), "aaaa"));
        QVERIFY(writeBytes(dir.filePath("tree/.hidden"), "hh"));
        QCOMPARE(::symlink("sub", QFile::encodeName(dir.filePath("tree/link")).constData()), 0);
        QVERIFY(RZComUtils::copyItemAtPath(dir.filePath("tree"), dir.filePath("copy")));
        QCOMPARE(readBytes(dir.filePath("copy/sub/a.bin")), QByteArray("aaaa"));
        QCOMPARE(QFileInfo(dir.filePath("copy/link")).symLinkTarget(), dir.filePath("copy/sub"));
        QVERIFY(!RZComUtils::copyItemAtPath(dir.filePath("tree"), dir.filePath("copy")));

        QCOMPARE(RZComUtils::filePathsOfDirectory(dir.filePath("tree")),
                 QStringList{dir.filePath("tree/sub/a.bin")});
        QCOMPARE(RZComUtils::fileSize(dir.filePath("tree"), true), quint64(4));
        QCOMPARE(RZComUtils::fileSize(dir.filePath("tree/.hidden"), false), quint64(2));
        QCOMPARE(RZComUtils::contentsOfDirectoryAtPath(dir.filePath("tree")),
                 (QStringList{".hidden", "link", "sub"}));
        QCOMPARE(RZComUtils::contentsOfDirectoryAtPath(dir.filePath("tree"), true).size(), 2);
        QVERIFY(RZComUtils::contentsOfDirectoryAtPath(QString(), true).isEmpty());

        QVERIFY(RZComUtils::moveItemAtPath(dir.filePath("copy"), dir.filePath("moved")));
        QVERIFY(!RZComUtils::moveItemAtPath(dir.filePath("moved"), dir.filePath("tree")));
        // Deleting a link to a folder leaves the folder.
        QVERIFY(RZComUtils::deleteFile(dir.filePath("moved/link")));
        QVERIFY(QFileInfo::exists(dir.filePath("moved/sub/a.bin")));
        QVERIFY(RZComUtils::deleteFile(dir.filePath("moved")));
        QVERIFY(!RZComUtils::checkIsExistsFile(dir.filePath("moved")));
        QVERIFY(!RZComUtils::deleteFile(dir.filePath("moved")));

        QVERIFY(writeBytes(RZComUtils::filePathForDocumentDirectory("doc.txt"), "d"));
        QVERIFY(RZComUtils::deleteDocumentFile("doc.txt"));
        QVERIFY(!RZComUtils::deleteDocumentFile("doc.txt"));
    }

    void trashTakesTheNextFreeNumberedName()
    {
        QTemporaryDir dir;
        const QString trash = RZComUtils::userTrashDirectory();
        QVERIFY(writeBytes(trash + "/files/name.txt", "older"));
        QVERIFY(writeBytes(trash + "/files/1_name.txt", "old"));
        const QString file = dir.filePath("name.txt");
        QVERIFY(writeBytes(file, "newest"));
        QVERIFY(RZComUtils::moveToTrash(file));
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(readBytes(trash + "/files/2_name.txt"), QByteArray("newest"));
        const QString info = QString::fromUtf8(readBytes(trash + "/info/2_name.txt.trashinfo"));
        QVERIFY2(info.startsWith("[Trash Info]\nPath=" + QUrl::toPercentEncoding(file, "/")
                                 + "\nDeletionDate="),
                 qPrintable(info));
        QVERIFY(!RZComUtils::moveToTrash(file));
        QVERIFY(!RZComUtils::moveToTrash(QString()));
    }

    void digestsAndTexts()
    {
        QCOMPARE(RZComUtils::sha1("abc"), QStringLiteral("a9993e364706816aba3e25717850c26c9cd0d89d"));
        QCOMPARE(RZComUtils::encStringByAddingPercentEscapes("a b!*'();:@&=+$,/?%#[]ü~"),
                 QStringLiteral("a%20b%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D%C3%BC~"));
        QCOMPARE(RZComUtils::stringByReplacingWithMatches("(\\d+)-(\\d+)", "Range 10-20 AND 3-4",
                                                          "$2..$1"),
                 QStringLiteral("Range 20..10 AND 4..3"));
        QCOMPARE(RZComUtils::stringByReplacingWithMatches("abc", "xABCx", "-"), QStringLiteral("x-x"));
        QCOMPARE(RZComUtils::stringByReplacingWithMatches("(", "text", "-"), QStringLiteral("text"));
        QCOMPARE(RZComUtils::stringByTrimmingWhitespace(" \n\tx y \r\n"), QStringLiteral("x y"));
        QCOMPARE(RZComUtils::fileNameByTrimmingSpecialCharacters("  ..a:b/c.txt "),
                 QStringLiteral("abc.txt"));

        QVariantMap inner{{"null", QVariant()}, {"n", 3}};
        QVariantMap map{{"a", QVariant()}, {"b", "text"}, {"inner", inner}};
        RZComUtils::safeDictionart(map);
        QCOMPARE(map.value("a"), QVariant(QString("")));
        QCOMPARE(map.value("b"), QVariant("text"));
        QCOMPARE(map.value("inner").toMap().value("null"), QVariant(QString("")));
        QCOMPARE(map.value("inner").toMap().value("n"), QVariant(3));
    }

    void sizesAndImages()
    {
        QCOMPARE(RZComUtils::formatDiskSize(999999), QStringLiteral("1000.0 KB"));
        QCOMPARE(RZComUtils::formatDiskSize(1000000), QStringLiteral("1.0 MB"));
        QCOMPARE(RZComUtils::formatDiskSize(2500000000ull), QStringLiteral("2.5 GB"));
        QCOMPARE(RZComUtils::formatDiskSize(3000000000000ull), QStringLiteral("3.0 TB"));
        QCOMPARE(RZComUtils::fitSize({100, 50}, {200, 200}), QSizeF(100, 50));
        QCOMPARE(RZComUtils::fitSize({400, 200}, {200, 200}), QSizeF(200, 100));
        QCOMPARE(RZComUtils::fitSize({100, 400}, {200, 200}), QSizeF(50, 200));
        QCOMPARE(RZComUtils::fillSize({100, 50}, {200, 200}), QSizeF(200, 100));

        QImage image(400, 200, QImage::Format_ARGB32);
        image.fill(QColor(10, 200, 30));
        const QImage cropped = RZComUtils::croppedImage(image, {200, 200});
        QCOMPARE(cropped.size(), QSize(200, 100));
        QCOMPARE(cropped.format(), image.format());
        QCOMPARE(cropped.pixelColor(100, 50), QColor(10, 200, 30));
        QVERIFY(RZComUtils::croppedImage(QImage(), {10, 10}).isNull());
        QVERIFY(RZComUtils::defaultFontWithSize(13).pointSizeF() == 13.0);
    }

    void privilegedCommandsRunOnlyWhenGranted()
    {
        QTemporaryDir dir;
        const RZAuthorization grant = standInLauncher(dir.path(), true);
        const RZAuthorization refuse = standInLauncher(dir.path(), false);
        QVERIFY(writeBytes(dir.filePath("victim/file"), "x"));

        QVERIFY(!RZComUtils::removeItemAtPath(dir.filePath("victim"), refuse));
        QVERIFY(!RZComUtils::removeItemAtPath(dir.filePath("victim"), RZAuthorization()));
        QVERIFY(!RZComUtils::removeItemAtPath(QString(), grant));
        QVERIFY(QFileInfo::exists(dir.filePath("victim/file")));
        QVERIFY(RZComUtils::removeItemAtPath(dir.filePath("victim"), grant));
        QVERIFY(!QFileInfo::exists(dir.filePath("victim")));
        QVERIFY(!RZComUtils::AuthorizationExecute([](const RZAuthorization &) { return true; },
                                                  RZAuthorization()));

        QVERIFY(writeBytes(dir.filePath("src/a.txt"), "new"));
        QVERIFY(writeBytes(dir.filePath("dst/old.txt"), "old"));
        QVERIFY(!RZComUtils::copyItemAtPath(dir.filePath("src"), dir.filePath("dst"), true, refuse));
        QVERIFY(QFileInfo::exists(dir.filePath("dst/old.txt")));
        // Without rights: replaced only by a complete copy.
        QVERIFY(writeBytes(dir.filePath("broken/a.txt"), "a"));
        QLocalServer socket;   // a socket file can't be copied
        QVERIFY(socket.listen(dir.filePath("broken/z.socket")));
        QVERIFY(!RZComUtils::copyItemAtPath(dir.filePath("broken"), dir.filePath("dst"), false));
        QVERIFY(QFileInfo::exists(dir.filePath("dst/old.txt")));
        QVERIFY(RZComUtils::copyItemAtPath(dir.filePath("src"), dir.filePath("plain"), false));
        QVERIFY(writeBytes(dir.filePath("src2/b.txt"), "b"));
        QVERIFY(RZComUtils::copyItemAtPath(dir.filePath("src2"), dir.filePath("plain"), false));
        QCOMPARE(RZComUtils::contentsOfDirectoryAtPath(dir.filePath("plain")), QStringList{"b.txt"});
        QCOMPARE(RZComUtils::contentsOfDirectoryAtPath(dir.path()).filter(".part").size(), 0);
        if (::geteuid() != 0)
            QSKIP("giving files to user 0 needs root");
        QVERIFY(RZComUtils::copyItemAtPath(dir.filePath("src"), dir.filePath("dst"), true, grant));
        QVERIFY(!QFileInfo::exists(dir.filePath("dst/old.txt")));
        QCOMPARE(readBytes(dir.filePath("dst/a.txt")), QByteArray("new"));

        QVERIFY(writeBytes(dir.filePath("m/one"), "1"));
        QVERIFY(RZComUtils::AuthorizationExecuteMoveItemAtPath(
            dir.filePath("m"), dir.filePath("m2"), dir.filePath("src"), dir.filePath("c2"), grant));
        QCOMPARE(readBytes(dir.filePath("m2/one")), QByteArray("1"));
        QCOMPARE(readBytes(dir.filePath("c2/a.txt")), QByteArray("new"));
        QVERIFY(!RZComUtils::AuthorizationExecuteMoveItemAtPath(
            dir.filePath("gone"), dir.filePath("m3"), dir.filePath("src"), dir.filePath("c3"), grant));
        QVERIFY(!QFileInfo::exists(dir.filePath("c3")));
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("comutils");
    QGuiApplication::setApplicationDisplayName("Comutils Test");
    ComUtilsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_comutils.moc"
