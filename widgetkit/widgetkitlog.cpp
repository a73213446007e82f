#include "widgetkit/widgetkitlog.h"

Q_LOGGING_CATEGORY(lcWidgetKit, "velmora.widgetkit", QtInfoMsg)
