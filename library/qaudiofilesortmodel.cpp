#include "library/qaudiofilesortmodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

QAudioFileSortModel::QAudioFileSortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}

void QAudioFileSortModel::setSearchText(const QString &text)
{
    if (text == m_search.text())
        return;
    m_search.setText(text);
    // One new layout: a filter change announced row by row would take as
    // long as the rows it hides.
    invalidate();
    OnItemStateChange();
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

void QAudioFileSortModel::sort(int column, Qt::SortOrder order)
{
    emit orderRequested(column, order);
    emit emitSort(column, order);
}

bool QAudioFileSortModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_search.isEmpty())
        return QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
    auto *model = qobject_cast<const QBaseDetailsModel *>(sourceModel());
    auto *row = model ? dynamic_cast<const QAudioFileChunk *>(model->itemAt(sourceRow)) : nullptr;
    return row && m_search.matches(*row) && QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
}
