#pragma once
// One preset of the format list: title, id (as a number) and icon through
// the item base, its category and extension in the item's store.

#include "widgetkit/views/ibasechunk.h"

class QFormatChunk : public IBaseChunk
{
public:
    static const char *const CategoryKey;  // "Categories"
    static const char *const ExtensionKey; // "KEY_Exten"

    QFormatChunk();
};
