#include "widgetkit/qjxbaseprogress.h"

#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/qbaseimagedraw.h"

#include <QConicalGradient>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <chrono>
#include <cmath>

namespace {

qint64 steadyMsecs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

struct QJXBaseProgress::Data
{
    QImage *bottom = nullptr;
    QImage *top = nullptr;
    int trackW = 0;
    int trackH = 0;
    int policy = 1;
    double minimum = 0.0;
    double maximum = 100.0;
    double value = 0.0;
    bool circle = true;
    int circleLength = -1;
    int tlOffset = 0;
    int rbOffset = 0;
    double nullPosition = 90.0;
    int barStyle = 0;
    double outlinePenWidth = 1.0;
    double dataPenWidth = 1.0;
    DataColors dataColors;
    bool rebuildBrush = false;
    QString format = QStringLiteral("%p%");
    int decimals = 1;
    int textAlignment = Qt::AlignCenter;
    float textOffsetX = 0;
    float textOffsetY = 0;
    int formatFlags = 2;
    int updateInterval = 0;
    bool repaintPending = false;
    std::function<qint64()> clock = steadyMsecs;
    qint64 lastRepaint = 0;
    QTimer *updateTimer = nullptr;

    qint64 sinceRepaint() const { return clock() - lastRepaint; }
};

QJXBaseProgress::QJXBaseProgress(QWidget *parent)
    : QWidget(parent)
    , d(new Data)
{
    d->lastRepaint = d->clock();
    setAttribute(Qt::WA_TranslucentBackground);
    QPalette p = palette();
    QColor base(6, 176, 37);
    base.setAlpha(0);
    QColor alternate(255, 0, 0);
    alternate.setAlpha(0);
    p.setColor(QPalette::Window, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(6, 176, 37));
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, alternate);
    setPalette(p);
}

QJXBaseProgress::~QJXBaseProgress()
{
    delete d->bottom;
    delete d->top;
    delete d;
}

void QJXBaseProgress::setProgressPolicy(ProgressPolicy policy)
{
    d->policy = policy;
    update();
}

QJXBaseProgress::ProgressPolicy QJXBaseProgress::progressPolicy() const
{
    return ProgressPolicy(d->policy);
}

void QJXBaseProgress::setBarStyle(BarStyle style)
{
    if (d->barStyle == style)
        return;
    d->barStyle = style;
    update();
}

QJXBaseProgress::BarStyle QJXBaseProgress::barStyle() const
{
    return BarStyle(d->barStyle);
}

bool QJXBaseProgress::setBottomImage(QString path)
{
    delete d->bottom;
    d->bottom = nullptr;
    if (!QFile::exists(path))
        return false;
    d->bottom = new QImage(QJXPictureCache::picture(path, 2));
    d->trackW = d->bottom->width() / 2;
    d->trackH = d->bottom->height() / 2;
    update();
    return true;
}

bool QJXBaseProgress::setTopImage(QString path)
{
    delete d->top;
    d->top = nullptr;
    if (!QFile::exists(path))
        return false;
    d->top = new QImage(QJXPictureCache::picture(path, 2));
    update();
    return true;
}

double QJXBaseProgress::value() const
{
    return d->value;
}

double QJXBaseProgress::minimum() const
{
    return d->minimum;
}

double QJXBaseProgress::maximum() const
{
    return d->maximum;
}

double QJXBaseProgress::span() const
{
    return d->maximum - d->minimum;
}

// An empty range has nothing to fill; dividing by it would poison every
// coordinate drawn from the result.
double QJXBaseProgress::fraction() const
{
    const double s = span();
    if (s <= 0.0)
        return 0.0;
    return qBound(0.0, (d->value - d->minimum) / s, 1.0);
}

void QJXBaseProgress::setFormat(const QString &format)
{
    if (format == d->format)
        return;
    d->format = format;
    valueFormatChanged();
}

void QJXBaseProgress::resetFormat()
{
    d->format.clear();
    valueFormatChanged();
}

QString QJXBaseProgress::format() const
{
    return d->format;
}

QString QJXBaseProgress::getFormatValue() const
{
    return valueToText(d->value);
}

void QJXBaseProgress::setTextAlignment(int alignment)
{
    if (alignment == d->textAlignment)
        return;
    d->textAlignment = alignment;
    update();
}

void QJXBaseProgress::setTextOffset(float x, float y)
{
    d->textOffsetX = x;
    d->textOffsetY = y;
    update();
}

void QJXBaseProgress::setDecimals(int decimals)
{
    if (decimals < 0 || decimals == d->decimals)
        return;
    d->decimals = decimals;
    valueFormatChanged();
}

int QJXBaseProgress::decimals() const
{
    return d->decimals;
}

void QJXBaseProgress::setCircle(bool on)
{
    d->circle = on;
}

void QJXBaseProgress::setCircleLenght(int length)
{
    d->circleLength = length;
}

int QJXBaseProgress::lengthAlongBar() const
{
    return d->policy == HorizontalBar ? width() : height();
}

void QJXBaseProgress::setOffset(int topLeft, int rightBottom)
{
    d->tlOffset = topLeft;
    d->rbOffset = rightBottom;
    if (topLeft + rightBottom >= lengthAlongBar()) {
        d->tlOffset = 0;
        d->rbOffset = 0;
    }
    update();
}

int QJXBaseProgress::getTLOffset() const
{
    return d->tlOffset;
}

int QJXBaseProgress::getRBOffset() const
{
    return d->rbOffset;
}

void QJXBaseProgress::setOutlinePenWidth(double width)
{
    if (width == d->outlinePenWidth)
        return;
    d->outlinePenWidth = width;
    update();
}

double QJXBaseProgress::outlinePenWidth() const
{
    return d->outlinePenWidth;
}

void QJXBaseProgress::setDataPenWidth(double width)
{
    if (width == d->dataPenWidth)
        return;
    d->dataPenWidth = width;
    update();
}

double QJXBaseProgress::dataPenWidth() const
{
    return d->dataPenWidth;
}

void QJXBaseProgress::setNullPosition(double degrees)
{
    if (degrees == d->nullPosition)
        return;
    d->nullPosition = degrees;
    if (!d->dataColors.isEmpty())
        d->rebuildBrush = true;
    update();
}

double QJXBaseProgress::nullPosition() const
{
    return d->nullPosition;
}

void QJXBaseProgress::setDataColors(const DataColors &stops)
{
    if (stops == d->dataColors)
        return;
    d->dataColors = stops;
    d->rebuildBrush = true;
    update();
}

void QJXBaseProgress::setUpdateInterval(int ms)
{
    d->updateInterval = ms;
    d->repaintPending = false;
    if (d->updateTimer) {
        d->updateTimer->stop();
        delete d->updateTimer;
        d->updateTimer = nullptr;
    }
    if (ms > 0) {
        // Runs only while a repaint waits: an idle bar wakes nobody.
        d->updateTimer = new QTimer(this);
        d->updateTimer->setInterval(ms);
        connect(d->updateTimer, &QTimer::timeout, this, &QJXBaseProgress::UpdateTime);
    }
}

void QJXBaseProgress::setThrottleClock(std::function<qint64()> msecs)
{
    d->clock = msecs ? std::move(msecs) : steadyMsecs;
    d->lastRepaint = d->clock();
}

void QJXBaseProgress::setRange(double minimum, double maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    d->minimum = minimum;
    d->maximum = maximum;
    d->value = qBound(minimum, d->value, maximum);
    if (!d->dataColors.isEmpty())
        d->rebuildBrush = true;
    update();
}

void QJXBaseProgress::setMinimum(double minimum)
{
    setRange(minimum, d->maximum);
}

void QJXBaseProgress::setMaximum(double maximum)
{
    setRange(d->minimum, maximum);
}

void QJXBaseProgress::setValue(double value)
{
    if (value == d->value)
        return;
    d->value = qBound(d->minimum, value, d->maximum);
    emit valueChanged(d->value);
    requestRepaint();
}

void QJXBaseProgress::setValue(int value)
{
    setValue(double(value));
}

void QJXBaseProgress::requestRepaint()
{
    if (d->updateInterval <= 0) {
        update();
        return;
    }
    if (d->sinceRepaint() >= d->updateInterval) {
        d->lastRepaint = d->clock();
        d->repaintPending = false;
        update();
    } else {
        d->repaintPending = true;
        if (d->updateTimer && !d->updateTimer->isActive())
            d->updateTimer->start();
    }
}

void QJXBaseProgress::UpdateTime()
{
    if (d->repaintPending && d->sinceRepaint() >= 2 * d->updateInterval) {
        d->lastRepaint = d->clock();
        d->repaintPending = false;
        update();
    }
    if (!d->repaintPending && d->updateTimer)
        d->updateTimer->stop();
}

void QJXBaseProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing);
    rebuildDataBrushIfNeeded();
    DrawBackground(painter);
    DrawProgress(painter);
    DrawProgressText(painter);
}

void QJXBaseProgress::rebuildDataBrushIfNeeded()
{
    if (!d->rebuildBrush)
        return;
    d->rebuildBrush = false;
    QGradientStops stops;
    for (const auto &stop : qAsConst(d->dataColors))
        stops.append(QGradientStop(1.0 - stop.first, stop.second));
    QGradient gradient;
    if (d->policy == HorizontalBar) {
        QLinearGradient linear(0, 0.5, 1, 0.5);
        linear.setStops(stops);
        gradient = linear;
    } else if (d->policy == RoundBar) {
        QConicalGradient conical(0.5, 0.5, d->nullPosition);
        conical.setStops(stops);
        gradient = conical;
    } else {
        QLinearGradient linear(0.5, 1, 0.5, 0);
        linear.setStops(stops);
        gradient = linear;
    }
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    QPalette p = palette();
    p.setBrush(QPalette::Highlight, QBrush(gradient));
    setPalette(p);
}

int QJXBaseProgress::capRadius()
{
    if (!d->circle)
        return 0;
    int b;
    if (d->bottom)
        b = d->policy == HorizontalBar ? d->bottom->height() : d->bottom->width();
    else
        b = d->policy == HorizontalBar ? height() : width();
    if (d->circleLength > b / 2)
        d->circleLength = b / 2;
    if (d->circleLength != -1)
        return d->circleLength;
    return b / 2;
}

QRect QJXBaseProgress::getBgRect() const
{
    if (d->policy == HorizontalBar) {
        const int left = d->tlOffset;
        const int right = width() - d->rbOffset - 1;
        if (d->bottom) {
            const int h = d->bottom->height() / 2;
            return QRect(left, (height() - h) / 2, right - left + 1, h);
        }
        return QRect(left, 0, right - left + 1, height());
    }
    if (d->policy == VerticalBar) {
        const int top = d->tlOffset;
        const int bottom = height() - d->rbOffset - 1;
        if (d->bottom) {
            const int w = d->bottom->width() / 2;
            return QRect((width() - w) / 2, top, w, bottom - top + 1);
        }
        return QRect(0, top, width(), bottom - top + 1);
    }
    return rect();
}

void QJXBaseProgress::DrawBackground(QPainter &painter)
{
    if (d->policy == RoundBar) {
        const int side = qMin(width(), height());
        drawBase(painter, QRectF(1, 1, side - 2, side - 2));
        return;
    }
    painter.setBrush(palette().brush(QPalette::Window));
    const int r = capRadius();
    if (!d->bottom)
        painter.drawPath(QBaseImageDraw::GetRoundedRectanglePath(QRectF(getBgRect()), r));
    else
        DrawBottomImage(painter, r);
}

void QJXBaseProgress::DrawBottomImage(QPainter &painter, int r)
{
    if (!d->bottom)
        return;
    if (d->policy == HorizontalBar && d->bottom->height() > height())
        resize(width(), d->bottom->height());
    else if (d->policy != HorizontalBar && d->bottom->width() > width())
        resize(d->bottom->width(), height());
    DrawCircleImage(painter, *d->bottom, getBgRect(), false, r);
}

// Draws an image along the bar as a start cap, a middle and an end cap.
void QJXBaseProgress::DrawCircleImage(QPainter &painter, QImage &image, const QRect &rect,
                                      bool top, int r)
{
    const bool horizontal = d->policy == HorizontalBar;
    const int imgLen = horizontal ? image.width() / 2 : image.height() / 2;
    const int imgThick = horizontal ? image.height() / 2 : image.width() / 2;
    const int len = horizontal ? rect.width() : rect.height();
    const int cap = (r != 0 && d->circle) ? qMin(r, qMin(len, imgLen) / 2) : 0;

    auto along = [&](int pos, int length, int srcPos, int srcLength) {
        if (length <= 0 || srcLength <= 0)
            return;
        if (horizontal)
            QBaseImageDraw::drawImage(painter, QRect(rect.x() + pos, rect.y(), length, rect.height()),
                                      QRect(srcPos, 0, srcLength, imgThick), image);
        else
            QBaseImageDraw::drawImage(painter, QRect(rect.x(), rect.y() + pos, rect.width(), length),
                                      QRect(0, srcPos, imgThick, srcLength), image);
    };

    if (cap > 0) {
        along(0, cap, 0, cap);
        along(len - cap, cap, imgLen - cap, cap);
    }
    if (r != 0 || !top) {
        along(cap, len - 2 * cap, cap, imgLen - 2 * cap);
    } else {
        const int cut = int(imgLen * fraction());
        if (horizontal)
            along(0, len, 0, cut);
        else
            along(0, len, imgLen - cut, cut);
    }
}

void QJXBaseProgress::DrawProgress(QPainter &painter)
{
    if (d->policy == RoundBar) {
        const int side = qMin(width(), height());
        if (side <= 0)
            return;
        QImage img(2 * side, 2 * side, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF base(2, 2, 2 * side - 4, 2 * side - 4);
            drawRoundValue(p, base, d->value, 360.0 * fraction());
            QRectF inner;
            double innerRadius = 0;
            calculateInnerRect(base, 2 * side, inner, innerRadius);
            drawInnerBackground(p, inner);
        }
        img.setDevicePixelRatio(2);
        painter.drawImage(QRect(0, 0, side, side), img);
        return;
    }
    const int r = capRadius();
    if (d->top) {
        DrawTopImage(painter, *d->top, r);
        return;
    }
    const QRect track = getBgRect();
    d->trackW = track.width();
    d->trackH = track.height();
    if (track.width() <= 0 || track.height() <= 0)
        return;
    QImage img(2 * track.width(), 2 * track.height(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(palette().brush(QPalette::Highlight));
        p.drawPath(QBaseImageDraw::GetRoundedRectanglePath(QRectF(img.rect()), 2 * r));
    }
    img.setDevicePixelRatio(2);
    DrawTopImage(painter, img, r);
}

void QJXBaseProgress::DrawTopImage(QPainter &painter, QImage &image, int r)
{
    const bool horizontal = d->policy == HorizontalBar;
    if (!horizontal && d->policy != VerticalBar)
        return;
    const QRect track = getBgRect();
    const double f = fraction() * (lengthAlongBar() - d->tlOffset - d->rbOffset) + 0.5;
    const int filled = int(f);
    if (filled <= 0)
        return;
    if (f > 2 * r) {
        QRect fill;
        if (horizontal) {
            fill = QRect(track.x(), track.y(), filled, track.height());
        } else {
            const int bottom = height() - d->rbOffset;
            fill = QRect(track.x(), bottom - filled, track.width(), filled);
        }
        DrawCircleImage(painter, image, fill, true, r);
        return;
    }
    if (r == 0 || !d->circle)
        return;
    // Too short for both caps: the two rounded ends, each cut to half the fill.
    const int imgLen = horizontal ? image.width() / 2 : image.height() / 2;
    const int imgThick = horizontal ? image.height() / 2 : image.width() / 2;
    const int half = filled / 2;
    const int rest = filled - half;
    if (horizontal) {
        QBaseImageDraw::drawImage(painter, QRect(track.x(), track.y(), half, track.height()),
                                  QRect(0, 0, half, imgThick), image);
        QBaseImageDraw::drawImage(painter, QRect(track.x() + half, track.y(), rest, track.height()),
                                  QRect(imgLen - rest, 0, rest, imgThick), image);
    } else {
        const int bottom = height() - d->rbOffset;
        QBaseImageDraw::drawImage(painter, QRect(track.x(), bottom - half, track.width(), half),
                                  QRect(0, imgLen - half, imgThick, half), image);
        QBaseImageDraw::drawImage(painter, QRect(track.x(), bottom - filled, track.width(), rest),
                                  QRect(0, 0, imgThick, rest), image);
    }
}

void QJXBaseProgress::DrawProgressText(QPainter &painter)
{
    if (d->format.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const double x = width() * d->textOffsetX;
    const double y = height() * d->textOffsetY;
    const QRect r(int(x), int(y), int(width() - x), int(height() - y));
    painter.drawText(r, d->textAlignment, valueToText(d->value));
}

QString QJXBaseProgress::valueToText(double value) const
{
    QString text = d->format;
    if (d->formatFlags & 1)
        text.replace(QStringLiteral("%v"), QString::number(value, 'f', d->decimals));
    if (d->formatFlags & 2) {
        const double s = span();
        const double percent = s > 0.0 ? (value - d->minimum) / s * 100.0 : 0.0;
        text.replace(QStringLiteral("%p"), QString::number(percent, 'f', d->decimals));
    }
    if (d->formatFlags & 4)
        text.replace(QStringLiteral("%m"), QString::number(span() + 1, 'f', d->decimals));
    return text;
}

void QJXBaseProgress::valueFormatChanged()
{
    d->formatFlags = 0;
    if (d->format.contains(QStringLiteral("%v")))
        d->formatFlags |= 1;
    if (d->format.contains(QStringLiteral("%p")))
        d->formatFlags |= 2;
    if (d->format.contains(QStringLiteral("%m")))
        d->formatFlags |= 4;
    update();
}

static QPen solidPen(const QBrush &brush, double width)
{
    return QPen(brush, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

void QJXBaseProgress::drawBase(QPainter &painter, const QRectF &rect)
{
    if (d->policy != RoundBar)
        return;
    const QPalette &p = palette();
    switch (d->barStyle) {
    case StyleRing:
        painter.setPen(solidPen(p.shadow(), d->outlinePenWidth));
        painter.setBrush(p.base());
        painter.drawEllipse(rect);
        break;
    case StylePie:
        painter.setPen(solidPen(p.base(), d->outlinePenWidth));
        painter.setBrush(p.base());
        painter.drawEllipse(rect);
        break;
    default: {
        const double h = d->outlinePenWidth / 2;
        painter.setPen(solidPen(p.base(), d->outlinePenWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(rect.adjusted(h, h, -h, -h));
        break;
    }
    }
}

void QJXBaseProgress::drawRoundValue(QPainter &painter, const QRectF &rect, double value,
                                     double arc)
{
    if (value == d->minimum)
        return;
    const QPalette &p = palette();
    if (d->barStyle == StyleLine) {
        const double w = d->outlinePenWidth;
        painter.setPen(solidPen(p.highlight(), 2 * d->dataPenWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(rect.adjusted(w, w, -w, -w), int(d->nullPosition * 16), int(-arc * 16));
        return;
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(rect.center());
    path.arcTo(rect, d->nullPosition, -arc);
    path.lineTo(rect.center());
    painter.setBrush(p.highlight());
    painter.setPen(solidPen(p.shadow(), d->dataPenWidth));
    painter.drawPath(path);
}

void QJXBaseProgress::calculateInnerRect(const QRectF &, double outerRadius, QRectF &inner,
                                         double &innerRadius)
{
    innerRadius = d->barStyle == StyleLine ? outerRadius - d->outlinePenWidth : 0.75 * outerRadius;
    const double delta = (outerRadius - innerRadius) / 2;
    inner = QRectF(delta, delta, innerRadius, innerRadius);
}

void QJXBaseProgress::drawInnerBackground(QPainter &painter, const QRectF &inner)
{
    if (d->barStyle != StyleRing)
        return;
    const QPalette &p = palette();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(inner);
    painter.restore();
    painter.setPen(solidPen(p.shadow(), d->dataPenWidth));
    painter.setBrush(p.alternateBase());
    painter.drawEllipse(inner);
}

QPainterPath QJXBaseProgress::getProPath()
{
    const bool horizontal = d->policy == HorizontalBar;
    if (!horizontal && d->policy != VerticalBar)
        return QPainterPath();
    const QRectF track(getBgRect());
    const double trackLength = horizontal ? track.width() : track.height();
    const double max = maximum();
    double length = max != 0 ? d->value / max * trackLength : 0;
    if (!horizontal)
        length += 0.5;
    length = qBound(0.0, length, trackLength);
    if (length <= 0)
        return QPainterPath();
    const int r = capRadius();
    if (length > 2 * r) {
        const QRectF fill = horizontal
            ? QRectF(track.x(), track.y(), length, track.height())
            : QRectF(track.x(), track.bottom() - length, track.width(), length);
        return QBaseImageDraw::GetRoundedRectanglePath(fill, r);
    }
    // Both ends of the rounded track, each cut to half the fill, joined.
    const QPainterPath whole = QBaseImageDraw::GetRoundedRectanglePath(track, r);
    const double half = length / 2;
    QPainterPath start, end;
    if (horizontal) {
        start.addRect(QRectF(track.x(), track.y(), half, track.height()));
        end.addRect(QRectF(track.right() - half, track.y(), half, track.height()));
    } else {
        start.addRect(QRectF(track.x(), track.bottom() - half, track.width(), half));
        end.addRect(QRectF(track.x(), track.y(), track.width(), half));
    }
    QPainterPath endPart = whole.intersected(end);
    endPart.translate(horizontal ? QPointF(-(trackLength - length), 0)
                                 : QPointF(0, trackLength - length));
    return whole.intersected(start).united(endPart);
}
