#pragma once
// Where a capture thread delivers its blocks: the recorder's main input, or
// the stream object that the recorder mixes in as its second input.

#include "recorder/audioframe.h"

class IAudioFrameSink
{
public:
    virtual ~IAudioFrameSink() = default;
    // A block of interleaved 32-bit float samples, 44100 Hz, two channels;
    // its time stamp is its first sample's index × 1000000 / 44100. Called on
    // a capture thread, by two capture threads at once when both sources
    // record. The data belong to the caller after the call. False when the
    // block could not be taken.
    virtual bool pushAudioFrame(const AudioFrame &frame) = 0;
};
