#include "widgetkit/views/qaudiowavewidget.h"

#include <QPainter>
#include <QPen>
#include <QRegion>

#include <algorithm>
#include <cstring>
#include <cmath>

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
    m_frameValid = false;
    update();
}

void QAudioWaveWidget::invalidateBackground()
{
    m_background = QImage();
    m_frameValid = false;
    // Until the picture is taken again, the widgets beneath paint themselves.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void QAudioWaveWidget::captureBackground()
{
    QWidget *top = window();
    const QRect area(mapTo(top, QPoint(0, 0)), size());
    if (area.isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    QImage picture((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    // The window as it is drawn, this widget left out.
    m_capturing = true;
    top->render(&picture, QPoint(), QRegion(area),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    m_capturing = false;
    m_background = picture;
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void QAudioWaveWidget::blockArrived()
{
    // The empty block clears the display: the last wave is not shown again.
    if (!m_dirty)
        m_frameValid = false;
    // A window moved to a screen of another pixel ratio needs a new picture.
    if (!m_background.isNull() && !qFuzzyCompare(m_background.devicePixelRatioF(), devicePixelRatioF()))
        invalidateBackground();
    // Never while painting: rendering the window is itself a paint.
    if (m_background.isNull() && isVisible())
        captureBackground();
}

void QAudioWaveWidget::resizeEvent(QResizeEvent *event)
{
    invalidateBackground();
    QAudioDataWidget::resizeEvent(event);
}

void QAudioWaveWidget::moveEvent(QMoveEvent *event)
{
    invalidateBackground();
    QAudioDataWidget::moveEvent(event);
}

void QAudioWaveWidget::showEvent(QShowEvent *event)
{
    invalidateBackground();
    QAudioDataWidget::showEvent(event);
}

void QAudioWaveWidget::hideEvent(QHideEvent *event)
{
    invalidateBackground();
    QAudioDataWidget::hideEvent(event);
}

void QAudioWaveWidget::paintEvent(QPaintEvent *)
{
    if (m_capturing)
        return;   // the picture beneath is being taken: the block waits
    if (!isVisible()) {
        m_dirty = false;
        return;
    }
    QPainter p(this);
    if (m_dirty && !m_background.isNull() && qFuzzyCompare(m_background.devicePixelRatioF(), 1.0)) {
        // Composed over a copy of the picture beneath, where the halo lines
        // are written as pixels, then put on screen in one copy.
        if (m_frame.size() != m_background.size() || m_frame.format() != m_background.format())
            m_frame = QImage(m_background.size(), m_background.format());
        std::memcpy(m_frame.bits(), m_background.constBits(), size_t(m_background.sizeInBytes()));
        {
            QPainter framePainter(&m_frame);
            drawWave(framePainter, &m_frame);
        }
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_frame);
        m_frameValid = true;
        m_dirty = false;
        return;
    }
    if (!m_dirty && m_frameValid && !m_background.isNull()) {
        // Uncovered, or grabbed, between two blocks: the last wave stays.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_frame);
        return;
    }
    if (!m_background.isNull()) {
        // A copy, not a blend: the picture is what belongs there.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_background);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (m_dirty)
        drawWave(p, nullptr);
    m_dirty = false;
}

// Fills pixel rectangles, moved down by dy rows, of an opaque colour straight
// into a picture of one pixel per unit (32 bits a pixel), cut to its bounds.
static void fillSpans(QImage &image, const QVector<QRect> &spans, int dy, QRgb colour)
{
    const QRect bounds = image.rect();
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const QRect &span : spans) {
        const QRect r = span.translated(0, dy) & bounds;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(bits + y * stride);
            std::fill(row + r.left(), row + r.right() + 1, colour);
        }
    }
}

// Adds the pixels a line of the given pen width covers between two points
// (a.x() < b.x()), one vertical span per pixel column: aliased, yet as thick
// across as the stroked line, however steep it runs.
static void addSegmentSpans(QVector<QRect> &spans, const QPointF &a, const QPointF &b, double halfWidth)
{
    const double dx = b.x() - a.x();
    const int x0 = static_cast<int>(std::floor(a.x()));
    const int x1 = static_cast<int>(std::floor(b.x()));
    if (dx <= 0 || x1 <= x0) {
        const int top = static_cast<int>(std::ceil(std::min(a.y(), b.y()) - halfWidth - 0.5));
        const int bottom = static_cast<int>(std::ceil(std::max(a.y(), b.y()) + halfWidth - 0.5)) - 1;
        if (bottom >= top)
            spans.append(QRect(x0, top, 1, bottom - top + 1));
        return;
    }
    const double slope = (b.y() - a.y()) / dx;
    // Half the pen width measured upright on a sloping line.
    const double reach = halfWidth * std::sqrt(1.0 + slope * slope);
    for (int x = x0; x < x1; ++x) {
        // Rows whose centres lie within the line's band at the column's centre
        // (its lower edge left out, so that a band of two rows covers two).
        const double y = a.y() + slope * (x + 0.5 - a.x());
        const int top = static_cast<int>(std::ceil(y - reach - 0.5));
        const int bottom = static_cast<int>(std::ceil(y + reach - 0.5)) - 1;
        if (bottom >= top)
            spans.append(QRect(x, top, 1, bottom - top + 1));
    }
}

// Adds the pixels an aliased one-pixel line between two points (a.x() <
// b.x()) covers: in each column the rows from where the line enters it to
// where it leaves, as the painter's own thin line has them. Runs along one
// row join into one rectangle, so a flat stretch is a single fill.
static void addThinLineSpans(QVector<QRect> &spans, const QPointF &a, const QPointF &b)
{
    // Where an aliased pen puts a coordinate: just under half a pixel on.
    constexpr double kAliasedDelta = 0.5 - 1.0 / 64;
    auto row = [](double y) {
        const double v = y + kAliasedDelta;
        const int i = static_cast<int>(v);
        return i - (v < i ? 1 : 0);
    };
    auto add = [&spans](int x, int top, int bottom) {
        if (top == bottom && !spans.isEmpty()) {
            QRect &last = spans.last();
            if (last.height() == 1 && last.top() == top && last.right() + 1 == x) {
                last.setRight(x);
                return;
            }
        }
        spans.append(QRect(x, top, 1, bottom - top + 1));
    };
    const int x0 = row(a.x());
    const int x1 = row(b.x());
    if (x1 <= x0) {
        add(x0, std::min(row(a.y()), row(b.y())), std::max(row(a.y()), row(b.y())));
        return;
    }
    const double slope = (b.y() - a.y()) / (b.x() - a.x());
    int leave = row(a.y());
    for (int x = x0; x < x1; ++x) {
        const int enter = leave;
        leave = row(a.y() + slope * (x + 1 - x0));
        // The row it leaves by belongs to the next column.
        if (leave > enter)
            add(x, enter, leave - 1);
        else if (leave < enter)
            add(x, leave + 1, enter);
        else
            add(x, enter, enter);
    }
}

void QAudioWaveWidget::drawWave(QPainter &p, QImage *direct)
{
    // Aliased on purpose: a stroked, smoothed line cost the GUI thread more
    // than recording and encoding the sound itself.
    p.setRenderHint(QPainter::Antialiasing, false);
    const double mid = height() * 0.5;
    const double top = m_drawRect.top();
    const double bottom = m_drawRect.bottom();
    // The point lists keep their room from block to block.
    m_upper.clear();
    m_lower.clear();
    m_outerUpper.clear();
    m_outerLower.clear();
    m_spans.clear();
    const double halfWidth = m_attr.barWidth * 0.5;
    for (int i = 0; i < m_barCount; i += kBarStride) {
        const int v = int(m_values[size_t(i)]);
        QPointF u, l;
        if (i == 0) {
            u = l = QPointF(0, mid);
        } else if (v == 0 || i >= m_barCount - kBarStride) {
            u = l = QPointF(m_attr.barWidth * i, mid);
        } else {
            const double x = m_attr.barWidth * i;
            const double a = double(m_attr.cellHeight) * v;
            if (i < kEdgeBarsLeft || i >= m_barCount - kEdgeBarsRight) {
                const double d = (a - mid) * 0.25;
                u = QPointF(x, bottom - d - mid);
                l = QPointF(x, top + d + mid);
            } else {
                u = QPointF(x, bottom - a);
                l = QPointF(x, top + a);
            }
            // The upright bar with its square caps, as wide as the pen.
            const double y0 = std::min(u.y(), l.y()) - halfWidth;
            const double y1 = std::max(u.y(), l.y()) + halfWidth;
            const int left = static_cast<int>(std::ceil(x - halfWidth - 0.5));
            const int right = static_cast<int>(std::ceil(x + halfWidth - 0.5)) - 1;
            const int rowTop = static_cast<int>(std::ceil(y0 - 0.5));
            const int rowBottom = static_cast<int>(std::ceil(y1 - 0.5)) - 1;
            if (right >= left && rowBottom >= rowTop)
                m_spans.append(QRect(left, rowTop, right - left + 1, rowBottom - rowTop + 1));
        }
        if (!m_upper.isEmpty()) {
            addSegmentSpans(m_spans, m_upper.last(), u, halfWidth);
            addSegmentSpans(m_spans, m_lower.last(), l, halfWidth);
        }
        m_upper.append(u);
        m_lower.append(l);
        m_outerUpper.append(u.y() <= mid ? u : l);
        m_outerLower.append(u.y() >= mid ? u : l);
    }
    if (m_upper.isEmpty())
        return;
    // The square cap past the last point.
    const QPointF end = m_upper.last();
    addSegmentSpans(m_spans, end, end + QPointF(halfWidth, 0), halfWidth);
    // All of the line in one call, each span a solid run of pixels.
    p.setPen(Qt::NoPen);
    p.setBrush(m_attr.barColor);
    p.drawRects(m_spans);
    const int halos = std::max(0, m_haloCount);
    if (halos == 0)
        return;
    // Halo k runs k + 1 pixels outside the wave; the extra half pixel puts an
    // aliased line on the row outside, not across the wave's edge. Each halo
    // is the first moved k rows out, so their pixels are found once; they are
    // written straight into the composed picture where there is one: twelve
    // stroked lines a block cost most of its paint.
    for (QVector<QRect> *halo : {&m_haloUpper, &m_haloLower}) {
        const QPolygonF &outer = halo == &m_haloUpper ? m_outerUpper : m_outerLower;
        const QPointF shift(0, halo == &m_haloUpper ? -1.5 : 1.5);
        halo->clear();
        for (int n = 1; n < outer.size(); ++n)
            addThinLineSpans(*halo, outer.at(n - 1) + shift, outer.at(n) + shift);
        addThinLineSpans(*halo, outer.last() + shift, outer.last() + shift);
    }
    for (int k = 0; k < halos; ++k) {
        const QColor colour(std::max(0, 120 - 8 * k), std::max(0, 80 - 2 * k), 62);
        if (direct) {
            fillSpans(*direct, m_haloUpper, -k, colour.rgb());
            fillSpans(*direct, m_haloLower, k, colour.rgb());
            continue;
        }
        p.setBrush(colour);
        for (int side : {-1, 1}) {
            p.translate(0, side * k);
            p.drawRects(side < 0 ? m_haloUpper : m_haloLower);
            p.translate(0, -side * k);
        }
    }
    p.setBrush(Qt::NoBrush);
}
