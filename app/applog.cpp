#include "app/applog.h"

Q_LOGGING_CATEGORY(lcApp, "velmora.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCodec, "velmora.codec", QtInfoMsg)

void forwardCodecLine(uint32_t channel, const char *line)
{
    qCWarning(lcCodec, "%s%s", channel == 1 ? "FFmpeg: " : "", line);
}
