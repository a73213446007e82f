#include "widgetkit/views/qmediadashedframe.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <QPen>

namespace {
constexpr int kHandle = 6;
constexpr int kMark = 16;
constexpr int kDelayMs = 50;
} // namespace

QMediaDashedFrame::QMediaDashedFrame(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    m_timer.setParent(this);
    connect(&m_timer, &QTimer::timeout, this, &QMediaDashedFrame::UpdateTimer);
}

void QMediaDashedFrame::setImage(const QString &path)
{
    QImage image(path);
    image.setDevicePixelRatio(2);
    m_image = image;
    update();
}

void QMediaDashedFrame::showCenterImage(bool show)
{
    m_showCenter = show;
    update();
}

void QMediaDashedFrame::setVisible(bool visible)
{
    if (!visible) {
        m_paintCount = 0;
        repaint();
    }
    QWidget::setVisible(visible);
}

void QMediaDashedFrame::UpdateTimer()
{
    ++m_paintCount;
    if (m_paintCount >= 2) {
        m_timer.stop();
        update();
    }
}

void QMediaDashedFrame::paintEvent(QPaintEvent *)
{
    if (m_paintCount == 0) {
        if (!m_timer.isActive())
            m_timer.start(kDelayMs);
        return;
    }
    if (m_image.isNull())
        return;
    QPainter p(this);
    drawFrame(p);
}

void QMediaDashedFrame::drawFrame(QPainter &p)
{
    const int w = width() - 1, h = height() - 1;
    const int iw = m_image.width() / 2, ih = m_image.height() / 2;
    const int midX = (w - 5) / 2, midY = (h - 5) / 2;
    const int imX = (iw - kHandle) / 2, imY = (ih - kHandle) / 2;
    auto handle = [&](int x, int y, int sx, int sy) {
        QBaseImageDraw::drawImage(p, QRect(x, y, kHandle, kHandle),
                                  QRect(sx, sy, kHandle, kHandle), m_image);
    };
    handle(0, 0, 0, 0);
    handle(midX, 0, imX, 0);
    handle(w - 5, 0, iw - kHandle, 0);
    handle(0, h - 5, 0, ih - kHandle);
    handle(midX, h - 5, imX, ih - kHandle);
    handle(w - 5, h - 5, iw - kHandle, ih - kHandle);
    handle(0, midY, 0, imY);
    handle(w - 5, midY, iw - kHandle, imY);
    if (m_showCenter)
        QBaseImageDraw::drawImage(p, QRect((w - 15) / 2, (h - 15) / 2, kMark, kMark),
                                  QRect((iw - kMark) / 2, (ih - kMark) / 2, kMark, kMark),
                                  m_image);

    p.setPen(QPen(Qt::white, 1, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    // Top and bottom edges, then left and right, each in two runs between
    // the handles; the far edges lie on the last row and column.
    for (int y : {0, h}) {
        p.drawLine(kHandle, y, midX, y);
        p.drawLine(midX + kHandle, y, w - 5, y);
    }
    for (int x : {0, w}) {
        p.drawLine(x, kHandle, x, midY);
        p.drawLine(x, midY + kHandle, x, h - 5);
    }
}
