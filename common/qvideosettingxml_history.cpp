// History file: one "Path_item" per recording, its "CONVERTED_INFO_" element
// first, then one "List_name" element per playlist. Children are addressed by
// position; element names matter only when an element is created. Reading
// goes through a stream parser so that large libraries load quickly; changes
// go through the document and are saved atomically.
#include "common/qvideosettingxml.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace {

const QString kPathAttr = QStringLiteral("Converted_path_");
const QString kListNameAttr = QStringLiteral("ListName");
const QString kNewFileAttr = QStringLiteral("New_file");

QString normalised(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

bool isYes(const QStringRef &text)
{
    return text == QLatin1String("Y");
}

// Exact or normalised lookup of an entry among the document element's children.
QDomElement findEntry(const QDomElement &root, const QString &path, bool normalise)
{
    const QString wanted = normalise ? normalised(path) : path;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString stored = e.attribute(kPathAttr);
        if ((normalise ? normalised(stored) : stored) == wanted)
            return e;
    }
    return QDomElement();
}

void fillInfo(convertedInfo &info, const QXmlStreamAttributes &a)
{
    info.imgPath = a.value(QLatin1String("Img_path_")).toString();
    info.resolution = a.value(QLatin1String("Resolutin_")).toString();
    info.title = a.value(QLatin1String("Title_")).toString();
    info.time = a.value(QLatin1String("Time_")).toString();
    info.size = a.value(QLatin1String("Size_")).toString();
    info.createTime = a.value(QLatin1String("Create_time_")).toString();
    info.format = a.value(QLatin1String("Format_")).toString();
    info.extend = a.value(QLatin1String("Extend_")).toString();
    info.artist = a.value(QLatin1String("Artist_")).toString();
    info.album = a.value(QLatin1String("Album_")).toString();
    info.genre = a.value(QLatin1String("Genre_")).toString();
    info.preferencePath = a.value(QLatin1String("preferencePath_")).toString();
    info.videoFile = isYes(a.value(QLatin1String("Video_file")));
    info.newFile = isYes(a.value(QLatin1String("New_file")));
}

// Hands every entry, in file order, to visit until it returns false. The
// entry's path is given with backslashes turned into "/". False when the
// bytes do not parse up to the point where the walk ended.
bool streamEntries(const QByteArray &bytes, const std::function<bool(convertedInfo &)> &visit)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    int childIndex = 0;
    convertedInfo current;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 2) {
                current = convertedInfo();
                current.convertedPath = normalised(reader.attributes().value(kPathAttr).toString());
                childIndex = 0;
            } else if (depth == 3) {
                if (childIndex == 0)
                    fillInfo(current, reader.attributes());
                else
                    current.listNames << reader.attributes().value(kListNameAttr).toString();
                ++childIndex;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (depth == 2 && !visit(current))
                return true;
            --depth;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

// The same document with "New_file" set to "N" on every entry's first child.
QByteArray withNewMarksCleared(const QByteArray &bytes)
{
    QByteArray out;
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    int depth = 0;
    int childIndex = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            ++depth;
            const bool infoElement = depth == 3 && childIndex++ == 0;
            if (depth == 2)
                childIndex = 0;
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &attr : reader.attributes()) {
                const QString name = attr.qualifiedName().toString();
                if (infoElement && name == kNewFileAttr && attr.value() == QLatin1String("Y"))
                    writer.writeAttribute(name, QStringLiteral("N"));
                else
                    writer.writeAttribute(name, attr.value().toString());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace())
                writer.writeCurrentToken(reader);
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            writer.writeCurrentToken(reader);
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return QByteArray();
    out.append('\n');
    return out;
}

bool readAll(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

bool QVideoSettingXml::SaveConvertedInfo(const convertedInfo &info)
{
    const QString path = historyFilePath();
    QDomDocument doc;
    if (!loadOrCreate(path, doc))
        return false;
    QDomElement root = ensureRoot(doc);
    QDomElement entry = findEntry(root, info.convertedPath, false);
    if (entry.isNull()) {
        entry = doc.createElement(QStringLiteral("Path_item"));
        entry.setAttribute(kPathAttr, info.convertedPath);
        root.appendChild(entry);
    }
    QDomElement infoElement = entry.firstChildElement();
    if (infoElement.isNull()) {
        infoElement = doc.createElement(QStringLiteral("CONVERTED_INFO_"));
        entry.appendChild(infoElement);
    }
    infoElement.setAttribute(QStringLiteral("Img_path_"), info.imgPath);
    infoElement.setAttribute(QStringLiteral("Title_"), info.title);
    infoElement.setAttribute(QStringLiteral("Resolutin_"), info.resolution);
    infoElement.setAttribute(QStringLiteral("Time_"), info.time);
    infoElement.setAttribute(QStringLiteral("Size_"), info.size);
    infoElement.setAttribute(QStringLiteral("Create_time_"), info.createTime);
    infoElement.setAttribute(QStringLiteral("Format_"), info.format);
    infoElement.setAttribute(QStringLiteral("Extend_"), info.extend);
    infoElement.setAttribute(QStringLiteral("Artist_"), info.artist);
    infoElement.setAttribute(QStringLiteral("Album_"), info.album);
    infoElement.setAttribute(QStringLiteral("Genre_"), info.genre);
    infoElement.setAttribute(QStringLiteral("preferencePath_"), info.preferencePath);
    infoElement.setAttribute(QStringLiteral("Video_file"), info.videoFile ? QStringLiteral("Y") : QStringLiteral("N"));
    infoElement.setAttribute(kNewFileAttr, info.newFile ? QStringLiteral("Y") : QStringLiteral("N"));

    // Bring the playlist children into line with the record, reusing them in order.
    QDomElement child = infoElement.nextSiblingElement();
    for (const QString &name : info.listNames) {
        if (child.isNull()) {
            QDomElement added = doc.createElement(QStringLiteral("List_name"));
            added.setAttribute(kListNameAttr, name);
            entry.appendChild(added);
        } else {
            child.setAttribute(kListNameAttr, name);
            child = child.nextSiblingElement();
        }
    }
    while (!child.isNull()) {
        const QDomElement surplus = child;
        child = child.nextSiblingElement();
        entry.removeChild(surplus);
    }
    return SaveXml(path, doc);
}

std::optional<convertedInfo> QVideoSettingXml::GetConvertedInfo(const QString &path)
{
    const QString file = historyFilePath();
    QByteArray bytes;
    if (!QFileInfo::exists(file) || !readAll(file, bytes))
        return std::nullopt;
    const QString wanted = normalised(path);
    std::optional<convertedInfo> found;
    const bool parsed = streamEntries(bytes, [&](convertedInfo &entry) {
        if (entry.convertedPath != wanted)
            return true;
        found = std::move(entry);
        return false;
    });
    if (!parsed) {
        QDomDocument recovered;
        isValidFile(file, recovered);  // keeps the bad file aside
        return std::nullopt;
    }
    return found;
}

QString QVideoSettingXml::getPreferencePath(const QString &path)
{
    const std::optional<convertedInfo> info = GetConvertedInfo(path);
    return info ? info->preferencePath : QString();
}

bool QVideoSettingXml::removeConvertedInfo(const QString &path)
{
    const QString file = historyFilePath();
    QDomDocument doc;
    if (!loadExisting(file, doc))
        return false;
    QDomElement root = doc.documentElement();
    const QDomElement entry = findEntry(root, path, true);
    if (entry.isNull())
        return false;
    root.removeChild(entry);
    return SaveXml(file, doc);
}

bool QVideoSettingXml::changeConvertedInfoPath(const QString &oldPath, const QString &newPath)
{
    const QString file = historyFilePath();
    QDomDocument doc;
    if (!loadExisting(file, doc))
        return false;
    QDomElement entry = findEntry(doc.documentElement(), oldPath, true);
    if (entry.isNull())
        return false;
    entry.setAttribute(kPathAttr, newPath);
    return SaveXml(file, doc);
}

bool QVideoSettingXml::changeConvertedInfoValue(const QString &path, const QString &key,
                                                const QString &value)
{
    const QString file = historyFilePath();
    const bool existed = QFileInfo::exists(file);
    QDomDocument doc;
    if (!loadOrCreate(file, doc))
        return false;
    QDomElement infoElement = findEntry(ensureRoot(doc), path, false).firstChildElement();
    if (infoElement.isNull()) {
        if (!existed)
            SaveXml(file, doc);
        return false;
    }
    infoElement.setAttribute(key, value);
    return SaveXml(file, doc);
}

QList<convertedInfo> QVideoSettingXml::analysisConvertedInfo()
{
    QList<convertedInfo> records;
    const QString file = historyFilePath();
    QByteArray bytes;
    if (!QFileInfo::exists(file) || !readAll(file, bytes))
        return records;
    bool anyNew = false;
    const bool parsed = streamEntries(bytes, [&](convertedInfo &entry) {
        anyNew = anyNew || entry.newFile;
        records.append(std::move(entry));
        return true;
    });
    if (!parsed) {
        QDomDocument recovered;
        isValidFile(file, recovered);  // keeps the bad file aside
        return QList<convertedInfo>();
    }
    if (anyNew) {
        const QByteArray cleared = withNewMarksCleared(bytes);
        if (cleared.isEmpty() || !writeFileAtomically(file, cleared))
            qWarning("History: the new-file marks could not be cleared");
    }
    return records;
}
