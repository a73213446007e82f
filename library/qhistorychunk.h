#pragma once
// The record of one recording as the history file keeps it, in memory.

#include "common/convertedinfo.h"
#include "widgetkit/views/ibasechunk.h"

#include <QtGlobal>

#include <optional>
#include <string>

class QHistoryChunk : public IBaseChunk
{
public:
    QHistoryChunk();
    ~QHistoryChunk() override;

    // Path, name, tags, texts, format and new mark of a History.xml record;
    // the playlist names are the row's own business.
    void setFromRecord(const convertedInfo &info);

    void SetFilePath(std::string path) { m_filePath = std::move(path); }
    const std::string &GetFilePath() const { return m_filePath; }
    // Last path component, extension included.
    void SetFileName(std::string name) { m_fileName = std::move(name); }
    const std::string &GetFileName() const { return m_fileName; }
    void setArtist(std::string artist) { m_artist = std::move(artist); }
    const std::string &GetArtist() const { return m_artist; }
    void setAlbum(std::string album) { m_album = std::move(album); }
    const std::string &GetAlbum() const { return m_album; }
    void setGenre(std::string genre) { m_genre = std::move(genre); }
    const std::string &GetGenre() const { return m_genre; }
    // "hh:mm:ss" as stored.
    void setPlayTime(std::string time);
    const std::string &getPlayTime() const { return m_playTime; }
    // The play time in seconds, read once per text (0 for a text of
    // another shape), for the sums of the info line.
    qint64 playSeconds() const { return m_playSeconds; }
    void SetFileSize(std::string size) { m_fileSize = std::move(size); }
    const std::string &GetFileSize() const { return m_fileSize; }
    // Bytes of the file as last read from the disk; what the info line sums.
    void SetFileBytes(qint64 bytes) { m_fileBytes = bytes; }
    qint64 GetFileBytes() const { return m_fileBytes; }
    // "dd-MM-yyyy hh:mm" as stored.
    void SetCreateTime(std::string time);
    const std::string &GetCreateTime() const { return m_createTime; }
    // The created time as the number yyyyMMddhhmm, for sorting; nothing
    // for a text of another shape. Read whenever the text is set, so that
    // the many comparisons of a sort only read a number.
    std::optional<qint64> createdTimeKey() const { return m_createdKey; }
    static std::optional<qint64> parseCreatedTime(const std::string &text);
    void SetResolution(std::string resolution) { m_resolution = std::move(resolution); }
    const std::string &GetResolution() const { return m_resolution; }
    // Without the dot.
    void SetFileExent(std::string extension) { m_extension = std::move(extension); }
    const std::string &GetFileExent() const { return m_extension; }
    void SetFileFormat(std::string format) { m_format = std::move(format); }
    const std::string &GetFileFormat() const { return m_format; }
    void setVideoType(bool video) { m_video = video; }
    bool getVideoType() const { return m_video; }
    // Belongs to "Latest Recordings".
    void setNewAdd(bool isNew) { m_newAdd = isNew; }
    bool isNewAdd() const { return m_newAdd; }

    // The running recording's row; the sort keeps it on top.
    void setFixedItem(bool fixed);
    bool getFixedItem();

private:
    std::string m_filePath;
    std::string m_fileName;
    std::string m_artist;
    std::string m_album;
    std::string m_genre;
    std::string m_playTime;
    std::string m_fileSize;
    std::string m_createTime;
    std::optional<qint64> m_createdKey;
    qint64 m_playSeconds = 0;
    qint64 m_fileBytes = 0;
    std::string m_resolution;
    std::string m_extension;
    std::string m_format;
    bool m_video = true;
    bool m_newAdd = false;
};

// Key of the fixed-item flag in an item's key/value store.
extern const char *const kFixedItemKey;
