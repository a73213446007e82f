#include "qbasedetailsmodel.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qjxitemroles.h"

QBaseDetailsModel::QBaseDetailsModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

void QBaseDetailsModel::setDatas(std::vector<IBaseChunk *> *items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

void QBaseDetailsModel::refresh()
{
    beginResetModel();
    endResetModel();
}

void QBaseDetailsModel::refreshData(int row, int column)
{
    const QModelIndex cell = index(row, column);
    if (cell.isValid())
        emit dataChanged(cell, cell);
}

void QBaseDetailsModel::insertRefeshLastRow()
{
    insertRefreshLastRows(1);
}

void QBaseDetailsModel::insertRefreshLastRows(int count)
{
    const int rows = rowCount();
    if (count <= 0 || count > rows)
        return;
    // The vector already holds the new items; until the insertion is
    // announced the model keeps reporting the old count, as views and
    // proxies expect.
    m_announcing = count;
    beginInsertRows(QModelIndex(), rows - count, rows - 1);
    m_announcing = 0;
    endInsertRows();
}

void QBaseDetailsModel::removeRowAround(int row, const std::function<void()> &remove)
{
    if (row < 0 || row >= rowCount()) {
        remove();
        refresh();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    remove();
    endRemoveRows();
}

void QBaseDetailsModel::refeshRow(int row)
{
    if (columnCount() == 0)
        return;
    const QModelIndex first = index(row, 0);
    const QModelIndex last = index(row, columnCount() - 1);
    if (first.isValid() && last.isValid())
        emit dataChanged(first, last);
}

void QBaseDetailsModel::refreshColumn(int column)
{
    emit headerDataChanged(Qt::Horizontal, column, column);
    // Callers use this to repaint a column's cells as well.
    const int rows = rowCount();
    if (rows > 0 && column >= 0 && column < columnCount())
        emit dataChanged(index(0, column), index(rows - 1, column));
}

IBaseChunk *QBaseDetailsModel::itemAt(int row) const
{
    if (!m_items || row < 0 || row >= static_cast<int>(m_items->size()))
        return nullptr;
    return (*m_items)[static_cast<size_t>(row)];
}

int QBaseDetailsModel::checkSummary() const
{
    if (!m_items || m_items->empty())
        return 2;
    size_t checked = 0;
    for (IBaseChunk *item : *m_items)
        if (item && item->GetCheck() != 0)
            ++checked;
    if (checked == 0)
        return 0;
    return checked == m_items->size() ? 2 : 1;
}

void QBaseDetailsModel::refreshCheckState()
{
    if (m_items)
        emit itemCheckChange(checkSummary());
}

QModelIndex QBaseDetailsModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column < 0 || !m_items || row < 0 || row >= rowCount())
        return QModelIndex();
    return createIndex(row, column, itemAt(row));
}

QModelIndex QBaseDetailsModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int QBaseDetailsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_items)
        return 0;
    return static_cast<int>(m_items->size()) - m_announcing;
}

int QBaseDetailsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QVariant QBaseDetailsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || !index.internalPointer())
        return QVariant();
    auto *item = static_cast<IBaseChunk *>(index.internalPointer());
    switch (role) {
    case Qt::EditRole:
        return item->getColumnEnable(index.column());
    case Qt::FontRole:
        return textFont();
    case Qt::BackgroundRole:
        return rowBackground(index.row());
    case Qt::ForegroundRole:
        return rowForeground(index.row(), item->isDeleted());
    case Qt::CheckStateRole:
        if (index.column() != m_checkColumn)
            return QVariant();
        return static_cast<int>(item->GetCheck() != 0 ? Qt::Checked : Qt::Unchecked);
    case QJXItemRole::ItemPointer:
        return QVariant::fromValue(static_cast<void *>(item));
    case QJXItemRole::ItemDeleted:
        return item->isDeleted();
    default:
        return QVariant();
    }
}

bool QBaseDetailsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || (role != Qt::CheckStateRole && role != QJXItemRole::CheckNoSummary)
        || index.column() != m_checkColumn || !m_items || !index.internalPointer())
        return QAbstractItemModel::setData(index, value, role);
    static_cast<IBaseChunk *>(index.internalPointer())->SetCheck(value.toInt());
    emit dataChanged(index, index);
    if (role == Qt::CheckStateRole)
        emit itemCheckChange(checkSummary());
    return true;
}

QVariant QBaseDetailsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section < 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole
        || section >= m_headers.size())
        return QVariant();
    return m_headers.at(section);
}

Qt::ItemFlags QBaseDetailsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;
    if (index.column() == m_checkColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void QBaseDetailsModel::OnStateChanged(int state)
{
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row)
        setData(index(row, m_checkColumn), state, Qt::CheckStateRole);
}

void QBaseDetailsModel::OnStateChanged(bool on)
{
    OnStateChanged(on ? 2 : 0);
}
