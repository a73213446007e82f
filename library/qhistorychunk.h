#pragma once
// The record of one recording as the history file keeps it, in memory.

#include "common/convertedinfo.h"
#include "library/qrowtexts.h"
#include "widgetkit/views/ibasechunk.h"

#include <QtGlobal>

#include <QString>

#include <optional>
#include <string>
#include <string_view>

class QHistoryChunk : public IBaseChunk
{
public:
    QHistoryChunk();
    ~QHistoryChunk() override;

    // Path, name, tags, texts, format and new mark of a History.xml record;
    // the playlist names are the row's own business. Given the record's
    // entry as the history keeps it, the texts are read there (shared with
    // the history) wherever they read the same.
    void setFromRecord(const convertedInfo &info, const HistoryDocument::Entry *entry = nullptr);

    // Texts are kept as UTF-8 in one block per row (library/qrowtexts.h);
    // the getters hand out copies, textView a view valid until the row's
    // next change.
    std::string_view textView(QRowTexts::Field field) const { return m_texts.view(field); }
    // The row's texts as they stand; a copy shares them and stays as it is
    // when the row changes (what a sort or a search takes to a worker).
    const QRowTexts &texts() const { return m_texts; }
    QString qtext(QRowTexts::Field field) const;

    void SetFilePath(const std::string &path);
    std::string GetFilePath() const { return m_texts.text(QRowTexts::FilePath); }
    // The hash of the path (QRowIndex::hashOf), taken whenever the path is
    // set: where the rows of a large history are made (a worker), so that
    // filing them by path never reads their texts again.
    quint32 pathHash() const { return m_pathHash; }
    // Last path component, extension included.
    void SetFileName(const std::string &name) { m_texts.set(QRowTexts::FileName, name); }
    std::string GetFileName() const { return m_texts.text(QRowTexts::FileName); }
    void SetTitle(std::string title) override { m_texts.set(QRowTexts::Title, title); }
    std::string GetTitle() override { return m_texts.text(QRowTexts::Title); }
    void setImage(std::string path) override { m_texts.set(QRowTexts::Image, path); }
    std::string GetImage() override { return m_texts.text(QRowTexts::Image); }
    void Reset() override;
    void setArtist(const std::string &artist) { m_texts.set(QRowTexts::Artist, artist); }
    std::string GetArtist() const { return m_texts.text(QRowTexts::Artist); }
    void setAlbum(const std::string &album) { m_texts.set(QRowTexts::Album, album); }
    std::string GetAlbum() const { return m_texts.text(QRowTexts::Album); }
    void setGenre(const std::string &genre) { m_texts.set(QRowTexts::Genre, genre); }
    std::string GetGenre() const { return m_texts.text(QRowTexts::Genre); }
    // "hh:mm:ss" as stored.
    void setPlayTime(const std::string &time);
    std::string getPlayTime() const { return m_texts.text(QRowTexts::PlayTime); }
    // The play time in seconds, read once per text (0 for a text of
    // another shape), for the sums of the info line.
    qint64 playSeconds() const { return m_playSeconds; }
    void SetFileSize(const std::string &size) { m_texts.set(QRowTexts::FileSize, size); }
    std::string GetFileSize() const { return m_texts.text(QRowTexts::FileSize); }
    // Bytes of the file as last read from the disk; what the info line sums.
    void SetFileBytes(qint64 bytes) { setAmount(m_fileBytes, bytes); }
    qint64 GetFileBytes() const { return m_fileBytes; }
    // Counts the changes of any row's bytes or seconds: a sum of them needs
    // summing again only when the count moved.
    static quint64 amountsGeneration();
    // "dd-MM-yyyy hh:mm" as stored.
    void SetCreateTime(const std::string &time);
    std::string GetCreateTime() const { return m_texts.text(QRowTexts::CreateTime); }
    // The created time as the number yyyyMMddhhmm, for sorting; nothing
    // for a text of another shape. Read whenever the text is set, so that
    // the many comparisons of a sort only read a number.
    std::optional<qint64> createdTimeKey() const
    {
        return m_hasCreatedKey ? std::optional<qint64>(m_createdKey) : std::nullopt;
    }
    // The created time's text is not empty; read with the key, so that a
    // sort need not reach the texts.
    bool hasCreateTime() const { return m_hasCreateTime; }
    static std::optional<qint64> parseCreatedTime(const std::string &text);
    void SetResolution(const std::string &resolution) { m_texts.set(QRowTexts::Resolution, resolution); }
    std::string GetResolution() const { return m_texts.text(QRowTexts::Resolution); }
    // Without the dot.
    void SetFileExent(const std::string &extension) { m_texts.set(QRowTexts::Extension, extension); }
    std::string GetFileExent() const { return m_texts.text(QRowTexts::Extension); }
    void SetFileFormat(const std::string &format) { m_texts.set(QRowTexts::Format, format); }
    std::string GetFileFormat() const { return m_texts.text(QRowTexts::Format); }
    void setVideoType(bool video) { m_video = video; }
    bool getVideoType() const { return m_video; }
    // Belongs to "Latest Recordings".
    void setNewAdd(bool isNew) { m_newAdd = isNew; }
    bool isNewAdd() const { return m_newAdd; }

    // The running recording's row; the sort keeps it on top.
    void setFixedItem(bool fixed);
    bool getFixedItem();

protected:
    // Texts, times, size, kind and new mark of another row.
    void copyRecordOf(const QHistoryChunk &other);

private:
    void readCreateTime();
    void readPlayTime();
    void readPath();

    QRowTexts m_texts;
    // The created time's number, when m_hasCreatedKey (kept apart from
    // its flag, which packs with the others).
    qint64 m_createdKey = 0;
    // Sets the row's bytes or seconds, counting the change.
    static void setAmount(qint64 &amount, qint64 value);
    qint64 m_playSeconds = 0;
    qint64 m_fileBytes = 0;
    quint32 m_pathHash = 0;
    // One byte: a large library has many rows.
    bool m_video : 1;
    bool m_newAdd : 1;
    bool m_hasCreateTime : 1;
    bool m_hasCreatedKey : 1;
};

// Key of the fixed-item flag in an item's key/value store.
extern const char *const kFixedItemKey;
