#pragma once
// Which program, audio and subtitle streams of the source to keep, and the
// background sound mixed in.

#include <cstdint>
#include <string>
#include <vector>

struct VEAudioBackgroundSettings {
    std::string file; // empty = none
    uint32_t mixMode = 0;
    uint32_t loop = 1;
    uint32_t volume = 100;
    uint32_t weight = 50;
    uint64_t showStart = 0, showEnd = 0;
    uint64_t splitStart = 0, splitEnd = 0;
};

struct VEProgramValueInfo {
    int32_t ProgramIndex = 0;
    int32_t audioType = 0; // -1 = no audio
    int32_t audioIndex = 0;
    int32_t subtlIndex = 0;
    int32_t videoIndex = 0;
    int32_t subtlType = -1; // -1 none, -2 closed captions, -3 external file, else a stream
    std::string subtlFile;
};

// The four-character code of a closed-caption stream: two blanks, then "CC".
constexpr uint32_t kClosedCaptionTag = uint32_t(' ') | uint32_t(' ') << 8 | uint32_t('C') << 16
                                       | uint32_t('C') << 24;

// One subtitle stream of the source.
struct EVSubtitleTrack {
    bool selected = false;
    int32_t kind = 0; // a track of kind 1 ends the list of streams kept by index
    int32_t index = -1;
    std::string language, title, codecName, format, description;
    uint32_t codecTag = 0;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> extraData;
};

// One audio stream of the source.
struct VEAudioTrack {
    bool selected = false;
    int32_t id = -1;
    std::string language, title, codecName, description;
    int64_t sampleRate = 0, channels = 0, bitRate = 0, duration = 0;
    std::vector<uint8_t> extraData;
};
