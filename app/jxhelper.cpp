#include "app/jxhelper.h"

#include "common/jxcommoninterface.h"
#include "media/jxinfoclass.h"
#include "media/jxplaytimetext.h"

#include <QtEndian>

#include <optional>

namespace {

struct TimeParts
{
    qint64 h, m, s;
};

// Whole milliseconds, 64-bit so that long durations do not wrap.
TimeParts split(uint64_t microseconds)
{
    const qint64 ms = static_cast<qint64>(microseconds / 1000);
    return {ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60};
}

QString two(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// One handle per probe, closed and released on every path by its owner.
std::optional<bool> openInfo(JXInfoClass &info, const QString &path, bool dvd)
{
    info.Create_Info();
    if (!info.IsCreateInfo())
        return std::nullopt;
    const QByteArray utf8 = path.toUtf8();
    return dvd ? info.OpenDVD_Info(utf8.constData()) : info.Open_Info(utf8.constData());
}

bool hasStreams(const QString &path, bool dvd)
{
    JXInfoClass info;
    if (openInfo(info, path, dvd).value_or(false) != true)
        return false;
    return info.HasVideo_Info() || info.HasAudio_Info();
}

} // namespace

QString JXHelper::getFileTime(const QString &path)
{
    JXInfoClass info;
    if (openInfo(info, path, false).value_or(false) != true)
        return QString();
    return getTime(info.GetDuration_Info());
}

bool JXHelper::hasVedeoOrAudio(const QString &path)
{
    return hasStreams(path, false);
}

bool JXHelper::isDVDDir(const QString &path)
{
    return hasStreams(path, true);
}

QImage JXHelper::getCoverImage(const QString &path)
{
    JXInfoClass info;
    if (openInfo(info, path, false).value_or(false) != true)
        return QImage();
    if (const auto cover = info.GetMetaData_Info("cover_image")) {
        return QImage::fromData(reinterpret_cast<const uchar *>(cover->data()),
                                static_cast<int>(cover->size()));
    }
    unsigned char *bmp = info.GetVideoImage_Info(0, 1, 0, 0, 0);
    if (!bmp)
        return QImage();
    const quint32 length = qFromLittleEndian<quint32>(bmp + 2);
    QImage image = QImage::fromData(bmp, static_cast<int>(length), "BMP");
    info.FreeVideoImage_Info(bmp);
    return image;
}

QString JXHelper::getTime(uint64_t microseconds)
{
    return JXPlayTimeText::clock(microseconds);
}

QString JXHelper::getPlayTime(uint64_t position, uint64_t length)
{
    return JXPlayTimeText::span(position, length);
}

QString JXHelper::getCountStringTime(uint64_t microseconds, int mode)
{
    const TimeParts t = split(microseconds);
    const qint64 ms = static_cast<qint64>(microseconds / 1000);
    switch (mode) {
    case 0:
        return JXPlayTimeText::clockMs(microseconds);
    case 1:
        if (ms >= 3600000)
            return QStringLiteral("%1 h %2 min %3 s").arg(two(t.h), two(t.m), two(t.s));
        if (ms >= 60000)
            return QStringLiteral("%1 min %2 s").arg(two(t.m), two(t.s));
        return QStringLiteral("%1 s").arg(two(t.s));
    case 2:
        // The short form counts whole minutes and seconds, dropping the hours
        // only from the word list, not from the value.
        if (ms >= 3600000)
            return QStringLiteral("%1 min %2 s").arg(ms / 60000).arg(two(t.s));
        if (ms >= 60000)
            return QStringLiteral("%1 s").arg(ms / 1000);
        return QString();
    default:
        return QString();
    }
}

QString JXHelper::getFileSizeToString(long long bytes)
{
    if (bytes == 0)
        return QStringLiteral("0B");
    if (bytes >= 1073741824LL)
        return QStringLiteral("%1 GB").arg(bytes / 1073741824.0, 0, 'f', 2);
    if (bytes >= 1048576LL)
        return QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 2);
    if (bytes < 1024LL)
        return QStringLiteral("%1 B").arg(bytes);
    return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 2);
}

QString JXHelper::getBitRate(int bitsPerSecond)
{
    if (bitsPerSecond < 1000)
        return QStringLiteral("%1 bps").arg(bitsPerSecond);
    return QStringLiteral("%1 kps").arg(bitsPerSecond / 1000);
}

void JXHelper::showFileInFolder(const char *path)
{
    JxCommonInterface::showFileInFolder(path);
}

void JXHelper::setOpenFinder(const QString &path)
{
    JxCommonInterface::showFileInFolder(path.toUtf8().constData());
}
