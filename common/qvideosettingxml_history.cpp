// History file: one "Path_item" per recording, its "CONVERTED_INFO_" element
// first, then one "List_name" element per playlist. Children are addressed by
// position; element names matter only when an element is created. Reading
// goes through a stream parser so that large libraries load quickly; changes
// go through the document and are saved atomically.
#include "common/qvideosettingxml.h"

#include "common/commonlog.h"
#include "common/historydocument.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
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

// Hands every entry whose path passes the filter, in file order, to visit
// until it returns false. The path is given with backslashes turned into "/".
// False when the bytes do not parse up to the point where the walk ended.
bool streamEntries(const QByteArray &bytes, const std::function<bool(const QString &)> &wanted,
                   const std::function<bool(convertedInfo &)> &visit)
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
                if (!wanted(current.convertedPath)) {
                    reader.skipCurrentElement();
                    --depth;
                }
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

bool readAll(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

namespace {

// The parsed form of the bytes last read or written. Reading the file is
// cheap, parsing it is not: when the file still holds exactly these bytes
// the parsed form is reused. Any change made elsewhere changes the bytes.
struct ParsedHistory
{
    QMutex mutex;
    QString path;
    QByteArray bytes;
    HistoryDocument doc;
    bool valid = false;
};

ParsedHistory &parsedHistory()
{
    static ParsedHistory cache;
    return cache;
}

// The record of one entry of the parsed form, as the stream reader makes it.
convertedInfo recordOf(const HistoryDocument::Element &entry)
{
    convertedInfo info;
    info.convertedPath = normalised(entry.attribute(kPathAttr));
    if (entry.children.isEmpty())
        return info;
    const HistoryDocument::Element &i = entry.children.first();
    info.imgPath = i.attribute(QStringLiteral("Img_path_"));
    info.resolution = i.attribute(QStringLiteral("Resolutin_"));
    info.title = i.attribute(QStringLiteral("Title_"));
    info.time = i.attribute(QStringLiteral("Time_"));
    info.size = i.attribute(QStringLiteral("Size_"));
    info.createTime = i.attribute(QStringLiteral("Create_time_"));
    info.format = i.attribute(QStringLiteral("Format_"));
    info.extend = i.attribute(QStringLiteral("Extend_"));
    info.artist = i.attribute(QStringLiteral("Artist_"));
    info.album = i.attribute(QStringLiteral("Album_"));
    info.genre = i.attribute(QStringLiteral("Genre_"));
    info.preferencePath = i.attribute(QStringLiteral("preferencePath_"));
    info.videoFile = i.attribute(QStringLiteral("Video_file")) == QLatin1String("Y");
    info.newFile = i.attribute(kNewFileAttr) == QLatin1String("Y");
    for (int n = 1; n < entry.children.size(); ++n)
        info.listNames << entry.children.at(n).attribute(kListNameAttr);
    return info;
}

} // namespace

bool QVideoSettingXml::loadHistory(HistoryDocument &doc, bool createMissing)
{
    const QString file = historyFilePath();
    if (!QFileInfo::exists(file))
        return createMissing;
    QByteArray bytes;
    if (!readAll(file, bytes))
        return false;
    if (bytes.trimmed().isEmpty())
        return true;
    ParsedHistory &cache = parsedHistory();
    {
        QMutexLocker lock(&cache.mutex);
        if (cache.valid && cache.path == file && cache.bytes == bytes) {
            doc = cache.doc;
            return true;
        }
    }
    if (doc.parse(bytes)) {
        QMutexLocker lock(&cache.mutex);
        cache.path = file;
        cache.bytes = bytes;
        cache.doc = doc;
        cache.valid = true;
        return true;
    }
    // Unparsable: the shared recovery keeps it aside and leaves an empty file.
    QDomDocument recovered;
    // Should the document parser accept what the stream parser refused,
    // report the file unreadable rather than write over it.
    return isValidFile(file, recovered) && recovered.documentElement().firstChild().isNull();
}

bool QVideoSettingXml::saveHistory(const HistoryDocument &doc)
{
    const QString file = historyFilePath();
    const QByteArray bytes = doc.serialize();
    const bool saved = writeFileAtomically(file, bytes);
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    cache.valid = saved;
    if (saved) {
        cache.path = file;
        cache.bytes = bytes;
        cache.doc = doc;
    }
    return saved;
}

bool QVideoSettingXml::SaveConvertedInfo(const convertedInfo &info)
{
    HistoryDocument doc;
    if (!loadHistory(doc, true))
        return false;
    int index = doc.findEntry(info.convertedPath, false);
    if (index < 0) {
        HistoryDocument::Element entry;
        entry.name = QStringLiteral("Path_item");
        entry.setAttribute(kPathAttr, info.convertedPath);
        doc.entries().append(entry);
        index = doc.entries().size() - 1;
    }
    HistoryDocument::Element &entry = doc.entries()[index];
    if (entry.children.isEmpty()) {
        HistoryDocument::Element infoElement;
        infoElement.name = QStringLiteral("CONVERTED_INFO_");
        entry.children.append(infoElement);
    }
    HistoryDocument::Element &i = entry.children.first();
    i.setAttribute(QStringLiteral("Img_path_"), info.imgPath);
    i.setAttribute(QStringLiteral("Title_"), info.title);
    i.setAttribute(QStringLiteral("Resolutin_"), info.resolution);
    i.setAttribute(QStringLiteral("Time_"), info.time);
    i.setAttribute(QStringLiteral("Size_"), info.size);
    i.setAttribute(QStringLiteral("Create_time_"), info.createTime);
    i.setAttribute(QStringLiteral("Format_"), info.format);
    i.setAttribute(QStringLiteral("Extend_"), info.extend);
    i.setAttribute(QStringLiteral("Artist_"), info.artist);
    i.setAttribute(QStringLiteral("Album_"), info.album);
    i.setAttribute(QStringLiteral("Genre_"), info.genre);
    i.setAttribute(QStringLiteral("preferencePath_"), info.preferencePath);
    i.setAttribute(QStringLiteral("Video_file"), info.videoFile ? QStringLiteral("Y") : QStringLiteral("N"));
    i.setAttribute(kNewFileAttr, info.newFile ? QStringLiteral("Y") : QStringLiteral("N"));

    // The playlist children follow the info element, one per name in order;
    // existing ones are reused, surplus ones removed.
    const int names = info.listNames.size();
    for (int n = 0; n < names; ++n) {
        if (n + 1 < entry.children.size()) {
            entry.children[n + 1].setAttribute(kListNameAttr, info.listNames.at(n));
        } else {
            HistoryDocument::Element list;
            list.name = QStringLiteral("List_name");
            list.setAttribute(kListNameAttr, info.listNames.at(n));
            entry.children.append(list);
        }
    }
    entry.children.resize(names + 1);
    return saveHistory(doc);
}

std::optional<convertedInfo> QVideoSettingXml::GetConvertedInfo(const QString &path)
{
    const QString file = historyFilePath();
    QByteArray bytes;
    if (!QFileInfo::exists(file) || !readAll(file, bytes))
        return std::nullopt;
    const QString wanted = normalised(path);
    {
        ParsedHistory &cache = parsedHistory();
        QMutexLocker lock(&cache.mutex);
        if (cache.valid && cache.path == file && cache.bytes == bytes) {
            const int index = cache.doc.findEntry(wanted, true);
            if (index < 0)
                return std::nullopt;
            return recordOf(cache.doc.entries().at(index));
        }
    }
    std::optional<convertedInfo> found;
    const bool parsed = streamEntries(
        bytes, [&](const QString &entryPath) { return entryPath == wanted; },
        [&](convertedInfo &entry) {
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
    HistoryDocument doc;
    if (!loadHistory(doc, false))
        return false;
    const int index = doc.findEntry(path, true);
    if (index < 0)
        return false;
    doc.entries().remove(index);
    return saveHistory(doc);
}

bool QVideoSettingXml::changeConvertedInfoPath(const QString &oldPath, const QString &newPath)
{
    HistoryDocument doc;
    if (!loadHistory(doc, false))
        return false;
    const int index = doc.findEntry(oldPath, true);
    if (index < 0)
        return false;
    doc.entries()[index].setAttribute(kPathAttr, newPath);
    return saveHistory(doc);
}

bool QVideoSettingXml::changeConvertedInfoValue(const QString &path, const QString &key,
                                                const QString &value)
{
    const bool existed = QFileInfo::exists(historyFilePath());
    HistoryDocument doc;
    if (!loadHistory(doc, true))
        return false;
    const int index = doc.findEntry(path, false);
    if (index < 0 || doc.entries().at(index).children.isEmpty()) {
        if (!existed)
            saveHistory(doc);
        return false;
    }
    doc.entries()[index].children.first().setAttribute(key, value);
    return saveHistory(doc);
}

QList<convertedInfo> QVideoSettingXml::analysisConvertedInfo()
{
    QList<convertedInfo> records;
    const QString file = historyFilePath();
    QByteArray bytes;
    if (!QFileInfo::exists(file) || !readAll(file, bytes))
        return records;
    bool anyNew = false;
    const bool parsed = streamEntries(
        bytes, [](const QString &) { return true; },
        [&](convertedInfo &entry) {
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
        HistoryDocument doc;
        bool saved = doc.parse(bytes);
        if (saved) {
            for (HistoryDocument::Element &entry : doc.entries()) {
                if (!entry.children.isEmpty() && entry.children.first().attribute(kNewFileAttr) == QLatin1String("Y"))
                    entry.children.first().setAttribute(kNewFileAttr, QStringLiteral("N"));
            }
            saved = saveHistory(doc);
        }
        if (!saved)
            qCWarning(lcCommon, "History: the new-file marks could not be cleared");
    }
    return records;
}
