#pragma once
// Opening a media file for reading: the demuxer, its streams and the decoders
// of the streams a caller wants. Shared by every role that reads media
// (media information, player, converter).

#include "internal/avpointers.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace rz {

class InputMedia
{
public:
    InputMedia();
    ~InputMedia();
    InputMedia(const InputMedia &) = delete;
    InputMedia &operator=(const InputMedia &) = delete;

    // Opens and probes a file (a local path or, with networking on, a URL);
    // false with one logged line on failure. A local path must lead to a
    // regular file. Opening, probing, each read and each seek are interrupted
    // when they outlast their deadline or read too much (internal/inputlimits.h).
    bool open(const std::string &path);
    // Opens an FFmpeg URL as it stands (e.g. "concat:a|b"); `path` names it
    // in messages and in path().
    bool openUrl(const std::string &url, const std::string &path);
    // A DVD-Video folder (holding VIDEO_TS, or VIDEO_TS itself): the VOB
    // files of title set `title` joined in order, or of the largest set when
    // `title` is below 1.
    bool openDvdTitle(const std::string &folder, int title);
    // Opens a file this program wrote itself without the time and size
    // bounds of one call: the demuxer of a long fragmented recording reads
    // every fragment header of it at once.
    bool openOwnRecording(const std::string &path);
    // Media whose bytes come from a caller's callbacks (a stream object fed by
    // pulling), with the same limits as a file. Without a seek callback only
    // forward reading is possible. `name` names it in messages and in path().
    struct ByteSource
    {
        uint32_t (*read)(void *context, unsigned char *out, uint32_t length) = nullptr;
        int (*seek)(void *context, uint64_t position) = nullptr;   // 1 = done
        uint32_t (*length)(void *context) = nullptr;               // 0xFFFFFFFF = unknown
        void *context = nullptr;
    };
    bool openSource(const ByteSource &source, const std::string &name);
    void close();
    bool isOpen() const { return bool(m_format); }

    AVFormatContext *format() const { return m_format.get(); }
    const std::string &path() const { return m_path; }

    // The best stream of a kind, -1 when there is none. Attached pictures
    // (covers) never count as video.
    int bestStream(AVMediaType type) const;
    // The stream holding an attached picture, -1 when there is none.
    int attachedPictureStream() const;
    int streamCount(AVMediaType type) const; // attached pictures excluded
    // Index of the n-th stream of a kind (attached pictures excluded), -1 if none.
    int nthStream(AVMediaType type, int n) const;

    // Container duration, or the longest stream's when the container has none.
    uint64_t durationUs() const;
    // Start time of the container (0 when unknown), to make positions 0-based.
    int64_t startTimeUs() const;

    // While on, every FFmpeg call on this input returns at its next check
    // (from any thread): a caller that must not wait ends an open or read.
    void setInterrupted(bool on) { m_interruptedByCaller = on; }

    // Reads the next packet; AVERROR_EOF at the end, other errors logged.
    int readPacket(AVPacket *packet);
    // Seeks every stream to the key frame at or before the position (from 0).
    bool seek(uint64_t positionUs);
    // The input's bytes can only be read on, not sought (a stream without
    // byte ranges): FFmpeg's answer to a seek in it cannot be relied on.
    bool isStreamed() const;

private:
    class Deadline;
    bool openFile(const std::string &path);
    struct SourceIo;
    static int interrupted(void *self);
    static int openNested(AVFormatContext *s, AVIOContext **pb, const char *url, int flags,
                          AVDictionary **options);
    bool openContext(AVFormatContext *ctx, const char *url, const std::string &path);

    InputContextPtr m_format;
    std::unique_ptr<SourceIo> m_source; // a caller's byte source; closed after m_format
    std::string m_path;
    // What the interrupt callback checks; set by Deadline for one call.
    AVFormatContext *m_watched = nullptr; // also while opening, before m_format
    std::atomic<int64_t> m_deadlineNs{0}; // steady clock; 0 = none
    int64_t m_byteLimit = 0;              // of the input's bytes read; 0 = none
    bool m_unbounded = false;             // an own recording: no deadlines
    std::string m_openedUrl;              // what the caller asked to open
    std::string m_openingPath;            // its name in messages
    std::atomic<bool> m_interruptedByCaller{false};
};

// The decoder of one stream.
class StreamDecoder
{
public:
    // Opens the stream's decoder; threads as the global set-up allows. Sound
    // beyond what can be played (sample rate, channels) is refused.
    bool open(const InputMedia &input, int streamIndex);
    void close();
    bool isOpen() const { return bool(m_codec); }

    AVCodecContext *context() const { return m_codec.get(); }
    int streamIndex() const { return m_stream; }
    AVRational timeBase() const { return m_timeBase; }

    // Sends a packet (null = end of stream); EAGAIN means receive first.
    int send(const AVPacket *packet);
    // Receives a decoded frame; EAGAIN = needs input, AVERROR_EOF = drained.
    int receive(AVFrame *frame);
    // Forgets buffered data, after a seek.
    void flush();

private:
    CodecContextPtr m_codec;
    int m_stream = -1;
    AVRational m_timeBase{0, 1};
};

// Decoded frames of the chosen streams of one input, in file order.
class MediaDecoder
{
public:
    explicit MediaDecoder(InputMedia &input) : m_input(input) {}

    // Adds the decoder of a stream; false when it cannot be opened.
    bool addStream(int streamIndex);
    StreamDecoder *decoder(int streamIndex);

    // 1: a frame of `streamIndex`; 0: every stream drained; < 0: error (logged).
    // Corrupt packets are skipped, as a player would.
    int next(AVFrame *frame, int *streamIndex);

    // Seeks the input and flushes every decoder.
    bool seek(uint64_t positionUs);
    // Nothing was read since the input was opened or last sought to its
    // start: an input that cannot seek (a stream) is at its start then.
    bool atStart() const { return m_atStart; }

private:
    int receiveAny(AVFrame *frame, int *streamIndex);

    InputMedia &m_input;
    std::map<int, StreamDecoder> m_decoders;
    PacketPtr m_packet = makePacket();
    bool m_inputDone = false;
    bool m_atStart = true;
};

} // namespace rz
