#include "widgetkit/qjxbaserectimagedraw.h"

#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/qbaseimagedraw.h"

#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

struct QJXBaseRectImageDraw::Data
{
    QWidget *owner = nullptr;
    QImage *background = nullptr;
    QImage *icon = nullptr;
    bool btnMode = false;
    QRect iconRect = QRect(0, -1, 0, 0);
    bool iconBtnMode = false;
    QString text;
    bool textDrawable = true;
    qint16 margins[4] = {1, 1, 1, 1};
    int alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor currentColor = QColor(0, 0, 0);
    QColor colors[4] = {QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)};
    bool checked = false;
    int state = 0;
};

QJXBaseRectImageDraw::QJXBaseRectImageDraw(QWidget *owner)
    : d(new Data)
{
    d->owner = owner;
}

QJXBaseRectImageDraw::~QJXBaseRectImageDraw()
{
    delete d->background;
    delete d->icon;
    delete d;
}

QWidget *QJXBaseRectImageDraw::drawOwner() const
{
    return d->owner;
}

void QJXBaseRectImageDraw::updateOwner()
{
    if (d->owner)
        d->owner->update();
}

void QJXBaseRectImageDraw::repaintOwner()
{
    if (d->owner)
        d->owner->repaint();
}

bool QJXBaseRectImageDraw::setBackgroundImage(QString path)
{
    delete d->background;
    d->background = nullptr;
    if (!QFile::exists(path))
        return false;
    d->background = new QImage(QJXPictureCache::picture(path, 2));
    updateOwner();
    return true;
}

bool QJXBaseRectImageDraw::setBackgroundImage(QImage image)
{
    delete d->background;
    d->background = new QImage(image);
    d->background->setDevicePixelRatio(2);
    updateOwner();
    return true;
}

bool QJXBaseRectImageDraw::setRectIcon(QString path)
{
    delete d->icon;
    d->icon = nullptr;
    if (!QFile::exists(path))
        return false;
    d->icon = new QImage(path);
    d->icon->setDevicePixelRatio(2);
    updateOwner();
    return true;
}

bool QJXBaseRectImageDraw::setRectIcon(QImage image)
{
    delete d->icon;
    d->icon = nullptr;
    if (image.isNull())
        return false;
    d->icon = new QImage(image);
    d->icon->setDevicePixelRatio(2);
    updateOwner();
    return true;
}

void QJXBaseRectImageDraw::setIconRect(QRect rect)
{
    d->iconRect = rect;
}

QRect QJXBaseRectImageDraw::iconRect() const
{
    return d->iconRect;
}

void QJXBaseRectImageDraw::setDrawText(QString text)
{
    if (text == d->text)
        return;
    d->text = text;
    updateOwner();
}

QString QJXBaseRectImageDraw::drawText() const
{
    return d->text;
}

Qt::Alignment QJXBaseRectImageDraw::alignment() const
{
    return Qt::Alignment(d->alignment);
}

void QJXBaseRectImageDraw::setAlignment(Qt::Alignment alignment)
{
    d->alignment = int(alignment);
    updateOwner();
}

void QJXBaseRectImageDraw::setTextDrawable(bool on)
{
    d->textDrawable = on;
}

bool QJXBaseRectImageDraw::isTextDrawable() const
{
    return d->textDrawable;
}

void QJXBaseRectImageDraw::setDrawTextMargins(int left, int top, int right, int bottom)
{
    d->margins[0] = qint16(left);
    d->margins[1] = qint16(top);
    d->margins[2] = qint16(right);
    d->margins[3] = qint16(bottom);
    updateOwner();
}

void QJXBaseRectImageDraw::setDrawTextMargins(const QMargins &m)
{
    setDrawTextMargins(m.left(), m.top(), m.right(), m.bottom());
}

QMargins QJXBaseRectImageDraw::drawTextMargins() const
{
    return QMargins(d->margins[0], d->margins[1], d->margins[2], d->margins[3]);
}

void QJXBaseRectImageDraw::setTextColor(QColor color)
{
    setTextColor(color, color, color, color);
}

void QJXBaseRectImageDraw::setTextColor(QColor normal, QColor hover, QColor pressed,
                                        QColor disabled)
{
    d->colors[0] = normal;
    d->colors[1] = hover;
    d->colors[2] = pressed;
    d->colors[3] = disabled;
    d->currentColor = normal;
}

void QJXBaseRectImageDraw::setCheckState(bool checked)
{
    d->checked = checked;
}

bool QJXBaseRectImageDraw::checkState() const
{
    return d->checked;
}

void QJXBaseRectImageDraw::setIconBtnMode(bool on)
{
    d->iconBtnMode = on;
}

bool QJXBaseRectImageDraw::IsIconBtnMode() const
{
    return d->iconBtnMode;
}

void QJXBaseRectImageDraw::setBtnMode(bool on)
{
    d->btnMode = on;
}

bool QJXBaseRectImageDraw::isBtnMode() const
{
    return d->btnMode;
}

bool QJXBaseRectImageDraw::isCustomDraw() const
{
    return d->background != nullptr;
}

int QJXBaseRectImageDraw::drawState() const
{
    return d->state;
}

void QJXBaseRectImageDraw::paintEvent(QPaintEvent *)
{
    if (!d->owner || !d->background)
        return;
    QPainter painter(d->owner);
    drawBackgroundImage(painter);
    drawIcon(painter);
    drawRectText(painter);
}

bool QJXBaseRectImageDraw::mousePressEventDraw(QMouseEvent *event)
{
    if (!d->owner || event->button() != Qt::LeftButton)
        return false;
    if (!d->owner->isEnabled()) {
        d->state = 3;
        return false;
    }
    if (d->state == 2)
        return false;
    d->state = 2;
    repaintOwner();
    return true;
}

void QJXBaseRectImageDraw::mouseReleaseEventDraw(QMouseEvent *event)
{
    if (!d->owner || event->button() != Qt::LeftButton)
        return;
    if (!d->owner->isEnabled()) {
        d->state = 3;
        return;
    }
    if (d->state == 2) {
        d->state = 0;
        repaintOwner();
    }
}

void QJXBaseRectImageDraw::enterEventDraw(QEvent *)
{
    if (!d->owner)
        return;
    if (!d->owner->isEnabled()) {
        d->state = 3;
        return;
    }
    if (d->state != 1) {
        d->state = 1;
        repaintOwner();
    }
}

void QJXBaseRectImageDraw::leaveEventDraw(QEvent *)
{
    if (!d->owner)
        return;
    if (!d->owner->isEnabled()) {
        d->state = 3;
        return;
    }
    if (d->state == 1) {
        d->state = 0;
        repaintOwner();
    }
}

void QJXBaseRectImageDraw::changeEventDraw(QEvent *event)
{
    if (!d->owner || event->type() != QEvent::EnabledChange)
        return;
    d->state = d->owner->isEnabled() ? 0 : 3;
}

void QJXBaseRectImageDraw::resetBtnState()
{
    if (!d->owner)
        return;
    d->state = 0;
    repaintOwner();
}

int QJXBaseRectImageDraw::frameIndex() const
{
    return d->checked ? 2 : qBound(0, d->state, 3);
}

void QJXBaseRectImageDraw::drawBackgroundImage(QPainter &painter)
{
    if (!d->owner || !d->background)
        return;
    const QRect r(0, 0, d->owner->width(), d->owner->height());
    if (d->btnMode) {
        QImage frame = QBaseImageDraw::stripFrame(*d->background, frameIndex());
        QBaseImageDraw::drawBtnImageBg(painter, r, frame, true);
    } else {
        QBaseImageDraw::drawBtnImageBg(painter, r, *d->background, true);
    }
}

void QJXBaseRectImageDraw::drawIcon(QPainter &painter)
{
    if (!d->icon)
        return;
    if (d->iconBtnMode) {
        QImage frame = QBaseImageDraw::stripFrame(*d->icon, frameIndex());
        iconDraw(painter, &frame);
    } else {
        iconDraw(painter, d->icon);
    }
}

void QJXBaseRectImageDraw::iconDraw(QPainter &painter, QImage *image)
{
    if (!image || image->isNull() || !d->owner)
        return;
    QRect &r = d->iconRect;
    if (r.width() == 0)
        r.setWidth(image->width() / 2);
    const int h = r.height() != 0 ? r.height() : image->height() / 2;
    if (r.top() == -1)
        r.moveTop((d->owner->height() - h) / 2);
    r.setBottom(r.top() + h - 1);
    QImage scaled = image->scaled(2 * r.width(), 2 * h, Qt::KeepAspectRatio,
                                  Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(2);
    painter.drawImage(r.topLeft(), scaled);
}

QColor QJXBaseRectImageDraw::drawTextColor()
{
    if (!d->btnMode)
        return d->colors[0];
    d->currentColor = d->checked ? d->colors[2] : d->colors[qBound(0, d->state, 3)];
    return d->currentColor;
}

void QJXBaseRectImageDraw::drawRectText(QPainter &painter)
{
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (d->text.isEmpty() || !d->textDrawable || !d->owner)
        return;
    const QFont oldFont = painter.font();
    painter.setFont(d->owner->font());
    painter.setPen(drawTextColor());
    const int w = d->owner->width();
    const int h = d->owner->height();
    const QRect r(QPoint(d->margins[0], d->margins[1]),
                  QPoint(w - 1 - d->margins[2], h - 1 - d->margins[3]));
    const QString shown = QFontMetrics(d->owner->font())
                              .elidedText(d->text, Qt::ElideRight,
                                          w - d->margins[0] - d->margins[2]);
    painter.drawText(r, d->alignment, shown);
    painter.setFont(oldFont);
}
