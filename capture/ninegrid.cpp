#include "capture/ninegrid.h"

#include <algorithm>

namespace NineGrid {

QSize cornerSize(const QSize &image)
{
    return QSize(static_cast<int>(image.width() / 3.0 + 0.5), static_cast<int>(image.height() / 3.0 + 0.5));
}

QVector<Cell> cells(const QSize &img, const Corners &c, const QRect &b)
{
    const int iw = img.width(), ih = img.height();
    const int l = b.left(), t = b.top(), r = b.left() + b.width(), bt = b.top() + b.height();
    const QSize &tl = c.topLeft, &tr = c.topRight, &bl = c.bottomLeft, &br = c.bottomRight;
    const int topH = std::max(tl.height(), tr.height());
    const int bottomH = std::max(bl.height(), br.height());
    const int leftW = std::max(tl.width(), bl.width());
    const int rightW = std::max(tr.width(), br.width());

    QVector<Cell> out;
    const int topMidW = b.width() - tl.width() - tr.width();
    if (topMidW >= 1)
        out.append({QRect(tl.width(), 0, iw - tl.width() - tr.width(), topH),
                     QRect(l + tl.width(), t, topMidW, topH)});
    const int bottomMidW = b.width() - bl.width() - br.width();
    if (bottomMidW >= 1)
        out.append({QRect(bl.width(), ih - bottomH, iw - bl.width() - br.width(), bottomH),
                     QRect(l + bl.width(), bt - bottomH, bottomMidW, bottomH)});
    const int leftMidH = b.height() - tl.height() - bl.height();
    if (leftMidH >= 1)
        out.append({QRect(0, tl.height(), leftW, ih - tl.height() - bl.height()),
                     QRect(l, t + tl.height(), leftW, leftMidH)});
    const int rightMidH = b.height() - tr.height() - br.height();
    if (rightMidH >= 1)
        out.append({QRect(iw - rightW, tr.height(), rightW, ih - tr.height() - br.height()),
                     QRect(r - rightW, t + tr.height(), rightW, rightMidH)});
    const int midW = b.width() - leftW - rightW, midH = b.height() - topH - bottomH;
    if (midW >= 1 && midH >= 1)
        out.append({QRect(leftW, topH, iw - leftW - rightW, ih - topH - bottomH),
                     QRect(l + leftW, t + topH, midW, midH)});
    out.append({QRect(QPoint(0, 0), tl), QRect(QPoint(l, t), tl)});
    out.append({QRect(QPoint(iw - tr.width(), 0), tr), QRect(QPoint(r - tr.width(), t), tr)});
    out.append({QRect(QPoint(0, ih - bl.height()), bl), QRect(QPoint(l, bt - bl.height()), bl)});
    out.append({QRect(QPoint(iw - br.width(), ih - br.height()), br),
                QRect(QPoint(r - br.width(), bt - br.height()), br)});
    return out;
}

} // namespace NineGrid
