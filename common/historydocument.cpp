#include "common/historydocument.h"

#include "common/statefile.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <cstring>
#include <vector>

// Packed element: name, attribute count, each attribute's name and value,
// child count (four bytes, filled in as children are read), the children.
// A name is the number of one the store writes, or 0 and its UTF-8; a count
// or length is a base-128 number.

namespace {

// The names the store writes, numbered from 1. Only a name not listed is
// packed as text, so a name equal to a listed one is always its number.
const QLatin1String kKnownLatin1[] = {
    QLatin1String(""),           QLatin1String("Path_item"),       QLatin1String("CONVERTED_INFO_"),
    QLatin1String("List_name"),  QLatin1String("Converted_path_"), QLatin1String("ListName"),
    QLatin1String("Img_path_"),  QLatin1String("Title_"),          QLatin1String("Resolutin_"),
    QLatin1String("Time_"),      QLatin1String("Size_"),           QLatin1String("Create_time_"),
    QLatin1String("Format_"),    QLatin1String("Extend_"),         QLatin1String("Artist_"),
    QLatin1String("Album_"),     QLatin1String("Genre_"),          QLatin1String("preferencePath_"),
    QLatin1String("Video_file"), QLatin1String("New_file"),
};
constexpr int kKnownCount = int(sizeof(kKnownLatin1) / sizeof(kKnownLatin1[0]));
constexpr int kPathId = 4;

// The listed names as shared strings: unpacking one copies nothing.
const QString &knownName(int id)
{
    static const QVector<QString> names = [] {
        QVector<QString> made;
        for (const QLatin1String &name : kKnownLatin1)
            made.append(QString(name));
        return made;
    }();
    return names.at(id);
}

template<typename Chars>
int knownId(const Chars &name)
{
    for (int id = 1; id < kKnownCount; ++id)
        if (name.size() == kKnownLatin1[id].size() && name == kKnownLatin1[id])
            return id;
    return 0;
}

QString normalised(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void appendNumber(QByteArray &out, quint32 n)
{
    while (n >= 0x80) {
        out.append(char(0x80 | (n & 0x7F)));
        n >>= 7;
    }
    out.append(char(n));
}

// Packs one entry; the buffer is kept from one entry to the next.
class Packer
{
public:
    Packer() { m_bytes.reserve(4096); }

    template<typename Chars>
    void openElement(const Chars &name, int attributes)
    {
        if (!m_open.empty()) {
            quint32 children;
            std::memcpy(&children, m_bytes.constData() + m_open.back(), sizeof children);
            ++children;
            std::memcpy(m_bytes.data() + m_open.back(), &children, sizeof children);
        }
        putName(name);
        appendNumber(m_bytes, quint32(attributes));
    }
    template<typename Chars>
    void attribute(const Chars &name, const Chars &value)
    {
        putName(name);
        putText(value.constData(), value.size());
    }
    void endAttributes()
    {
        m_open.push_back(m_bytes.size());
        const quint32 none = 0;
        m_bytes.append(reinterpret_cast<const char *>(&none), sizeof none);
    }
    void closeElement() { m_open.pop_back(); }
    // The entry packed, its bytes allocated to size.
    QByteArray take()
    {
        QByteArray packed(m_bytes.constData(), m_bytes.size());
        m_bytes.resize(0);
        m_open.clear();
        return packed;
    }

private:
    template<typename Chars>
    void putName(const Chars &name)
    {
        const int id = knownId(name);
        appendNumber(m_bytes, quint32(id));
        if (id == 0)
            putText(name.constData(), name.size());
    }
    void putText(const QChar *chars, int size)
    {
        // The length goes first; it is known only once the text is packed.
        bool ascii = true;
        for (int i = 0; i < size && ascii; ++i)
            ascii = chars[i].unicode() < 0x80;
        if (ascii) {
            appendNumber(m_bytes, quint32(size));
            const int at = m_bytes.size();
            m_bytes.resize(at + size);
            char *out = m_bytes.data() + at;
            for (int i = 0; i < size; ++i)
                out[i] = char(chars[i].unicode());
            return;
        }
        const QByteArray utf8 = QString::fromRawData(chars, size).toUtf8();
        appendNumber(m_bytes, quint32(utf8.size()));
        m_bytes += utf8;
    }

    QByteArray m_bytes;
    std::vector<int> m_open; // where the child counts of the open elements are
};

void pack(Packer &packer, const HistoryDocument::Element &e)
{
    packer.openElement(e.name, e.attributes.size());
    for (const auto &attr : e.attributes)
        packer.attribute(attr.first, attr.second);
    packer.endAttributes();
    for (const auto &child : e.children)
        pack(packer, child);
    packer.closeElement();
}

// Reads packed bytes, which only this file makes.
class Unpacker
{
public:
    explicit Unpacker(const QByteArray &bytes)
        : m_at(bytes.constData())
    {
    }

    quint32 number()
    {
        quint32 n = 0;
        for (int shift = 0;; shift += 7) {
            const uchar c = uchar(*m_at++);
            n |= quint32(c & 0x7F) << shift;
            if (!(c & 0x80))
                return n;
        }
    }
    quint32 count()
    {
        quint32 n;
        std::memcpy(&n, m_at, sizeof n);
        m_at += sizeof n;
        return n;
    }
    HistoryDocument::Text text()
    {
        HistoryDocument::Text t;
        t.size = int(number());
        t.data = m_at;
        m_at += t.size;
        return t;
    }
    // A listed name's number, or 0 with its text.
    int name(HistoryDocument::Text &unlisted)
    {
        const int id = int(number());
        if (id == 0)
            unlisted = text();
        return id;
    }
    QString nameString()
    {
        HistoryDocument::Text unlisted;
        const int id = name(unlisted);
        return id ? knownName(id) : unlisted.toString();
    }
    void skipName()
    {
        HistoryDocument::Text unlisted;
        name(unlisted);
    }
    void skipAttributes()
    {
        for (quint32 n = number(); n > 0; --n) {
            skipName();
            text();
        }
    }
    void skipElement()
    {
        skipName();
        skipAttributes();
        for (quint32 n = count(); n > 0; --n)
            skipElement();
    }
    HistoryDocument::Element element()
    {
        HistoryDocument::Element e;
        e.name = nameString();
        const quint32 attributes = number();
        e.attributes.reserve(int(attributes));
        for (quint32 n = 0; n < attributes; ++n) {
            QString name = nameString();
            e.attributes.append(qMakePair(std::move(name), text().toString()));
        }
        const quint32 children = count();
        e.children.reserve(int(children));
        for (quint32 n = 0; n < children; ++n)
            e.children.append(element());
        return e;
    }

private:
    const char *m_at;
};

// Escapes an attribute value so that a parser gives back the same text
// (line ends and tabs included, which attribute normalisation would turn
// into blanks). The escaped characters are ASCII, so UTF-8 is escaped
// byte by byte.
void appendEscaped(QByteArray &out, const char *data, int size)
{
    int plain = 0; // bytes before i not yet appended
    for (int i = 0; i < size; ++i) {
        const char *entity = nullptr;
        switch (data[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        case '\n':
            entity = "&#10;";
            break;
        case '\r':
            entity = "&#13;";
            break;
        case '\t':
            entity = "&#9;";
            break;
        default:
            continue;
        }
        out.append(data + plain, i - plain);
        out.append(entity);
        plain = i + 1;
    }
    out.append(data + plain, size - plain);
}

void appendIndent(QByteArray &out, int depth)
{
    out.append(depth * 4, ' ');
}

void appendName(QByteArray &out, int id, const HistoryDocument::Text &unlisted)
{
    if (id)
        out.append(kKnownLatin1[id].data(), kKnownLatin1[id].size());
    else
        out.append(unlisted.data, unlisted.size);
}

// Writes one packed element into out, handing out to flush whenever an
// element ends; false once flush refused a piece.
bool writePacked(QByteArray &out, Unpacker &in, int depth, const std::function<bool()> &flush)
{
    appendIndent(out, depth);
    out += '<';
    HistoryDocument::Text unlisted;
    const int id = in.name(unlisted);
    appendName(out, id, unlisted);
    for (quint32 n = in.number(); n > 0; --n) {
        out += ' ';
        HistoryDocument::Text attrName;
        const int attrId = in.name(attrName);
        appendName(out, attrId, attrName);
        out += "=\"";
        const HistoryDocument::Text value = in.text();
        appendEscaped(out, value.data, value.size);
        out += '"';
    }
    const quint32 children = in.count();
    if (children == 0) {
        out += "/>\n";
        return flush();
    }
    out += ">\n";
    for (quint32 n = 0; n < children; ++n)
        if (!writePacked(out, in, depth + 1, flush))
            return false;
    appendIndent(out, depth);
    out += "</";
    appendName(out, id, unlisted);
    out += ">\n";
    return flush();
}

// Control characters other than tab and line ends cannot appear in XML 1.0
// at all; one in a tag text must not make the whole history unreadable.
QString storable(const QString &value)
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

} // namespace

bool HistoryDocument::Text::operator==(const Text &other) const
{
    return size == other.size && (size == 0 || std::memcmp(data, other.data, size_t(size)) == 0);
}

bool HistoryDocument::Text::operator==(QLatin1String latin1) const
{
    // Latin-1 and UTF-8 agree on ASCII; anything else never matches here.
    return size == latin1.size() && (size == 0 || std::memcmp(data, latin1.data(), size_t(size)) == 0);
}

QString HistoryDocument::Element::attribute(const QString &key) const
{
    for (const auto &attr : attributes) {
        if (attr.first == key)
            return attr.second;
    }
    return QString();
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

HistoryDocument::Entry::Entry(const Element &element)
{
    Packer packer;
    pack(packer, element);
    m_bytes = packer.take();
}

HistoryDocument::Element HistoryDocument::Entry::element() const
{
    if (m_bytes.isEmpty())
        return Element();
    Unpacker in(m_bytes);
    return in.element();
}

QString HistoryDocument::Entry::attribute(const QString &key) const
{
    if (m_bytes.isEmpty())
        return QString();
    Unpacker in(m_bytes);
    in.skipName();
    for (quint32 n = in.number(); n > 0; --n) {
        Text unlisted;
        const int id = in.name(unlisted);
        const Text value = in.text();
        if (id ? knownName(id) == key : unlisted.toString() == key)
            return value.toString();
    }
    return QString();
}

int HistoryDocument::Entry::childCount() const
{
    if (m_bytes.isEmpty())
        return 0;
    Unpacker in(m_bytes);
    in.skipName();
    in.skipAttributes();
    return int(in.count());
}

void HistoryDocument::Entry::visitChildAttributes(
    const std::function<void(int child, const QString &name, Text value)> &visit) const
{
    if (m_bytes.isEmpty())
        return;
    Unpacker in(m_bytes);
    in.skipName();
    in.skipAttributes();
    const int children = int(in.count());
    for (int child = 0; child < children; ++child) {
        in.skipName();
        for (quint32 n = in.number(); n > 0; --n) {
            // A listed name is handed as the shared string, not a copy.
            Text unlisted;
            const int id = in.name(unlisted);
            const Text value = in.text();
            if (id)
                visit(child, knownName(id), value);
            else
                visit(child, unlisted.toString(), value);
        }
        for (quint32 n = in.count(); n > 0; --n)
            in.skipElement();
    }
}

HistoryDocument::HistoryDocument()
    : m_rootName(QStringLiteral("ROOTITEM"))
{
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
    QString rootName;
    Attributes rootAttributes;
    QVector<Entry> entries;
    Packer packer;
    int depth = 0; // elements open
    bool sawRoot = false;
    QString refused;
    while (!reader.atEnd() && refused.isEmpty()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            // No entity may be declared, so none can be expanded.
            refused = QStringLiteral("a document type declaration is not accepted");
        } else if (token != QXmlStreamReader::StartElement
                   && !(refused = StateFile::overLongValue(reader)).isEmpty()) {
            break;
        } else if (token == QXmlStreamReader::StartElement) {
            if (depth >= StateFile::kMaxDepth) {
                refused = QStringLiteral("elements nested deeper than %1 levels").arg(StateFile::kMaxDepth);
                break;
            }
            const QXmlStreamAttributes attrs = reader.attributes();
            for (const QXmlStreamAttribute &a : attrs) {
                if (a.value().size() > StateFile::kMaxValueChars) {
                    refused = StateFile::overLongValue(reader);
                    break;
                }
            }
            if (!refused.isEmpty())
                break;
            if (depth == 0) {
                rootName = reader.qualifiedName().toString();
                for (const QXmlStreamAttribute &a : attrs)
                    rootAttributes.append(qMakePair(a.qualifiedName().toString(), a.value().toString()));
                sawRoot = true;
            } else {
                packer.openElement(reader.qualifiedName(), attrs.size());
                for (const QXmlStreamAttribute &a : attrs)
                    packer.attribute(a.qualifiedName(), a.value());
                packer.endAttributes();
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (depth >= 1)
                packer.closeElement();
            if (depth == 1) {
                Entry entry;
                entry.m_bytes = packer.take();
                entries.append(std::move(entry));
            }
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
    entries.squeeze();
    m_rootName = std::move(rootName);
    m_rootAttributes = std::move(rootAttributes);
    m_entries = std::move(entries);
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
    constexpr int kPieceBytes = 1 << 19;
    QByteArray out;
    out.reserve(kPieceBytes + 4096);
    bool ok = true;
    // A piece always ends at the end of an element.
    auto flush = [&](bool last) {
        if (!ok || (!last && out.size() < kPieceBytes))
            return ok;
        ok = sink(out);
        out.resize(0);  // keeps the buffer for the next piece
        return ok;
    };
    const auto flushPiece = [&] { return flush(false); };
    out += '<';
    out += m_rootName.toUtf8();
    for (const auto &attr : m_rootAttributes) {
        out += ' ';
        out += attr.first.toUtf8();
        out += "=\"";
        const QByteArray value = attr.second.toUtf8();
        appendEscaped(out, value.constData(), value.size());
        out += '"';
    }
    if (m_entries.isEmpty()) {
        out += "/>\n";
        return flush(true);
    }
    out += ">\n";
    for (const Entry &entry : m_entries) {
        // An entry made empty holds no element and writes nothing.
        if (entry.m_bytes.isEmpty())
            continue;
        Unpacker in(entry.m_bytes);
        if (!writePacked(out, in, 1, flushPiece))
            return false;
    }
    out += "</";
    out += m_rootName.toUtf8();
    out += ">\n";
    return flush(true);
}

int HistoryDocument::findEntry(const QString &path, bool normaliseSeparators) const
{
    const QByteArray wanted = (normaliseSeparators ? normalised(path) : path).toUtf8();
    for (int i = 0; i < m_entries.size(); ++i) {
        const QByteArray &bytes = m_entries.at(i).m_bytes;
        if (bytes.isEmpty())
            continue;
        Unpacker in(bytes);
        in.skipName();
        for (quint32 n = in.number(); n > 0; --n) {
            Text unlisted;
            const int id = in.name(unlisted);
            const Text value = in.text();
            if (id != kPathId)
                continue;
            // The first such attribute is the entry's path.
            if (value.size == wanted.size()) {
                bool same = true;
                for (int k = 0; k < value.size && same; ++k) {
                    const char c = value.data[k];
                    same = (normaliseSeparators && c == '\\' ? '/' : c) == wanted.at(k);
                }
                if (same)
                    return i;
            }
            break;
        }
    }
    return -1;
}
