#include "player/playclock.h"

#include <cmath>

namespace rz {

void PlayClock::restart(uint64_t startUs, double ratio, int outputRate)
{
    m_segments.clear();
    m_segments.push_back({0, startUs, ratio});
    m_rate = outputRate > 0 ? outputRate : 44100;
}

void PlayClock::addSegment(int64_t frame, uint64_t mediaUs, double ratio)
{
    // Segments never overlap: a later one replaces those that start at or after it.
    while (!m_segments.empty() && m_segments.back().frame >= frame)
        m_segments.pop_back();
    m_segments.push_back({frame, mediaUs, ratio});
}

uint64_t PlayClock::mediaTimeAt(int64_t frame) const
{
    if (m_segments.empty())
        return 0;
    const Segment *at = &m_segments.front();
    for (const Segment &s : m_segments) {
        if (s.frame > frame)
            break;
        at = &s;
    }
    const int64_t into = frame > at->frame ? frame - at->frame : 0;
    return at->mediaUs + uint64_t(std::llround(double(into) * at->ratio * 1e6 / m_rate));
}

uint64_t PlayClock::startTime() const
{
    return m_segments.empty() ? 0 : m_segments.front().mediaUs;
}

} // namespace rz
