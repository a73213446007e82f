#include "media/watermarktextgeometry.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace WatermarkTextGeometry {

QSizeF fractionOfPicture(const WatermarkTextStyle &style, const QSize &picture)
{
    if (style.text.isEmpty() || picture.width() <= 0 || picture.height() <= 0
        || style.pixelSize <= 0 || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QSizeF(0, 0);
    QString family = style.family;
    if (family.startsWith(QLatin1Char('@')))
        family.remove(0, 1);
    QFont font(family);
    font.setPixelSize(style.pixelSize);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    const QSizeF text = QFontMetricsF(font).boundingRect(QRectF(), Qt::AlignLeft, style.text).size();
    return QSizeF(text.width() * style.scaleX / 100.0 / picture.width(),
                  text.height() * style.scaleY / 100.0 / picture.height());
}

} // namespace WatermarkTextGeometry
