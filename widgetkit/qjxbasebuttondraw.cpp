#include "widgetkit/qjxbasebuttondraw.h"

#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/widgetkitlog.h"

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qkitfonts.h"

#include <QAbstractButton>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <utility>

struct QJXBaseButtonDraw::Private
{
    QImage *stateImage = nullptr;
    // A strip given by path and not decoded yet: decoded when first drawn.
    QString pendingPath;
    QImage *icon = nullptr;
    QRect iconRect = QRect(0, 0, 0, 0);
    bool iconButtonMode = false;
    int state = StateNormal;
    bool staticState = false;
    bool textRectSet = false;
    QRect textRect;
    QColor drawColour = QColor(0, 0, 0);
    int mouseMapValue = 0;
    bool grid = true;
    int tag = 0;
    QColor textColours[4] = {QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)};
    Qt::Alignment alignment = Qt::AlignCenter;
    bool focused = false;
    bool hovered = false;
    QAbstractButton *owner = nullptr;
    int tagPixelSize = 11;
    int itemCount = 0;
    bool ownsStateImage = false;
    QRect tagRect = QRect(-1, -1, 20, 20);
    QString tagImages[2];
    QColor tagColours[2] = {QColor(255, 120, 0), QColor(255, 120, 0)};
    QColor tagTextColours[2] = {QColor(255, 255, 255), QColor(255, 255, 255)};
    int alternationTimer = 0;
    bool alternateEffect = false;
    int alternationInterval = 0;
    int alternationPhase = 0;
    bool flickering = false;
    int flickerTimer = 0;
    int flickerInterval = 0;
    int flickerPhase = 0;
    bool enterChangesCursor = true;
    int doneSign = 0;
};

QJXBaseButtonDraw::QJXBaseButtonDraw(QAbstractButton *owner)
    : d(new Private)
{
    d->owner = owner;
    QKitFonts::ensureSubstitutions();
    if (owner)
        d->textRect = owner->rect();
}

QJXBaseButtonDraw::~QJXBaseButtonDraw()
{
    delete d->icon;
    dropStateImage();
}

QAbstractButton *QJXBaseButtonDraw::drawOwner() const { return d->owner; }

void QJXBaseButtonDraw::dropStateImage()
{
    d->pendingPath.clear();
    if (d->ownsStateImage)
        delete d->stateImage;
    d->stateImage = nullptr;
    d->ownsStateImage = false;
}

bool QJXBaseButtonDraw::setButtonImage(const QString &path, bool grid)
{
    if (!QFile::exists(path))
        return false;
    QImage image = QJXPictureCache::held(path, 2);
    if (!image.isNull()) {
        setButtonImage(&image, grid, true);
        return true;
    }
    // Sized from the file's header and decoded when first drawn: a button
    // hidden until some state needs it never decodes its picture, and one
    // shown finds it decoded when a worker got to it first.
    const QSize size = QJXPictureCache::sizeOf(path);
    if (size.isEmpty()) {
        qCWarning(lcWidgetKit, "QJXBaseButtonDraw: cannot read button image %s", qPrintable(path));
        return false;
    }
    dropStateImage();
    d->pendingPath = path;
    d->grid = grid;
    if (d->owner) {
        d->owner->resize(size.width() / 8, size.height() / 2);
        d->textRect = QRect(0, 0, d->owner->width(), d->owner->height());
        d->owner->update();
    }
    return true;
}

bool QJXBaseButtonDraw::setButtonImage(QImage &image, bool grid)
{
    setButtonImage(&image, grid, true);
    return true;
}

void QJXBaseButtonDraw::setButtonImage(QImage *image, bool grid, bool copy)
{
    dropStateImage();
    if (!image || image->isNull())
        return;
    if (copy) {
        d->stateImage = new QImage(*image);
        d->ownsStateImage = true;
    } else {
        d->stateImage = image;
    }
    d->stateImage->setDevicePixelRatio(2);
    if (d->owner) {
        d->owner->resize(d->stateImage->width() / 8, d->stateImage->height() / 2);
        d->textRect = QRect(0, 0, d->owner->width(), d->owner->height());
    }
    d->grid = grid;
    // A picture of the same size changes no geometry, so nothing else would
    // repaint the button until the pointer passes over it.
    if (d->owner)
        d->owner->update();
}

QImage *QJXBaseButtonDraw::strip() const
{
    if (!d->pendingPath.isEmpty()) {
        const QString path = std::exchange(d->pendingPath, QString());
        const QImage image = QJXPictureCache::picture(path, 2);
        if (image.isNull()) {
            qCWarning(lcWidgetKit, "QJXBaseButtonDraw: cannot read button image %s", qPrintable(path));
        } else {
            d->stateImage = new QImage(image);
            d->ownsStateImage = true;
        }
    }
    return d->stateImage;
}

bool QJXBaseButtonDraw::isPictureDecoded() const
{
    return d->stateImage != nullptr;
}

bool QJXBaseButtonDraw::isCustomDraw() const
{
    return d->stateImage || !d->pendingPath.isEmpty();
}
void QJXBaseButtonDraw::setStaticState(bool on) { d->staticState = on; }
void QJXBaseButtonDraw::setBtnState(int state) { d->state = state; }
int QJXBaseButtonDraw::getBtnState() const { return d->state; }
Qt::Alignment QJXBaseButtonDraw::alignment() const { return d->alignment; }
void QJXBaseButtonDraw::setAlignment(Qt::Alignment alignment) { d->alignment = alignment; }

void QJXBaseButtonDraw::setTextColor(const QColor &colour)
{
    for (QColor &c : d->textColours)
        c = colour;
    d->drawColour = colour;
}

void QJXBaseButtonDraw::setTextColor(const QColor &normal, const QColor &hover,
                                     const QColor &pressed, const QColor &disabled)
{
    d->textColours[0] = normal;
    d->textColours[1] = hover;
    d->textColours[2] = pressed;
    d->textColours[3] = disabled;
    d->drawColour = normal;
}

QColor QJXBaseButtonDraw::currentDrawColor() const { return d->drawColour; }

void QJXBaseButtonDraw::setTextRect(const QRect &rect)
{
    d->textRect = rect;
    d->textRectSet = true;
    if (d->owner)
        d->owner->update();
}

QRect QJXBaseButtonDraw::textRect() const { return d->textRect; }

bool QJXBaseButtonDraw::setBtnIcon(const QString &path)
{
    return setBtnIcon(QJXPictureCache::picture(path, 2));
}

bool QJXBaseButtonDraw::setBtnIcon(const QImage &image)
{
    delete d->icon;
    d->icon = new QImage(image);
    d->icon->setDevicePixelRatio(2);
    if (d->owner)
        d->owner->update();
    return true;
}

void QJXBaseButtonDraw::setIconBtnMode(bool on) { d->iconButtonMode = on; }
bool QJXBaseButtonDraw::isIconbtnMode() const { return d->iconButtonMode; }

void QJXBaseButtonDraw::setIconRect(const QRect &rect)
{
    d->iconRect = rect;
    if (d->owner)
        d->owner->update();
}

QRect QJXBaseButtonDraw::iconRect() const { return d->iconRect; }

void QJXBaseButtonDraw::setGridView(bool grid)
{
    d->grid = grid;
    if (d->owner)
        d->owner->update();
}

void QJXBaseButtonDraw::setTag(int tag) { d->tag = tag; }
int QJXBaseButtonDraw::getTag() const { return d->tag; }
void QJXBaseButtonDraw::setDoneSign(int sign) { d->doneSign = sign; }
int QJXBaseButtonDraw::getDoneSign() const { return d->doneSign; }

void QJXBaseButtonDraw::resetCount()
{
    d->itemCount = 0;
    if (d->alternationTimer && d->owner)
        d->owner->killTimer(d->alternationTimer);
    d->alternationTimer = 0;
    if (d->owner)
        d->owner->repaint();
}

void QJXBaseButtonDraw::addItemCount()
{
    ++d->itemCount;
    if (d->alternateEffect && !d->alternationTimer && d->owner)
        d->alternationTimer = d->owner->startTimer(d->alternationInterval, Qt::CoarseTimer);
    if (d->owner)
        d->owner->repaint();
}

int QJXBaseButtonDraw::itmeCount() const { return d->itemCount; }
void QJXBaseButtonDraw::setTagPixelSize(int size) { d->tagPixelSize = size; }
void QJXBaseButtonDraw::setTagRect(const QRect &rect) { d->tagRect = rect; }

void QJXBaseButtonDraw::setTagBgImage(const QString &first, const QString &alternate)
{
    d->tagImages[0] = first;
    d->tagImages[1] = alternate;
}

void QJXBaseButtonDraw::setTagBgAlternateColor(const QColor &first, const QColor &alternate)
{
    d->tagColours[0] = first;
    d->tagColours[1] = alternate;
}

void QJXBaseButtonDraw::setTagTextAlternateColor(const QColor &first, const QColor &alternate)
{
    d->tagTextColours[0] = first;
    d->tagTextColours[1] = alternate;
}

void QJXBaseButtonDraw::setAlternateEffect(bool on, int intervalMs)
{
    d->alternateEffect = on;
    d->alternationInterval = intervalMs;
}

void QJXBaseButtonDraw::startFlicker(int intervalMs)
{
    if (!d->owner)
        return;
    if (d->flickerTimer)
        d->owner->killTimer(d->flickerTimer);
    d->flickering = true;
    d->flickerInterval = intervalMs;
    d->flickerTimer = d->owner->startTimer(intervalMs, Qt::CoarseTimer);
}

void QJXBaseButtonDraw::stopFlicker()
{
    d->flickering = false;
    if (d->flickerTimer && d->owner)
        d->owner->killTimer(d->flickerTimer);
    d->flickerTimer = 0;
}

bool QJXBaseButtonDraw::isFlickering() const { return d->flickering; }
void QJXBaseButtonDraw::setEnterIsChangeMouse(bool on) { d->enterChangesCursor = on; }
bool QJXBaseButtonDraw::getEnterIsChangeMouse() const { return d->enterChangesCursor; }
int QJXBaseButtonDraw::getMouseMapValue() const { return d->mouseMapValue; }

bool QJXBaseButtonDraw::mousePressEvent(QMouseEvent *event)
{
    if (!d->owner || event->button() != Qt::LeftButton)
        return false;
    d->mouseMapValue = qRound(event->screenPos().x()) - d->owner->mapToGlobal(QPoint(0, 0)).x();
    if (!d->owner->isEnabled()) {
        d->state = StateDisabled;
        return false;
    }
    if (d->state != StatePressed) {
        d->state = StatePressed;
        d->owner->repaint();
    }
    return true;
}

bool QJXBaseButtonDraw::mouseReleaseEvent(QMouseEvent *event)
{
    if (!d->owner || event->button() != Qt::LeftButton || d->staticState)
        return false;
    if (!d->owner->isEnabled()) {
        d->state = StateDisabled;
        return false;
    }
    if (d->state == StatePressed) {
        d->state = d->owner->isChecked() ? StateHover : StateNormal;
        d->owner->repaint();
    }
    return true;
}

bool QJXBaseButtonDraw::mouseMoveEvent(QMouseEvent *)
{
    return d->state == StatePressed;
}

void QJXBaseButtonDraw::enterEvent(QEvent *)
{
    if (d->staticState || !d->owner)
        return;
    if (!d->owner->isEnabled()) {
        d->state = StateDisabled;
        return;
    }
    d->hovered = true;
    if (d->state != StateHover) {
        d->state = StateHover;
        d->owner->repaint();
    }
}

void QJXBaseButtonDraw::leaveEvent(QEvent *)
{
    if (d->staticState || !d->owner)
        return;
    if (!d->owner->isEnabled()) {
        d->state = StateDisabled;
        return;
    }
    d->hovered = false;
    if (d->state == StateHover) {
        d->state = StateNormal;
        d->owner->repaint();
    }
}

void QJXBaseButtonDraw::changeEvent(QEvent *event)
{
    if (d->staticState || !d->owner || event->type() != QEvent::EnabledChange)
        return;
    d->state = d->owner->isEnabled() ? StateNormal : StateDisabled;
}

void QJXBaseButtonDraw::focusInEvent(QFocusEvent *) { d->focused = true; }
void QJXBaseButtonDraw::focusOutEvent(QFocusEvent *) { d->focused = false; }

void QJXBaseButtonDraw::timerEvent(QTimerEvent *event)
{
    if (!d->owner)
        return;
    if (event->timerId() == d->alternationTimer && d->alternationTimer) {
        d->alternationPhase ^= 1;
        d->owner->update();
    } else if (event->timerId() == d->flickerTimer && d->flickerTimer) {
        d->flickerPhase ^= 1;
        d->owner->update();
    }
}

void QJXBaseButtonDraw::paintEvent(QPaintEvent *)
{
    if (!d->owner)
        return;
    QPainter painter(d->owner);
    DrawBackground(painter);
    DrawFlicker(painter);
    DrawButtonText(painter);
    DrawFocus(painter);
    DrawIcon(painter);
    DrawDigitalTag(painter);
}

int QJXBaseButtonDraw::frameForState() const
{
    if (!d->staticState && d->owner && d->owner->isChecked())
        return StatePressed;
    if (d->state >= StateNormal && d->state <= StateDisabled)
        return d->state;
    return -1;
}

void QJXBaseButtonDraw::drawFrame(QPainter &painter, int frame)
{
    QImage copy = QBaseImageDraw::stripFrame(*strip(), frame);
    QBaseImageDraw::drawBtnImageBg(painter, d->owner->rect(), copy, d->grid);
}

void QJXBaseButtonDraw::DrawBackground(QPainter &painter)
{
    if (!d->owner || !strip())
        return;
    const int frame = frameForState();
    if (frame < 0) {
        const int iw = d->stateImage->width() / 2, ih = d->stateImage->height() / 2;
        QBaseImageDraw::drawImage(painter, QRect(0, 0, iw, ih), QRect(0, 0, iw, ih), *d->stateImage);
        return;
    }
    d->drawColour = d->textColours[frame];
    drawFrame(painter, frame);
}

void QJXBaseButtonDraw::DrawFlicker(QPainter &painter)
{
    if (!d->flickering || !d->owner || !strip())
        return;
    drawFrame(painter, d->flickerPhase == 1 ? StateHover : StatePressed);
}

void QJXBaseButtonDraw::DrawButtonText(QPainter &painter)
{
    if (!d->owner || d->owner->text().isEmpty())
        return;
    const QFont previous = painter.font();
    painter.setFont(d->owner->font());
    painter.setPen(d->drawColour);
    QRect rect = d->owner->rect();
    if (d->textRectSet) {
        if (d->textRect.width() == 0)
            d->textRect.setWidth(d->owner->width() - (d->iconRect.right() + 1));
        if (d->textRect.height() == 0)
            d->textRect.setBottom(d->owner->height() - 1);
        rect = d->textRect;
    }
    const QString text = painter.fontMetrics().elidedText(d->owner->text(), Qt::ElideRight, rect.width());
    painter.drawText(rect, int(d->alignment), text);
    painter.setFont(previous);
}

void QJXBaseButtonDraw::DrawFocus(QPainter &) {}

void QJXBaseButtonDraw::DrawIcon(QPainter &painter)
{
    if (!d->icon || d->icon->isNull() || !d->owner)
        return;
    QImage picture;
    if (d->iconButtonMode) {
        const int frame = frameForState();
        picture = QBaseImageDraw::stripFrame(*d->icon, frame < 0 ? 0 : frame);
    } else {
        picture = *d->icon;
    }
    QRect &r = d->iconRect;
    int w = r.width();
    if (w < 1)
        w = picture.width() / 2;
    int h = r.height();
    if (h < 1)
        h = picture.height() / 2;
    int left = r.left() == -1 ? (d->owner->width() - w) / 2 : r.left();
    int top = r.top() == -1 ? (d->owner->height() - h) / 2 : r.top();
    r = QRect(left, top, w, h);
    QImage scaled = picture.scaled(2 * w, 2 * h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(2);
    painter.drawImage(r.topLeft(), scaled);
}

void QJXBaseButtonDraw::DrawDigitalTag(QPainter &painter)
{
    if (d->itemCount <= 0 || !d->owner)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const int left = d->tagRect.left() == -1 ? d->owner->width() - d->tagRect.width() : d->tagRect.left();
    const int top = d->tagRect.top() == -1 ? 0 : d->tagRect.top();
    const QRect badge(left, top, d->tagRect.width(), d->tagRect.height());
    const int look = (d->alternateEffect && d->alternationPhase == 1) ? 1 : 0;

    if (d->tagImages[0].isEmpty() && d->tagImages[1].isEmpty()) {
        painter.setPen(QPen(d->tagColours[look], 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(QBrush(d->tagColours[look]));
        painter.drawEllipse(badge);
    } else {
        QImage picture(d->tagImages[look]);
        if (!picture.isNull()) {
            picture.setDevicePixelRatio(2);
            QBaseImageDraw::drawImage(painter, badge,
                                      QRect(0, 0, picture.width() / 2, picture.height() / 2), picture);
        }
    }
    QFont font = painter.font();
    font.setFamily(QStringLiteral("Tahoma"));
    QString text;
    if (d->itemCount < 100) {
        font.setPixelSize(std::max(1, d->tagPixelSize));
        text = QString::number(d->itemCount);
    } else {
        font.setPixelSize(std::max(1, d->tagPixelSize - 2));
        text = QStringLiteral("99+");
    }
    painter.setFont(font);
    painter.setPen(d->tagTextColours[look]);
    painter.drawText(badge, Qt::AlignCenter, text);
}
