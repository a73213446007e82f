#include "recorder/qrecorderinputs.h"

#include "rzcodec/recorder.h"

namespace {

constexpr uint32_t kBytesPerFrame = 8; // float stereo

void *captureFrame()
{
    void *frame = rz_audioframe_create();
    rz_audioframe_set_format(frame, RZ_SAMPLE_FLOAT, 44100, 2, 3);
    return frame;
}

void describe(void *frame, const AudioFrame &block)
{
    rz_audioframe_set_data(frame, block.data, block.size / kBytesPerFrame);
    rz_audioframe_set_timestamp(frame, block.timestamp);
}

} // namespace

QRecorderMainInput::QRecorderMainInput(void *recorder) : m_recorder(recorder), m_frame(captureFrame()) {}

QRecorderMainInput::~QRecorderMainInput()
{
    rz_audioframe_release(m_frame);
}

bool QRecorderMainInput::pushAudioFrame(const AudioFrame &frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    describe(m_frame, frame);
    return rz_recorder_push_frame(m_recorder, m_frame) != 0;
}

QRecorderStreamInput::QRecorderStreamInput()
    : m_stream(rz_stream_create(RZ_MEDIA_AUDIO)), m_frame(captureFrame())
{
    rz_stream_set_tag(m_stream, 0x4D524641); // "AFRM"
    rz_stream_set_sample_rate(m_stream, 44100);
    rz_stream_set_channels(m_stream, 2);
    rz_stream_set_sample_format(m_stream, RZ_SAMPLE_FLOAT);
    rz_stream_set_bit_depth(m_stream, 32);
}

QRecorderStreamInput::~QRecorderStreamInput()
{
    rz_audioframe_release(m_frame);
    rz_stream_release(m_stream);
}

bool QRecorderStreamInput::pushAudioFrame(const AudioFrame &frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    describe(m_frame, frame);
    return rz_stream_push_frame(m_stream, m_frame) != 0;
}
