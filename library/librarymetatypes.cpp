#include "library/librarymetatypes.h"

void LibraryMetaTypes::registerAll()
{
    static const bool done = [] {
        qRegisterMetaType<QList<quint64>>("QList<quint64>");
        return true;
    }();
    Q_UNUSED(done);
}
