#include "library/librarymetatypes.h"

#include "controls/qplaylistpaths.h"

void LibraryMetaTypes::registerAll()
{
    static const bool done = [] {
        qRegisterMetaType<QList<quint64>>("QList<quint64>");
        qRegisterMetaType<QPlayListPaths>();
        return true;
    }();
    Q_UNUSED(done);
}
