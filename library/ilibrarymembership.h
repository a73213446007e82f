#pragma once
// Answers whether an id that a drag names is one of the library's rows. The
// drop side never turns such a number into a row itself: whoever takes the
// ids looks each one up again when it acts.

#include <QtGlobal>

class ILibraryMembership
{
public:
    virtual ~ILibraryMembership() = default;
    // The library holds a live row of that id.
    virtual bool holdsRow(quint64 id) const = 0;
};
