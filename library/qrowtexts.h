#pragma once
// The texts of one recordings-table row in one block: the end offset of each
// text (two bytes wide unless the texts are long), then their UTF-8 bytes one
// after another. A large library has many
// rows, and a string object per text cost a row more than its texts: an
// empty one still takes its room, a long one a block of its own.
// A block never changes once made: a change makes a new one, and copies
// share it (a playlist's copy of a row, the keys a sort or a search takes to
// a worker), counting their holders atomically, so that a block handed to
// another thread stays whole however the row changes meanwhile.

#include "common/historydocument.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class QRowTexts
{
public:
    enum Field : uint8_t {
        FilePath,
        FileName,
        Title,
        Artist,
        Album,
        Genre,
        PlayTime,
        FileSize,
        CreateTime,
        Resolution,
        Extension,
        Format,
        Image,
        FieldCount
    };

    QRowTexts() = default;
    ~QRowTexts() { release(); }
    QRowTexts(const QRowTexts &other) noexcept;
    QRowTexts &operator=(const QRowTexts &other) noexcept;
    QRowTexts(QRowTexts &&other) noexcept
        : m_block(other.m_block)
    {
        other.m_block = nullptr;
    }
    QRowTexts &operator=(QRowTexts &&other) noexcept;

    // Valid while this holder keeps the block (until its next change).
    std::string_view view(Field field) const;
    std::string text(Field field) const { return std::string(view(field)); }
    void set(Field field, std::string_view value);
    // Every field at once, in the order of Field: one block made once.
    void setAll(const std::string_view (&values)[FieldCount]);
    // Every field at once, read where the history's entry of the record
    // keeps them: the entry's bytes are shared, not copied. Only when each
    // of the values (the record's texts, in the order of Field) reads the
    // same there; else they are copied as setAll does, and false.
    bool setFromEntry(const HistoryDocument::Entry &entry, const std::string_view (&values)[FieldCount]);
    // The texts are read where a history entry keeps them.
    bool readsEntry() const;
    // Both hold the same block (or none).
    bool sharesWith(const QRowTexts &other) const { return m_block == other.m_block; }
    // Asks the processor for the block ahead of a copy (a pass over many
    // rows' texts waits on memory, not on its work).
    void prefetch() const { __builtin_prefetch(m_block, 1); }

private:
    struct Block;
    struct EntryBlock;
    void release() noexcept;

    // Null while every text is empty.
    Block *m_block = nullptr;
};
