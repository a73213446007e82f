#pragma once
// The output settings that new recordings use, process-wide, and the parsers
// of the setting texts of an output profile.

#include <QString>

// The resolved encoder settings of one output choice.
struct AttributeSetting
{
    bool onlyAudio = false;
    int quality = 0;            // percent; -1 when the choice has none
    QString format;             // container name for the codec layer
    QString extension;          // without the dot
    QString videoEncoder;       // four-character name as the profile gives it
    int videoCodec = 0;         // -1 for an audio-only choice
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int frameRateNum = 0;
    unsigned int frameRateDen = 0;
    unsigned int videoBitRate = 0;  // kbps
    QString audioEncoder;
    int audioCodec = 0;         // -1 when there is no audio encoder
    int channels = 0;
    unsigned int sampleRate = 0;    // Hz
    unsigned int audioBitRate = 0;  // kbps
};

// The chosen format of one half (video or audio).
struct FormatChoice
{
    QString category;
    QString id;
    QString title;
};

enum VideoQuality {
    SmallSize = 0,
    HighQuality = 1,
    Customized = 2,
};

class QConverterSetting
{
public:
    // Creates the four owned records, empty.
    static void InitSetting();
    // Destroys them; m_attributeSetting is cleared when it pointed at one.
    static void releaseSetting();

    // Each parser converts the text before its marker; 0 without the marker
    // or without a number. Markers are case-sensitive.
    static void analysisResolution(const QString &text, unsigned int &width, unsigned int &height); // "*"
    static void analysisFrameRate(const QString &text, double &rate);       // "f"
    static void analysisQuality(const QString &text, unsigned int &quality); // "%"
    static void analysisBitRate(const QString &text, unsigned int &bitRate); // "k"
    static void analysisSample(const QString &text, unsigned int &sampleRate); // "H"

    // The stored quality choice of a format: "0" or nothing is High Quality,
    // "1" Small Size, anything else Customized.
    static VideoQuality getFormatDefaultQuality(const QString &formatId);

    static AttributeSetting *m_videoSetting;
    static AttributeSetting *m_audioSetting;
    static FormatChoice *m_videoFormat;
    static FormatChoice *m_audioFormat;
    // The record recording reads; not owned.
    static AttributeSetting *m_attributeSetting;

private:
    QConverterSetting() = default;
};
