#pragma once
// Answers whether a number that a drag names is one of the library's rows.
// The drop side never turns such a number into a pointer itself: it gets
// the row, if any, from here.

#include <QtGlobal>

class IBaseChunk;

class ILibraryMembership
{
public:
    virtual ~ILibraryMembership() = default;
    // The library's row whose address is the id; null when there is none.
    virtual IBaseChunk *libraryItemForId(quint64 id) const = 0;
};
