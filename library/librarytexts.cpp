#include "library/librarytexts.h"

#include "common/qianyutil.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace LibraryTexts {

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        return QString();
    return QIAnyUtil::size2String(quint64(bytes));
}

QString timeText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    if (seconds < 60)
        return QStringLiteral("%1 Seconds").arg(seconds);
    const double minutes = seconds / 60.0;
    if (minutes < 60.0)
        return QStringLiteral("%1 Minutes").arg(qint64(minutes));
    const double hours = minutes / 60.0;
    if (hours < 24.0)
        return QStringLiteral("%1 Hours").arg(qint64(hours));
    const double days = hours / 24.0;
    // A month is taken as thirty days.
    if (days < 30.0)
        return QStringLiteral("%1 Days").arg(qint64(days));
    return QStringLiteral("%1 Months").arg(qint64(days / 30.0));
}

qint64 sizeFromText(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return 0;
    static const QStringList units = {"B", "KB", "MB", "GB", "TB"};
    int unit = -1;
    for (int i = 0; i < units.size(); ++i)
        if (parts.at(1).compare(units.at(i), Qt::CaseInsensitive) == 0)
            unit = i;
    if (unit < 0)
        return -1;
    // Back through the steps of sizeText, to the nearest byte.
    double value = parts.at(0).toDouble();
    for (int i = 0; i < unit; ++i)
        value *= 1024.0;
    return qRound64(value);
}

qint64 secondsFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (text.isEmpty() || parts.size() != 3)
        return 0;
    return parts.at(0).toLongLong() * 3600 + parts.at(1).toLongLong() * 60 + parts.at(2).toLongLong();
}

std::optional<qint64> strictSecondsFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return std::nullopt;
    qint64 total = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const qint64 value = part.toLongLong(&ok);
        if (!ok || value < 0)
            return std::nullopt;
        total = total * 60 + value;
    }
    return total;
}

QString createdText(const QFileInfo &file)
{
    QDateTime created = file.birthTime();
    if (!created.isValid())
        created = file.lastModified();
    return created.toString(QStringLiteral("dd-MM-yyyy hh:mm"));
}

qint64 fileBytes(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_size);
}

} // namespace LibraryTexts
