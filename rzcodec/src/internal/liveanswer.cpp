#include "internal/liveanswer.h"

namespace rz {

namespace {

std::string valueOf(const Tags &tags, const char *key)
{
    auto it = tags.find(key);
    return it == tags.end() ? std::string() : it->second;
}

} // namespace

bool LiveAnswer::sameTrack(const Tags &a, const Tags &b)
{
    for (const char *key : {"title", "artist", "album"}) {
        if (valueOf(a, key) != valueOf(b, key))
            return false;
    }
    return true;
}

void LiveAnswer::holdBack(const Tags &previous)
{
    m_heldBack = SettledAnswer::namesTitle(previous) ? previous : Tags();
    m_heldBackHolds = false;
}

bool LiveAnswer::offer(Tags tags, const std::string &source, Clock::time_point now)
{
    m_heldBackHolds = false;
    if (SettledAnswer::namesTitle(tags)) {
        m_lastHeard = tags;
        m_silent = false;
        // Another track was read: the one held back may play again.
        if (!m_heldBack.empty() && !sameTrack(tags, m_heldBack))
            m_heldBack.clear();
    } else if (!m_silent) {
        m_silent = true;
        m_silentSince = now;
    } else if (now - m_silentSince >= SettledAnswer::kSettleTime) {
        m_lastHeard.clear();
    }
    if (!m_settled.offer(std::move(tags), source, now))
        return false;
    if (!m_heldBack.empty() && sameTrack(m_settled.answer(), m_heldBack)) {
        m_heldBackHolds = true;
        return false;
    }
    return true;
}

} // namespace rz
