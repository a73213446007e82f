#include "library/qrowindex.h"

#include <functional>

namespace {

constexpr size_t kMinimumSlots = 16;

// Full tables are probed longer: a table grows past four fifths.
bool tooFull(size_t count, size_t capacity)
{
    return capacity == 0 || count * 5 > capacity * 4;
}

size_t slotsFor(size_t count)
{
    size_t capacity = kMinimumSlots;
    while (tooFull(count, capacity))
        capacity *= 2;
    return capacity;
}

// Whether the entry at `at`, whose home is `home`, may stay where it is
// when the slot `hole` empties before it (all cyclic).
bool staysPut(size_t hole, size_t home, size_t at)
{
    return hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
}

// The row's slot, looked for from its home; the table's size when it has none.
template<class Slot>
size_t slotOf(const std::vector<Slot> &table, size_t home, const IBaseChunk *row)
{
    for (size_t at = home;; at = (at + 1) & (table.size() - 1)) {
        if (table[at].row == row)
            return at;
        if (!table[at].row)
            return table.size();
    }
}

// The slot goes to the first free place from its home; that place.
template<class Slot>
size_t place(std::vector<Slot> &table, size_t home, const Slot &slot)
{
    size_t at = home;
    while (table[at].row)
        at = (at + 1) & (table.size() - 1);
    table[at] = slot;
    return at;
}

// The slot empties; the entries after it move back into the hole unless
// their home lies after it, so that no slot is left marked as once used.
template<class Slot, class Home>
void empty(std::vector<Slot> &table, size_t hole, Home homeOf)
{
    const size_t mask = table.size() - 1;
    for (size_t at = (hole + 1) & mask; table[at].row; at = (at + 1) & mask) {
        if (staysPut(hole, homeOf(table[at]), at))
            continue;
        table[hole] = table[at];
        hole = at;
    }
    table[hole] = Slot();
}

// The table made again at another size.
template<class Slot, class Home>
void remake(std::vector<Slot> &table, size_t capacity, Home homeOf)
{
    std::vector<Slot> old(capacity);
    old.swap(table);
    for (const Slot &slot : old)
        if (slot.row)
            place(table, homeOf(slot), slot);
}

} // namespace

quint32 QRowIndex::hashOf(std::string_view path)
{
    const size_t h = std::hash<std::string_view>()(path);
    return quint32(quint64(h) ^ (quint64(h) >> 32));
}

size_t QRowIndex::rowHome(const IBaseChunk *row) const
{
    // The address mixed (rows are 16-byte aligned), then the table's bits.
    quint64 x = quint64(reinterpret_cast<quintptr>(row));
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return size_t(x) & (m_rows.size() - 1);
}

size_t QRowIndex::pathHome(quint32 hash) const
{
    return size_t(hash * 2654435769u) & (m_paths.size() - 1);
}

size_t QRowIndex::rowSlot(const IBaseChunk *row) const
{
    return m_rows.empty() || !row ? m_rows.size() : slotOf(m_rows, rowHome(row), row);
}

size_t QRowIndex::pathSlot(const IBaseChunk *row, quint32 hash) const
{
    return m_paths.empty() ? 0 : slotOf(m_paths, pathHome(hash), row);
}

void QRowIndex::prefetch(const IBaseChunk *row, quint32 pathHash) const
{
    if (!m_rows.empty())
        __builtin_prefetch(&m_rows[rowHome(row)], 1);
    if (!m_paths.empty())
        __builtin_prefetch(&m_paths[pathHome(pathHash)], 1);
}

quint32 QRowIndex::listsOf(const IBaseChunk *row) const
{
    const size_t at = rowSlot(row);
    return at < m_rows.size() ? m_rows[at].lists : 0;
}

bool QRowIndex::filedHash(const IBaseChunk *row, quint32 &hash) const
{
    const size_t at = rowSlot(row);
    if (at == m_rows.size() || !(m_rows[at].lists & Master))
        return false;
    hash = m_rows[at].hash;
    return true;
}

void QRowIndex::add(IBaseChunk *row, quint32 lists, quint32 pathHash)
{
    if (!row || !(lists & (Master | Shown)))
        return;
    size_t at = rowSlot(row);
    if (at == m_rows.size()) {
        if (tooFull(m_rowCount + 1, m_rows.size()))
            rehashRows(m_rows.empty() ? kMinimumSlots : m_rows.size() * 2);
        RowSlot slot;
        slot.row = row;
        at = place(m_rows, rowHome(row), slot);
        ++m_rowCount;
    }
    RowSlot &slot = m_rows[at];
    if ((lists & Master) && !(slot.lists & Master)) {
        slot.hash = pathHash;
        insertPath(row, pathHash);
    }
    slot.lists |= lists & (Master | Shown);
}

void QRowIndex::remove(const IBaseChunk *row, quint32 lists)
{
    const size_t at = rowSlot(row);
    if (at == m_rows.size())
        return;
    RowSlot &slot = m_rows[at];
    if ((lists & Master) && (slot.lists & Master))
        erasePath(row, slot.hash);
    slot.lists &= ~lists;
    if (slot.lists == 0)
        eraseRowAt(at);
}

void QRowIndex::refile(const IBaseChunk *row, quint32 pathHash)
{
    const size_t at = rowSlot(row);
    if (at == m_rows.size() || !(m_rows[at].lists & Master) || m_rows[at].hash == pathHash)
        return;
    erasePath(row, m_rows[at].hash);
    m_rows[at].hash = pathHash;
    insertPath(m_rows[at].row, pathHash);
}

void QRowIndex::insertPath(IBaseChunk *row, quint32 hash)
{
    if (tooFull(m_pathCount + 1, m_paths.size()))
        rehashPaths(m_paths.empty() ? kMinimumSlots : m_paths.size() * 2);
    place(m_paths, pathHome(hash), PathSlot{row, hash});
    ++m_pathCount;
}

void QRowIndex::erasePath(const IBaseChunk *row, quint32 hash)
{
    const size_t at = pathSlot(row, hash);
    if (at >= m_paths.size())
        return;
    empty(m_paths, at, [this](const PathSlot &slot) { return pathHome(slot.hash); });
    --m_pathCount;
}

void QRowIndex::eraseRowAt(size_t at)
{
    empty(m_rows, at, [this](const RowSlot &slot) { return rowHome(slot.row); });
    --m_rowCount;
    // A table left mostly empty by a large removal gives its room back.
    if (m_rows.size() > 1024 && m_rowCount * 8 < m_rows.size())
        rehashRows(slotsFor(m_rowCount));
}

void QRowIndex::rehashRows(size_t capacity)
{
    remake(m_rows, capacity, [this](const RowSlot &slot) { return rowHome(slot.row); });
    // The paths' table follows the rows' size, so that it shrinks too.
    if (m_paths.size() > 1024 && m_pathCount * 8 < m_paths.size())
        rehashPaths(slotsFor(m_pathCount));
}

void QRowIndex::rehashPaths(size_t capacity)
{
    remake(m_paths, capacity, [this](const PathSlot &slot) { return pathHome(slot.hash); });
}

void QRowIndex::reserve(size_t rows, size_t masters)
{
    if (slotsFor(rows) > m_rows.size())
        rehashRows(slotsFor(rows));
    if (masters > 0 && slotsFor(masters) > m_paths.size())
        rehashPaths(slotsFor(masters));
}

void QRowIndex::clear()
{
    m_rows = std::vector<RowSlot>();
    m_paths = std::vector<PathSlot>();
    m_rowCount = 0;
    m_pathCount = 0;
}
