#include "common/historydocument.h"

#include "common/statefile.h"

#include <QSet>
#include <QBuffer>
#include <QXmlStreamReader>

namespace {

QString normalised(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Escapes an attribute value so that a parser gives back the same text
// (line ends and tabs included, which attribute normalisation would turn
// into blanks).
void appendEscaped(QString &out, const QString &value)
{
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\n': out += QLatin1String("&#10;"); break;
        case '\r': out += QLatin1String("&#13;"); break;
        case '\t': out += QLatin1String("&#9;"); break;
        default:
            out += c;
        }
    }
}

// Writes the element into out, handing out to flush whenever it has grown
// past a piece; false once flush refused one.
bool appendElement(QString &out, const HistoryDocument::Element &e, int depth,
                   const std::function<bool()> &flush)
{
    out += QString(depth * 4, QLatin1Char(' '));
    out += QLatin1Char('<');
    out += e.name;
    for (const auto &attr : e.attributes) {
        out += QLatin1Char(' ');
        out += attr.first;
        out += QLatin1String("=\"");
        appendEscaped(out, attr.second);
        out += QLatin1Char('"');
    }
    if (e.children.isEmpty()) {
        out += QLatin1String("/>\n");
        return flush();
    }
    out += QLatin1String(">\n");
    for (const auto &child : e.children)
        if (!appendElement(out, child, depth + 1, flush))
            return false;
    out += QString(depth * 4, QLatin1Char(' '));
    out += QLatin1String("</");
    out += e.name;
    out += QLatin1String(">\n");
    return flush();
}

} // namespace

QString HistoryDocument::Element::attribute(const QString &key) const
{
    for (const auto &attr : attributes) {
        if (attr.first == key)
            return attr.second;
    }
    return QString();
}

// Control characters other than tab and line ends cannot appear in XML 1.0
// at all; one in a tag text must not make the whole history unreadable.
static QString storable(const QString &value)
{
    for (const QChar c : value) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r')) {
            QString cleaned;
            cleaned.reserve(value.size());
            for (const QChar k : value) {
                if (k.unicode() >= 0x20 || k == QLatin1Char('\t') || k == QLatin1Char('\n') || k == QLatin1Char('\r'))
                    cleaned += k;
            }
            return cleaned;
        }
    }
    return value;
}

void HistoryDocument::Element::setAttribute(const QString &key, const QString &value)
{
    const QString text = storable(value);
    for (auto &attr : attributes) {
        if (attr.first == key) {
            attr.second = text;
            return;
        }
    }
    attributes.append(qMakePair(key, text));
}

HistoryDocument::HistoryDocument()
{
    m_root.name = QStringLiteral("ROOTITEM");
}

bool HistoryDocument::parse(const QByteArray &bytes, QString *reason)
{
    // Read through a device: the reader then decodes a block at a time
    // instead of holding the whole file a second time as UTF-16.
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&device);
    reader.setNamespaceProcessing(false);
    Element root;
    QVector<Element *> open;  // the chain of elements being read
    bool sawRoot = false;
    QString refused;
    // Every entry repeats the same few names: one copy of each is kept,
    // found without making a string (a short list, then a hash for files
    // of many names). slot tells which of the short list, -1 for the hash.
    struct Known
    {
        QString name;
        QString lastValue;
    };
    QVector<Known> few;
    QSet<QString> many;
    auto shared = [&](const QStringRef &name, int &slot) -> QString {
        for (slot = 0; slot < few.size(); ++slot)
            if (few.at(slot).name == name)
                return few.at(slot).name;
        const QString made = name.toString();
        if (few.size() < 32) {
            few.append({made, QString()});
            return made;
        }
        slot = -1;
        return *many.insert(made);
    };
    // The values under one name repeat too (a folder, a format, a genre, a
    // playlist): one equal to the last under that name shares its text.
    auto valueOf = [&](int slot, const QStringRef &text) -> QString {
        if (slot < 0 || text.isEmpty())
            return text.toString();
        QString &last = few[slot].lastValue;
        if (last != text)
            last = text.toString();
        return last;
    };
    while (!reader.atEnd() && refused.isEmpty()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            // No entity may be declared, so none can be expanded.
            refused = QStringLiteral("a document type declaration is not accepted");
        } else if (token != QXmlStreamReader::StartElement
                   && !(refused = StateFile::overLongValue(reader)).isEmpty()) {
            break;
        } else if (token == QXmlStreamReader::StartElement) {
            if (open.size() >= StateFile::kMaxDepth) {
                refused = QStringLiteral("elements nested deeper than %1 levels").arg(StateFile::kMaxDepth);
                break;
            }
            Element element;
            int slot = -1;
            element.name = shared(reader.qualifiedName(), slot);
            const QXmlStreamAttributes attrs = reader.attributes();
            element.attributes.reserve(attrs.size());
            for (const QXmlStreamAttribute &a : attrs) {
                if (a.value().size() > StateFile::kMaxValueChars) {
                    refused = StateFile::overLongValue(reader);
                    break;
                }
                QString name = shared(a.qualifiedName(), slot);
                element.attributes.append(qMakePair(std::move(name), valueOf(slot, a.value())));
            }
            if (!refused.isEmpty())
                break;
            if (open.isEmpty()) {
                root = std::move(element);
                sawRoot = true;
                open.append(&root);
            } else {
                open.last()->children.append(std::move(element));
                open.append(&open.last()->children.last());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            open.removeLast();
        }
    }
    if (refused.isEmpty() && reader.hasError())
        refused = reader.errorString();
    else if (refused.isEmpty() && !sawRoot)
        refused = QStringLiteral("no document element");
    if (!refused.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("line %1, column %2: %3").arg(reader.lineNumber()).arg(reader.columnNumber()).arg(refused);
        return false;
    }
    m_root = std::move(root);
    return true;
}

QByteArray HistoryDocument::serialize() const
{
    QByteArray bytes;
    serialize([&bytes](const QByteArray &piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

bool HistoryDocument::serialize(const std::function<bool(const QByteArray &piece)> &sink) const
{
    constexpr int kPieceChars = 1 << 19;
    QString out;
    out.reserve(kPieceChars + 4096);
    bool ok = true;
    // Characters are turned into UTF-8 a piece at a time; a piece always
    // ends at the end of an element, so no character is ever split.
    auto flush = [&](bool last) {
        if (!ok || (!last && out.size() < kPieceChars))
            return ok;
        ok = sink(out.toUtf8());
        out.resize(0);  // keeps the buffer for the next piece
        return ok;
    };
    appendElement(out, m_root, 0, [&] { return flush(false); });
    return flush(true);
}

int HistoryDocument::findEntry(const QString &path, bool normaliseSeparators) const
{
    static const QString key = QStringLiteral("Converted_path_");
    const QString wanted = normaliseSeparators ? normalised(path) : path;
    for (int i = 0; i < m_root.children.size(); ++i) {
        const QString stored = m_root.children.at(i).attribute(key);
        if ((normaliseSeparators ? normalised(stored) : stored) == wanted)
            return i;
    }
    return -1;
}
