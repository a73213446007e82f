#include "capture/areawindowpicker.h"

#include <cmath>

AreaWindowPicker::AreaWindowPicker(const QSizeF &screen) : m_screen(screen) {}

void AreaWindowPicker::start(const QList<QRectF> &windowsTopDown)
{
    m_windows = windowsTopDown;
    m_selectRect = QRectF();
    m_begin = m_end = QPointF();
    m_state = Hover;
}

QRectF AreaWindowPicker::windowAt(const QPointF &p) const
{
    const double sh = m_screen.height();
    for (const QRectF &w : m_windows) {
        const QRectF r(w.x(), sh - w.y() - w.height(), w.width(), w.height());
        // Half-open like the window system's own point test.
        if (p.x() >= r.left() && p.x() < r.left() + r.width() && p.y() >= r.top()
            && p.y() < r.top() + r.height())
            return r;
    }
    return QRectF(QPointF(0, 0), m_screen);
}

QRectF AreaWindowPicker::rubberBand(const QPointF &a, const QPointF &b)
{
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                  std::abs(a.y() - b.y()));
}

void AreaWindowPicker::pointerMoved(const QPointF &p)
{
    m_pointer = p;
    if (m_state == Hover) {
        QRectF r = windowAt(p);
        const int sw = int(m_screen.width()), sh = int(m_screen.height());
        if (r.x() < 0) {
            r.setWidth(r.width() + r.x());
            r.moveLeft(0);
        }
        if (r.x() + r.width() > sw)
            r.setWidth(sw - r.x());
        if (r.y() < 0)
            r.moveTop(0);
        if (r.y() + r.height() > sh)
            r.setHeight(sh - r.y());
        m_selectRect = r;
    } else if (m_state == Dragging) {
        m_end = p;
        m_selectRect = rubberBand(m_begin, m_end);
    }
}

void AreaWindowPicker::leftPressed(const QPointF &p)
{
    if (m_state != Hover)
        return;
    m_state = Dragging;
    m_begin = m_end = p;
    m_selectRect = rubberBand(m_begin, m_end);
}

bool AreaWindowPicker::leftReleased(const QPointF &p)
{
    if (m_state != Dragging)
        return false;
    m_state = Done;
    m_end = p;
    return true;
}

