#pragma once
// Writes one encoded audio stream into a file so that a crash loses at most
// about a second: the container is flushed to disk every second of audio, and
// MP4-family files are written fragmented while recording and turned into a
// normal file (stream copy) when they are finished.

#include "internal/ffmpeg.h"
#include "internal/inputmedia.h"
#include "internal/pcmsizefields.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rz {

// A chapter of an output, in microseconds of the output.
struct OutputChapter {
    uint64_t startUs = 0;
    uint64_t durationUs = 0;
    std::string title;
};

// Gives an output its chapters before its header is written; formats that
// carry none ignore them.
void addChapters(AVFormatContext *ctx, const std::vector<OutputChapter> &chapters);

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
              const AVDictionary *metadata = nullptr,
              const std::vector<OutputChapter> &chapters = {});
    bool isOpen() const { return m_ctx != nullptr; }
    // Takes a packet in the encoder's time base.
    bool writePacket(AVPacket *packet, AVRational encoderTimeBase);
    // Puts everything written so far on disk.
    bool flushToDisk();
    // Writes the trailer and completes the file (the normal-file rewrite of
    // fragmented MP4 included, which ends the audio after `encodedSamples`
    // when given: fragments do not keep the length of the last packet). The
    // muxer is closed afterwards either way.
    bool finish(int64_t encodedSamples = 0);
    // Closes without completing (the file stays as it is on disk).
    void abandon();

    const std::string &path() const { return m_path; }
    const std::string &errorText() const { return m_error; }
    // FFmpeg's code of the last failure (AVERROR(errno) for a system error), 0 when none.
    int errorCode() const { return m_errorCode; }
    // A write failed (disk full, write error, file gone): nothing more is
    // written, and finish() leaves the file as it is on disk.
    bool writeFailed() const { return m_writeFailed; }

private:
    bool fail(const std::string &what, int averr = 0);
    void closeFile();

    // RIFF/AIFF files carry their data length in the header; it is brought
    // up to date at every flush so that a file cut short still says how much
    // it holds.
    void updateSizeFields();

    AVFormatContext *m_ctx = nullptr;
    PcmSizeFields m_sizes;
    bool m_patchSizes = false;
    AVRational m_streamTimeBase{1, 1};
    std::string m_path;
    std::string m_error;
    int m_errorCode = 0;
    bool m_writeFailed = false; // the file took no more after a failed write
    bool m_fragmented = false;
    int m_priming = 0; // encoder delay in samples, kept in the finished file's edit list
    std::vector<OutputChapter> m_chapters; // for the normal-file rewrite
    int64_t m_lastFlushUs = 0;
    int64_t m_lastPtsUs = 0;
};

// Copies every stream of `input` into a new file `output` of the given muxer
// without re-encoding; metadata comes along. With `primingSamples`, the audio
// starts that many samples before 0 so that the edit list skips the encoder's
// priming; with `endSamples`, the audio ends after that many samples.
// False (logged) on failure, with `output` removed.
bool remuxStreamCopy(const std::string &input, const std::string &output,
                     const AVOutputFormat *format, int primingSamples = 0,
                     int64_t endSamples = 0, const std::vector<OutputChapter> &chapters = {});

// A file beside `path` for a rewrite of it: "a.<tag>.m4a" for "a.m4a".
std::string besidePath(const std::string &path, const std::string &tag);

// The encoder delay of a stream in samples: what its parameters say, else the
// 1024 priming samples every AAC encoder starts with.
int encoderPriming(const AVCodecParameters *par);

// What streamCopy takes from its input.
struct StreamCopyPlan {
    std::vector<int> streams; // input streams copied, in output order; empty = all
    uint64_t startUs = 0;     // from the input's start
    uint64_t durationUs = 0;  // 0 = to the end
    // Without a range: each audio stream's first packet is placed this many
    // samples before 0 (the muxer writes the edit list that skips them).
    int primingSamples = 0;
    // Without a range: each audio stream's last packet ends this many samples
    // after the first recorded one (0 = as the input says).
    int64_t endSamples = 0;
    // A read error in the last megabyte ends the copy as the end of the input
    // does (a file cut short); elsewhere it fails the copy.
    bool endAtDamage = false;
    // The output's chapters; none given: a copy without a range keeps the
    // input's, a ranged copy has none.
    std::vector<OutputChapter> chapters;
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
