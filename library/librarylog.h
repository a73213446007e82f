#pragma once
// Diagnostics of the recordings library (recovery, editing of records): debug lines are off unless
// switched on with QT_LOGGING_RULES="velmora.library.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
