#pragma once
// Diagnostics of the item views and media widgets: debug lines are off unless
// switched on with QT_LOGGING_RULES="velmora.views.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcViews)
