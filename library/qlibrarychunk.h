#pragma once
// One entry of the library panel: a fixed list, a header, the spacer or a
// user playlist, with the recording rows it shows. The entry owns its rows.

#include "widgetkit/views/ibasechunk.h"

#include <QtGlobal>

#include <string>
#include <vector>

class QLibraryChunk : public IBaseChunk
{
public:
    enum listType {
        ListAll = 1,
        ListCustom = 2,
        ListSpace = 4,
        ListLibraryTitle = 9,
        ListPlayListTitle = 10,
    };

    QLibraryChunk();
    ~QLibraryChunk() override;

    // Serial id of this entry, never given to another (library/libraryitemids.h).
    quint64 itemId() const { return m_itemId; }

    // A null row is ignored.
    void AddAudioChunk(IBaseChunk *row);
    // A copy of the pointers; the rows stay the entry's.
    std::vector<IBaseChunk *> GetAudioDatasList() const { return m_rows; }
    // The same without a copy, valid until the entry's rows change.
    const std::vector<IBaseChunk *> &rows() const { return m_rows; }
    // The row is one of the entry's (its pointers looked through, never the rows).
    bool holds(const IBaseChunk *row) const;
    // Replaces the pointers without deleting the old rows.
    void SetAudioDatasList(std::vector<IBaseChunk *> rows) { m_rows = std::move(rows); }
    bool DeleteOneAudioChunk(IBaseChunk *row);
    // The first row of that title.
    bool DeleteOneAudioChunk(const std::string &title);
    void ClearAudioDatasList();

    void SetListType(listType type) { m_type = type; }
    listType GetListType() const { return m_type; }
    void SetIsPlaying(bool playing) { m_playing = playing; }
    bool GetIsPlaying() const { return m_playing; }
    void SetIcon(std::string path) { m_icon = std::move(path); }
    std::string GetIcon() const { return m_icon; }
    void SetPlayingIcon(std::string path) { m_playingIcon = std::move(path); }
    std::string GetPlayingIcon() const { return m_playingIcon; }

    void setFixedItem(bool fixed);
    bool getFixedItem();

    // The entry's kind, as the library acts on it: "All Recordings" shows
    // the master rows, "Latest Recordings" copies of the new ones, a user
    // playlist copies of the rows that name it.
    bool isAllRecordings() const;
    bool isLatestRecordings() const;
    bool isPlaylist() const { return m_type == ListCustom; }

private:
    quint64 m_itemId = 0;
    std::vector<IBaseChunk *> m_rows;
    listType m_type = ListCustom;
    bool m_playing = false;
    std::string m_icon;
    std::string m_playingIcon;
};
