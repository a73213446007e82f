#pragma once
// Item roles that the list models of the program serve besides Qt's own.

#include <Qt>

namespace QJXItemRole {
enum : int {
    // Role 1 (Qt::DecorationRole) of a tile is a picture file path, nothing else.
    // Check state set without the summary signal; for tiles, the overlay picture path.
    CheckNoSummary = Qt::UserRole,     // 256
    OverlayImage = Qt::UserRole,       // 256
    ItemPointer = Qt::UserRole + 3,    // 259, the IBaseChunk* as a void* variant
    ItemDeleted = Qt::UserRole + 4,    // 260, bool
    // A picture held in memory by the model, as a QImage variant. Preferred
    // over the file path of role 1 when it holds a non-null image.
    MemoryImage = Qt::UserRole + 5,    // 261
};
}
