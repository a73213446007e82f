#include "widgetkit/views/qaudiowavewidget.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <vector>

namespace {
// Bars near either end are flattened towards the centre line.
constexpr int kEdgeBarsLeft = 12;
constexpr int kEdgeBarsRight = 13;
constexpr int kBarStride = 3;
} // namespace

QAudioWaveWidget::QAudioWaveWidget(QWidget *parent, AudioDataAttribute *attribute)
    : QAudioDataWidget(parent, attribute)
{
}

void QAudioWaveWidget::SetHaloHeight(int haloCount, int second)
{
    m_haloCount = haloCount;
    m_haloSecond = second;
    update();
}

void QAudioWaveWidget::paintEvent(QPaintEvent *)
{
    if (!isVisible()) {
        m_dirty = false;
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (m_dirty) {
        const double mid = height() * 0.5;
        const double top = m_drawRect.top();
        const double bottom = m_drawRect.bottom();
        const int halos = std::max(0, m_haloCount);
        QPainterPath upper, lower;
        std::vector<QPainterPath> upperHalo(static_cast<size_t>(halos));
        std::vector<QPainterPath> lowerHalo(static_cast<size_t>(halos));
        const QPen pen(m_attr.barColor, m_attr.barWidth, Qt::SolidLine, Qt::SquareCap,
                       Qt::BevelJoin);

        for (int i = 0; i < m_barCount; i += kBarStride) {
            p.setPen(pen);
            const int v = int(m_values[size_t(i)]);
            QPointF u, l;
            if (i == 0) {
                u = l = QPointF(0, mid);
                upper.moveTo(u);
                lower.moveTo(l);
                for (int k = 0; k < halos; ++k) {
                    upperHalo[size_t(k)].moveTo(0, mid - k - 1);
                    lowerHalo[size_t(k)].moveTo(0, mid + k + 1);
                }
                continue;
            }
            const double x = m_attr.barWidth * i;
            if (v == 0 || i >= m_barCount - kBarStride) {
                u = l = QPointF(x, mid);
            } else {
                const double a = double(m_attr.cellHeight) * v;
                if (i < kEdgeBarsLeft || i >= m_barCount - kEdgeBarsRight) {
                    const double d = (a - mid) * 0.25;
                    u = QPointF(x, bottom - d - mid);
                    l = QPointF(x, top + d + mid);
                } else {
                    u = QPointF(x, bottom - a);
                    l = QPointF(x, top + a);
                }
                p.drawLine(u, l);
            }
            upper.lineTo(u);
            lower.lineTo(l);
            const QPointF outerUpper = u.y() <= mid ? u : l;
            const QPointF outerLower = u.y() >= mid ? u : l;
            for (int k = 0; k < halos; ++k) {
                upperHalo[size_t(k)].lineTo(outerUpper.x(), outerUpper.y() - k - 1);
                lowerHalo[size_t(k)].lineTo(outerLower.x(), outerLower.y() + k + 1);
            }
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(pen);
        p.drawPath(upper);
        p.drawPath(lower);
        for (int k = 0; k < halos; ++k) {
            p.setPen(QPen(QColor(std::max(0, 120 - 8 * k), std::max(0, 80 - 2 * k), 62), 1));
            p.drawPath(upperHalo[size_t(k)]);
            p.drawPath(lowerHalo[size_t(k)]);
        }
    }
    m_dirty = false;
}
