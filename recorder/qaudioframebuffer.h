#pragma once
// First-in, first-out queue of captured blocks between a capture stream and
// the recorder. Not locked: one capture thread owns and uses it.

#include "recorder/audioframe.h"

#include <QObject>

#include <deque>

class QAudioFrameBuffer : public QObject
{
    Q_OBJECT
public:
    explicit QAudioFrameBuffer(QObject *parent = nullptr);
    ~QAudioFrameBuffer() override;

    // Appends a deep copy; the caller keeps its frame.
    void pushFrame(const AudioFrame *frame);
    int getCount() const;
    // The oldest frame, still owned by the queue (its bytes may be changed in place); null when empty.
    AudioFrame *getFirstFrame();
    // Removes and frees the oldest frame; nothing when empty.
    void popFrame();
    // Newest time stamp minus oldest, microseconds; 0 with fewer than two frames.
    quint64 getDuration() const;

private:
    std::deque<AudioFrame *> m_frames;
};
