#include "library/qhistorychunk.h"

#include <QStringList>

const char *const kFixedItemKey = "KEY_BOOL_FIXEDITEM";

QHistoryChunk::QHistoryChunk()
    : IBaseChunk(false)
{
}

QHistoryChunk::~QHistoryChunk() = default;

void QHistoryChunk::setFromRecord(const convertedInfo &info)
{
    SetFilePath(info.convertedPath.toStdString());
    SetFileName(info.convertedPath.mid(info.convertedPath.lastIndexOf(QLatin1Char('/')) + 1).toStdString());
    setPlayTime(info.time.toStdString());
    SetTitle(info.title.toStdString());
    setArtist(info.artist.toStdString());
    setAlbum(info.album.toStdString());
    setGenre(info.genre.toStdString());
    setImage(info.imgPath.toStdString());
    SetFileSize(info.size.toStdString());
    SetCreateTime(info.createTime.toStdString());
    SetResolution(info.resolution.toStdString());
    SetFileExent(info.extend.toStdString());
    SetFileFormat(info.format.toStdString());
    setVideoType(info.videoFile);
    setNewAdd(info.newFile);
}

void QHistoryChunk::SetCreateTime(std::string time)
{
    m_createTime = std::move(time);
    m_createdKey.reset();
}

std::optional<qint64> QHistoryChunk::createdTimeKey() const
{
    if (!m_createdKey)
        m_createdKey = parseCreatedTime(m_createTime);
    return *m_createdKey;
}

std::optional<qint64> QHistoryChunk::parseCreatedTime(const std::string &text)
{
    const QStringList parts = QString::fromStdString(text).split(QLatin1Char(' '));
    if (parts.size() < 2)
        return std::nullopt;
    const QStringList date = parts.at(0).split(QLatin1Char('-'));
    const QStringList time = parts.at(1).split(QLatin1Char(':'));
    if (date.size() < 3 || time.size() < 2)
        return std::nullopt;
    // Each field is read as a number on its own, so a wide field cannot
    // shift its neighbours into a different date.
    const int widths[5] = {4, 2, 2, 2, 2};
    const QString fields[5] = {date.at(2), date.at(1), date.at(0), time.at(0), time.at(1)};
    qint64 key = 0;
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        const QString field = fields[i].trimmed();
        const qint64 value = field.toLongLong(&ok);
        if (!ok || value < 0 || field.size() > widths[i])
            return std::nullopt;
        key = key * (i == 0 ? 1 : 100) + value;
    }
    return key;
}

void QHistoryChunk::setFixedItem(bool fixed)
{
    setBoolValue(kFixedItemKey, fixed);
}

bool QHistoryChunk::getFixedItem()
{
    return getBoolValue(kFixedItemKey);
}
