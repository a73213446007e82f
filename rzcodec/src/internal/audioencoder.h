#pragma once
// One audio encoder fed with interleaved float samples. It converts them to
// what the codec takes (sample format, rate, channel layout), cuts them into
// the codec's frame size and hands every packet to a sink. Used by the
// recorder (pushed sound) and by the converter (decoded sound).

#include "internal/avpointers.h"
#include "internal/ffmpeg.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rz {

struct AudioEncoderSettings {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 44100;   // output; moved to the nearest the codec supports
    int channels = 2;         // output
    int64_t bitRate = 0;      // bits per second; 0 = the codec's default
    bool globalHeader = false; // the container wants the codec header out of band
};

class AudioEncoder
{
public:
    using PacketSink = std::function<bool(AVPacket *packet)>;

    AudioEncoder();
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder &) = delete;
    AudioEncoder &operator=(const AudioEncoder &) = delete;

    // Input is interleaved float at inputRate with inputChannels.
    // False (logged, with errorText() set) when the codec cannot be opened.
    bool open(const AudioEncoderSettings &settings, int inputRate, int inputChannels,
              PacketSink sink);
    bool isOpen() const { return m_codec != nullptr; }

    // Encodes `frames` frames of interleaved float input.
    bool write(const float *samples, int frames);
    // Encodes what is still buffered and drains the codec; the encoder is done afterwards.
    bool flush();
    void close();

    const AVCodecContext *context() const { return m_codec.get(); }
    AVRational timeBase() const;
    // Samples of output rate handed to the codec so far.
    int64_t encodedSamples() const { return m_nextPts; }
    const std::string &errorText() const { return m_error; }

private:
    bool fail(const std::string &what, int averr = 0);
    // Readies m_frame's buffers for filling from its start.
    bool prepareFrame();
    // Converts input (null: the end, the converter gives what it holds)
    // into m_frame after its m_filled frames; the count, or an FFmpeg error.
    int convertInto(const uint8_t **input, int inputFrames);
    // Sends m_frame's m_filled frames (the last, padded where the codec needs it).
    bool sendFilled(bool final);
    bool sendFrame(AVFrame *frame);

    CodecContextPtr m_codec;
    SwrPtr m_swr;
    FramePtr m_frame;
    PacketPtr m_packet;
    PacketSink m_sink;
    int m_frameSize = 0;
    int m_filled = 0;        // frames converted into m_frame, not yet sent
    bool m_smallLast = false; // the codec takes a short last frame
    std::vector<uint8_t *> m_planes; // where the next converted frame goes, per plane
    int m_inputRate = 0;
    int m_inputChannels = 0;
    int64_t m_nextPts = 0;
    std::string m_error;
};

// The sample format an encoder of this codec is best fed with: float where it
// takes float, else 16-bit (FLAC, PCM) or its first format.
AVSampleFormat preferredSampleFormat(const AVCodec *codec);
// The supported sample rate nearest to `wanted` (at or above when possible).
int supportedSampleRate(const AVCodec *codec, int wanted);

} // namespace rz
