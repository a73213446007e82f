#pragma once
// Diagnostics of the recording engine (capture threads, devices, the recorder): debug lines are off unless
// switched on with QT_LOGGING_RULES="velmora.recorder.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRecorder)
