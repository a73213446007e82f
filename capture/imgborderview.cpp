#include "capture/imgborderview.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kPiece = 6;
constexpr int kMidPiece = 16;
} // namespace

ImgItemView::ImgItemView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImgItemView::setItemImage(const QString &path)
{
    setImage(QImage(path));
}

void ImgItemView::setImage(const QImage &image)
{
    m_image = image;
    if (isVisible())
        update();
}

void ImgItemView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull() || !m_showBorder)
        return;
    QPainter p(this);
    const int W = width(), H = height(), w = m_image.width(), h = m_image.height();
    const int sx[3] = {0, (w - kPiece) / 2, w - kPiece};
    const int sy[3] = {0, (h - kPiece) / 2, h - kPiece};
    const int dx[3] = {0, (W - kPiece) / 2, W - kPiece};
    const int dy[3] = {0, (H - kPiece) / 2, H - kPiece};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (i == 1 && j == 1)
                continue;
            p.drawImage(QRect(dx[i], dy[j], kPiece, kPiece), m_image,
                        QRect(sx[i], sy[j], kPiece, kPiece));
        }
    }
    if (m_showMid)
        p.drawImage(QRect((W - kMidPiece) / 2, (H - kMidPiece) / 2, kMidPiece, kMidPiece), m_image,
                    QRect((w - kMidPiece) / 2, (h - kMidPiece) / 2, kMidPiece, kMidPiece));
    QPen pen(Qt::white, 2);
    pen.setDashPattern({1.5, 1.0});
    p.setPen(pen);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

ImgBorderView::ImgBorderView(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImgBorderView::setImage(const QImage &image)
{
    m_image = image;
    const QSize corner = NineGrid::cornerSize(image.size());
    setGridViewInfo(corner, corner, corner, corner);
}

void ImgBorderView::setBackgroundImage(const QString &path)
{
    setImage(QImage(path));
}

void ImgBorderView::setGridViewInfo(const QSize &upLeft, const QSize &upRight, const QSize &downLeft,
                                    const QSize &downRight)
{
    m_corners = {upLeft, upRight, downLeft, downRight};
    update();
}

void ImgBorderView::setItemRect(const QRect &rect)
{
    if (!m_item) {
        m_item = new ImgItemView(this);
        m_item->setItemImage(m_itemImage);
        m_item->show();
    }
    m_item->setGeometry(rect);
}

void ImgBorderView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter p(this);
    for (const NineGrid::Cell &cell : NineGrid::cells(m_image.size(), m_corners, rect()))
        p.drawImage(cell.target, m_image, cell.source);
}

// The owner lays its frame out in the window, whatever the view's offset in it.
QPointF ImgBorderView::inWindow(const QMouseEvent *event) const
{
    return QPointF(mapTo(window(), QPoint(0, 0))) + event->localPos();
}

void ImgBorderView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_move)
        m_move(inWindow(event), m_owner);
}

void ImgBorderView::mousePressEvent(QMouseEvent *event)
{
    if (m_down)
        m_down(inWindow(event), m_owner);
}

void ImgBorderView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_up)
        m_up(inWindow(event), m_owner);
}
