#include "widgetkit/views/qvedualslider.h"

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/views/qvesliderctrlbtn.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMinimumHeight = 40;
// The range image's column that is stretched between the two trim handles.
constexpr int kRangeColumn = 10;

QPixmap loadPixmap(const QString &path)
{
    QPixmap pixmap(path);
    pixmap.setDevicePixelRatio(2);
    return pixmap;
}

int pointerX(QMouseEvent *event)
{
    return int(std::lround(event->screenPos().x()));
}
} // namespace

QVEDualSlider::QVEDualSlider(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
}

float QVEDualSlider::fraction(float pixels) const
{
    // A slider narrower than its two handles has no usable groove.
    const int u = usableWidth();
    return u > 0 ? pixels / float(u) : 0.0f;
}

void QVEDualSlider::setBottomImage(const QString &path)
{
    m_groove = loadPixmap(path);
    m_grooveWidth = m_groove.width() / 2;
    m_grooveHeight = m_groove.height() / 2;
    update();
}

void QVEDualSlider::setTopImage(const QString &path)
{
    m_range = loadPixmap(path);
    update();
}

void QVEDualSlider::setBtnBgImage(const QString &path)
{
    m_handleBg = loadPixmap(path);
    update();
}

QVESliderCtrlBtn *QVEDualSlider::makeHandle(const QString &path)
{
    auto *handle = new QVESliderCtrlBtn(this);
    handle->setBtnImage(path);
    handle->show();
    return handle;
}

void QVEDualSlider::resizeForHandles()
{
    resize(m_startWidth + m_grooveWidth + m_endWidth, std::max(m_grooveHeight, kMinimumHeight));
}

void QVEDualSlider::setStartBtnImage(const QString &path, int yOffset)
{
    if (path.isEmpty()) {
        resize(m_grooveWidth, std::max(m_grooveHeight, kMinimumHeight));
        m_start = 0;
        return;
    }
    m_startPicture = QPixmap(path);
    m_startBtn = makeHandle(path);
    connect(m_startBtn, &QVESliderCtrlBtn::mouseMove, this, &QVEDualSlider::btnMouseMove);
    connect(m_startBtn, &QVESliderCtrlBtn::mouseDown, this, &QVEDualSlider::btnMousePress);
    connect(m_startBtn, &QVESliderCtrlBtn::mouseUp, this, &QVEDualSlider::btnMouseRelease);
    m_margin = m_startWidth = m_startBtn->width();
    resizeForHandles();
    m_handleRowY = yOffset + (height() - m_startBtn->height()) / 2 + 5;
    m_startBtn->move(0, m_handleRowY);
    m_start = 0;
}

void QVEDualSlider::setEndBtnImage(const QString &path)
{
    if (path.isEmpty()) {
        resize(m_grooveWidth, std::max(m_grooveHeight, kMinimumHeight));
    } else {
        m_endPicture = QPixmap(path);
        m_endBtn = makeHandle(path);
        connect(m_endBtn, &QVESliderCtrlBtn::mouseMove, this, &QVEDualSlider::btnEndMouseMove);
        connect(m_endBtn, &QVESliderCtrlBtn::mouseDown, this, &QVEDualSlider::btnMousePress);
        connect(m_endBtn, &QVESliderCtrlBtn::mouseUp, this, &QVEDualSlider::btnMouseRelease);
        m_endWidth = m_endBtn->width();
        resizeForHandles();
        m_endBtn->move(width() - m_endWidth, m_handleRowY);
    }
    m_end = float(width() - m_startWidth - m_endWidth);
}

void QVEDualSlider::setProgressBtnImage(const QString &path, int y)
{
    if (path.isEmpty())
        return;
    m_playPicture = QPixmap(path);
    m_playBtn = makeHandle(path);
    connect(m_playBtn, &QVESliderCtrlBtn::mouseMove, this, &QVEDualSlider::btnProMouseMove);
    m_playWidth = m_playBtn->width();
    m_playY = y;
    m_play = float(m_startWidth);
    m_playBtn->move(m_startWidth - m_playWidth / 2, m_playY);
}

void QVEDualSlider::showPlayBtn(bool show)
{
    if (m_playBtn)
        m_playBtn->setVisible(show);
}

void QVEDualSlider::setStartValue(float percent)
{
    const float u = float(usableWidth());
    float start;
    if (percent <= float(m_minimum))
        start = 0;
    else if (u > 0 && percent >= m_end / u * 100.0f)
        start = m_end;
    else
        start = u * percent / 100.0f;
    m_start = std::max(std::min(start, m_end - 2.0f), 0.0f);
    if (m_startBtn)
        m_startBtn->move(int(m_start), m_handleRowY);
    update();
}

void QVEDualSlider::setEndValue(float percent)
{
    const float u = float(usableWidth());
    float end;
    if (percent >= float(m_maximum))
        end = u;
    else if (u > 0 && percent <= m_start / u * 100.0f)
        end = m_start;
    else
        end = u * percent / 100.0f;
    m_end = std::min(std::max(end, m_start + 2.0f), u);
    if (m_endBtn)
        m_endBtn->move(int(m_end) + m_margin, m_handleRowY);
    update();
}

void QVEDualSlider::movePlayHandle()
{
    if (m_playBtn)
        m_playBtn->move(int(m_play) + m_startWidth - m_playWidth / 2, m_playY);
}

void QVEDualSlider::setPlayValue(float percent, bool emitSignal)
{
    const float span = float(width() - m_startWidth - m_endWidth);
    if (percent >= float(m_maximum))
        m_play = span;
    else if (percent <= float(m_minimum))
        m_play = 0;
    else
        m_play = span * percent / 100.0f;
    movePlayHandle();
    if (emitSignal)
        emit sendPlayProValue(fraction(m_play));
}

void QVEDualSlider::showTipAtCursor(const QString &tip)
{
    if (!m_hovered)
        return;
    QToolTip::hideText();
    QToolTip::showText(QCursor::pos(), tip, this);
}

void QVEDualSlider::setStartBtnToolTip(const QString &tip)
{
    if (m_startBtn)
        m_startBtn->setToolTip(tip);
    showTipAtCursor(tip);
}

void QVEDualSlider::setEndBtnToolTip(const QString &tip)
{
    if (m_endBtn)
        m_endBtn->setToolTip(tip);
    showTipAtCursor(tip);
}

void QVEDualSlider::setBtnHide()
{
    m_hideHandles = true;
    if (m_startBtn)
        m_startBtn->hide();
}

void QVEDualSlider::setWidth(int width)
{
    resize(width, kMinimumHeight);
}

void QVEDualSlider::setValueRange(long long minimum, long long maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void QVEDualSlider::setValue(float value)
{
    if (value >= float(m_maximum)) {
        m_value = 100;
        m_start = float(width() - m_startWidth - m_endWidth);
    } else if (value <= float(m_minimum)) {
        m_value = 0;
        m_start = 0;
    } else {
        m_value = value;
        m_start = float(width() - m_startWidth) * (value - float(m_minimum))
                  / float(m_maximum - m_minimum);
    }
    if (m_startBtn)
        m_startBtn->move(std::max(int(m_start) - m_startWidth, 0), m_handleRowY);
    update();
}

float QVEDualSlider::getValue() const
{
    const int base = m_startBtn ? width() - 2 * m_margin : width();
    return base > 0 ? m_start * 100.0f / float(base) : 0.0f;
}

void QVEDualSlider::btnMouseMove(QMouseEvent *event, int pressX)
{
    setFocus();
    if (!m_dragEnabled || !m_startBtn)
        return;
    const int w = width();
    const int o = mapToGlobal(QPoint(0, 0)).x();
    const int x = pointerX(event) - pressX;
    const int right = m_endBtn ? m_endBtn->x() : w;
    const int hw = m_startBtn->width();
    if (x >= o + m_margin / 2 && x + hw <= o + right) {
        m_startBtn->move(x - o, m_handleRowY);
        m_start = float(x - o);
    } else if (x <= o + m_margin / 2) {
        m_startBtn->move(0, m_handleRowY);
        m_start = 0;
    } else {
        m_startBtn->move(right - hw, m_handleRowY);
        m_start = float(right - m_margin);
    }
    update();
    setPlayValue(fraction(m_start) * 100.0f, false);
    emit sendProgressValue(fraction(m_start));
    emit sendPlayProValue(fraction(m_play));
}

void QVEDualSlider::btnEndMouseMove(QMouseEvent *event, int pressX)
{
    setFocus();
    if (!m_dragEnabled || !m_endBtn)
        return;
    const int w = width();
    const int o = mapToGlobal(QPoint(0, 0)).x();
    const int x = pointerX(event) - pressX;
    const int left = m_startBtn ? m_startBtn->x() + m_startBtn->width() : 0;
    if (x <= o + left) {
        m_endBtn->move(left, m_handleRowY);
        m_end = float(left - m_margin);
    } else if (x + m_margin < o + w) {
        m_endBtn->move(x - o, m_handleRowY);
        m_end = float(x - o - 1 - m_margin);
    } else {
        m_endBtn->move(w - m_margin, m_handleRowY);
        m_end = float(usableWidth());
    }
    setPlayValue(fraction(m_end) * 100.0f, false);
    emit sendEndProgressValue(fraction(m_end));
    emit sendPlayProValue(fraction(m_play));
    update();
}

void QVEDualSlider::btnProMouseMove(QMouseEvent *event, int pressX)
{
    setFocus();
    if (!m_dragEnabled || !m_playBtn)
        return;
    const int w = width();
    const int o = mapToGlobal(QPoint(0, 0)).x();
    const int x = pointerX(event) - pressX;
    const int h = m_playWidth / 2;
    if (x <= o + m_startWidth - h) {
        m_playBtn->move(m_startWidth - h, m_playY);
        m_play = 0;
    } else if (x + m_margin < o + w - 1 - h) {
        m_playBtn->move(x - o, m_playY);
        m_play = float(x - o - h);
    } else {
        m_playBtn->move(w - 1 - h - m_endWidth, m_playY);
        m_play = float(w - m_startWidth - m_endWidth);
    }
    emit sendPlayProValue(fraction(m_play));
}

void QVEDualSlider::btnMousePress(QMouseEvent *, int)
{
    if (m_startBtn)
        m_lastPressStart = sender() == m_startBtn;
    emit emitMousePress();
}

void QVEDualSlider::btnMouseRelease(QMouseEvent *, int)
{
    emit emitmouseRelease();
}

void QVEDualSlider::movePlayToPointer(int g, bool fromPress)
{
    const int w = width();
    const int o = mapToGlobal(QPoint(0, 0)).x();
    const int h = m_playWidth / 2;
    const int rightLimit = o + w - 1 - h;
    if (g >= o + m_startWidth && g + m_margin < rightLimit) {
        m_playBtn->move(g - o - h, m_playY);
        m_play = float(g - o - m_startWidth);
    } else if (g <= o + (fromPress ? m_startWidth - h : m_startWidth)) {
        m_playBtn->move(m_startWidth - h, m_playY);
        m_play = 0;
    } else if (g + m_margin < rightLimit) {
        // Between the groove's end and its first usable pixel: unchanged.
    } else {
        m_playBtn->move(w - 1 - h - m_endWidth, m_playY);
        m_play = float(w - m_startWidth - m_endWidth);
    }
    emit sendPlayProValue(fraction(m_play));
}

void QVEDualSlider::mousePressEvent(QMouseEvent *event)
{
    emit emitMousePress();
    if (m_dragEnabled && m_playBtn)
        movePlayToPointer(pointerX(event), true);
}

void QVEDualSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::NoButton)
        return;
    if (m_dragEnabled && m_playBtn)
        movePlayToPointer(pointerX(event), false);
}

void QVEDualSlider::mouseReleaseEvent(QMouseEvent *)
{
    emit emitmouseRelease();
    if (m_startBtn)
        m_startBtn->setStateNormal();
}

void QVEDualSlider::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Left)
        emit emitPreviousFrame();
    else if (event->key() == Qt::Key_Right)
        emit emitNextFrame();
    else
        QWidget::keyPressEvent(event);
}

void QVEDualSlider::enterEvent(QEvent *event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    if (m_dragEnabled) {
        setCursor(Qt::PointingHandCursor);
        if (m_hideHandles && m_startBtn)
            m_startBtn->show();
    }
}

void QVEDualSlider::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    if (m_hideHandles && m_startBtn)
        m_startBtn->hide();
}

void QVEDualSlider::paintEvent(QPaintEvent *)
{
    // Drawn over the parent's background: clearing the area first would cut
    // a hole through it (to the desktop in a translucent window).
    QPainter p(this);
    if (m_groove.isNull() || m_range.isNull())
        return;
    const int w = width();
    const int gy = (height() - m_grooveHeight) / 2;
    const int gw = m_grooveWidth, gh = m_grooveHeight;

    if (!m_circle) {
        QBaseImageDraw::drawPixmap(p, QRect(m_startWidth, gy, w - m_startWidth - m_endWidth, gh),
                                   QRect(0, 0, gw, gh), m_groove);
        QBaseImageDraw::drawPixmap(p, QRect(m_startWidth, gy, int(m_start), gh),
                                   QRect(0, 0, m_range.width() / 2, m_range.height() / 2),
                                   m_range);
        if (m_showValue)
            p.drawText(QPoint(w / 2, 11), QStringLiteral("%1%").arg(int(m_value)));
        return;
    }

    if (!m_handleBg.isNull()) {
        const int bw = m_handleBg.width() / 2, bh = m_handleBg.height() / 2;
        QBaseImageDraw::drawPixmap(p, QRect(0, m_handleRowY, m_startWidth, bh),
                                   QRect(0, 0, std::min(m_startWidth, bw), bh), m_handleBg);
        const int ew = std::min(m_endWidth, bw);
        QBaseImageDraw::drawPixmap(p, QRect(w - m_endWidth, m_handleRowY, m_endWidth, bh),
                                   QRect(bw - ew, 0, ew, bh), m_handleBg);
    }
    const int cap = std::max(0, std::min(m_capLength, gw / 2));
    QBaseImageDraw::drawPixmap(p, QRect(m_startWidth, gy, cap, gh), QRect(0, 0, cap, gh), m_groove);
    QBaseImageDraw::drawPixmap(p, QRect(w - m_startWidth - cap, gy, cap, gh),
                               QRect(gw - cap, 0, cap, gh), m_groove);
    const int middle = w - 2 * m_startWidth - 2 * cap;
    if (middle > 0)
        QBaseImageDraw::drawPixmap(p, QRect(m_startWidth + cap, gy, middle, gh),
                                   QRect(cap, 0, std::max(1, gw - 2 * cap), gh), m_groove);
    paintRange(p, gy);
}

void QVEDualSlider::paintRange(QPainter &p, int gy)
{
    const int rw = m_range.width() / 2, rh = m_range.height() / 2;
    const int gh = m_grooveHeight;
    if (m_startBtn && m_endBtn) {
        const int from = m_startBtn->x() + m_startBtn->width();
        const int to = m_endBtn->x();
        if (to > from) {
            const int column = std::min(kRangeColumn, std::max(0, rw - 1));
            QBaseImageDraw::drawPixmap(p, QRect(from, gy, to - from, gh), QRect(column, 0, 1, rh),
                                       m_range);
        }
        return;
    }
    const int from = int(m_start) + m_margin;
    const int length = int(m_end) - int(m_start);
    if (length <= 0)
        return;
    const int cap = std::max(0, std::min(m_capLength, rw / 2));
    if (length <= 2 * cap) {
        const int left = length / 2, right = length - left;
        QBaseImageDraw::drawPixmap(p, QRect(from, gy, left, gh), QRect(0, 0, left, rh), m_range);
        QBaseImageDraw::drawPixmap(p, QRect(from + left, gy, right, gh),
                                   QRect(rw - right, 0, right, rh), m_range);
        return;
    }
    QBaseImageDraw::drawPixmap(p, QRect(from, gy, cap, gh), QRect(0, 0, cap, rh), m_range);
    QBaseImageDraw::drawPixmap(p, QRect(from + cap, gy, length - 2 * cap, gh),
                               QRect(cap, 0, std::max(1, rw - 2 * cap), rh), m_range);
    QBaseImageDraw::drawPixmap(p, QRect(from + length - cap, gy, cap, gh),
                               QRect(rw - cap, 0, cap, rh), m_range);
}
