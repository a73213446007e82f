#include "artmanifest.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

QSize ArtEntry::pixelSize() const
{
    const int frames = kind == QLatin1String("strip") ? 4 : 1;
    return QSize(size.width() * 2 * frames, size.height() * 2);
}

QStringList ArtManifest::kinds()
{
    return {QStringLiteral("strip"), QStringLiteral("panel"), QStringLiteral("fill"),
            QStringLiteral("icon")};
}

bool ArtManifest::load(const QStringList &files, QString *error)
{
    for (const QString &name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            *error = QStringLiteral("%1: cannot read: %2").arg(name, file.errorString());
            return false;
        }
        if (!parseText(QString::fromUtf8(file.readAll()), QFileInfo(name).fileName(), error))
            return false;
    }
    return checkReferences(error);
}

bool ArtManifest::parseText(const QString &text, const QString &fileName, QString *error)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        const int hash = line.indexOf(QLatin1Char('#'));
        // "#" starts a comment only at the start of a word, colours keep theirs.
        if (hash == 0 || (hash > 0 && line.at(hash - 1).isSpace()))
            line.truncate(hash);
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")),
                                             Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString origin = QStringLiteral("%1:%2").arg(fileName).arg(i + 1);
        const bool ok = words.first() == QLatin1String("glyph")
                            ? parseGlyph(words, origin, error)
                            : parseEntry(words, origin, error);
        if (!ok)
            return false;
    }
    return true;
}

bool ArtManifest::parseGlyph(const QStringList &words, const QString &origin, QString *error)
{
    if (words.size() < 4) {
        *error = origin + QStringLiteral(": glyph needs a name, a style and commands");
        return false;
    }
    const QString name = words.at(1);
    const QString previous = m_glyphOrigin.value(name);
    // Layers of one glyph stack only within the file that defines it.
    if (!previous.isEmpty() && previous.section(QLatin1Char(':'), 0, 0)
                                   != origin.section(QLatin1Char(':'), 0, 0)) {
        *error = QStringLiteral("%1: glyph \"%2\" is already defined at %3")
                     .arg(origin, name, previous);
        return false;
    }
    ArtGlyphLayer layer;
    const QString style = words.at(2);
    if (style == QLatin1String("fill")) {
        layer.fill = true;
    } else if (style.startsWith(QLatin1String("stroke="))) {
        bool ok = false;
        layer.strokeWidth = style.mid(7).toDouble(&ok);
        if (!ok || layer.strokeWidth <= 0) {
            *error = origin + QStringLiteral(": bad stroke width \"%1\"").arg(style);
            return false;
        }
    } else {
        *error = origin + QStringLiteral(": style must be fill or stroke=<width>, not \"%1\"").arg(style);
        return false;
    }
    QString pathError;
    if (!parseGlyphPath(words.mid(3), &layer.path, &pathError)) {
        *error = origin + QStringLiteral(": ") + pathError;
        return false;
    }
    m_glyphs[name].append(layer);
    m_glyphOrigin.insert(name, origin);
    return true;
}

bool ArtManifest::parseEntry(const QStringList &words, const QString &origin, QString *error)
{
    if (words.size() < 3) {
        *error = origin + QStringLiteral(": expected <path> <kind> <W>x<H>");
        return false;
    }
    ArtEntry entry;
    entry.path = words.at(0);
    entry.kind = words.at(1);
    entry.origin = origin;
    const auto goodPath = [&origin, error](const QString &path) {
        if (path.startsWith(QLatin1Char('/')) && path.endsWith(QLatin1String(".png"))
            && !path.contains(QLatin1String("..")))
            return true;
        *error = origin + QStringLiteral(": \"%1\" is not a /folder/name.png path").arg(path);
        return false;
    };
    if (!goodPath(entry.path))
        return false;
    if (!kinds().contains(entry.kind)) {
        *error = origin + QStringLiteral(": unknown kind \"%1\" (%2)")
                              .arg(entry.kind, kinds().join(QLatin1String(", ")));
        return false;
    }
    static const QRegularExpression sizeRe(QStringLiteral("^(\\d+)x(\\d+)$"));
    const auto match = sizeRe.match(words.at(2));
    if (!match.hasMatch() || match.captured(1).toInt() <= 0 || match.captured(2).toInt() <= 0) {
        *error = origin + QStringLiteral(": bad size \"%1\"").arg(words.at(2));
        return false;
    }
    entry.size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    for (const QString &word : words.mid(3)) {
        const int eq = word.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            *error = origin + QStringLiteral(": expected key=value, not \"%1\"").arg(word);
            return false;
        }
        entry.options.insert(word.left(eq), word.mid(eq + 1));
    }
    // The single-resolution copy is a picture of its own: named once, like any.
    QStringList paths{entry.path};
    if (entry.options.contains(QStringLiteral("single")))
        paths << entry.option(QStringLiteral("single"));
    for (const QString &path : paths) {
        if (!goodPath(path))
            return false;
        const QString previous = m_entryOrigin.value(path);
        if (!previous.isEmpty()) {
            *error = QStringLiteral("%1: \"%2\" is already drawn by %3").arg(origin, path, previous);
            return false;
        }
        m_entryOrigin.insert(path, origin);
    }
    m_entries.append(entry);
    return true;
}

bool ArtManifest::checkReferences(QString *error) const
{
    for (const ArtEntry &entry : m_entries) {
        const QString glyph = entry.option(QStringLiteral("glyph"));
        if (!glyph.isEmpty() && !m_glyphs.contains(glyph)) {
            *error = entry.origin + QStringLiteral(": unknown glyph \"%1\"").arg(glyph);
            return false;
        }
    }
    return true;
}

bool parseGlyphPath(const QStringList &words, QPainterPath *path, QString *error)
{
    static const QHash<QString, int> arity = {
        {QStringLiteral("M"), 2}, {QStringLiteral("L"), 2}, {QStringLiteral("Q"), 4},
        {QStringLiteral("C"), 6}, {QStringLiteral("Z"), 0}, {QStringLiteral("O"), 3},
        {QStringLiteral("R"), 4}, {QStringLiteral("P"), 5}, {QStringLiteral("A"), 5}};
    int i = 0;
    while (i < words.size()) {
        const QString command = words.at(i++);
        if (!arity.contains(command)) {
            *error = QStringLiteral("unknown command \"%1\"").arg(command);
            return false;
        }
        const int n = arity.value(command);
        if (i + n > words.size()) {
            *error = QStringLiteral("command %1 needs %2 numbers").arg(command).arg(n);
            return false;
        }
        double v[6] = {};
        for (int k = 0; k < n; ++k) {
            bool ok = false;
            v[k] = words.at(i + k).toDouble(&ok);
            if (!ok) {
                *error = QStringLiteral("\"%1\" is not a number").arg(words.at(i + k));
                return false;
            }
        }
        i += n;
        switch (command.at(0).toLatin1()) {
        case 'M': path->moveTo(v[0], v[1]); break;
        case 'L': path->lineTo(v[0], v[1]); break;
        case 'Q': path->quadTo(v[0], v[1], v[2], v[3]); break;
        case 'C': path->cubicTo(v[0], v[1], v[2], v[3], v[4], v[5]); break;
        case 'Z': path->closeSubpath(); break;
        case 'O': path->addEllipse(QPointF(v[0], v[1]), v[2], v[2]); break;
        case 'R': path->addRect(v[0], v[1], v[2], v[3]); break;
        case 'P': path->addRoundedRect(v[0], v[1], v[2], v[3], v[4], v[4]); break;
        case 'A': {
            const QRectF box(v[0] - v[2], v[1] - v[2], 2 * v[2], 2 * v[2]);
            path->arcMoveTo(box, v[3]);
            path->arcTo(box, v[3], v[4]);
            break;
        }
        }
    }
    if (path->isEmpty()) {
        *error = QStringLiteral("empty glyph");
        return false;
    }
    return true;
}
