#include "tagfile/tagfile.h"

#include "rzcodec/utf32.h"
#include "internal/error.h"
#include "internal/inputlimits.h"
#include "tagfile/tagformat.h"

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace rz {

namespace {
// TagLib's property names of the text items, by index.
const std::map<int, const char *> &propertyNames()
{
    static const std::map<int, const char *> names = {
        {RZ_TAG_TITLE, "TITLE"},          {RZ_TAG_ARTIST, "ARTIST"},
        {RZ_TAG_ALBUM, "ALBUM"},          {RZ_TAG_GENRE, "GENRE"},
        {RZ_TAG_YEAR, "DATE"},            {RZ_TAG_TRACK, "TRACKNUMBER"},
        {RZ_TAG_COMMENT, "COMMENT"},      {RZ_TAG_COPYRIGHT, "COPYRIGHT"},
        {RZ_TAG_ALBUM_ARTIST, "ALBUMARTIST"}, {RZ_TAG_COMPOSER, "COMPOSER"},
        {RZ_TAG_GROUPING, "GROUPING"},    {RZ_TAG_DISC, "DISCNUMBER"},
    };
    return names;
}

bool usesId3v2(RZTagFormat format)
{
    return format == RZ_TAGFMT_MP3 || format == RZ_TAGFMT_WAV || format == RZ_TAGFMT_AIFF;
}

// The property name of a text item in a format; null where TagLib has no
// property for it and the item is written directly.
const char *propertyName(RZTagFormat format, int index)
{
    if (index == RZ_TAG_GROUPING) {
        // ID3v2's grouping goes into TIT1, the frame every reader knows (GRP1
        // is invisible to most); ASF's has no TagLib property. Both are
        // written directly.
        if (usesId3v2(format) || format == RZ_TAGFMT_ASF)
            return nullptr;
    }
    auto it = propertyNames().find(index);
    return it == propertyNames().end() ? nullptr : it->second;
}

const char *const kAsfGrouping = "WM/ContentGroupDescription";
const char *const kId3Grouping = "TIT1";

TagLib::ID3v2::Tag *id3v2TagOf(TagLib::File *file, RZTagFormat format, bool create)
{
    switch (format) {
    case RZ_TAGFMT_MP3:
        return static_cast<TagLib::MPEG::File *>(file)->ID3v2Tag(create);
    case RZ_TAGFMT_WAV: {
        auto *wav = static_cast<TagLib::RIFF::WAV::File *>(file);
        return create || wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr;
    }
    case RZ_TAGFMT_AIFF: {
        auto *aiff = static_cast<TagLib::RIFF::AIFF::File *>(file);
        return create || aiff->hasID3v2Tag() ? aiff->tag() : nullptr;
    }
    default:
        return nullptr;
    }
}

// The grouping of the formats without a TagLib property for it.
TagLib::String readGrouping(TagLib::File *file, RZTagFormat format)
{
    if (format == RZ_TAGFMT_ASF) {
        TagLib::ASF::Tag *tag = static_cast<TagLib::ASF::File *>(file)->tag();
        return tag && tag->contains(kAsfGrouping) ? tag->attribute(kAsfGrouping).front().toString()
                                                  : TagLib::String();
    }
    TagLib::ID3v2::Tag *tag = id3v2TagOf(file, format, false);
    if (!tag)
        return {};
    const TagLib::ID3v2::FrameList &frames = tag->frameListMap()[kId3Grouping];
    return frames.isEmpty() ? TagLib::String() : frames.front()->toString();
}

// An empty value takes the grouping out.
void writeGrouping(TagLib::File *file, RZTagFormat format, const TagLib::String &value)
{
    if (format == RZ_TAGFMT_ASF) {
        if (TagLib::ASF::Tag *tag = static_cast<TagLib::ASF::File *>(file)->tag()) {
            if (value.isEmpty())
                tag->removeItem(kAsfGrouping);
            else
                tag->setAttribute(kAsfGrouping, TagLib::ASF::Attribute(value));
        }
        return;
    }
    if (TagLib::ID3v2::Tag *tag = id3v2TagOf(file, format, !value.isEmpty())) {
        tag->removeFrames(kId3Grouping);
        if (value.isEmpty())
            return;
        auto *frame = new TagLib::ID3v2::TextIdentificationFrame(kId3Grouping, TagLib::String::UTF8);
        frame->setText(value);
        tag->addFrame(frame);
    }
}

constexpr int32_t kMaxTextBytes = 4 * 1024 * 1024;

TagLib::ByteVector toByteVector(const std::string &bytes)
{
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

std::string fromByteVector(const TagLib::ByteVector &v)
{
    return std::string(v.data(), v.size());
}

// The picture's type as the formats name it.
const char *mimeTypeOf(const std::string &bytes)
{
    auto starts = [&](const char *magic, size_t n) {
        return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
    };
    if (starts("\x89PNG", 4))
        return "image/png";
    if (starts("GIF8", 4))
        return "image/gif";
    if (starts("BM", 2))
        return "image/bmp";
    return "image/jpeg";
}

TagLib::MP4::CoverArt::Format mp4FormatOf(const std::string &bytes)
{
    const std::string mime = mimeTypeOf(bytes);
    if (mime == "image/png")
        return TagLib::MP4::CoverArt::PNG;
    if (mime == "image/gif")
        return TagLib::MP4::CoverArt::GIF;
    if (mime == "image/bmp")
        return TagLib::MP4::CoverArt::BMP;
    return TagLib::MP4::CoverArt::JPEG;
}

// Pictures stay TagLib's shared byte vectors until one is kept: a picture
// too large to keep is never copied.
TagLib::ByteVector firstApic(TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return {};
    const auto &frames = tag->frameListMap()["APIC"];
    // The front cover when there is one, else the first picture.
    TagLib::ByteVector first;
    for (TagLib::ID3v2::Frame *f : frames) {
        auto *apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(f);
        if (!apic)
            continue;
        if (apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return apic->picture();
        if (first.isEmpty())
            first = apic->picture();
    }
    return first;
}

void replaceApic(TagLib::ID3v2::Tag *tag, const std::string &bytes)
{
    tag->removeFrames("APIC");
    auto *apic = new TagLib::ID3v2::AttachedPictureFrame;
    apic->setMimeType(mimeTypeOf(bytes));
    apic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    apic->setTextEncoding(TagLib::String::UTF8);
    apic->setPicture(toByteVector(bytes));
    tag->addFrame(apic);
}

TagLib::FLAC::Picture *flacPicture(const std::string &bytes)
{
    auto *p = new TagLib::FLAC::Picture;
    p->setType(TagLib::FLAC::Picture::FrontCover);
    p->setMimeType(mimeTypeOf(bytes));
    p->setData(toByteVector(bytes));
    return p;
}

TagLib::ByteVector firstFlacPicture(const TagLib::List<TagLib::FLAC::Picture *> &pictures)
{
    TagLib::ByteVector first;
    for (TagLib::FLAC::Picture *p : pictures) {
        if (p->type() == TagLib::FLAC::Picture::FrontCover)
            return p->data();
        if (first.isEmpty())
            first = p->data();
    }
    return first;
}
} // namespace

TagFile::TagFile() : Handle(kRole) {}

TagFile::~TagFile() = default;

int TagFile::open(const std::u32string &path32)
{
    close();
    const std::optional<std::string> path = utf32ToUtf8(path32);
    if (!path || path->empty()) {
        logError("tag file: unusable path");
        return -1;
    }
    std::string why;
    if (!isRegularFile(*path, &why)) {
        logError("tag file " + *path + ": " + why);
        return -2;
    }
    // One open for the look at the head and for TagLib, writable when the
    // file lets us (as TagLib opens a file by name).
    auto stream = std::make_unique<TagLib::FileStream>(path->c_str(), false);
    if (!stream->isOpen()) {
        logError("tag file " + *path + ": cannot be read");
        return -2;
    }
    const RZTagFormat format = sniffTagFormat(*stream);
    if (format == RZ_TAGFMT_NONE) {
        logError("tag file " + *path + ": not a format that takes tags here");
        return -3;
    }

    TagLib::IOStream *io = stream.get();
    std::unique_ptr<TagLib::File> file;
    switch (format) {
    case RZ_TAGFMT_MP3:
        // Without a Xing header TagLib measures an MP3 by searching for its
        // last frame from the end, through whatever follows the sound (hours
        // of it in a partly downloaded file); a first frame is proof enough.
        file = std::make_unique<TagLib::MPEG::File>(io, TagLib::ID3v2::FrameFactory::instance(), false);
        break;
    case RZ_TAGFMT_MP4:
        file = std::make_unique<TagLib::MP4::File>(io);
        break;
    case RZ_TAGFMT_FLAC:
        file = std::make_unique<TagLib::FLAC::File>(io, TagLib::ID3v2::FrameFactory::instance());
        break;
    case RZ_TAGFMT_OGG_VORBIS:
        file = std::make_unique<TagLib::Ogg::Vorbis::File>(io);
        break;
    case RZ_TAGFMT_OGG_OPUS:
        file = std::make_unique<TagLib::Ogg::Opus::File>(io);
        break;
    case RZ_TAGFMT_WAV:
        file = std::make_unique<TagLib::RIFF::WAV::File>(io);
        break;
    case RZ_TAGFMT_AIFF:
        file = std::make_unique<TagLib::RIFF::AIFF::File>(io);
        break;
    case RZ_TAGFMT_ASF:
        file = std::make_unique<TagLib::ASF::File>(io);
        break;
    default:
        break;
    }
    // A file without readable audio properties (no header, cut short) is no
    // media file to tag.
    const bool hasSound = format == RZ_TAGFMT_MP3
        ? file && static_cast<TagLib::MPEG::File *>(file.get())->firstFrameOffset() >= 0
        : file && file->audioProperties();
    if (!file || !file->isOpen() || !file->isValid() || !hasSound) {
        logError("tag file " + *path + ": the file is damaged or cannot be opened");
        return -3;
    }
    m_stream = std::move(stream);
    m_file = std::move(file);
    m_format = format;
    m_path = *path;
    readItems();
    return 0;
}

void TagFile::close()
{
    m_file.reset();
    m_stream.reset();
    m_format = RZ_TAGFMT_NONE;
    m_path.clear();
    m_items.clear();
    m_pending.clear();
    m_editing = false;
}

void TagFile::readItems()
{
    m_items.clear();
    const TagLib::PropertyMap props = m_file->properties();
    for (const auto &entry : propertyNames()) {
        TagLib::String value;
        if (const char *name = propertyName(m_format, entry.first)) {
            auto it = props.find(name);
            if (it == props.end() || it->second.isEmpty())
                continue;
            value = it->second.front();
        } else if (entry.first == RZ_TAG_GROUPING) {
            value = readGrouping(m_file.get(), m_format);
            if (value.isEmpty())
                continue;
        } else {
            continue;
        }
        std::optional<std::u32string> text = utf8ToUtf32(value.toCString(true));
        if (!text || text->empty())
            continue;
        Field f;
        f.index = entry.first;
        f.text = std::move(*text);
        m_items.push_back(std::move(f));
    }
    const TagLib::ByteVector cover = readCover();
    if (cover.size() > unsigned(kMaxCoverBytes)) {
        logError("tag file " + m_path + ": the cover picture is too large, left out");
    } else if (!cover.isEmpty()) {
        Field f;
        f.index = RZ_TAG_COVER;
        f.bytes = fromByteVector(cover);
        m_items.push_back(std::move(f));
    }
}

TagLib::ByteVector TagFile::readCover() const
{
    switch (m_format) {
    case RZ_TAGFMT_MP3:
        return firstApic(static_cast<TagLib::MPEG::File *>(m_file.get())->ID3v2Tag(false));
    case RZ_TAGFMT_WAV: {
        auto *wav = static_cast<TagLib::RIFF::WAV::File *>(m_file.get());
        return wav->hasID3v2Tag() ? firstApic(wav->ID3v2Tag()) : TagLib::ByteVector();
    }
    case RZ_TAGFMT_AIFF: {
        auto *aiff = static_cast<TagLib::RIFF::AIFF::File *>(m_file.get());
        return aiff->hasID3v2Tag() ? firstApic(aiff->tag()) : TagLib::ByteVector();
    }
    case RZ_TAGFMT_MP4: {
        TagLib::MP4::Tag *tag = static_cast<TagLib::MP4::File *>(m_file.get())->tag();
        if (!tag || !tag->contains("covr"))
            return {};
        const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
        return covers.isEmpty() ? TagLib::ByteVector() : covers.front().data();
    }
    case RZ_TAGFMT_FLAC:
        return firstFlacPicture(static_cast<TagLib::FLAC::File *>(m_file.get())->pictureList());
    case RZ_TAGFMT_OGG_VORBIS:
    case RZ_TAGFMT_OGG_OPUS: {
        auto *xiph = static_cast<TagLib::Ogg::XiphComment *>(m_file->tag());
        return xiph ? firstFlacPicture(xiph->pictureList()) : TagLib::ByteVector();
    }
    case RZ_TAGFMT_ASF: {
        TagLib::ASF::Tag *tag = static_cast<TagLib::ASF::File *>(m_file.get())->tag();
        if (!tag || !tag->contains("WM/Picture"))
            return {};
        for (const TagLib::ASF::Attribute &a : tag->attribute("WM/Picture")) {
            const TagLib::ASF::Picture p = a.toPicture();
            if (p.isValid())
                return p.picture();
        }
        return {};
    }
    default:
        return {};
    }
}

// Empty bytes take every picture out of the file.
bool TagFile::writeCover(const std::string &bytes)
{
    const bool remove = bytes.empty();
    switch (m_format) {
    case RZ_TAGFMT_MP3:
    case RZ_TAGFMT_WAV:
    case RZ_TAGFMT_AIFF: {
        // A removal makes no tag: a file without one has no cover to lose.
        TagLib::ID3v2::Tag *tag = id3v2TagOf(m_file.get(), m_format, !remove);
        if (!tag)
            return remove;
        if (remove)
            tag->removeFrames("APIC");
        else
            replaceApic(tag, bytes);
        return true;
    }
    case RZ_TAGFMT_MP4: {
        TagLib::MP4::Tag *tag = static_cast<TagLib::MP4::File *>(m_file.get())->tag();
        if (!tag)
            return false;
        if (remove) {
            tag->removeItem("covr");
            return true;
        }
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(mp4FormatOf(bytes), toByteVector(bytes)));
        tag->setItem("covr", covers);
        return true;
    }
    case RZ_TAGFMT_FLAC: {
        auto *flac = static_cast<TagLib::FLAC::File *>(m_file.get());
        flac->removePictures();
        // A picture may also sit in the Vorbis comment block.
        if (remove && flac->hasXiphComment())
            flac->xiphComment()->removeAllPictures();
        if (!remove)
            flac->addPicture(flacPicture(bytes));
        return true;
    }
    case RZ_TAGFMT_OGG_VORBIS:
    case RZ_TAGFMT_OGG_OPUS: {
        auto *xiph = static_cast<TagLib::Ogg::XiphComment *>(m_file->tag());
        if (!xiph)
            return false;
        xiph->removeAllPictures();
        if (!remove)
            xiph->addPicture(flacPicture(bytes));
        return true;
    }
    case RZ_TAGFMT_ASF: {
        TagLib::ASF::Tag *tag = static_cast<TagLib::ASF::File *>(m_file.get())->tag();
        if (!tag)
            return false;
        if (remove) {
            tag->removeItem("WM/Picture");
            return true;
        }
        TagLib::ASF::Picture p;
        p.setType(TagLib::ASF::Picture::FrontCover);
        p.setMimeType(mimeTypeOf(bytes));
        p.setPicture(toByteVector(bytes));
        tag->setAttribute("WM/Picture", TagLib::ASF::Attribute(p));
        return true;
    }
    default:
        return false;
    }
}

bool TagFile::beginEdit()
{
    if (!m_file) {
        logError("tag file: begin edit without an open file");
        return false;
    }
    m_pending.clear();
    m_editing = true;
    return true;
}

bool TagFile::setItem(const RZTagItem &item)
{
    if (!m_file || !m_editing) {
        logError("tag file: item set outside an edit");
        return false;
    }
    const bool isCover = item.index == RZ_TAG_COVER;
    const bool known = isCover || propertyNames().count(item.index) > 0;
    // An item of no bytes asks for the field to be taken out.
    const bool removes = item.length == 0;
    if (!known || item.type != (isCover ? RZ_TAG_TYPE_BYTES : RZ_TAG_TYPE_TEXT)
        || (!removes && (item.length <= 0 || !item.data))) {
        logError("tag file: malformed item for index " + std::to_string(item.index));
        return false;
    }
    Field f;
    f.index = item.index;
    if (isCover) {
        if (item.length > kMaxCoverBytes) {
            logError("tag file: cover picture too large");
            return false;
        }
        if (!removes)
            f.bytes.assign(static_cast<const char *>(item.data), size_t(item.length));
    } else {
        if (item.length % 4 != 0 || item.length > kMaxTextBytes) {
            logError("tag file: text item of " + std::to_string(item.length) + " bytes");
            return false;
        }
        if (removes) {
            f.remove = true;
            m_pending[item.index] = std::move(f);
            return true;
        }
        const auto *chars = static_cast<const char32_t *>(item.data);
        f.text.assign(chars, size_t(item.length) / 4);
        // The text must be whole characters; a NUL inside ends it.
        const size_t nul = f.text.find(char32_t(0));
        if (nul != std::u32string::npos)
            f.text.resize(nul);
        if (!utf32ToUtf8(f.text)) {
            logError("tag file: text item " + std::to_string(item.index) + " is not valid text");
            return false;
        }
    }
    m_pending[item.index] = std::move(f);
    return true;
}

bool TagFile::save()
{
    if (!m_file || !m_editing) {
        logError("tag file: save without an edit");
        return false;
    }
    TagLib::PropertyMap props = m_file->properties();
    // Written after the properties, which would remove them again.
    std::optional<TagLib::String> grouping;
    std::vector<TagLib::String> removedNames;
    for (const auto &entry : m_pending) {
        const Field &f = entry.second;
        if (f.index == RZ_TAG_COVER) {
            if (!writeCover(f.bytes)) {
                logError("tag file " + m_path + ": the cover cannot be written");
                return false;
            }
            continue;
        }
        const TagLib::String value(utf32ToUtf8(f.text).value_or(std::string()), TagLib::String::UTF8);
        if (const char *name = propertyName(m_format, f.index)) {
            if (f.remove) {
                props.erase(name);
                removedNames.push_back(name);
            } else {
                props.replace(name, TagLib::StringList(value));
            }
        } else if (f.index == RZ_TAG_GROUPING) {
            grouping = value; // empty: the grouping goes
        }
    }
    if (m_format == RZ_TAGFMT_WAV) {
        // FFmpeg and others ignore a WAV's ID3v2 chunk when an INFO list is
        // there, and INFO cannot carry album artist or grouping: keep every
        // tag in ID3v2 (INFO values it lacks included) and drop INFO.
        auto *wav = static_cast<TagLib::RIFF::WAV::File *>(m_file.get());
        TagLib::PropertyMap merged = wav->ID3v2Tag()->properties();
        const TagLib::PropertyMap info = wav->InfoTag()->properties();
        for (auto it = info.begin(); it != info.end(); ++it)
            if (!merged.contains(it->first))
                merged.insert(it->first, it->second);
        for (auto it = props.begin(); it != props.end(); ++it)
            merged.replace(it->first, it->second);
        for (const TagLib::String &name : removedNames)
            merged.erase(name);
        wav->ID3v2Tag()->setProperties(merged);
        if (grouping)
            writeGrouping(wav, m_format, *grouping);
        if (!wav->save(TagLib::RIFF::WAV::File::ID3v2, TagLib::File::StripOthers)) {
            logError("tag file " + m_path + ": the tags could not be written");
            return false;
        }
        return finishSave();
    }
    // An MP3's own ID3v1 tag is never rewritten with the new texts, but a
    // text taken out must go from it too, or readers would show it again;
    // its other values stay as they were.
    TagLib::ID3v1::Tag *id3v1 = nullptr;
    TagLib::PropertyMap id3v1Kept;
    if (m_format == RZ_TAGFMT_MP3 && !removedNames.empty()) {
        auto *mpeg = static_cast<TagLib::MPEG::File *>(m_file.get());
        if (mpeg->hasID3v1Tag()) {
            id3v1 = mpeg->ID3v1Tag();
            id3v1Kept = id3v1->properties();
            for (const TagLib::String &name : removedNames)
                id3v1Kept.erase(name);
        }
    }
    m_file->setProperties(props);
    if (id3v1)
        id3v1->setProperties(id3v1Kept);
    if (grouping)
        writeGrouping(m_file.get(), m_format, *grouping);

    bool saved;
    if (m_format == RZ_TAGFMT_MP3) {
        // ID3v2 only: an ID3v1 copy would hold Latin-1 and lose other letters.
        const int tags = TagLib::MPEG::File::ID3v2 | (id3v1 ? TagLib::MPEG::File::ID3v1 : 0);
        saved = static_cast<TagLib::MPEG::File *>(m_file.get())
                    ->save(tags, TagLib::File::StripNone, TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
    } else {
        saved = m_file->save();
    }
    if (!saved) {
        logError("tag file " + m_path + ": the tags could not be written");
        return false;
    }
    return finishSave();
}

bool TagFile::finishSave()
{
    // Read the file again from disk: a save that left it damaged (it changed
    // underneath, the disk filled) must not count as done.
    std::map<int, Field> written = std::move(m_pending);
    m_pending.clear();
    m_editing = false;
    const std::optional<std::u32string> path = utf8ToUtf32(m_path.c_str());
    if (!path || open(*path) != 0) {
        logError("tag file: the file is unreadable after saving its tags");
        return false;
    }
    for (const auto &entry : written) {
        const Field &want = entry.second;
        auto found = std::find_if(m_items.begin(), m_items.end(),
                                  [&](const Field &f) { return f.index == want.index; });
        // Formats normalise some texts (a track "03" reads back as "3", a
        // numeric ID3 genre as its name): a text only has to be there; a
        // cover must come back whole; a removed field not at all.
        const bool present = found != m_items.end()
                             && (want.index == RZ_TAG_COVER ? found->bytes == want.bytes
                                                            : !found->text.empty());
        const bool removed = want.remove || (want.index == RZ_TAG_COVER && want.bytes.empty());
        if (removed ? found != m_items.end() : !present) {
            logError("tag file " + m_path + ": item " + std::to_string(want.index)
                     + " did not reach the file");
            return false;
        }
    }
    return true;
}

RZTagItem TagFile::item(int position) const
{
    RZTagItem item{-1, -1, 0, 0, nullptr};
    if (position < 0 || size_t(position) >= m_items.size())
        return item;
    const Field &f = m_items[size_t(position)];
    item.index = f.index;
    if (f.index == RZ_TAG_COVER) {
        item.type = RZ_TAG_TYPE_BYTES;
        item.length = int32_t(f.bytes.size());
        item.data = f.bytes.data();
    } else {
        item.type = RZ_TAG_TYPE_TEXT;
        item.length = int32_t(f.text.size() * 4);
        item.data = f.text.c_str();
    }
    return item;
}

} // namespace rz
