#include "capture/qvariablesizewgt.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

QSize screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

// Width of the frame drawn around the record rectangle.
constexpr int kFrame = 3;

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
    : QDialog(parent)
    , m_geometry(screenSize())
    , m_windowGeometry(screenSize())
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
    // The window road keeps the ratio of the frame's inside as it is now.
    placeWindowGeometry();
    m_windowGeometry.setKeepScale(keep);
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
    placeWindowGeometry();
    m_windowGeometry.press(event->globalPos());
    if (event->button() == Qt::LeftButton)
        m_geometry.press(event->pos());
}

void QVariableSizeWgt::placeWindowGeometry()
{
    const QRect onScreen = geometry().adjusted(kFrame, kFrame, -kFrame, -kFrame);
    m_windowGeometry.setScreen(screenSize());
    m_windowGeometry.setRecordRect(onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height());
}

void QVariableSizeWgt::dragWindow(QMouseEvent *event, VariableSizeGeometry::CursorAndState state)
{
    m_windowGeometry.setState(state);
    m_windowGeometry.drag(event->globalPos());
    const QRect onScreen = m_windowGeometry.recordRect();
    setGeometry(onScreen.adjusted(-kFrame, -kFrame, kFrame, kFrame));
    m_geometry.setRecordRect(kFrame, kFrame, onScreen.width(), onScreen.height());
    update();
}

void QVariableSizeWgt::setWindowsMovePos(QMouseEvent *event)
{
    dragWindow(event, AreaCropGeometry::Centre);
}

void QVariableSizeWgt::setFrameGeomtry(QMouseEvent *event)
{
    dragWindow(event, m_geometry.state());
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
