#include "capture/areacropgeometry.h"

#include <algorithm>
#include <cmath>

namespace {

bool near(double a, double b)
{
    return std::abs(a - b) <= AreaCropGeometry::kTolerance;
}

} // namespace

AreaCropGeometry::AreaCropGeometry(const QSizeF &screen)
{
    setScreen(screen);
}

void AreaCropGeometry::setRecordRect(int x, int y, int w, int h)
{
    const int sw = screenW(), sh = screenH();
    m_start.setX(x < 0 || x > sw ? 0 : x);
    m_start.setY(y < 0 || y > sh ? 0 : y);
    m_size = QSizeF(std::min(std::max(w, kMinSide), sw), std::min(std::max(h, kMinSide), sh));
}

void AreaCropGeometry::setKeepScale(bool keep)
{
    m_keepScale = keep;
    m_scale = keep && m_size.width() != 0 ? float(m_size.height() / m_size.width()) : 1.0;
}

AreaCropGeometry::CursorAndState AreaCropGeometry::hover(const QPointF &p, const QSizeF &markSize)
{
    const double x0 = m_start.x(), y0 = m_start.y();
    const double right = x0 + m_size.width() - 1, top = y0 + m_size.height() - 1;
    const double px = p.x(), py = p.y();
    const bool inBand = py > y0 + kTolerance && py < top - kTolerance;

    // One side column: the corner states exist only while the ratio is free.
    auto column = [&](CursorAndState topCorner, CursorAndState bottomCorner, CursorAndState edge) {
        if (!m_keepScale && !inBand) {
            if (near(py, top)) {
                m_relativeY = py - top;
                return topCorner;
            }
            if (near(py, y0)) {
                m_relativeY = y0 - py;
                return bottomCorner;
            }
            return None;
        }
        return edge;
    };

    CursorAndState state = None;
    if (near(px, x0)) {
        m_relativeX = px - x0;
        state = column(TopLeft, BottomLeft, Left);
    } else if (px < x0 - kTolerance) {
        state = None;
    } else if (near(px, right)) {
        m_relativeX = right - px;
        state = column(TopRight, BottomRight, Right);
    } else if (px > right + kTolerance) {
        state = None;
    } else if (near(py, top)) {
        m_relativeY = py - top;
        state = Top;
    } else if (near(py, y0)) {
        m_relativeY = y0 - py;
        state = Bottom;
    } else if (inBand) {
        const QRectF mark(x0 + (m_size.width() - markSize.width()) / 2,
                          y0 + (m_size.height() - markSize.height()) / 2, markSize.width(),
                          markSize.height());
        state = mark.contains(p) ? Centre : None;
    }
    m_state = state;
    return state;
}

void AreaCropGeometry::press(const QPointF &p)
{
    m_pressPoint = p - m_start;
}

void AreaCropGeometry::drag(const QPointF &p)
{
    if (m_state == Centre)
        move(p);
    else if (m_state != None)
        resize(p);
}

void AreaCropGeometry::move(const QPointF &p)
{
    const double nx = p.x() - m_pressPoint.x(), ny = p.y() - m_pressPoint.y();
    m_start.setX(nx < 0 ? 0 : std::min(nx, screenW() - m_size.width()));
    m_start.setY(ny < 0 ? 0 : std::min(ny, screenH() - m_size.height()));
}

void AreaCropGeometry::resize(const QPointF &p)
{
    const int sw = screenW(), sh = screenH();
    const double x0 = m_start.x(), y0 = m_start.y();
    const double w = m_size.width(), h = m_size.height();
    const double right = x0 + w - 1, top = y0 + h - 1;
    const int s = m_state;
    double nx0 = x0, ny0 = y0, nw = w, nh = h;

    if (s == Left || s == TopLeft || s == BottomLeft) {
        const double nx = p.x() - m_relativeX;
        const bool fits = right - nx > 59 && (s == BottomLeft || right - nx < sw);
        if (fits) {
            nx0 = std::max(0.0, nx);
            nw = right - nx0 + 1;
        }
    }
    if (s == TopRight || s == Right || s == BottomRight) {
        const double d = p.x() + m_relativeX - x0;
        if (d > 59 && d < sw)
            nw = d + 1;
    }
    if (s == TopLeft || s == Top || s == TopRight) {
        const double d = p.y() - m_relativeY - y0;
        if (d > 59 && d < sh)
            nh = d + 1;
    }
    if (s == BottomRight || s == Bottom || s == BottomLeft) {
        const double ny = p.y() + m_relativeY;
        if (top - ny > 59 && top - ny < sh) {
            ny0 = std::max(0.0, ny);
            nh = top - ny0 + 1;
        }
    }
    m_start = QPointF(nx0, ny0);
    m_size = QSizeF(nw, nh);

    // A fixed ratio follows an edge drag only; the opposite edge stays put.
    if (m_keepScale && (s == Left || s == Right) && nw != w) {
        const double hs = std::trunc(scaleHeight(nw));
        m_start.setY(ny0 + nh - hs);
        m_size.setHeight(hs);
    } else if (m_keepScale && (s == Top || s == Bottom) && nh != h) {
        m_size.setWidth(scaleWidth(nh));
    }
}

double AreaCropGeometry::scaleHeight(double width) const
{
    if (!m_keepScale)
        return 59;
    const double top = m_start.y() + m_size.height() - 1;
    double hs = m_scale * width;
    if (top - hs < 0)
        hs = top + 1;
    return std::max(hs, 59.0);
}

double AreaCropGeometry::scaleWidth(double height) const
{
    if (!m_keepScale || m_scale == 0)
        return 59;
    double ws = height / m_scale;
    if (ws + m_start.x() > m_screen.width())
        ws = m_screen.width() - m_start.x();
    return std::max(ws, 59.0);
}
