#include "commonutilslog.h"

Q_LOGGING_CATEGORY(lcCommonUtils, "velmora.commonutils", QtInfoMsg)
