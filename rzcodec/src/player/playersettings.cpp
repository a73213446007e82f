#include "player/playersettings.h"

namespace rz {

void PlayerSettings::store(const std::string &name, Entry entry)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    (m_batchDepth > 0 ? m_batch : m_entries)[name] = std::move(entry);
}

void PlayerSettings::setNumbers(const std::string &name, std::vector<double> values)
{
    store(name, Entry{std::string(), std::move(values)});
}

void PlayerSettings::setText(const std::string &name, const std::string &text)
{
    store(name, Entry{text, {}});
}

void PlayerSettings::setTextAndNumbers(const std::string &name, const std::string &text,
                                       std::vector<double> values)
{
    store(name, Entry{text, std::move(values)});
}

bool PlayerSettings::numbers(const std::string &name, std::vector<double> *values) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto it = m_entries.find(name);
    if (it == m_entries.end())
        return false;
    if (values)
        *values = it->second.values;
    return true;
}

bool PlayerSettings::text(const std::string &name, std::string *text) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto it = m_entries.find(name);
    if (it == m_entries.end())
        return false;
    if (text)
        *text = it->second.text;
    return true;
}

double PlayerSettings::number(const std::string &name, size_t index, double fallback) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    auto it = m_entries.find(name);
    if (it == m_entries.end() || index >= it->second.values.size())
        return fallback;
    return it->second.values[index];
}

void PlayerSettings::beginBatch()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_batchDepth;
}

void PlayerSettings::endBatch()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_batchDepth == 0)
        return;
    if (--m_batchDepth == 0) {
        for (auto &entry : m_batch)
            m_entries[entry.first] = std::move(entry.second);
        m_batch.clear();
    }
}

bool PlayerSettings::inBatch() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_batchDepth > 0;
}

} // namespace rz
