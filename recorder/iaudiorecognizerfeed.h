#pragma once
// The track recogniser as the capture thread of system sound feeds it.
// Every call comes from the capture thread of one run.

#include "recorder/audioframe.h"

#include <QByteArray>

class IAudioRecognizerFeed
{
public:
    virtual ~IAudioRecognizerFeed() = default;
    // The source the run records from, before it begins and whenever it
    // changes: only what plays into the output it monitors names the run.
    virtual void setSource(const QByteArray &source) { (void)source; }
    // A run starts: live recognition begins on 44100 Hz float stereo.
    virtual void beginRun() = 0;
    virtual bool isCompleted() = 0;
    virtual void feed(const AudioFrame &frame) = 0;
    // Called once per run after completion: stops and hands the tags on.
    virtual void deliverResult() = 0;
    // The run ended: live recognition ends, the recogniser stays for the next run.
    virtual void endRun() = 0;
};
