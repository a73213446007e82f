#include "library/qhistorychunk.h"

#include "library/librarytexts.h"

#include <QStringList>

const char *const kFixedItemKey = "KEY_BOOL_FIXEDITEM";

namespace {

// The n digits of text at pos as a number; false when any is not a digit.
bool digitsAt(const std::string &text, size_t pos, size_t n, qint64 &value)
{
    if (pos + n > text.size())
        return false;
    value = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Rows are built by the thousand at start: the shapes the program writes
// are read without a detour through QString; any other text takes the
// general road.
std::optional<qint64> canonicalCreatedTime(const std::string &text)
{
    // "dd-MM-yyyy hh:mm"
    qint64 day, month, year, hour, minute;
    if (text.size() != 16 || text[2] != '-' || text[5] != '-' || text[10] != ' ' || text[13] != ':'
        || !digitsAt(text, 0, 2, day) || !digitsAt(text, 3, 2, month) || !digitsAt(text, 6, 4, year)
        || !digitsAt(text, 11, 2, hour) || !digitsAt(text, 14, 2, minute))
        return std::nullopt;
    return (((year * 100 + month) * 100 + day) * 100 + hour) * 100 + minute;
}

std::optional<qint64> canonicalSeconds(const std::string &text)
{
    // "h...h:mm:ss", every part digits only
    qint64 parts[3] = {0, 0, 0};
    size_t start = 0;
    for (int p = 0; p < 3; ++p) {
        const size_t end = p < 2 ? text.find(':', start) : text.size();
        if (end == std::string::npos || end == start || end - start > 12 || !digitsAt(text, start, end - start, parts[p]))
            return std::nullopt;
        start = end + 1;
    }
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

} // namespace

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
    m_createdKey = canonicalCreatedTime(m_createTime);
    if (!m_createdKey)
        m_createdKey = parseCreatedTime(m_createTime);
}

void QHistoryChunk::setPlayTime(std::string time)
{
    m_playTime = std::move(time);
    const std::optional<qint64> seconds = canonicalSeconds(m_playTime);
    m_playSeconds = seconds ? *seconds : LibraryTexts::secondsFromText(QString::fromStdString(m_playTime));
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
