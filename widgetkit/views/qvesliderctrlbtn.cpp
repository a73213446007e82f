#include "widgetkit/views/qvesliderctrlbtn.h"

#include <QMouseEvent>
#include <QPainter>

QVESliderCtrlBtn::QVESliderCtrlBtn(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void QVESliderCtrlBtn::setBtnImage(const QString &path)
{
    QImage image(path);
    image.setDevicePixelRatio(2);
    m_image = image;
    setFixedSize(m_image.width() / 8, m_image.height() / 2);
    update();
}

void QVESliderCtrlBtn::setStatePress()
{
    if (m_state == 2)
        return;
    m_state = 2;
    repaint();
}

void QVESliderCtrlBtn::setStateNormal()
{
    m_state = 0;
    repaint();
}

void QVESliderCtrlBtn::storePosition(QMouseEvent *event)
{
    const QPoint local = event->globalPos() - mapToGlobal(QPoint(0, 0));
    m_pressX = local.x();
    m_pressY = local.y();
}

void QVESliderCtrlBtn::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
        return;
    }
    storePosition(event);
    emit mouseDown(event, m_pressX);
    emit mouseDownY(event, m_pressY);
    m_state = isEnabled() ? 2 : 3;
    repaint();
}

void QVESliderCtrlBtn::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    storePosition(event);
    emit mouseUp(event, m_pressX);
    emit mouseUpY(event, m_pressY);
    if (m_state == 2) {
        m_state = 0;
        repaint();
    }
}

void QVESliderCtrlBtn::mouseMoveEvent(QMouseEvent *event)
{
    if (m_state == 2) {
        emit mouseMove(event, m_pressX);
        emit mouseMoveY(event, m_pressY);
    }
}

void QVESliderCtrlBtn::enterEvent(QEvent *event)
{
    QPushButton::enterEvent(event);
    if (m_state != 2 && m_state != 3) {
        m_state = 1;
        update();
    }
}

void QVESliderCtrlBtn::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    if (m_state == 1) {
        m_state = 0;
        update();
    }
}

void QVESliderCtrlBtn::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        m_state = isEnabled() ? 0 : 3;
        update();
    }
}

void QVESliderCtrlBtn::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_image.width() < 4) {
        p.drawImage(0, 0, m_image);
        return;
    }
    // The handle shows one frame of the strip; the image counts half at ratio 2.
    const int offset = m_state == 0 ? 0 : m_image.width() / 4 * m_state;
    p.drawImage(QPointF(-offset / 2.0, 0), m_image);
}
