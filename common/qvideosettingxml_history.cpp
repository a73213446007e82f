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
#include "common/statefilelock.h"
#include "common/statefilewatch.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace {

using Name = HistoryDocument::Name;

const QString &nameOf(Name name)
{
    return HistoryDocument::nameText(name);
}

// The parsed form of the file as last read or written, reused while the
// file on disk is unchanged (see StateFile::signatureTrusted). Where the
// signature alone cannot tell (a write within the file system's time
// granularity), the watch of the file this process wrote does, else the
// digest of the bytes; no copy of the bytes is kept.
struct ParsedHistory
{
    QMutex mutex;
    QString path;
    StateFile::Signature signature;
    qint64 readAtNs = 0;
    QByteArray digest;  // empty: the signature was trusted when read
    // The file this process wrote last, watched from before it took its
    // name: while nothing touched it, it holds what was written.
    StateFileWatch watch;
    HistoryDocument doc;
    bool valid = false;
    // Saves are counted; the one counted last is the history.
    quint64 generation = 0;
    // The changes of this process not yet in the file, oldest first: the
    // document is the file as this process last read or wrote it (the
    // signature above; unknown when baseKnown is not set) with these
    // applied. The writer applies them again to what another copy of the
    // program wrote since.
    struct Pending
    {
        quint64 generation;
        std::function<bool(HistoryDocument &)> change;
    };
    std::vector<Pending> pending;
    bool baseKnown = false;
    // The running copies' count of saves (common/statefilelock.h) when this
    // process last wrote the file; 0 when not known (since read anew).
    quint64 saveCount = 0;
    // The document is newer than the file: a save is on its way or failed.
    // Until it is written, the document is the history and the file is not
    // looked at.
    bool unwritten = false;
    // The history writer's ticket of the last save.
    quint64 ticket = 0;
    // Why the last write failed, while its changes are still unwritten.
    QString failure;
    // Those told of another copy's changes (QVideoSettingXml::followHistory).
    // While there are any, the history in memory is what the program shows:
    // the file is read again only on the writer's thread.
    struct Follower
    {
        QObject *context;
        std::function<void(const QStringList &)> changed;
    };
    std::vector<Follower> followers;
    // Why a change was refused since the last write that succeeded: the
    // file could not be read (a folder at its path); told once.
    QString refused;
    bool refusalTold = false;
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

// The file, whose signature is now, still holds what was read or written of
// it when it had the signature base, as far as that is told without reading
// it: the signature is trusted since readAtNs, or the file is the one this
// process wrote, untouched since.
bool knownUnchanged(const StateFile::Signature &now, const StateFile::Signature &base, qint64 readAtNs)
{
    return now == base
           && (StateFile::signatureTrusted(now, readAtNs)
               || parsedHistory().watch.untouched(quint64(now.inode)));
}

// The texts of the records read in one pass: a value equal to the last one
// read for the same attribute shares its text (a folder, a format, a genre,
// a playlist), so that a large history's records are not each a copy.
class SharedTexts
{
public:
    QString text(Name field, HistoryDocument::Text value)
    {
        // An empty value reads as empty, not as the null text of a field not yet read.
        if (value.size == 0)
            return value.toString();
        Last &last = m_last[int(field)];
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
    Last m_last[HistoryDocument::kNameCount];
};

// The record of one entry of the parsed form, as the stream reader makes it:
// one walk over the entry's attributes, told apart by their names' numbers.
convertedInfo recordOf(const HistoryDocument::Entry &entry, SharedTexts *shared = nullptr)
{
    convertedInfo info;
    const int children = entry.childCount();
    for (int n = 1; n < children; ++n)
        info.listNames.append(QString());
    bool pathRead = false;
    int listed = 0; // the last child whose list name was taken
    entry.visitAttributes([&](const HistoryDocument::Attribute &a) {
        auto text = [&] { return shared ? shared->text(a.name, a.value) : a.value.toString(); };
        if (a.element == 0) {
            // The first such attribute is the entry's path.
            if (a.name == Name::ConvertedPath && !pathRead) {
                info.convertedPath = HistoryDocument::normalisedPath(a.value.toString());
                pathRead = true;
            }
            return true;
        }
        if (a.element > 1) {
            if (a.element > listed && a.name == Name::ListName) {
                info.listNames[a.element - 2] = text();
                listed = a.element;
            }
            return true;
        }
        switch (a.name) {
        case Name::ImgPath:
            info.imgPath = text();
            break;
        case Name::Resolution:
            info.resolution = text();
            break;
        case Name::Title:
            info.title = text();
            break;
        case Name::Time:
            info.time = text();
            break;
        case Name::Size:
            info.size = text();
            break;
        case Name::CreateTime:
            info.createTime = text();
            break;
        case Name::Format:
            info.format = text();
            break;
        case Name::Extend:
            info.extend = text();
            break;
        case Name::Artist:
            info.artist = text();
            break;
        case Name::Album:
            info.album = text();
            break;
        case Name::Genre:
            info.genre = text();
            break;
        case Name::PreferencePath:
            info.preferencePath = text();
            break;
        case Name::VideoFile:
            info.videoFile = a.value == QLatin1String("Y");
            break;
        case Name::NewFile:
            info.newFile = a.value == QLatin1String("Y");
            break;
        default:
            break;
        }
        return true;
    });
    return info;
}

// Writes every field of the record into its entry's info element.
void fillInfoElement(HistoryDocument::Element &i, const convertedInfo &info)
{
    i.setAttribute(nameOf(Name::ImgPath), info.imgPath);
    i.setAttribute(nameOf(Name::Title), info.title);
    i.setAttribute(nameOf(Name::Resolution), info.resolution);
    i.setAttribute(nameOf(Name::Time), info.time);
    i.setAttribute(nameOf(Name::Size), info.size);
    i.setAttribute(nameOf(Name::CreateTime), info.createTime);
    i.setAttribute(nameOf(Name::Format), info.format);
    i.setAttribute(nameOf(Name::Extend), info.extend);
    i.setAttribute(nameOf(Name::Artist), info.artist);
    i.setAttribute(nameOf(Name::Album), info.album);
    i.setAttribute(nameOf(Name::Genre), info.genre);
    i.setAttribute(nameOf(Name::PreferencePath), info.preferencePath);
    i.setAttribute(nameOf(Name::VideoFile), info.videoFile ? QStringLiteral("Y") : QStringLiteral("N"));
    i.setAttribute(nameOf(Name::NewFile), info.newFile ? QStringLiteral("Y") : QStringLiteral("N"));
}

// Adds or updates the entry of info.convertedPath (exact match), its
// playlist children one per name in order.
void storeRecord(HistoryDocument &doc, const convertedInfo &info)
{
    const int index = doc.findEntry(info.convertedPath, false);
    HistoryDocument::Element entry;
    if (index < 0) {
        entry.name = nameOf(Name::PathItem);
        entry.setAttribute(nameOf(Name::ConvertedPath), info.convertedPath);
    } else {
        entry = doc.entries().at(index).element();
    }
    if (entry.children.isEmpty()) {
        HistoryDocument::Element infoElement;
        infoElement.name = nameOf(Name::ConvertedInfo);
        entry.children.append(infoElement);
    }
    fillInfoElement(entry.children.first(), info);
    // The playlist children follow the info element, one per name in
    // order; existing ones are reused, surplus ones removed.
    const int names = info.listNames.size();
    for (int n = 0; n < names; ++n) {
        if (n + 1 < entry.children.size()) {
            entry.children[n + 1].setAttribute(nameOf(Name::ListName), info.listNames.at(n));
        } else {
            HistoryDocument::Element list;
            list.name = nameOf(Name::ListElement);
            list.setAttribute(nameOf(Name::ListName), info.listNames.at(n));
            entry.children.append(list);
        }
    }
    entry.children.resize(names + 1);
    if (index < 0)
        doc.append(HistoryDocument::Entry(entry));
    else
        doc.replace(index, HistoryDocument::Entry(entry));
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

// Keeps a document parsed from the file as the history, unless a save was
// counted while it was parsed (or is still unwritten): that one is newer
// than the file that was read, so it is handed out instead and the parse
// is dropped.
void adoptParsed(const QString &file, quint64 generationAtStart, HistoryDocument &parsed,
                 const StateFile::Signature &signature, qint64 readAtNs, const QByteArray &digest,
                 HistoryDocument &doc, bool fileExists = true)
{
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    if (cache.generation != generationAtStart || cache.unwritten) {
        if (cache.valid && cache.path == file) {
            doc = cache.doc;
            return;
        }
    } else {
        cache.path = file;
        cache.signature = signature;
        cache.readAtNs = readAtNs;
        cache.digest = digest;
        cache.doc = parsed;
        cache.valid = true;
        cache.unwritten = false;
        // A missing file is no base: whatever is found there later is another writer's.
        cache.baseKnown = fileExists;
        cache.saveCount = 0;
    }
    doc = std::move(parsed);
}

// Tells the followers which records another copy of the program changed;
// the mutex is held, so that no follower goes meanwhile (one that goes
// later drops what was posted to it).
void tellFollowers(ParsedHistory &cache, const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    for (const ParsedHistory::Follower &f : cache.followers)
        QMetaObject::invokeMethod(
            f.context, [changed = f.changed, paths] { changed(paths); }, Qt::QueuedConnection);
}

// The file still holds what this process last read or wrote of it (the
// base); otherwise another copy of the program wrote it since.
bool unchangedSince(const QString &file, bool baseKnown, const StateFile::Signature &base, qint64 readAtNs,
                    const QByteArray &digest)
{
    const StateFile::Signature now = StateFile::signature(file);
    if (!baseKnown)
        return now.size < 0 && !QFileInfo::exists(file);
    if (now != base)
        return false;
    if (knownUnchanged(now, base, readAtNs))
        return true;
    if (digest.isEmpty())
        return false;
    // A piece at a time: a large history is not held a second time.
    StateFile::PieceReader pieces(file, StateFile::kMaxHistoryBytes);
    if (pieces.opening().status != StateFile::Status::Read)
        return false;
    QCryptographicHash sum(kDigest);
    QByteArray piece;
    while (pieces.next(piece, 1 << 20)) {
        sum.addData(piece);
        piece.clear();
    }
    return !pieces.failed() && sum.result() == digest;
}

} // namespace

bool QVideoSettingXml::loadHistory(HistoryDocument &doc, bool createMissing,
                                   const std::function<bool()> &goOn, QString *unreadable)
{
    const QString file = historyFilePath();
    const StateFile::Signature before = StateFile::signature(file);
    ParsedHistory &cache = parsedHistory();
    bool known = false; // the cache tells this file by its bytes
    quint64 generation = 0; // the saves counted before the file is read
    {
        QMutexLocker lock(&cache.mutex);
        generation = cache.generation;
        if (cache.valid && cache.path == file
            && (cache.unwritten || knownUnchanged(before, cache.signature, cache.readAtNs))) {
            doc = cache.doc;
            return true;
        }
        // Its bytes are compared with the file's: the file is read whole.
        known = cache.valid && cache.path == file && !cache.digest.isEmpty();
    }
    // A history this process has not read (the one at start) is parsed a
    // piece at a time: a large one is never held whole beside its parsed
    // form. A file written too recently for its signature to vouch for it
    // is read whole, as its digest is kept; so is one the piece parse
    // declines (damaged, or not as the store writes it).
    const qint64 startedAt = StateFile::nowNs();
    if (!known && StateFile::signatureTrusted(before, startedAt)) {
        StateFile::PieceReader pieces(file, StateFile::kMaxHistoryBytes);
        if (pieces.opening().status == StateFile::Status::Read) {
            HistoryDocument parsed;
            const HistoryDocument::Outcome outcome = parsed.parsePieces(
                [&pieces](QByteArray &into) { return pieces.next(into, 1 << 20); }, goOn);
            if (outcome == HistoryDocument::Outcome::Stopped)
                return false;
            if (outcome == HistoryDocument::Outcome::Parsed && !pieces.failed()) {
                adoptParsed(file, generation, parsed, before, startedAt, QByteArray(), doc);
                return true;
            }
            // Reading it whole takes more memory and time: say why.
            if (pieces.failed())
                qCInfo(lcCommon) << "History:" << file << "is read whole: reading it in pieces failed";
            else
                qCInfo(lcCommon) << "History:" << file
                                 << "is read whole: it is damaged, not as the store writes it, or has an entry"
                                    " longer than the piece read holds (512 KiB)";
        }
    }
    const StateFile::Reading reading = StateFile::read(file, StateFile::kMaxHistoryBytes);
    QByteArray salvaged;
    switch (reading.status) {
    case StateFile::Status::Missing: {
        // No file is an empty history, held like a read one.
        HistoryDocument empty;
        adoptParsed(file, generation, empty, before, startedAt, QByteArray(), doc, false);
        return createMissing;
    }
    case StateFile::Status::Unopenable:
        qCWarning(lcCommon) << "Cannot read" << file << reading.reason;
        if (unreadable)
            *unreadable = reading.reason == QLatin1String("a folder")
                              ? QStringLiteral("is a folder, not a file")
                              : QStringLiteral("cannot be read (%1)").arg(reading.reason);
        return false;
    case StateFile::Status::Refused:
        if (!setAside(file, QByteArray(), reading.reason, salvaged))
            return false;
        break;
    case StateFile::Status::Read: {
        // trimmed() would copy the whole file just to look at it. The program
        // never writes an empty history: one is what a crash right after
        // truncating leaves, damage like any other.
        if (std::all_of(reading.bytes.cbegin(), reading.bytes.cend(), HistoryDocument::isBlank)) {
            if (!setAside(file, QByteArray(),
                          reading.bytes.isEmpty() ? QStringLiteral("the file is empty")
                                                  : QStringLiteral("the file holds nothing but blanks"),
                          salvaged))
                return false;
            break;
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
        HistoryDocument parsed;
        const bool read = parsed.parse(reading.bytes, &reason, goOn);
        if (!read && reason.isEmpty())
            return false; // stopped, not damaged
        if (read) {
            const qint64 now = StateFile::nowNs();
            // A trusted signature tells every later change; only a file
            // written just now needs its digest to be told apart.
            const QByteArray digest =
                StateFile::signatureTrusted(before, now) ? QByteArray() : digestOf(reading.bytes);
            adoptParsed(file, generation, parsed, before, now, digest, doc);
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
    if (!salvaged.isEmpty() && recovered.parse(salvaged) && recovered.count() > 0) {
        doc = recovered;
        saveHistory(doc, addingEntriesOf(recovered));
        return true;
    }
    // An empty history, written as a document: an empty file is none.
    doc = HistoryDocument();
    return saveHistory(doc, addingEntriesOf(doc));
}

void QVideoSettingXml::refuseChange(const QString &reason)
{
    const QString file = historyFilePath();
    bool tell = false;
    {
        ParsedHistory &cache = parsedHistory();
        QMutexLocker lock(&cache.mutex);
        cache.refused = reason;
        tell = !cache.refusalTold;
        cache.refusalTold = true;
    }
    // As a write that failed: the window says why, once.
    if (tell)
        emit HistoryWriter::instance().writeFailed(file, reason);
}

QVideoSettingXml::HistoryChange QVideoSettingXml::addingEntriesOf(const HistoryDocument &recovered)
{
    return [recovered](HistoryDocument &doc) {
        if (doc.count() == 0) {
            doc = recovered;
            return true;
        }
        // What another copy wrote meanwhile stays; of the recovered entries
        // those it lacks are added.
        bool added = false;
        for (const HistoryDocument::Entry &entry : recovered.entries()) {
            const QString path = entry.attribute(nameOf(Name::ConvertedPath));
            if (entry.isEmpty() || doc.findEntry(path, false) >= 0)
                continue;
            doc.append(entry);
            added = true;
        }
        return added;
    };
}

bool QVideoSettingXml::holdHistory(const QString &file, bool createMissing, QString *unreadable)
{
    ParsedHistory &cache = parsedHistory();
    {
        // Followed, the history in memory is the history: what another copy
        // writes is taken in on the writer's thread (followHistory).
        QMutexLocker lock(&cache.mutex);
        if (cache.valid && cache.path == file && !cache.followers.empty())
            return true;
    }
    HistoryDocument doc;
    return loadHistory(doc, createMissing, std::function<bool()>(), unreadable);
}

QVideoSettingXml::HistoryEdit QVideoSettingXml::changeHistory(bool createMissing, const HistoryChange &change)
{
    const QString file = historyFilePath();
    ParsedHistory &cache = parsedHistory();
    for (;;) {
        QString unreadable;
        if (!holdHistory(file, createMissing, &unreadable)) {
            if (!unreadable.isEmpty())
                refuseChange(unreadable);
            return HistoryEdit::Unread;
        }
        QMutexLocker lock(&cache.mutex);
        // Dropped meanwhile (a damaged file set aside): held again.
        if (!cache.valid || cache.path != file)
            continue;
        // Made on the history itself, not on a copy: a change of one record
        // costs the same in a large history as in a small one.
        if (!change(cache.doc))
            return HistoryEdit::Unchanged;
        cache.pending.push_back({++cache.generation, change});
        cache.unwritten = true;
        lock.unlock();
        postHistoryWrite(file);
        return HistoryEdit::Changed;
    }
}

bool QVideoSettingXml::saveHistory(const HistoryDocument &doc, const HistoryChange &change)
{
    const QString file = historyFilePath();
    ParsedHistory &cache = parsedHistory();
    {
        // The document becomes the history at once; the disk follows.
        QMutexLocker lock(&cache.mutex);
        if (!cache.valid || cache.path != file) {
            // Nothing this process knows of the file: the writer merges
            // into whatever it finds there.
            cache.pending.clear();
            cache.baseKnown = false;
        }
        const quint64 generation = ++cache.generation;
        cache.pending.push_back({generation, change});
        cache.path = file;
        cache.doc = doc;
        cache.valid = true;
        cache.unwritten = true;
    }
    postHistoryWrite(file);
    return true;
}

void QVideoSettingXml::postHistoryWrite(const QString &file)
{
    ParsedHistory &cache = parsedHistory();
    // The writer takes the document from the cache: a save still waiting
    // is replaced by this one, which carries both changes.
    const quint64 ticket = HistoryWriter::instance().post(file, [file, &cache](QString *reason) {
        if (writeHistory(file, reason, false))
            return true;
        QMutexLocker failed(&cache.mutex);
        cache.failure = *reason;
        return false;
    });
    QMutexLocker lock(&cache.mutex);
    cache.ticket = qMax(cache.ticket, ticket);
}

bool QVideoSettingXml::readHistoryToMerge(const QString &file, HistoryDocument &doc, QString *reason,
                                          QByteArray *digest, bool *setAsideNow)
{
    const StateFile::Reading reading = StateFile::read(file, StateFile::kMaxHistoryBytes);
    QByteArray salvaged;
    QString damage = reading.reason;
    switch (reading.status) {
    case StateFile::Status::Missing:
        doc = HistoryDocument();
        return true;
    case StateFile::Status::Unopenable:
        *reason = QStringLiteral("cannot be read to take in another copy's changes (%1)").arg(reading.reason);
        qCWarning(lcCommon).noquote() << file << *reason;
        return false;
    case StateFile::Status::Refused:
        break;
    case StateFile::Status::Read:
        // A blank file is damage here as at a load: set aside like any other.
        if (doc.parse(reading.bytes, &damage)) {
            if (digest)
                *digest = digestOf(reading.bytes);
            return true;
        }
        break;
    }
    // Damaged by someone else: kept aside, and what could be read of it stays.
    if (!setAside(file, reading.bytes, damage, salvaged)) {
        *reason = QStringLiteral("is damaged and cannot be moved aside");
        return false;
    }
    if (setAsideNow)
        *setAsideNow = true;
    HistoryDocument recovered;
    doc = !salvaged.isEmpty() && recovered.parse(salvaged) ? recovered : HistoryDocument();
    return true;
}

void QVideoSettingXml::postHistoryLook(const QString &file)
{
    // Apart from the writes: a look waiting is replaced by a newer one, and
    // a write waiting takes in what it would find.
    HistoryWriter::instance().post(file + QStringLiteral("#look"), [file](QString *reason) {
        if (!writeHistory(file, reason, true))
            qCWarning(lcCommon).noquote() << "History: another copy's changes cannot be taken in:" << *reason;
        return true;
    });
}

bool QVideoSettingXml::writeHistory(const QString &file, QString *reason, bool lookOnly)
{
    // Another copy of the program saves under the same lock: what it wrote
    // since this process last read or wrote the file is taken in first.
    StateFileLock fileLock(file);
    const bool locked = fileLock.lock();
    if (!fileLock.replaced().isEmpty())
        qCWarning(lcCommon).noquote() << QStringLiteral("%1 was %2; a lock file replaces it")
                                             .arg(StateFileLock::lockPathOf(file), fileLock.replaced());
    if (!locked) {
        // Without it, this copy could undo what another saves.
        *reason = (lookOnly ? QStringLiteral("is not read: %1") : QStringLiteral("is not saved: %1"))
                      .arg(fileLock.errorString());
        qCWarning(lcCommon).noquote() << file << *reason;
        return false;
    }
    ParsedHistory &cache = parsedHistory();
    HistoryDocument doc;
    std::vector<ParsedHistory::Pending> changes;
    quint64 generation = 0;
    bool unchanged = false;
    bool followed = false;
    {
        QMutexLocker lock(&cache.mutex);
        if (!cache.valid || cache.path != file)
            return true;
        // A write finds nothing to do when a save before it wrote its
        // changes; a look, when a write is on its way, which takes in what
        // it finds.
        if (lookOnly != cache.pending.empty())
            return true;
        doc = cache.doc;
        changes = cache.pending;
        generation = cache.generation;
        followed = !cache.followers.empty();
        const bool known = cache.baseKnown;
        const StateFile::Signature base = cache.signature;
        const qint64 readAt = cache.readAtNs;
        const QByteArray digest = cache.digest;
        const quint64 savesKnown = cache.saveCount;
        lock.unlock();
        // The copies' count of saves tells at once whether another one
        // saved since this one's write; the file is compared otherwise
        // (read only within its time granularity).
        const quint64 saves = fileLock.saveCount();
        if (known && savesKnown != 0 && saves != 0)
            unchanged = saves == savesKnown && StateFile::signature(file) == base;
        else
            unchanged = unchangedSince(file, known, base, readAt, digest);
    }
    if (lookOnly && unchanged)
        return true;
    // What another copy changed, for those who follow the history.
    QStringList changedPaths;
    const StateFile::Signature seen = StateFile::signature(file);
    const qint64 seenAt = StateFile::nowNs();
    QByteArray seenDigest;
    bool setAsideNow = false;
    if (!unchanged) {
        HistoryDocument current;
        if (!readHistoryToMerge(file, current, reason, &seenDigest, &setAsideNow))
            return false;
        for (const ParsedHistory::Pending &p : changes)
            p.change(current);
        if (followed)
            changedPaths = HistoryDocument::changedPaths(doc, current);
        doc = std::move(current);
    }
    if (lookOnly) {
        QMutexLocker lock(&cache.mutex);
        if (!cache.valid || cache.path != file)
            return true;
        // Changes made since the snapshot go on what was read.
        for (const ParsedHistory::Pending &p : cache.pending)
            p.change(doc);
        cache.doc = std::move(doc);
        cache.baseKnown = seen.size >= 0 && !setAsideNow;
        cache.signature = seen;
        cache.readAtNs = seenAt;
        cache.digest = StateFile::signatureTrusted(seen, seenAt) ? QByteArray() : seenDigest;
        cache.saveCount = fileLock.isLocked() ? fileLock.saveCount() : 0;
        tellFollowers(cache, changedPaths);
        if (!setAsideNow)
            return true;
        // What could be read of a damaged file is written back in its place.
        cache.pending.push_back({++cache.generation, addingEntriesOf(cache.doc)});
        cache.unwritten = true;
        lock.unlock();
        postHistoryWrite(file);
        return true;
    }
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
        reason, [&cache](int fd) { cache.watch.begin(fd); });
    // A failed write leaves the changes pending in memory, so that the next
    // save carries them too.
    if (!saved)
        return false;
    const StateFile::Signature written = StateFile::signature(file);
    const QByteArray sum = digest.result();
    const quint64 saves = fileLock.isLocked() ? fileLock.countSave() : 0;
    QMutexLocker lock(&cache.mutex);
    if (!cache.valid || cache.path != file)
        return true;
    const auto done = std::find_if(
        cache.pending.begin(), cache.pending.end(),
        [generation](const ParsedHistory::Pending &p) { return p.generation > generation; });
    cache.pending.erase(cache.pending.begin(), done);
    if (!unchanged) {
        // The other copy's changes join the history here, under the changes
        // made since the snapshot.
        for (const ParsedHistory::Pending &p : cache.pending)
            p.change(doc);
        cache.doc = std::move(doc);
        tellFollowers(cache, changedPaths);
    }
    cache.unwritten = !cache.pending.empty();
    cache.failure.clear();
    cache.refused.clear();
    cache.refusalTold = false;
    cache.baseKnown = true;
    cache.saveCount = saves;
    cache.signature = written;
    cache.readAtNs = StateFile::nowNs();
    cache.digest = sum;
    // Within the file system's time granularity only the watch or the
    // bytes tell this file from another writer's. Without the watch the
    // bytes are compared here once it has passed, rather than read again by
    // whoever loads the history next.
    if (!cache.unwritten && !StateFile::signatureTrusted(written, cache.readAtNs)
        && !cache.watch.untouched(quint64(written.inode))) {
        const qint64 wait = StateFile::trustedAfterNs(written) - cache.readAtNs + 1000000;
        HistoryWriter::instance().later(std::chrono::nanoseconds(wait), [file, generation, written, sum] {
            confirmWritten(file, generation, written, sum);
        });
    }
    return true;
}

void QVideoSettingXml::followHistory(QObject *context, std::function<void(const QStringList &)> changed)
{
    const QString file = historyFilePath();
    ParsedHistory &cache = parsedHistory();
    {
        QMutexLocker lock(&cache.mutex);
        cache.followers.push_back({context, std::move(changed)});
    }
    QObject::connect(context, &QObject::destroyed, [context] {
        ParsedHistory &history = parsedHistory();
        QMutexLocker lock(&history.mutex);
        history.followers.erase(
            std::remove_if(history.followers.begin(), history.followers.end(),
                           [context](const ParsedHistory::Follower &f) { return f.context == context; }),
            history.followers.end());
    });
    // Another copy replaces the file (a change of its folder); anyone else
    // may write it in place. Each is looked at on the writer's thread.
    auto *watcher = new QFileSystemWatcher(context);
    watcher->addPath(QFileInfo(file).absolutePath());
    if (QFileInfo::exists(file))
        watcher->addPath(file);
    const auto look = [watcher, file] {
        // A file replaced is another one: watched anew.
        if (!watcher->files().contains(file) && QFileInfo::exists(file))
            watcher->addPath(file);
        postHistoryLook(file);
    };
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, watcher, look);
    QObject::connect(watcher, &QFileSystemWatcher::fileChanged, watcher, look);
    // What changed since the history was read.
    postHistoryLook(file);
}

bool QVideoSettingXml::waitForHistory(QString *reason)
{
    HistoryWriter::instance().waitForIdle();
    // A failed write leaves its changes unwritten until a later one
    // succeeds: what counts is whether the file holds them now.
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    if (!cache.refused.isEmpty()) {
        if (reason)
            *reason = cache.refused;
        return false;
    }
    if (!cache.valid || !cache.unwritten)
        return true;
    if (reason)
        *reason = cache.failure;
    return false;
}

void QVideoSettingXml::whenHistoryWritten(QObject *context, std::function<void(bool, const QString &)> done)
{
    ParsedHistory &cache = parsedHistory();
    quint64 ticket = 0;
    QString file;
    {
        QMutexLocker lock(&cache.mutex);
        ticket = cache.ticket;
        file = cache.path;
    }
    HistoryWriter::instance().whenEnded(file, ticket, context, std::move(done));
}

bool QVideoSettingXml::SaveConvertedInfo(const convertedInfo &info)
{
    return saveConvertedInfos({info});
}

bool QVideoSettingXml::saveConvertedInfos(const QList<convertedInfo> &records)
{
    if (records.isEmpty())
        return true;
    return changeHistory(true,
                         [records](HistoryDocument &doc) {
                             for (const convertedInfo &info : records)
                                 storeRecord(doc, info);
                             return true;
                         })
           == HistoryEdit::Changed;
}

std::optional<convertedInfo> QVideoSettingXml::GetConvertedInfo(const QString &path)
{
    return GetConvertedInfos({path}).constFirst();
}

QVector<std::optional<convertedInfo>> QVideoSettingXml::GetConvertedInfos(const QStringList &paths)
{
    QVector<std::optional<convertedInfo>> records(paths.size());
    if (paths.isEmpty())
        return records;
    const QString file = historyFilePath();
    if (!holdHistory(file, false))
        return records;
    ParsedHistory &cache = parsedHistory();
    QMutexLocker lock(&cache.mutex);
    if (!cache.valid || cache.path != file)
        return records;
    for (int i = 0; i < paths.size(); ++i)
        if (const int index = cache.doc.findEntry(HistoryDocument::normalisedPath(paths.at(i)), true);
            index >= 0)
            records[i] = recordOf(cache.doc.entries().at(index));
    return records;
}

QString QVideoSettingXml::getPreferencePath(const QString &path)
{
    const std::optional<convertedInfo> info = GetConvertedInfo(path);
    return info ? info->preferencePath : QString();
}

bool QVideoSettingXml::removeConvertedInfo(const QString &path)
{
    return removeConvertedInfos({path});
}

bool QVideoSettingXml::removeConvertedInfos(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    return changeHistory(false,
                         [paths](HistoryDocument &doc) {
                             QVector<int> found;
                             for (const QString &path : paths)
                                 if (const int index = doc.findEntry(path, true); index >= 0)
                                     found << index;
                             if (found.isEmpty())
                                 return false;
                             doc.remove(found);
                             return true;
                         })
           == HistoryEdit::Changed;
}

bool QVideoSettingXml::changeConvertedInfoPath(const QString &oldPath, const QString &newPath)
{
    return changeHistory(false,
                         [oldPath, newPath](HistoryDocument &doc) {
                             const int index = doc.findEntry(oldPath, true);
                             if (index < 0)
                                 return false;
                             HistoryDocument::Element entry = doc.entries().at(index).element();
                             entry.setAttribute(nameOf(Name::ConvertedPath), newPath);
                             doc.replace(index, HistoryDocument::Entry(entry));
                             return true;
                         })
           == HistoryEdit::Changed;
}

bool QVideoSettingXml::changeConvertedInfoValue(const QString &path, const QString &key,
                                                const QString &value)
{
    if (!StateFile::isXmlName(key)) {
        qCWarning(lcCommon) << "History: no attribute can be named" << key.toUtf8().toPercentEncoding();
        return false;
    }
    const bool existed = QFileInfo::exists(historyFilePath());
    const HistoryEdit edit = changeHistory(true, [path, key, value](HistoryDocument &doc) {
        const int index = doc.findEntry(path, false);
        if (index < 0 || doc.entries().at(index).childCount() == 0)
            return false;
        HistoryDocument::Element entry = doc.entries().at(index).element();
        entry.children.first().setAttribute(key, value);
        doc.replace(index, HistoryDocument::Entry(entry));
        return true;
    });
    // A missing file is made all the same.
    if (edit == HistoryEdit::Unchanged && !existed)
        changeHistory(true, [](HistoryDocument &) { return true; });
    return edit == HistoryEdit::Changed;
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
                                          const std::function<void(convertedInfo &)> &take,
                                          const std::function<bool(HistoryStep)> &goOn)
{
    readHistoryAtStart(
        keep, changes,
        TakeWithEntry([&take](convertedInfo &info, const HistoryDocument::Entry &) { take(info); }), goOn);
}

void QVideoSettingXml::readHistoryAtStart(const std::function<bool(convertedInfo &)> &keep,
                                          HistoryStartChanges &changes, const TakeWithEntry &take,
                                          const std::function<bool(HistoryStep)> &goOn)
{
    HistoryDocument doc;
    std::function<bool()> goOnParsing;
    if (goOn)
        goOnParsing = [&goOn] { return goOn(HistoryStep::Entry); };
    if (!loadHistory(doc, false, goOnParsing))
        return;
    // Read without touching the document, which shares its entries with
    // the parsed form kept for later changes.
    const QVector<HistoryDocument::Entry> &entries = std::as_const(doc).entries();
    SharedTexts shared;
    for (const HistoryDocument::Entry &entry : entries) {
        if (entry.isEmpty())
            continue;
        if (goOn && !goOn(HistoryStep::Record))
            return;
        convertedInfo info = recordOf(entry, &shared);
        const QString format = info.format;
        if (!keep(info)) {
            changes.dropped.insert(entry.attribute(nameOf(Name::ConvertedPath)));
            continue;
        }
        if (entry.childCount() > 0) {
            if (info.newFile)
                changes.unmarked.insert(entry.attribute(nameOf(Name::ConvertedPath)));
            if (info.format != format)
                changes.formats.insert(entry.attribute(nameOf(Name::ConvertedPath)), info.format);
        }
        take(info, entry);
    }
}

bool QVideoSettingXml::applyHistoryStartChanges(const HistoryStartChanges &changes)
{
    if (changes.isEmpty())
        return true;
    return changeHistory(
               false,
               [changes](HistoryDocument &doc) {
                   // Every entry of a path: a damaged file may list one twice.
                   bool changed = false;
                   for (const QString &path : changes.dropped) {
                       for (int index; (index = doc.findEntry(path, false)) >= 0;) {
                           doc.remove(index);
                           changed = true;
                       }
                   }
                   QSet<QString> paths = changes.unmarked;
                   for (auto it = changes.formats.cbegin(); it != changes.formats.cend(); ++it)
                       paths.insert(it.key());
                   for (const QString &path : paths) {
                       const bool unmark = changes.unmarked.contains(path);
                       const auto format = changes.formats.constFind(path);
                       for (const int index : doc.findEntries(path, false)) {
                           if (doc.entries().at(index).childCount() == 0)
                               continue;
                           HistoryDocument::Element entry = doc.entries().at(index).element();
                           if (unmark)
                               entry.children.first().setAttribute(nameOf(Name::NewFile), QStringLiteral("N"));
                           if (format != changes.formats.cend())
                               entry.children.first().setAttribute(nameOf(Name::Format), format.value());
                           doc.replace(index, HistoryDocument::Entry(entry));
                           changed = true;
                       }
                   }
                   return changed;
               })
           != HistoryEdit::Unread;
}

bool QVideoSettingXml::appendConvertedInfos(const QList<convertedInfo> &records)
{
    if (records.isEmpty())
        return true;
    return changeHistory(true,
                         [records](HistoryDocument &doc) {
                             QSet<QString> paths;
                             for (const convertedInfo &info : records)
                                 paths.insert(info.convertedPath);
                             QSet<QString> listed = std::as_const(doc).pathsListed(paths);
                             bool added = false;
                             for (const convertedInfo &info : records) {
                                 if (listed.contains(info.convertedPath))
                                     continue;
                                 listed.insert(info.convertedPath);
                                 HistoryDocument::Element entry;
                                 entry.name = nameOf(Name::PathItem);
                                 entry.setAttribute(nameOf(Name::ConvertedPath), info.convertedPath);
                                 HistoryDocument::Element infoElement;
                                 infoElement.name = nameOf(Name::ConvertedInfo);
                                 fillInfoElement(infoElement, info);
                                 entry.children.append(infoElement);
                                 for (const QString &name : info.listNames) {
                                     HistoryDocument::Element list;
                                     list.name = nameOf(Name::ListElement);
                                     list.setAttribute(nameOf(Name::ListName), name);
                                     entry.children.append(list);
                                 }
                                 doc.append(HistoryDocument::Entry(entry));
                                 added = true;
                             }
                             return added;
                         })
           != HistoryEdit::Unread;
}
