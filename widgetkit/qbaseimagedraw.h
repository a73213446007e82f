#pragma once
// Static drawing of double-resolution images: a part of an image into a
// rectangle, a control background as a stretched nine-piece, rounded outlines.
// Rectangles are logical pixels; one logical pixel is two image pixels.

#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QRect>

class QPainter;

class QBaseImageDraw
{
public:
    QBaseImageDraw() = default;

    // Draws the image part at 2x the logical source rectangle into target.
    // source in logical pixels of an image with `scale` pixels to each.
    static void drawImage(QPainter &painter, QRect target, QRect source, QImage &image, int scale = 2);
    static void drawPixmap(QPainter &painter, QRect target, QRect source, QPixmap &pixmap);
    // Control background: a nine-piece grid when grid is true, else the whole image stretched.
    static void drawBtnImageBg(QPainter &painter, QRect rect, QImage &image, bool grid);
    static QPainterPath GetRoundedRectanglePath(QRectF rect, double radius);

    // The frame of a four-frame strip (0 normal, 1 hover, 2 pressed, 3 disabled).
    static QImage stripFrame(const QImage &strip, int frame);

private:
    static void drawNinePiece(QPainter &painter, QRect rect, QImage &image);
};
