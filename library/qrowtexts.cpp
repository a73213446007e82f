#include "library/qrowtexts.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

constexpr size_t kHeader = sizeof(uint32_t) * QRowTexts::FieldCount;

uint32_t endOf(const char *block, int field)
{
    uint32_t end;
    std::memcpy(&end, block + sizeof(uint32_t) * size_t(field), sizeof end);
    return end;
}

} // namespace

QRowTexts::QRowTexts(const QRowTexts &other)
{
    *this = other;
}

QRowTexts &QRowTexts::operator=(const QRowTexts &other)
{
    if (this == &other)
        return *this;
    if (!other.m_block) {
        m_block.reset();
        return *this;
    }
    const size_t size = other.blockSize();
    std::unique_ptr<char[]> copy(new char[size]);
    std::memcpy(copy.get(), other.m_block.get(), size);
    m_block = std::move(copy);
    return *this;
}

size_t QRowTexts::blockSize() const
{
    return m_block ? kHeader + endOf(m_block.get(), FieldCount - 1) : 0;
}

std::string_view QRowTexts::view(Field field) const
{
    if (!m_block || field >= FieldCount)
        return {};
    const uint32_t begin = field == 0 ? 0 : endOf(m_block.get(), field - 1);
    const uint32_t end = endOf(m_block.get(), field);
    return std::string_view(m_block.get() + kHeader + begin, end - begin);
}

void QRowTexts::set(Field field, std::string_view value)
{
    if (field >= FieldCount)
        return;
    std::string_view values[FieldCount];
    for (int f = 0; f < FieldCount; ++f)
        values[f] = view(Field(f));
    values[field] = value;
    // The views point into the old block until the new one is made.
    setAll(values);
}

void QRowTexts::setAll(const std::string_view (&values)[FieldCount])
{
    size_t total = 0;
    for (const std::string_view &value : values)
        total += value.size();
    if (total == 0) {
        m_block.reset();
        return;
    }
    if (total > std::numeric_limits<uint32_t>::max())
        throw std::length_error("row texts over 4 GiB");
    std::unique_ptr<char[]> block(new char[kHeader + total]);
    uint32_t end = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (!values[f].empty())
            std::memcpy(block.get() + kHeader + end, values[f].data(), values[f].size());
        end += uint32_t(values[f].size());
        std::memcpy(block.get() + sizeof(uint32_t) * size_t(f), &end, sizeof end);
    }
    m_block = std::move(block);
}
