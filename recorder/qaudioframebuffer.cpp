#include "recorder/qaudioframebuffer.h"

#include <cstring>

QAudioFrameBuffer::QAudioFrameBuffer(QObject *parent) : QObject(parent) {}

QAudioFrameBuffer::~QAudioFrameBuffer()
{
    while (!m_frames.empty())
        popFrame();
}

void QAudioFrameBuffer::pushFrame(const AudioFrame *frame)
{
    if (!frame)
        return;
    auto *copy = new AudioFrame;
    copy->size = frame->size;
    copy->timestamp = frame->timestamp;
    copy->data = new unsigned char[frame->size ? frame->size : 1];
    if (frame->size && frame->data)
        memcpy(copy->data, frame->data, frame->size);
    else
        copy->size = 0;
    m_frames.push_back(copy);
}

int QAudioFrameBuffer::getCount() const
{
    return int(m_frames.size());
}

AudioFrame *QAudioFrameBuffer::getFirstFrame()
{
    return m_frames.empty() ? nullptr : m_frames.front();
}

void QAudioFrameBuffer::popFrame()
{
    if (m_frames.empty())
        return;
    AudioFrame *f = m_frames.front();
    m_frames.pop_front();
    delete[] f->data;
    delete f;
}

quint64 QAudioFrameBuffer::getDuration() const
{
    if (m_frames.size() < 2)
        return 0;
    return m_frames.back()->timestamp - m_frames.front()->timestamp;
}
