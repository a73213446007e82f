#pragma once
// Stateless services of the common module: system and application versions,
// standard folders, file operations (the freedesktop trash among them),
// operations with administrator rights through pkexec, and small text, size
// and image functions. An empty argument gives false, an empty result or the
// input back.

#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>

// The program that grants administrator rights to one command. Missing when
// no such program is installed; tests name a stand-in.
struct RZAuthorization
{
    QString launcher;
    bool isValid() const { return !launcher.isEmpty(); }
};

class RZComUtils
{
public:
    // --- versions -----------------------------------------------------------
    static bool checkIsExistsDir(const QString &path);
    // Splits "major.minor.bugfix" at "."; each part present gives the number
    // of its leading digits (0 when none), parts missing leave their output
    // untouched, further parts are ignored. False for an empty text.
    static bool splitVersion(const QString &version, int *major, int *minor, int *bugfix);
    // The version compiled into this program, for an empty path or this
    // program's own file or folder; other paths carry no version here.
    static bool applicationVersion(const QString &programPath, int *major, int *minor,
                                   int *bugfix);
    static QString applicationVersionString(const QString &programPath);

    static QString systemName();   // empty on Linux
    static QString systemVersion();
    static int systemVersionMajor();
    static int systemVersionMinor();
    static int systemVersionBugfix();
    static bool isLessThanSystemVersion(int major, int minor, int bugfix);
    static bool isSIPEnabled();        // false: no Linux meaning
    // 20.0 when the system version reads as a number of at least 7, else 0.0;
    // the text is read up to its first character that can't continue a number.
    static double statusBarHeight();
    static double statusBarHeight(const QString &systemVersion);
    static QRect appFrame();           // the zero rectangle
    static QString appShortVersion();
    // The program's copyright line, as the About dialog shows it.
    static QString appCopyright();
    // "1.1.0.5" reads as 1.105.
    static double appVersionFloat();
    static QString appName();
    static QString bundleDisplayName();
    static QString bundleIdentifier();

    // --- folders ------------------------------------------------------------
    static QString userDocumentsDirectory();
    static QString userSupportDirectory();
    static QString userTrashDirectory();     // the freedesktop home trash
    static QString userCachesDirectory();
    static QString userMoviesDirectory();
    static QString userLibraryDirectory();   // the XDG data home
    static QString filePathForDocumentDirectory(const QString &component);
    static QString filePathForCachesDirectory(const QString &component);
    static QString filePathForMoviesDirectory(const QString &component);
    static QString filePathForSupportDirectory(const QString &component);
    static QString filePathForTempDirectory(const QString &component);
    // Created when missing; empty when that fails.
    static QString currentAppSupportDirectory();
    static QString currentAppCachesDirectory();

    // --- files --------------------------------------------------------------
    static bool checkIsExistsFile(const QString &path);
    // Permissions 0 keep the default ones.
    static bool creatFile(const QString &path, const QByteArray &content,
                          QFile::Permissions permissions = QFile::Permissions());
    static bool createDirectoryAtPath(const QString &path);
    static bool isWritableFileAtPath(const QString &path);
    static bool isReadableFileAtPath(const QString &path);
    // A new name in the same folder; the source goes only once the new one is there.
    static bool renameFile(const QString &path, const QString &newName);
    static bool moveItemAtPath(const QString &from, const QString &to);
    static bool copyItemAtPath(const QString &from, const QString &to);
    static bool deleteFile(const QString &path);
    // Into the home trash with its .trashinfo; a taken name becomes "1_name",
    // "2_name", ...
    static bool moveToTrash(const QString &path);
    static bool deleteDocumentFile(const QString &name);
    static QFileInfo fileProperty(const QString &path);
    static QStringList filePathsOfDirectory(const QString &path);
    static quint64 fileSize(const QString &path, bool isDirectory);
    static QStringList contentsOfDirectoryAtPath(const QString &path);
    static QList<QUrl> contentsOfDirectoryAtPath(const QString &path, bool skipHiddenFiles);

    // --- texts, sizes, images -----------------------------------------------
    static void safeDictionart(QVariantMap &map);
    static QString sha1(const QString &text);
    static QString encStringByAddingPercentEscapes(const QString &text);
    // Case-insensitive pattern; "$1" in the template names a group.
    static QString stringByReplacingWithMatches(const QString &pattern, const QString &text,
                                                const QString &replacement);
    static QString stringByTrimmingWhitespace(const QString &text);
    static QString fileNameByTrimmingSpecialCharacters(const QString &text);
    static QFont defaultFontWithSize(double size);
    static QString formatDiskSize(quint64 bytes);
    static QSizeF fitSize(const QSizeF &size, const QSizeF &bounds);
    static QSizeF fillSize(const QSizeF &size, const QSizeF &bounds);
    static QImage croppedImage(const QImage &image, const QSizeF &bounds);

    // --- administrator rights -----------------------------------------------
    // pkexec when installed, else an invalid authorization.
    static RZAuthorization systemAuthorization();
    // Runs the command through the launcher and waits for it (the caller's
    // thread blocks); true only for a normal exit with status 0, so a refused
    // authentication is a failure.
    static bool AuthorizationExecuteWithPrivileges(const RZAuthorization &authorization,
                                                   const QString &command,
                                                   const QStringList &args);
    static bool removeItemAtPath(const QString &path, const RZAuthorization &authorization);
    static bool moveItemAtPath(const QString &from, const QString &to,
                               const RZAuthorization &authorization);
    static bool copyItemAtPath(const QString &from, const QString &to,
                               const RZAuthorization &authorization);
    static bool chownItemAtPath(const QString &path, const RZAuthorization &authorization);
    // The block's result, false when there is no authorization.
    static bool AuthorizationExecute(const std::function<bool(const RZAuthorization &)> &block,
                                     const RZAuthorization &authorization = systemAuthorization());
    static bool copyItemAtPath(const QString &from, const QString &to, bool useAuthor,
                               const RZAuthorization &authorization = systemAuthorization());
    static bool AuthorizationExecuteMoveItemAtPath(
        const QString &moveFrom, const QString &moveTo, const QString &copyFrom,
        const QString &copyTo, const RZAuthorization &authorization = systemAuthorization());

private:
    RZComUtils() = default;
};
