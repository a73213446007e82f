#include "widgetkit/views/qaudiodatawidget.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kHeaderBytes = 44;
constexpr int kLengthOffset = 40;
// Producers above this rate hand out more samples than one display step needs.
constexpr int kDisplayRate = 16000;
constexpr int kSilenceDeviation = 10;

uint32_t readLe32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

bool TransData(unsigned short *samples, int count, unsigned int *values, int bars, int cells,
               bool deviationTest)
{
    if (bars < 1)
        return true;
    if (count < 1 || !samples) {
        std::fill(values, values + bars, 0u);
        return true;
    }
    bool silent = true;
    const int first = samples[0];
    for (int i = 0; i < bars; ++i) {
        // 64-bit: bar index × sample count exceeds 32 bits on long blocks.
        const int lo = int(int64_t(i) * count / bars);
        const int hi = int(std::min<int64_t>(int64_t(i + 1) * count / bars, count));
        int64_t avg;
        if (hi > lo) {
            int64_t sum = 0;
            for (int k = lo; k < hi; ++k) {
                sum += samples[k];
                if (deviationTest && std::abs(int(samples[k]) - first) > kSilenceDeviation)
                    silent = false;
            }
            avg = sum / (hi - lo);
        } else {
            avg = samples[lo];
            if (deviationTest && std::abs(int(samples[lo]) - first) > kSilenceDeviation)
                silent = false;
        }
        if (!deviationTest && avg > 0)
            silent = false;
        values[i] = cells >= 1 ? unsigned((avg * cells) >> 16) : unsigned(avg);
    }
    return silent;
}

QAudioDataWidget::QAudioDataWidget(QWidget *parent, AudioDataAttribute *attribute)
    : QWidget(parent)
{
    if (attribute)
        m_attr = *attribute;
    if (m_attr.drawMode == 1) {
        // The wave line steps by the bar width alone.
        m_attr.barSpacing = 0;
        m_attr.cellSpacing = 0;
    }
}

QAudioDataWidget::~QAudioDataWidget() = default;

void QAudioDataWidget::setAudioLogo(const QString &path)
{
    QPixmap logo(path);
    logo.setDevicePixelRatio(2);
    m_logo = logo;
    update();
}

void QAudioDataWidget::setBackgroundColor(const QColor &color)
{
    if (!color.isValid())
        return;
    m_background = color;
    update();
}

bool QAudioDataWidget::setAudioData(unsigned char *block, int rate)
{
    if (!block) {
        m_dirty = false;
        std::fill(m_peakLevels.begin(), m_peakLevels.end(), 0);
        std::fill(m_fallCounters.begin(), m_fallCounters.end(), 0);
        blockArrived();
        update();
        return true;
    }
    int64_t count = readLe32(block + kLengthOffset) >> 1;
    if (rate >= kDisplayRate)
        count = count * kDisplayRate / rate;
    count = std::min<int64_t>(count, INT32_MAX);
    auto *samples = reinterpret_cast<unsigned short *>(block + kHeaderBytes);
    const bool silent = TransData(samples, int(count), m_values.data(), m_barCount,
                                  m_cellsPerBar, m_attr.drawMode == 1);

    for (size_t i = 0; i < m_peakLevels.size(); ++i) {
        int &level = m_peakLevels[i];
        int &counter = m_fallCounters[i];
        if (level > 0) {
            if (m_attr.peakGravity != 0) {
                ++counter;
                level -= int(unsigned(counter * counter) >> 3);
            } else {
                level -= 1;
            }
        }
        int h = int(m_values[i]);
        if (h > 0)
            h = (m_attr.cellHeight + m_attr.cellSpacing) * h - m_attr.cellSpacing;
        if (h > level) {
            level = h;
            counter = 0;
        }
    }
    m_dirty = true;
    blockArrived();
    update();
    return silent;
}

void QAudioDataWidget::resetGeometry()
{
    m_drawRect = QRect(0, 0, width(), height());
    const int barStep = m_attr.barWidth + m_attr.barSpacing;
    const int cellStep = m_attr.cellHeight + m_attr.cellSpacing;
    m_barCount = barStep >= 1 ? std::max(0, (width() + m_attr.barSpacing) / barStep) : 0;
    m_cellsPerBar = cellStep >= 1 ? std::max(0, (height() + m_attr.cellSpacing) / cellStep) : 0;
    m_values.assign(size_t(m_barCount), 0u);
    if (m_attr.showPeak) {
        m_peakLevels.assign(size_t(m_barCount), 0);
        m_fallCounters.assign(size_t(m_barCount), 0);
    } else {
        m_peakLevels.clear();
        m_fallCounters.clear();
    }
}

void QAudioDataWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resetGeometry();
}

void QAudioDataWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    resetGeometry();
    repaint();
}

void QAudioDataWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
}

void QAudioDataWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    if (!m_logo.isNull()) {
        const int lw = m_logo.width() / 2, lh = m_logo.height() / 2;
        p.drawPixmap((width() - lw) / 2, (height() - lh) / 2, m_logo);
    }
    if (m_dirty) {
        const int bottom = m_drawRect.bottom();
        const int step = m_attr.barWidth + m_attr.barSpacing;
        QPainterPath line;
        for (int i = 0; i < m_barCount; ++i) {
            const int x = step * i;
            const int v = int(m_values[size_t(i)]);
            if (m_attr.drawMode == 0 && v > 0) {
                p.setRenderHint(QPainter::Antialiasing, true);
                for (int k = 0; k < v; ++k) {
                    const QRectF cell(x, bottom - m_attr.cellHeight
                                             - (m_attr.cellHeight + m_attr.cellSpacing) * k,
                                      m_attr.barWidth, m_attr.cellHeight);
                    p.fillPath(QBaseImageDraw::GetRoundedRectanglePath(cell, m_attr.cornerRadius),
                               m_attr.barColor);
                }
            } else if (m_attr.drawMode == 1) {
                const QPointF pt(m_attr.barWidth * i, bottom - m_attr.cellHeight * v);
                if (i == 0)
                    line.moveTo(pt);
                else
                    line.lineTo(pt);
            }
            if (m_attr.showPeak && m_peakLevels[size_t(i)] > 0) {
                const int y = bottom - m_peakLevels[size_t(i)] - 1;
                p.fillRect(QRect(QPoint(x, y), QPoint(x + m_attr.barWidth - 1, y)),
                           m_attr.peakColor);
            }
        }
        if (m_attr.drawMode == 1) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.strokePath(line, QPen(m_attr.barColor, m_attr.barWidth, Qt::SolidLine,
                                    Qt::SquareCap, Qt::BevelJoin));
        }
    }
    m_dirty = false;
}

AudioDataAttribute waveLineAttribute()
{
    AudioDataAttribute attribute;
    attribute.barWidth = 2;
    attribute.cellHeight = 1;
    attribute.barSpacing = 6;
    attribute.cellSpacing = 1;
    attribute.showPeak = false;
    attribute.peakGravity = 1;
    attribute.cornerRadius = 0.0;
    attribute.barColor = QColor(255, 132, 65);
    attribute.peakColor = QColor(14, 14, 14);
    attribute.drawMode = 1;
    return attribute;
}
