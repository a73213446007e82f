// File operations, the home trash and commands with administrator rights.
#include "rzcomutils.h"
#include "commonutilslog.h"
#include "linktext.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool lstatOf(const QString &path, struct stat *st)
{
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

bool exists(const QString &path)
{
    struct stat st;
    return lstatOf(path, &st);
}

// Copies files, folders and links; never follows a link.
bool copyTree(const QString &from, const QString &to)
{
    struct stat st;
    if (!lstatOf(from, &st) || exists(to))
        return false;
    if (S_ISLNK(st.st_mode)) {
        QByteArray target;
        return readLinkText(from, &target)
            && ::symlink(target.constData(), QFile::encodeName(to).constData()) == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        if (!QDir().mkdir(to))
            return false;
        const QStringList names = QDir(from).entryList(QDir::AllEntries | QDir::Hidden
                                                       | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names) {
            if (!copyTree(from + '/' + name, to + '/' + name))
                return false;
        }
        ::chmod(QFile::encodeName(to).constData(), st.st_mode & 07777);
        return true;
    }
    return QFile::copy(from, to);
}

void collectFiles(const QString &folder, const QString &prefix, QStringList *paths)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString path = prefix + '/' + entry.fileName();
        if (entry.isDir() && !entry.isSymLink())
            collectFiles(entry.absoluteFilePath(), path, paths);
        else if (!entry.isDir())
            *paths << path;
    }
}

QString trashInfo(const QString &originalPath)
{
    return QStringLiteral("[Trash Info]\nPath=%1\nDeletionDate=%2\n")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(originalPath, "/")),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")));
}

} // namespace

// --- files ---------------------------------------------------------------------

bool RZComUtils::checkIsExistsFile(const QString &path)
{
    return exists(path);
}

bool RZComUtils::creatFile(const QString &path, const QByteArray &content,
                           QFile::Permissions permissions)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit())
        return false;
    return permissions == QFile::Permissions() || QFile::setPermissions(path, permissions);
}

bool RZComUtils::createDirectoryAtPath(const QString &path)
{
    return !path.isEmpty() && QDir().mkpath(path);
}

bool RZComUtils::isWritableFileAtPath(const QString &path)
{
    return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

bool RZComUtils::isReadableFileAtPath(const QString &path)
{
    return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

bool RZComUtils::renameFile(const QString &path, const QString &newName)
{
    if (!exists(path) || newName.isEmpty() || newName.contains('/'))
        return false;
    return moveItemAtPath(path, QFileInfo(path).absoluteDir().filePath(newName));
}

bool RZComUtils::moveItemAtPath(const QString &from, const QString &to)
{
    if (!exists(from) || to.isEmpty() || exists(to))
        return false;
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    // Another file system: the source goes only once the copy is complete.
    if (!copyTree(from, to)) {
        deleteFile(to);
        return false;
    }
    return deleteFile(from);
}

bool RZComUtils::copyItemAtPath(const QString &from, const QString &to)
{
    return !to.isEmpty() && copyTree(from, to);
}

bool RZComUtils::deleteFile(const QString &path)
{
    struct stat st;
    if (!lstatOf(path, &st))
        return false;
    if (S_ISDIR(st.st_mode))
        return QDir(path).removeRecursively();
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool RZComUtils::moveToTrash(const QString &path)
{
    if (!exists(path))
        return false;
    const QString trash = userTrashDirectory();
    const QString files = trash + QStringLiteral("/files");
    const QString infos = trash + QStringLiteral("/info");
    if (trash.isEmpty() || !QDir().mkpath(files) || !QDir().mkpath(infos))
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString name = QFileInfo(absolute).fileName();
    for (unsigned long counter = 0; counter < 100000; ++counter) {
        const QString candidate = counter == 0 ? name
                                               : QStringLiteral("%1_%2").arg(counter).arg(name);
        if (exists(files + '/' + candidate))
            continue;
        // The info file claims the name, so two trashing processes never share one.
        const QString infoPath = infos + '/' + candidate + QStringLiteral(".trashinfo");
        const int fd = ::open(QFile::encodeName(infoPath).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const QByteArray info = trashInfo(absolute).toUtf8();
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size();
        ::close(fd);
        if (written && moveItemAtPath(absolute, files + '/' + candidate))
            return true;
        QFile::remove(infoPath);
        return false;
    }
    return false;
}

bool RZComUtils::deleteDocumentFile(const QString &name)
{
    return !name.isEmpty() && deleteFile(filePathForDocumentDirectory(name));
}

QFileInfo RZComUtils::fileProperty(const QString &path)
{
    return path.isEmpty() ? QFileInfo() : QFileInfo(path);
}

QStringList RZComUtils::filePathsOfDirectory(const QString &path)
{
    QStringList paths;
    if (checkIsExistsDir(path))
        collectFiles(path, QDir::cleanPath(path), &paths);
    return paths;
}

quint64 RZComUtils::fileSize(const QString &path, bool isDirectory)
{
    if (path.isEmpty())
        return 0;
    if (!isDirectory) {
        struct stat st;
        return lstatOf(path, &st) ? quint64(st.st_size) : 0;
    }
    quint64 total = 0;
    for (const QString &file : filePathsOfDirectory(path)) {
        struct stat st;
        if (lstatOf(file, &st))
            total += quint64(st.st_size);
    }
    return total;
}

QStringList RZComUtils::contentsOfDirectoryAtPath(const QString &path)
{
    if (!checkIsExistsDir(path))
        return QStringList();
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                | QDir::NoDotAndDotDot, QDir::Name);
}

QList<QUrl> RZComUtils::contentsOfDirectoryAtPath(const QString &path, bool skipHiddenFiles)
{
    QList<QUrl> urls;
    if (!checkIsExistsDir(path))
        return urls;
    QDir::Filters filters = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    if (!skipHiddenFiles)
        filters |= QDir::Hidden;
    for (const QFileInfo &entry : QDir(path).entryInfoList(filters, QDir::Name))
        urls << QUrl::fromLocalFile(entry.absoluteFilePath());
    return urls;
}

// --- administrator rights ------------------------------------------------------------

RZAuthorization RZComUtils::systemAuthorization()
{
    return {QStandardPaths::findExecutable(QStringLiteral("pkexec"))};
}

bool RZComUtils::AuthorizationExecuteWithPrivileges(const RZAuthorization &authorization,
                                                    const QString &command,
                                                    const QStringList &args)
{
    if (!authorization.isValid() || command.isEmpty())
        return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(authorization.launcher, QStringList{command} + args);
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1))
        return false;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        // pkexec answers 126 when the user dismissed it, 127 when not authorised.
        qCWarning(lcCommonUtils).noquote() << "privileged" << command << "failed with" << process.exitCode();
        return false;
    }
    return true;
}

bool RZComUtils::removeItemAtPath(const QString &path, const RZAuthorization &authorization)
{
    return !path.isEmpty()
        && AuthorizationExecuteWithPrivileges(authorization, QStringLiteral("/bin/rm"),
                                              {QStringLiteral("-rf"), path});
}

bool RZComUtils::moveItemAtPath(const QString &from, const QString &to,
                                const RZAuthorization &authorization)
{
    return !from.isEmpty() && !to.isEmpty()
        && AuthorizationExecuteWithPrivileges(authorization, QStringLiteral("/bin/mv"),
                                              {QStringLiteral("-f"), from, to});
}

bool RZComUtils::copyItemAtPath(const QString &from, const QString &to,
                                const RZAuthorization &authorization)
{
    return !from.isEmpty() && !to.isEmpty()
        && AuthorizationExecuteWithPrivileges(authorization, QStringLiteral("/bin/cp"),
                                              {QStringLiteral("-pR"), from, to});
}

bool RZComUtils::chownItemAtPath(const QString &path, const RZAuthorization &authorization)
{
    return !path.isEmpty()
        && AuthorizationExecuteWithPrivileges(authorization, QStringLiteral("/bin/chown"),
                                              {QStringLiteral("-R"), QStringLiteral("0:0"), path});
}

bool RZComUtils::AuthorizationExecute(const std::function<bool(const RZAuthorization &)> &block,
                                      const RZAuthorization &authorization)
{
    return authorization.isValid() && block && block(authorization);
}

bool RZComUtils::copyItemAtPath(const QString &from, const QString &to, bool useAuthor,
                                const RZAuthorization &authorization)
{
    if (!exists(from) || to.isEmpty())
        return false;
    if (!useAuthor) {
        // The old item goes only once the copy is complete beside it.
        const QString part = to + QStringLiteral(".part%1").arg(::getpid());
        if (!copyTree(from, part) || (exists(to) && !deleteFile(to))
            || ::rename(QFile::encodeName(part).constData(), QFile::encodeName(to).constData()) != 0) {
            deleteFile(part);
            return false;
        }
        return true;
    }
    // One privileged shell runs every step, so the user is asked once.
    return AuthorizationExecute(
        [&](const RZAuthorization &granted) {
            return AuthorizationExecuteWithPrivileges(
                granted, QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("/bin/rm -rf -- \"$1\" && /bin/cp -pR -- \"$2\" \"$1\" && "
                                "/bin/chown -R 0:0 -- \"$1\""),
                 QStringLiteral("sh"), to, from});
        },
        authorization);
}

bool RZComUtils::AuthorizationExecuteMoveItemAtPath(const QString &moveFrom, const QString &moveTo,
                                                    const QString &copyFrom, const QString &copyTo,
                                                    const RZAuthorization &authorization)
{
    if (!exists(moveFrom) || moveTo.isEmpty() || copyFrom.isEmpty() || copyTo.isEmpty())
        return false;
    return AuthorizationExecute(
        [&](const RZAuthorization &granted) {
            return AuthorizationExecuteWithPrivileges(
                granted, QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("/bin/mv -f -- \"$1\" \"$2\" && /bin/rm -rf -- \"$4\" && "
                                "/bin/cp -pR -- \"$3\" \"$4\" && /bin/chown -R 0:0 -- \"$4\""),
                 QStringLiteral("sh"), moveFrom, moveTo, copyFrom, copyTo});
        },
        authorization);
}
