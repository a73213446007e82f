#include "platform/audio/audiolog.h"

Q_LOGGING_CATEGORY(lcAudio, "velmora.audio", QtInfoMsg)
