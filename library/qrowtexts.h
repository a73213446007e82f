#pragma once
// The texts of one recordings-table row in one block: the end offset of each
// text (two bytes wide unless the texts are long), then their UTF-8 bytes one
// after another. A large library has many
// rows, and a string object per text cost a row more than its texts: an
// empty one still takes its room, a long one a block of its own.

#include <cstdint>
#include <memory>
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
    QRowTexts(const QRowTexts &other);
    QRowTexts &operator=(const QRowTexts &other);
    QRowTexts(QRowTexts &&) noexcept = default;
    QRowTexts &operator=(QRowTexts &&) noexcept = default;

    // Valid until the next change of any field.
    std::string_view view(Field field) const;
    std::string text(Field field) const { return std::string(view(field)); }
    void set(Field field, std::string_view value);
    // Every field at once, in the order of Field: one block made once.
    void setAll(const std::string_view (&values)[FieldCount]);

private:
    size_t blockSize() const;

    // Null while every text is empty.
    std::unique_ptr<char[]> m_block;
};
