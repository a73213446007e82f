#pragma once
// Whether bytes are a well-formed XML document as a strict reader takes it,
// checked apart from the store's own reading: UTF-8 throughout with only the
// characters XML allows, every element and attribute name made as XML 1.0
// names are (fifth edition), no document type, and both Qt readers (the
// stream reader and the DOM) accept it. Link Qt5::Xml to use it.

#include <QDomDocument>
#include <QString>
#include <QXmlStreamReader>

namespace TestSupport {
namespace WellFormedDetail {

inline bool isChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

inline bool isNameStart(uint c)
{
    return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z')
           || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
           || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
           || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
           || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

inline bool isNameChar(uint c)
{
    return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
           || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

inline bool isName(const QString &name)
{
    const QVector<uint> codes = name.toUcs4();
    if (codes.isEmpty() || !isNameStart(codes.first()))
        return false;
    for (const uint c : codes) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

// Decodes UTF-8 by hand: false at the first byte that is no part of a
// shortest-form character XML allows.
inline bool utf8OfXmlChars(const QByteArray &bytes, int *badAt)
{
    const int size = bytes.size();
    for (int i = 0; i < size;) {
        const uchar b = uchar(bytes.at(i));
        int more = 0;
        uint code = b;
        if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            code = b & 0x07;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            code = b & 0x0F;
        } else if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            code = b & 0x1F;
        } else if (b >= 0x80) {
            *badAt = i;
            return false;
        }
        if (i + more >= size && more > 0) {
            *badAt = i;
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const uchar c = uchar(bytes.at(i + k));
            if ((c & 0xC0) != 0x80) {
                *badAt = i;
                return false;
            }
            code = (code << 6) | (c & 0x3F);
        }
        static const uint least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[more] || !isChar(code)) {
            *badAt = i;
            return false;
        }
        i += more + 1;
    }
    return true;
}

} // namespace WellFormedDetail

inline bool wellFormed(const QByteArray &bytes, QString *why)
{
    using namespace WellFormedDetail;
    int badAt = -1;
    if (!utf8OfXmlChars(bytes, &badAt)) {
        *why = QStringLiteral("byte %1 is no XML character in UTF-8").arg(badAt);
        return false;
    }
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            *why = QStringLiteral("a document type");
            return false;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!isName(reader.qualifiedName().toString())) {
            *why = QStringLiteral("element name \"%1\"").arg(reader.qualifiedName().toString());
            return false;
        }
        for (const QXmlStreamAttribute &a : reader.attributes()) {
            if (!isName(a.qualifiedName().toString())) {
                *why = QStringLiteral("attribute name \"%1\"").arg(a.qualifiedName().toString());
                return false;
            }
        }
    }
    if (reader.hasError()) {
        *why = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return false;
    }
    QDomDocument doc;
    QString error;
    int line = 0;
    if (!doc.setContent(bytes, false, &error, &line)) {
        *why = QStringLiteral("DOM, line %1: %2").arg(line).arg(error);
        return false;
    }
    return true;
}

} // namespace TestSupport
