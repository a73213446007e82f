#pragma once
// Diagnostics of the program (main window, status item, hot keys, the log): debug lines are off
// unless switched on with QT_LOGGING_RULES="velmora.app.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
