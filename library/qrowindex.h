#pragma once
// Which of the table's lists hold a row, and the master rows of a path,
// found in the time one row takes whatever the library's size. Two
// open-addressing tables of bare addresses and 32-bit hashes: no path is
// copied, and a row costs about 40 bytes. The index never reads a row: a
// master row is filed under the hash of its path as its owner read it, and
// is taken out by its address alone (a row that goes may be half destroyed).
// Its owner (library/qlibraryrows.h) keeps it true on every change.

#include <QtGlobal>

#include <string_view>
#include <vector>

class IBaseChunk;

class QRowIndex
{
public:
    // The lists a row can be on, as bits.
    enum List : quint32 { Master = 1, Shown = 2 };

    // The hash a path is filed under.
    static quint32 hashOf(std::string_view path);

    // The lists (bits of List) the row is on; 0 for none.
    quint32 listsOf(const IBaseChunk *row) const;
    // The row joins the lists; a row that becomes a master row is filed
    // under pathHash.
    void add(IBaseChunk *row, quint32 lists, quint32 pathHash);
    // The row leaves the lists (and is forgotten once on none).
    void remove(const IBaseChunk *row, quint32 lists);
    // A master row whose path changed is filed under its new hash.
    void refile(const IBaseChunk *row, quint32 pathHash);
    // Asks memory for the slots the row would be filed in, ahead of add:
    // a large history's rows are filed many at a time.
    void prefetch(const IBaseChunk *row, quint32 pathHash) const;
    // The hash a master row is filed under; false for a row that is none.
    bool filedHash(const IBaseChunk *row, quint32 &hash) const;
    // Calls visit(row) for every master row filed under the hash: the rows
    // of the path, and now and then another whose path shares its hash. The
    // index must not change meanwhile.
    template<class Visit>
    void visitMasters(quint32 pathHash, Visit visit) const
    {
        if (m_paths.empty())
            return;
        for (size_t i = pathHome(pathHash); m_paths[i].row; i = (i + 1) & (m_paths.size() - 1))
            if (m_paths[i].hash == pathHash)
                visit(m_paths[i].row);
    }

    // Calls visit(row, lists) for every row on a list, in no order.
    template<class Visit>
    void visitRows(Visit visit) const
    {
        for (const RowSlot &slot : m_rows)
            if (slot.row)
                visit(slot.row, slot.lists);
    }

    // Rows on any list, and master rows.
    size_t size() const { return m_rowCount; }
    size_t masterCount() const { return m_pathCount; }
    // Room for this many rows and master rows, made at once.
    void reserve(size_t rows, size_t masters);
    void clear();

private:
    struct RowSlot
    {
        IBaseChunk *row = nullptr;
        quint32 hash = 0;
        quint32 lists = 0;
    };
    struct PathSlot
    {
        IBaseChunk *row = nullptr;
        quint32 hash = 0;
    };

    size_t rowHome(const IBaseChunk *row) const;
    size_t pathHome(quint32 hash) const;
    // The slot of the row; the table's size when it has none.
    size_t rowSlot(const IBaseChunk *row) const;
    size_t pathSlot(const IBaseChunk *row, quint32 hash) const;
    void insertPath(IBaseChunk *row, quint32 hash);
    void erasePath(const IBaseChunk *row, quint32 hash);
    void eraseRowAt(size_t slot);
    void rehashRows(size_t capacity);
    void rehashPaths(size_t capacity);

    std::vector<RowSlot> m_rows;
    std::vector<PathSlot> m_paths;
    size_t m_rowCount = 0;
    size_t m_pathCount = 0;
};
