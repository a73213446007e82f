#include "capture/ninegrid.h"

namespace NineGrid {

QSize cornerSize(const QSize &image)
{
    return QSize(int(image.width() / 3.0 + 0.5), int(image.height() / 3.0 + 0.5));
}

QVector<Cell> cells(const QSize &img, const QSize &c, const QRect &b)
{
    const int iw = img.width(), ih = img.height(), cw = c.width(), ch = c.height();
    const int midW = b.width() - 2 * cw, midH = b.height() - 2 * ch;
    const int srcMidW = iw - 2 * cw, srcMidH = ih - 2 * ch;
    const int l = b.left(), t = b.top(), r = b.left() + b.width() - cw, bt = b.top() + b.height() - ch;

    QVector<Cell> out;
    out.append({QRect(0, 0, cw, ch), QRect(l, t, cw, ch)});
    out.append({QRect(iw - cw, 0, cw, ch), QRect(r, t, cw, ch)});
    out.append({QRect(0, ih - ch, cw, ch), QRect(l, bt, cw, ch)});
    out.append({QRect(iw - cw, ih - ch, cw, ch), QRect(r, bt, cw, ch)});
    if (midW >= 1) {
        out.append({QRect(cw, 0, srcMidW, ch), QRect(l + cw, t, midW, ch)});
        out.append({QRect(cw, ih - ch, srcMidW, ch), QRect(l + cw, bt, midW, ch)});
    }
    if (midH >= 1) {
        out.append({QRect(0, ch, cw, srcMidH), QRect(l, t + ch, cw, midH)});
        out.append({QRect(iw - cw, ch, cw, srcMidH), QRect(r, t + ch, cw, midH)});
    }
    if (midW >= 1 && midH >= 1)
        out.append({QRect(cw, ch, srcMidW, srcMidH), QRect(l + cw, t + ch, midW, midH)});
    return out;
}

} // namespace NineGrid
