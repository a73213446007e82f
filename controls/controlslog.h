#pragma once
// Diagnostics of the recording and playback controls: debug lines are off unless switched on with
// QT_LOGGING_RULES="velmora.controls.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcControls)
