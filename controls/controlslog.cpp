#include "controls/controlslog.h"

Q_LOGGING_CATEGORY(lcControls, "velmora.controls", QtInfoMsg)
