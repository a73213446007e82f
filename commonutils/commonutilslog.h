#pragma once
// Diagnostics of the common module (files, administrator commands, zip archives): debug lines are
// off unless switched on with QT_LOGGING_RULES="velmora.commonutils.debug=true"; warnings always
// show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCommonUtils)
