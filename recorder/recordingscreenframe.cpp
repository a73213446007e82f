#include "recorder/recordingscreenframe.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace RecordingScreenFrame {

QImage grab(const QRect &area, int scaleX, int scaleY, const QPixmap &watermark)
{
    QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                          ? QGuiApplication::primaryScreen()
                          : nullptr;
    if (!screen)
        return QImage();
    const QRect shown = area.isEmpty() ? QRect(QPoint(0, 0), screen->geometry().size()) : area;
    QImage frame = screen->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height())
                       .toImage()
                       .convertToFormat(QImage::Format_RGB32);
    if (frame.isNull())
        return frame;
    const QSize pixels(shown.width() * qMax(1, scaleX), shown.height() * qMax(1, scaleY));
    if (frame.size() != pixels)
        frame = frame.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    frame.setDevicePixelRatio(1.0);
    if (!watermark.isNull()) {
        QPainter painter(&frame);
        painter.drawPixmap(frame.rect(), watermark);
    }
    return frame;
}

} // namespace RecordingScreenFrame
