#pragma once
// Diagnostics of the sound-server layer (connection, capture streams, loop-back device): debug
// lines are off unless switched on with QT_LOGGING_RULES="velmora.audio.debug=true"; warnings
// always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcAudio)
