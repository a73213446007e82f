#include "common/qianyutil.h"

#include "common/commonlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString s_appPath;
QString s_resourcePath;
QString s_restorPassword;
bool s_appPathDone = false;
bool s_resourcePathDone = false;

// "<base>/<display name>", created when missing; the base itself when the
// folder cannot be created.
QString namedFolderUnder(QString base)
{
    // Without a known location, stay inside the home folder rather than
    // creating a folder at the file-system root.
    if (base.isEmpty())
        base = QDir::homePath();
    const QString folder = QStringLiteral("%1/%2").arg(base, QIAnyUtil::displayName());
    if (QDir(folder).exists() || QDir().mkpath(folder))
        return folder;
    qCWarning(lcCommon, "Cannot create folder %s", qPrintable(folder));
    return base;
}

QString executableFolder()
{
    // Before the application object (the program begins reading its history
    // then), the kernel's link to the running program names the same folder.
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return dir;
}

} // namespace

const QString &QIAnyUtil::displayName()
{
    static const QString name = QStringLiteral("Velmora Audio Recorder");
    return name;
}

QString QIAnyUtil::getApplicationDirPath()
{
    if (!s_appPathDone) {
        QString dir = executableFolder();
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        s_appPath = dir;
        s_appPathDone = true;
    }
    return s_appPath;
}

QString QIAnyUtil::getResourcePath()
{
    if (!s_resourcePathDone) {
        QString dir = qEnvironmentVariable("VELMORA_RESOURCES");
        if (dir.isEmpty()) {
            // Beside the executable in the build tree; under the data folder
            // of the prefix once installed.
            dir = executableFolder() + QStringLiteral("/resources");
            const QString installed = QDir::cleanPath(
                executableFolder() + QStringLiteral("/../share/velmora-audio-recorder/resources"));
            if (!QFileInfo(dir).isDir() && QFileInfo(installed).isDir())
                dir = installed;
        }
        dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
        while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
            dir.chop(1);
        s_resourcePath = dir;
        s_resourcePathDone = true;
    }
    return s_resourcePath;
}

QString QIAnyUtil::getAppDataPath()
{
    return namedFolderUnder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString QIAnyUtil::getDocumentPath()
{
    return namedFolderUnder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString QIAnyUtil::getTempSavePath()
{
    return namedFolderUnder(QStandardPaths::writableLocation(QStandardPaths::TempLocation));
}

QString QIAnyUtil::dndTmpPath()
{
    return QString();
}

QString QIAnyUtil::size2String(unsigned long long bytes)
{
    if (bytes <= 1024ULL)
        return QString::asprintf("%d B", static_cast<int>(bytes));
    const double kb = bytes / 1024.0;
    if (bytes <= 1048576ULL)
        return QString::asprintf("%.2f KB", kb);
    const double mb = kb / 1024.0;
    if (bytes <= 1073741824ULL)
        return QString::asprintf("%.2f MB", mb);
    return QString::asprintf("%.2f GB", mb / 1024.0);
}

QString QIAnyUtil::duration2String(unsigned long long microseconds)
{
    const unsigned long long s = microseconds / 1000000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString QIAnyUtil::getRestorePassWord()
{
    return s_restorPassword;
}

void QIAnyUtil::setRestorePassWord(const QString &password)
{
    s_restorPassword = password;
}
