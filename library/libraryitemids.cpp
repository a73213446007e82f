#include "library/libraryitemids.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <utility>
#include <vector>

namespace LibraryItemIds {
namespace {

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
    return id;
}

void remove(quint64 id, IBaseChunk *item)
{
    Registry &r = registry();
    QList<Watcher> watchers;
    {
        QMutexLocker lock(&r.mutex);
        r.items.remove(id);
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
