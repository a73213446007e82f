#include "library/qinfolinetotals.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qlibraryrows.h"
#include "library/rowpass.h"

#include <QAbstractProxyModel>

QInfoLineTotals::QInfoLineTotals(const QLibraryRows &rows, QAbstractProxyModel *view, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_view(view)
{
    // Nothing is counted while a change that sums after it is made.
    connect(view, &QAbstractItemModel::modelReset, this, [this] {
        if (m_holds == 0)
            recount();
    });
    // The same rows in another order count the same.
    connect(view, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_holds == 0 && (m_view->rowCount() != m_count || amountsMoved()))
            recount();
    });
    connect(view, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (m_holds > 0)
            return;
        if (amountsMoved()) {
            recount();
            return;
        }
        countRows(first, last, 1);
        emit changed();
    });
    // Counted out while the rows are still there.
    connect(view, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                if (m_holds == 0)
                    countRows(first, last, -1);
            });
    connect(view, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_holds > 0)
            return;
        if (amountsMoved() || m_count != m_view->rowCount())
            recount();
        else
            emit changed();
    });
    // A row's size and length change as its recording completes.
    connect(view, &QAbstractItemModel::dataChanged, this, [this] {
        if (m_holds == 0 && amountsMoved())
            recount();
    });
}

void QInfoLineTotals::recountAround(const std::function<void()> &change)
{
    ++m_holds;
    change();
    if (--m_holds == 0)
        recount();
}

void QInfoLineTotals::takeAround(const std::function<void()> &change, const std::optional<Sums> &sums)
{
    ++m_holds;
    change();
    if (--m_holds > 0)
        return;
    if (!sums || sums->count != m_view->rowCount()) {
        recount();
        return;
    }
    m_amountsSeen = QHistoryChunk::amountsGeneration();
    m_count = sums->count;
    m_bytes = sums->bytes;
    m_seconds = sums->seconds;
    emit changed();
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
        RowPass::forEach(shown, RowPass::Rows, add);
    } else {
        for (int r = 0; r < m_count; ++r) {
            const int source = m_view->mapToSource(m_view->index(r, 0)).row();
            if (source >= 0 && size_t(source) < shown.size())
                add(shown[size_t(source)]);
        }
    }
    emit changed();
}
