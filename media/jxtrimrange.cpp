#include "media/jxtrimrange.h"

void JXTrimRange::set(uint64_t start, uint64_t end)
{
    playStart = segmentStart = start;
    playEnd = segmentEnd = end;
}

uint64_t JXTrimRange::playLength(uint64_t duration) const
{
    if (!isTrim)
        return duration;
    if (hasEnd())
        return playEnd - playStart;
    return duration > playStart ? duration - playStart : 0;
}

uint64_t JXTrimRange::relative(uint64_t playerTime) const
{
    if (!isTrim)
        return playerTime;
    return playerTime > playStart ? playerTime - playStart : 0;
}

uint64_t JXTrimRange::at(float fraction, uint64_t duration) const
{
    const float offset = float(playLength(duration)) * fraction;
    const float target = float(playStart) + (offset > 0 ? offset : 0.0f);
    return static_cast<uint64_t>(target);
}

double JXTrimRange::fraction(uint64_t part, uint64_t whole)
{
    return whole ? double(part) / double(whole) : 0.0;
}
