#pragma once
// The art manifests: one line per picture the program names, plus the glyphs
// that pictures draw. Every *.manifest file of the art folder is read; a path
// or glyph name defined twice is an error, so areas never overwrite each other.
//
//   glyph <name> stroke=<width>|fill <commands>
//       Commands in a 24 x 24 box: M x y, L x y, Q cx cy x y, C c1x c1y c2x c2y x y,
//       Z, O cx cy r (circle), R x y w h, P x y w h r (rounded rect),
//       A cx cy r start span (arc, degrees). Lines with the same name stack.
//   <path> <kind> <W>x<H> [key=value ...]
//       kind strip, panel, fill or icon; W x H in logical pixels (one frame of a strip).
//       single=<path> also writes the picture at single resolution to that path.

#include <QHash>
#include <QMap>
#include <QPainterPath>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

struct ArtGlyphLayer
{
    bool fill = false;
    double strokeWidth = 2.0;
    QPainterPath path;
};

struct ArtEntry
{
    QString path;   // under the resource folder, beginning with "/"
    QString kind;   // strip, panel, fill, icon
    QSize size;     // logical size (one frame for strips)
    QMap<QString, QString> options;
    QString origin; // file:line, for messages

    QString option(const QString &key, const QString &fallback = QString()) const
    {
        return options.value(key, fallback);
    }
    // Size of the PNG written for this entry, in image pixels.
    QSize pixelSize() const;
};

class ArtManifest
{
public:
    // Reads the files in the order given; false with a message on the first error.
    bool load(const QStringList &files, QString *error);
    bool parseText(const QString &text, const QString &fileName, QString *error);

    const QVector<ArtEntry> &entries() const { return m_entries; }
    const QHash<QString, QVector<ArtGlyphLayer>> &glyphs() const { return m_glyphs; }
    // Checks that every glyph an entry names exists.
    bool checkReferences(QString *error) const;

    static QStringList kinds();

private:
    bool parseGlyph(const QStringList &words, const QString &origin, QString *error);
    bool parseEntry(const QStringList &words, const QString &origin, QString *error);

    QVector<ArtEntry> m_entries;
    QHash<QString, QString> m_entryOrigin;
    QHash<QString, QVector<ArtGlyphLayer>> m_glyphs;
    QHash<QString, QString> m_glyphOrigin;
};

// Parses the glyph command language; false with a message on bad input.
bool parseGlyphPath(const QStringList &words, QPainterPath *path, QString *error);
