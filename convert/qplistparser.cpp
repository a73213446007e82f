#include "convert/qplistparser.h"

#include "common/statefile.h"

#include <QBuffer>
#include <QDateTime>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

class Reader
{
public:
    Reader(QIODevice *device, QPlistParser::Lines *lines)
        : m_xml(device)
        , m_lines(lines)
    {
    }

    bool readDocument(QVariant &root)
    {
        if (!nextElement() || m_xml.name() != QLatin1String("plist"))
            return fail(QStringLiteral("the document is not a property list"));
        if (!nextElement())
            return fail(QStringLiteral("the property list holds no value"));
        if (!readValue(root))
            return false;
        // Only the closing tag may follow the root value.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                return fail(QStringLiteral("more than one root value"));
        }
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        return true;
    }

    QString error() const { return m_error; }

private:
    // Moves to the next start element; false at an end element or the end.
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.tokenType() == QXmlStreamReader::DTD && !m_xml.entityDeclarations().isEmpty()) {
                // No entity may be declared, so none can be expanded.
                fail(QStringLiteral("entity declarations are not accepted"));
                m_xml.raiseError(m_error);
                return false;
            }
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement())
                return false;
        }
        return false;
    }

    bool fail(const QString &reason)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(reason);
        return false;
    }

    bool readText(QString &text)
    {
        text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        return !m_xml.hasError() || fail(m_xml.errorString());
    }

    // Reads the value whose start element is current, up to its end element.
    bool readValue(QVariant &value)
    {
        if (m_lines)
            m_lines->insert(m_path.join(QLatin1Char('/')), int(m_xml.lineNumber()));
        const QStringRef tag = m_xml.name();
        if (tag == QLatin1String("dict") || tag == QLatin1String("array")) {
            if (m_depth >= QPlistParser::kMaxDepth)
                return fail(QStringLiteral("values nested deeper than %1 levels").arg(QPlistParser::kMaxDepth));
            ++m_depth;
            const bool read = tag == QLatin1String("dict") ? readDict(value) : readArray(value);
            --m_depth;
            return read;
        }
        if (tag == QLatin1String("true") || tag == QLatin1String("false")) {
            value = tag == QLatin1String("true");
            m_xml.skipCurrentElement();
            return !m_xml.hasError() || fail(m_xml.errorString());
        }
        QString text;
        if (tag == QLatin1String("string")) {
            if (!readText(text))
                return false;
            value = text;
            return true;
        }
        if (tag == QLatin1String("integer") || tag == QLatin1String("real")) {
            if (!readText(text))
                return false;
            bool ok = false;
            if (tag == QLatin1String("integer"))
                value = text.trimmed().toLongLong(&ok);
            else
                value = text.trimmed().toDouble(&ok);
            return ok || fail(QStringLiteral("\"%1\" is not a number").arg(text));
        }
        if (tag == QLatin1String("data")) {
            if (!readText(text))
                return false;
            value = QByteArray::fromBase64(text.simplified().remove(QLatin1Char(' ')).toLatin1());
            return true;
        }
        if (tag == QLatin1String("date")) {
            if (!readText(text))
                return false;
            value = QDateTime::fromString(text.trimmed(), Qt::ISODate);
            return true;
        }
        return fail(QStringLiteral("unknown value <%1>").arg(tag.toString()));
    }

    bool readDict(QVariant &value)
    {
        QVariantMap map;
        while (nextElement()) {
            if (m_xml.name() != QLatin1String("key"))
                return fail(QStringLiteral("a dictionary value without its key"));
            QString key;
            if (!readText(key))
                return false;
            if (!nextElement())
                return fail(QStringLiteral("the key \"%1\" has no value").arg(key));
            QVariant item;
            m_path.append(key);
            const bool read = readValue(item);
            m_path.removeLast();
            if (!read)
                return false;
            map.insert(key, item);
        }
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        value = map;
        return true;
    }

    bool readArray(QVariant &value)
    {
        QVariantList list;
        while (nextElement()) {
            QVariant item;
            m_path.append(QString::number(list.size()));
            const bool read = readValue(item);
            m_path.removeLast();
            if (!read)
                return false;
            list.append(item);
        }
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        value = list;
        return true;
    }

    QXmlStreamReader m_xml;
    QString m_error;
    QPlistParser::Lines *m_lines = nullptr;
    QStringList m_path;
    int m_depth = 0;
};

} // namespace

bool QPlistParser::parse(QIODevice *device, QVariant &root, QString &error, Lines *lines)
{
    root.clear();
    if (lines)
        lines->clear();
    Reader reader(device, lines);
    if (!reader.readDocument(root)) {
        root.clear();
        error = reader.error();
        return false;
    }
    return true;
}

bool QPlistParser::parseFile(const QString &path, QVariant &root, QString &error, Lines *lines)
{
    root.clear();
    const StateFile::Reading reading = StateFile::read(path, kMaxBytes);
    if (reading.status != StateFile::Status::Read) {
        error = QStringLiteral("%1: %2").arg(path, reading.status == StateFile::Status::Missing
                                                       ? QStringLiteral("no such file")
                                                       : reading.reason);
        return false;
    }
    QBuffer buffer;
    buffer.setData(reading.bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!parse(&buffer, root, error, lines)) {
        error = QStringLiteral("%1: %2").arg(path, error);
        return false;
    }
    return true;
}
