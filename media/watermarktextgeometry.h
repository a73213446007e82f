#pragma once
// Size of a text watermark as fractions of the picture it is drawn on: the
// text laid out in its font, pixel size and style (lines as written),
// stretched by its two scale percentages.

#include <QSize>
#include <QSizeF>
#include <QString>

struct WatermarkTextStyle
{
    QString text;
    QString family;      // a leading "@" (vertical variants) is dropped
    int pixelSize = 28;  // in picture pixels
    bool bold = false;
    bool italic = false;
    double scaleX = 100; // percent
    double scaleY = 100;
};

namespace WatermarkTextGeometry {

// 0 × 0 for an empty text, a picture without size, or no font machinery
// (no GUI application).
QSizeF fractionOfPicture(const WatermarkTextStyle &style, const QSize &picture);

} // namespace WatermarkTextGeometry
