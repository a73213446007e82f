#include "qjxlistview.h"

#include "widgetkit/views/qbaseiconlistdelegate.h"
#include "widgetkit/views/qviewkeys.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

QJXListView::QJXListView(QWidget *parent)
    : QListView(parent)
    , m_hover(this)
    , m_toolTipTimer(new QTimer(this))
{
    setAcceptDrops(true);
    setMouseTracking(true);
    setViewMode(QListView::IconMode);
    setFrameShape(QFrame::NoFrame);
    m_toolTipTimer->setInterval(100);
    connect(m_toolTipTimer, &QTimer::timeout, this, &QJXListView::OnToolTipTimer);
}

void QJXListView::setStyleDelegate(QBaseIconListDelegate *delegate)
{
    m_delegate = delegate;
    if (delegate)
        m_hover.setDelegateHover([delegate](int row) { delegate->setHoverRow(row); });
    else
        m_hover.setDelegateHover(nullptr);
}

void QJXListView::SetToolTip(bool on)
{
    m_hover.setToolTipsOn(on);
    m_toolTipTimer->start(100);
}

bool QJXListView::mouseIsInCtrlRect() const
{
    return m_delegate && m_delegate->mouseInCtrlRect();
}

void QJXListView::updateRow(int row)
{
    m_hover.updateRow(row);
}

void QJXListView::setVerticalScrollBar(QScrollBar *bar)
{
    QListView::setVerticalScrollBar(bar);
    if (!bar)
        return;
    connect(bar, &QScrollBar::actionTriggered, this, &QJXListView::verticalScrollbarAction);
    connect(bar, &QScrollBar::valueChanged, this, &QJXListView::verticalScrollbarValueChanged);
}

QString QJXListView::showToolTipText(const QModelIndex &index)
{
    return m_hover.cellText(index);
}

void QJXListView::showToolTip(int row, int column)
{
    if (!m_hover.toolTipsOn() || !model())
        return;
    const QModelIndex cell = model()->index(row, column);
    if (cell.isValid())
        m_hover.showToolTip(showToolTipText(cell));
}

void QJXListView::OnToolTipTimer()
{
    if (m_hover.takeDueToolTip())
        showToolTip(m_hover.hoverRow(), m_hover.hoverColumn());
}

void QJXListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    if (current.isValid())
        emit emitCurrentChanged(current);
}

void QJXListView::mouseMoveEvent(QMouseEvent *event)
{
    QListView::mouseMoveEvent(event);
    const QModelIndex cell = indexAt(event->pos());
    const int row = cell.isValid() ? cell.row() : -1;
    const int column = cell.isValid() ? cell.column() : -1;
    if (m_hover.isOtherCell(row, column))
        m_hover.rearmToolTip();
    updateRow(row);
    m_hover.setHoverColumn(column);
    QStyleOptionViewItem option = viewOptions();
    option.rect = visualRect(cell);
    m_hover.routeMove(m_delegate, event, cell, option);
}

void QJXListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (mouseIsInCtrlRect()) {
        event->accept();
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

void QJXListView::keyPressEvent(QKeyEvent *event)
{
    if (QViewKeys::handle(this, event, [this] { emit emitEnterSelect(); },
                          [this] { emit emitKeyBackspace(); }))
        return;
    QListView::keyPressEvent(event);
}

bool QJXListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        m_hover.leave();
    return QListView::viewportEvent(event);
}
