#include "artpainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace {

// The program's colours.
const QColor kPage(44, 44, 44);
const QColor kAccent(255, 132, 65);
const QColor kAccentDeep(214, 100, 40);
const QColor kText(250, 237, 237);
const QColor kMuted(131, 127, 127);

struct PaletteDef
{
    const char *name;
    QColor fill[4], border[4], ink[4];
};

const QColor kNone(0, 0, 0, 0);

const PaletteDef kPalettes[] = {
    // Round title-band buttons: quiet grey discs that light up in the accent.
    {"title",
     {QColor(78, 76, 76), kAccent, kAccentDeep, QColor(62, 60, 60)},
     {kNone, kNone, kNone, kNone},
     {QColor(214, 204, 204), QColor(44, 36, 32), QColor(30, 24, 20), QColor(104, 100, 100)}},
    // Text buttons: raised charcoal with an accent rim on hover.
    {"button",
     {QColor(66, 64, 64), QColor(74, 70, 68), QColor(38, 37, 37), QColor(54, 53, 53)},
     {QColor(98, 95, 95), kAccent, kAccentDeep, QColor(70, 68, 68)},
     {kText, kAccent, kAccentDeep, kMuted}},
    // Bare glyphs on the page: only the glyph changes colour.
    {"ghost",
     {kNone, kNone, kNone, kNone},
     {kNone, kNone, kNone, kNone},
     {QColor(214, 204, 204), kAccent, kAccentDeep, QColor(96, 92, 92)}},
    // The main action: filled in the accent.
    {"accent",
     {kAccent, QColor(255, 158, 104), kAccentDeep, QColor(92, 80, 74)},
     {kNone, kNone, kNone, kNone},
     {QColor(36, 30, 28), QColor(36, 30, 28), QColor(24, 20, 18), QColor(140, 132, 128)}},
    // A switched-on toggle: accent glyph on a dark well.
    {"toggle",
     {QColor(34, 33, 33), QColor(40, 38, 38), QColor(28, 27, 27), QColor(40, 39, 39)},
     {kAccentDeep, kAccent, kAccentDeep, QColor(64, 62, 62)},
     {kAccent, QColor(255, 158, 104), kAccentDeep, QColor(104, 100, 100)}},
};

const PaletteDef *findPalette(const QString &name)
{
    for (const PaletteDef &def : kPalettes)
        if (name == QLatin1String(def.name))
            return &def;
    return nullptr;
}

double numberOption(const ArtEntry &entry, const char *key, double fallback)
{
    bool ok = false;
    const double v = entry.option(QLatin1String(key)).toDouble(&ok);
    return ok ? v : fallback;
}

QColor colourOption(const ArtEntry &entry, const char *key, const QColor &fallback)
{
    QVector<QColor> colours;
    if (!parseColourList(entry.option(QLatin1String(key)), &colours) || colours.isEmpty())
        return fallback;
    return colours.first();
}

} // namespace

bool parseColourList(const QString &text, QVector<QColor> *colours)
{
    colours->clear();
    if (text.isEmpty())
        return true;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        if (part == QLatin1String("none")) {
            colours->append(kNone);
            continue;
        }
        const QColor c(part);
        if (!part.startsWith(QLatin1Char('#')) || !c.isValid())
            return false;
        colours->append(c);
    }
    return colours->size() == 1 || colours->size() == 4;
}

QStringList ArtPainter::paletteNames()
{
    QStringList names;
    for (const PaletteDef &def : kPalettes)
        names << QLatin1String(def.name);
    return names;
}

QImage ArtPainter::render(const ArtEntry &entry, QString *error, int scale) const
{
    for (const char *key : {"fill", "border", "ink", "color", "color2", "disc", "bandfill",
                            "bottomfill", "line"}) {
        QVector<QColor> colours;
        if (!parseColourList(entry.option(QLatin1String(key)), &colours)) {
            *error = entry.origin + QStringLiteral(": bad colour list %1=%2")
                                        .arg(QLatin1String(key), entry.option(QLatin1String(key)));
            return QImage();
        }
    }
    Look looks[4];
    if (entry.kind == QLatin1String("strip") && !stripLooks(entry, looks, error))
        return QImage();

    QImage image(entry.pixelSize() * scale / 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    if (entry.kind == QLatin1String("strip")) {
        for (int k = 0; k < 4; ++k) {
            p.save();
            p.translate(k * entry.size.width(), 0);
            drawStripFrame(p, entry, looks[k]);
            p.restore();
        }
    } else if (entry.kind == QLatin1String("panel")) {
        drawPanel(p, entry);
    } else if (entry.kind == QLatin1String("fill")) {
        drawFill(p, entry);
    } else {
        drawIcon(p, entry);
    }
    p.end();
    image.setDevicePixelRatio(2);
    return image;
}

bool ArtPainter::stripLooks(const ArtEntry &entry, Look looks[4], QString *error) const
{
    const QString name = entry.option(QStringLiteral("palette"), QStringLiteral("button"));
    const PaletteDef *def = findPalette(name);
    if (!def) {
        *error = entry.origin + QStringLiteral(": unknown palette \"%1\" (%2)")
                                    .arg(name, paletteNames().join(QLatin1String(", ")));
        return false;
    }
    for (int k = 0; k < 4; ++k)
        looks[k] = {def->fill[k], def->border[k], def->ink[k]};
    // Manifest colours replace the palette's, one colour for all states or four.
    auto override = [&](const char *key, QColor Look::*member) {
        QVector<QColor> colours;
        parseColourList(entry.option(QLatin1String(key)), &colours);
        for (int k = 0; k < 4 && !colours.isEmpty(); ++k)
            looks[k].*member = colours.size() == 4 ? colours[k] : colours[0];
    };
    override("fill", &Look::fill);
    override("border", &Look::border);
    override("ink", &Look::ink);
    return true;
}

void ArtPainter::drawShape(QPainter &p, const ArtEntry &entry, const QRectF &rect,
                           const QColor &fill, const QColor &border, double defaultRadius) const
{
    const QString shape = entry.option(QStringLiteral("shape"), QStringLiteral("round"));
    if (shape == QLatin1String("none") || (fill.alpha() == 0 && border.alpha() == 0))
        return;
    const double radius = numberOption(entry, "radius", defaultRadius);
    QRectF r = rect;
    if (border.alpha() > 0)
        r.adjust(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    if (shape == QLatin1String("circle")) {
        const double d = std::min(r.width(), r.height());
        path.addEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else if (shape == QLatin1String("rect")) {
        path.addRect(r);
    } else {
        path.addRoundedRect(r, radius, radius);
    }
    if (fill.alpha() > 0) {
        // A faint top light gives the surfaces some depth.
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, fill.lighter(112));
        g.setColorAt(1, fill);
        p.fillPath(path, g);
    }
    if (border.alpha() > 0) {
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void ArtPainter::drawStripFrame(QPainter &p, const ArtEntry &entry, const Look &look) const
{
    const QRectF frame(0, 0, entry.size.width(), entry.size.height());
    drawShape(p, entry, frame, look.fill, look.border, 4);
    const QString glyph = entry.option(QStringLiteral("glyph"));
    if (!glyph.isEmpty())
        drawGlyph(p, glyph, frame, numberOption(entry, "scale", 0.6), look.ink);
}

void ArtPainter::drawPanel(QPainter &p, const ArtEntry &entry) const
{
    const double shadow = numberOption(entry, "shadow", 0);
    const double radius = numberOption(entry, "radius", 6);
    const QRectF all(0, 0, entry.size.width(), entry.size.height());
    // A soft shadow fading outwards through the transparent band.
    for (int i = 0; i < int(shadow); ++i) {
        const QRectF r = all.adjusted(i, i, -i, -i);
        const int alpha = 6 + 40 * (i + 1) / int(shadow) / int(shadow);
        QPainterPath ring;
        ring.addRoundedRect(r, radius + shadow - i, radius + shadow - i);
        p.fillPath(ring, QColor(0, 0, 0, alpha));
    }
    const QRectF body = all.adjusted(shadow, shadow, -shadow, -shadow);
    QPainterPath bodyPath;
    bodyPath.addRoundedRect(body, radius, radius);
    p.fillPath(bodyPath, colourOption(entry, "fill", kPage));

    p.save();
    p.setClipPath(bodyPath);
    const double band = numberOption(entry, "band", 0);
    if (band > 0) {
        const QRectF top(body.left(), body.top(), body.width(), band);
        QLinearGradient g(top.topLeft(), top.bottomLeft());
        const QColor c = colourOption(entry, "bandfill", QColor(56, 54, 54));
        g.setColorAt(0, c.lighter(115));
        g.setColorAt(1, c);
        p.fillRect(top, g);
        p.fillRect(QRectF(body.left(), top.bottom() - 1, body.width(), 1),
                   colourOption(entry, "line", QColor(255, 132, 65, 110)));
    }
    const double bottom = numberOption(entry, "bottom", 0);
    if (bottom > 0) {
        const QRectF foot(body.left(), body.bottom() - bottom, body.width(), bottom);
        p.fillRect(foot, colourOption(entry, "bottomfill", QColor(36, 35, 35)));
        p.fillRect(QRectF(foot.left(), foot.top(), foot.width(), 1), QColor(64, 62, 62));
    }
    p.restore();
    p.setPen(QPen(colourOption(entry, "border", QColor(74, 72, 72)), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void ArtPainter::drawFill(QPainter &p, const ArtEntry &entry) const
{
    const QRectF all(0, 0, entry.size.width(), entry.size.height());
    const QColor c1 = colourOption(entry, "color", kPage);
    const QColor c2 = colourOption(entry, "color2", c1);
    const bool horizontal = entry.option(QStringLiteral("direction")) == QLatin1String("h");
    QLinearGradient g(all.topLeft(), horizontal ? all.topRight() : all.bottomLeft());
    g.setColorAt(0, c1);
    g.setColorAt(1, c2);
    const double radius = numberOption(entry, "radius", 0);
    QPainterPath path;
    QRectF r = all;
    const QColor border = colourOption(entry, "border", kNone);
    if (border.alpha() > 0)
        r.adjust(0.5, 0.5, -0.5, -0.5);
    if (radius > 0)
        path.addRoundedRect(r, radius, radius);
    else
        path.addRect(r);
    p.fillPath(path, g);
    if (border.alpha() > 0) {
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    const QString glyph = entry.option(QStringLiteral("glyph"));
    if (!glyph.isEmpty())
        drawGlyph(p, glyph, all, numberOption(entry, "scale", 0.6),
                  colourOption(entry, "ink", kText));
}

void ArtPainter::drawIcon(QPainter &p, const ArtEntry &entry) const
{
    const QRectF all(0, 0, entry.size.width(), entry.size.height());
    const QColor disc = colourOption(entry, "disc", kNone);
    if (disc.alpha() > 0) {
        const double d = std::min(all.width(), all.height());
        p.setPen(Qt::NoPen);
        p.setBrush(disc);
        p.drawEllipse(QRectF(all.center().x() - d / 2, all.center().y() - d / 2, d, d));
    }
    drawGlyph(p, entry.option(QStringLiteral("glyph")), all, numberOption(entry, "scale", 0.8),
              colourOption(entry, "ink", kText));
}

void ArtPainter::drawGlyph(QPainter &p, const QString &name, const QRectF &frame, double scale,
                           const QColor &ink) const
{
    const auto layers = m_manifest.glyphs().value(name);
    if (layers.isEmpty() || ink.alpha() == 0)
        return;
    const double side = std::min(frame.width(), frame.height()) * scale;
    p.save();
    p.translate(frame.center().x() - side / 2, frame.center().y() - side / 2);
    p.scale(side / 24.0, side / 24.0);
    for (const ArtGlyphLayer &layer : layers) {
        if (layer.fill) {
            p.fillPath(layer.path, ink);
        } else {
            p.setPen(QPen(ink, layer.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(layer.path);
        }
    }
    p.restore();
}
