#include "common/commonlog.h"

Q_LOGGING_CATEGORY(lcCommon, "velmora.common", QtInfoMsg)
