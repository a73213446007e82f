#pragma once
// Every recording row and library entry alive has a serial id. An id never
// names anything again once its item is gone, so what is kept as an id (a
// current row, the playing entry, a dragged row) cannot reach freed memory.
// Watchers hear of each item as it goes, before its memory is freed.

#include <QtGlobal>

#include <functional>

class IBaseChunk;

namespace LibraryItemIds {

// The item's new id (never 0). Called by the items' constructors.
quint64 add(IBaseChunk *item);
// Forgets the id, then tells every watcher. Called by the destructors.
void remove(quint64 id, IBaseChunk *item);
// The live item of that id; null for 0 or an id whose item is gone.
IBaseChunk *find(quint64 id);

// The live item of that id and type; null else.
template<class T>
T *itemOf(quint64 id)
{
    return dynamic_cast<T *>(find(id));
}

using Watcher = std::function<void(quint64 id, IBaseChunk *item)>;
// The item passed to a watcher may be compared, never used.
int watch(Watcher watcher);
void unwatch(int handle);

} // namespace LibraryItemIds

// A reference to a row or an entry that reads null once the item is gone.
template <class T>
class LibraryItemRef
{
public:
    LibraryItemRef() = default;
    LibraryItemRef(T *item) { *this = item; }
    LibraryItemRef &operator=(T *item)
    {
        m_id = item ? item->itemId() : 0;
        return *this;
    }
    T *get() const { return m_id ? LibraryItemIds::itemOf<T>(m_id) : nullptr; }
    quint64 id() const { return m_id; }
    void clear() { m_id = 0; }

private:
    quint64 m_id = 0;
};
