#pragma once
// One line per failure, with FFmpeg's own text for its error codes. Nothing
// here aborts: callers return their failure value after logging.

#include <string>

namespace rz {

// FFmpeg's description of an AVERROR code.
std::string avErrorText(int averr);

// Logs "<what>: <FFmpeg's text>" and returns averr, so that a caller can write
// `return logAvError("opening input", ret);`.
int logAvError(const std::string &what, int averr);

// Logs a failure that has no FFmpeg code.
void logError(const std::string &what);

// Logs a call on a null or wrong handle; returns false for convenience.
bool logBadHandle(const char *call);

} // namespace rz
