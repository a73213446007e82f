#include "editor/qframechunk.h"

QString QFrameChunk::getThumbnailImage() const
{
    return QStringLiteral("%1/%2").arg(folder, thumbnail);
}
