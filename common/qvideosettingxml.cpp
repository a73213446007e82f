#include "common/qvideosettingxml.h"

#include "common/commonlog.h"
#include "common/qianyutil.h"
#include "common/statefile.h"
#include "common/statefilelock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamReader>

#include <cstdio>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The parsed form of each settings file last read, kept until the file
// changes on disk or is saved by the store. Readers that only look share it;
// callers that change a document get a copy of their own.
struct CachedDocument
{
    StateFile::Signature signature;
    qint64 readAtNs = 0;
    QByteArray bytes;
    QDomDocument doc;
};

struct DocumentCache
{
    QMutex mutex;
    QHash<QString, CachedDocument> files;
};

DocumentCache &documentCache()
{
    static DocumentCache cache;
    return cache;
}

void forgetDocument(const QString &path)
{
    DocumentCache &cache = documentCache();
    QMutexLocker lock(&cache.mutex);
    cache.files.remove(path);
}

// Finds, and when `change` is set drops, what no file can hold below node:
// elements and attributes whose names cannot be held, characters of values
// and texts that cannot. Returns how many there were; what names them.
int makeHoldable(QDomNode node, bool change, QStringList *what)
{
    int found = 0;
    for (QDomNode n = node.firstChild(); !n.isNull();) {
        const QDomNode next = n.nextSibling();
        if (n.isElement()) {
            QDomElement e = n.toElement();
            if (!StateFile::isXmlName(e.tagName())) {
                ++found;
                if (change) {
                    *what << QStringLiteral("the element \"%1\"")
                                 .arg(QString::fromLatin1(e.tagName().toUtf8().toPercentEncoding()));
                    node.removeChild(n);
                }
                n = next;
                continue;
            }
            const QDomNamedNodeMap attributes = e.attributes();
            for (int i = attributes.size() - 1; i >= 0; --i) {
                QDomAttr a = attributes.item(i).toAttr();
                int dropped = 0;
                const QString value = StateFile::storable(a.value(), &dropped);
                if (!StateFile::isXmlName(a.name())) {
                    ++found;
                    if (change) {
                        *what << QStringLiteral("the attribute \"%1\"")
                                     .arg(QString::fromLatin1(a.name().toUtf8().toPercentEncoding()));
                        e.removeAttributeNode(a);
                    }
                } else if (dropped) {
                    ++found;
                    if (change) {
                        *what << QStringLiteral("%1 characters of \"%2\"").arg(dropped).arg(a.name());
                        a.setValue(value);
                    }
                }
            }
            found += makeHoldable(n, change, what);
        } else if (n.isCharacterData()) {
            QDomCharacterData text = n.toCharacterData();
            int dropped = 0;
            const QString data = StateFile::storable(text.data(), &dropped);
            if (dropped) {
                ++found;
                if (change) {
                    *what << QStringLiteral("%1 characters of a text").arg(dropped);
                    text.setData(data);
                }
            }
        }
        n = next;
    }
    return found;
}

// Parses through the stream reader, as StateFile::check reads the file: by
// its byte order mark or declaration, and character references beyond
// U+FFFF as what they name (the DOM's own parser keeps only their lower
// sixteen bits).
bool parseDocument(const QByteArray &bytes, QDomDocument &doc, QString *reason = nullptr)
{
    QXmlStreamReader reader(bytes);
    // As StateFile::check reads it: a prefix is part of the name.
    reader.setNamespaceProcessing(false);
    QDomDocument parsed;
    QString error;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(&reader, false, &error, &line, &column)) {
        if (reason)
            *reason = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(error);
        return false;
    }
    doc = parsed;
    return true;
}

// The document's bytes as the store writes them: UTF-8, indent 4. A
// declaration read with it now says UTF-8 (as it stood, it could name
// another encoding, and the DOM writes characters that one lacks as
// references to UTF-16 halves).
QByteArray serialized(const QDomDocument &doc)
{
    const QDomNode first = doc.firstChild();
    static const QRegularExpression kUtf8(
        QStringLiteral(R"(^version\s*=\s*(["'])1\.0\1\s+encoding\s*=\s*(["'])UTF-8\2$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (!first.isProcessingInstruction() || first.nodeName() != QLatin1String("xml")
        || kUtf8.match(first.nodeValue().trimmed()).hasMatch())
        return doc.toByteArray(4);
    QDomDocument copy = doc.cloneNode(true).toDocument();
    copy.firstChild().toProcessingInstruction().setData(QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
    return copy.toByteArray(4);
}

} // namespace

QDomElement QVideoSettingXml::ensureRoot(QDomDocument &doc)
{
    QDomElement root = doc.documentElement();
    if (root.isNull()) {
        root = doc.createElement(QVideoSettingXml::rootElementName());
        doc.appendChild(root);
    }
    return root;
}

const QString &QVideoSettingXml::rootElementName()
{
    static const QString name = QStringLiteral("ROOTITEM");
    return name;
}

QString QVideoSettingXml::appDataFile(const QString &name)
{
    return QIAnyUtil::getAppDataPath() + QLatin1Char('/') + name;
}

QString QVideoSettingXml::preferencesFilePath()
{
    return appDataFile(QStringLiteral("AudioDefaultSetting.xml"));
}

QString QVideoSettingXml::defaultFormatFilePath()
{
    return appDataFile(QStringLiteral("AudioDefaultFormatSetting.xml"));
}

QString QVideoSettingXml::playListFilePath()
{
    return appDataFile(QStringLiteral("CustomedLists.xml"));
}

QString QVideoSettingXml::digestFilePath()
{
    return appDataFile(QStringLiteral("ConvertedMd5.xml"));
}

QString QVideoSettingXml::catalogueFilePath()
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/AudioSetting.xml");
}

QString QVideoSettingXml::historyFilePath()
{
    return appDataFile(QStringLiteral("History.xml"));
}

QDomDocument QVideoSettingXml::newDocument()
{
    QDomDocument doc;
    doc.appendChild(doc.createElement(rootElementName()));
    return doc;
}

qint64 QVideoSettingXml::maxBytesOf(const QString &path)
{
    return path == historyFilePath() ? StateFile::kMaxHistoryBytes : StateFile::kMaxBytes;
}

QString QVideoSettingXml::entryTagOf(const QString &path)
{
    if (path == historyFilePath())
        return QStringLiteral("Path_item");
    if (path == playListFilePath())
        return QStringLiteral("List_name");
    return QString();
}

bool QVideoSettingXml::setAside(const QString &path, const QByteArray &bytes, const QString &reason,
                                QByteArray &salvaged)
{
    int kept = 0;
    salvaged = bytes.isEmpty() ? QByteArray()
                               : StateFile::salvage(bytes, entryTagOf(path), StateFile::kMaxDepth, &kept);
    // Keep the damaged file for the user before starting afresh.
    const QString bad = StateFile::freeBadName(path);
    qCWarning(lcCommon).noquote() << QStringLiteral("%1 does not parse or is refused (%2); kept as %3, %4 entries recovered")
                                         .arg(path, reason, bad).arg(kept);
    // Not QFile::rename: it falls back to copying, which would read a pipe.
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(bad).constData()) != 0) {
        qCWarning(lcCommon) << "Cannot move" << path << "aside; leaving it untouched";
        return false;
    }
    forgetDocument(path);
    StateFileNotices::add({path, bad, reason, kept});
    return true;
}

bool QVideoSettingXml::readShared(const QString &path, QDomDocument &doc)
{
    const StateFile::Signature before = StateFile::signature(path);
    DocumentCache &cache = documentCache();
    {
        QMutexLocker lock(&cache.mutex);
        const auto found = cache.files.constFind(path);
        if (found != cache.files.constEnd() && found->signature == before
            && StateFile::signatureTrusted(before, found->readAtNs)) {
            doc = found->doc;
            return true;
        }
    }
    const StateFile::Reading reading = StateFile::read(path, maxBytesOf(path));
    // A damaged file is set aside and replaced under the lock of the running
    // copies, after it is read again: another copy may have mended it.
    const auto repairLocked = [&]() -> std::optional<bool> {
        if (StateFileLock::heldHere(path))
            return std::nullopt;
        const StateFileLocker lock(path);
        return lockedToSave(path, lock) && readShared(path, doc);
    };
    QByteArray salvaged;
    switch (reading.status) {
    case StateFile::Status::Missing:
        forgetDocument(path);
        return false;
    case StateFile::Status::Unopenable:
        forgetDocument(path);
        qCWarning(lcCommon) << "Cannot read" << path << reading.reason;
        return false;
    case StateFile::Status::Refused:
        if (const std::optional<bool> repaired = repairLocked())
            return *repaired;
        if (!setAside(path, QByteArray(), reading.reason, salvaged))
            return false;
        break;
    case StateFile::Status::Read: {
        {
            QMutexLocker lock(&cache.mutex);
            const auto found = cache.files.find(path);
            if (found != cache.files.end() && found->bytes == reading.bytes) {
                found->signature = before;
                found->readAtNs = StateFile::nowNs();
                doc = found->doc;
                return true;
            }
        }
        QString reason;
        if (reading.bytes.trimmed().isEmpty()) {
            // The program never writes an empty history: one is what a crash
            // right after truncating leaves.
            if (path == historyFilePath())
                reason = reading.bytes.isEmpty() ? QStringLiteral("the file is empty")
                                                 : QStringLiteral("the file holds nothing but blanks");
            else
                doc = newDocument();
        } else if (StateFile::check(reading.bytes, StateFile::kMaxDepth, &reason,
                                    StateFile::Between::BlanksOnly)) {
            if (parseDocument(reading.bytes, doc, &reason))
                ensureRoot(doc);
        }
        if (reason.isEmpty()) {
            QMutexLocker lock(&cache.mutex);
            cache.files.insert(path, {before, StateFile::nowNs(), reading.bytes, doc});
            return true;
        }
        if (const std::optional<bool> repaired = repairLocked())
            return *repaired;
        if (!setAside(path, reading.bytes, reason, salvaged))
            return false;
        break;
    }
    }
    // What could be read from the damaged file replaces it; else an empty
    // document (an empty file would not be well-formed).
    QDomDocument recovered;
    if (!salvaged.isEmpty() && parseDocument(salvaged, recovered) && recovered.documentElement().hasChildNodes())
        doc = recovered;
    else
        doc = newDocument();
    SaveXml(path, doc);
    return true;
}

bool QVideoSettingXml::isValidFile(const QString &path, QDomDocument &doc)
{
    QDomDocument shared;
    if (!readShared(path, shared))
        return false;
    // The caller may change its document; the shared one stays as read.
    doc = shared.cloneNode(true).toDocument();
    return true;
}

bool QVideoSettingXml::writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(path, [&bytes](const std::function<bool(const QByteArray &)> &write) {
        return write(bytes);
    });
}

bool QVideoSettingXml::lockedToSave(const QString &path, const StateFileLocker &lock)
{
    if (!lock.replaced().isEmpty())
        qCWarning(lcCommon).noquote() << QStringLiteral("%1 was %2; a lock file replaces it")
                                             .arg(StateFileLock::lockPathOf(path), lock.replaced());
    if (lock.isLocked())
        return true;
    qCWarning(lcCommon).noquote() << QStringLiteral("%1 is not saved: %2").arg(path, lock.errorString());
    return false;
}

bool QVideoSettingXml::writeFileAtomically(const QString &path, const FileProducer &produce, QString *reason,
                                           const std::function<void(int fd)> &beforeCommit)
{
    // A link to nothing would be written through, making a file where it
    // points: what is there goes, as for the log, not what it points to.
    const QByteArray name = QFile::encodeName(path);
    struct stat there;
    if (::lstat(name.constData(), &there) == 0 && S_ISLNK(there.st_mode) && !QFileInfo::exists(path)) {
        const QString target = QFileInfo(path).symLinkTarget();
        if (::unlink(name.constData()) == 0)
            qCWarning(lcCommon).noquote()
                << QStringLiteral("%1 was a symbolic link to nothing (%2); a new file replaces it")
                       .arg(path, target);
    }
    QSaveFile file(path);
    const auto fail = [&](const QString &what) {
        const QString why = QStringLiteral("%1 (%2)").arg(what, file.errorString());
        qCWarning(lcCommon).noquote() << path << why;
        if (reason)
            *reason = why;
        return false;
    };
    // Unbuffered: a buffered flush that writes only part of the bytes (full
    // disk, size limit) is not reported by QSaveFile and would be committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot be opened for writing"));
    bool writeFailed = false;
    const bool written = produce([&file, &writeFailed](const QByteArray &bytes) {
        qint64 done = 0;
        while (done < bytes.size()) {
            const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
            if (n <= 0) {
                writeFailed = true;
                return false;
            }
            done += n;
        }
        return true;
    });
    if (!written) {
        fail(writeFailed ? QStringLiteral("cannot be written") : QStringLiteral("was not completed"));
        file.cancelWriting();
        return false;
    }
    if (beforeCommit)
        beforeCommit(file.handle());
    if (!file.commit())
        return fail(QStringLiteral("cannot be saved"));
    return true;
}

bool QVideoSettingXml::SaveXml(const QString &path, const QDomDocument &doc)
{
    forgetDocument(path);
    // The DOM writes names and characters as it is given them, even those
    // no reader takes back: they are left out, and said so.
    if (makeHoldable(doc, false, nullptr) > 0) {
        QDomDocument holdable = doc.cloneNode(true).toDocument();
        QStringList dropped;
        makeHoldable(holdable, true, &dropped);
        qCWarning(lcCommon).noquote()
            << path << "cannot hold, and is saved without:" << dropped.join(QStringLiteral("; "));
        return writeFileAtomically(path, serialized(holdable));
    }
    // toByteArray writes UTF-8 and adds no declaration of its own.
    return writeFileAtomically(path, serialized(doc));
}

bool QVideoSettingXml::loadOrCreate(const QString &path, QDomDocument &doc)
{
    if (!QFileInfo::exists(path)) {
        doc = newDocument();
        return true;
    }
    return isValidFile(path, doc);
}

bool QVideoSettingXml::loadExisting(const QString &path, QDomDocument &doc)
{
    if (!QFileInfo::exists(path))
        return false;
    return isValidFile(path, doc);
}

bool QVideoSettingXml::loadReadOnly(const QString &path, QDomDocument &doc)
{
    const StateFile::Reading reading = StateFile::read(path, StateFile::kMaxBytes);
    if (reading.status != StateFile::Status::Read) {
        if (reading.status != StateFile::Status::Missing)
            qCWarning(lcCommon).noquote() << QStringLiteral("%1 cannot be read: %2").arg(path, reading.reason);
        return false;
    }
    QString reason;
    if (!StateFile::check(reading.bytes, StateFile::kMaxDepth, &reason)) {
        qCWarning(lcCommon).noquote() << QStringLiteral("%1 does not parse (%2)").arg(path, reason);
        return false;
    }
    if (!parseDocument(reading.bytes, doc))
        return false;
    return !doc.documentElement().isNull();
}

QString QVideoSettingXml::GetItemValue(const QString &group, const QString &key,
                                       const QString &defaultValue, const QString &file)
{
    return getItemValues(group, {{key, defaultValue}}, file).constFirst();
}

bool QVideoSettingXml::SetItemValue(const QString &group, const QString &key,
                                    const QString &value, const QString &file)
{
    return setItemValues(group, {{key, value}}, file);
}

bool QVideoSettingXml::changeXml(const QString &path, bool createMissing,
                                 const std::function<XmlEdit(QDomDocument &doc)> &change)
{
    const StateFileLocker lock(path);
    if (!lockedToSave(path, lock))
        return false;
    QDomDocument doc;
    if (!(createMissing ? loadOrCreate(path, doc) : loadExisting(path, doc)))
        return false;
    switch (change(doc)) {
    case XmlEdit::Save:
        return SaveXml(path, doc);
    case XmlEdit::Keep:
        return true;
    case XmlEdit::Refuse:
        break;
    }
    return false;
}

bool QVideoSettingXml::setItemValues(const QString &group, const QList<QPair<QString, QString>> &values,
                                     const QString &file)
{
    return changeXml(file.isEmpty() ? preferencesFilePath() : file, true, [&](QDomDocument &doc) {
        QDomElement root = ensureRoot(doc);
        QDomElement groupElement = root.firstChildElement(group);
        bool changed = groupElement.isNull();
        if (changed) {
            groupElement = doc.createElement(group);
            root.appendChild(groupElement);
        }
        for (const auto &value : values) {
            if (groupElement.hasAttribute(value.first) && groupElement.attribute(value.first) == value.second)
                continue;
            groupElement.setAttribute(value.first, value.second);
            changed = true;
        }
        // Values already stored leave the file alone: the program sets some
        // at every start, on the GUI thread, and a write waits for the disk.
        return changed ? XmlEdit::Save : XmlEdit::Keep;
    });
}

QList<QString> QVideoSettingXml::getItemValues(const QString &group,
                                               const QList<QPair<QString, QString>> &keysAndDefaults,
                                               const QString &file)
{
    QList<QString> results;
    for (const auto &pair : keysAndDefaults)
        results << pair.second;
    const QString path = file.isEmpty() ? preferencesFilePath() : file;
    QDomDocument doc;
    if (QFileInfo::exists(path)) {
        if (!readShared(path, doc))
            return results;
        const QDomElement groupElement = doc.documentElement().firstChildElement(group);
        if (!groupElement.isNull()) {
            // A read that finds everything in place leaves the file alone.
            for (int i = 0; i < keysAndDefaults.size(); ++i) {
                const QString stored = groupElement.attribute(keysAndDefaults.at(i).first);
                if (!stored.isEmpty())
                    results[i] = stored;
            }
            return results;
        }
    }
    // The group is made, unless another copy made it meanwhile.
    changeXml(path, true, [&group](QDomDocument &changed) {
        QDomElement root = ensureRoot(changed);
        if (!root.firstChildElement(group).isNull())
            return XmlEdit::Keep;
        root.appendChild(changed.createElement(group));
        return XmlEdit::Save;
    });
    return results;
}

QString QVideoSettingXml::readStoringDefault(const QString &group, const QString &key,
                                             const QString &defaultValue, const QString &file)
{
    QString result = defaultValue;
    changeXml(file.isEmpty() ? preferencesFilePath() : file, true, [&](QDomDocument &doc) {
        QDomElement root = ensureRoot(doc);
        QDomElement groupElement = root.firstChildElement(group);
        if (groupElement.isNull()) {
            groupElement = doc.createElement(group);
            groupElement.setAttribute(key, defaultValue);
            root.appendChild(groupElement);
        } else {
            const QString stored = groupElement.attribute(key);
            if (stored.isEmpty())
                groupElement.setAttribute(key, defaultValue);
            else
                result = stored;
        }
        return XmlEdit::Save;
    });
    return result;
}

QString QVideoSettingXml::getCaptureImgSuffix()
{
    return readStoringDefault(QStringLiteral("Screenshots"), QStringLiteral("IMG_SUFFIX"),
                              QStringLiteral("JPEG"));
}

bool QVideoSettingXml::setCaptureImgSuffix(const QString &suffix)
{
    return SetItemValue(QStringLiteral("Screenshots"), QStringLiteral("IMG_SUFFIX"), suffix);
}

QString QVideoSettingXml::getCaptrueImaSavePath()
{
    qCDebug(lcCommon) << preferencesFilePath();
    const QString documents = QIAnyUtil::getDocumentPath();
    QString folder = documents + QStringLiteral("/Screenshots/");
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        folder = documents;
    return readStoringDefault(QStringLiteral("Screenshots"), QStringLiteral("IMG_Folder"), folder);
}

bool QVideoSettingXml::setCaptrueImaPath(const QString &folder)
{
    return SetItemValue(QStringLiteral("Screenshots"), QStringLiteral("IMG_Folder"), folder);
}
