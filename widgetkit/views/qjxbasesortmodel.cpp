#include "qjxbasesortmodel.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QRegularExpression>

namespace {
IBaseChunk *chunkOf(const QModelIndex &sourceIndex)
{
    if (!sourceIndex.isValid())
        return nullptr;
    return static_cast<IBaseChunk *>(sourceIndex.data(QJXItemRole::ItemPointer).value<void *>());
}
} // namespace

QJXBaseSortModel::QJXBaseSortModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void QJXBaseSortModel::setFilterIdSet(const QString &ids)
{
    if (ids == m_filterIdSet)
        return;
    beginResetModel();
    m_filterIdSet = ids;
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    m_filterIds = ids.split(separators, Qt::SkipEmptyParts);
    endResetModel();
}

void QJXBaseSortModel::setDeleteFilter(FilterDeleteMode mode)
{
    if (mode == m_deleteFilter)
        return;
    beginResetModel();
    m_deleteFilter = mode;
    endResetModel();
}

void QJXBaseSortModel::setFilterRegExp(const QRegExp &regExp)
{
    QSortFilterProxyModel::setFilterRegExp(regExp);
    OnItemStateChange();
}

void QJXBaseSortModel::refreshIndex(const QModelIndex &index)
{
    if (index.isValid())
        emit dataChanged(index, index);
}

IBaseChunk *QJXBaseSortModel::itemAt(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this)
        return nullptr;
    return chunkOf(mapToSource(proxyIndex));
}

int QJXBaseSortModel::getItemChangeState() const
{
    const int rows = rowCount();
    if (rows == 0)
        return 0;
    int checked = 0;
    for (int row = 0; row < rows; ++row) {
        IBaseChunk *item = itemAt(index(row, 0));
        if (item && item->GetCheck() != 0)
            ++checked;
    }
    if (checked == 0)
        return 0;
    return checked == rows ? 2 : 1;
}

void QJXBaseSortModel::OnItemStateChange()
{
    if (rowCount() > 0)
        emit itemCheckChange(getItemChangeState());
}

void QJXBaseSortModel::setAllItemCheck(bool on)
{
    setAllItemCheck(on ? 2 : 0);
}

void QJXBaseSortModel::setAllItemCheck(int state)
{
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row)
        setData(index(row, 0), state, Qt::CheckStateRole);
}

void QJXBaseSortModel::itemCheckStateChanged(const QModelIndex &index, int state)
{
    if (!index.isValid())
        return;
    setData(index, state, Qt::CheckStateRole);
    OnItemStateChange();
}

QVariant QJXBaseSortModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::BackgroundRole)
        return rowBackground(index.row());
    if (role == Qt::ForegroundRole) {
        IBaseChunk *item = itemAt(index);
        return rowForeground(index.row(), item && item->isDeleted());
    }
    return QSortFilterProxyModel::data(index, role);
}

bool QJXBaseSortModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.isValid() && index.column() == 0
        && (role == Qt::CheckStateRole || role == QJXItemRole::CheckNoSummary)) {
        IBaseChunk *item = itemAt(index);
        if (item) {
            item->SetCheck(value.toInt());
            emit dataChanged(index, index);
            return true;
        }
    }
    return QSortFilterProxyModel::setData(index, value, role);
}

void QJXBaseSortModel::sort(int column, Qt::SortOrder order)
{
    QSortFilterProxyModel::sort(column, order);
    emit emitSort(column, order);
}

bool QJXBaseSortModel::idIsFiltered(const QString &id) const
{
    return !id.isEmpty() && m_filterIds.contains(id);
}

bool QJXBaseSortModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_deleteFilter == FilterDeleteNone && m_filterIdSet.isEmpty())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    const QModelIndex source = sourceModel() ? sourceModel()->index(sourceRow, 0, sourceParent)
                                             : QModelIndex();
    IBaseChunk *item = chunkOf(source);
    if (!item)
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    if (m_deleteFilter == FilterDeleteHide && item->isDeleted())
        return false;
    if (m_deleteFilter == FilterDeleteOnly && !item->isDeleted())
        return false;
    if (idIsFiltered(QString::fromStdString(item->GetFilterId())))
        return false;
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

bool QJXBaseSortModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (!left.isValid() || !right.isValid() || !left.model() || !right.model())
        return false;
    return left.data(Qt::DisplayRole).toString() < right.data(Qt::DisplayRole).toString();
}
