#include "library/qrowtexts.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

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

struct QRowTexts::Block
{
    std::atomic<uint32_t> holders{1};
    // The texts are views into a history entry's bytes, not the bytes
    // that follow.
    bool inEntry = false;
    // Followed by the bytes: the width, the ends, the texts.
    char *bytes() { return reinterpret_cast<char *>(this + 1); }
    const char *bytes() const { return reinterpret_cast<const char *>(this + 1); }
};

// A row whose texts are those of its history record reads them where the
// history keeps them: the entry's bytes are shared, never copied, and the
// block holds only where each text starts and how long it is.
struct QRowTexts::EntryBlock : QRowTexts::Block
{
    HistoryDocument::Entry entry;
    const char *base = nullptr; // the lowest text, in the entry's bytes
    uint16_t at[FieldCount] = {};
    uint16_t size[FieldCount] = {};
};

QRowTexts::QRowTexts(const QRowTexts &other) noexcept
    : m_block(other.m_block)
{
    if (m_block)
        m_block->holders.fetch_add(1, std::memory_order_relaxed);
}

QRowTexts &QRowTexts::operator=(const QRowTexts &other) noexcept
{
    if (m_block == other.m_block)
        return *this;
    if (other.m_block)
        other.m_block->holders.fetch_add(1, std::memory_order_relaxed);
    release();
    m_block = other.m_block;
    return *this;
}

QRowTexts &QRowTexts::operator=(QRowTexts &&other) noexcept
{
    if (this != &other) {
        release();
        m_block = other.m_block;
        other.m_block = nullptr;
    }
    return *this;
}

void QRowTexts::release() noexcept
{
    Block *block = std::exchange(m_block, nullptr);
    // The last holder, on whatever thread, frees it: the others' reads
    // happen before (acquire on the last count).
    if (block && block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        if (block->inEntry) {
            delete static_cast<EntryBlock *>(block);
            return;
        }
        block->~Block();
        ::operator delete(block);
    }
}

std::string_view QRowTexts::view(Field field) const
{
    if (!m_block || field >= FieldCount)
        return {};
    if (m_block->inEntry) {
        const auto *in = static_cast<const EntryBlock *>(m_block);
        return std::string_view(in->base + in->at[field], in->size[field]);
    }
    const char *bytes = m_block->bytes();
    const uint32_t begin = field == 0 ? 0 : endOf(bytes, field - 1);
    const uint32_t end = endOf(bytes, field);
    const size_t header = headerSize(static_cast<unsigned char>(bytes[0]));
    return std::string_view(bytes + header + begin, end - begin);
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
        release();
        return;
    }
    if (total > std::numeric_limits<uint32_t>::max())
        throw std::length_error("row texts over 4 GiB");
    // A row's texts are short: two-byte offsets but for a rare long one.
    const unsigned width = total <= std::numeric_limits<uint16_t>::max() ? 2 : 4;
    const size_t header = headerSize(width);
    // The values may be views into the old block: it goes once the new one is made.
    Block *block = new (::operator new(sizeof(Block) + header + total)) Block;
    char *bytes = block->bytes();
    bytes[0] = char(width);
    uint32_t end = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (!values[f].empty())
            std::memcpy(bytes + header + end, values[f].data(), values[f].size());
        end += uint32_t(values[f].size());
        if (width == 2) {
            const uint16_t narrow = uint16_t(end);
            std::memcpy(bytes + 1 + 2 * size_t(f), &narrow, sizeof narrow);
        } else {
            std::memcpy(bytes + 1 + 4 * size_t(f), &end, sizeof end);
        }
    }
    release();
    m_block = block;
}

bool QRowTexts::readsEntry() const
{
    return m_block && m_block->inEntry;
}

bool QRowTexts::setFromEntry(const HistoryDocument::Entry &entry, const std::string_view (&values)[FieldCount])
{
    using Name = HistoryDocument::Name;
    auto made = std::make_unique<EntryBlock>();
    made->inEntry = true;
    // The entry is read where the block keeps it, so that the views point
    // into the bytes it holds.
    made->entry = entry;
    std::string_view found[FieldCount];
    bool pathRead = false;
    made->entry.visitAttributes([&](const HistoryDocument::Attribute &a) {
        const std::string_view value(a.value.data, size_t(std::max(0, a.value.size)));
        if (a.element == 0) {
            if (a.name == Name::ConvertedPath && !pathRead) {
                found[FilePath] = value;
                pathRead = true;
            }
            return true;
        }
        if (a.element > 1)
            return false; // the playlists' names: not the row's texts
        static const std::pair<Name, Field> fields[] = {
            {Name::ImgPath, Image}, {Name::Title, Title},      {Name::Resolution, Resolution},
            {Name::Time, PlayTime}, {Name::Size, FileSize},    {Name::CreateTime, CreateTime},
            {Name::Format, Format}, {Name::Extend, Extension}, {Name::Artist, Artist},
            {Name::Album, Album},   {Name::Genre, Genre}};
        for (const auto &[name, field] : fields)
            if (a.name == name)
                found[field] = value;
        return true;
    });
    const size_t slash = found[FilePath].rfind('/');
    found[FileName] = slash == std::string_view::npos ? found[FilePath] : found[FilePath].substr(slash + 1);
    // Only texts read exactly as the record gives them are taken from the
    // entry (a path with backslashes, a format filled in are not).
    const char *low = nullptr;
    const char *high = nullptr;
    for (int f = 0; f < FieldCount; ++f) {
        if (found[f] != values[f]) {
            setAll(values);
            return false;
        }
        if (found[f].empty())
            continue;
        low = !low || found[f].data() < low ? found[f].data() : low;
        const char *end = found[f].data() + found[f].size();
        high = !high || end > high ? end : high;
    }
    if (!low || high - low > std::numeric_limits<uint16_t>::max()) {
        setAll(values);
        return false;
    }
    made->base = low;
    for (int f = 0; f < FieldCount; ++f) {
        if (found[f].empty())
            continue;
        made->at[f] = uint16_t(found[f].data() - low);
        made->size[f] = uint16_t(found[f].size());
    }
    release();
    m_block = made.release();
    return true;
}
