#pragma once
// The choice lists of one output format, as the format dialog shows them.

#include <string>
#include <vector>

struct FormatAllInfo
{
    bool onlyAudio = false;
    std::vector<std::string> videoEncoders;
    std::vector<std::string> videoResolutions;
    std::vector<std::string> videoFrameRates;   // "<n> fps"
    std::vector<std::string> videoBitRates;     // "<n> kbps"
    std::vector<std::string> audioEncoders;
    std::vector<std::string> audioChannels;
    std::vector<std::string> audioSampleRates;  // "<n> HZ"
    std::vector<std::string> audioBitRates;     // "<n> kbps"

    // Filled by the output-profile reader.
    std::string extension;
    std::string category;
    std::string formatId;
    std::string videoEncoder;
    std::string defaultResolution;
    std::string minVideoBitRate;
    std::string maxVideoBitRate;
    std::string defaultVideoBitRate;
    std::string defaultFrameRate;
    std::string audioEncoder;
    std::string defaultChannels;
    std::string minAudioBitRate;
    std::string maxAudioBitRate;
    std::string defaultAudioBitRate;
    std::string defaultSampleRate;

    // Set when the profile offers "Auto"; each list then begins with it.
    bool autoMode = false;
};

// Container name and file extension of one catalogue format.
struct FileFormatInfo
{
    std::string formatName;
    std::string extension;
};
