#include "qitemviewhover.h"

#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qjxbasesortmodel.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QMouseEvent>
#include <QCursor>
#include <QDateTime>
#include <QToolTip>

QItemViewHover::QItemViewHover(QAbstractItemView *view)
    : m_view(view)
    , m_clock(&QDateTime::currentMSecsSinceEpoch)
{
}

void QItemViewHover::setClock(std::function<qint64()> msecs)
{
    m_clock = msecs ? std::move(msecs) : &QDateTime::currentMSecsSinceEpoch;
}

void QItemViewHover::rearmToolTip()
{
    m_toolTipShown = false;
    m_lastMove = m_clock();
    QToolTip::hideText();
}

void QItemViewHover::setModelsHoverRow(int row) const
{
    if (m_sortModel)
        m_sortModel->setHoverRow(row);
    if (m_sourceModel)
        m_sourceModel->setHoverRow(row);
}

void QItemViewHover::repaintRow(int row) const
{
    const QAbstractItemModel *model = m_view->model();
    if (!model || row < 0)
        return;
    for (int column = model->columnCount() - 1; column >= 0; --column)
        m_view->update(model->index(row, column));
}

void QItemViewHover::updateRow(int row)
{
    if (row != m_hoverRow && (m_sortModel || m_sourceModel)) {
        setModelsHoverRow(row);
        repaintRow(m_hoverRow);
        repaintRow(row);
        m_hoverRow = row;
    }
    if (m_delegateHover)
        m_delegateHover(row);
}

void QItemViewHover::routeMove(QAbstractItemDelegate *delegate, QMouseEvent *event,
                               const QModelIndex &cell, const QStyleOptionViewItem &cellOption)
{
    if (!delegate)
        return;
    if (cell.isValid() && m_view->model()) {
        delegate->editorEvent(event, m_view->model(), cellOption, cell);
        m_view->update(cell);
    }
    if (m_routedCell.isValid() && m_routedCell != cell)
        m_view->update(m_routedCell);
    m_routedCell = cell;
}

void QItemViewHover::leave()
{
    setModelsHoverRow(-1);
    if (m_delegateHover)
        m_delegateHover(-1);
    repaintRow(m_hoverRow);
    m_hoverRow = -1;
    m_hoverColumn = -1;
}

bool QItemViewHover::takeDueToolTip()
{
    if (m_toolTipShown || m_lastMove < 0 || m_clock() - m_lastMove <= m_toolTipDelay)
        return false;
    m_toolTipShown = true;
    return true;
}

QString QItemViewHover::cellText(const QModelIndex &index) const
{
    if (!index.isValid())
        return QString();
    const QModelIndex source = m_sortModel && index.model() == m_sortModel
        ? m_sortModel->mapToSource(index)
        : index;
    return source.data(Qt::DisplayRole).toString();
}

void QItemViewHover::showToolTip(const QString &text) const
{
    if (m_toolTipsOn && !text.isEmpty())
        QToolTip::showText(QCursor::pos(), text, m_view->viewport());
}
