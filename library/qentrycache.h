#pragma once
// Which library entries hold up-to-date copies of their rows. "Latest
// Recordings" and each user playlist own copies made from the master rows
// when shown; a change to the rows marks them stale, and a stale entry makes
// its copies again the next time it is shown.

#include <QList>

#include <string>

class QEntryCache
{
public:
    bool isFresh(const std::string &title) const { return !m_allStale && m_fresh.contains(title); }
    void markFresh(const std::string &title)
    {
        if (m_allStale) {
            m_fresh.clear();
            m_allStale = false;
        }
        if (!m_fresh.contains(title))
            m_fresh.append(title);
    }
    void markStale(const std::string &title) { m_fresh.removeOne(title); }
    void markAllStale() { m_allStale = true; }

private:
    QList<std::string> m_fresh;
    bool m_allStale = true;
};
