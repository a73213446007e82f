#pragma once
// Completes a file that a recording left behind unfinished (the process died
// before the trailer was written): the lengths in its header are set from the
// audio actually present. The file is replaced only by a complete repaired
// copy written beside it; on failure it stays as it was.

#include <string>

namespace rz {

// `muxer` is the name the recording was opened with (empty: from the path).
// True when the file is complete now (also when nothing had to change).
bool repairRecording(const std::string &path, const std::string &muxer, std::string *error);

} // namespace rz
