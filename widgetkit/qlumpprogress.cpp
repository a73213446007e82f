#include "widgetkit/qlumpprogress.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <QPainterPath>

QLumpProgress::QLumpProgress(QWidget *parent)
    : QWidget(parent)
{
    initData();
    repaint();
}

void QLumpProgress::setOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    initData();
    repaint();
}

Qt::Orientation QLumpProgress::orientation() const
{
    return m_orientation;
}

void QLumpProgress::setBottomLumpColor(QColor color)
{
    m_bottomColor = color;
    repaint();
}

void QLumpProgress::setTopLumpColor(QColor color)
{
    m_topColor = color;
    repaint();
}

void QLumpProgress::setBottomImage(QString path)
{
    m_bottomImage = QImage(path);
    if (m_bottomImage.isNull())
        return;
    m_bottomImage.setDevicePixelRatio(2);
    initData();
    repaint();
}

void QLumpProgress::setTopImage(QString path)
{
    m_topImage = QImage(path);
    if (m_topImage.isNull())
        return;
    m_topImage.setDevicePixelRatio(2);
    initData();
    repaint();
}

void QLumpProgress::setLumpSpace(int space)
{
    m_lumpSpace = space;
    repaint();
}

void QLumpProgress::setRadius(int radius)
{
    const int thickness = m_orientation == Qt::Horizontal ? height() : width();
    m_radius = qMin(radius, qMin(thickness, m_lumpSize) / 2);
    repaint();
}

int QLumpProgress::radius() const
{
    return m_radius;
}

int QLumpProgress::lumpSize() const
{
    return m_lumpSize;
}

double QLumpProgress::value() const
{
    return m_value;
}

void QLumpProgress::setValue(double value)
{
    m_value = value;
    repaint();
}

void QLumpProgress::setValue(int percent)
{
    setValue(percent / 100.0);
}

bool QLumpProgress::hasPictures() const
{
    return !m_bottomImage.isNull() && !m_topImage.isNull();
}

void QLumpProgress::initData()
{
    if (!hasPictures())
        return;
    if (m_orientation == Qt::Horizontal) {
        m_lumpSize = qMax(m_bottomImage.width() / 2, m_topImage.width() / 2);
        setFixedHeight(qMax(m_bottomImage.height() / 2, m_topImage.height() / 2));
    } else {
        m_lumpSize = qMax(m_bottomImage.height() / 2, m_topImage.height() / 2);
        setFixedWidth(qMax(m_bottomImage.width() / 2, m_topImage.width() / 2));
    }
}

int QLumpProgress::lumpCount() const
{
    const int pitch = m_lumpSize + m_lumpSpace;
    if (pitch <= 0)
        return 0;
    return (m_orientation == Qt::Vertical ? height() : width()) / pitch;
}

int QLumpProgress::litCount() const
{
    const int pitch = m_lumpSize + m_lumpSpace;
    if (pitch <= 0)
        return 0;
    if (m_orientation == Qt::Vertical)
        return int(height() * m_value / pitch);
    const double lumps = width() * m_value / pitch;
    int lit = int(lumps);
    if (lumps > m_lumpSize / 2)
        ++lit;
    return lit;
}

void QLumpProgress::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    repaint();
}

void QLumpProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_orientation == Qt::Vertical)
        paintVertical(painter);
    else
        paintHorizontal(painter);
}

void QLumpProgress::drawLump(QPainter &painter, const QRect &rect, bool lit)
{
    if (hasPictures()) {
        QImage &image = lit ? m_topImage : m_bottomImage;
        QBaseImageDraw::drawImage(painter, rect,
                                  QRect(0, 0, image.width() / 2, image.height() / 2), image);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(lit ? m_topColor : m_bottomColor);
    painter.drawPath(QBaseImageDraw::GetRoundedRectanglePath(QRectF(rect), m_radius));
}

void QLumpProgress::paintHorizontal(QPainter &painter)
{
    const int pitch = m_lumpSize + m_lumpSpace;
    const int n = lumpCount();
    for (int i = 0; i < n; ++i)
        drawLump(painter, QRect(i * pitch, 0, m_lumpSize, height()), false);
    // Lit lumps past the end fall outside the widget and are clipped.
    const int m = qMin(litCount(), n + 1);
    for (int i = 0; i < m; ++i)
        drawLump(painter, QRect(i * pitch, 0, m_lumpSize, height()), true);
}

void QLumpProgress::paintVertical(QPainter &painter)
{
    const int pitch = m_lumpSize + m_lumpSpace;
    const int n = lumpCount();
    const int h = height();
    for (int i = 0; i < n; ++i)
        drawLump(painter, QRect(0, h - m_lumpSize - i * pitch, width(), m_lumpSize), false);
    const int m = qMin(litCount(), n + 1);
    for (int i = 0; i < m; ++i)
        drawLump(painter, QRect(0, h - m_lumpSize - i * pitch, width(), m_lumpSize), true);
}
