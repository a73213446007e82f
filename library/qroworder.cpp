#include "library/qroworder.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/rowpass.h"

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
void shownFormat(std::string_view extension, std::string &upper)
{
    upper.assign(extension);
    bool ascii = true;
    for (char &c : upper) {
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
        else if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    if (!ascii)
        upper = QString::fromUtf8(extension.data(), int(extension.size())).toUpper().toStdString();
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

struct QRowOrder::Compared
{
    std::string_view text;
    std::string_view name;
    qint64 number = 0;
    bool hasText = false;
    bool hasNumber = false;
    bool recording = false;
    bool fixed = false;
};

QRowOrder::Key QRowOrder::keyOf(const IBaseChunk *item)
{
    Key key;
    const auto *row = dynamic_cast<const QAudioFileChunk *>(item);
    if (!row)
        return key;
    key.texts = row->texts();
    const std::optional<qint64> number = row->createdTimeKey();
    key.hasNumber = number.has_value();
    key.number = number.value_or(0);
    key.recording = row->GetAudioState() == QAudioFileChunk::AudioRecording;
    // Asked only of the running recording's row: the only one it is set on.
    key.fixed = key.recording && const_cast<QAudioFileChunk *>(row)->getFixedItem();
    return key;
}

QRowOrder::Compared QRowOrder::compared(const Key &key, std::string &upper) const
{
    Compared c;
    switch (m_column) {
    case QAudioFileModel::ColumnName:
        c.text = shownName(key.texts.view(QRowTexts::FileName));
        break;
    case QAudioFileModel::ColumnFormat:
        shownFormat(key.texts.view(QRowTexts::Extension), upper);
        c.text = upper;
        break;
    case QAudioFileModel::ColumnArtist:
        c.text = key.texts.view(QRowTexts::Artist);
        break;
    case QAudioFileModel::ColumnAlbum:
        c.text = key.texts.view(QRowTexts::Album);
        break;
    case QAudioFileModel::ColumnDuration:
        c.text = key.texts.view(QRowTexts::PlayTime);
        break;
    case QAudioFileModel::ColumnCreated:
        c.text = key.texts.view(QRowTexts::CreateTime);
        c.name = key.texts.view(QRowTexts::FileName);
        c.hasText = !c.text.empty();
        c.hasNumber = key.hasNumber;
        c.number = key.number;
        c.recording = key.recording;
        c.fixed = key.fixed;
        break;
    default:
        break; // the state and button columns show no text
    }
    return c;
}

bool QRowOrder::less(const Compared &a, const Compared &b) const
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
    const Key keyA = keyOf(&a);
    const Key keyB = keyOf(&b);
    std::string upperA, upperB;
    const Compared ca = compared(keyA, upperA);
    const Compared cb = compared(keyB, upperB);
    return m_direction == Qt::AscendingOrder ? less(ca, cb) : less(cb, ca);
}

size_t QRowOrder::placeOf(const std::vector<IBaseChunk *> &rows, const IBaseChunk *row) const
{
    const Key key = keyOf(row);
    std::string upper, otherUpper;
    const Compared k = compared(key, upper);
    const auto at = std::upper_bound(rows.begin(), rows.end(), k, [&](const Compared &c, IBaseChunk *other) {
        const Key otherKey = keyOf(other);
        const Compared o = compared(otherKey, otherUpper);
        return m_direction == Qt::AscendingOrder ? less(c, o) : less(o, c);
    });
    return size_t(at - rows.begin());
}

std::vector<QRowOrder::Key> QRowOrder::keysOf(const std::vector<IBaseChunk *> &rows) const
{
    std::vector<Key> keys;
    keys.reserve(rows.size());
    RowPass::forEach(rows, RowPass::RowsAndTexts,
                     [&keys](const IBaseChunk *row) { keys.push_back(keyOf(row)); });
    return keys;
}

std::vector<int> QRowOrder::sortedPlaces(const std::vector<Key> &keys) const
{
    // What each comparison reads is worked out once per key, not per comparison.
    std::vector<std::string> upper(m_column == QAudioFileModel::ColumnFormat ? keys.size() : 0);
    std::string none;
    std::vector<Compared> read;
    read.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        read.push_back(compared(keys[i], upper.empty() ? none : upper[i]));
    std::vector<int> places(keys.size());
    std::iota(places.begin(), places.end(), 0);
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) {
        return m_direction == Qt::AscendingOrder ? less(read[size_t(a)], read[size_t(b)])
                                                 : less(read[size_t(b)], read[size_t(a)]);
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
