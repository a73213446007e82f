#pragma once
// The codec layer's recorder as the capture threads see it: its main input,
// and a stream object that it mixes in as the second input.

#include "recorder/iaudioframesink.h"

#include <mutex>

// Blocks into the recorder itself.
class QRecorderMainInput : public IAudioFrameSink
{
public:
    explicit QRecorderMainInput(void *recorder);
    ~QRecorderMainInput() override;
    bool pushAudioFrame(const AudioFrame &frame) override;

private:
    void *m_recorder; // not owned
    void *m_frame;
    std::mutex m_mutex;
};

// Blocks into a stream object of the layer, owned here; the recorder reads it
// when the configuration names it as the second input.
class QRecorderStreamInput : public IAudioFrameSink
{
public:
    QRecorderStreamInput();
    ~QRecorderStreamInput() override;
    bool pushAudioFrame(const AudioFrame &frame) override;
    void *stream() const { return m_stream; }

private:
    void *m_stream;
    void *m_frame;
    std::mutex m_mutex;
};
