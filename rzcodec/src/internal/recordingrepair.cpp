#include "internal/recordingrepair.h"

#include "internal/audiomuxer.h"
#include "internal/error.h"
#include "internal/inputmedia.h"
#include "internal/pcmsizefields.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace rz {

namespace {

// Formats whose muxer writes the length into the file only at the end; a
// stream copy of what is present writes it right.
bool lengthWrittenAtEnd(const AVOutputFormat *f)
{
    static const char *const names[] = {"mov", "mp4", "ipod", "3gp", "3g2", "ismv", "f4v",
                                        "psp", "mp3", "asf", "matroska", "caf"};
    for (const char *n : names)
        if (std::strcmp(f->name, n) == 0)
            return true;
    return false;
}

bool replaceWith(const std::string &temp, const std::string &path, std::string *error)
{
    if (std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    *error = "cannot replace " + path;
    return false;
}

struct Patch {
    int64_t offset;
    std::vector<unsigned char> bytes;
};

// Without room for a copy (a full disk), the file itself is cut to `length`
// and patched: a few bytes in blocks it already has.
bool patchInPlace(const std::string &path, int64_t length, const std::vector<Patch> &patches,
                  std::string *error)
{
    if (::truncate(path.c_str(), off_t(length)) != 0) {
        *error = "cannot shorten " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    for (const Patch &p : patches) {
        file.seekp(p.offset);
        file.write(reinterpret_cast<const char *>(p.bytes.data()), std::streamsize(p.bytes.size()));
    }
    file.flush();
    if (!file) {
        *error = "cannot patch " + path;
        return false;
    }
    return true;
}

// Copies the first `length` bytes of `path` beside it with the patches applied,
// then puts the copy in its place.
bool rewriteWithPatches(const std::string &path, int64_t length, const std::vector<Patch> &patches,
                        std::string *error)
{
    const std::string temp = besidePath(path, "repair");
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            *error = "cannot read " + path;
            return false;
        }
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::remove(temp.c_str());
            logError("repair: no copy can be written beside " + path + "; patching it in place");
            return patchInPlace(path, length, patches, error);
        }
        std::vector<char> buf(1 << 20);
        for (int64_t left = length; left > 0;) {
            const auto want = std::streamsize(std::min<int64_t>(left, int64_t(buf.size())));
            if (!in.read(buf.data(), want)) {
                *error = "cannot read " + path;
                out.close();
                std::remove(temp.c_str());
                return false;
            }
            out.write(buf.data(), want);
            left -= want;
        }
        for (const Patch &p : patches) {
            out.seekp(p.offset);
            out.write(reinterpret_cast<const char *>(p.bytes.data()), std::streamsize(p.bytes.size()));
        }
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            logError("repair: no room for a copy of " + path + "; patching it in place");
            return patchInPlace(path, length, patches, error);
        }
    }
    return replaceWith(temp, path, error);
}

std::vector<unsigned char> u32(uint32_t v, bool be)
{
    if (be)
        return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// The header says what the flushes before the end said; the data runs on.
bool repairPcm(const std::string &path, std::string *error)
{
    InputMedia in;
    if (!in.openOwnRecording(path)) {
        *error = "cannot read " + path;
        return false;
    }
    const int audio = in.bestStream(AVMEDIA_TYPE_AUDIO);
    if (audio < 0) {
        *error = "no audio in " + path;
        return false;
    }
    const AVCodecParameters *par = in.format()->streams[audio]->codecpar;
    const int frameBytes = par->ch_layout.nb_channels * av_get_bits_per_sample(par->codec_id) / 8;
    in.close();
    PcmSizeFields f;
    if (!f.locate(path, frameBytes)) {
        *error = "no length fields in " + path;
        return false;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const int64_t size = int64_t(file.tellg());
    // A frame cut in half is not audio.
    const int64_t end = f.dataStart + (size - f.dataStart) / frameBytes * frameBytes;
    if (end > 0xFFFFFFFFLL) {
        logError("repair: " + path + " is too long for its 32-bit length fields; left as it is");
        return true;
    }
    std::vector<unsigned char> h(size_t(f.dataStart));
    file.seekg(0);
    file.read(reinterpret_cast<char *>(h.data()), std::streamsize(h.size()));
    std::vector<Patch> patches = {{f.formSize, u32(f.formValue(end), f.bigEndian)},
                                  {f.dataSize, u32(f.dataValue(end), f.bigEndian)}};
    if (f.frameCount >= 0)
        patches.push_back({f.frameCount, u32(f.frameValue(end), f.bigEndian)});
    bool same = end == size;
    for (const Patch &p : patches)
        same = same && std::memcmp(&h[size_t(p.offset)], p.bytes.data(), 4) == 0;
    return same || rewriteWithPatches(path, end, patches, error);
}

// STREAMINFO's total sample count is written when the encoder ends; it is
// counted here from the frames present.
bool repairFlac(const std::string &path, std::string *error)
{
    InputMedia in;
    if (!in.openOwnRecording(path)) {
        *error = "cannot read " + path;
        return false;
    }
    uint64_t samples = 0;
    PacketPtr pkt = makePacket();
    while (in.readPacket(pkt.get()) >= 0) {
        samples += uint64_t(std::max<int64_t>(0, pkt->duration));
        av_packet_unref(pkt.get());
    }
    in.close();
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const int64_t size = int64_t(file.tellg());
    std::vector<unsigned char> h(64);
    file.seekg(0);
    file.read(reinterpret_cast<char *>(h.data()), std::streamsize(h.size()));
    // "fLaC", then the STREAMINFO block (type 0) with its 4-byte header; the
    // count is the low 36 bits of the block's bytes 10 to 17.
    if (file.gcount() < 42 || std::memcmp(h.data(), "fLaC", 4) != 0 || (h[4] & 0x7F) != 0) {
        *error = "no STREAMINFO at the start of " + path;
        return false;
    }
    const size_t field = 8 + 13;
    std::vector<unsigned char> bytes = {uint8_t((h[field] & 0xF0) | ((samples >> 32) & 0x0F)),
                                        uint8_t(samples >> 24), uint8_t(samples >> 16),
                                        uint8_t(samples >> 8), uint8_t(samples)};
    if (std::memcmp(&h[field], bytes.data(), bytes.size()) == 0)
        return true;
    return rewriteWithPatches(path, size, {{int64_t(field), bytes}}, error);
}

bool remuxWhole(const std::string &path, const AVOutputFormat *format, std::string *error)
{
    InputMedia in;
    if (!in.openOwnRecording(path)) {
        *error = "cannot read " + path;
        return false;
    }
    StreamCopyPlan plan;
    plan.endAtDamage = true;
    const int audio = in.bestStream(AVMEDIA_TYPE_AUDIO);
    if (audio < 0) {
        *error = "no audio in " + path;
        return false;
    }
    if (std::strcmp(format->name, "mp3") != 0)
        plan.primingSamples = encoderPriming(in.format()->streams[audio]->codecpar);
    const std::string temp = besidePath(path, "repair");
    if (!streamCopy(in, temp, format, plan, error))
        return false;
    in.close();
    return replaceWith(temp, path, error);
}

} // namespace

bool repairRecording(const std::string &path, const std::string &muxer, std::string *error)
{
    std::string local;
    if (!error)
        error = &local;
    const AVOutputFormat *format = AudioMuxer::findFormat(muxer, path);
    bool ok = true;
    if (!format) {
        *error = "unknown format \"" + muxer + "\"";
        ok = false;
    } else if (std::strcmp(format->name, "wav") == 0 || std::strcmp(format->name, "aiff") == 0) {
        ok = repairPcm(path, error);
    } else if (std::strcmp(format->name, "flac") == 0) {
        ok = repairFlac(path, error);
    } else if (lengthWrittenAtEnd(format)) {
        ok = remuxWhole(path, format, error);
    } else {
        // Other formats carry no length in a header: readers measure what is
        // there, as long as there is audio to read.
        InputMedia in;
        ok = in.openOwnRecording(path) && in.bestStream(AVMEDIA_TYPE_AUDIO) >= 0;
        if (!ok)
            *error = "no audio can be read";
    }
    if (!ok)
        logError("repair: " + path + " left as it is: " + *error);
    return ok;
}

} // namespace rz
