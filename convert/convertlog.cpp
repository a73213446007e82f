#include "convert/convertlog.h"

Q_LOGGING_CATEGORY(lcConvert, "velmora.convert", QtInfoMsg)
