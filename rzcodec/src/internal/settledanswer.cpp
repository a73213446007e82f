#include "internal/settledanswer.h"

namespace rz {

bool SettledAnswer::namesTitle(const Tags &tags)
{
    auto title = tags.find("title");
    return title != tags.end() && !title->second.empty();
}

bool SettledAnswer::offer(Tags tags, const std::string &source, Clock::time_point now)
{
    if (!namesTitle(tags)) {
        m_candidate.clear();
        return false;
    }
    if (tags != m_candidate || source != m_source) {
        m_candidate = std::move(tags);
        m_source = source;
        m_since = now;
        return false;
    }
    return now - m_since >= kSettleTime;
}

} // namespace rz
