#pragma once
// What the recording-object suites share beyond the common recording tools:
// the format of a recorded row, and what the in-progress marks say about a
// path.

#include "recordformats.h"

#include <QString>

namespace RecordingChecks {

// New recordings are made in this format, audio only.
void useFormat(const RecordFormat &f);
// A mark of a recording in progress names the path.
bool markedInProgress(const QString &path);

} // namespace RecordingChecks
