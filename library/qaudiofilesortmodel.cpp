#include "library/qaudiofilesortmodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

QAudioFileSortModel::QAudioFileSortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
    // The rows found are counted by their places in the source.
    connect(this, &QAbstractProxyModel::sourceModelChanged, this, [this] {
        forgetFound();
        QAbstractItemModel *source = sourceModel();
        if (!source)
            return;
        connect(source, &QAbstractItemModel::rowsInserted, this, &QAudioFileSortModel::forgetFound);
        connect(source, &QAbstractItemModel::rowsRemoved, this, &QAudioFileSortModel::forgetFound);
        connect(source, &QAbstractItemModel::rowsMoved, this, &QAudioFileSortModel::forgetFound);
        connect(source, &QAbstractItemModel::modelReset, this, &QAudioFileSortModel::forgetFound);
        connect(source, &QAbstractItemModel::layoutChanged, this, &QAudioFileSortModel::forgetFound);
        connect(source, &QAbstractItemModel::dataChanged, this, &QAudioFileSortModel::forgetFound);
    });
}

void QAudioFileSortModel::setSearchText(const QString &text)
{
    if (text == m_search.text())
        return;
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    // A row without the last text cannot hold one that contains it.
    m_narrowing = m_foundValid && !m_foundFor.isEmpty() && m_found.size() == size_t(rows)
                  && text.toCaseFolded().contains(m_foundFor.toCaseFolded());
    m_search.setText(text);
    m_finding.assign(size_t(rows), 0);
    // One new layout: a filter change announced row by row would take as
    // long as the rows it hides.
    invalidate();
    rowCount(); // the search runs here, whoever asks first
    m_narrowing = false;
    m_found.swap(m_finding);
    m_finding.clear();
    m_foundFor = text;
    m_foundValid = !text.isEmpty();
}

void QAudioFileSortModel::showFound(const QString &text, std::vector<char> found)
{
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    if (found.size() != size_t(rows)) {
        setSearchText(text);
        return;
    }
    m_search.setText(text);
    m_found = std::move(found);
    m_foundFor = text;
    m_foundValid = !text.isEmpty();
    // Only the answers are read: each row costs a look-up.
    m_narrowing = true;
    m_finding.clear();
    invalidate();
    rowCount();
    m_narrowing = false;
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
    const auto at = size_t(sourceRow);
    if (m_narrowing && at < m_found.size() && !m_found[at])
        return false;
    if (m_narrowing && m_finding.empty() && at < m_found.size())
        return QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
    auto *model = qobject_cast<const QBaseDetailsModel *>(sourceModel());
    auto *row = model ? dynamic_cast<const QAudioFileChunk *>(model->itemAt(sourceRow)) : nullptr;
    const bool found = row && m_search.matches(*row);
    if (at < m_finding.size())
        m_finding[at] = found;
    return found && QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
}
