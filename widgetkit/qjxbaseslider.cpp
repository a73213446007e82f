#include "widgetkit/qjxbaseslider.h"

#include "widgetkit/qjxbasebutton.h"

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>

struct QJXBaseSlider::Data
{
    bool pull = true;
    QJXBaseButton *handle = nullptr;
    int handleOffset = 0;
    // A drag moves the value only when its press landed on the track.
    bool dragging = false;
    // A handle release that the handle did not take comes on to the slider;
    // it was reported already.
    bool handleReleased = false;
};

QJXBaseSlider::QJXBaseSlider(QWidget *parent)
    : QJXBaseProgress(parent)
    , d(new Data)
{
}

QJXBaseSlider::~QJXBaseSlider()
{
    delete d;
}

bool QJXBaseSlider::setBtnImage(QString path)
{
    delete d->handle;
    d->handle = new QJXBaseButton(this);
    connect(d->handle, &QJXBaseButton::mouseMove, this, &QJXBaseSlider::btnMouseMove);
    connect(d->handle, &QJXBaseButton::mouseDown, this, &QJXBaseSlider::btnMouseDown);
    connect(d->handle, &QJXBaseButton::mouseRelease, this, &QJXBaseSlider::btnMouseRelease);
    if (!d->handle->setButtonImage(path, false)) {
        if (progressPolicy() == HorizontalBar)
            d->handle->resize(10, height());
        else
            d->handle->resize(width(), 10);
    }
    d->handle->move(0, 0);
    d->handle->show();
    int tl = getTLOffset();
    int rb = getRBOffset();
    applyHandleRule(tl, rb);
    QJXBaseProgress::setOffset(tl, rb);
    update();
    return true;
}

// Keeps the track ends at least half a handle inside the slider, so that
// the handle never leaves the widget at either end of the range.
void QJXBaseSlider::applyHandleRule(int &topLeft, int &rightBottom) const
{
    if (!d->handle)
        return;
    const int half = progressPolicy() == VerticalBar ? d->handle->height() / 2
                                                      : d->handle->width() / 2;
    if (topLeft < half)
        topLeft = half;
    if (rightBottom < half)
        rightBottom = half;
}

void QJXBaseSlider::setOffset(int topLeft, int rightBottom)
{
    applyHandleRule(topLeft, rightBottom);
    QJXBaseProgress::setOffset(topLeft, rightBottom);
    update();
}

QJXBaseButton *QJXBaseSlider::getButton() const
{
    return d->handle;
}

void QJXBaseSlider::setBtnOffset(int offset)
{
    d->handleOffset = offset;
}

void QJXBaseSlider::setEnabledPull(bool on)
{
    d->pull = on;
}

bool QJXBaseSlider::enablePull() const
{
    return d->pull;
}

void QJXBaseSlider::setValue(double value)
{
    if (value == this->value())
        return;
    QJXBaseProgress::setValue(value);
    update();
}

void QJXBaseSlider::setValue(int value)
{
    setValue(double(value));
}

int QJXBaseSlider::trackLength() const
{
    switch (progressPolicy()) {
    case HorizontalBar:
        return width() - getTLOffset() - getRBOffset();
    case VerticalBar:
        return height() - getTLOffset() - getRBOffset();
    default:
        return 0;
    }
}

QPoint QJXBaseSlider::pointOf(QMouseEvent *event) const
{
    const QPointF g = event->globalPos();
    return QPoint(int(std::lround(g.x())), int(std::lround(g.y()))) - mapToGlobal(QPoint(0, 0));
}

bool QJXBaseSlider::isOnTrack(const QPoint &p) const
{
    switch (progressPolicy()) {
    case HorizontalBar:
        return getTLOffset() <= p.x() && p.x() <= width() - getRBOffset();
    case VerticalBar:
        return getTLOffset() <= p.y() && p.y() <= height() - getRBOffset();
    default:
        return false;
    }
}

void QJXBaseSlider::moveValueTo(const QPoint &p)
{
    const int policy = progressPolicy();
    const int length = trackLength();
    if (!d->pull || (policy != HorizontalBar && policy != VerticalBar) || length <= 0)
        return;
    int distance = policy == HorizontalBar ? p.x() - getTLOffset()
                                           : length - (p.y() - getTLOffset());
    distance = qBound(0, distance, length);
    const double s = span();
    if (s <= 0.0)
        return;
    const double v = minimum() + s * distance / length;
    if (v == value())
        return;
    QJXBaseProgress::setValue(v);
    update();
    emit sendProgressValue((value() - minimum()) / s);
}

void QJXBaseSlider::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = pointOf(event);
    d->dragging = false;
    d->handleReleased = false;
    if (!isOnTrack(p))
        return;
    d->dragging = true;
    emit sendPressEvent(event);
    moveValueTo(p);
}

void QJXBaseSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::NoButton || !d->dragging)
        return;
    moveValueTo(pointOf(event));
}

void QJXBaseSlider::mouseReleaseEvent(QMouseEvent *event)
{
    d->dragging = false;
    if (d->handleReleased) {
        d->handleReleased = false;
        return;
    }
    if (isOnTrack(pointOf(event)))
        emit sendReleseEvent(event);
}

void QJXBaseSlider::keyPressEvent(QKeyEvent *event)
{
    QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        OnKeyLeftDown();
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        OnKeyRightUp();
        break;
    default:
        break;
    }
}

// A key press is user input like a drag: listeners that act on the user's
// choice (volume, seeking) must hear of it.
void QJXBaseSlider::stepByKey(double delta)
{
    const double s = span();
    const double v = value() + delta;
    if (v == value() || s <= 0.0)
        return;
    const double before = value();
    QJXBaseProgress::setValue(v);
    update();
    if (value() != before)
        emit sendProgressValue((value() - minimum()) / s);
}

void QJXBaseSlider::OnKeyLeftDown()
{
    stepByKey(-span() / 100.0);
}

void QJXBaseSlider::OnKeyRightUp()
{
    stepByKey(span() / 100.0);
}

void QJXBaseSlider::paintEvent(QPaintEvent *event)
{
    QJXBaseProgress::paintEvent(event);
    calcBtnPostion();
}

void QJXBaseSlider::resizeEvent(QResizeEvent *event)
{
    QJXBaseProgress::resizeEvent(event);
    calcBtnPostion();
}

QPoint QJXBaseSlider::valueToPoint() const
{
    const int length = trackLength();
    if (length <= 0)
        return QPoint(0, 0);
    const double f = fraction();
    if (progressPolicy() == HorizontalBar)
        return QPoint(int(getTLOffset() + length * f - 1), 0);
    if (progressPolicy() == VerticalBar)
        return QPoint(0, int(getTLOffset() + length - length * f));
    return QPoint(0, 0);
}

void QJXBaseSlider::calcBtnPostion()
{
    if (!d->handle)
        return;
    QPoint p = valueToPoint();
    if (progressPolicy() == HorizontalBar) {
        p.rx() -= d->handle->width() / 2;
        p.setY((height() - d->handle->height()) / 2 + d->handleOffset);
    } else if (progressPolicy() == VerticalBar) {
        p.setX((width() - d->handle->width()) / 2 + d->handleOffset);
        p.ry() -= d->handle->height() / 2;
    } else {
        p = QPoint(0, 0);
    }
    if (d->handle->pos() != p)
        d->handle->move(p);
}

void QJXBaseSlider::btnMouseDown(QMouseEvent *event, int)
{
    d->dragging = true;
    d->handleReleased = false;
    emit sendPressEvent(event);
}

void QJXBaseSlider::btnMouseMove(QMouseEvent *event, int)
{
    moveValueTo(pointOf(event));
    update();
}

void QJXBaseSlider::btnMouseRelease(QMouseEvent *event, int)
{
    d->dragging = false;
    d->handleReleased = true;
    emit sendReleseEvent(event);
}
