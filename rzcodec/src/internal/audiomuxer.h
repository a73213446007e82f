#pragma once
// Writes one encoded audio stream into a file so that a crash loses at most
// about a second: the container is flushed to disk every second of audio, and
// MP4-family files are written fragmented while recording and turned into a
// normal file (stream copy) when they are finished.

#include "internal/ffmpeg.h"
#include "internal/inputmedia.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rz {

class AudioMuxer
{
public:
    AudioMuxer() = default;
    ~AudioMuxer();
    AudioMuxer(const AudioMuxer &) = delete;
    AudioMuxer &operator=(const AudioMuxer &) = delete;

    // The muxer for a lower-case name ("mp3", "mp4", "adts", ...), falling back
    // to the path's extension when the name is empty; null when there is none.
    static const AVOutputFormat *findFormat(const std::string &name, const std::string &path);
    // The codec a format records with when the caller names none.
    static AVCodecID defaultAudioCodec(const AVOutputFormat *format);
    // Whether the format can carry the codec.
    static bool canCarry(const AVOutputFormat *format, AVCodecID codec);

    // Creates the file and writes its header for the encoder's stream, with
    // the container tags given (copied; may be null).
    bool open(const std::string &path, const AVOutputFormat *format, const AVCodecContext *encoder,
              const AVDictionary *metadata = nullptr);
    bool isOpen() const { return m_ctx != nullptr; }
    // Takes a packet in the encoder's time base.
    bool writePacket(AVPacket *packet, AVRational encoderTimeBase);
    // Puts everything written so far on disk.
    bool flushToDisk();
    // Writes the trailer and completes the file (the normal-file rewrite of
    // fragmented MP4 included). The muxer is closed afterwards either way.
    bool finish();
    // Closes without completing (the file stays as it is on disk).
    void abandon();

    const std::string &path() const { return m_path; }
    const std::string &errorText() const { return m_error; }

private:
    bool fail(const std::string &what, int averr = 0);
    void closeFile();

    // RIFF/AIFF files carry their data length in the header; it is brought
    // up to date at every flush so that a file cut short still says how much
    // it holds.
    struct SizeFields {
        bool bigEndian = false;
        int64_t formSize = -1;   // offset of the RIFF/FORM size
        int64_t dataSize = -1;   // offset of the data/SSND size
        int64_t frameCount = -1; // offset of the AIFF frame count
        int64_t dataStart = 0;   // first sample byte
        int64_t dataSizeBias = 0; // SSND counts its 8-byte offset/block fields
        int bytesPerFrame = 0;
    };
    bool locateSizeFields();
    void updateSizeFields();

    AVFormatContext *m_ctx = nullptr;
    SizeFields m_sizes;
    bool m_patchSizes = false;
    AVRational m_streamTimeBase{1, 1};
    std::string m_path;
    std::string m_error;
    bool m_fragmented = false;
    int64_t m_lastFlushUs = 0;
    int64_t m_lastPtsUs = 0;
};

// Copies every stream of `input` into a new file `output` of the given muxer
// without re-encoding; metadata comes along. False (logged) on failure, with
// `output` removed.
bool remuxStreamCopy(const std::string &input, const std::string &output,
                     const AVOutputFormat *format);

// What streamCopy takes from its input.
struct StreamCopyPlan {
    std::vector<int> streams; // input streams copied, in output order; empty = all
    uint64_t startUs = 0;     // from the input's start
    uint64_t durationUs = 0;  // 0 = to the end
    // Called after each packet with the microseconds copied since startUs;
    // false stops the copy (a failure, with the output removed).
    std::function<bool(uint64_t doneUs)> progress;
};

// Copies packets of an open input into a new file `output` without
// re-encoding, container metadata included. With a range, a packet is kept
// when its middle lies inside it and time stamps are moved to start at 0.
// False (logged, *error set) on failure, with `output` removed.
bool streamCopy(InputMedia &input, const std::string &output, const AVOutputFormat *format,
                const StreamCopyPlan &plan, std::string *error);

} // namespace rz
