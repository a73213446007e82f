#pragma once
// Settings a player keeps without drawing them (picture, watermark, subtitle,
// stream and background-sound settings): each setter stores its arguments
// under its own name, and they can be read back.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rz {

class PlayerSettings
{
public:
    void setNumbers(const std::string &name, std::vector<double> values);
    void setText(const std::string &name, const std::string &text);
    void setTextAndNumbers(const std::string &name, const std::string &text,
                           std::vector<double> values);

    // False when the setting was never made.
    bool numbers(const std::string &name, std::vector<double> *values) const;
    bool text(const std::string &name, std::string *text) const;
    double number(const std::string &name, size_t index, double fallback) const;

    // A batch between begin and end is applied at once.
    void beginBatch();
    void endBatch();
    bool inBatch() const;

private:
    struct Entry {
        std::string text;
        std::vector<double> values;
    };
    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
    std::map<std::string, Entry> m_batch;
    int m_batchDepth = 0;
    void store(const std::string &name, Entry entry);
};

} // namespace rz
