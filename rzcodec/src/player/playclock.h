#pragma once
// Maps the output sample timeline of one playback stream back to media time.
// A stream starts at a media time (open or seek); every change of speed or
// rate starts a new segment, since one output second then carries a different
// span of the media.

#include <cstdint>
#include <vector>

namespace rz {

class PlayClock
{
public:
    // A new stream whose first output frame plays media time `startUs`.
    void restart(uint64_t startUs, double ratio, int outputRate);
    // From output frame `frame` on, one output second carries `ratio` media seconds.
    void addSegment(int64_t frame, uint64_t mediaUs, double ratio);
    // The media time that output frame `frame` carries.
    uint64_t mediaTimeAt(int64_t frame) const;
    uint64_t startTime() const;

private:
    struct Segment {
        int64_t frame;
        uint64_t mediaUs;
        double ratio;
    };
    std::vector<Segment> m_segments;
    int m_rate = 44100;
};

} // namespace rz
