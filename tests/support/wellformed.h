#pragma once
// Whether bytes are a well-formed XML document as a strict reader takes it,
// checked apart from the store's own reading: UTF-8 throughout with only the
// characters XML allows, a declaration (if any) that says so, every element
// and attribute name made as XML 1.0 names are (fifth edition), no document
// type, and both Qt readers (the stream reader and the DOM) accept it. Link
// Qt5::Xml to use it.

#include <QDomDocument>
#include <QString>
#include <QTextCodec>
#include <QXmlStreamReader>

namespace TestSupport {
namespace WellFormedDetail {

inline bool isNameStart(uint c)
{
    static const uint ranges[][2] = {
        {':', ':'},       {'A', 'Z'},       {'_', '_'},       {'a', 'z'},
        {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x2FF},    {0x370, 0x37D},
        {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},
        {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    for (const auto &r : ranges) {
        if (c >= r[0] && c <= r[1])
            return true;
    }
    return false;
}

inline bool isName(const QString &name)
{
    const QVector<uint> codes = name.toUcs4();
    for (int i = 0; i < codes.size(); ++i) {
        const uint c = codes.at(i);
        const bool more = c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
                          || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
        if (!isNameStart(c) && (i == 0 || !more))
            return false;
    }
    return !codes.isEmpty();
}

} // namespace WellFormedDetail

inline bool wellFormed(const QByteArray &bytes, QString *why)
{
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0) {
        *why = QStringLiteral("bytes that are no UTF-8");
        return false;
    }
    for (const uint c : text.toUcs4()) {
        if (!(c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
              || (c >= 0x10000 && c <= 0x10FFFF))) {
            *why = QStringLiteral("the character U+%1").arg(c, 4, 16, QLatin1Char('0'));
            return false;
        }
    }
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        QStringList names;
        if (token == QXmlStreamReader::StartElement) {
            names << reader.qualifiedName().toString();
            for (const QXmlStreamAttribute &a : reader.attributes())
                names << a.qualifiedName().toString();
        }
        for (const QString &name : names) {
            if (!WellFormedDetail::isName(name)) {
                *why = QStringLiteral("the name \"%1\"").arg(name);
                return false;
            }
        }
        if (token == QXmlStreamReader::DTD) {
            *why = QStringLiteral("a document type");
            return false;
        }
        if (token == QXmlStreamReader::StartDocument && !reader.documentEncoding().isEmpty()
            && reader.documentEncoding().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0) {
            *why = QStringLiteral("UTF-8 declared as %1").arg(reader.documentEncoding().toString());
            return false;
        }
    }
    QDomDocument doc;
    if (reader.hasError() || !doc.setContent(bytes, false, why)) {
        if (reader.hasError())
            *why = reader.errorString();
        return false;
    }
    return true;
}

} // namespace TestSupport
