#include "library/libraryitemids.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>

namespace LibraryItemIds {
namespace {
struct Registry
{
    QMutex mutex;
    quint64 nextId = 0;
    QHash<quint64, IBaseChunk *> items;
    QHash<const IBaseChunk *, quint64> ids;
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
    r.items.insert(id, item);
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
    return r.items.value(id, nullptr);
}

quint64 idOf(const IBaseChunk *item)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return item ? r.ids.value(item, 0) : 0;
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
