// History file: one "Path_item" per recording, its "CONVERTED_INFO_" element
// first, then one "List_name" element per playlist. Children are addressed by
// position; element names matter only when an element is created. Reading
// goes through a stream parser so that large libraries load quickly; changes
// go through the document and are saved atomically.
#include "common/qvideosettingxml.h"

#include "common/commonlog.h"
#include "common/historydocument.h"
#include "common/historywriter.h"
#include "common/statefile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace {

const QString kPathAttr = QStringLiteral("Converted_path_");
const QString kListNameAttr = QStringLiteral("ListName");
const QString kNewFileAttr = QStringLiteral("New_file");

QString normalised(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// The parsed form of the file as last read or written, reused while the
// file on disk is unchanged (see StateFile::signatureTrusted). Where the
// signature alone cannot tell (a write within the file system's time
// granularity), the digest of the bytes does; no copy of the bytes is kept.
struct ParsedHistory
{
    QMutex mutex;
    QString path;
    StateFile::Signature signature;
    qint64 readAtNs = 0;
    QByteArray digest;  // empty: the signature was trusted when read
    HistoryDocument doc;
    bool valid = false;
    // Saves are counted; the one counted last is the history.
    quint64 generation = 0;
    // The document is newer than the file: a save is on its way or failed.
    // Until it is written, the document is the history and the file is not
    // looked at.
    bool unwritten = false;
};

// Tells the bytes another writer left apart from ours, not an attacker's:
// the quickest digest Qt has.
constexpr QCryptographicHash::Algorithm kDigest = QCryptographicHash::Md4;

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, kDigest);
}

ParsedHistory &parsedHistory()
{
    static ParsedHistory cache;
    return cache;
}

// The texts of the records read in one pass: a value equal to the last one
// read for the same field shares its text (a folder, a format, a genre, a
// playlist), so that a large history's records are not each a copy.
class SharedTexts
{
public:
    QString text(int field, HistoryDocument::Text value)
    {
        // An empty value reads as empty, not as the null text of a field not yet read.
        if (value.size == 0)
            return value.toString();
        Last &last = m_last[field];
        if (!(last.bytes == value)) {
            last.bytes = value;
            last.text = value.toString();
        }
        return last.text;
    }

private:
    struct Last
    {
        HistoryDocument::Text bytes; // inside an entry the pass still holds
        QString text;
    };
    Last m_last[16];
};

// The record of one entry of the parsed form, as the stream reader makes it.
// One pass over the info element's attributes (their names are unique).
convertedInfo recordOf(const HistoryDocument::Entry &entry, SharedTexts *shared = nullptr)
{
    static const QString img = QStringLiteral("Img_path_"), resolution = QStringLiteral("Resolutin_"),
                         title = QStringLiteral("Title_"), time = QStringLiteral("Time_"),
                         size = QStringLiteral("Size_"), created = QStringLiteral("Create_time_"),
                         format = QStringLiteral("Format_"), extend = QStringLiteral("Extend_"),
                         artist = QStringLiteral("Artist_"), album = QStringLiteral("Album_"),
                         genre = QStringLiteral("Genre_"), preference = QStringLiteral("preferencePath_"),
                         video = QStringLiteral("Video_file");
    convertedInfo info;
    info.convertedPath = normalised(entry.attribute(kPathAttr));
    const int children = entry.childCount();
    if (children == 0)
        return info;
    for (int n = 1; n < children; ++n)
        info.listNames.append(QString());
    int listed = 0; // the last child whose list name was taken
    entry.visitChildAttributes([&](int child, const QString &name, HistoryDocument::Text value) {
        auto text = [&](int field) { return shared ? shared->text(field, value) : value.toString(); };
        if (child > 0) {
            if (child > listed && name == kListNameAttr) {
                info.listNames[child - 1] = text(15);
                listed = child;
            }
        } else if (name == img) {
            info.imgPath = text(0);
        } else if (name == resolution) {
            info.resolution = text(1);
        } else if (name == title) {
            info.title = text(2);
        } else if (name == time) {
            info.time = text(3);
        } else if (name == size) {
            info.size = text(4);
        } else if (name == created) {
            info.createTime = text(5);
        } else if (name == format) {
            info.format = text(6);
        } else if (name == extend) {
            info.extend = text(7);
        } else if (name == artist) {
            info.artist = text(8);
        } else if (name == album) {
            info.album = text(9);
        } else if (name == genre) {
            info.genre = text(10);
        } else if (name == preference) {
            info.preferencePath = text(11);
        } else if (name == video) {
            info.videoFile = value == QLatin1String("Y");
        } else if (name == kNewFileAttr) {
            info.newFile = value == QLatin1String("Y");
        }
    });
    return info;
}

// Writes every field of the record into its entry's info element.
void fillInfoElement(HistoryDocument::Element &i, const convertedInfo &info)
{
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
}

// The file still holds the bytes of the save counted `generation`: the
// cache may trust its signature from now on.
void confirmWritten(const QString &file, quint64 generation, const StateFile::Signature &written,
                    const QByteArray &sum)
{
    const qint64 readAt = StateFile::nowNs();
    if (!StateFile::signatureTrusted(written, readAt) || !(StateFile::signature(file) == written))
        return;
    const StateFile::Reading reading = StateFile::read(file, StateFile::kMaxHistoryBytes);
    if (reading.status != StateFile::Status::Read || digestOf(reading.bytes) != sum
        || !(StateFile::signature(file) == written))
        return;
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    if (cache.valid && !cache.unwritten && cache.generation == generation && cache.path == file
        && cache.signature == written)
        cache.readAtNs = readAt;
}

} // namespace

bool QVideoSettingXml::loadHistory(HistoryDocument &doc, bool createMissing)
{
    const QString file = historyFilePath();
    const StateFile::Signature before = StateFile::signature(file);
    ParsedHistory &cache = parsedHistory();
    {
        QMutexLocker lock(&cache.mutex);
        if (cache.valid && cache.path == file
            && (cache.unwritten
                || (cache.signature == before && StateFile::signatureTrusted(before, cache.readAtNs)))) {
            doc = cache.doc;
            return true;
        }
    }
    const StateFile::Reading reading = StateFile::read(file, StateFile::kMaxHistoryBytes);
    QByteArray salvaged;
    switch (reading.status) {
    case StateFile::Status::Missing:
        return createMissing;
    case StateFile::Status::Unopenable:
        qCWarning(lcCommon) << "Cannot read" << file << reading.reason;
        return false;
    case StateFile::Status::Refused:
        if (!setAside(file, QByteArray(), reading.reason, salvaged))
            return false;
        break;
    case StateFile::Status::Read: {
        if (reading.bytes.trimmed().isEmpty()) {
            doc = HistoryDocument();
            return true;
        }
        {
            QMutexLocker lock(&cache.mutex);
            if (cache.valid && cache.path == file && !cache.digest.isEmpty()
                && cache.signature.size == reading.bytes.size() && cache.digest == digestOf(reading.bytes)) {
                cache.signature = before;
                cache.readAtNs = StateFile::nowNs();
                doc = cache.doc;
                return true;
            }
        }
        QString reason;
        if (doc.parse(reading.bytes, &reason)) {
            const qint64 now = StateFile::nowNs();
            QMutexLocker lock(&cache.mutex);
            cache.path = file;
            cache.signature = before;
            cache.readAtNs = now;
            // A trusted signature tells every later change; only a file
            // written just now needs its digest to be told apart.
            cache.digest = StateFile::signatureTrusted(before, now) ? QByteArray() : digestOf(reading.bytes);
            cache.doc = doc;
            cache.valid = true;
            cache.unwritten = false;
            return true;
        }
        if (!setAside(file, reading.bytes, reason, salvaged))
            return false;
        break;
    }
    }
    // The entries that could be read replace the damaged file.
    {
        QMutexLocker lock(&cache.mutex);
        cache.valid = false;
    }
    HistoryDocument recovered;
    if (!salvaged.isEmpty() && recovered.parse(salvaged) && !recovered.entries().isEmpty()) {
        doc = recovered;
        return saveHistory(doc);
    }
    doc = HistoryDocument();
    QFile empty(file);
    if (empty.open(QIODevice::WriteOnly))
        empty.close();
    return true;
}

bool QVideoSettingXml::saveHistory(const HistoryDocument &doc)
{
    const QString file = historyFilePath();
    ParsedHistory &cache = parsedHistory();
    quint64 generation = 0;
    {
        // The document becomes the history at once; the disk follows.
        QMutexLocker lock(&cache.mutex);
        generation = ++cache.generation;
        cache.path = file;
        cache.doc = doc;
        cache.valid = true;
        cache.unwritten = true;
    }
    // The snapshot shares its entries with the cache: taking it copies nothing.
    HistoryWriter::instance().post(file, [file, doc, generation](QString *reason) {
        return writeHistory(file, doc, generation, reason);
    });
    return true;
}

bool QVideoSettingXml::writeHistory(const QString &file, const HistoryDocument &doc, quint64 generation,
                                    QString *reason)
{
    // Written as it is made, a piece at a time: a large history is never
    // held twice (as text and as bytes) beside its parsed form.
    QCryptographicHash digest(kDigest);
    const bool saved = writeFileAtomically(
        file,
        [&](const std::function<bool(const QByteArray &)> &write) {
            return doc.serialize([&](const QByteArray &piece) {
                digest.addData(piece);
                return write(piece);
            });
        },
        reason);
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    // A newer document is on its way and decides what the cache says.
    if (cache.generation != generation || cache.path != file)
        return saved;
    // A failed write leaves the document in memory as the history, so that
    // the next save carries this change too.
    cache.unwritten = !saved;
    if (saved) {
        const StateFile::Signature written = StateFile::signature(file);
        const QByteArray sum = digest.result();
        cache.signature = written;
        cache.readAtNs = StateFile::nowNs();
        cache.digest = sum;
        // Within the file system's time granularity only the bytes tell this
        // file from another writer's: they are compared here once it has
        // passed, rather than read again by whoever loads the history next.
        if (!StateFile::signatureTrusted(written, cache.readAtNs)) {
            const qint64 wait = StateFile::trustedAfterNs(written) - cache.readAtNs + 1000000;
            HistoryWriter::instance().later(std::chrono::nanoseconds(wait), [file, generation, written, sum] {
                confirmWritten(file, generation, written, sum);
            });
        }
    }
    return saved;
}

bool QVideoSettingXml::waitForHistory()
{
    return HistoryWriter::instance().waitForIdle();
}

bool QVideoSettingXml::SaveConvertedInfo(const convertedInfo &info)
{
    HistoryDocument doc;
    if (!loadHistory(doc, true))
        return false;
    const int index = doc.findEntry(info.convertedPath, false);
    HistoryDocument::Element entry;
    if (index < 0) {
        entry.name = QStringLiteral("Path_item");
        entry.setAttribute(kPathAttr, info.convertedPath);
    } else {
        entry = doc.entries().at(index).element();
    }
    if (entry.children.isEmpty()) {
        HistoryDocument::Element infoElement;
        infoElement.name = QStringLiteral("CONVERTED_INFO_");
        entry.children.append(infoElement);
    }
    fillInfoElement(entry.children.first(), info);

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
    if (index < 0)
        doc.entries().append(HistoryDocument::Entry(entry));
    else
        doc.entries()[index] = HistoryDocument::Entry(entry);
    return saveHistory(doc);
}

std::optional<convertedInfo> QVideoSettingXml::GetConvertedInfo(const QString &path)
{
    HistoryDocument doc;
    if (!loadHistory(doc, false))
        return std::nullopt;
    const int index = doc.findEntry(normalised(path), true);
    if (index < 0)
        return std::nullopt;
    return recordOf(doc.entries().at(index));
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
    HistoryDocument::Element entry = doc.entries().at(index).element();
    entry.setAttribute(kPathAttr, newPath);
    doc.entries()[index] = HistoryDocument::Entry(entry);
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
    if (index < 0 || doc.entries().at(index).childCount() == 0) {
        if (!existed)
            saveHistory(doc);
        return false;
    }
    HistoryDocument::Element entry = doc.entries().at(index).element();
    entry.children.first().setAttribute(key, value);
    doc.entries()[index] = HistoryDocument::Entry(entry);
    return saveHistory(doc);
}

QList<convertedInfo> QVideoSettingXml::analysisConvertedInfo()
{
    return loadHistoryAtStart([](convertedInfo &) { return true; });
}

QList<convertedInfo> QVideoSettingXml::loadHistoryAtStart(const std::function<bool(convertedInfo &)> &keep)
{
    HistoryStartChanges changes;
    QList<convertedInfo> records = readHistoryAtStart(keep, changes);
    if (!changes.isEmpty() && !applyHistoryStartChanges(changes))
        qCWarning(lcCommon, "History: the changes of the start-up pass could not be saved");
    return records;
}

QList<convertedInfo> QVideoSettingXml::readHistoryAtStart(const std::function<bool(convertedInfo &)> &keep,
                                                          HistoryStartChanges &changes)
{
    QList<convertedInfo> records;
    readHistoryAtStart(keep, changes, [&records](convertedInfo &info) { records.append(std::move(info)); });
    return records;
}

void QVideoSettingXml::readHistoryAtStart(const std::function<bool(convertedInfo &)> &keep,
                                          HistoryStartChanges &changes,
                                          const std::function<void(convertedInfo &)> &take)
{
    HistoryDocument doc;
    if (!loadHistory(doc, false))
        return;
    // Read without touching the document, which shares its entries with
    // the parsed form kept for later changes.
    const QVector<HistoryDocument::Entry> &entries = std::as_const(doc).entries();
    SharedTexts shared;
    for (const HistoryDocument::Entry &entry : entries) {
        convertedInfo info = recordOf(entry, &shared);
        const QString format = info.format;
        if (!keep(info)) {
            changes.dropped.insert(entry.attribute(kPathAttr));
            continue;
        }
        if (entry.childCount() > 0) {
            if (info.newFile)
                changes.unmarked.insert(entry.attribute(kPathAttr));
            if (info.format != format)
                changes.formats.insert(entry.attribute(kPathAttr), info.format);
        }
        take(info);
    }
}

bool QVideoSettingXml::applyHistoryStartChanges(const HistoryStartChanges &changes)
{
    if (changes.isEmpty())
        return true;
    HistoryDocument doc;
    if (!loadHistory(doc, false))
        return false;
    const QVector<HistoryDocument::Entry> &entries = std::as_const(doc).entries();
    QVector<HistoryDocument::Entry> kept;
    kept.reserve(entries.size());
    bool changed = false;
    for (const HistoryDocument::Entry &stored : entries) {
        const QString path = stored.attribute(kPathAttr);
        if (changes.dropped.contains(path)) {
            changed = true;
            continue;
        }
        const bool unmark = changes.unmarked.contains(path);
        const auto format = changes.formats.constFind(path);
        if ((!unmark && format == changes.formats.cend()) || stored.childCount() == 0) {
            kept.append(stored);
            continue;
        }
        HistoryDocument::Element entry = stored.element();
        if (unmark)
            entry.children.first().setAttribute(kNewFileAttr, QStringLiteral("N"));
        if (format != changes.formats.cend())
            entry.children.first().setAttribute(QStringLiteral("Format_"), format.value());
        kept.append(HistoryDocument::Entry(entry));
        changed = true;
    }
    if (!changed)
        return true;
    doc.entries() = std::move(kept);
    return saveHistory(doc);
}

bool QVideoSettingXml::appendConvertedInfos(const QList<convertedInfo> &records)
{
    if (records.isEmpty())
        return true;
    HistoryDocument doc;
    if (!loadHistory(doc, true))
        return false;
    QSet<QString> listed;
    for (const HistoryDocument::Entry &entry : std::as_const(doc).entries())
        listed.insert(entry.attribute(kPathAttr));
    for (const convertedInfo &info : records) {
        if (listed.contains(info.convertedPath))
            continue;
        listed.insert(info.convertedPath);
        HistoryDocument::Element entry;
        entry.name = QStringLiteral("Path_item");
        entry.setAttribute(kPathAttr, info.convertedPath);
        HistoryDocument::Element infoElement;
        infoElement.name = QStringLiteral("CONVERTED_INFO_");
        fillInfoElement(infoElement, info);
        entry.children.append(infoElement);
        for (const QString &name : info.listNames) {
            HistoryDocument::Element list;
            list.name = QStringLiteral("List_name");
            list.setAttribute(kListNameAttr, name);
            entry.children.append(list);
        }
        doc.entries().append(HistoryDocument::Entry(entry));
    }
    return saveHistory(doc);
}
