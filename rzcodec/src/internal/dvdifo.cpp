#include "internal/dvdifo.h"

#include "internal/error.h"
#include "internal/inputlimits.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace rz {

namespace {

constexpr size_t kSector = 2048;
// IFO files are small; a larger one is not read.
constexpr size_t kMaxIfoBytes = 16 * 1024 * 1024;

// A missing IFO file is no failure (a folder may have none); one that cannot
// be read, or is no regular file (a pipe would block for ever), is logged and
// taken as missing.
std::vector<uint8_t> readIfo(const std::string &path, const char *magic)
{
    std::string why;
    const int fd = openRegularFile(path, &why);
    if (fd < 0) {
        if (errno != ENOENT)
            logError("reading DVD file " + path + ": " + why);
        return {};
    }
    std::vector<uint8_t> bytes(kMaxIfoBytes);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 12) != magic)
        return {};
    return bytes;
}

bool has(const std::vector<uint8_t> &b, size_t at, size_t n)
{
    return at + n <= b.size();
}

uint32_t u16(const std::vector<uint8_t> &b, size_t at)
{
    return uint32_t(b[at]) << 8 | b[at + 1];
}

uint32_t u32(const std::vector<uint8_t> &b, size_t at)
{
    return u16(b, at) << 16 | u16(b, at + 2);
}

int bcd(uint8_t v)
{
    return (v >> 4) * 10 + (v & 0x0F);
}

// A cell's playback time: hours, minutes, seconds, frames in BCD; the two
// top bits of the frame byte give the frame rate (1 = 25, 3 = 30 fps).
uint64_t playbackUs(const std::vector<uint8_t> &b, size_t at)
{
    const uint64_t seconds = uint64_t(bcd(b[at])) * 3600 + uint64_t(bcd(b[at + 1])) * 60 + uint64_t(bcd(b[at + 2]));
    const int rate = (b[at + 3] >> 6) == 3 ? 30 : 25;
    const uint64_t frames = uint64_t(bcd(b[at + 3] & 0x3F));
    return seconds * 1000000 + frames * 1000000 / uint64_t(rate);
}

} // namespace

int dvdTitleSet(const std::string &videoTs, int title)
{
    const std::vector<uint8_t> b = readIfo(videoTs + "/VIDEO_TS.IFO", "DVDVIDEO-VMG");
    if (title < 1 || !has(b, 0xC4, 4))
        return 0;
    const size_t table = size_t(u32(b, 0xC4)) * kSector;
    if (!has(b, table, 8) || int(u16(b, table)) < title)
        return 0;
    const size_t entry = table + 8 + size_t(title - 1) * 12;
    return has(b, entry, 12) ? b[entry + 6] : 0;
}

std::vector<DvdChapter> dvdChapters(const std::string &videoTs, int titleSet)
{
    char name[32];
    std::snprintf(name, sizeof name, "/VTS_%02d_0.IFO", titleSet);
    const std::vector<uint8_t> b = readIfo(videoTs + name, "DVDVIDEO-VTS");
    if (!has(b, 0xCC, 4))
        return {};
    const size_t pgcit = size_t(u32(b, 0xCC)) * kSector;
    if (!has(b, pgcit, 16) || u16(b, pgcit) == 0)
        return {};
    const size_t pgc = pgcit + u32(b, pgcit + 8 + 4);
    if (!has(b, pgc, 0xEC))
        return {};
    const unsigned programs = b[pgc + 2];
    const unsigned cells = b[pgc + 3];
    const size_t programMap = pgc + u16(b, pgc + 0xE6);
    const size_t cellTable = pgc + u16(b, pgc + 0xE8);
    if (programs == 0 || cells == 0 || !has(b, programMap, programs) || !has(b, cellTable, cells * 24))
        return {};
    std::vector<uint64_t> cellStart(cells + 1, 0); // cellStart[cells] = the end
    for (unsigned c = 0; c < cells; ++c)
        cellStart[c + 1] = cellStart[c] + playbackUs(b, cellTable + c * 24 + 4);
    std::vector<DvdChapter> chapters;
    for (unsigned p = 0; p < programs; ++p) {
        const unsigned entry = b[programMap + p];
        const unsigned next = p + 1 < programs ? b[programMap + p + 1] : cells + 1;
        if (entry < 1 || entry > cells || next <= entry || next > cells + 1)
            return {};
        chapters.push_back({cellStart[entry - 1], cellStart[next - 1]});
    }
    return chapters;
}

} // namespace rz
