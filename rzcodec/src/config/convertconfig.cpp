#include "internal/convertconfig.h"

#include <cmath>
#include <limits>

namespace rz {

ConfigValue ConfigValue::ofInt(int64_t v)
{
    ConfigValue c;
    c.kind = Int;
    c.i = v;
    return c;
}

ConfigValue ConfigValue::ofUInt(uint64_t v)
{
    ConfigValue c;
    c.kind = UInt;
    c.u = v;
    return c;
}

ConfigValue ConfigValue::of(double v)
{
    ConfigValue c;
    c.kind = Double;
    c.d = v;
    return c;
}

ConfigValue ConfigValue::of(const char *v)
{
    ConfigValue c;
    c.kind = Text;
    c.s = v ? v : "";
    return c;
}

bool ConfigValue::toInt(int64_t *out) const
{
    switch (kind) {
    case Int:
        *out = i;
        return true;
    case UInt:
        if (u > uint64_t(std::numeric_limits<int64_t>::max()))
            return false;
        *out = int64_t(u);
        return true;
    default:
        return false;
    }
}

bool ConfigValue::toUInt(uint64_t *out) const
{
    switch (kind) {
    case UInt:
        *out = u;
        return true;
    case Int:
        // -1 ("none") reads back as all ones, as the 32-bit callers passed it.
        *out = uint64_t(i);
        return true;
    default:
        return false;
    }
}

bool ConfigValue::toDouble(double *out) const
{
    switch (kind) {
    case Double:
        *out = d;
        return true;
    case Int:
        *out = double(i);
        return true;
    case UInt:
        *out = double(u);
        return true;
    default:
        return false;
    }
}

void ConvertConfig::set(const std::string &key, std::vector<ConfigValue> values)
{
    m_values[key] = std::move(values);
}

const std::vector<ConfigValue> *ConvertConfig::find(const std::string &key) const
{
    auto it = m_values.find(key);
    return it == m_values.end() ? nullptr : &it->second;
}

int64_t ConvertConfig::intOr(const std::string &key, int64_t fallback, size_t index) const
{
    const auto *v = find(key);
    int64_t out;
    return v && index < v->size() && (*v)[index].toInt(&out) ? out : fallback;
}

uint64_t ConvertConfig::uintOr(const std::string &key, uint64_t fallback, size_t index) const
{
    const auto *v = find(key);
    uint64_t out;
    return v && index < v->size() && (*v)[index].toUInt(&out) ? out : fallback;
}

double ConvertConfig::doubleOr(const std::string &key, double fallback, size_t index) const
{
    const auto *v = find(key);
    double out;
    return v && index < v->size() && (*v)[index].toDouble(&out) ? out : fallback;
}

std::string ConvertConfig::textOr(const std::string &key, const std::string &fallback) const
{
    const auto *v = find(key);
    return v && !v->empty() && (*v)[0].kind == ConfigValue::Text ? (*v)[0].s : fallback;
}

std::string ConvertConfig::scopedKey(const std::string &family, const std::string &name) const
{
    auto it = m_selected.find(family);
    const uint32_t index = it == m_selected.end() ? 0 : it->second;
    return family + "." + std::to_string(index) + "." + name;
}

void ConvertConfig::selectItem(const std::string &family, uint32_t index)
{
    m_selected[family] = index;
}

void ConvertConfig::setMetadata(const std::string &key, std::string bytes)
{
    auto &slot = m_metadata[key];
    if (!slot)
        m_metadataOrder.push_back(key);
    slot = std::make_unique<BufferHandle>(std::move(bytes));
}

BufferHandle *ConvertConfig::metadata(const std::string &key) const
{
    auto it = m_metadata.find(key);
    return it == m_metadata.end() ? nullptr : it->second.get();
}

} // namespace rz
