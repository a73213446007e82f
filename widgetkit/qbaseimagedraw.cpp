#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <algorithm>

void QBaseImageDraw::drawImage(QPainter &painter, QRect target, QRect source, QImage &image, int scale)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect pixels(scale * source.x(), scale * source.y(), scale * source.width(), scale * source.height());
    painter.drawImage(target, image, pixels);
}

void QBaseImageDraw::drawPixmap(QPainter &painter, QRect target, QRect source, QPixmap &pixmap)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect pixels(2 * source.x(), 2 * source.y(), 2 * source.width(), 2 * source.height());
    painter.drawPixmap(target, pixmap, pixels);
}

void QBaseImageDraw::drawBtnImageBg(QPainter &painter, QRect rect, QImage &image, bool grid)
{
    if (image.isNull())
        return;
    if (grid) {
        drawNinePiece(painter, rect, image);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int iw = image.width() / 2;
    const int ih = image.height() / 2;
    painter.drawImage(rect, image, QRect(0, 0, 2 * iw, 2 * ih));
}

void QBaseImageDraw::drawNinePiece(QPainter &painter, QRect rect, QImage &image)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int x = rect.x(), y = rect.y(), rw = rect.width(), rh = rect.height();
    const int iw = image.width() / 2;
    const int ih = image.height() / 2;
    // The corners never take more than a third of the image or of the target.
    const int cw = std::min(iw, rw) / 3;
    const int ch = std::min(ih, rh) / 3;

    auto piece = [&](int tx, int ty, int tw, int th, int sx, int sy, int sw, int sh) {
        painter.drawImage(QRect(tx, ty, tw, th), image, QRect(sx, sy, sw, sh));
    };
    piece(x, y, cw, ch, 0, 0, 2 * cw, 2 * ch);
    piece(x + rw - cw, y, cw, ch, 2 * (iw - cw), 0, 2 * cw, 2 * ch);
    if (rw - 2 * cw > 0)
        piece(x + cw, y, rw - 2 * cw, ch, 2 * cw, 0, 2 * (iw - 2 * cw), 2 * ch);
    piece(x, y + rh - ch, cw, ch, 0, 2 * (ih - ch), 2 * cw, 2 * ch);
    piece(x + rw - cw, y + rh - ch, cw, ch, 2 * (iw - cw), 2 * (ih - ch), 2 * cw, 2 * ch);
    if (rw - 2 * cw > 0)
        piece(x + cw, y + rh - ch, rw - 2 * cw, ch, 2 * cw, 2 * (ih - ch), 2 * (iw - 2 * cw), 2 * ch);
    if (rh - 2 * ch > 0) {
        piece(x, y + ch, cw, rh - 2 * ch, 0, 2 * ch, 2 * cw, 2 * (ih - 2 * ch));
        piece(x + rw - cw, y + ch, cw, rh - 2 * ch, 2 * (iw - cw), 2 * ch, 2 * cw, 2 * (ih - 2 * ch));
        if (ih - 2 * ch > 0)
            piece(x + cw, y + ch, rw - 2 * cw, rh - 2 * ch, 2 * cw, 2 * ch, 2 * (iw - 2 * cw),
                  2 * (ih - 2 * ch));
    }
}

QPainterPath QBaseImageDraw::GetRoundedRectanglePath(QRectF rect, double radius)
{
    const double left = rect.x(), top = rect.y();
    const double right = left + rect.width(), bottom = top + rect.height();
    const double r = std::min(double(int(std::min(rect.width(), rect.height())) / 2), radius);

    QPainterPath path;
    path.moveTo(right - r, top);
    path.lineTo(left + r, top);
    path.quadTo(left, top, left, top + r);
    path.lineTo(left, bottom - r);
    path.quadTo(left, bottom, left + r, bottom);
    path.lineTo(right - r, bottom);
    path.quadTo(right, bottom, right, bottom - r);
    path.lineTo(right, top + r);
    path.quadTo(right, top, right - r, top);
    return path;
}

QImage QBaseImageDraw::stripFrame(const QImage &strip, int frame)
{
    const int fw = strip.width() / 4;
    QImage copy = strip.copy(frame * fw, 0, fw, strip.height());
    copy.setDevicePixelRatio(2);
    return copy;
}
