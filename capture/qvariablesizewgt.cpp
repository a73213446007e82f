#include "capture/qvariablesizewgt.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace {

QSize screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

// Width of the frame drawn around the record rectangle.
constexpr int kFrame = 3;
// The smallest widget whose record rectangle still keeps its least side.
constexpr int kMinWindowSide = VariableSizeGeometry::kMinSide + 2 * kFrame;

Qt::CursorShape cursorFor(int state)
{
    switch (state) {
    case AreaCropGeometry::Left:
    case AreaCropGeometry::Right: return Qt::SplitHCursor;
    case AreaCropGeometry::TopLeft:
    case AreaCropGeometry::BottomRight: return Qt::SizeFDiagCursor;
    case AreaCropGeometry::Top:
    case AreaCropGeometry::Bottom: return Qt::SplitVCursor;
    case AreaCropGeometry::TopRight:
    case AreaCropGeometry::BottomLeft: return Qt::SizeBDiagCursor;
    case AreaCropGeometry::Centre: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

QVariableSizeWgt::QVariableSizeWgt(QWidget *parent)
    : QDialog(parent), m_geometry(screenSize())
{
    setMouseTracking(true);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    fillScreen();
}

void QVariableSizeWgt::fillScreen()
{
    m_geometry.setScreen(screenSize());
    setGeometry(QRect(QPoint(0, 0), screenSize()));
}

void QVariableSizeWgt::setRecordRect(const QPoint &pos, const QSize &size)
{
    setRecordRect(pos.x(), pos.y(), size.width(), size.height());
}

void QVariableSizeWgt::setRecordRect(int x, int y, int w, int h)
{
    m_geometry.setRecordRect(x, y, w, h);
    fillScreen();
    update();
}

void QVariableSizeWgt::setKeepScale(bool keep)
{
    m_geometry.setKeepScale(keep);
    update();
}

void QVariableSizeWgt::setArrowImage(const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    m_arrow = QImage(path);
    m_arrow.setDevicePixelRatio(2.0);
    update();
}

void QVariableSizeWgt::setCursorType(int state)
{
    m_geometry.setState(VariableSizeGeometry::CursorAndState(state));
    setCursor(cursorFor(state));
}

void QVariableSizeWgt::mousePressEvent(QMouseEvent *event)
{
    m_windowPressOffset = event->pos();
    m_windowAnchor = event->globalPos();
    if (event->button() == Qt::LeftButton)
        m_geometry.press(event->pos());
}

void QVariableSizeWgt::recordInsideFrame()
{
    m_geometry.setRecordRect(kFrame, kFrame, width() - 2 * kFrame, height() - 2 * kFrame);
}

void QVariableSizeWgt::setWindowsMovePos(QMouseEvent *event)
{
    const QSize screen = screenSize();
    QPoint topLeft = event->globalPos() - m_windowPressOffset;
    topLeft.setX(std::max(-kFrame, std::min(topLeft.x(), screen.width() + kFrame - width())));
    topLeft.setY(std::max(-kFrame, std::min(topLeft.y(), screen.height() + kFrame - height())));
    move(topLeft);
    recordInsideFrame();
    update();
}

void QVariableSizeWgt::setFrameGeomtry(QMouseEvent *event)
{
    using S = AreaCropGeometry;
    const int state = m_geometry.state();
    const QPoint pointer = event->globalPos();
    const QPoint d = pointer - m_windowAnchor;
    QRect g = geometry();
    const QRect before = g;
    if (state == S::Left || state == S::TopLeft || state == S::BottomLeft)
        g.setLeft(std::min(g.left() + d.x(), g.right() - kMinWindowSide + 1));
    if (state == S::Right || state == S::TopRight || state == S::BottomRight)
        g.setRight(std::max(g.right() + d.x(), g.left() + kMinWindowSide - 1));
    if (state == S::Top || state == S::TopLeft || state == S::TopRight)
        g.setTop(std::min(g.top() + d.y(), g.bottom() - kMinWindowSide + 1));
    if (state == S::Bottom || state == S::BottomLeft || state == S::BottomRight)
        g.setBottom(std::max(g.bottom() + d.y(), g.top() + kMinWindowSide - 1));
    // The anchor follows the edge, so that an edge held at the least size
    // does not jump when the pointer comes back.
    const int movedX = g.left() != before.left() ? g.left() - before.left() : g.right() - before.right();
    const int movedY = g.top() != before.top() ? g.top() - before.top() : g.bottom() - before.bottom();
    const bool grabsX = state != S::Top && state != S::Bottom;
    const bool grabsY = state != S::Left && state != S::Right;
    m_windowAnchor = QPoint(grabsX ? m_windowAnchor.x() + movedX : pointer.x(),
                            grabsY ? m_windowAnchor.y() + movedY : pointer.y());
    setGeometry(g);
    recordInsideFrame();
    update();
}

void QVariableSizeWgt::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_geometry.pressed()) {
        setCursorType(m_geometry.hover(event->pos()));
        return;
    }
    if (m_geometry.drag(event->pos()))
        emit emitPressMove();
    update();
}

void QVariableSizeWgt::mouseReleaseEvent(QMouseEvent *)
{
    m_geometry.release();
}

void QVariableSizeWgt::paintEvent(QPaintEvent *)
{
    const QRect r = m_geometry.recordRect();
    const int W = width(), H = height();
    const int x = r.x() > 0 ? r.x() : 1;
    const int y = r.y() > 0 ? r.y() : 1;
    const int right = r.x() + r.width() < W ? r.x() + r.width() - 1 : W - 2;
    const int bottom = r.y() + r.height() < H ? r.y() + r.height() - 1 : H - 2;

    QPainter p(this);
    p.fillRect(QRect(QPoint(x - 3, y - 3), QPoint(right + 3, bottom + 3)), m_frameColor);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(QPoint(x, y), QPoint(right, bottom)), Qt::SolidPattern);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const int cy = (r.y() > 0 ? r.y() : 1) + (bottom - y + 1) / 2;
    if (!m_arrow.isNull()) {
        const QSize logical = m_arrow.size() / 2;
        const QRect mark(x + ((right - x + 1) - m_arrow.width() / 2) / 2,
                         cy - m_arrow.height() / 4, logical.width(), logical.height());
        p.fillRect(mark, QColor(0, 0, 0, 1));
        QBaseImageDraw::drawImage(p, mark, QRect(QPoint(0, 0), logical), m_arrow);
    } else {
        const int cx = x + (right - x + 1) / 2;
        p.fillRect(QRect(cx - 20, cy - 20, 40, 40), QColor(0, 0, 0, 100));
    }

    const int x0 = r.x(), y0 = r.y(), w = r.width(), h = r.height();
    const int mx = (2 * x0 + w - 1) / 2, my = (2 * y0 + h - 1) / 2;
    const int lefts[3] = {x0 - 2, mx - 2, x0 + w - 3};
    const int tops[3] = {y0 - 2, my - 2, y0 + h - 3};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const bool corner = i != 1 && j != 1;
            if ((i == 1 && j == 1) || (corner && m_geometry.keepScale()))
                continue;
            p.fillRect(QRect(lefts[i], tops[j], 6, 6), m_frameColor);
        }
    }
}
