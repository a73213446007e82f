#include "library/libraryitemids.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <utility>
#include <vector>

namespace LibraryItemIds {
namespace {

// Ids by address, in one table of pairs (open addressing, linear probing):
// a large library has an entry per row, and a node per entry cost more
// than the row's own numbers.
class AddressIds
{
public:
    quint64 value(const IBaseChunk *item) const
    {
        if (!item || m_slots.empty())
            return 0;
        for (size_t i = home(item);; i = next(i)) {
            if (m_slots[i].item == item)
                return m_slots[i].id;
            if (!m_slots[i].item)
                return 0;
        }
    }

    void insert(const IBaseChunk *item, quint64 id)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            rehash(m_slots.empty() ? 64 : m_slots.size() * 2);
        size_t i = home(item);
        while (m_slots[i].item && m_slots[i].item != item)
            i = next(i);
        if (!m_slots[i].item)
            ++m_count;
        m_slots[i] = {item, id};
    }

    void remove(const IBaseChunk *item)
    {
        if (!item || m_slots.empty())
            return;
        size_t i = home(item);
        while (m_slots[i].item != item) {
            if (!m_slots[i].item)
                return;
            i = next(i);
        }
        // Entries after the gap that would no longer be reached move into it.
        for (size_t j = next(i);; j = next(j)) {
            if (!m_slots[j].item)
                break;
            const size_t h = home(m_slots[j].item);
            const bool reachable = i <= j ? (h > i && h <= j) : (h > i || h <= j);
            if (!reachable) {
                m_slots[i] = m_slots[j];
                i = j;
            }
        }
        m_slots[i] = {};
        --m_count;
        if (m_slots.size() > 64 && m_count * 8 < m_slots.size())
            rehash(m_slots.size() / 2);
    }

private:
    struct Slot
    {
        const IBaseChunk *item = nullptr;
        quint64 id = 0;
    };

    size_t home(const IBaseChunk *item) const
    {
        const auto bits = quint64(reinterpret_cast<quintptr>(item));
        return size_t((bits * 0x9E3779B97F4A7C15ull) >> 32) & (m_slots.size() - 1);
    }
    size_t next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    void rehash(size_t size)
    {
        std::vector<Slot> old(size);
        old.swap(m_slots);
        m_count = 0;
        for (const Slot &slot : old)
            if (slot.item)
                insert(slot.item, slot.id);
    }

    std::vector<Slot> m_slots; // a power of two long, at most half full
    size_t m_count = 0;
};

// Items by id. Ids only grow, so appending keeps the list sorted; an item
// that goes leaves a hole until holes are half the list.
class ItemsById
{
public:
    IBaseChunk *value(quint64 id) const
    {
        const auto at = find(id);
        return at == m_items.end() ? nullptr : at->second;
    }

    void append(quint64 id, IBaseChunk *item) { m_items.emplace_back(id, item); }

    void remove(quint64 id)
    {
        const auto at = find(id);
        if (at == m_items.end() || !at->second)
            return;
        m_items[size_t(at - m_items.begin())].second = nullptr;
        if (++m_holes * 2 > m_items.size()) {
            m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                         [](const Entry &entry) { return !entry.second; }),
                          m_items.end());
            m_holes = 0;
            if (m_items.capacity() > 2 * m_items.size() + 64)
                m_items.shrink_to_fit();
        }
    }

private:
    using Entry = std::pair<quint64, IBaseChunk *>;

    std::vector<Entry>::const_iterator find(quint64 id) const
    {
        const auto at = std::lower_bound(m_items.begin(), m_items.end(), id,
                                         [](const Entry &entry, quint64 key) { return entry.first < key; });
        return at != m_items.end() && at->first == id ? at : m_items.end();
    }

    std::vector<Entry> m_items;
    size_t m_holes = 0;
};

struct Registry
{
    QMutex mutex;
    quint64 nextId = 0;
    ItemsById items;
    AddressIds ids;
    int nextHandle = 0;
    QMap<int, Watcher> watchers;
};

Registry &registry()
{
    static Registry r;
    return r;
}
} // namespace

quint64 add(IBaseChunk *item)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const quint64 id = ++r.nextId;
    r.items.append(id, item);
    r.ids.insert(item, id);
    return id;
}

void remove(quint64 id, IBaseChunk *item)
{
    Registry &r = registry();
    QList<Watcher> watchers;
    {
        QMutexLocker lock(&r.mutex);
        r.items.remove(id);
        r.ids.remove(item);
        watchers = r.watchers.values();
    }
    for (const Watcher &watcher : watchers)
        watcher(id, item);
}

IBaseChunk *find(quint64 id)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return id ? r.items.value(id) : nullptr;
}

quint64 idOf(const IBaseChunk *item)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return r.ids.value(item);
}

int watch(Watcher watcher)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const int handle = ++r.nextHandle;
    r.watchers.insert(handle, std::move(watcher));
    return handle;
}

void unwatch(int handle)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.watchers.remove(handle);
}

} // namespace LibraryItemIds
