#include "library/qaudiofilesortmodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

#include <QStringList>

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
    // the item role for each of the many comparisons of a sort.
    if (sourceIndex.isValid() && sourceIndex.model() == sourceModel()
        && qobject_cast<const QAudioFileModel *>(sourceModel()))
        return dynamic_cast<QAudioFileChunk *>(static_cast<IBaseChunk *>(sourceIndex.internalPointer()));
    return QAudioFileModel::rowItem(sourceIndex);
}

bool QAudioFileSortModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    QAudioFileChunk *l = rowOf(left);
    QAudioFileChunk *r = rowOf(right);
    if (!l || !r || left.column() != QAudioFileModel::ColumnCreated
        || right.column() != QAudioFileModel::ColumnCreated)
        return QJXBaseSortModel::lessThan(left, right);
    if (l->GetAudioState() == QAudioFileChunk::AudioRecording
        || r->GetAudioState() == QAudioFileChunk::AudioRecording)
        return r->getFixedItem() && !l->getFixedItem();
    if (l->GetCreateTime().empty() || r->GetCreateTime().empty())
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
    return QString::fromStdString(l->GetFileName()) < QString::fromStdString(r->GetFileName());
}
