#include "capture/dimmingview.h"

#include "capture/firstdisplaydelay.h"

#include <QPaintEvent>
#include <QPainter>

DimmingView::DimmingView(QWidget *parent)
    : QWidget(parent), m_firstDisplay(new FirstDisplayDelay(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void DimmingView::setClearRect(const QRectF &bottomUp)
{
    m_clearRect = bottomUp;
    update();
}

void DimmingView::resetFirstDisplay()
{
    m_firstDisplay->reset();
    update();
}

void DimmingView::paintEvent(QPaintEvent *event)
{
    if (!m_firstDisplay->ready())
        return;
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(event->rect(), QColor(0, 0, 0, 128));
    const QRectF hole(m_clearRect.x(), height() - (m_clearRect.y() + m_clearRect.height()),
                      m_clearRect.width(), m_clearRect.height());
    p.fillRect(hole, Qt::transparent);
}
