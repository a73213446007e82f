#include "widgetkit/views/viewslog.h"

Q_LOGGING_CATEGORY(lcViews, "velmora.views", QtInfoMsg)
