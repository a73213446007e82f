#pragma once
// Test pictures with known colours, written into a temporary folder, so that
// sampled pixels tell which frame or picture a control drew.

#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

class QWidget;

class ControlArt
{
public:
    ControlArt();
    bool isValid() const;
    QString path(const QString &name) const;

    // A strip of frames side by side, each frameW x frameH image pixels, one colour each.
    QString strip(const QString &name, int frameW, int frameH, const QVector<QColor> &colors);
    // One picture of one colour.
    QString solid(const QString &name, int w, int h, const QColor &color);

private:
    QTemporaryDir m_dir;
};

// The widget as drawn, at one image pixel per logical pixel.
QImage grabImage(QWidget *widget);
// True when the two colours differ by at most tolerance on each channel.
bool near(const QColor &a, const QColor &b, int tolerance = 12);
