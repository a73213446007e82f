#pragma once
// What one file of a live recognition takes from the answers it reads one
// after another: an answer counts once it has held for the settle time
// (SettledAnswer). A file that follows a cut holds back the track the file
// before heard last, which the player may still name over the silence that
// ends it: that track names this file only once another track was read
// since, or when it still holds as the file ends.

#include "internal/settledanswer.h"

namespace rz {

class LiveAnswer
{
public:
    using Clock = SettledAnswer::Clock;

    // This file follows a cut; `previous` is what the file before heard
    // last (none: nothing is held back).
    void holdBack(const Tags &previous);
    // The answer about `source` read at `now`. True once it counts for this
    // file: answer() is then that answer.
    bool offer(Tags tags, const std::string &source, Clock::time_point now);
    // The file's sound ends: true when the track held back has held for the
    // settle time up to the last answer read; answer() is then that answer.
    bool heldAtEnd() const { return m_heldBackHolds; }
    const Tags &answer() const { return m_settled.answer(); }
    // The track read last, for the file that may follow this one; none once
    // nothing has named a track for the settle time.
    const Tags &lastHeard() const { return m_lastHeard; }

    // Whether two answers name the same track: a cover or a genre arriving
    // late makes no other track.
    static bool sameTrack(const Tags &a, const Tags &b);

private:
    SettledAnswer m_settled;
    Tags m_heldBack;
    bool m_heldBackHolds = false;
    Tags m_lastHeard;
    bool m_silent = false;
    Clock::time_point m_silentSince;
};

} // namespace rz
