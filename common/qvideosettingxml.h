#pragma once
// The settings store: static readers and writers of the program's small XML
// files in the application-data folder. Every file has the document element
// "ROOTITEM", keeps its values in attributes and is written whole, UTF-8,
// indent 4, atomically. Records are handed out by value.

#include "common/convertedinfo.h"
#include "common/formatallinfo.h"
#include "common/historydocument.h"
#include "common/qualityset.h"
#include "common/watermarkimagesettings.h"

#include <QDomDocument>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class HistoryDocument;
class QObject;
class StateFileLocker;

class QVideoSettingXml
{
public:
    // ---- Shared file handling ----
    // Reads and parses the file into doc. False when it cannot be opened (also
    // when it is missing). A file that does not parse, is no regular file,
    // is too large, nests too deep, declares a document type, holds a name
    // no file can hold or text between its entries is moved aside as
    // "<path>.bad" (noted in StateFileNotices) and replaced by the entries
    // that could be read from it, or by an empty document; doc then holds
    // them and the result is true. An empty file reads as an empty
    // "ROOTITEM" document, but for the history, which the program never
    // writes empty: that is damage. A file unchanged since it was last read
    // is not parsed again.
    static bool isValidFile(const QString &path, QDomDocument &doc);
    // Writes the whole document atomically: on any failure the previous file
    // stays as it was and the result is false. Names and characters no file
    // can hold are left out, with a warning.
    static bool SaveXml(const QString &path, const QDomDocument &doc);

    // ---- Preferences (an empty file means "AudioDefaultSetting.xml") ----
    // The attribute key of the group element, or defaultValue when it is
    // missing or empty. A missing file or group element is created.
    static QString GetItemValue(const QString &group, const QString &key,
                                const QString &defaultValue, const QString &file = QString());
    // Stores the value, creating the file and the group element when missing.
    static bool SetItemValue(const QString &group, const QString &key,
                             const QString &value, const QString &file = QString());
    // As GetItemValue, but a missing or empty value is stored with the
    // default, so that the file shows every setting it serves.
    static QString readStoringDefault(const QString &group, const QString &key,
                                      const QString &defaultValue, const QString &file = QString());

    // Snapshot format and folder (group "Screenshots"); the readers store
    // their default when the key has no value yet.
    static QString getCaptureImgSuffix();
    static bool setCaptureImgSuffix(const QString &suffix);
    static QString getCaptrueImaSavePath();
    static bool setCaptrueImaPath(const QString &folder);

    // ---- Watermark (group "WaterMark_Item", one key per field) ----
    // Writes the twelve fields in one save.
    static bool SaveWaterMarkInfo(const WatermarkImageSettings &settings);
    // Reads the twelve fields; the values held on entry are the defaults.
    static void GetWaterMarkInfo(WatermarkImageSettings &settings);

    // ---- Default formats ("AudioDefaultFormatSetting.xml") ----
    // The customised parameters of a format, read trimmed; nothing when the
    // format has no stored entry.
    static std::optional<QualitySet> GetDefaultFormat(const QString &formatId);
    // Writes every field, creating the file, the entry and its parameter element.
    static bool SetDefaultFormat(const QString &formatId, const QualitySet &set);
    // Sets an attribute on an existing entry (never creates one).
    static bool SetDefaultFormatValue(const QString &formatId, const QString &name, const QString &value);
    static QString GetDefaultFormatValue(const QString &formatId, const QString &name);
    // Strips leading and trailing blanks (space only) in place.
    static std::string &trim(std::string &text);

    // ---- History ("History.xml") ----
    // A change is the history at once for every reader in this process; the
    // file is written behind it by the history writer (common/historywriter.h),
    // which reports a write that failed. A change that could be made returns
    // true; whether it reached the disk is told by whenHistoryWritten, by
    // the writer's writeFailed, and by waitForHistory, which waits for the
    // writes on their way: false when the file does not hold every change
    // (a write failed, or a change was refused because the file cannot be
    // read, and no write succeeded since; reason says why). Running
    // copies of the program save one at a time, each taking in what the
    // others wrote since it last read the file: both copies' changes stay.
    static bool waitForHistory(QString *reason = nullptr);
    // Calls done on context's thread (call this from there) once the
    // changes made so far are in the file (true) or their write failed
    // (false, with the reason; they stay the history in memory and go with
    // the next change). Nothing is called when context goes first.
    static void whenHistoryWritten(QObject *context,
                                   std::function<void(bool written, const QString &reason)> done);
    // While context lives, the history in memory is the one it shows: no
    // call reads the file again on the caller's thread. A change another
    // copy of the program writes is read on the history writer's thread and
    // taken into the history there; then changed is called on context's
    // thread with the paths (backslashes read as "/") whose records came,
    // changed or went. Call from context's thread.
    static void followHistory(QObject *context, std::function<void(const QStringList &paths)> changed);
    // Adds or updates the entry of info.convertedPath (exact match) with its
    // playlist names in list order.
    static bool SaveConvertedInfo(const convertedInfo &info);
    // The same for many records, in one change.
    static bool saveConvertedInfos(const QList<convertedInfo> &records);
    // The entry of the path, backslashes read as "/"; nothing when there is
    // none. Found by the history's index, whatever its size.
    static std::optional<convertedInfo> GetConvertedInfo(const QString &path);
    // The same for many paths at once (one look for the history, not one
    // per path), in their order.
    static QVector<std::optional<convertedInfo>> GetConvertedInfos(const QStringList &paths);
    static bool removeConvertedInfo(const QString &path);
    // Removes the entry of each path in one change; false when none had one.
    static bool removeConvertedInfos(const QStringList &paths);
    // Gives the entry the new path as passed; other fields stay.
    static bool changeConvertedInfoPath(const QString &oldPath, const QString &newPath);
    // Sets one attribute of the entry's info element (exact path match).
    static bool changeConvertedInfoValue(const QString &path, const QString &key, const QString &value);
    static QString getPreferencePath(const QString &path);
    // Every entry in file order, playlist names in stored order. Entries saved
    // as new come back with newFile set once: the file is rewritten with the
    // mark cleared.
    static QList<convertedInfo> analysisConvertedInfo();
    // The library's start-up pass, one read and at most one save whatever the
    // size of the history: every record is handed to keep() in file order
    // (it may fill in the format); records it refuses are removed, new marks
    // are cleared and filled-in formats stored. The kept records come back
    // in file order with their new marks as they were.
    static QList<convertedInfo> loadHistoryAtStart(const std::function<bool(convertedInfo &)> &keep);
    // What the start-up pass changes, by the entries' stored paths.
    struct HistoryStartChanges
    {
        QSet<QString> dropped;           // refused by keep()
        QSet<QString> unmarked;          // new marks to clear
        QHash<QString, QString> formats; // formats filled in
        bool isEmpty() const { return dropped.isEmpty() && unmarked.isEmpty() && formats.isEmpty(); }
    };
    // The reading half of loadHistoryAtStart, safe on a worker thread: the
    // kept records and what the pass would change; only a damaged file is
    // replaced (as every read does).
    static QList<convertedInfo> readHistoryAtStart(const std::function<bool(convertedInfo &)> &keep,
                                                   HistoryStartChanges &changes);
    // The steps of a start-up pass: an entry parsed (a history already
    // parsed in this process is not parsed again), a record read.
    enum class HistoryStep { Entry, Record };
    // The same pass handing each kept record to take as it is read, instead
    // of collecting them: a large history's records are never all held.
    // goOn, when given, is asked before each step; once it says no the pass
    // ends there (in the parse too), and what it gathered is not to be applied.
    static void readHistoryAtStart(
        const std::function<bool(convertedInfo &)> &keep, HistoryStartChanges &changes,
        const std::function<void(convertedInfo &)> &take,
        const std::function<bool(HistoryStep)> &goOn = std::function<bool(HistoryStep)>());
    // The same handing take each record with its entry as the history keeps
    // it (sharing its bytes), so that a reader may keep the record's texts
    // without a copy of its own.
    using TakeWithEntry = std::function<void(convertedInfo &info, const HistoryDocument::Entry &entry)>;
    static void readHistoryAtStart(
        const std::function<bool(convertedInfo &)> &keep, HistoryStartChanges &changes,
        const TakeWithEntry &take,
        const std::function<bool(HistoryStep)> &goOn = std::function<bool(HistoryStep)>());
    // The writing half, on the thread that owns the history: applied to the
    // history as it is now, so that entries saved since the read stay.
    static bool applyHistoryStartChanges(const HistoryStartChanges &changes);
    // Adds the records whose paths have no entry yet, in one save.
    static bool appendConvertedInfos(const QList<convertedInfo> &records);

    // ---- Converted-path list (the history file as a list of paths) ----
    static bool SetConvertedPath(const QString &path);
    // Paths whose files exist, in file order; the other entries are removed.
    static QStringList GetConvertedPath();
    // Removes one entry per listed path (the first of that path).
    static bool DeleteConvertedPath(const QStringList &paths);

    // ---- Digest file ("ConvertedMd5.xml") ----
    // Adds the digest unless the collected text already holds it.
    static bool SaveConvertedPathMd5(const QString &digest);
    static QString getConvertedPathMd5();

    // ---- Playlists ("CustomedLists.xml"), names in creation order ----
    static bool AppendPlayList(const QString &name);
    // Removes the last playlist of that name.
    static bool RemovePlayList(const QString &name);
    static bool RemoveAllPlayLists();
    // Renames the last playlist of that name in place.
    static bool SetPlayListName(const QString &oldName, const QString &newName);
    static QStringList GetAllPlayLists();

    // ---- Language list (read-only resource) ----
    static QStringList GetLanguage(const QString &listPath);
    // The translation file and the language type of a name; the last entry
    // of that name decides; both empty when none matches.
    static QPair<QString, QString> GetLanguageFile(const QString &listPath, const QString &name);

    // ---- Device-format catalogue ("AudioSetting.xml" in the resources) ----
    static std::optional<FormatAllInfo> GetFormatAllInfo(const QString &formatId);
    static std::optional<QualitySet> GetQuality(const QString &level, const QString &formatId);
    static std::optional<FileFormatInfo> GetFormatInfo(const QString &formatId);
    // Splits a comma list, trims blanks, drops empty pieces, turns "0" into
    // "Auto" and appends the unit to every other piece.
    static void analysisTextInfo(const std::string &text, std::vector<std::string> &list);
    static void analysisTextInfo(const std::string &text, const std::string &unit,
                                 std::vector<std::string> &list);
    // A stored value with the unit its attribute shows it with.
    static QString addUnit(const QString &value, const QString &attributeName);

    static QString preferencesFilePath();
    static QString playListFilePath();
    static QString digestFilePath();
    static QString catalogueFilePath();
    static QString defaultFormatFilePath();
    static QString historyFilePath();
    static const QString &rootElementName();

private:
    QVideoSettingXml() = default;

    // A new document holding only an empty "ROOTITEM".
    static QDomDocument newDocument();
    // The document element, created as "ROOTITEM" when the document has none.
    static QDomElement ensureRoot(QDomDocument &doc);
    // Missing file: a new document (and true). Otherwise isValidFile.
    static bool loadOrCreate(const QString &path, QDomDocument &doc);
    // Missing file: false. Otherwise isValidFile.
    static bool loadExisting(const QString &path, QDomDocument &doc);
    // The parsed file, shared with the store's cache: never to be changed.
    static bool readShared(const QString &path, QDomDocument &doc);
    // Moves a damaged file aside and notes it for the user; salvaged gets the
    // entries that could be read from bytes. False when it cannot be moved.
    static bool setAside(const QString &path, const QByteArray &bytes, const QString &reason,
                         QByteArray &salvaged);
    static qint64 maxBytesOf(const QString &path);
    // The element name of one entry of the file, where salvage resumes.
    static QString entryTagOf(const QString &path);
    // Read-only data files: parsed as they are, never replaced.
    static bool loadReadOnly(const QString &path, QDomDocument &doc);
    static QString appDataFile(const QString &name);
    // The lock of the running copies is held, so the file may be saved;
    // else the refusal is logged with its reason. A lock file that replaced
    // what stood at its path is logged too.
    static bool lockedToSave(const QString &path, const StateFileLocker &lock);
    // Replaces the file with the bytes or leaves it untouched. A symbolic
    // link to nothing at the path is replaced, never written through.
    static bool writeFileAtomically(const QString &path, const QByteArray &bytes);
    // The same for bytes made a piece at a time: produce hands each piece
    // to the writer it is given and returns false to give up (so does the
    // writer when a write fails); the file is replaced only when all went,
    // else reason (when given) says why not. beforeCommit, when given, is
    // handed the descriptor of the written file before it takes the name.
    using FileProducer = std::function<bool(const std::function<bool(const QByteArray &)> &write)>;
    static bool writeFileAtomically(const QString &path, const FileProducer &produce, QString *reason = nullptr,
                                    const std::function<void(int fd)> &beforeCommit = {});
    // Reads the history into doc; a missing file gives an empty document
    // when createMissing is set, else false. A parse that goOn stops gives
    // false and changes nothing. unreadable, when given, says why a file
    // that is there cannot be read (a folder).
    static bool loadHistory(HistoryDocument &doc, bool createMissing,
                            const std::function<bool()> &goOn = std::function<bool()>(),
                            QString *unreadable = nullptr);
    // A change refused because the file cannot be read: waitForHistory
    // says so until a write succeeds, and the writer's writeFailed tells it
    // once.
    static void refuseChange(const QString &reason);
    // A change of the history, made on whatever document it is given: on
    // the history in memory at once, and again on what another copy of the
    // program wrote before this one's change reached the file. True when it
    // changed the document. It runs on the writer's thread too: it keeps
    // copies of what it needs.
    using HistoryChange = std::function<bool(HistoryDocument &doc)>;
    enum class HistoryEdit { Unread, Unchanged, Changed };
    // The history held in memory for the file: read when it is not, and,
    // unless it is followed, when another writer changed the file since.
    // False when there is none (a missing file without createMissing).
    static bool holdHistory(const QString &file, bool createMissing, QString *unreadable = nullptr);
    // Makes the change on the history held and, when it changed something,
    // hands it to the history writer.
    static HistoryEdit changeHistory(bool createMissing, const HistoryChange &change);
    // Makes doc (the history with change made) the history and hands the
    // change to the history writer.
    static bool saveHistory(const HistoryDocument &doc, const HistoryChange &change);
    static void postHistoryWrite(const QString &file);
    // Asks the writer to take in what another writer changed in the file.
    static void postHistoryLook(const QString &file);
    // The change that adds the entries of a recovered history that the
    // document lacks (all of them to an empty one).
    static HistoryChange addingEntriesOf(const HistoryDocument &recovered);
    // The writer's part of a save, under the lock of the running copies:
    // the pending changes are made again on what another copy wrote since
    // this one last read or wrote the file; then the file, then the cache.
    // A look writes nothing: with no change pending it takes in what
    // another writer wrote, and tells the followers.
    static bool writeHistory(const QString &file, QString *reason, bool lookOnly);
    // The file as another copy left it, to take in its changes; a damaged
    // one is set aside (setAsideNow then true) and what could be read of it is
    // kept. digest gets the digest of the bytes parsed.
    static bool readHistoryToMerge(const QString &file, HistoryDocument &doc, QString *reason,
                                   QByteArray *digest = nullptr, bool *setAsideNow = nullptr);
    // What a change of a settings file asks for: the document saved, the
    // file kept as it is (a success), or nothing done (a failure).
    enum class XmlEdit { Save, Keep, Refuse };
    // One load-modify-save of a settings file, under the lock that running
    // copies of the program share: the file as it is now (read again when
    // another copy changed it), the change, the save. A missing file is a
    // new document when createMissing is set, else a failure.
    static bool changeXml(const QString &path, bool createMissing,
                          const std::function<XmlEdit(QDomDocument &doc)> &change);
    // Stores several keys of one group with a single save; an empty file
    // means the preferences file.
    static bool setItemValues(const QString &group, const QList<QPair<QString, QString>> &values,
                              const QString &file = QString());
    static QList<QString> getItemValues(const QString &group, const QList<QPair<QString, QString>> &keysAndDefaults,
                                        const QString &file = QString());
};
