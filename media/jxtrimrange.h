#pragma once
// The trim range of the preview and the segment played inside it, with the
// arithmetic every position, progress value and time text is measured by.
// A range end of 0, or one at or before the start, runs to the media's end.

#include <cstdint>

struct JXTrimRange {
    uint64_t playStart = 0;
    uint64_t playEnd = 0;
    uint64_t segmentStart = 0;
    uint64_t segmentEnd = 0;
    bool isTrim = false;
    bool isTrimPlaying = false;

    // Sets range and segment alike.
    void set(uint64_t start, uint64_t end);

    // The range has an end of its own before the media's end.
    bool hasEnd() const { return playEnd != 0 && playEnd > playStart; }
    // The length positions are measured against, for media of `duration`.
    uint64_t playLength(uint64_t duration) const;
    // A player time relative to the trim start (0 below it) while trimming.
    uint64_t relative(uint64_t playerTime) const;
    // The player time passed the range's own end.
    bool pastEnd(uint64_t playerTime) const { return isTrim && hasEnd() && playerTime > playEnd; }
    // play start + play length x fraction, in single precision as the controls send it.
    uint64_t at(float fraction, uint64_t duration) const;

    // part / whole, 0 for an empty whole.
    static double fraction(uint64_t part, uint64_t whole);
};
