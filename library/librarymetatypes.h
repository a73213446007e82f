#pragma once
// Item pointers as signal arguments of the library (queued connections and
// signal spies need them known to the meta-type system).

#include "widgetkit/views/ibasechunk.h"

#include <QList>
#include <QMetaType>

Q_DECLARE_METATYPE(IBaseChunk *)
Q_DECLARE_METATYPE(QList<IBaseChunk *>)

namespace LibraryMetaTypes {
// Registers both types once per process.
void registerAll();
}
