#include "controlart.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

ControlArt::ControlArt() = default;

bool ControlArt::isValid() const
{
    return m_dir.isValid();
}

QString ControlArt::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString ControlArt::strip(const QString &name, int frameW, int frameH,
                          const QVector<QColor> &colors)
{
    QImage image(frameW * colors.size(), frameH, QImage::Format_ARGB32);
    QPainter p(&image);
    for (int i = 0; i < colors.size(); ++i)
        p.fillRect(i * frameW, 0, frameW, frameH, colors[i]);
    p.end();
    const QString file = path(name);
    image.save(file, "PNG");
    return file;
}

QString ControlArt::solid(const QString &name, int w, int h, const QColor &color)
{
    return strip(name, w, h, {color});
}

QImage grabImage(QWidget *widget)
{
    QImage image = widget->grab().toImage();
    if (image.devicePixelRatio() != 1.0)
        image = image.scaled(widget->size());
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}
