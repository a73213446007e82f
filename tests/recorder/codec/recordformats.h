#pragma once
// Every format a user can record into, as the tests drive the recorder.

#include "rzcodec/codecids.h"

#include <QString>
#include <QVector>

struct RecordFormat {
    QString name;      // test row
    QString muxer;     // lower-case muxer name handed to the recorder
    QString extension;
    int codecId;       // 0 = the format's own codec
    int sampleRate;
    int channels;
    int kbps;
    QString codecName; // what ffprobe must report
    int expectRate;    // sample rate the file must carry
};

inline QVector<RecordFormat> recordFormats()
{
    return {
        {"mp3", "mp3", "mp3", RZ_CODEC_MP3, 44100, 2, 192, "mp3", 44100},
        {"aac-m4a", "mp4", "m4a", RZ_CODEC_AAC, 44100, 2, 128, "aac", 44100},
        {"aac-adts", "adts", "aac", RZ_CODEC_AAC, 48000, 2, 160, "aac", 48000},
        {"wav", "wav", "wav", RZ_CODEC_PCM_S16LE, 44100, 2, 0, "pcm_s16le", 44100},
        {"aiff", "aiff", "aiff", RZ_CODEC_PCM_S16BE, 44100, 2, 0, "pcm_s16be", 44100},
        {"flac", "flac", "flac", RZ_CODEC_FLAC, 44100, 2, 0, "flac", 44100},
        {"ogg-vorbis", "ogg", "ogg", RZ_CODEC_VORBIS, 44100, 2, 128, "vorbis", 44100},
        {"opus", "opus", "opus", 0, 44100, 2, 96, "opus", 48000},
        {"wma", "asf", "wma", RZ_CODEC_WMAV2, 44100, 2, 128, "wmav2", 44100},
        {"ac3", "ac3", "ac3", RZ_CODEC_AC3, 48000, 2, 192, "ac3", 48000},
        {"alac-m4a", "ipod", "m4a", RZ_CODEC_ALAC, 44100, 1, 0, "alac", 44100},
    };
}

// The format of that test row; an empty one when there is none.
inline RecordFormat formatNamed(const QString &name)
{
    for (const RecordFormat &f : recordFormats()) {
        if (f.name == name)
            return f;
    }
    return RecordFormat();
}
