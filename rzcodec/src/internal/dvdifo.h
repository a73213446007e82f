#pragma once
// The little a DVD-Video folder's IFO files must tell to read one title: the
// title set that holds it and its chapters (the programs of its first
// program chain, timed by the cells' playback times).

#include <cstdint>
#include <string>
#include <vector>

namespace rz {

struct DvdChapter {
    uint64_t startUs = 0;
    uint64_t endUs = 0;
};

// The title set of title `title` (1, 2, ...) from VIDEO_TS.IFO's title
// table; 0 when the file or the title is not there.
int dvdTitleSet(const std::string &videoTs, int title);
// The chapters of the title set's first program chain from VTS_nn_0.IFO;
// empty when it cannot be read.
std::vector<DvdChapter> dvdChapters(const std::string &videoTs, int titleSet);

} // namespace rz
