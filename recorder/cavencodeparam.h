#pragma once
// The encoder parameters handed from the program's settings to the codec
// layer: filled for one recording or one conversion, copied into the layer's
// configuration and freed. The recorder reads the format and the audio
// fields; the converter reads the rest through its own mapping.

#include "media/veeditconfig.h"

#include <cstdint>
#include <string>

// The converter's text style.
struct CAVEncodeStyleBlock {
    std::string font;
    int32_t alpha = 255;
    int32_t scaleX = 100;
    int32_t scaleY = 100;
    int32_t angle = 0;
    int32_t bold = 0;
    int32_t alignment = 1;
    int32_t layer = 1;
    std::string text;
    int32_t size = 28;
    int32_t spacing[3] = {0, 0, 0};
    uint32_t textColor = 0xFFFFFFFF;
    uint32_t shadowColor = 0x80000000;
    uint32_t outlineColor = 0xFF000000;
    uint32_t backColor = 0;
    int32_t weight = 800;
};

// The tags written into the output.
struct CAVEncodeTextBlock {
    std::string title, artist, album_artist, composer, album, genre, track, year, date, grouping,
        comment, disc, copyright;
    std::string cover_image;            // the picture's bytes, or empty
    const std::string *coverText = nullptr; // not owned; null = use cover_image
    uint32_t coverLength = 0;

    void clear();
    // The same tags as an edit record holds them; the cover is the attached
    // one when there is one, never longer than coverLength.
    VEAudioTagInfo toTagInfo() const;
    // Takes the texts and the cover of an edit record's tags (own copies).
    void setFrom(const VEAudioTagInfo &tags);
};

class CAVEncodeParam
{
public:
    CAVEncodeParam();
    CAVEncodeParam(const CAVEncodeParam &other);
    CAVEncodeParam &operator=(const CAVEncodeParam &other);
    ~CAVEncodeParam();

    // Owned copy of the container name (lower case for the codec layer); null = none.
    const char *formatName() const { return m_formatName; }
    void setFormatName(const char *name);
    // The heap buffer the record owns and its length; null = none. Copies
    // of the record get a copy of the whole buffer.
    void setBuffer(void *malloced, uint32_t length);
    void *buffer() const { return m_buffer; }
    uint32_t bufferLength() const { return m_bufferLength; }

    // Puts every field back to its value after construction.
    void setDefaults();
    // The encoder fields into a conversion configuration of the codec layer
    // (-1 for a stream kind that is off).
    void applyEncoderSettings(void *config, bool video, bool audio) const;

    int32_t videoCodec = 0;         // -1 none
    uint32_t width = 0, height = 0;
    uint32_t frameRate100 = 0;      // hundredths of a frame per second; 0 = use num/den
    int32_t containerFlag = 0;      // 1 for "AVI", "mpegts", "MPEG1VIDEO"
    uint32_t frameRateNum = 0, frameRateDen = 0;
    uint32_t videoBitRate = 0;      // kbps
    int32_t quality = 0;            // percent; -1 = use the video bit rate
    int32_t audioCodec = 0;         // -1 none
    uint32_t sampleRate = 0;        // 0 = 44100
    uint32_t channels = 0;          // 0 = 2
    int32_t audioExtra[3] = {0, 0, 0};
    uint32_t audioBitRate = 0;      // kbps
    int32_t audioQuality = 0;
    int32_t orientation[6] = {0, 0, 0, 1, 0, 0}; // [4] = rotation in degrees
    int32_t flag = 1;
    uint32_t backgroundColor = 0xFF000000;
    int64_t range1[2] = {0, 0};
    double scale1[2] = {1.0, 1.0};
    int64_t range2[2] = {0, 0};
    double scale2[2] = {1.0, 1.0};
    int32_t values24[4] = {0, 0, 0, 0}; // two values, then a range (first, last)
    std::string text25;
    int32_t values26[4] = {0, 0, 0, 0};
    std::string text27;
    int32_t values28[10] = {};
    CAVEncodeStyleBlock style;
    std::string text30;
    int32_t values31[3] = {0, 0, 255};
    double factors32[2] = {100.0, 100.0};
    int32_t values33[6] = {};
    int32_t values34[6] = {};
    int32_t values35[5] = {0, 0, 100, 100, 0};
    // The part of the source a conversion takes, microseconds; 0 = to the end.
    uint64_t rangeStart = 0;
    uint64_t rangeDuration = 0;
    CAVEncodeTextBlock tags;
    int32_t audioPercent[3] = {100, 100, 100}; // volume, rate, speed
    VEEditConfig editConfig;
    bool discSource = false; // the source is a disc title
    bool plainCut = false;   // copy the range as it stands, no decoding
    const unsigned char *pictureBytes = nullptr; // not owned
    uint32_t pictureLength = 0;
    uint32_t pictureValue = 0;
    int32_t value43 = -1; // with discSource: the DVD title (1, 2, ...); below 1 = the longest

private:
    void copyFrom(const CAVEncodeParam &other);
    void freeOwned();

    char *m_formatName = nullptr;
    void *m_buffer = nullptr;
    uint32_t m_bufferLength = 0;
};
