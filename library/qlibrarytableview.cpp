#include "library/qlibrarytableview.h"

#include "library/qaudiofilemimedata.h"
#include "library/qlibrarychunk.h"
#include "library/qlibrarymodel.h"

#include <QDragEnterEvent>
#include <QMouseEvent>

QLibraryTableView::QLibraryTableView(QWidget *parent)
    : QJXTableView(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setMouseTracking(true);
}

void QLibraryTableView::repaintNameCell(int row)
{
    if (model() && row >= 0)
        update(model()->index(row, 0));
}

void QLibraryTableView::endDrag()
{
    repaintNameCell(m_nPreDropRow);
    repaintNameCell(m_nDropRow);
    m_bDragging = false;
    m_nPreDropRow = m_nDropRow = -1;
}

void QLibraryTableView::mouseMoveEvent(QMouseEvent *event)
{
    QJXTableView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->pos());
    const bool overName = index.isValid() && index.column() == 0 && index.row() >= 5
                          && index.row() == currentIndex().row();
    viewport()->setCursor(overName ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void QLibraryTableView::dragEnterEvent(QDragEnterEvent *event)
{
    // A drag of another program never carries our payload class.
    if (!qobject_cast<const QAudioFileMimeData *>(event->mimeData())) {
        event->ignore();
        return;
    }
    m_bDragging = true;
    event->acceptProposedAction();
}

void QLibraryTableView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_bDragging) {
        event->ignore();
        return;
    }
    const QModelIndex index = indexAt(event->pos());
    m_nPreDropRow = m_nDropRow;
    m_nDropRow = index.isValid() ? index.row() : -1;
    repaintNameCell(m_nPreDropRow != m_nDropRow ? m_nPreDropRow : m_nDropRow);
    repaintNameCell(m_nDropRow);
    QLibraryChunk *entry = QLibraryModel::entryAt(index);
    if (entry && entry->getEnable() && entry->GetListType() == QLibraryChunk::ListCustom)
        event->acceptProposedAction();
    else
        event->ignore();
}

void QLibraryTableView::dragLeaveEvent(QDragLeaveEvent *)
{
    endDrag();
}

void QLibraryTableView::dropEvent(QDropEvent *event)
{
    const QModelIndex index = indexAt(event->pos());
    QLibraryChunk *entry = QLibraryModel::entryAt(index);
    if (!entry || entry->GetListType() != QLibraryChunk::ListCustom || !entry->getEnable()) {
        event->ignore();
        return;
    }
    const std::optional<QList<quint64>> ids = QAudioFileMimeData::heldRowIds(event->mimeData());
    endDrag();
    if (!ids) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit emitAddToList(QString::fromStdString(entry->GetTitle()), *ids);
}
