#pragma once
// Playback streams of the players, on the process's one sound-server connection.

#include <memory>
#include <string>

class PulseOutputStream;

namespace rz {

// A new, unopened stream on the shared connection; null (with the reason in
// *error) when the sound server cannot be reached.
std::shared_ptr<PulseOutputStream> makeOutputStream(std::string *error);

} // namespace rz
