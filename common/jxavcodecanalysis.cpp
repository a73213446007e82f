#include "common/jxavcodecanalysis.h"

#include <cstdint>
#include <unordered_map>

namespace {

// A four-character code packed with its first character in the highest byte.
constexpr int bigEndianTag(char a, char b, char c, char d)
{
    return static_cast<int>((uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16)
                            | (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d)));
}

// The same with its first character in the lowest byte.
constexpr int littleEndianTag(char a, char b, char c, char d)
{
    return bigEndianTag(d, c, b, a);
}

const std::unordered_map<std::string, int> &codecTable()
{
    static const std::unordered_map<std::string, int> table = {
        {"AC3", 0x15003},  {"in24", 0x1000D}, {"mp43", 17},       {"wma3", 0x15026},
        {"wma2", 0x15008}, {"wma1", 0x15007}, {"MP3", 0x15001},   {"VP8", 141},
        {"VP9", 169},      {"AAC", 0x15002},  {"MJPG", 8},        {"MP4V", 13},
        {"OGG", 0x15005},  {"WMV1", 18},      {"WMV2", 19},       {"VBIS", 0x15005},
        {"mpg1", 1},       {"HMP2", 2},       {"mp2v", 2},        {"mp1v", 1},
        {"H263", 5},       {"H264", 28},      {"H265", bigEndianTag('H', '2', '6', '5')},
        {"Xvid", littleEndianTag('X', 'V', 'I', 'D')},
        {"DIVX", littleEndianTag('D', 'X', '5', '0')},
        {"MP2A", 0x15000}, {"PCM", 0x10000},  {"APE", 0x10000},   {"caf", 0x11000},
        {"DV60", 25},      {"flac", 0x1500C}, {"AMRN", 0x12000},  {"flv1", 22},
        {"fmp3", 0x1100D}, {"DV50", 25},      {"WMV3", 72},       {"vc-1", 71},
        {"pcmb", 0x10001}, {"alac", 0x15010}, {"OGV", 31},       {"OPUS", 0x1503C},
    };
    return table;
}

const std::unordered_map<std::string, std::string> &containerTable()
{
    static const std::unordered_map<std::string, std::string> table = {
        {"m4v", "mp4"},      {"m4a", "mp4"},      {"m4b", "mp4"},   {"m4r", "mp4"},
        {"wmv", "asf"},      {"wma", "asf"},      {"mkv", "matroska"}, {"mka", "matroska"},
        {"mpg", "mpeg"},     {"ts", "mpegts"},    {"trp", "mpegts"}, {"DivX", "avi"},
        {"ogv", "ogg"},      {"WebM", "webm"},    {"aac", "adts"},  {"alac", "mov"},
    };
    return table;
}

} // namespace

int JXAVCodecAnalysis::codecIDOfFourcc(const std::string &fourcc)
{
    const auto &table = codecTable();
    const auto it = table.find(fourcc);
    return it == table.end() ? 0 : it->second;
}

std::string JXAVCodecAnalysis::formatOfFourCC(const std::string &extension)
{
    const auto &table = containerTable();
    const auto it = table.find(extension);
    return it == table.end() ? extension : it->second;
}

void JXAVCodecAnalysis::GetVideoFrameRate(double rate, unsigned int &numerator, unsigned int &denominator)
{
    if (rate > 23.5 && rate < 23.99) {
        numerator = 24000;
        denominator = 1001;
    } else if (rate > 29.5 && rate < 29.99) {
        numerator = 30000;
        denominator = 1001;
    } else if (rate > 59.5 && rate < 59.99) {
        numerator = 60000;
        denominator = 1001;
    } else {
        const double whole = rate + 0.01;
        // A negative or absurd rate has no whole-number form; give 0 rather
        // than an undefined conversion.
        numerator = (whole >= 0.0 && whole < 4294967296.0) ? static_cast<unsigned int>(whole) : 0U;
        denominator = 1;
    }
}

std::string JXAVCodecAnalysis::formatOfCodecID(unsigned int codecId, std::string &extension)
{
    switch (codecId) {
    case 0x15002:
        extension = "m4a";
        return "mp4";
    case 0x1502A:
        extension = "asf";
        return "asf";
    case 0x15001:
    default:
        extension = "mp3";
        return "mp3";
    }
}

std::string JXAVCodecAnalysis::formatForFormatName(const std::string &listName, const std::string &brand)
{
    if (listName == "mov,mp4,m4a,3gp,3g2,mj2") {
        if (brand == "qt  ")
            return "mov";
        if (brand == "f4v ")
            return "f4v";
        if (brand.compare(0, 3, "3gp") == 0)
            return "3gp";
        if (brand.compare(0, 3, "3g2") == 0)
            return "3g2";
        return "mp4";
    }
    if (listName == "matroska,webm") {
        if (brand == "matroska")
            return "matroska";
        if (brand == "webm")
            return "webm";
        return "mp4";
    }
    return listName;
}
