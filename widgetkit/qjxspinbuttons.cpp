#include "widgetkit/qjxspinbuttons.h"

#include "widgetkit/qjxbasebutton.h"

#include <QAbstractSpinBox>
#include <QFile>
#include <QTimerEvent>

QJXSpinButtons::QJXSpinButtons(QAbstractSpinBox *owner)
    : m_owner(owner)
{
}

QJXSpinButtons::~QJXSpinButtons()
{
    if (m_timer)
        m_owner->killTimer(m_timer);
    delete m_up;
    delete m_down;
}

bool QJXSpinButtons::setImages(const QString &up, const QString &down, bool keepSize)
{
    delete m_up;
    delete m_down;
    m_up = m_down = nullptr;
    if (!QFile::exists(up))
        return false;
    m_up = new QJXBaseButton(m_owner);
    m_down = new QJXBaseButton(m_owner);
    m_up->setButtonImage(up, true);
    m_down->setButtonImage(down, true);
    m_up->show();
    m_down->show();
    m_keepSize = keepSize;
    return true;
}

QJXBaseButton *QJXSpinButtons::upButton() const
{
    return m_up;
}

QJXBaseButton *QJXSpinButtons::downButton() const
{
    return m_down;
}

void QJXSpinButtons::setMargins(int left, int top, int right, int bottom)
{
    m_margins[0] = qint16(left);
    m_margins[1] = qint16(top);
    m_margins[2] = qint16(right);
    m_margins[3] = qint16(bottom);
    m_autoLeft = left < 0;
}

QMargins QJXSpinButtons::margins() const
{
    return QMargins(m_margins[0], m_margins[1], m_margins[2], m_margins[3]);
}

void QJXSpinButtons::place()
{
    if (!m_up && !m_down)
        return;
    const int w = m_owner->width();
    const int h = m_owner->height();
    // A computed left edge follows the control's width.
    if (m_autoLeft && m_up)
        m_margins[0] = qint16(w - m_up->width() - m_margins[2]);
    const int left = m_margins[0];
    const int top = m_margins[1];
    const int bottom = m_margins[3];
    if (m_keepSize) {
        if (m_up)
            m_up->move(left, top);
        if (m_down)
            m_down->move(left, h - bottom - m_down->height());
        return;
    }
    const int t = h - top - bottom;
    if (m_up)
        m_up->setGeometry(left, top, w - m_margins[2] - left, t / 2);
    if (m_down && m_up)
        m_down->setGeometry(left, h - bottom - m_up->height(), m_up->width(),
                            t - m_up->height());
}

void QJXSpinButtons::press(QObject *sender)
{
    if (!m_up)
        return;
    m_stepUp = sender == m_up;
    m_ticks = 0;
    if (m_timer)
        m_owner->killTimer(m_timer);
    m_timer = m_owner->startTimer(kRepeatInterval, Qt::CoarseTimer);
}

void QJXSpinButtons::release()
{
    if (!m_timer)
        return;
    m_owner->killTimer(m_timer);
    m_timer = 0;
}

bool QJXSpinButtons::isRepeating() const
{
    return m_timer != 0;
}

bool QJXSpinButtons::timerEvent(QTimerEvent *event)
{
    if (!m_timer || event->timerId() != m_timer)
        return false;
    if (m_ticks >= kWaitTicks) {
        if (m_stepUp)
            m_owner->stepUp();
        else
            m_owner->stepDown();
    }
    ++m_ticks;
    return true;
}
