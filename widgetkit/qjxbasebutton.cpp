#include "widgetkit/qjxbasebutton.h"

#include <QMouseEvent>

QJXBaseButton::QJXBaseButton(QWidget *parent)
    : QPushButton(parent)
    , QJXBaseButtonDraw(this)
{
}

void QJXBaseButton::seedClick() { click(); }
void QJXBaseButton::addItemCount() { QJXBaseButtonDraw::addItemCount(); }

void QJXBaseButton::mousePressEvent(QMouseEvent *event)
{
    if (QJXBaseButtonDraw::mousePressEvent(event))
        emit mouseDown(event, getMouseMapValue());
    QAbstractButton::mousePressEvent(event);
}

void QJXBaseButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (QJXBaseButtonDraw::mouseReleaseEvent(event))
        emit mouseRelease(event, getMouseMapValue());
    QAbstractButton::mouseReleaseEvent(event);
}

void QJXBaseButton::mouseMoveEvent(QMouseEvent *event)
{
    QAbstractButton::mouseMoveEvent(event);
    if (QJXBaseButtonDraw::mouseMoveEvent(event))
        emit mouseMove(event, getMouseMapValue());
}

void QJXBaseButton::enterEvent(QEvent *event)
{
    QJXBaseButtonDraw::enterEvent(event);
    emit mouseEnter(event);
    QWidget::enterEvent(event);
    if (getEnterIsChangeMouse())
        setCursor(Qt::ArrowCursor);
}

void QJXBaseButton::leaveEvent(QEvent *event)
{
    QJXBaseButtonDraw::leaveEvent(event);
    emit mouseLeave(event);
    QWidget::leaveEvent(event);
}

void QJXBaseButton::changeEvent(QEvent *event)
{
    QJXBaseButtonDraw::changeEvent(event);
    QAbstractButton::changeEvent(event);
}

void QJXBaseButton::paintEvent(QPaintEvent *event)
{
    if (!isCustomDraw()) {
        QPushButton::paintEvent(event);
        return;
    }
    QJXBaseButtonDraw::paintEvent(event);
}

void QJXBaseButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    QJXBaseButtonDraw::focusInEvent(event);
}

void QJXBaseButton::focusOutEvent(QFocusEvent *event)
{
    QPushButton::focusOutEvent(event);
    QJXBaseButtonDraw::focusOutEvent(event);
}

void QJXBaseButton::timerEvent(QTimerEvent *event)
{
    QAbstractButton::timerEvent(event);
    QJXBaseButtonDraw::timerEvent(event);
}
