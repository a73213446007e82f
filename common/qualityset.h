#pragma once
// The stored parameters of one output format, all as the parameter panel
// shows them. The format id is the key passed beside the record.

#include <QString>

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
