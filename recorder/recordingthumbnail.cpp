#include "recorder/recordingthumbnail.h"

#include "common/md5.h"
#include "common/qianyutil.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace RecordingThumbnail {

QString pathFor(const QString &outputPath)
{
    const QString folder = QIAnyUtil::getAppDataPath() + QStringLiteral("/Temp");
    const QString name = QString::fromStdString(MD5(outputPath.toUtf8().toStdString()).hexdigest());
    return folder + QStringLiteral("/%1").arg(name) + QStringLiteral(".%1").arg(QStringLiteral("JPG"));
}

QString save(const QImage &frame, const QString &outputPath)
{
    if (frame.isNull())
        return QString();
    const QString path = pathFor(outputPath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QString();
    const QImage small = frame.scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !small.save(&file, "JPG") || !file.commit())
        return QString();
    return path;
}

} // namespace RecordingThumbnail
