#include "widgetkit/qbasedrawwidget.h"

#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/widgetkitlog.h"

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qkitfonts.h"
#include "widgetkit/qwindowcompositing.h"
#include "widgetkit/qwindowplacement.h"

#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

struct QBaseDrawWidget::Private
{
    QImage background;
    int backgroundScale = 2;
    QImage logo;
    QColor backgroundColour = QColor(100, 100, 100, 100);
    int moveTopHeight = 40;
    bool pressed = false;
    QPoint pressOffset;
    QRect normalGeometry;
    CursorAndState cursorState = CursorNone;
    int stretchPolicy = StretchAll;
    dlgType type = DlgDialog;
    int stretchWidth = 4;
    bool maximised = false;
    int dx = 0;
    int dy = 0;
    QWidget *owner = nullptr;
    int marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0;
    rectSize corners[4];
    QRect logoRect;
    QString title;
    QRect titleRect;
    Qt::Alignment titleAlignment = Qt::AlignLeft;

    bool isWindow() const { return type != DlgPane; }
};

namespace {

QPoint roundedGlobal(const QMouseEvent *event)
{
    return QPoint(qRound(event->screenPos().x()), qRound(event->screenPos().y()));
}

} // namespace

QBaseDrawWidget::QBaseDrawWidget(QWidget *owner, dlgType type)
    : d(new Private)
{
    d->owner = owner;
    d->type = type;
    d->stretchPolicy = type == DlgPane ? StretchNone : StretchAll;
    QKitFonts::ensureSubstitutions();
    if (owner)
        owner->setAttribute(Qt::WA_MouseTracking);
}

QBaseDrawWidget::~QBaseDrawWidget() = default;

void QBaseDrawWidget::setDrawWidget(QWidget *owner) { d->owner = owner; }
QWidget *QBaseDrawWidget::DrawWiget() const { return d->owner; }

void QBaseDrawWidget::repaintOwner()
{
    if (d->owner)
        d->owner->repaint();
}

void QBaseDrawWidget::setMoveTopHeight(int height) { d->moveTopHeight = height; }
int QBaseDrawWidget::moveTopHeight() const { return d->moveTopHeight; }
void QBaseDrawWidget::setStretchWidth(int width) { d->stretchWidth = width; }
int QBaseDrawWidget::stretchWidth() const { return d->stretchWidth; }
void QBaseDrawWidget::setStretchPolicy(enumStretchPolicy policy) { d->stretchPolicy = policy; }
int QBaseDrawWidget::stretchPolicy() const { return d->stretchPolicy; }
bool QBaseDrawWidget::isMaxSize() const { return d->maximised; }
QBaseDrawWidget::CursorAndState QBaseDrawWidget::cursorAndState() const { return d->cursorState; }

void QBaseDrawWidget::setTransparentW(int all)
{
    setTransparentW(all, all, all, all);
}

void QBaseDrawWidget::setTransparentW(int left, int top, int right, int bottom)
{
    d->marginLeft = left;
    d->marginTop = top;
    d->marginRight = right;
    d->marginBottom = bottom;
    repaintOwner();
}

void QBaseDrawWidget::setBackgroundImage(const QString &path, bool grid, int scale)
{
    if (!d->owner || !QFile::exists(path))
        return;
    // Cached at the ratio it is drawn at, so the window shares its pixels.
    const QImage image = QJXPictureCache::picture(path, scale);
    if (image.isNull()) {
        qCWarning(lcWidgetKit, "QBaseDrawWidget: cannot read background image %s", qPrintable(path));
        return;
    }
    setBackgroundImage(image, grid, scale);
}

void QBaseDrawWidget::setBackgroundImage(const QImage &image, bool grid, int scale)
{
    if (!d->owner || image.isNull() || scale < 1)
        return;
    d->background = image;
    d->backgroundScale = scale;
    d->background.setDevicePixelRatio(scale);
    const int w = image.width() / scale;
    const int h = image.height() / scale;
    d->owner->resize(w, h);
    if (grid)
        d->owner->setMinimumSize(w, h);
    d->stretchPolicy = grid ? StretchAll : StretchNone;
    for (rectSize &corner : d->corners)
        corner = {w / 3, h / 3};
    repaintOwner();
}

void QBaseDrawWidget::changeBackgroundImage(const QImage &image)
{
    d->background = image;
    d->backgroundScale = 2;
    d->background.setDevicePixelRatio(2);
}

void QBaseDrawWidget::setGridViewInfo(rectSize topLeft, rectSize topRight, rectSize bottomLeft,
                                      rectSize bottomRight)
{
    d->corners[0] = topLeft;
    d->corners[1] = topRight;
    d->corners[2] = bottomLeft;
    d->corners[3] = bottomRight;
    repaintOwner();
}

void QBaseDrawWidget::setBackgrounColor(const QColor &colour)
{
    d->backgroundColour = colour;
    repaintOwner();
}

QColor QBaseDrawWidget::backgroundColor() const { return d->backgroundColour; }

void QBaseDrawWidget::setLogoImage(const QString &path)
{
    d->logo = QImage();
    if (!d->owner || !QFile::exists(path))
        return;
    setLogoImage(QImage(path));
}

void QBaseDrawWidget::setLogoImage(const QImage &image)
{
    d->logo = image;
    if (d->logo.isNull())
        return;
    d->logo.setDevicePixelRatio(2);
    d->logoRect.setRight(d->logoRect.left() + d->logo.width() / 2 - 1);
    d->logoRect.setBottom(d->logoRect.top() + d->logo.height() / 2 - 1);
    repaintOwner();
}

void QBaseDrawWidget::setLogoRect(const QRect &rect) { d->logoRect = rect; }
QRect QBaseDrawWidget::logoRect() const { return d->logoRect; }
void QBaseDrawWidget::setTitleRect(const QRect &rect) { d->titleRect = rect; }
void QBaseDrawWidget::setAlignment(Qt::Alignment alignment) { d->titleAlignment = alignment; }
Qt::Alignment QBaseDrawWidget::alignment() const { return d->titleAlignment; }

void QBaseDrawWidget::setDlgTitle(const QString &title)
{
    d->title = title;
    repaintOwner();
}

QString QBaseDrawWidget::getDlgTitle() const { return d->title; }

void QBaseDrawWidget::mousePressEvent(QMouseEvent *event)
{
    if (!d->owner)
        return;
    const QPoint global = roundedGlobal(event);
    // Windows and panes alike measure from pos(); panes never move.
    d->pressOffset = global - d->owner->pos();
    if (event->button() == Qt::LeftButton) {
        d->pressed = true;
        if (d->isWindow() && QWindowPlacement::systemMovesWindows())
            startSystemMoveOrResize();
    }
}

void QBaseDrawWidget::startSystemMoveOrResize()
{
    // The window system owns window positions here: hand it the drag.
    QWindow *window = d->owner->window()->windowHandle();
    if (!window || d->maximised)
        return;
    const Qt::Edges edges = edgesOfState(d->cursorState);
    if (edges)
        window->startSystemResize(edges);
    else if (d->pressOffset.y() < d->moveTopHeight)
        window->startSystemMove();
}

Qt::Edges QBaseDrawWidget::edgesOfState(int state)
{
    switch (state) {
    case CursorLeft: return Qt::LeftEdge;
    case CursorTopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case CursorTop: return Qt::TopEdge;
    case CursorTopRight: return Qt::TopEdge | Qt::RightEdge;
    case CursorRight: return Qt::RightEdge;
    case CursorBottomRight: return Qt::BottomEdge | Qt::RightEdge;
    case CursorBottom: return Qt::BottomEdge;
    case CursorBottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    default: return Qt::Edges();
    }
}

void QBaseDrawWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->owner || !d->isWindow())
        return;
    if (!d->pressed && !d->maximised && d->stretchPolicy != StretchNone) {
        setCursorAndState(event);
        return;
    }
    if (d->pressed && QWindowPlacement::systemMovesWindows())
        return;
    if (d->cursorState != CursorNone) {
        setFrameGeomtry(event);
        return;
    }
    if (d->pressed && d->pressOffset.y() < d->moveTopHeight && !d->maximised)
        d->owner->move(roundedGlobal(event) - d->pressOffset);
}

void QBaseDrawWidget::mouseReleaseEvent(QMouseEvent *) { d->pressed = false; }
void QBaseDrawWidget::focusOutEvent(QFocusEvent *) { d->pressed = false; }

void QBaseDrawWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!d->owner)
        return;
    if (!d->isWindow()) {
        event->accept();
        return;
    }
    if (d->stretchPolicy == StretchAll)
        OnBtnMax();
}

void QBaseDrawWidget::setCursorAndState(QMouseEvent *event)
{
    if (!d->owner)
        return;
    const QRect g = d->owner->geometry();
    const int L = g.left(), T = g.top(), R = g.right(), B = g.bottom();
    const QPoint p = roundedGlobal(event);
    const int x = p.x(), y = p.y();
    const int s = d->stretchWidth;
    const bool horizontal = d->stretchPolicy & StretchLeftRight;
    const bool vertical = d->stretchPolicy & StretchTopBottom;
    const int ml = d->marginLeft, mr = d->marginRight, mt = d->marginTop, mb = d->marginBottom;

    CursorAndState state = CursorNone;
    if (horizontal && x >= L + ml && x <= L + ml + s) {
        d->dx = x - L;
        if (vertical && y >= T + mt && y <= T + mt + s) {
            state = CursorTopLeft;
            d->dy = y - T;
        } else if (vertical && y >= B - s - mb) {
            state = CursorBottomLeft;
            d->dy = B - y;
        } else {
            state = CursorLeft;
        }
    } else if (horizontal && x >= R - mr - s && x <= R - mr) {
        d->dx = R - x;
        if (vertical && y >= T + mt && y <= T + mt + s) {
            state = CursorTopRight;
            d->dy = y - T;
        } else if (vertical && y >= B - s - mb) {
            state = CursorBottomRight;
            d->dy = B - y;
        } else {
            state = CursorRight;
        }
    } else if (vertical && y >= T + mt && y <= T + mt + s) {
        state = CursorTop;
        d->dy = y - T;
    } else if (vertical && y >= B - mb - s && y <= B - mb) {
        state = CursorBottom;
        d->dy = B - y;
    }
    setCursorType(state);
}

void QBaseDrawWidget::setFrameGeomtry(QMouseEvent *event)
{
    if (!d->owner)
        return;
    const QRect g = d->owner->geometry();
    int L = g.left(), T = g.top(), R = g.right(), B = g.bottom();
    const QRect screen = QWindowPlacement::screenGeometryFor(d->owner);
    const int SW = screen.width();
    const int AH = QWindowPlacement::availableGeometryFor(d->owner).height();
    const int minW = d->owner->minimumWidth();
    const int minH = d->owner->minimumHeight();
    const QPoint p = roundedGlobal(event);
    const int state = d->cursorState;

    if (state == CursorLeft || state == CursorTopLeft || state == CursorBottomLeft) {
        const int left = p.x() - d->dx;
        const bool underScreen = state == CursorBottomLeft || R - left < SW - 4;
        if (R - left > minW && underScreen)
            L = left;
    }
    if (state == CursorTopRight || state == CursorRight || state == CursorBottomRight) {
        const int right = p.x() + d->dx;
        if (right - L > minW && right - L < SW - 4)
            R = right;
    }
    if (state == CursorTopLeft || state == CursorTop || state == CursorTopRight) {
        const int top = p.y() - d->dy;
        if (B - top > minH && B - top < AH)
            T = top;
    }
    if (state == CursorBottomRight || state == CursorBottom || state == CursorBottomLeft) {
        const int bottom = p.y() + d->dy;
        if (bottom - T > minH && bottom - T < AH)
            B = bottom;
    }
    d->owner->setGeometry(QRect(QPoint(L, T), QPoint(R, B)));
    d->owner->update();
}

void QBaseDrawWidget::OnBtnMax()
{
    if (!d->owner)
        return;
    if (d->maximised) {
        d->owner->setGeometry(d->normalGeometry);
    } else {
        d->normalGeometry = d->owner->geometry();
        // The shadow margins fall outside the screen.
        const QRect area = QWindowPlacement::availableGeometryFor(d->owner);
        d->owner->setGeometry(area.left() - d->marginLeft, area.top() - d->marginTop,
                              area.width() + d->marginLeft + d->marginRight,
                              area.height() + d->marginTop + d->marginBottom);
    }
    d->maximised = !d->maximised;
    setCursorType(CursorNone);
}

void QBaseDrawWidget::setCursorType(CursorAndState state)
{
    d->cursorState = state;
    if (!d->owner)
        return;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (state) {
    case CursorLeft:
    case CursorRight: shape = Qt::SplitHCursor; break;
    case CursorTop:
    case CursorBottom: shape = Qt::SplitVCursor; break;
    case CursorTopLeft:
    case CursorBottomRight: shape = Qt::SizeFDiagCursor; break;
    case CursorTopRight:
    case CursorBottomLeft: shape = Qt::SizeBDiagCursor; break;
    default: break;
    }
    d->owner->setCursor(shape);
}

void QBaseDrawWidget::paintEvent(QPaintEvent *)
{
    if (!d->owner)
        return;
    QPainter painter(d->owner);
    const int W = d->owner->width(), H = d->owner->height();
    if (drawsOpaque()) {
        // The see-through shadow band would show black: lay the window's own
        // colour under it instead.
        QWindowCompositing::fillOpaque(painter, d->owner, opaqueColour());
    }
    if (!d->background.isNull()) {
        QImage &img = d->background;
        const int scale = d->backgroundScale;
        const int iw = img.width() / scale, ih = img.height() / scale;
        const int a0 = d->corners[0].width, a1 = d->corners[0].height;
        const int a2 = d->corners[1].width, a3 = d->corners[1].height;
        const int a4 = d->corners[2].width, a5 = d->corners[2].height;
        const int a6 = d->corners[3].width, a7 = d->corners[3].height;
        auto piece = [&](QRect target, QRect source) {
            QBaseImageDraw::drawImage(painter, target, source, img, scale);
        };
        piece(QRect(0, 0, a0, a1), QRect(0, 0, a0, a1));
        piece(QRect(W - a2, 0, a2, a3), QRect(iw - a2, 0, a2, a3));
        if (W - a0 - a2 > 0)
            piece(QRect(a0, 0, W - a0 - a2, a3), QRect(a0, 0, iw - a0 - a2, a3));
        piece(QRect(0, H - a5, a4, a5), QRect(0, ih - a5, a4, a5));
        piece(QRect(W - a6, H - a7, a6, a7), QRect(iw - a6, ih - a7, a6, a7));
        if (W - a4 - a6 > 0)
            piece(QRect(a4, H - a7, W - a4 - a6, a7), QRect(a4, ih - a7, iw - a4 - a6, a7));
        if (H - a1 - a5 > 0)
            piece(QRect(0, a1, a0, H - a1 - a5), QRect(0, a1, a0, ih - a1 - a5));
        if (H - a3 - a7 > 0)
            piece(QRect(W - a2, a3, a2, H - a3 - a7), QRect(iw - a2, a3, a2, ih - a3 - a7));
        if (H - a1 - a5 > 0 && ih - a1 - a5 > 0)
            piece(QRect(a0, a1, W - a0 - a2, H - a1 - a5), QRect(a0, a1, iw - a0 - a2, ih - a1 - a5));
    } else {
        painter.fillRect(QRect(0, 0, W, H), d->backgroundColour);
    }
    DrawLogo(painter);
    DrawWgtText(painter);
}

bool QBaseDrawWidget::drawsOpaque() const
{
    return d->owner && d->type != DlgPane && QWindowCompositing::needsOpaque(d->owner);
}

QColor QBaseDrawWidget::opaqueColour() const
{
    QColor c = d->backgroundColour;
    if (!d->background.isNull())
        c = d->background.pixelColor(d->background.width() / 2, d->background.height() / 2);
    c.setAlpha(255);
    return c;
}

void QBaseDrawWidget::DrawLogo(QPainter &painter)
{
    if (!d->owner || d->logo.isNull())
        return;
    const int lw = d->logo.width() / 2, lh = d->logo.height() / 2;
    QRect &r = d->logoRect;
    if (r.width() == 0)
        r.setRight(r.left() + lw - 1);
    if (r.height() == 0)
        r.setBottom(r.top() + lh - 1);
    if (r.left() == -1)
        r.moveLeft((d->owner->width() - r.width()) / 2);
    if (r.top() == -1)
        r.moveTop((d->owner->height() - r.height()) / 2);
    QBaseImageDraw::drawImage(painter, r, QRect(0, 0, lw, lh), d->logo);
}

void QBaseDrawWidget::DrawWgtText(QPainter &painter)
{
    if (!d->owner || d->title.isEmpty())
        return;
    const QFont previous = painter.font();
    painter.setFont(d->owner->font());
    painter.setPen(d->owner->palette().color(QPalette::WindowText));
    QRect r = d->titleRect;
    if (r.left() == 0)
        r.moveLeft(d->marginLeft);
    if (r.top() == 0)
        r.moveTop(d->marginTop);
    if (r.width() == 0)
        r.setWidth(d->owner->width() - r.left() - d->marginRight);
    if (r.height() == 0)
        r.setHeight(20);
    const QString text = QFontMetrics(d->owner->font()).elidedText(d->title, Qt::ElideRight, r.width());
    painter.drawText(r, int(d->titleAlignment), text);
    painter.setFont(previous);
}

void QBaseDrawWidget::CenterDlg(QDialog &dialog)
{
    if (!d->owner)
        return;
    const QRect owner(d->owner->mapToGlobal(QPoint(0, 0)), d->owner->size());
    const QRect screen = QWindowPlacement::availableGeometryFor(d->owner);
    dialog.move(QWindowPlacement::centredOn(owner, dialog.size(), screen));
}
