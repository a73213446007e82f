#pragma once
// Diagnostics of the media engine (playback, previews, tags, recognition): debug lines are off unless switched on with
// QT_LOGGING_RULES="velmora.media.debug=true"; warnings always show.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMedia)
