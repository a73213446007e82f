#pragma once
// Draws one manifest entry into a double-resolution (or single-resolution) image, in the program's
// own look: charcoal surfaces, warm orange accent, light text-coloured glyphs.

#include "artmanifest.h"

#include <QColor>
#include <QImage>

class QPainter;

class ArtPainter
{
public:
    explicit ArtPainter(const ArtManifest &manifest) : m_manifest(manifest) {}

    // The picture of the entry with `scale` image pixels per logical pixel
    // (2 for the pictures the program names), or a null image with a message.
    QImage render(const ArtEntry &entry, QString *error, int scale = 2) const;

    // Palette names a strip may choose; each gives four looks (normal, hover, pressed, disabled).
    static QStringList paletteNames();

private:
    struct Look
    {
        QColor fill, border, ink;
    };
    bool stripLooks(const ArtEntry &entry, Look looks[4], QString *error) const;
    void drawStripFrame(QPainter &p, const ArtEntry &entry, const Look &look) const;
    void drawPanel(QPainter &p, const ArtEntry &entry) const;
    void drawFill(QPainter &p, const ArtEntry &entry) const;
    void drawIcon(QPainter &p, const ArtEntry &entry) const;
    void drawShape(QPainter &p, const ArtEntry &entry, const QRectF &rect, const QColor &fill,
                   const QColor &border, double defaultRadius) const;
    void drawGlyph(QPainter &p, const QString &name, const QRectF &frame, double scale,
                   const QColor &ink) const;

    const ArtManifest &m_manifest;
};

// Colours given as "#rrggbb" or "#aarrggbb"; lists of one or four separated by commas.
bool parseColourList(const QString &text, QVector<QColor> *colours);
