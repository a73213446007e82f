#include "widgetkit/qjxbaseboxdraw.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

struct QJXBaseBoxDraw::Data
{
    QImage *checked = nullptr;
    QImage *unchecked = nullptr;
    QImage *partial = nullptr;
    QImage *icon = nullptr;
    QRect iconRect = QRect(0, 0, 0, 0);
    QRect checkRect;
    QRect textRect;
    int alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QAbstractButton *owner = nullptr;
    int type = 0;
    bool twoFrames = true;
    bool ownsImages = false;
    QVariant data;
    bool bgFill = false;
};

QJXBaseBoxDraw::QJXBaseBoxDraw(QAbstractButton *owner, enumBoxType type)
    : d(new Data)
{
    d->owner = owner;
    d->type = type;
}

QJXBaseBoxDraw::~QJXBaseBoxDraw()
{
    dropOwnedImages();
    delete d->icon;
    delete d;
}

void QJXBaseBoxDraw::dropOwnedImages()
{
    if (d->ownsImages) {
        delete d->checked;
        delete d->unchecked;
        delete d->partial;
    }
    d->checked = d->unchecked = d->partial = nullptr;
}

void QJXBaseBoxDraw::setCheckImage(QString checked, QString unchecked, QString partial,
                                   bool unused, bool twoFrames)
{
    if (!QFile::exists(checked))
        return;
    QImage on(checked);
    QImage off(unchecked);
    QImage mixed;
    if (!partial.isEmpty())
        mixed = QImage(partial);
    setCheckImage(&on, &off, partial.isEmpty() || mixed.isNull() ? nullptr : &mixed, unused,
                  twoFrames, true);
}

void QJXBaseBoxDraw::setCheckImage(QImage *checked, QImage *unchecked, QImage *partial, bool,
                                   bool twoFrames, bool copy)
{
    if (!d->owner)
        return;
    dropOwnedImages();
    if (!checked || !unchecked || checked->isNull() || unchecked->isNull()) {
        d->owner->update();
        return;
    }
    if (copy) {
        d->checked = new QImage(*checked);
        d->unchecked = new QImage(*unchecked);
        d->partial = partial ? new QImage(*partial) : nullptr;
    } else {
        d->checked = checked;
        d->unchecked = unchecked;
        d->partial = partial;
    }
    d->ownsImages = copy;
    for (QImage *image : {d->checked, d->unchecked, d->partial}) {
        if (image)
            image->setDevicePixelRatio(2);
    }
    d->twoFrames = twoFrames;
    d->checkRect.setLeft(0);
    d->checkRect.setWidth(d->checked->width() / (twoFrames ? 2 : 1) / 2);
    d->checkRect.setHeight(d->checked->height() / 2);
    if (d->owner->height() < d->checkRect.height())
        d->owner->resize(d->owner->width(), d->checkRect.height());
    d->textRect.setLeft(d->checkRect.width() + 5);
    d->textRect.setWidth(0);
    d->owner->update();
}

void QJXBaseBoxDraw::setBtnIcon(QString path)
{
    if (!QFile::exists(path))
        return;
    delete d->icon;
    d->icon = new QImage(path);
    d->icon->setDevicePixelRatio(2);
}

void QJXBaseBoxDraw::setIconRect(QRect rect)
{
    d->iconRect = rect;
}

void QJXBaseBoxDraw::setTextRect(QRect rect)
{
    d->textRect = rect;
}

QRect QJXBaseBoxDraw::checkRect() const
{
    return d->checkRect;
}

QRect QJXBaseBoxDraw::textRect() const
{
    return d->textRect;
}

Qt::Alignment QJXBaseBoxDraw::alignment() const
{
    return Qt::Alignment(d->alignment);
}

void QJXBaseBoxDraw::setAlignment(Qt::Alignment alignment)
{
    d->alignment = int(alignment);
}

void QJXBaseBoxDraw::setData(const QVariant &data)
{
    d->data = data;
}

QVariant QJXBaseBoxDraw::getData() const
{
    return d->data;
}

void QJXBaseBoxDraw::setBgFillMode(bool on)
{
    d->bgFill = on;
}

bool QJXBaseBoxDraw::isCustomDraw() const
{
    return d->checked != nullptr;
}

void QJXBaseBoxDraw::adjustSize()
{
    if (!d->owner)
        return;
    const QFontMetricsF fm(d->owner->font());
    const QString text = d->owner->text();
    int w = d->checkRect.width();
    // The fractional width, rounded up: a rounded-down width elides the text.
    if (!text.isEmpty())
        w += int(std::ceil(fm.horizontalAdvance(text))) + 5;
    const int h = qMax(d->checkRect.height(), QFontMetrics(d->owner->font()).height());
    d->owner->resize(w, h);
    d->textRect.setWidth(0);
}

void QJXBaseBoxDraw::paintEvent(QPaintEvent *)
{
    if (!d->owner)
        return;
    QPainter painter(d->owner);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    DrawCheckImage(painter);
    DrawIconImage(painter);
    DrawCheckText(painter);
}

void QJXBaseBoxDraw::DrawCheckImage(QPainter &painter)
{
    if (!d->owner || !d->checked)
        return;
    QRect r = d->checkRect;
    if (r.top() < 1)
        r.moveTop((d->owner->height() - r.height()) / 2);

    QImage *picture = d->checked;
    bool partialMark = false;
    if (d->type == CheckBoxType) {
        const auto *box = qobject_cast<const QCheckBox *>(d->owner);
        const Qt::CheckState state = box ? box->checkState()
                                         : (d->owner->isChecked() ? Qt::Checked : Qt::Unchecked);
        if (state == Qt::Unchecked) {
            picture = d->unchecked;
        } else if (state == Qt::PartiallyChecked) {
            picture = d->partial;
            if (!picture) {
                // Without a picture of its own the third state must still differ
                // from "off": the unchecked picture carries a dash.
                picture = d->unchecked;
                partialMark = true;
            }
        }
    } else if (d->type == RadioType) {
        picture = d->owner->isChecked() ? d->checked : d->unchecked;
    }
    if (!picture)
        return;

    QImage frame;
    if (d->twoFrames) {
        const int fw = picture->width() / 2;
        frame = picture->copy(d->owner->isEnabled() ? 0 : fw, 0, fw, picture->height());
        frame.setDevicePixelRatio(2);
    } else {
        frame = *picture;
    }
    const QRect target = d->bgFill ? d->owner->rect() : r;
    if (d->bgFill)
        QBaseImageDraw::drawBtnImageBg(painter, target, frame, true);
    else
        QBaseImageDraw::drawImage(painter, target,
                                  QRect(0, 0, frame.width() / 2, frame.height() / 2), frame);

    if (partialMark) {
        const int w = qMax(2, target.width() / 2);
        const int h = qMax(2, target.height() / 6);
        const QRectF dash(target.x() + (target.width() - w) / 2.0,
                          target.y() + (target.height() - h) / 2.0, w, h);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(d->owner->palette().color(
            d->owner->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        painter.drawPath(QBaseImageDraw::GetRoundedRectanglePath(dash, h / 2.0));
        painter.restore();
    }
}

void QJXBaseBoxDraw::DrawIconImage(QPainter &painter)
{
    if (!d->icon)
        return;
    const int iw = d->icon->width() / 2;
    const int ih = d->icon->height() / 2;
    if (d->iconRect.width() == 0)
        d->iconRect.setWidth(iw);
    if (d->iconRect.height() == 0)
        d->iconRect.setHeight(ih);
    QBaseImageDraw::drawImage(painter, d->iconRect, QRect(0, 0, iw, ih), *d->icon);
}

void QJXBaseBoxDraw::DrawCheckText(QPainter &painter)
{
    if (!d->owner || d->owner->text().isEmpty())
        return;
    const QFont oldFont = painter.font();
    painter.setFont(d->owner->font());
    painter.setPen(d->owner->palette().color(QPalette::WindowText));
    if (d->textRect.width() == 0)
        d->textRect.setRight(d->owner->width() - 1);
    if (d->textRect.height() == 0)
        d->textRect.setBottom(d->owner->height() - 1);
    const QString shown = QFontMetrics(d->owner->font())
                              .elidedText(d->owner->text(), Qt::ElideRight, d->textRect.width());
    painter.drawText(d->textRect, d->alignment, shown);
    painter.setFont(oldFont);
}
