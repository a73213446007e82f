#pragma once
// What a recording is made of, set as the format page and the input selector
// set it, for tests that record: the current output format and the sources.

#include <QString>

namespace TestSupport {

struct AudioFormat
{
    QString format;     // container name for the codec layer, e.g. "MP3"
    QString extension;  // without the dot
    int codec = 0;      // RZ_CODEC_*
    int channels = 2;
    unsigned sampleRate = 44100;
    unsigned kbps = 0;  // 0: none chosen
};

// Makes the audio settings the current ones (creating the settings when there
// are none) and sets them to this audio-only format, every other field at its
// default.
void useAudioFormat(const AudioFormat &format);

// Records the system sound, the microphone or both; both devices are present.
void useSources(bool systemSound, bool microphone);

} // namespace TestSupport
