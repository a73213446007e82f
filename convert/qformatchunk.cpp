#include "convert/qformatchunk.h"

const char *const QFormatChunk::CategoryKey = "Categories";
const char *const QFormatChunk::ExtensionKey = "KEY_Exten";

QFormatChunk::QFormatChunk()
    : IBaseChunk(false)
{
}
