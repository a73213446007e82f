#include "library/librarymetatypes.h"

void LibraryMetaTypes::registerAll()
{
    static const bool done = [] {
        qRegisterMetaType<IBaseChunk *>("IBaseChunk*");
        qRegisterMetaType<QList<IBaseChunk *>>("QList<IBaseChunk*>");
        return true;
    }();
    Q_UNUSED(done);
}
