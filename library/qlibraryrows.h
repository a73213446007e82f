#pragma once
// The one owner of the recordings table's rows: the master rows (one per
// recording; the "All Recordings" entry holds the same rows), the rows shown
// for the current entry, and the current references (library/
// qlibrarycurrent.h). Every list is kept in the table's order, so the view
// never sorts: a row joins at its place, a changed row moves to its new
// place, and the model over the shown rows is told of each change as it
// happens (one row in, out or moved, rather than the whole table again).
// A row or an entry that goes, by any road, leaves every list and
// reference at once. An index (library/qrowindex.h) says which lists hold a
// row and finds the master rows of a path: a look-up, a change or the
// removal of a row costs the same in any size of library, and many rows
// leave the table in one change that costs what they cost.

#include "library/ilibrarymembership.h"
#include "library/qentrycache.h"
#include "library/qlibrarycurrent.h"
#include "library/qrowindex.h"
#include "library/qroworder.h"

#include <QPointer>

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class IBaseChunk;
class QAudioFileModel;

class QLibraryRows : public ILibraryMembership
{
public:
    QLibraryRows();
    ~QLibraryRows() override;
    QLibraryRows(const QLibraryRows &) = delete;
    QLibraryRows &operator=(const QLibraryRows &) = delete;

    // The model that shows the shown rows; it is told of every change to them.
    void setModel(QAudioFileModel *model);

    // The master rows, in the table's order.
    const std::vector<IBaseChunk *> &all() const { return settledAll(); }
    // Every master row at once, already in the table's order. `filed`
    // holds some of them filed ahead (fileAhead) and no other row: a large
    // history's rows are filed a slice at a time before they join.
    void setAll(std::vector<IBaseChunk *> rows, QRowIndex filed = QRowIndex());
    // Files the rows in an index made ahead of setAll, as master rows.
    static void fileAhead(QRowIndex &index, const std::vector<IBaseChunk *> &rows);
    // The entry holds the master rows from now on ("All Recordings").
    void setAllEntry(QLibraryChunk *entry);
    // A new master row, at its place; shown at once when "All Recordings"
    // (or no entry yet) is shown.
    void addRow(IBaseChunk *row);
    // The rows the table shows, in its order.
    const std::vector<IBaseChunk *> &shown() const { return m_shown; }
    // Shows these rows (in the table's order) in one change; nothing when
    // they are the ones shown.
    void show(std::vector<IBaseChunk *> rows);
    // A row joins the shown rows (and the shown entry's) at its place.
    void showRow(IBaseChunk *row);
    // The row's cells changed: it moves to its new place where the order
    // asks for one, and the table repaints it. Whatever changes a row's
    // path tells this too: the row is filed again by path.
    void rowChanged(IBaseChunk *row);
    // Takes the row out of the master list, the shown list, the "All
    // Recordings" entry and every current reference. The row itself is
    // not deleted: whoever owns it does that.
    void forgetRow(IBaseChunk *row);
    // The same for many rows at once: the table hears of each run of
    // neighbouring rows that goes (of all of them at once when they lie
    // scattered), and each list is passed over no further than its last
    // row that goes.
    void forgetRows(const std::vector<IBaseChunk *> &rows);
    // The entry goes: its rows leave the shown list when it is the shown
    // one, and it is no longer the shown, playing or "All" entry.
    void forgetEntry(QLibraryChunk *entry);

    // The order the lists are kept in.
    const QRowOrder &order() const { return m_order; }
    // Counts every change to the master or shown list and every row's
    // change: keys read for a new order or a search are still good while it
    // stays the same.
    quint64 generation() const { return m_generation; }
    // Puts the lists in a new order: places[i] is the row of the old list
    // that comes i-th (QRowOrder::sortedPlaces over the lists' keys).
    void reorder(const QRowOrder &order, const std::vector<int> &allPlaces,
                 const std::vector<int> &shownPlaces);

    QLibraryCurrent &current() { return m_current; }
    const QLibraryCurrent &current() const { return m_current; }
    QEntryCache &entries() { return m_entries; }

    // A live row of the master or the shown list with that id; null else.
    IBaseChunk *rowOfId(quint64 id) const;
    bool holdsRow(quint64 id) const override { return rowOfId(id) != nullptr; }
    // The master row of the file at the path (never the running
    // recording's): rows are matched by their whole path, never by the file
    // name alone. Of several, a row whose file is there comes first, then
    // the oldest.
    QAudioFileChunk *masterOf(std::string_view path) const;
    // The master rows of many files at once, as masterOf finds each; a path
    // without one is left out.
    std::unordered_map<std::string_view, QAudioFileChunk *> mastersOf(
        const std::unordered_set<std::string_view> &paths) const;
    // Every master row of the file at the path but the running
    // recording's, in no order.
    std::vector<QAudioFileChunk *> mastersAt(std::string_view path) const;
    // The master row of the file is marked gone from the disk (or back):
    // its deleted flag, and its state "no file" (or normal).
    void setFileGone(std::string_view path, bool gone);

private:
    void itemGone(quint64 id, IBaseChunk *item);
    // The master list without the rows that went since it was last read.
    std::vector<IBaseChunk *> &settledAll() const;
    // The "All Recordings" entry shows the master rows themselves.
    void syncAllEntry();
    // The shown entry's rows are the shown rows.
    void syncShownEntry();
    bool isMaster(const IBaseChunk *row) const { return m_index.listsOf(row) & QRowIndex::Master; }
    bool isShown(const IBaseChunk *row) const;
    // The shown list is about to differ from the master list: its rows are
    // marked shown in the index one by one.
    void separateShown();
    // The rows leave the shown list, told to the model.
    void unshow(const std::vector<IBaseChunk *> &rows);
    // The row goes to its place in the list when it is not there; its old
    // and new index (equal when it stayed), -1 when it is not in the list.
    std::pair<int, int> placeAgain(std::vector<IBaseChunk *> &rows, IBaseChunk *row) const;

    // Rows destroyed while listed are taken out of the master list when it
    // is next read, in one pass: an entry that goes may take many thousands
    // at once. Every road that adds a row reads the list first.
    mutable std::vector<IBaseChunk *> m_all;
    mutable std::vector<const IBaseChunk *> m_gone;
    std::vector<IBaseChunk *> m_shown;
    // Which lists hold each row, the master rows by path.
    QRowIndex m_index;
    // The shown list is the master list itself ("All Recordings" shown):
    // the index then marks no row shown, and a master row is shown.
    bool m_shownIsAll = false;
    QLibraryCurrent m_current;
    QEntryCache m_entries;
    QRowOrder m_order;
    QPointer<QAudioFileModel> m_model;
    quint64 m_generation = 0;
    int m_watch = 0;
};
