#include "library/qinfolinetotals.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qlibraryrows.h"

#include <QAbstractItemModel>

QInfoLineTotals::QInfoLineTotals(const QLibraryRows &rows, QAbstractItemModel *view, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
{
    connect(view, &QAbstractItemModel::modelReset, this, &QInfoLineTotals::recount);
    // The same rows in another order count the same.
    connect(view, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_view->rowCount() != m_count || amountsMoved())
            recount();
    });
    connect(view, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (amountsMoved()) {
            recount();
            return;
        }
        countRows(first, last, 1);
        emit changed();
    });
    // Counted out while the rows are still there.
    connect(view, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { countRows(first, last, -1); });
    connect(view, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (amountsMoved() || m_count != m_view->rowCount())
            recount();
        else
            emit changed();
    });
    // A row's size and length change as its recording completes.
    connect(view, &QAbstractItemModel::dataChanged, this, [this] {
        if (amountsMoved())
            recount();
    });
}

bool QInfoLineTotals::amountsMoved() const
{
    return QHistoryChunk::amountsGeneration() != m_amountsSeen;
}

void QInfoLineTotals::countRows(int first, int last, int sign)
{
    for (int r = first; r <= last; ++r) {
        m_count += sign;
        if (const QAudioFileChunk *row = QAudioFileModel::rowItem(m_view->index(r, 0))) {
            // Bytes as read from the disk: the size texts come in two kinds.
            m_bytes += sign * row->GetFileBytes();
            m_seconds += sign * row->playSeconds();
        }
    }
}

void QInfoLineTotals::recount()
{
    m_amountsSeen = QHistoryChunk::amountsGeneration();
    m_count = m_view->rowCount();
    m_bytes = 0;
    m_seconds = 0;
    const auto add = [this](IBaseChunk *item) {
        if (auto *row = dynamic_cast<QAudioFileChunk *>(item)) {
            m_bytes += row->GetFileBytes();
            m_seconds += row->playSeconds();
        }
    };
    const std::vector<IBaseChunk *> &shown = m_rows.shown();
    // Without a search the view shows the rows as they are kept.
    if (size_t(m_count) == shown.size()) {
        for (IBaseChunk *item : shown)
            add(item);
    } else {
        for (int r = 0; r < m_count; ++r)
            add(QAudioFileModel::rowItem(m_view->index(r, 0)));
    }
    emit changed();
}
