#pragma once
// What a live recognition takes from the answers it reads one after
// another: an answer counts once it has stayed the same, about the same
// source, for the settle time. A player names the file for a moment when it
// starts one, and a stream may change hands. The reader says when each
// answer was read.

#include <chrono>
#include <map>
#include <string>

namespace rz {

using Tags = std::map<std::string, std::string>;

class SettledAnswer
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSettleTime{500};

    // The answer about `source` read at `now`; one without a title is none.
    // True once the same answer has held for the settle time: answer() is
    // then that answer.
    bool offer(Tags tags, const std::string &source, Clock::time_point now);
    const Tags &answer() const { return m_candidate; }

    static bool namesTitle(const Tags &tags);

private:
    Tags m_candidate;
    std::string m_source;
    Clock::time_point m_since;
};

} // namespace rz
