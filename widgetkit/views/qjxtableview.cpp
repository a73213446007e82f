#include "qjxtableview.h"

#include "widgetkit/views/qjxbasestyledelegate.h"
#include "widgetkit/views/qviewkeys.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

QJXTableView::QJXTableView(QWidget *parent)
    : QTableView(parent)
    , m_hover(this)
    , m_toolTipTimer(new QTimer(this))
{
    setAcceptDrops(true);
    setMouseTracking(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(27);
    setShowGrid(false);
    setSortingEnabled(true);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::CustomContextMenu);
    m_toolTipTimer->setInterval(100);
    connect(m_toolTipTimer, &QTimer::timeout, this, &QJXTableView::OnToolTipTimer);
}

void QJXTableView::setStyleDelegate(QJXBaseStyleDelegate *delegate)
{
    m_delegate = delegate;
    if (delegate)
        m_hover.setDelegateHover([delegate](int row) { delegate->setHoverRow(row); });
    else
        m_hover.setDelegateHover(nullptr);
}

void QJXTableView::SetToolTip(bool on)
{
    m_hover.setToolTipsOn(on);
    m_toolTipTimer->start(100);
}

bool QJXTableView::mouseIsInCtrlRect() const
{
    return m_delegate && m_delegate->mouseInCtrlRect();
}

void QJXTableView::updateRow(int row)
{
    m_hover.updateRow(row);
}

bool QJXTableView::event(QEvent *event)
{
    const bool result = QTableView::event(event);
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
        const QScrollBar *bar = verticalScrollBar();
        viewport()->setMaximumWidth(width() - (bar && bar->isVisible() ? bar->width() : 0));
    }
    return result;
}

bool QJXTableView::isReShowToolTipText(int row, int column)
{
    return m_hover.isOtherCell(row, column);
}

QString QJXTableView::showToolTipText(const QModelIndex &index)
{
    return m_hover.cellText(index);
}

void QJXTableView::showToolTip(int row, int column)
{
    if (!m_hover.toolTipsOn() || !model())
        return;
    const QModelIndex cell = model()->index(row, column);
    if (cell.isValid())
        m_hover.showToolTip(showToolTipText(cell));
}

void QJXTableView::OnToolTipTimer()
{
    if (m_hover.takeDueToolTip())
        showToolTip(m_hover.hoverRow(), m_hover.hoverColumn());
}

void QJXTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        emit emitCurrentChanged(current);
}

void QJXTableView::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    const QModelIndex cell = indexAt(event->pos());
    const int row = cell.isValid() ? cell.row() : -1;
    const int column = cell.isValid() ? cell.column() : -1;
    if (isReShowToolTipText(row, column))
        m_hover.rearmToolTip();
    updateRow(row);
    m_hover.setHoverColumn(column);
    QStyleOptionViewItem option = viewOptions();
    option.rect = visualRect(cell);
    m_hover.routeMove(m_delegate, event, cell, option);
}

void QJXTableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click on an in-cell button must not also open the row.
    if (mouseIsInCtrlRect()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void QJXTableView::keyPressEvent(QKeyEvent *event)
{
    if (QViewKeys::handle(this, event, [this] { emit emitEnterSelect(); }, nullptr))
        return;
    QTableView::keyPressEvent(event);
}

bool QJXTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        m_hover.leave();
    return QTableView::viewportEvent(event);
}
