#include "capture/areaselectionview.h"

#include "capture/firstdisplaydelay.h"
#include "capture/screenwindowlist.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int kDashMs = 50;
constexpr int kPointerMs = 20;
constexpr int kFrame = 3;
constexpr int kHandle = 6;

Qt::CursorShape cursorFor(int state)
{
    switch (state) {
    case AreaCropGeometry::Left:
    case AreaCropGeometry::Right: return Qt::SizeHorCursor;
    case AreaCropGeometry::TopLeft:
    case AreaCropGeometry::BottomRight: return Qt::SizeFDiagCursor;
    case AreaCropGeometry::Top:
    case AreaCropGeometry::Bottom: return Qt::SizeVerCursor;
    case AreaCropGeometry::TopRight:
    case AreaCropGeometry::BottomLeft: return Qt::SizeBDiagCursor;
    case AreaCropGeometry::Centre: return Qt::OpenHandCursor;
    default: return Qt::ArrowCursor;
    }
}

QSizeF primaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? QSizeF(screen->geometry().size()) : QSizeF();
}

} // namespace

AreaSelectionView::AreaSelectionView(QWidget *parent)
    : QWidget(parent),
      m_crop(primaryScreenSize()),
      m_picker(primaryScreenSize()),
      m_firstDisplay(new FirstDisplayDelay(this)),
      m_windowList(&ScreenWindowList::onScreenWindows)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    m_dashTimer.setInterval(kDashMs);
    m_pointerTimer.setInterval(kPointerMs);
    connect(&m_dashTimer, &QTimer::timeout, this, [this] {
        m_dash.step();
        update();
    });
    connect(&m_pointerTimer, &QTimer::timeout, this, &AreaSelectionView::pollPointer);
}

void AreaSelectionView::setAreaRectCallback(RectCallback callback, void *owner)
{
    m_areaCallback = callback;
    m_owner = owner;
}

void AreaSelectionView::setRectChangeCallback(RectCallback callback, void *owner)
{
    m_changeCallback = callback;
    m_owner = owner;
}

void AreaSelectionView::setShowStartRecordMode(bool on)
{
    m_recording = on;
    if (on)
        m_dashTimer.start();
    else
        m_dashTimer.stop();
    update();
}

void AreaSelectionView::setShowPauseRecordMode(bool on)
{
    m_paused = on;
    if (on)
        m_dashTimer.stop();
    else
        m_dashTimer.start();
}

void AreaSelectionView::setShowPointGetRectMode(bool on)
{
    m_picking = on;
    if (on) {
        m_picker.start(m_windowList ? m_windowList() : QList<QRectF>());
        m_pointerTimer.start();
    } else {
        m_pointerTimer.stop();
    }
    update();
}

void AreaSelectionView::setRecordRect(int x, int y, int w, int h)
{
    m_crop.setRecordRect(x, y, w, h);
    update();
}

void AreaSelectionView::setKeepScaleResize(bool keep)
{
    m_crop.setKeepScale(keep);
    update();
}

void AreaSelectionView::setArrowImageForPath(const QString &path)
{
    QImage image(path);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(2.0);
    m_arrow = image;
}

void AreaSelectionView::setFrameColor(const QColor &color)
{
    m_frameColor = color;
    update();
}

void AreaSelectionView::resetFirstDisplay()
{
    m_firstDisplay->reset();
    update();
}

void AreaSelectionView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_crop.setScreen(size());
    m_picker.setScreen(size());
}

QPointF AreaSelectionView::bottomUp(const QPointF &widgetPoint) const
{
    return QPointF(widgetPoint.x(), height() - widgetPoint.y());
}

QRectF AreaSelectionView::topDown(const QRectF &r) const
{
    return QRectF(r.x(), height() - (r.y() + r.height()), r.width(), r.height());
}

// Keeps the frame drawn around a rectangle that touches the screen's edges
// inside the screen.
QRectF AreaSelectionView::inset(QRectF r) const
{
    const double sw = width(), sh = height();
    if (r.x() <= 0) {
        r.setWidth(r.width() - 1);
        r.moveLeft(1);
    }
    if (r.y() <= 0) {
        r.setHeight(r.height() - 1);
        r.moveTop(1);
    }
    if (r.x() + r.width() >= sw)
        r.setWidth(sw - r.x() - 1);
    if (r.y() + r.height() >= sh)
        r.setHeight(sh - r.y() - 1);
    return r;
}

QSizeF AreaSelectionView::markSize() const
{
    return m_arrow.isNull() ? QSizeF(40, 40) : m_arrow.size() / m_arrow.devicePixelRatio();
}

void AreaSelectionView::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = bottomUp(event->localPos());
    if (m_picking) {
        if (event->button() == Qt::LeftButton)
            m_picker.leftPressed(p);
        else if (event->button() == Qt::RightButton)
            completePick();
        return;
    }
    if (m_recording || event->button() != Qt::LeftButton)
        return;
    m_crop.press(p);
    m_pressed = true;
}

void AreaSelectionView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_picking) {
        if (m_picker.leftReleased(bottomUp(event->localPos())))
            completePick();
        return;
    }
    m_pressed = false;
}

void AreaSelectionView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = bottomUp(event->localPos());
    if (m_picking) {
        setCursor(Qt::ArrowCursor);
        m_picker.pointerMoved(p);
        update();
        return;
    }
    if (m_recording) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        m_crop.drag(p);
        update();
    } else {
        setCursor(cursorFor(m_crop.hover(p, markSize())));
    }
}

// The rectangle highlighted last is the one picked; the record rectangle takes
// it within its limits, and the view returns to the crop look.
void AreaSelectionView::completePick()
{
    const QRectF picked = m_picker.selectRect();
    m_crop.setRecordRect(int(picked.x()), int(picked.y()), int(picked.width()),
                         int(picked.height()));
    if (m_areaCallback)
        m_areaCallback(picked, m_owner);
    setShowPointGetRectMode(false);
}

void AreaSelectionView::pollPointer()
{
    const QPoint now = QCursor::pos();
    if (now == m_lastPointer)
        return;
    m_lastPointer = now;
    update();
}

void AreaSelectionView::paintEvent(QPaintEvent *)
{
    if (!m_firstDisplay->ready())
        return;
    QPainter p(this);
    if (m_picking) {
        drawPicking(p);
    } else if (m_recording) {
        drawRecording(p);
    } else {
        drawCrop(p);
        if (m_changeCallback)
            m_changeCallback(m_crop.recordRect(), m_owner);
    }
}

void AreaSelectionView::punchFrame(QPainter &p, const QRectF &hole, const QBrush &inside)
{
    const QRectF r = topDown(hole);
    p.fillRect(r.adjusted(-kFrame, -kFrame, kFrame, kFrame), m_frameColor);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(r, inside);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void AreaSelectionView::drawPicking(QPainter &p)
{
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), QColor(0, 0, 0, 125));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    punchFrame(p, inset(m_picker.selectRect()), QColor(0, 0, 0, 13));
    if (m_picker.state() == AreaWindowPicker::Hover) {
        const QPoint c = mapFromGlobal(QCursor::pos());
        p.fillRect(QRect(0, c.y() - 1, width(), 3), Qt::red);
        p.fillRect(QRect(c.x() - 3, 0, 3, height()), Qt::red);
    }
}

void AreaSelectionView::drawCrop(QPainter &p)
{
    const QRectF hole = inset(m_crop.recordRect());
    punchFrame(p, hole, Qt::transparent);

    const QRectF r = topDown(hole);
    const QSizeF mark = markSize();
    const QRectF markRect(r.x() + (r.width() - mark.width()) / 2,
                          r.y() + (r.height() - mark.height()) / 2, mark.width(), mark.height());
    if (m_arrow.isNull())
        p.fillRect(markRect, m_frameColor);
    else
        p.drawImage(markRect, m_arrow);

    const QRectF rec = topDown(m_crop.recordRect());
    const double xs[3] = {rec.left(), rec.left() + (rec.width() - 1) / 2, rec.left() + rec.width() - 1};
    const double ys[3] = {rec.top(), rec.top() + (rec.height() - 1) / 2, rec.top() + rec.height() - 1};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const bool corner = i != 1 && j != 1;
            if ((i == 1 && j == 1) || (corner && m_crop.keepScale()))
                continue;
            p.fillRect(QRectF(xs[i] - 2, ys[j] - kHandle + 2, kHandle, kHandle), m_frameColor);
        }
    }
}

void AreaSelectionView::drawRecording(QPainter &p)
{
    // 15 on, 5 off along the whole border; the phase carries round the corners.
    QPen pen(m_frameColor, 2);
    pen.setDashPattern({7.5, 2.5});
    pen.setDashOffset((DashPhase::kLength - m_dash.value) / 2.0);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF r = topDown(m_crop.recordRect());
    p.drawRect(r.adjusted(1, 1, -1, -1));
}
