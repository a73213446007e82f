#pragma once
// Subtitle parts of the edit record: the preview's choice, the items and the style.

#include <cstdint>
#include <string>

// The subtitle choice as the preview uses it.
struct VESubtitleValue_Info {
    int32_t programIndex = 0;
    int32_t videoIndex = 0;
    int32_t audioIndex = 0;
    // 1..n = that subtitle stream, n + 1 = closed captions, above = the external file.
    int32_t subtitleChoice = 0;
    int32_t subtitleCount = 0;
    int32_t subtitleIndex = -1;
    std::string subtitleFile;
};

struct VESubltItemInfo {
    std::string name;
    std::string path;
};

struct VESubtitleSettings {
    uint32_t alpha = 255;
    uint32_t scaleX = 100, scaleY = 100;
    int64_t delay = 0; // microseconds
    std::string font;  // a leading "@" is dropped before use
    uint32_t textSize = 18;
    uint32_t bold = 0, italic = 0, underline = 0, strikeout = 0;
    uint32_t textColor = 0xFFFFFFFFu;
    uint32_t shadowColor = 0x80000000u;
    uint32_t outlineColor = 0xFF000000u;
    double shadowOffset = 0.5, outlineSize = 1.0;
    uint32_t align = 0;
    double spacingH = 0, spacingV = 0;
    double marginH = 0.05, marginV = 0.05;
};
