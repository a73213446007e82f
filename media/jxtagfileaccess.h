#pragma once
// Reading and writing a tag record through the codec layer's tag-file object,
// shared by every writer of tags (media information, conversion settings,
// the library and the converter).

#include "media/veaudiotaginfo.h"

#include <string>
#include <vector>

class JXTagFileAccess
{
public:
    // Which fields a writer sends.
    enum FieldSet {
        AllFields,   // indexes 0 to 7 and 9 to 13
        BasicFields, // indexes 0 to 7 and 9
    };

    // What a record without a cover means for the file's cover: most
    // writers send only what they have; the tag page, whose record is the
    // file's whole tag, takes a cover the user deleted out of the file.
    enum EmptyCover {
        KeepFileCover,
        RemoveFileCover,
    };

    // Text fields to take out of the file when the record's text is empty,
    // one bit per item index (1 << RZ_TAG_TITLE ...): the tag page's fields
    // the user emptied. Other writers send none.
    using RemovedTexts = unsigned int;
    static constexpr RemovedTexts NoRemovedTexts = 0;

    // The record's text field of an item index; null for the cover, index 8
    // and unknown indexes.
    static std::string *textField(VEAudioTagInfo &tags, int index);
    static const std::string *textField(const VEAudioTagInfo &tags, int index);

    // One item as it goes to the tag-file object.
    struct Item {
        int index = -1;
        int type = 0;        // 0 text, 1 picture bytes
        std::u32string text; // type 0
        std::string bytes;   // type 1
        int length() const { return type == 0 ? int(text.size() * 4) : int(bytes.size()); }
    };

    // The items a record yields, in increasing index order: non-empty texts
    // that are valid UTF-8, and the cover when its length is not 0 (never
    // more bytes than the record holds). With RemoveFileCover, a record
    // without a cover yields a cover item of no bytes; each empty text named
    // in removedTexts yields a text item of no characters.
    static std::vector<Item> itemsFor(const VEAudioTagInfo &tags, FieldSet fields,
                                      EmptyCover emptyCover = KeepFileCover,
                                      RemovedTexts removedTexts = NoRemovedTexts);

    // Writes the record's items into the file; false, and the file left as
    // it was, when it cannot be opened for tags or the tag-file object
    // refuses one of the items; false too when the tags cannot be saved.
    static bool write(const std::string &utf8Path, const VEAudioTagInfo &tags, FieldSet fields,
                      EmptyCover emptyCover = KeepFileCover,
                      RemovedTexts removedTexts = NoRemovedTexts);
    // Fills the record's fields from the file's items (fields the file does
    // not carry are left as they are); false when the file cannot be opened.
    static bool read(const std::string &utf8Path, VEAudioTagInfo &tags);

    // The tag format code of a file (rzcodec/tagfile.h): the opened file's
    // own; a file that does not open yet, such as a recording still being
    // written, by its extension. -1 when the file cannot take tags.
    static int formatCode(const std::string &utf8Path);
    static int formatCodeOfExtension(const std::string &extension);

private:
    JXTagFileAccess() = default;
};
