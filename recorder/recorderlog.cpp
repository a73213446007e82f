#include "recorder/recorderlog.h"

Q_LOGGING_CATEGORY(lcRecorder, "velmora.recorder", QtInfoMsg)
