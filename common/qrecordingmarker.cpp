#include "common/qrecordingmarker.h"

#include "common/commonlog.h"
#include "common/qianyutil.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

#include <unistd.h>

namespace {
const char kSuffix[] = ".recording";

// A process is told from a later one with the same id by its start time
// (clock ticks after boot) and the boot it runs in.
QString bootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

// What /proc tells of a process: its start time and its state letter (both
// empty when there is no such process).
struct ProcessStat
{
    QString started;
    char state = 0;
};

ProcessStat statOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    // The fields after the command name, which may hold blanks and brackets.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() <= 19 || fields.at(0).isEmpty())
        return {};
    return {QString::fromLatin1(fields.at(19)), fields.at(0).at(0)};
}

QString startTimeOf(qint64 pid)
{
    return statOf(pid).started;
}

// The recording of a program that still runs is no leftover, whatever it
// looks like from outside. A killed program not yet reaped by its parent
// (a zombie, or one being reaped) writes nothing more: it counts as gone.
bool ownedByAnotherLiveProcess(const QJsonObject &o)
{
    const qint64 pid = o.value("ownerPid").toVariant().toLongLong();
    if (pid <= 0 || pid == qint64(getpid()))
        return false;
    const QString started = o.value("ownerStarted").toString();
    const ProcessStat owner = statOf(pid);
    return !started.isEmpty() && owner.started == started && owner.state != 'Z' && owner.state != 'X'
           && o.value("ownerBoot").toString() == bootId();
}

// Writes the mark whole or not at all; why not in *why.
bool saved(const QString &markPath, const QJsonObject &mark, QString *why)
{
    QSaveFile file(markPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(mark).toJson());
        if (file.commit())
            return true;
    }
    *why = file.errorString();
    return false;
}

} // namespace

QString QRecordingMarker::folder()
{
    return QIAnyUtil::getAppDataPath() + QStringLiteral("/Unfinished Recordings");
}

QString QRecordingMarker::markerPathFor(const QString &outputPath)
{
    // One mark per output file, whatever characters its name holds.
    const QByteArray key = QCryptographicHash::hash(QDir::cleanPath(outputPath).toUtf8(),
                                                    QCryptographicHash::Md5).toHex();
    return folder() + QLatin1Char('/') + QString::fromLatin1(key) + QLatin1String(kSuffix);
}

bool QRecordingMarker::write(const convertedInfo &info, const QString &muxer, QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        qCWarning(lcCommon) << "the recording mark of" << info.convertedPath << "cannot be written:" << why;
        return false;
    };
    if (!QDir().mkpath(folder()))
        return failed(QStringLiteral("cannot create %1").arg(folder()));
    const QJsonObject o{{"path", info.convertedPath},   {"muxer", muxer},
                        {"image", info.imgPath},        {"resolution", info.resolution},
                        {"created", info.createTime},   {"format", info.format},
                        {"extension", info.extend},     {"title", info.title},
                        {"artist", info.artist},        {"album", info.album},
                        {"genre", info.genre},          {"video", info.videoFile},
                        {"ownerPid", qint64(getpid())}, {"ownerStarted", startTimeOf(getpid())},
                        {"ownerBoot", bootId()}};
    QString why;
    return saved(markerPathFor(info.convertedPath), o, &why) || failed(why);
}

bool QRecordingMarker::copyTo(const QString &outputPath, const QString &newOutputPath, QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        qCWarning(lcCommon) << "the recording mark of" << outputPath << "cannot name" << newOutputPath << ":"
                            << why;
        return false;
    };
    QFile old(markerPathFor(outputPath));
    if (!old.exists())
        return true;
    if (!old.open(QIODevice::ReadOnly))
        return failed(old.errorString());
    QJsonObject o = QJsonDocument::fromJson(old.readAll()).object();
    if (o.value("path").toString().isEmpty())
        return failed(QStringLiteral("it cannot be read"));
    o.insert("path", newOutputPath);
    QString why;
    return saved(markerPathFor(newOutputPath), o, &why) || failed(why);
}

bool QRecordingMarker::remove(const QString &outputPath)
{
    const QString path = markerPathFor(outputPath);
    if (!QFile::exists(path))
        return true;
    if (QFile::remove(path))
        return true;
    qCWarning(lcCommon) << "the recording mark" << path << "cannot be removed";
    return false;
}

QList<QRecordingMarker::Entry> QRecordingMarker::pending()
{
    QList<Entry> entries;
    QFileInfoList files = QDir(folder()).entryInfoList({QStringLiteral("*") + QLatin1String(kSuffix)},
                                                       QDir::Files);
    std::sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return a.lastModified() < b.lastModified();
    });
    for (const QFileInfo &f : files) {
        QFile file(f.filePath());
        const QJsonObject o = file.open(QIODevice::ReadOnly)
                                  ? QJsonDocument::fromJson(file.readAll()).object()
                                  : QJsonObject();
        const QString path = o.value("path").toString();
        if (path.isEmpty()) {
            qCWarning(lcCommon) << "unreadable recording mark" << f.filePath() << "left as it is";
            continue;
        }
        if (ownedByAnotherLiveProcess(o)) {
            qCInfo(lcCommon) << "recording" << path << "is still being made by another running program";
            continue;
        }
        Entry e;
        e.markerPath = f.filePath();
        e.muxer = o.value("muxer").toString();
        e.info.convertedPath = path;
        e.info.imgPath = o.value("image").toString();
        e.info.resolution = o.value("resolution").toString();
        e.info.createTime = o.value("created").toString();
        e.info.format = o.value("format").toString();
        e.info.extend = o.value("extension").toString();
        e.info.title = o.value("title").toString();
        e.info.artist = o.value("artist").toString();
        e.info.album = o.value("album").toString();
        e.info.genre = o.value("genre").toString();
        e.info.videoFile = o.value("video").toBool();
        entries << e;
    }
    return entries;
}
