#include "internal/pcmsizefields.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace rz {

uint32_t readU32(const unsigned char *p, bool be)
{
    return be ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
              : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

bool PcmSizeFields::locate(const std::string &path, int frameBytes)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> h(65536);
    in.read(reinterpret_cast<char *>(h.data()), std::streamsize(h.size()));
    const size_t n = size_t(in.gcount());
    if (n < 12 || frameBytes <= 0)
        return false;
    PcmSizeFields f;
    f.bigEndian = std::memcmp(h.data(), "FORM", 4) == 0;
    if (!f.bigEndian && std::memcmp(h.data(), "RIFF", 4) != 0)
        return false;
    f.formSize = 4;
    f.bytesPerFrame = frameBytes;
    for (size_t at = 12; at + 8 <= n;) {
        const uint32_t size = readU32(&h[at + 4], f.bigEndian);
        if (!f.bigEndian && std::memcmp(&h[at], "data", 4) == 0) {
            f.dataSize = int64_t(at + 4);
            f.dataStart = int64_t(at + 8);
            break;
        }
        if (f.bigEndian && std::memcmp(&h[at], "COMM", 4) == 0)
            f.frameCount = int64_t(at + 10);
        if (f.bigEndian && std::memcmp(&h[at], "SSND", 4) == 0) {
            f.dataSize = int64_t(at + 4);
            f.dataStart = int64_t(at + 16);
            f.dataSizeBias = 8;
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (f.dataSize < 0 || (f.bigEndian && f.frameCount < 0))
        return false;
    *this = f;
    return true;
}

} // namespace rz
