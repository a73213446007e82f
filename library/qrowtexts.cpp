#include "library/qrowtexts.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

// The block: one byte telling the width of the offsets (2 or 4 bytes), the
// end of each text at that width, then the texts.
size_t headerSize(unsigned width)
{
    return 1 + size_t(width) * QRowTexts::FieldCount;
}

uint32_t endOf(const char *block, int field)
{
    const unsigned width = static_cast<unsigned char>(block[0]);
    if (width == 2) {
        uint16_t end;
        std::memcpy(&end, block + 1 + 2 * size_t(field), sizeof end);
        return end;
    }
    uint32_t end;
    std::memcpy(&end, block + 1 + 4 * size_t(field), sizeof end);
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
    if (!m_block)
        return 0;
    return headerSize(static_cast<unsigned char>(m_block[0])) + endOf(m_block.get(), FieldCount - 1);
}

std::string_view QRowTexts::view(Field field) const
{
    if (!m_block || field >= FieldCount)
        return {};
    const uint32_t begin = field == 0 ? 0 : endOf(m_block.get(), field - 1);
    const uint32_t end = endOf(m_block.get(), field);
    const size_t header = headerSize(static_cast<unsigned char>(m_block[0]));
    return std::string_view(m_block.get() + header + begin, end - begin);
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
    // A row's texts are short: two-byte offsets but for a rare long one.
    const unsigned width = total <= std::numeric_limits<uint16_t>::max() ? 2 : 4;
    const size_t header = headerSize(width);
    std::unique_ptr<char[]> block(new char[header + total]);
    block[0] = char(width);
    uint32_t end = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (!values[f].empty())
            std::memcpy(block.get() + header + end, values[f].data(), values[f].size());
        end += uint32_t(values[f].size());
        if (width == 2) {
            const uint16_t narrow = uint16_t(end);
            std::memcpy(block.get() + 1 + 2 * size_t(f), &narrow, sizeof narrow);
        } else {
            std::memcpy(block.get() + 1 + 4 * size_t(f), &end, sizeof end);
        }
    }
    m_block = std::move(block);
}
