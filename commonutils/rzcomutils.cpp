// Versions, folders, texts, sizes and images.
#include "rzcomutils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.0.0"
#endif

namespace {

QString compiledVersion()
{
    return QStringLiteral(VELMORA_VERSION);
}

int leadingNumber(const QString &part)
{
    int value = 0;
    for (const QChar c : part.trimmed()) {
        if (!c.isDigit() || value > (INT_MAX - 9) / 10)
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

bool namesThisProgram(const QString &path)
{
    if (path.isEmpty())
        return true;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty()
        && (canonical == QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath()
            || canonical == QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
}

QString joined(const QString &folder, const QString &component)
{
    if (folder.isEmpty())
        return QString();
    return component.isEmpty() ? folder : QDir(folder).filePath(component);
}

QString createdOrEmpty(const QString &folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder) ? folder : QString();
}

} // namespace

// --- versions ------------------------------------------------------------------

bool RZComUtils::checkIsExistsDir(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool RZComUtils::splitVersion(const QString &version, int *major, int *minor, int *bugfix)
{
    if (version.trimmed().isEmpty())
        return false;
    const QStringList parts = version.split('.');
    int *outputs[] = {major, minor, bugfix};
    for (int i = 0; i < 3 && i < parts.size(); ++i) {
        if (outputs[i])
            *outputs[i] = leadingNumber(parts.at(i));
    }
    return true;
}

bool RZComUtils::applicationVersion(const QString &programPath, int *major, int *minor,
                                    int *bugfix)
{
    return namesThisProgram(programPath) && splitVersion(compiledVersion(), major, minor, bugfix);
}

QString RZComUtils::applicationVersionString(const QString &programPath)
{
    return namesThisProgram(programPath) ? compiledVersion() : QString();
}

QString RZComUtils::systemName()
{
    return QString();
}

QString RZComUtils::systemVersion()
{
    return QSysInfo::productVersion();
}

int RZComUtils::systemVersionMajor()
{
    int major = 0;
    splitVersion(systemVersion(), &major, nullptr, nullptr);
    return major;
}

int RZComUtils::systemVersionMinor()
{
    int minor = 0;
    splitVersion(systemVersion(), nullptr, &minor, nullptr);
    return minor;
}

int RZComUtils::systemVersionBugfix()
{
    int bugfix = 0;
    splitVersion(systemVersion(), nullptr, nullptr, &bugfix);
    return bugfix;
}

bool RZComUtils::isLessThanSystemVersion(int major, int minor, int bugfix)
{
    int have[3] = {0, 0, 0};
    splitVersion(systemVersion(), &have[0], &have[1], &have[2]);
    const int want[3] = {major, minor, bugfix};
    return std::lexicographical_compare(have, have + 3, want, want + 3);
}

bool RZComUtils::isSIPEnabled()
{
    return false;
}

double RZComUtils::statusBarHeight()
{
    return statusBarHeight(systemVersion());
}

double RZComUtils::statusBarHeight(const QString &systemVersion)
{
    int major = 0;
    splitVersion(systemVersion, &major, nullptr, nullptr);
    return major >= 7 ? 20.0 : 0.0;
}

QRect RZComUtils::appFrame()
{
    return QRect(0, 0, 0, 0);
}

QString RZComUtils::appShortVersion()
{
    return compiledVersion();
}

QString RZComUtils::appCopyright()
{
    return QCoreApplication::translate("RZComUtils", "Copyright %1 %2. All rights reserved.")
        .arg(QChar(0x00A9))
        .arg(QStringLiteral("Velmora"));
}

double RZComUtils::appVersionFloat()
{
    const QStringList parts = compiledVersion().split('.');
    QString text = parts.value(0);
    if (parts.size() > 1)
        text += '.' + parts.mid(1).join(QString());
    return text.toDouble();
}

QString RZComUtils::appName()
{
    const QString display = bundleDisplayName();
    return display.isEmpty() ? QCoreApplication::applicationName() : display;
}

QString RZComUtils::bundleDisplayName()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::applicationDisplayName() : QString();
}

QString RZComUtils::bundleIdentifier()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::desktopFileName() : QString();
}

// --- folders -------------------------------------------------------------------

QString RZComUtils::userDocumentsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString RZComUtils::userSupportDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString RZComUtils::userTrashDirectory()
{
    return joined(userSupportDirectory(), QStringLiteral("Trash"));
}

QString RZComUtils::userCachesDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

QString RZComUtils::userMoviesDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
}

QString RZComUtils::userLibraryDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString RZComUtils::filePathForDocumentDirectory(const QString &component)
{
    return joined(userDocumentsDirectory(), component);
}

QString RZComUtils::filePathForCachesDirectory(const QString &component)
{
    return joined(userCachesDirectory(), component);
}

QString RZComUtils::filePathForMoviesDirectory(const QString &component)
{
    return joined(userMoviesDirectory(), component);
}

QString RZComUtils::filePathForSupportDirectory(const QString &component)
{
    return joined(userSupportDirectory(), component);
}

QString RZComUtils::filePathForTempDirectory(const QString &component)
{
    return joined(QDir::tempPath(), component);
}

QString RZComUtils::currentAppSupportDirectory()
{
    return createdOrEmpty(joined(userSupportDirectory(), appName()));
}

QString RZComUtils::currentAppCachesDirectory()
{
    return createdOrEmpty(joined(userCachesDirectory(), appName()));
}

// --- texts, sizes, images ------------------------------------------------------------

void RZComUtils::safeDictionart(QVariantMap &map)
{
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().isNull()) {
            it.value() = QString(QLatin1String(""));
        } else if (it.value().type() == QVariant::Map) {
            QVariantMap inner = it.value().toMap();
            safeDictionart(inner);
            it.value() = inner;
        }
    }
}

QString RZComUtils::sha1(const QString &text)
{
    if (text.isEmpty())
        return QString();
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString RZComUtils::encStringByAddingPercentEscapes(const QString &text)
{
    // Everything but letters, digits and "-._~" is escaped, the reserved
    // characters "!*'();:@&=+$,/?%#[]" included.
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString RZComUtils::stringByReplacingWithMatches(const QString &pattern, const QString &text,
                                                 const QString &replacement)
{
    if (pattern.isEmpty() || text.isEmpty())
        return text;
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid())
        return text;
    QString qtTemplate = replacement;
    qtTemplate.replace('\\', QLatin1String("\\\\"));
    qtTemplate.replace(QRegularExpression(QStringLiteral("\\$(\\d)")), QStringLiteral("\\\\1"));
    QString result = text;
    return result.replace(expression, qtTemplate);
}

QString RZComUtils::stringByTrimmingWhitespace(const QString &text)
{
    return text.trimmed();
}

QString RZComUtils::fileNameByTrimmingSpecialCharacters(const QString &text)
{
    QString name = text.trimmed();
    name.remove(':');
    name.remove('/');
    int dots = 0;
    while (dots < name.size() && name.at(dots) == '.')
        ++dots;
    return name.mid(dots);
}

QFont RZComUtils::defaultFontWithSize(double size)
{
    const QString family = QStringLiteral("PingFangSC-Light");
    QFont font = QFontDatabase().families().contains(family)
        ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (size > 0)
        font.setPointSizeF(size);
    return font;
}

QString RZComUtils::formatDiskSize(quint64 bytes)
{
    const double kilobytes = double(bytes) / 1000.0;
    if (kilobytes >= 1e9)
        return QString::asprintf("%0.1f TB", kilobytes / 1000 / 1000 / 1000);
    if (kilobytes >= 1e6)
        return QString::asprintf("%0.1f GB", kilobytes / 1000 / 1000);
    if (kilobytes >= 1000)
        return QString::asprintf("%0.1f MB", kilobytes / 1000);
    return QString::asprintf("%0.1f KB", kilobytes);
}

QSizeF RZComUtils::fitSize(const QSizeF &size, const QSizeF &bounds)
{
    if (size.width() < bounds.width() && size.height() < bounds.height())
        return size;
    return fillSize(size, bounds);
}

QSizeF RZComUtils::fillSize(const QSizeF &size, const QSizeF &bounds)
{
    if (size.width() <= 0 || size.height() <= 0)
        return size;
    if (size.width() >= size.height())
        return QSizeF(bounds.width(), bounds.width() / size.width() * size.height());
    return QSizeF(bounds.height() / size.height() * size.width(), bounds.height());
}

QImage RZComUtils::croppedImage(const QImage &image, const QSizeF &bounds)
{
    if (image.isNull())
        return QImage();
    const QSize target = fitSize(image.size(), bounds).toSize();
    if (target.isEmpty())
        return QImage();
    QImage result = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result.format() == image.format() ? result : result.convertToFormat(image.format());
}
