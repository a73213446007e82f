#include "library/qaudiofilesortmodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

#include <QStringList>

#include <string_view>

#include <typeinfo>

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
        point = ((lead & 0x07) << 18) | ((byte(i + 1) & 0x3F) << 12) | ((byte(i + 2) & 0x3F) << 6) | (byte(i + 3) & 0x3F);
    return point > 0xFFFF ? 0xD800 + ((point - 0x10000) >> 10) : point;
}

// a < b as QStrings compare them (by UTF-16 code unit), read straight from
// the UTF-8 text: a sort of many rows compares names without making them.
bool utf16Less(std::string_view a, std::string_view b)
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

} // namespace

QAudioFileSortModel::QAudioFileSortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}

QVariant QAudioFileSortModel::data(const QModelIndex &index, int role) const
{
    return QJXBaseSortModel::data(index, role);
}

Qt::ItemFlags QAudioFileSortModel::flags(const QModelIndex &index) const
{
    if (!index.model() || index.row() < 0 || index.column() < 0)
        return Qt::NoItemFlags;
    if (!QAudioFileModel::rowItem(index))
        return Qt::NoItemFlags;
    if (index.column() == QAudioFileModel::ColumnName)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return QSortFilterProxyModel::flags(index);
}

QAudioFileChunk *QAudioFileSortModel::rowOf(const QModelIndex &sourceIndex) const
{
    // Our own source model keeps the row in the index: no detour through
    // the item role for each of the many comparisons of a sort, and a row
    // of exactly the row type needs no cast through the hierarchy.
    if (sourceIndex.isValid() && sourceIndex.model() == sourceModel() && m_sourceIsRows) {
        auto *item = static_cast<IBaseChunk *>(sourceIndex.internalPointer());
        if (item && typeid(*item) == typeid(QAudioFileChunk))
            return static_cast<QAudioFileChunk *>(item);
        return dynamic_cast<QAudioFileChunk *>(item);
    }
    return QAudioFileModel::rowItem(sourceIndex);
}

void QAudioFileSortModel::setSourceModel(QAbstractItemModel *model)
{
    m_sourceIsRows = qobject_cast<const QAudioFileModel *>(model) != nullptr;
    QJXBaseSortModel::setSourceModel(model);
}

bool QAudioFileSortModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (left.column() != QAudioFileModel::ColumnCreated || right.column() != QAudioFileModel::ColumnCreated)
        return QJXBaseSortModel::lessThan(left, right);
    QAudioFileChunk *l = rowOf(left);
    QAudioFileChunk *r = rowOf(right);
    if (!l || !r)
        return QJXBaseSortModel::lessThan(left, right);
    if (l->GetAudioState() == QAudioFileChunk::AudioRecording
        || r->GetAudioState() == QAudioFileChunk::AudioRecording)
        return r->getFixedItem() && !l->getFixedItem();
    if (!l->hasCreateTime() || !r->hasCreateTime())
        return QJXBaseSortModel::lessThan(left, right);
    // A malformed text sorts below every well-formed one, and among its
    // kind by text.
    const std::optional<qint64> lk = l->createdTimeKey();
    const std::optional<qint64> rk = r->createdTimeKey();
    if (!lk || !rk) {
        if (lk.has_value() != rk.has_value())
            return !lk;
        return QJXBaseSortModel::lessThan(left, right);
    }
    if (*lk != *rk)
        return *lk < *rk;
    return utf16Less(l->textView(QRowTexts::FileName), r->textView(QRowTexts::FileName));
}
