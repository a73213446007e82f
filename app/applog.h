#pragma once
// Diagnostics of the program (main window, status item, hot keys, the log): debug lines are off
// unless switched on with QT_LOGGING_RULES="velmora.app.debug=true"; warnings always show.

#include <QLoggingCategory>

#include <cstdint>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
// The codec layer's lines (its failure reports and FFmpeg's warnings), which
// the program takes over so that they reach the log file too.
Q_DECLARE_LOGGING_CATEGORY(lcCodec)

// The codec layer's log sink: one line of a channel as a warning of lcCodec.
void forwardCodecLine(uint32_t channel, const char *line);
