#include "library/qrecordingprobe.h"

#include "common/jxavcodecanalysis.h"
#include "common/qianyutil.h"
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
    const std::string list = media.GetMetaData_Info("ffmpeg_format").value_or(std::string());
    const std::string brand = media.GetMetaData_Info("major_brand").value_or(std::string());
    info.container = QString::fromStdString(JXAVCodecAnalysis::formatForFormatName(list, brand));
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
    return QIAnyUtil::duration2String(microseconds);
}
