#pragma once
// The stored parameters of one output format, all as the parameter panel
// shows them. The format id is the key passed beside the record.

#include <QString>

#include <array>

struct QualitySet
{
    bool onlyAudio = false;
    QString videoEncoder;
    QString videoResolution;
    QString videoFrameRate;
    QString videoBitRate;
    QString videoQuality;
    QString audioEncoder;
    QString audioChannel;
    QString audioSampleRate;
    QString audioBitRate;

    bool operator==(const QualitySet &o) const
    {
        return onlyAudio == o.onlyAudio && videoEncoder == o.videoEncoder
               && videoResolution == o.videoResolution && videoFrameRate == o.videoFrameRate
               && videoBitRate == o.videoBitRate && videoQuality == o.videoQuality
               && audioEncoder == o.audioEncoder && audioChannel == o.audioChannel
               && audioSampleRate == o.audioSampleRate && audioBitRate == o.audioBitRate;
    }
    bool operator!=(const QualitySet &o) const { return !(*this == o); }
};

// The stored attribute of each value, the video ones first. A counted value
// is a number the catalogue shows with its unit.
struct QualityField
{
    const char *name;
    QString QualitySet::*value;
    bool video;
    bool counted;
};

inline const std::array<QualityField, 9> &qualityFields()
{
    static const std::array<QualityField, 9> fields = {{
        {"V_Encoder", &QualitySet::videoEncoder, true, false},
        {"V_Resolution", &QualitySet::videoResolution, true, false},
        {"V_FrameRate", &QualitySet::videoFrameRate, true, true},
        {"V_BitRate", &QualitySet::videoBitRate, true, true},
        {"V_Quality", &QualitySet::videoQuality, true, true},
        {"A_Encoder", &QualitySet::audioEncoder, false, false},
        {"A_Channel", &QualitySet::audioChannel, false, false},
        {"A_SampleRate", &QualitySet::audioSampleRate, false, true},
        {"A_BitRate", &QualitySet::audioBitRate, false, true},
    }};
    return fields;
}
