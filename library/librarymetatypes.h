#pragma once
// Row and entry ids and play lists as signal arguments of the library (queued connections
// and signal spies need them known to the meta-type system).

#include <QList>
#include <QMetaType>

namespace LibraryMetaTypes {
// Registers the types once per process.
void registerAll();
}
