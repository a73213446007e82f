#include "library/qrecordingprobe.h"

#include "common/jxavcodecanalysis.h"
#include "media/jxinfoclass.h"

#include "rzcodec/mediainfo.h"

QRecordingProbe::Info QRecordingProbe::probe(const QString &path)
{
    Info info;
    JXInfoClass media;
    media.Create_Info();
    if (!media.Open_Info(path.toUtf8().constData()))
        return info;
    info.opened = true;
    info.microseconds = media.GetDuration_Info();
    if (const char *name = rz_info_format_name(media.getInfo()))
        info.formatName = QString::fromLatin1(name);
    return info;
}

QString QRecordingProbe::containerName(const QString &path)
{
    JXInfoClass media;
    media.Create_Info();
    if (!media.Open_Info(path.toUtf8().constData()))
        return QString();
    const std::string list = media.GetMetaData_Info("ffmpeg_format").value_or(std::string());
    const std::string brand = media.GetMetaData_Info("major_brand").value_or(std::string());
    return QString::fromStdString(JXAVCodecAnalysis::formatForFormatName(list, brand));
}

QString QRecordingProbe::durationText(quint64 microseconds)
{
    const qint64 ms = qint64(microseconds / 1000);
    return QStringLiteral("%1:%2:%3")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
}
