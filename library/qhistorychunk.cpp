#include "library/qhistorychunk.h"

#include "library/librarytexts.h"
#include "library/qrowindex.h"

#include <QByteArray>
#include <QStringList>

#include <atomic>

const char *const kFixedItemKey = "KEY_BOOL_FIXEDITEM";

namespace {

// The n digits of text at pos as a number; false when any is not a digit.
bool digitsAt(std::string_view text, size_t pos, size_t n, qint64 &value)
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
std::optional<qint64> canonicalCreatedTime(std::string_view text)
{
    // "dd-MM-yyyy hh:mm"
    qint64 day, month, year, hour, minute;
    if (text.size() != 16 || text[2] != '-' || text[5] != '-' || text[10] != ' ' || text[13] != ':'
        || !digitsAt(text, 0, 2, day) || !digitsAt(text, 3, 2, month) || !digitsAt(text, 6, 4, year)
        || !digitsAt(text, 11, 2, hour) || !digitsAt(text, 14, 2, minute))
        return std::nullopt;
    return (((year * 100 + month) * 100 + day) * 100 + hour) * 100 + minute;
}

std::optional<qint64> canonicalSeconds(std::string_view text)
{
    // "h...h:mm:ss", every part digits only
    qint64 parts[3] = {0, 0, 0};
    size_t start = 0;
    for (int p = 0; p < 3; ++p) {
        const size_t end = p < 2 ? text.find(':', start) : text.size();
        if (end == std::string_view::npos || end == start || end - start > 12 || !digitsAt(text, start, end - start, parts[p]))
            return std::nullopt;
        start = end + 1;
    }
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

} // namespace

QHistoryChunk::QHistoryChunk()
    : IBaseChunk(false)
    , m_video(true)
    , m_newAdd(false)
    , m_hasCreateTime(false)
    , m_hasCreatedKey(false)
{
    readPath();
}

QHistoryChunk::~QHistoryChunk() = default;

void QHistoryChunk::setFromRecord(const convertedInfo &info, const HistoryDocument::Entry *entry)
{
    const QString &path = info.convertedPath;
    QByteArray utf8[QRowTexts::FieldCount];
    utf8[QRowTexts::FilePath] = path.toUtf8();
    utf8[QRowTexts::FileName] = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).toUtf8();
    utf8[QRowTexts::Title] = info.title.toUtf8();
    utf8[QRowTexts::Artist] = info.artist.toUtf8();
    utf8[QRowTexts::Album] = info.album.toUtf8();
    utf8[QRowTexts::Genre] = info.genre.toUtf8();
    utf8[QRowTexts::PlayTime] = info.time.toUtf8();
    utf8[QRowTexts::FileSize] = info.size.toUtf8();
    utf8[QRowTexts::CreateTime] = info.createTime.toUtf8();
    utf8[QRowTexts::Resolution] = info.resolution.toUtf8();
    utf8[QRowTexts::Extension] = info.extend.toUtf8();
    utf8[QRowTexts::Format] = info.format.toUtf8();
    utf8[QRowTexts::Image] = info.imgPath.toUtf8();
    std::string_view views[QRowTexts::FieldCount];
    for (int f = 0; f < QRowTexts::FieldCount; ++f)
        views[f] = std::string_view(utf8[f].constData(), size_t(utf8[f].size()));
    if (!entry || !m_texts.setFromEntry(*entry, views))
        m_texts.setAll(views);
    readPath();
    readPlayTime();
    readCreateTime();
    setVideoType(info.videoFile);
    setNewAdd(info.newFile);
}

QString QHistoryChunk::qtext(QRowTexts::Field field) const
{
    const std::string_view text = m_texts.view(field);
    return QString::fromUtf8(text.data(), int(text.size()));
}

void QHistoryChunk::Reset()
{
    IBaseChunk::Reset();
    m_texts.set(QRowTexts::Title, {});
}

void QHistoryChunk::SetFilePath(const std::string &path)
{
    m_texts.set(QRowTexts::FilePath, path);
    readPath();
}

void QHistoryChunk::readPath()
{
    m_pathHash = QRowIndex::hashOf(m_texts.view(QRowTexts::FilePath));
}

void QHistoryChunk::copyRecordOf(const QHistoryChunk &other)
{
    m_texts = other.m_texts;
    m_pathHash = other.m_pathHash;
    m_createdKey = other.m_createdKey;
    m_hasCreatedKey = other.m_hasCreatedKey;
    m_hasCreateTime = other.m_hasCreateTime;
    setAmount(m_playSeconds, other.m_playSeconds);
    setAmount(m_fileBytes, other.m_fileBytes);
    m_video = other.m_video;
    m_newAdd = other.m_newAdd;
}

void QHistoryChunk::SetCreateTime(const std::string &time)
{
    m_texts.set(QRowTexts::CreateTime, time);
    readCreateTime();
}

void QHistoryChunk::readCreateTime()
{
    const std::string_view time = m_texts.view(QRowTexts::CreateTime);
    m_hasCreateTime = !time.empty();
    std::optional<qint64> key = canonicalCreatedTime(time);
    if (!key)
        key = parseCreatedTime(std::string(time));
    m_hasCreatedKey = key.has_value();
    m_createdKey = key.value_or(0);
}

void QHistoryChunk::setPlayTime(const std::string &time)
{
    m_texts.set(QRowTexts::PlayTime, time);
    readPlayTime();
}

void QHistoryChunk::readPlayTime()
{
    const std::string_view time = m_texts.view(QRowTexts::PlayTime);
    const std::optional<qint64> seconds = canonicalSeconds(time);
    setAmount(m_playSeconds,
              seconds ? *seconds
                      : LibraryTexts::secondsFromText(QString::fromUtf8(time.data(), int(time.size()))));
}

namespace {

std::atomic<quint64> g_amountsGeneration{0};

} // namespace

quint64 QHistoryChunk::amountsGeneration()
{
    return g_amountsGeneration.load(std::memory_order_relaxed);
}

void QHistoryChunk::setAmount(qint64 &amount, qint64 value)
{
    if (amount == value)
        return;
    amount = value;
    g_amountsGeneration.fetch_add(1, std::memory_order_relaxed);
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
