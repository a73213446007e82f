#pragma once
// Where a RIFF/WAVE or AIFF file keeps its lengths: the recorder brings them
// up to date while it writes, the repair of a file cut short sets them from
// the samples actually present.

#include <cstdint>
#include <string>

namespace rz {

struct PcmSizeFields {
    bool bigEndian = false;
    int64_t formSize = -1;    // offset of the RIFF/FORM size
    int64_t dataSize = -1;    // offset of the data/SSND size
    int64_t frameCount = -1;  // offset of the AIFF frame count
    int64_t dataStart = 0;    // first sample byte
    int64_t dataSizeBias = 0; // SSND counts its 8-byte offset/block fields
    int bytesPerFrame = 0;

    // Reads the header of `path`; false when it is neither form or a field is missing.
    bool locate(const std::string &path, int frameBytes);
    // The 32-bit values of the fields for a file `fileEnd` bytes long, the
    // sample data ending there.
    uint32_t formValue(int64_t fileEnd) const { return uint32_t(fileEnd - 8); }
    uint32_t dataValue(int64_t fileEnd) const { return uint32_t(fileEnd - dataStart + dataSizeBias); }
    uint32_t frameValue(int64_t fileEnd) const { return uint32_t((fileEnd - dataStart) / bytesPerFrame); }
};

uint32_t readU32(const unsigned char *p, bool bigEndian);

} // namespace rz
