#pragma once
// The object behind a tag-file handle: one media file opened through TagLib,
// the items read from it, and the items waiting to be written.

#include "internal/handle.h"
#include "rzcodec/tagfile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace TagLib {
class ByteVector;
class File;
class FileStream;
}

namespace rz {

class TagFile : public Handle
{
public:
    static constexpr Role kRole = Role::TagFile;
    TagFile();
    ~TagFile() override;

    // 0 when opened; -1 when the path is unusable, -2 when the file is not
    // there or unreadable, -3 when the format is not handled.
    int open(const std::u32string &path);
    void close();
    bool isOpen() const { return bool(m_file); }
    RZTagFormat format() const { return m_format; }
    std::string mediaPath() const override { return m_path; }

    bool beginEdit();
    bool setItem(const RZTagItem &item);
    bool save();

    int itemCount() const { return int(m_items.size()); }
    RZTagItem item(int position) const;

private:
    struct Field {
        int index = -1;
        std::u32string text; // type 0
        std::string bytes;   // type 1 (the cover)
        bool remove = false; // a text item of no bytes: the field goes
    };
    void readItems();
    TagLib::ByteVector readCover() const;
    bool writeCover(const std::string &bytes);
    bool finishSave();

    // The file TagLib reads and writes through; it outlives m_file.
    std::unique_ptr<TagLib::FileStream> m_stream;
    std::unique_ptr<TagLib::File> m_file;
    RZTagFormat m_format = RZ_TAGFMT_NONE;
    std::string m_path;
    std::vector<Field> m_items;       // as read at open
    std::map<int, Field> m_pending;   // set since begin-edit, by index
    bool m_editing = false;
};

} // namespace rz
