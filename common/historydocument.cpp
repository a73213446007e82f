#include "common/historydocument.h"

#include "common/statefile.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

// Packed element: name, attribute count, each attribute's name and value,
// child count (four bytes, filled in as children are read), the children.
// A name is the number of one the store writes, or 0 and its UTF-8; a count
// or length is a base-128 number.

namespace {

using Name = HistoryDocument::Name;

// The names the store writes, in the order of HistoryDocument::Name. Only a
// name not listed is packed as text, so a name equal to a listed one is
// always its number.
const QLatin1String kKnownLatin1[] = {
    QLatin1String(""),           QLatin1String("Path_item"),       QLatin1String("CONVERTED_INFO_"),
    QLatin1String("List_name"),  QLatin1String("Converted_path_"), QLatin1String("ListName"),
    QLatin1String("Img_path_"),  QLatin1String("Title_"),          QLatin1String("Resolutin_"),
    QLatin1String("Time_"),      QLatin1String("Size_"),           QLatin1String("Create_time_"),
    QLatin1String("Format_"),    QLatin1String("Extend_"),         QLatin1String("Artist_"),
    QLatin1String("Album_"),     QLatin1String("Genre_"),          QLatin1String("preferencePath_"),
    QLatin1String("Video_file"), QLatin1String("New_file"),
};
static_assert(sizeof(kKnownLatin1) / sizeof(kKnownLatin1[0]) == HistoryDocument::kNameCount,
              "one text per HistoryDocument::Name");

// The listed names by length, so that a name read is compared with the
// two or three of its length only.
struct NamesByLength
{
    static constexpr int kLongest = 15;
    quint8 ids[kLongest + 1][HistoryDocument::kNameCount] = {};
    quint8 counts[kLongest + 1] = {};

    NamesByLength()
    {
        for (int id = 1; id < HistoryDocument::kNameCount; ++id) {
            const int size = kKnownLatin1[id].size();
            Q_ASSERT(size <= kLongest);
            ids[size][counts[size]++] = quint8(id);
        }
    }
};

template<typename Chars>
int knownId(const Chars &name)
{
    static const NamesByLength byLength;
    const int size = name.size();
    if (size > NamesByLength::kLongest)
        return 0;
    for (int n = 0; n < byLength.counts[size]; ++n) {
        const int id = byLength.ids[size][n];
        if (name == kKnownLatin1[id])
            return id;
    }
    return 0;
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
    // The same for a name of ASCII letters and a value of valid UTF-8.
    void openElement(const char *name, int size, int attributes)
    {
        openElement(QLatin1String(name, size), attributes);
    }
    void attribute(const char *name, int nameSize, const char *value, int valueSize)
    {
        putName(QLatin1String(name, nameSize));
        appendNumber(m_bytes, quint32(valueSize));
        m_bytes.append(value, valueSize);
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
    void putName(QLatin1String name)
    {
        const int id = knownId(name);
        appendNumber(m_bytes, quint32(id));
        if (id == 0) {
            appendNumber(m_bytes, quint32(name.size()));
            m_bytes.append(name.data(), name.size());
        }
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
        return id ? HistoryDocument::nameText(Name(id)) : unlisted.toString();
    }
    void skipName()
    {
        HistoryDocument::Text unlisted;
        name(unlisted);
    }
    // The one walk over an element's attributes: visit(attribute) for each
    // until it returns false; false then, and the rest is not read.
    template<typename Visit>
    bool attributes(int element, Visit &&visit)
    {
        HistoryDocument::Attribute attr{element, Name::Unlisted, {}, {}};
        for (quint32 n = number(); n > 0; --n) {
            attr.unlisted = HistoryDocument::Text();
            attr.name = Name(name(attr.unlisted));
            attr.value = text();
            if (!visit(std::as_const(attr)))
                return false;
        }
        return true;
    }
    void skipAttributes()
    {
        attributes(0, [](const HistoryDocument::Attribute &) { return true; });
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
        // The count is read again by the walk; reserving needs it first.
        const char *at = m_at;
        e.attributes.reserve(int(number()));
        m_at = at;
        attributes(0, [&e](const HistoryDocument::Attribute &a) {
            e.attributes.append(qMakePair(a.name == Name::Unlisted ? a.unlisted.toString()
                                                                   : HistoryDocument::nameText(a.name),
                                          a.value.toString()));
            return true;
        });
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
    in.attributes(0, [&out](const HistoryDocument::Attribute &a) {
        out += ' ';
        appendName(out, int(a.name), a.unlisted);
        out += "=\"";
        appendEscaped(out, a.value.data, a.value.size);
        out += '"';
        return true;
    });
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

} // namespace

// Reads the plain documents the store writes (UTF-8 without a BOM or a
// declaration; elements, attributes and blanks between them; the five
// named entities and character references in values) a great deal quicker
// than QXmlStreamReader. It declines everything else, damage included,
// before anything is kept: the document is then read by QXmlStreamReader,
// so what it takes it reads exactly as that reader does.
class HistoryDocument::PlainReader
{
public:
    enum class Outcome { Read, Declined, Stopped };

    PlainReader(const QByteArray &bytes, const HistoryDocument::GoOn &goOn)
        : m_at(bytes.constData())
        , m_end(bytes.constData() + bytes.size())
        , m_goOn(goOn)
    {
    }
    // Drawing the bytes a piece at a time from more, which appends to its
    // argument and returns false at the end. The pieces read are let go
    // between entries, so an entry longer than kAhead is declined.
    PlainReader(const HistoryDocument::More &more, const HistoryDocument::GoOn &goOn)
        : m_at(nullptr)
        , m_end(nullptr)
        , m_goOn(goOn)
        , m_more(&more)
    {
    }

    // The document element's name and attributes, and each entry packed,
    // handed to add as it ends.
    Outcome read(QString &rootName, HistoryDocument::Attributes &rootAttributes,
                 const std::function<void(QByteArray packed)> &add)
    {
        // The document element.
        readAhead();
        if (!skipBlanks() || !tag() || m_closing)
            return Outcome::Declined;
        rootName = QString::fromLatin1(m_tag, m_tagSize);
        m_rootTag = QByteArray(m_tag, m_tagSize);
        for (const Attr &a : m_attrs)
            rootAttributes.append(qMakePair(QString::fromLatin1(a.name, a.nameSize),
                                            StateFile::fromUtf8(value(a), a.valueSize)));
        if (m_selfClosed)
            return finish();
        m_open.push_back({m_rootTag.constData(), m_rootTag.size()});
        m_depth = 1;
        while (m_depth > 0) {
            if (m_depth == 1)
                readAhead();
            if (!skipBlanks() || !tag())
                return Outcome::Declined;
            if (m_closing) {
                const Open &top = m_open.back();
                if (top.size != m_tagSize || std::memcmp(top.name, m_tag, size_t(m_tagSize)) != 0)
                    return Outcome::Declined;
                m_open.pop_back();
                --m_depth;
                if (m_depth >= 1)
                    m_packer.closeElement();
                if (m_depth == 1)
                    add(m_packer.take());
                continue;
            }
            if (m_depth >= StateFile::kMaxDepth)
                return Outcome::Declined;
            if (m_depth == 1 && m_goOn && !m_goOn())
                return Outcome::Stopped;
            m_packer.openElement(m_tag, m_tagSize, int(m_attrs.size()));
            for (const Attr &a : m_attrs)
                m_packer.attribute(a.name, a.nameSize, value(a), a.valueSize);
            m_packer.endAttributes();
            if (m_selfClosed) {
                m_packer.closeElement();
                if (m_depth == 1)
                    add(m_packer.take());
            } else {
                m_open.push_back({m_tag, m_tagSize});
                ++m_depth;
            }
        }
        return finish();
    }

private:
    struct Attr
    {
        const char *name;
        int nameSize;
        const char *plain; // the value in the document when it holds no reference
        int decodedAt;     // else where it starts in m_decoded
        int valueSize;
    };
    struct Open
    {
        const char *name;
        int size;
    };

    // What each byte may be, looked up rather than compared over and over.
    enum Kind : quint8 { Blank = 1, NameStart = 2, NameChar = 4, PlainValue = 8 };
    struct Kinds
    {
        quint8 of[256] = {};
        Kinds()
        {
            for (int c = 0; c < 256; ++c) {
                if (HistoryDocument::isBlank(char(c)))
                    of[c] |= Blank;
            }
            for (int c = 0x20; c < 0x80; ++c) {
                const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
                if (letter)
                    of[c] |= NameStart | NameChar;
                if ((c >= '0' && c <= '9') || c == '-' || c == '.')
                    of[c] |= NameChar;
                // Taken as it is in a value: neither a quote nor markup.
                if (c != '"' && c != '\'' && c != '&' && c != '<')
                    of[c] |= PlainValue;
            }
        }
    };
    static bool is(char c, Kind kind)
    {
        static const Kinds kinds;
        return kinds.of[uchar(c)] & kind;
    }
    static bool isBlank(char c) { return is(c, Blank); }
    static bool isNameStart(char c) { return is(c, NameStart); }
    static bool isNameChar(char c) { return is(c, NameChar); }

    const char *value(const Attr &a) const { return a.plain ? a.plain : m_decoded.constData() + a.decodedAt; }

    Outcome finish()
    {
        for (;;) {
            while (m_at < m_end && isBlank(*m_at))
                ++m_at;
            if (m_at < m_end)
                return Outcome::Declined;
            if (!m_more)
                return Outcome::Read;
            readAhead();
            if (m_at == m_end)
                return Outcome::Read;
        }
    }
    // Between entries: lets the bytes read so far go and draws at least
    // kAhead more, unless the end comes first. Only the document element's
    // name is kept from before, in a copy.
    void readAhead()
    {
        static constexpr int kAhead = 1 << 19;
        if (!m_more || m_end - m_at >= kAhead)
            return;
        const int consumed = m_at ? int(m_at - m_buffer.constData()) : 0;
        m_buffer.remove(0, consumed);
        while (m_buffer.size() < 2 * kAhead && (*m_more)(m_buffer)) { }
        m_at = m_buffer.constData();
        m_end = m_at + m_buffer.size();
    }
    // Blanks up to the next '<'; false when anything else comes first or a
    // run is longer than a text may be.
    bool skipBlanks()
    {
        const char *from = m_at;
        while (m_at < m_end && isBlank(*m_at))
            ++m_at;
        return m_at < m_end && *m_at == '<' && m_at - from <= StateFile::kMaxValueChars;
    }
    bool name()
    {
        if (m_at >= m_end || !isNameStart(*m_at))
            return false;
        m_name = m_at;
        while (m_at < m_end && isNameChar(*m_at))
            ++m_at;
        m_nameSize = int(m_at - m_name);
        return true;
    }
    // One start or end tag at m_at; false when it is anything else.
    bool tag()
    {
        if (m_at >= m_end || *m_at != '<')
            return false;
        ++m_at;
        m_closing = m_at < m_end && *m_at == '/';
        if (m_closing) {
            ++m_at;
            if (!name())
                return false;
            m_tag = m_name;
            m_tagSize = m_nameSize;
            while (m_at < m_end && isBlank(*m_at))
                ++m_at;
            if (m_at >= m_end || *m_at != '>')
                return false;
            ++m_at;
            return true;
        }
        if (!name())
            return false;
        m_tag = m_name;
        m_tagSize = m_nameSize;
        m_attrs.clear();
        m_decoded.resize(0);
        for (;;) {
            const char *before = m_at;
            while (m_at < m_end && isBlank(*m_at))
                ++m_at;
            if (m_at >= m_end)
                return false;
            if (*m_at == '>' || *m_at == '/') {
                m_selfClosed = *m_at == '/';
                if (m_selfClosed && (++m_at >= m_end || *m_at != '>'))
                    return false;
                ++m_at;
                return true;
            }
            // Attributes are apart from the name and from each other.
            if (m_at == before || !attribute())
                return false;
        }
    }
    bool attribute()
    {
        const char *attrName = m_at;
        if (!name())
            return false;
        const int attrNameSize = m_nameSize;
        for (const Attr &other : m_attrs)
            if (other.nameSize == attrNameSize && std::memcmp(other.name, attrName, size_t(attrNameSize)) == 0)
                return false; // redefined
        while (m_at < m_end && isBlank(*m_at))
            ++m_at;
        if (m_at >= m_end || *m_at != '=')
            return false;
        ++m_at;
        while (m_at < m_end && isBlank(*m_at))
            ++m_at;
        if (m_at >= m_end || (*m_at != '"' && *m_at != '\''))
            return false;
        const char quote = *m_at++;
        const char *start = m_at;
        // Most values hold nothing to decode and stay where they are.
        const char otherQuote = quote == '"' ? '\'' : '"';
        while (m_at < m_end && (is(*m_at, PlainValue) || *m_at == otherQuote))
            ++m_at;
        Attr a{attrName, attrNameSize, start, 0, 0};
        if (m_at < m_end && *m_at == quote) {
            a.valueSize = int(m_at - start);
        } else {
            a.plain = nullptr;
            a.decodedAt = m_decoded.size();
            m_decoded.append(start, int(m_at - start));
            while (m_at < m_end && *m_at != quote) {
                const uchar c = uchar(*m_at);
                if (c == '&') {
                    if (!reference())
                        return false;
                } else if (c >= 0x80) {
                    const char *from = m_at;
                    if (!utf8Character())
                        return false;
                    m_decoded.append(from, int(m_at - from));
                } else if (c < 0x20 || c == '<') {
                    // Blanks in a value are made spaces by a parser; control
                    // characters and '<' are faults.
                    return false;
                } else {
                    m_decoded.append(char(c));
                    ++m_at;
                }
            }
            if (m_at >= m_end)
                return false;
            a.valueSize = m_decoded.size() - a.decodedAt;
        }
        ++m_at; // the closing quote
        if (a.valueSize > StateFile::kMaxValueChars)
            return false;
        m_attrs.push_back(a);
        return true;
    }
    // One valid UTF-8 character of XML at m_at.
    bool utf8Character()
    {
        const uchar c = uchar(*m_at);
        int more;
        quint32 code;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (m_end - m_at <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            const uchar k = uchar(m_at[i]);
            if ((k & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (k & 0x3F);
        }
        static const quint32 kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[more] || !StateFile::isXmlCharacter(code))
            return false;
        m_at += more + 1;
        return true;
    }
    // An entity or character reference at m_at, decoded into m_decoded.
    bool reference()
    {
        const char *semicolon = static_cast<const char *>(
            std::memchr(m_at, ';', size_t(std::min<qint64>(m_end - m_at, 12))));
        if (!semicolon)
            return false;
        const QLatin1String ref(m_at + 1, int(semicolon - m_at - 1));
        m_at = semicolon + 1;
        if (ref == QLatin1String("amp"))
            m_decoded.append('&');
        else if (ref == QLatin1String("lt"))
            m_decoded.append('<');
        else if (ref == QLatin1String("gt"))
            m_decoded.append('>');
        else if (ref == QLatin1String("quot"))
            m_decoded.append('"');
        else if (ref == QLatin1String("apos"))
            m_decoded.append('\'');
        else if (ref.size() >= 2 && ref.at(0) == QLatin1Char('#'))
            return characterReference(ref.mid(1));
        else
            return false;
        return true;
    }
    bool characterReference(QLatin1String digits)
    {
        const bool hex = digits.at(0) == QLatin1Char('x');
        if (hex)
            digits = digits.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        quint32 code = 0;
        for (const char c : digits) {
            int v;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                v = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                v = c - 'A' + 10;
            else
                return false;
            code = code * (hex ? 16 : 10) + quint32(v);
        }
        if (!StateFile::isXmlCharacter(code))
            return false;
        char out[4];
        int n;
        if (code < 0x80) {
            out[0] = char(code);
            n = 1;
        } else if (code < 0x800) {
            out[0] = char(0xC0 | (code >> 6));
            out[1] = char(0x80 | (code & 0x3F));
            n = 2;
        } else if (code < 0x10000) {
            out[0] = char(0xE0 | (code >> 12));
            out[1] = char(0x80 | ((code >> 6) & 0x3F));
            out[2] = char(0x80 | (code & 0x3F));
            n = 3;
        } else {
            out[0] = char(0xF0 | (code >> 18));
            out[1] = char(0x80 | ((code >> 12) & 0x3F));
            out[2] = char(0x80 | ((code >> 6) & 0x3F));
            out[3] = char(0x80 | (code & 0x3F));
            n = 4;
        }
        m_decoded.append(out, n);
        return true;
    }

    const char *m_at;
    const char *m_end;
    const HistoryDocument::GoOn &m_goOn;
    const HistoryDocument::More *m_more = nullptr;
    QByteArray m_buffer; // the pieces not yet let go
    QByteArray m_rootTag;
    Packer m_packer;
    std::vector<Open> m_open;
    int m_depth = 0;
    // The tag last read.
    bool m_closing = false;
    bool m_selfClosed = false;
    const char *m_tag = nullptr;
    int m_tagSize = 0;
    const char *m_name = nullptr; // the name last read
    int m_nameSize = 0;
    std::vector<Attr> m_attrs;
    QByteArray m_decoded;
};

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

QString HistoryDocument::Text::toString() const
{
    // Empty, not null, for an empty value, as a parser gives it.
    return size ? StateFile::fromUtf8(data, size) : QString::fromLatin1("", 0);
}

void HistoryDocument::Element::setAttribute(const QString &key, const QString &value)
{
    // Control characters other than tab and line ends, U+FFFE, U+FFFF and
    // lone surrogates cannot appear in the file at all; one in a tag text
    // must not make the whole history unreadable, so it is dropped.
    const QString text = StateFile::storable(value);
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
    const int id = knownId(key);
    QString found;
    Unpacker in(m_bytes);
    in.skipName();
    in.attributes(0, [&](const Attribute &a) {
        if (int(a.name) != id || (id == 0 && a.unlisted.toString() != key))
            return true;
        found = a.value.toString();
        return false;
    });
    return found;
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

void HistoryDocument::Entry::visitAttributes(const AttributeVisitor &visit) const
{
    if (m_bytes.isEmpty())
        return;
    Unpacker in(m_bytes);
    in.skipName();
    if (!in.attributes(0, visit))
        return;
    const int children = int(in.count());
    for (int child = 1; child <= children; ++child) {
        in.skipName();
        if (!in.attributes(child, visit))
            return;
        for (quint32 n = in.count(); n > 0; --n)
            in.skipElement();
    }
}

const QString &HistoryDocument::nameText(Name name)
{
    // Unpacking a listed name copies nothing.
    static const QVector<QString> names = [] {
        QVector<QString> made;
        for (const QLatin1String &text : kKnownLatin1)
            made.append(QString(text));
        return made;
    }();
    return names.at(int(name));
}

HistoryDocument::HistoryDocument()
    : m_rootName(QStringLiteral("ROOTITEM"))
{
}

HistoryDocument::Outcome HistoryDocument::readPlain(PlainReader &plain)
{
    QString rootName;
    Attributes rootAttributes;
    QVector<Entry> entries;
    const PlainReader::Outcome outcome = plain.read(rootName, rootAttributes, [&entries](QByteArray packed) {
        Entry entry;
        entry.m_bytes = std::move(packed);
        entries.append(std::move(entry));
    });
    if (outcome == PlainReader::Outcome::Stopped)
        return Outcome::Stopped;
    if (outcome == PlainReader::Outcome::Declined)
        return Outcome::Declined;
    take(std::move(rootName), std::move(rootAttributes), std::move(entries));
    return Outcome::Parsed;
}

void HistoryDocument::take(QString rootName, Attributes rootAttributes, QVector<Entry> entries)
{
    entries.squeeze();
    m_rootName = std::move(rootName);
    m_rootAttributes = std::move(rootAttributes);
    m_entries = std::move(entries);
    m_gaps = 0;
    // Made where the parse ran (the start's worker), not by the first lookup.
    rebuildIndex();
}

QString HistoryDocument::normalisedPath(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

HistoryDocument::Outcome HistoryDocument::parsePieces(const More &more, const GoOn &goOn)
{
    PlainReader plain(more, goOn);
    return readPlain(plain);
}

bool HistoryDocument::parse(const QByteArray &bytes, QString *reason, const GoOn &goOn)
{
    PlainReader plain(bytes, goOn);
    const Outcome outcome = readPlain(plain);
    if (outcome != Outcome::Declined) {
        if (reason)
            reason->clear();
        return outcome == Outcome::Parsed;
    }
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
        } else if (depth == 1 && StateFile::isStrayText(reader)) {
            // What is left of an entry whose '<' was damaged.
            refused = QStringLiteral("a text between the entries");
        } else if (!(refused = StateFile::swallowedMarkup(reader)).isEmpty()) {
            break;
        } else if (token == QXmlStreamReader::StartElement) {
            if (depth >= StateFile::kMaxDepth) {
                refused = QStringLiteral("elements nested deeper than %1 levels").arg(StateFile::kMaxDepth);
                break;
            }
            // A name no file can hold would be written back as it is.
            if (!(refused = StateFile::unholdableName(reader)).isEmpty())
                break;
            const QXmlStreamAttributes attrs = reader.attributes();
            for (const QXmlStreamAttribute &a : attrs) {
                if (a.value().size() > StateFile::kMaxValueChars) {
                    refused = StateFile::overLongValue(reader);
                    break;
                }
            }
            if (!refused.isEmpty())
                break;
            if (depth == 1 && goOn && !goOn()) {
                if (reason)
                    reason->clear();
                return false;
            }
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
    take(std::move(rootName), std::move(rootAttributes), std::move(entries));
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

void HistoryDocument::visitPaths(const PathVisitor &visit) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        Text path;
        if (pathOf(m_entries.at(i), path) && !visit(i, path))
            return;
    }
}

bool HistoryDocument::pathOf(const Entry &entry, Text &path)
{
    if (entry.m_bytes.isEmpty())
        return false;
    bool found = false;
    Unpacker in(entry.m_bytes);
    in.skipName();
    // The first such attribute is the entry's path.
    in.attributes(0, [&](const Attribute &a) {
        if (a.name != Name::ConvertedPath)
            return true;
        path = a.value;
        found = true;
        return false;
    });
    return found;
}

namespace {

// A path's hash as lookups compare it: backslashes read as slashes, so
// that both kinds of lookup find an entry by one table.
quint64 pathHash(const char *data, int size)
{
    quint64 h = 14695981039346656037ull;
    for (int i = 0; i < size; ++i)
        h = (h ^ uchar(data[i] == '\\' ? '/' : data[i])) * 1099511628211ull;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

quint32 tagOf(quint64 hash)
{
    return quint32(hash >> 56) << 24;
}

// Whether a stored path is the one looked for (as UTF-8, already with
// slashes when separators are normalised).
bool samePath(const HistoryDocument::Text &stored, const QByteArray &wanted, bool normaliseSeparators)
{
    if (stored.size != wanted.size())
        return false;
    if (!normaliseSeparators)
        return stored.size == 0 || std::memcmp(stored.data, wanted.constData(), size_t(stored.size)) == 0;
    for (int k = 0; k < stored.size; ++k) {
        const char c = stored.data[k];
        if ((c == '\\' ? '/' : c) != wanted.at(k))
            return false;
    }
    return true;
}

} // namespace

void HistoryDocument::indexEntry(int index)
{
    Text path;
    if (!indexed() || !pathOf(m_entries.at(index), path))
        return;
    const quint64 hash = pathHash(path.data, path.size);
    const quint32 mask = quint32(m_slots.size() - 1);
    quint32 *table = m_slots.data();
    quint32 at = quint32(hash) & mask;
    while (table[at] != 0)
        at = (at + 1) & mask;
    table[at] = tagOf(hash) | quint32(index + 1);
    ++m_used;
}

void HistoryDocument::unindexEntry(int index)
{
    Text path;
    if (!indexed() || !pathOf(m_entries.at(index), path))
        return;
    const quint32 mask = quint32(m_slots.size() - 1);
    quint32 *table = m_slots.data();
    quint32 hole = quint32(pathHash(path.data, path.size)) & mask;
    while (table[hole] != 0 && (table[hole] & kIndexMask) != quint32(index + 1))
        hole = (hole + 1) & mask;
    if (table[hole] == 0)
        return;
    // The slots after it that probed past it move back, so that no chain
    // is broken and the table needs no marks of removed slots.
    for (quint32 next = (hole + 1) & mask; table[next] != 0; next = (next + 1) & mask) {
        Text moved;
        pathOf(m_entries.at(int(table[next] & kIndexMask) - 1), moved);
        const quint32 home = quint32(pathHash(moved.data, moved.size)) & mask;
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            table[hole] = table[next];
            hole = next;
        }
    }
    table[hole] = 0;
    --m_used;
}

void HistoryDocument::rebuildIndex()
{
    m_slots.clear();
    m_used = 0;
    // A history that large cannot come from a file the store reads; it is
    // walked instead.
    if (m_entries.size() >= int(kIndexMask))
        return;
    int size = 16;
    while (size < 2 * (m_entries.size() - m_gaps) + 2)
        size *= 2;
    m_slots.fill(0, size);
    for (int i = 0; i < m_entries.size(); ++i)
        indexEntry(i);
}

void HistoryDocument::closeGaps()
{
    if (m_gaps == 0)
        return;
    // Each entry moves back by the gaps before it; its slot stays where its
    // hash put it and only learns its new index.
    QVector<int> moved(m_entries.size());
    int kept = 0;
    for (int i = 0; i < m_entries.size(); ++i) {
        moved[i] = kept;
        if (!m_entries.at(i).isEmpty()) {
            if (kept != i)
                m_entries[kept] = std::move(m_entries[i]);
            ++kept;
        }
    }
    m_entries.resize(kept);
    m_gaps = 0;
    if (!indexed())
        return;
    for (quint32 &slot : m_slots)
        if (slot != 0)
            slot = (slot & ~kIndexMask) | quint32(moved.at(int(slot & kIndexMask) - 1) + 1);
}

void HistoryDocument::append(Entry entry)
{
    if (entry.isEmpty())
        return;
    m_entries.append(std::move(entry));
    if (m_entries.size() >= int(kIndexMask)) {
        // Past what the index holds: walked from now on.
        m_slots.clear();
        m_used = 0;
    } else if (!indexed() || 2 * (m_used + 1) > m_slots.size()) {
        rebuildIndex();
    } else {
        indexEntry(m_entries.size() - 1);
    }
}

void HistoryDocument::replace(int index, Entry entry)
{
    if (index < 0 || index >= m_entries.size())
        return;
    if (entry.isEmpty()) {
        remove(index);
        return;
    }
    if (m_entries.at(index).isEmpty())
        --m_gaps;
    unindexEntry(index);
    m_entries[index] = std::move(entry);
    indexEntry(index);
}

void HistoryDocument::remove(int index)
{
    remove(QVector<int>{index});
}

void HistoryDocument::remove(const QVector<int> &indexes)
{
    for (int index : indexes) {
        if (index < 0 || index >= m_entries.size() || m_entries.at(index).isEmpty())
            continue;
        unindexEntry(index);
        m_entries[index] = Entry();
        ++m_gaps;
    }
    // Closed once they are a quarter of the entries: each removal pays for
    // its share of the one pass.
    if (m_gaps > 64 && 4 * m_gaps > m_entries.size())
        closeGaps();
}

void HistoryDocument::visitMatches(const QString &path, bool normaliseSeparators, const IndexVisitor &visit) const
{
    const QByteArray wanted = (normaliseSeparators ? normalisedPath(path) : path).toUtf8();
    if (!indexed()) {
        visitPaths([&](int index, const Text &value) {
            if (samePath(value, wanted, normaliseSeparators))
                visit(index);
            return true;
        });
        return;
    }
    const quint64 hash = pathHash(wanted.constData(), wanted.size());
    const quint32 tag = tagOf(hash);
    const quint32 mask = quint32(m_slots.size() - 1);
    const quint32 *table = m_slots.constData();
    for (quint32 at = quint32(hash) & mask; table[at] != 0; at = (at + 1) & mask) {
        if ((table[at] & ~kIndexMask) != tag)
            continue;
        const int index = int(table[at] & kIndexMask) - 1;
        Text stored;
        if (pathOf(m_entries.at(index), stored) && samePath(stored, wanted, normaliseSeparators))
            visit(index);
    }
}

int HistoryDocument::findEntry(const QString &path, bool normaliseSeparators) const
{
    // Of entries with the same path, the first counts.
    int found = -1;
    visitMatches(path, normaliseSeparators, [&found](int index) {
        if (found < 0 || index < found)
            found = index;
    });
    return found;
}

QVector<int> HistoryDocument::findEntries(const QString &path, bool normaliseSeparators) const
{
    QVector<int> found;
    visitMatches(path, normaliseSeparators, [&found](int index) { found.append(index); });
    std::sort(found.begin(), found.end());
    return found;
}

QSet<QString> HistoryDocument::pathsListed(const QSet<QString> &paths) const
{
    QSet<QString> listed;
    for (const QString &path : paths)
        if (findEntry(path, false) >= 0)
            listed.insert(path);
    return listed;
}

QStringList HistoryDocument::changedPaths(const HistoryDocument &before, const HistoryDocument &after)
{
    QSet<QString> changed;
    const auto gather = [&changed](const HistoryDocument &from, const HistoryDocument &in, bool compare) {
        for (const Entry &entry : from.m_entries) {
            Text path;
            if (!pathOf(entry, path))
                continue;
            const QString text = path.toString();
            const int there = in.findEntry(text, false);
            if (there < 0 || (compare && !(in.m_entries.at(there) == entry)))
                changed.insert(normalisedPath(text));
        }
    };
    gather(after, before, true);
    gather(before, after, false);
    return QStringList(changed.cbegin(), changed.cend());
}
