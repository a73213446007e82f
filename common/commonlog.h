#pragma once
// Diagnostics of the settings store (settings files, history, recording marks, folders): debug
// lines are off unless switched on with QT_LOGGING_RULES="velmora.common.debug=true"; warnings
// always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCommon)
