#include "widgetkit/views/qbaseitem.h"

#include <QMouseEvent>
#include <QPainter>

QBaseItem::QBaseItem(QWidget *parent) : QWidget(parent) {}

void QBaseItem::setBackgroundColor(const QColor &normal, const QColor &hover,
                                   const QColor &pressed, const QColor &other)
{
    m_colors[0] = normal;
    m_colors[1] = hover;
    m_colors[2] = pressed;
    m_colors[3] = other;
    update();
}

void QBaseItem::setBackgroundColor(const QColor &all)
{
    setBackgroundColor(all, all, all, all);
}

void QBaseItem::setMouseState(QMouseState state)
{
    m_state = state;
    update();
}

void QBaseItem::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int index = m_state >= MouseNormal && m_state <= MouseOther ? int(m_state) : 3;
    p.fillRect(rect(), m_colors[index]);
}

void QBaseItem::enterEvent(QEvent *event)
{
    QWidget::enterEvent(event);
    if (m_state != MouseHover && m_state != MousePressed)
        setMouseState(MouseHover);
}

void QBaseItem::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_state == MouseHover)
        setMouseState(MouseNormal);
}

void QBaseItem::press()
{
    const bool wasPressed = m_state == MousePressed;
    setMouseState(MousePressed);
    if (!wasPressed)
        emit emitMousePress();
}

void QBaseItem::mousePressEvent(QMouseEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (event->button() == Qt::RightButton) {
        press();
        emit emitShowTreeMenu();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (mods & Qt::ShiftModifier) {
        emit emitMouseShiftPress();
    } else if (mods & Qt::ControlModifier) {
        setMouseState(m_state == MousePressed ? MouseNormal : MousePressed);
        emit emitMouseCtrlPress();
    } else {
        setMouseState(MousePressed);
        emit emitMousePress();
    }
}

void QBaseItem::mouseDoubleClickEvent(QMouseEvent *) {}
