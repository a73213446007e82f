#include "library/qroworder.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

#include <QString>

#include <algorithm>
#include <numeric>

namespace {

// The start of the UTF-8 sequence that holds the byte at i.
size_t sequenceStart(std::string_view text, size_t i)
{
    while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
        --i;
    return i;
}

// The UTF-16 code unit that the sequence at i begins with: a code point
// above U+FFFF gives its high surrogate.
unsigned firstUnit(std::string_view text, size_t i)
{
    if (i >= text.size())
        return 0;
    const auto byte = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned lead = byte(i);
    unsigned point;
    if (lead < 0x80)
        point = lead;
    else if (lead < 0xE0)
        point = ((lead & 0x1F) << 6) | (byte(i + 1) & 0x3F);
    else if (lead < 0xF0)
        point = ((lead & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
    else
        point = ((lead & 0x07) << 18) | ((byte(i + 1) & 0x3F) << 12) | ((byte(i + 2) & 0x3F) << 6)
                | (byte(i + 3) & 0x3F);
    return point > 0xFFFF ? 0xD800 + ((point - 0x10000) >> 10) : point;
}

// The file name as the name column shows it: without its last extension.
std::string_view shownName(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

// The extension as the format column shows it: in capitals.
std::string shownFormat(std::string_view extension)
{
    std::string upper(extension);
    bool ascii = true;
    for (char &c : upper) {
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
        else if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return ascii ? upper : QString::fromUtf8(extension.data(), int(extension.size())).toUpper().toStdString();
}

QRowOrder::Key keyOf(int column, IBaseChunk *item)
{
    QRowOrder::Key key;
    auto *row = dynamic_cast<QAudioFileChunk *>(item);
    if (!row)
        return key;
    switch (column) {
    case QAudioFileModel::ColumnName:
        key.text = shownName(row->textView(QRowTexts::FileName));
        break;
    case QAudioFileModel::ColumnFormat:
        key.text = shownFormat(row->textView(QRowTexts::Extension));
        break;
    case QAudioFileModel::ColumnArtist:
        key.text = row->textView(QRowTexts::Artist);
        break;
    case QAudioFileModel::ColumnAlbum:
        key.text = row->textView(QRowTexts::Album);
        break;
    case QAudioFileModel::ColumnDuration:
        key.text = row->textView(QRowTexts::PlayTime);
        break;
    case QAudioFileModel::ColumnCreated: {
        key.text = row->textView(QRowTexts::CreateTime);
        key.name = row->textView(QRowTexts::FileName);
        key.hasText = row->hasCreateTime();
        const std::optional<qint64> number = row->createdTimeKey();
        key.hasNumber = number.has_value();
        key.number = number.value_or(0);
        key.recording = row->GetAudioState() == QAudioFileChunk::AudioRecording;
        key.fixed = row->getFixedItem();
        break;
    }
    default:
        break; // the state and button columns show no text
    }
    return key;
}

} // namespace

QRowOrder::QRowOrder()
    : QRowOrder(QAudioFileModel::ColumnCreated, Qt::DescendingOrder)
{
}

QRowOrder::QRowOrder(int column, Qt::SortOrder direction)
    : m_column(column)
    , m_direction(direction)
{
}

bool QRowOrder::utf16Less(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    if (i == a.size() || i == b.size())
        return a.size() < b.size();
    // UTF-8 bytes order as code points do; code units differ from that
    // only between U+E000..U+FFFF and the points above U+FFFF.
    const size_t start = sequenceStart(a, i);
    const unsigned ua = firstUnit(a, start);
    const unsigned ub = firstUnit(b, start);
    if (ua != ub)
        return ua < ub;
    return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
}

template<class K>
bool QRowOrder::less(const K &a, const K &b) const
{
    if (m_column != QAudioFileModel::ColumnCreated)
        return utf16Less(a.text, b.text);
    if (a.recording || b.recording)
        return b.fixed && !a.fixed;
    if (!a.hasText || !b.hasText)
        return utf16Less(a.text, b.text);
    // A malformed text sorts below every well-formed one, and among its
    // kind by text.
    if (!a.hasNumber || !b.hasNumber) {
        if (a.hasNumber != b.hasNumber)
            return !a.hasNumber;
        return utf16Less(a.text, b.text);
    }
    if (a.number != b.number)
        return a.number < b.number;
    return utf16Less(a.name, b.name);
}

bool QRowOrder::precedes(const QAudioFileChunk &a, const QAudioFileChunk &b) const
{
    auto *rowA = const_cast<QAudioFileChunk *>(&a);
    auto *rowB = const_cast<QAudioFileChunk *>(&b);
    const Key keyA = keyOf(m_column, rowA);
    const Key keyB = keyOf(m_column, rowB);
    return m_direction == Qt::AscendingOrder ? less(keyA, keyB) : less(keyB, keyA);
}

size_t QRowOrder::placeOf(const std::vector<IBaseChunk *> &rows, const IBaseChunk *row) const
{
    const Key key = keyOf(m_column, const_cast<IBaseChunk *>(row));
    const auto at = std::upper_bound(rows.begin(), rows.end(), key, [this](const Key &k, IBaseChunk *other) {
        const Key otherKey = keyOf(m_column, other);
        return m_direction == Qt::AscendingOrder ? less(k, otherKey) : less(otherKey, k);
    });
    return size_t(at - rows.begin());
}

std::vector<QRowOrder::Key> QRowOrder::keysOf(const std::vector<IBaseChunk *> &rows) const
{
    std::vector<Key> keys;
    keys.reserve(rows.size());
    for (IBaseChunk *row : rows)
        keys.push_back(keyOf(m_column, row));
    return keys;
}

std::vector<int> QRowOrder::sortedPlaces(const std::vector<Key> &keys) const
{
    std::vector<int> places(keys.size());
    std::iota(places.begin(), places.end(), 0);
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) {
        return m_direction == Qt::AscendingOrder ? less(keys[size_t(a)], keys[size_t(b)])
                                                 : less(keys[size_t(b)], keys[size_t(a)]);
    });
    return places;
}

void QRowOrder::sort(std::vector<IBaseChunk *> &rows) const
{
    const std::vector<int> places = sortedPlaces(keysOf(rows));
    std::vector<IBaseChunk *> sorted;
    sorted.reserve(rows.size());
    for (int place : places)
        sorted.push_back(rows[size_t(place)]);
    rows.swap(sorted);
}
