#include "media/jxtagfileaccess.h"

#include "media/medialog.h"

#include "rzcodec/utf32.h"
#include "common/vehelper.h"

#include "rzcodec/tagfile.h"

namespace {
// Releases the tag-file object on every road out.
class TagFileHandle
{
public:
    TagFileHandle() : m_handle(rz_tagfile_create()) {}
    ~TagFileHandle() { rz_tagfile_release(m_handle); }
    TagFileHandle(const TagFileHandle &) = delete;
    TagFileHandle &operator=(const TagFileHandle &) = delete;
    void *get() const { return m_handle; }

private:
    void *m_handle;
};

bool openTagFile(const TagFileHandle &file, const std::string &utf8Path)
{
    if (!file.get())
        return false;
    const std::optional<std::u32string> path = VEHelper::ConvertCharToUtft32(utf8Path.c_str());
    if (!path || path->empty())
        return false;
    return rz_tagfile_open(file.get(), reinterpret_cast<const uint32_t *>(path->c_str())) == 0;
}
} // namespace

std::string *JXTagFileAccess::textField(VEAudioTagInfo &t, int index)
{
    switch (index) {
    case RZ_TAG_TITLE: return &t.title;
    case RZ_TAG_ARTIST: return &t.artist;
    case RZ_TAG_ALBUM: return &t.album;
    case RZ_TAG_GENRE: return &t.genre;
    case RZ_TAG_YEAR: return &t.year;
    case RZ_TAG_TRACK: return &t.track;
    case RZ_TAG_COMMENT: return &t.comment;
    case RZ_TAG_COPYRIGHT: return &t.copyright;
    case RZ_TAG_ALBUM_ARTIST: return &t.album_artist;
    case RZ_TAG_COMPOSER: return &t.composer;
    case RZ_TAG_GROUPING: return &t.grouping;
    case RZ_TAG_DISC: return &t.disc;
    default: return nullptr;
    }
}

const std::string *JXTagFileAccess::textField(const VEAudioTagInfo &t, int index)
{
    return textField(const_cast<VEAudioTagInfo &>(t), index);
}

std::vector<JXTagFileAccess::Item> JXTagFileAccess::itemsFor(const VEAudioTagInfo &tags,
                                                             FieldSet fields, EmptyCover emptyCover,
                                                             RemovedTexts removedTexts)
{
    std::vector<Item> items;
    const int last = fields == AllFields ? RZ_TAG_DISC : RZ_TAG_COVER;
    for (int index = 0; index <= last; ++index) {
        if (index == RZ_TAG_COVER) {
            const std::string cover = tags.coverBytes();
            if ((tags.coverSize != 0 && !cover.empty()) || emptyCover == RemoveFileCover) {
                Item item;
                item.index = index;
                item.type = 1;
                item.bytes = cover; // empty: the file's cover goes
                items.push_back(std::move(item));
            }
            continue;
        }
        const std::string *text = textField(tags, index);
        if (!text)
            continue;
        if (text->empty()) {
            if (removedTexts & (1u << index)) {
                Item item; // no characters: the file's text goes
                item.index = index;
                item.type = 0;
                items.push_back(std::move(item));
            }
            continue;
        }
        std::optional<std::u32string> converted = VEHelper::ConvertCharToUtft32(text->c_str());
        if (!converted || converted->empty())
            continue; // not valid UTF-8: skipped, the others are still written
        Item item;
        item.index = index;
        item.type = 0;
        item.text = std::move(*converted);
        items.push_back(std::move(item));
    }
    return items;
}

bool JXTagFileAccess::write(const std::string &utf8Path, const VEAudioTagInfo &tags, FieldSet fields,
                            EmptyCover emptyCover, RemovedTexts removedTexts)
{
    TagFileHandle file;
    if (!openTagFile(file, utf8Path)) {
        qCDebug(lcMedia) << "tags: cannot open" << QString::fromStdString(utf8Path);
        return false;
    }
    if (!rz_tagfile_begin_edit(file.get())) {
        qCWarning(lcMedia) << "tags: cannot edit" << QString::fromStdString(utf8Path);
        return false;
    }
    for (const Item &item : itemsFor(tags, fields, emptyCover, removedTexts)) {
        RZTagItem raw{-1, item.index, item.type, item.length(),
                      item.type == 0 ? static_cast<const void *>(item.text.c_str())
                                     : static_cast<const void *>(item.bytes.data())};
        if (!rz_tagfile_set_item(file.get(), raw)) {
            // Nothing is saved: a write that dropped a field the caller sent
            // would leave the file neither as it was nor as asked.
            qCWarning(lcMedia) << "tags: item" << item.index << "refused for"
                               << QString::fromStdString(utf8Path);
            rz_tagfile_close(file.get());
            return false;
        }
    }
    const bool saved = rz_tagfile_save(file.get()) != 0;
    rz_tagfile_close(file.get());
    if (!saved)
        qCDebug(lcMedia) << "tags: cannot save" << QString::fromStdString(utf8Path);
    return saved;
}

bool JXTagFileAccess::read(const std::string &utf8Path, VEAudioTagInfo &tags)
{
    TagFileHandle file;
    if (!openTagFile(file, utf8Path))
        return false;
    // From the last item to the first, so that of two items with one index
    // the earlier one wins.
    for (int pos = rz_tagfile_item_count(file.get()) - 1; pos >= 0; --pos) {
        const RZTagItem item = rz_tagfile_get_item(file.get(), pos);
        if (item.length <= 0 || !item.data || item.index < 0 || item.index > RZ_TAG_DISC)
            continue;
        if (item.index == RZ_TAG_COVER && item.type == RZ_TAG_TYPE_BYTES) {
            tags.cover_image.assign(static_cast<const char *>(item.data), size_t(item.length));
            tags.coverSize = item.length;
            continue;
        }
        std::string *field = textField(tags, item.index);
        if (!field || item.type != RZ_TAG_TYPE_TEXT || item.length % 4 != 0)
            continue;
        std::optional<std::string> text =
            utf32ToUtf8(static_cast<const char32_t *>(item.data), size_t(item.length) / 4);
        if (text)
            *field = std::move(*text);
    }
    return true;
}

int JXTagFileAccess::formatCode(const std::string &utf8Path)
{
    {
        TagFileHandle file;
        if (openTagFile(file, utf8Path)) {
            const int code = rz_tagfile_format(file.get());
            rz_tagfile_close(file.get());
            return code;
        }
    }
    const size_t slash = utf8Path.find_last_of('/');
    const size_t dot = utf8Path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return RZ_TAGFMT_NONE;
    return formatCodeOfExtension(utf8Path.substr(dot + 1));
}

int JXTagFileAccess::formatCodeOfExtension(const std::string &extension)
{
    std::string ext;
    for (char c : extension)
        ext += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    static const struct {
        const char *extension;
        int code;
    } known[] = {
        {"mp3", RZ_TAGFMT_MP3},  {"m4a", RZ_TAGFMT_MP4},         {"mp4", RZ_TAGFMT_MP4},
        {"m4b", RZ_TAGFMT_MP4},  {"flac", RZ_TAGFMT_FLAC},       {"ogg", RZ_TAGFMT_OGG_VORBIS},
        {"oga", RZ_TAGFMT_OGG_VORBIS}, {"opus", RZ_TAGFMT_OGG_OPUS}, {"wav", RZ_TAGFMT_WAV},
        {"aif", RZ_TAGFMT_AIFF}, {"aiff", RZ_TAGFMT_AIFF},       {"wma", RZ_TAGFMT_ASF},
        {"asf", RZ_TAGFMT_ASF},
    };
    for (const auto &k : known)
        if (ext == k.extension)
            return k.code;
    return RZ_TAGFMT_NONE;
}
