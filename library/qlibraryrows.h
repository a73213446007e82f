#pragma once
// The one owner of the recordings table's rows: the master rows (one per
// recording), the rows shown for the current entry, and every "current"
// reference: the playing row and entry, the row in the edit dialog, the
// running recording's row, the shown entry and the "All Recordings" entry.
// References are kept as item ids, so a row or an entry that goes, by any
// road, can never be reached again through them; the master and shown
// lists drop it the moment it is destroyed.

#include "library/libraryitemids.h"
#include "library/qaudiofilechunk.h"
#include "library/qlibrarychunk.h"

#include <QSet>

#include <functional>
#include <string>
#include <vector>

class IBaseChunk;

class QLibraryRows
{
public:
    QLibraryRows();
    ~QLibraryRows();
    QLibraryRows(const QLibraryRows &) = delete;
    QLibraryRows &operator=(const QLibraryRows &) = delete;

    // Called whenever the shown list lost rows behind its user's back (a
    // row or the shown entry was destroyed), so that a model over it lets go.
    void setShownListChanged(std::function<void()> changed) { m_shownChanged = std::move(changed); }

    // The master rows, owned here (the "All Recordings" entry holds the
    // same pointers), and the rows the table shows (not owned).
    std::vector<IBaseChunk *> &all() { return settledAll(); }
    const std::vector<IBaseChunk *> &all() const { return settledAll(); }
    std::vector<IBaseChunk *> &shown() { return m_shown; }
    const std::vector<IBaseChunk *> &shown() const { return m_shown; }

    QAudioFileChunk *playingRow() const { return m_playingRow.get(); }
    void setPlayingRow(QAudioFileChunk *row) { m_playingRow = row; }
    QAudioFileChunk *editingRow() const { return m_editingRow.get(); }
    void setEditingRow(IBaseChunk *row) { m_editingRow = dynamic_cast<QAudioFileChunk *>(row); }
    QAudioFileChunk *recordingRow() const { return m_recordingRow.get(); }
    void setRecordingRow(QAudioFileChunk *row) { m_recordingRow = row; }
    QLibraryChunk *currentEntry() const { return m_currentEntry.get(); }
    void setCurrentEntry(QLibraryChunk *entry) { m_currentEntry = entry; }
    QLibraryChunk *playingEntry() const { return m_playingEntry.get(); }
    void setPlayingEntry(QLibraryChunk *entry) { m_playingEntry = entry; }
    QLibraryChunk *allEntry() const { return m_allEntry.get(); }
    void setAllEntry(QLibraryChunk *entry) { m_allEntry = entry; }

    // The "All Recordings" entry shows the master rows themselves.
    void syncAllEntry();
    // Takes the row out of the master list, the shown list, the "All
    // Recordings" entry and every current reference. The row itself is
    // not deleted: whoever owns it does that.
    void forgetRow(IBaseChunk *row);
    // The entry goes: its rows leave the shown list when it is the shown
    // one, and it is no longer the shown, playing or "All" entry.
    void forgetEntry(QLibraryChunk *entry);
    // The file at the path is gone: whichever row of it is playing, in
    // whatever entry, is the playing row no more.
    void forgetPath(const std::string &path);

    // A live row of the master or the shown list with that id; null else.
    IBaseChunk *rowOfId(quint64 id) const;

private:
    void itemGone(quint64 id, IBaseChunk *item);
    // The master list without the rows that went since it was last read.
    std::vector<IBaseChunk *> &settledAll() const;
    bool eraseFrom(std::vector<IBaseChunk *> &rows, IBaseChunk *item);

    // Rows that go are taken out of the master list when it is next read,
    // in one pass: an entry that goes may take many thousands at once.
    mutable std::vector<IBaseChunk *> m_all;
    mutable QSet<const IBaseChunk *> m_gone;
    std::vector<IBaseChunk *> m_shown;
    LibraryItemRef<QAudioFileChunk> m_playingRow;
    LibraryItemRef<QAudioFileChunk> m_editingRow;
    LibraryItemRef<QAudioFileChunk> m_recordingRow;
    LibraryItemRef<QLibraryChunk> m_currentEntry;
    LibraryItemRef<QLibraryChunk> m_playingEntry;
    LibraryItemRef<QLibraryChunk> m_allEntry;
    std::function<void()> m_shownChanged;
    int m_watch = 0;
};
