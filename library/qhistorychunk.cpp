#include "library/qhistorychunk.h"

const char *const kFixedItemKey = "KEY_BOOL_FIXEDITEM";

QHistoryChunk::QHistoryChunk()
    : IBaseChunk(false)
{
}

QHistoryChunk::~QHistoryChunk() = default;

void QHistoryChunk::setFixedItem(bool fixed)
{
    setBoolValue(kFixedItemKey, fixed);
}

bool QHistoryChunk::getFixedItem()
{
    return getBoolValue(kFixedItemKey);
}
