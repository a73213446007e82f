#pragma once
// Diagnostics of output formats and conversion: debug lines are off unless switched on with
// QT_LOGGING_RULES="velmora.convert.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcConvert)
