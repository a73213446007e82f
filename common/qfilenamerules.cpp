#include "common/qfilenamerules.h"

#include <QFile>
#include <QVector>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool refused(uint c)
{
    static const QString kRefused = QStringLiteral("/:*\"<>|?\\");
    return c < 0x10000 && kRefused.contains(QChar(c));
}

// Characters that draw nothing or turn the text around: a name holding them
// shows as another name than the file has.
bool invisible(uint c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}
} // namespace

bool QFileNameRules::hasRefusedCharacter(const QString &name)
{
    for (QChar c : name) {
        if (refused(c.unicode()))
            return true;
    }
    return false;
}

QString QFileNameRules::cleanedName(const QString &name)
{
    QVector<uint> kept;
    for (uint c : name.toUcs4()) {
        if (!refused(c) && !invisible(c))
            kept.append(c);
    }
    const QString clean = QString::fromUcs4(kept.constData(), kept.size());
    int lead = 0;
    while (lead < clean.size() && (clean.at(lead) == QLatin1Char('.') || clean.at(lead).isSpace()))
        ++lead;
    return clean.mid(lead).trimmed();
}

bool QFileNameRules::isTaken(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString QFileNameRules::firstFreePath(const QString &folder, const QString &title, const QString &extension,
                                      const QString &ownPath,
                                      const std::function<bool(const QString &path)> &alsoTaken)
{
    const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    QString path = folder + title + suffix;
    for (int n = 1; path != ownPath && (isTaken(path) || (alsoTaken && alsoTaken(path))); ++n)
        path = folder + title + QStringLiteral("(%1)").arg(n) + suffix;
    return path;
}

QString QFileNameRules::fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString QFileNameRules::folderOf(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool QFileNameRules::isSameFile(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

bool QFileNameRules::moveWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails on anything at the
    // target as well.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    if (::unlink(source.constData()) == 0)
        return true;
    // Not moved: the file keeps its one name, and the caller sees why.
    const int why = errno;
    ::unlink(target.constData());
    errno = why;
    return false;
}
