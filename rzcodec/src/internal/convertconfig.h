#pragma once
// The object behind a conversion-configuration handle: every setting kept
// under its key with the setter's arguments in order, the tags, chapters and
// input streams. Jobs and recorders read it through the typed accessors.

#include "internal/bufferhandle.h"
#include "internal/handle.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rz {

struct ConfigValue {
    enum Kind { Int, UInt, Double, Text } kind = Int;
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;
    std::string s;

    static ConfigValue of(int32_t v) { return ofInt(v); }
    static ConfigValue of(int64_t v) { return ofInt(v); }
    static ConfigValue of(uint32_t v) { return ofUInt(v); }
    static ConfigValue of(uint64_t v) { return ofUInt(v); }
    static ConfigValue of(double v);
    static ConfigValue of(const char *v); // null = ""

    bool toInt(int64_t *out) const;
    bool toUInt(uint64_t *out) const;
    bool toDouble(double *out) const;

private:
    static ConfigValue ofInt(int64_t v);
    static ConfigValue ofUInt(uint64_t v);
};

struct ConfigChapter {
    uint64_t start = 0;
    uint64_t duration = 0;
    std::string title;
};

class ConvertConfig : public Handle
{
public:
    static constexpr Role kRole = Role::ConvertConfig;
    ConvertConfig() : Handle(kRole) {}

    void set(const std::string &key, std::vector<ConfigValue> values);
    const std::vector<ConfigValue> *find(const std::string &key) const;

    // Typed reads with a default for absent keys.
    int64_t intOr(const std::string &key, int64_t fallback, size_t index = 0) const;
    uint64_t uintOr(const std::string &key, uint64_t fallback, size_t index = 0) const;
    double doubleOr(const std::string &key, double fallback, size_t index = 0) const;
    std::string textOr(const std::string &key, const std::string &fallback = {}) const;

    // Keys of the item chosen last in a family ("watermark", "background").
    std::string scopedKey(const std::string &family, const std::string &name) const;
    void selectItem(const std::string &family, uint32_t index);

    std::vector<double> equalizerBands, equalizerGains;

    // Tags in the order they were set (a key set twice keeps its first place).
    void setMetadata(const std::string &key, std::string bytes);
    BufferHandle *metadata(const std::string &key) const;
    const std::vector<std::string> &metadataKeys() const { return m_metadataOrder; }

    std::vector<ConfigChapter> chapters;
    std::vector<void *> inputStreams;

private:
    std::map<std::string, std::vector<ConfigValue>> m_values;
    std::map<std::string, uint32_t> m_selected;
    std::map<std::string, std::unique_ptr<BufferHandle>> m_metadata;
    std::vector<std::string> m_metadataOrder;
};

} // namespace rz
