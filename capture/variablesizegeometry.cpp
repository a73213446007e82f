#include "capture/variablesizegeometry.h"

#include <algorithm>

using S = AreaCropGeometry;

void VariableSizeGeometry::setRecordRect(int x, int y, int w, int h)
{
    const int sw = m_screen.width(), sh = m_screen.height();
    m_origin = QPoint(x < 0 || x > sw ? 0 : x, y < 0 || y > sh ? 0 : y);
    m_size = QSize(std::min(std::max(w, kMinSide), sw), std::min(std::max(h, kMinSide), sh));
}

void VariableSizeGeometry::setKeepScale(bool keep)
{
    m_keepScale = keep;
    m_scale = keep && m_size.width() != 0 ? float(m_size.height()) / float(m_size.width()) : 1.0f;
}

int VariableSizeGeometry::scaleWidth(int height) const
{
    if (!m_keepScale || m_scale == 0)
        return 0;
    int w = int(height / m_scale);
    if (m_origin.x() + w > m_screen.width())
        w = m_screen.width() - m_origin.x();
    return w;
}

int VariableSizeGeometry::scaleHeight(int width) const
{
    if (!m_keepScale)
        return 0;
    int h = int(width * m_scale);
    if (m_origin.y() + h > m_screen.height())
        h = m_screen.height() - m_origin.y();
    return h;
}

VariableSizeGeometry::CursorAndState VariableSizeGeometry::hover(const QPoint &p)
{
    const int x0 = m_origin.x(), y0 = m_origin.y(), w = m_size.width(), h = m_size.height();
    const int px = p.x(), py = p.y();
    const bool topBand = py >= y0 - 4 && py <= y0 + 4;
    const bool bottomBand = py >= y0 + h - 4 && py <= y0 + h + 4;
    const bool middleBand = py > y0 + 4 && py < y0 + h - 4;

    CursorAndState state = S::None;
    if (px >= x0 - 4 && px <= x0 + 4) {
        state = m_keepScale ? S::Left
              : topBand     ? S::TopLeft
              : middleBand  ? S::Left
              : bottomBand  ? S::BottomLeft
                            : S::None;
    } else if (px >= x0 + w - 5 && px <= x0 + w + 3) {
        state = m_keepScale ? S::Right
              : topBand     ? S::TopRight
              : middleBand  ? S::Right
              : bottomBand  ? S::BottomRight
                            : S::None;
    } else if (px > x0 + 4 && px < x0 + w - 5) {
        state = topBand ? S::Top : middleBand ? S::Centre : bottomBand ? S::Bottom : S::None;
    }
    m_state = state;
    return state;
}

void VariableSizeGeometry::reset()
{
    m_state = S::None;
    m_pressOffset = m_anchor = QPoint();
    m_pressed = false;
}

void VariableSizeGeometry::press(const QPoint &p)
{
    m_pressOffset = p - m_origin;
    m_anchor = p;
    m_pressed = true;
    m_firstMove = true;
}

bool VariableSizeGeometry::drag(const QPoint &p)
{
    const bool first = m_firstMove;
    m_firstMove = false;
    if (m_state == S::Centre)
        move(p);
    else if (m_state != S::None)
        resize(p);
    return first;
}

QPoint VariableSizeGeometry::anchorInRect() const
{
    const int s = m_state;
    const int right = m_origin.x() + m_size.width() - 1;
    const int bottom = m_origin.y() + m_size.height() - 1;
    int x = 0, y = 0;
    if (s == S::Left || s == S::TopLeft || s == S::BottomLeft)
        x = m_anchor.x() - m_origin.x();
    else if (s == S::TopRight || s == S::Right || s == S::BottomRight)
        x = m_anchor.x() - right;
    if (s == S::TopLeft || s == S::Top || s == S::TopRight)
        y = m_anchor.y() - m_origin.y();
    else if (s == S::BottomRight || s == S::Bottom || s == S::BottomLeft)
        y = m_anchor.y() - bottom;
    return QPoint(x, y);
}

void VariableSizeGeometry::move(const QPoint &p)
{
    const int nx = p.x() - m_pressOffset.x(), ny = p.y() - m_pressOffset.y();
    m_origin.setX(nx < 0 ? 0 : std::min(nx, m_screen.width() - m_size.width()));
    m_origin.setY(ny < 0 ? 0 : std::min(ny, m_screen.height() - m_size.height()));
}

void VariableSizeGeometry::resize(const QPoint &p)
{
    const int s = m_state;
    const int dx = p.x() - m_anchor.x(), dy = p.y() - m_anchor.y();
    const QPoint oldAnchor = m_anchor;
    m_anchor = p;
    int x0 = m_origin.x(), y0 = m_origin.y();
    const int w = m_size.width(), h = m_size.height();
    int right = x0 + w - 1, bottom = y0 + h - 1;

    // At the 60-pixel floor the edge stops, and the anchor keeps the pointer's
    // old distance from it, so the edge does not jump when the pointer returns.
    if (s == S::Left || s == S::TopLeft || s == S::BottomLeft) {
        if (w - dx > 59) {
            x0 += dx;
        } else {
            m_anchor.setX(right - 59 + (oldAnchor.x() - x0));
            x0 = right - 59;
        }
    }
    if (s == S::TopRight || s == S::Right || s == S::BottomRight) {
        if (w + dx >= 60) {
            right += dx;
        } else {
            m_anchor.setX(x0 + 59 + (oldAnchor.x() - right));
            right = x0 + 59;
        }
    }
    if (s == S::TopLeft || s == S::Top || s == S::TopRight) {
        if (h - dy > 59) {
            y0 += dy;
        } else {
            m_anchor.setY(bottom - 59 + (oldAnchor.y() - y0));
            y0 = bottom - 59;
        }
    }
    if (s == S::BottomRight || s == S::Bottom || s == S::BottomLeft) {
        if (h + dy >= 60) {
            bottom += dy;
        } else {
            m_anchor.setY(y0 + 59 + (oldAnchor.y() - bottom));
            bottom = y0 + 59;
        }
    }
    if (m_keepScale && (s == S::Left || s == S::Right)) {
        const int width = right - x0 + 1;
        bottom = y0 - 1 + std::min(int(width * m_scale), m_screen.height() - y0);
    } else if (m_keepScale && (s == S::Top || s == S::Bottom)) {
        const int height = bottom - y0 + 1;
        const int width = m_scale != 0 ? int(height / m_scale) : 0;
        right = x0 - 1 + std::min(width, m_screen.width() - x0);
    }
    m_origin = QPoint(x0, y0);
    m_size = QSize(right - x0 + 1, bottom - y0 + 1);
}
