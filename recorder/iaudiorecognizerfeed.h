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
    // The run goes on into the next file of a cut: what the last file heard
    // last names this one only if it is heard again after another track, or
    // still holds at the file's end.
    virtual void beginRunAfterCut() { beginRun(); }
    virtual bool isCompleted() = 0;
    virtual void feed(const AudioFrame &frame) = 0;
    // Called once per run after completion: hands the tags on.
    virtual void deliverResult() = 0;
    // The file's sound ends (a stop or a cut), before endRun: true when the
    // recognition is complete now, an answer that holds at the end included.
    virtual bool completeAtEnd() { return false; }
    // The run ended: live recognition ends, the recogniser stays for the next run.
    virtual void endRun() = 0;
};
