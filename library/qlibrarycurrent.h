#pragma once
// The library's "current" references: the playing row and the entry it plays
// from, the row in the edit dialog, the running recording's row, the shown
// entry and the "All Recordings" entry. Each is kept as an item id, so a
// row or an entry that goes can never be reached through it again; what
// must also let go of a row that stays alive (a row taken out of the lists,
// the file of the playing row deleted, the playing entry gone) is done by
// the owner of the rows (library/qlibraryrows.h) through the calls below.

#include "library/libraryitemids.h"
#include "library/qaudiofilechunk.h"
#include "library/qlibrarychunk.h"

#include <string_view>

class QLibraryCurrent
{
public:
    QAudioFileChunk *playingRow() const { return m_playingRow.get(); }
    void setPlayingRow(QAudioFileChunk *row) { m_playingRow = row; }
    QAudioFileChunk *editingRow() const { return m_editingRow.get(); }
    void setEditingRow(QAudioFileChunk *row) { m_editingRow = row; }
    QAudioFileChunk *recordingRow() const { return m_recordingRow.get(); }
    void setRecordingRow(QAudioFileChunk *row) { m_recordingRow = row; }
    QLibraryChunk *shownEntry() const { return m_shownEntry.get(); }
    void setShownEntry(QLibraryChunk *entry) { m_shownEntry = entry; }
    QLibraryChunk *playingEntry() const { return m_playingEntry.get(); }
    void setPlayingEntry(QLibraryChunk *entry) { m_playingEntry = entry; }
    QLibraryChunk *allEntry() const { return m_allEntry.get(); }
    void setAllEntry(QLibraryChunk *entry) { m_allEntry = entry; }

    // Every reference to the row lets go of it.
    void forgetRow(quint64 rowId);
    // The entry goes (or went): it is neither shown, played nor "All" any
    // more, and the row it played is no longer the playing row. True when
    // it was the shown entry.
    bool forgetEntry(quint64 entryId);
    // The file is gone: whichever row of it plays, in whatever entry, is
    // the playing row no more.
    void forgetPath(std::string_view path);

private:
    LibraryItemRef<QAudioFileChunk> m_playingRow;
    LibraryItemRef<QAudioFileChunk> m_editingRow;
    LibraryItemRef<QAudioFileChunk> m_recordingRow;
    LibraryItemRef<QLibraryChunk> m_shownEntry;
    LibraryItemRef<QLibraryChunk> m_playingEntry;
    LibraryItemRef<QLibraryChunk> m_allEntry;
};
