#include "tagfile/tagformat.h"

#include <taglib/tiostream.h>

#include <cstring>
#include <vector>

namespace rz {

namespace {
bool startsWith(const std::vector<char> &head, size_t offset, const char *magic, size_t n)
{
    return head.size() >= offset + n && std::memcmp(head.data() + offset, magic, n) == 0;
}

bool contains(const std::vector<char> &head, const char *needle, size_t n)
{
    if (head.size() < n)
        return false;
    for (size_t i = 0; i + n <= head.size(); ++i)
        if (std::memcmp(head.data() + i, needle, n) == 0)
            return true;
    return false;
}

// Skips an ID3v2 tag at the start (MP3 files and some FLAC files carry one).
size_t id3v2Size(const std::vector<char> &head)
{
    if (!startsWith(head, 0, "ID3", 3) || head.size() < 10)
        return 0;
    size_t size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (uint8_t(head[i]) & 0x7f);
    const bool footer = uint8_t(head[5]) & 0x10;
    return 10 + size + (footer ? 10 : 0);
}

bool isMpegFrameHeader(const unsigned char *p)
{
    // Sync word, a layer, a valid bit-rate index and sample rate.
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && (p[1] & 0x06) != 0 && (p[2] & 0xF0) != 0xF0
           && (p[2] & 0x0C) != 0x0C;
}

std::vector<char> readAt(TagLib::IOStream &stream, long offset, unsigned long length)
{
    stream.clear();
    stream.seek(offset);
    const TagLib::ByteVector bytes = stream.readBlock(length);
    return std::vector<char>(bytes.data(), bytes.data() + bytes.size());
}

RZTagFormat sniff(TagLib::IOStream &stream)
{
    const std::vector<char> head = readAt(stream, 0, 4096);

    if (startsWith(head, 0, "RIFF", 4) && startsWith(head, 8, "WAVE", 4))
        return RZ_TAGFMT_WAV;
    if (startsWith(head, 0, "FORM", 4) && (startsWith(head, 8, "AIFF", 4) || startsWith(head, 8, "AIFC", 4)))
        return RZ_TAGFMT_AIFF;
    if (startsWith(head, 4, "ftyp", 4))
        return RZ_TAGFMT_MP4;
    static const char asfGuid[] = {'\x30', '\x26', '\xB2', '\x75', '\x8E', '\x66', '\xCF', '\x11'};
    if (startsWith(head, 0, asfGuid, sizeof asfGuid))
        return RZ_TAGFMT_ASF;
    if (startsWith(head, 0, "OggS", 4)) {
        if (contains(head, "OpusHead", 8))
            return RZ_TAGFMT_OGG_OPUS;
        if (contains(head, "\x01vorbis", 7))
            return RZ_TAGFMT_OGG_VORBIS;
        return RZ_TAGFMT_NONE; // Ogg FLAC, Speex, Theora: not handled
    }

    const size_t skip = id3v2Size(head);
    if (skip > 0) {
        // Look behind the tag, which may be larger than what was read.
        const std::vector<char> after = readAt(stream, long(skip), 4);
        if (after.size() == 4) {
            if (std::memcmp(after.data(), "fLaC", 4) == 0)
                return RZ_TAGFMT_FLAC;
            if (isMpegFrameHeader(reinterpret_cast<const unsigned char *>(after.data())))
                return RZ_TAGFMT_MP3;
        }
        return RZ_TAGFMT_NONE;
    }
    if (startsWith(head, 0, "fLaC", 4))
        return RZ_TAGFMT_FLAC;
    if (head.size() >= 4 && isMpegFrameHeader(reinterpret_cast<const unsigned char *>(head.data()))) {
        // ADTS AAC shares the sync word but has layer bits 00.
        return RZ_TAGFMT_MP3;
    }
    return RZ_TAGFMT_NONE;
}

} // namespace

RZTagFormat sniffTagFormat(TagLib::IOStream &stream)
{
    const RZTagFormat format = sniff(stream);
    stream.clear();
    stream.seek(0);
    return format;
}

} // namespace rz
