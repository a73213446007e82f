#include "internal/audiomuxer.h"

#include "internal/avpointers.h"
#include "internal/error.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace rz {

namespace {

constexpr int64_t kFlushIntervalUs = 500000;
// How much unreadable data a file cut short may end with: its last fragment
// or page, written in part.
constexpr int64_t kDamagedTailBytes = 1024 * 1024;

bool isMp4Family(const AVOutputFormat *f)
{
    static const char *const names[] = {"mov", "mp4", "ipod", "3gp", "3g2", "ismv", "f4v", "psp"};
    for (const char *n : names)
        if (std::strcmp(f->name, n) == 0)
            return true;
    return false;
}

struct Alias {
    const char *name;
    const char *muxer;
};

// Names a caller may use for a file type rather than FFmpeg's muxer name.
const Alias kAliases[] = {
    {"m4a", "ipod"}, {"m4b", "ipod"}, {"m4r", "ipod"}, {"aac", "adts"}, {"wma", "asf"},
    {"aif", "aiff"}, {"aifc", "aiff"}, {"oga", "ogg"},  {"mka", "matroska"},
    {"alac", "ipod"},
};

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

} // namespace

void addChapters(AVFormatContext *ctx, const std::vector<OutputChapter> &chapters)
{
    // FFmpeg's FLAC muxer, and its Ogg muxer for Vorbis, write no chapters:
    // there they go in as the comments readers take for chapters
    // (CHAPTER001=00:00:02.000, CHAPTER001NAME=title).
    const bool flac = std::strcmp(ctx->oformat->name, "flac") == 0;
    const bool vorbis = std::strcmp(ctx->oformat->name, "ogg") == 0 && ctx->nb_streams > 0
                        && ctx->streams[0]->codecpar->codec_id == AV_CODEC_ID_VORBIS;
    if (flac || vorbis) {
        AVDictionary **comments = flac ? &ctx->metadata : &ctx->streams[0]->metadata;
        int n = 0;
        for (const OutputChapter &c : chapters) {
            char key[32];
            char value[32];
            const uint64_t ms = c.startUs / 1000;
            std::snprintf(key, sizeof key, "CHAPTER%03d", ++n);
            std::snprintf(value, sizeof value, "%02u:%02u:%02u.%03u", unsigned(ms / 3600000),
                          unsigned(ms / 60000 % 60), unsigned(ms / 1000 % 60), unsigned(ms % 1000));
            av_dict_set(comments, key, value, 0);
            std::snprintf(key, sizeof key, "CHAPTER%03dNAME", n);
            if (!c.title.empty())
                av_dict_set(comments, key, c.title.c_str(), 0);
        }
        return;
    }
    int id = 0;
    for (const OutputChapter &c : chapters) {
        auto *chapter = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return;
        chapter->id = ++id;
        chapter->time_base = AVRational{1, 1000000};
        chapter->start = int64_t(c.startUs);
        chapter->end = int64_t(c.startUs + c.durationUs);
        if (!c.title.empty())
            av_dict_set(&chapter->metadata, "title", c.title.c_str(), 0);
        // Freed with the context.
        av_dynarray_add(&ctx->chapters, reinterpret_cast<int *>(&ctx->nb_chapters), chapter);
    }
}

AudioMuxer::~AudioMuxer()
{
    abandon();
}

const AVOutputFormat *AudioMuxer::findFormat(const std::string &name, const std::string &path)
{
    std::string n = lower(name);
    for (const Alias &a : kAliases)
        if (n == a.name)
            n = a.muxer;
    if (!n.empty())
        return av_guess_format(n.c_str(), nullptr, nullptr);
    const AVOutputFormat *byPath = av_guess_format(nullptr, path.c_str(), nullptr);
    return byPath;
}

AVCodecID AudioMuxer::defaultAudioCodec(const AVOutputFormat *format)
{
    if (!format)
        return AV_CODEC_ID_NONE;
    // FFmpeg's choice for these needs encoders Debian does not ship.
    if (std::strcmp(format->name, "ogg") == 0)
        return AV_CODEC_ID_VORBIS;
    if (std::strcmp(format->name, "caf") == 0)
        return AV_CODEC_ID_ALAC;
    return format->audio_codec;
}

bool AudioMuxer::canCarry(const AVOutputFormat *format, AVCodecID codec)
{
    // 0 is a firm no; a negative answer means FFmpeg cannot tell, and the
    // header write decides.
    return format && codec != AV_CODEC_ID_NONE
           && avformat_query_codec(format, codec, FF_COMPLIANCE_NORMAL) != 0;
}

bool AudioMuxer::fail(const std::string &what, int averr)
{
    m_error = averr ? what + ": " + avErrorText(averr) : what;
    m_errorCode = averr;
    logError(m_error);
    return false;
}

bool AudioMuxer::open(const std::string &path, const AVOutputFormat *format,
                      const AVCodecContext *encoder, const AVDictionary *metadata,
                      const std::vector<OutputChapter> &chapters)
{
    abandon();
    m_error.clear();
    m_errorCode = 0;
    m_writeFailed = false;
    if (!format || !encoder)
        return fail("muxer: no format or encoder");
    m_path = path;
    int ret = avformat_alloc_output_context2(&m_ctx, format, nullptr, path.c_str());
    if (ret < 0 || !m_ctx)
        return fail("muxer: " + path, ret);
    AVStream *st = avformat_new_stream(m_ctx, nullptr);
    if (!st) {
        closeFile();
        return fail("muxer: out of memory");
    }
    ret = avcodec_parameters_from_context(st->codecpar, encoder);
    if (ret < 0) {
        closeFile();
        return fail("muxer: stream parameters", ret);
    }
    st->time_base = encoder->time_base;
    m_priming = encoder->initial_padding;
    if (metadata)
        av_dict_copy(&m_ctx->metadata, metadata, 0);
    ret = avio_open(&m_ctx->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) {
        avformat_free_context(m_ctx);
        m_ctx = nullptr;
        return fail("muxer: cannot create " + path, ret);
    }
    AVDictionary *opts = nullptr;
    m_fragmented = isMp4Family(format);
    // A fragmented file gets its chapters with the normal-file rewrite.
    m_chapters = chapters;
    if (!m_fragmented)
        addChapters(m_ctx, chapters);
    if (m_fragmented)
        // Fragments are cut by flushToDisk(); the empty movie header up front
        // makes every fragment on disk decodable on its own.
        av_dict_set(&opts, "movflags", "empty_moov+default_base_moof+frag_custom", 0);
    ret = avformat_write_header(m_ctx, &opts);
    av_dict_free(&opts);
    if (ret < 0) {
        closeFile();
        std::remove(path.c_str());
        return fail("muxer: writing the header of " + path, ret);
    }
    m_streamTimeBase = st->time_base;
    m_lastFlushUs = 0;
    m_lastPtsUs = 0;
    avio_flush(m_ctx->pb);
    const AVCodecParameters *par = st->codecpar;
    m_patchSizes = (std::strcmp(format->name, "wav") == 0 || std::strcmp(format->name, "aiff") == 0)
                   && m_sizes.locate(path, par->ch_layout.nb_channels
                                               * av_get_bits_per_sample(par->codec_id) / 8);
    return true;
}

void AudioMuxer::updateSizeFields()
{
    AVIOContext *pb = m_ctx->pb;
    const int64_t end = avio_tell(pb);
    const int64_t data = end - m_sizes.dataStart;
    if (data < 0 || end > 0xFFFFFFFFLL)
        return;
    auto put = [&](int64_t offset, uint32_t v) {
        avio_seek(pb, offset, SEEK_SET);
        m_sizes.bigEndian ? avio_wb32(pb, v) : avio_wl32(pb, v);
    };
    put(m_sizes.formSize, m_sizes.formValue(end));
    put(m_sizes.dataSize, m_sizes.dataValue(end));
    if (m_sizes.frameCount >= 0)
        put(m_sizes.frameCount, m_sizes.frameValue(end));
    avio_seek(pb, end, SEEK_SET);
}

bool AudioMuxer::writePacket(AVPacket *packet, AVRational encoderTimeBase)
{
    if (!m_ctx)
        return false;
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, encoderTimeBase, m_streamTimeBase);
    if (packet->pts != AV_NOPTS_VALUE)
        m_lastPtsUs = av_rescale_q(packet->pts + packet->duration, m_streamTimeBase,
                                   AVRational{1, 1000000});
    if (m_writeFailed)
        return false;
    int ret = av_write_frame(m_ctx, packet);
    if (ret < 0) {
        m_writeFailed = true;
        return fail("muxer: writing " + m_path, ret);
    }
    if (m_lastPtsUs - m_lastFlushUs >= kFlushIntervalUs)
        return flushToDisk();
    return true;
}

bool AudioMuxer::flushToDisk()
{
    if (!m_ctx || m_writeFailed)
        return false;
    m_lastFlushUs = m_lastPtsUs;
    // Muxers that hold packets back (Ogg pages, MP4 fragments) write them out.
    if (m_ctx->oformat->flags & AVFMT_ALLOW_FLUSH) {
        int ret = av_write_frame(m_ctx, nullptr);
        if (ret < 0) {
            m_writeFailed = true;
            return fail("muxer: flushing " + m_path, ret);
        }
    }
    if (m_patchSizes)
        updateSizeFields();
    avio_flush(m_ctx->pb);
    if (m_ctx->pb->error < 0) {
        m_writeFailed = true;
        return fail("muxer: writing " + m_path, m_ctx->pb->error);
    }
    // Writing on into a file whose folder was removed would lose it all at the end.
    struct stat st;
    if (::stat(m_path.c_str(), &st) != 0) {
        const int err = errno;
        m_writeFailed = true;
        return fail("muxer: " + m_path + " is gone", AVERROR(err));
    }
    return true;
}

bool AudioMuxer::finish(int64_t encodedSamples)
{
    if (!m_ctx)
        return fail("muxer: nothing open to finish");
    if (m_writeFailed) {
        // The file takes nothing more: what reached it is completed by a repair.
        closeFile();
        return false;
    }
    int ret = av_write_trailer(m_ctx);
    const AVOutputFormat *format = m_ctx->oformat;
    const bool fragmented = m_fragmented;
    const int ioError = m_ctx->pb ? m_ctx->pb->error : 0;
    closeFile();
    if (ret < 0)
        return fail("muxer: completing " + m_path, ret);
    if (ioError < 0)
        return fail("muxer: writing " + m_path, ioError);
    if (!fragmented)
        return true;
    // Readers that trust the movie header see no length in a fragmented
    // file: rewrite it as a normal one beside it, then replace it.
    const std::string temp = besidePath(m_path, "remux");
    if (!remuxStreamCopy(m_path, temp, format, m_priming, encodedSamples, m_chapters))
        return fail("muxer: the fragmented recording stays as it is: " + m_path);
    if (std::rename(temp.c_str(), m_path.c_str()) != 0) {
        std::remove(temp.c_str());
        return fail("muxer: cannot replace " + m_path);
    }
    return true;
}

void AudioMuxer::abandon()
{
    closeFile();
}

void AudioMuxer::closeFile()
{
    if (!m_ctx)
        return;
    if (m_ctx->pb)
        avio_closep(&m_ctx->pb);
    avformat_free_context(m_ctx);
    m_ctx = nullptr;
}

bool remuxStreamCopy(const std::string &input, const std::string &output,
                     const AVOutputFormat *format, int primingSamples, int64_t endSamples,
                     const std::vector<OutputChapter> &chapters)
{
    InputMedia in;
    std::string error;
    StreamCopyPlan plan;
    plan.chapters = chapters;
    plan.primingSamples = primingSamples;
    plan.endSamples = endSamples;
    return in.openOwnRecording(input) && streamCopy(in, output, format, plan, &error);
}

std::string besidePath(const std::string &path, const std::string &tag)
{
    const size_t dot = path.find_last_of("./");
    return dot != std::string::npos && path[dot] == '.'
               ? path.substr(0, dot) + "." + tag + path.substr(dot)
               : path + "." + tag;
}

int encoderPriming(const AVCodecParameters *par)
{
    if (!par)
        return 0;
    if (par->initial_padding > 0)
        return par->initial_padding;
    return par->codec_id == AV_CODEC_ID_AAC ? 1024 : 0;
}

namespace {

// The output side of a stream copy; the file is removed unless it completed.
struct CopyOutput {
    AVFormatContext *ctx = nullptr;
    std::string path;
    bool created = false;
    bool completed = false;
    ~CopyOutput()
    {
        if (ctx) {
            if (ctx->pb)
                avio_closep(&ctx->pb);
            avformat_free_context(ctx);
        }
        if (created && !completed)
            std::remove(path.c_str());
    }
};

// Shifts a packet so that its stream begins `priming` samples before 0; the
// shift is fixed by the stream's first packet. A stream that already begins
// there (a file remuxed before) is left where it is.
void movePrimingBeforeZero(AVPacket *pkt, const AVStream *st, int priming, int64_t &shift)
{
    if (shift == AV_NOPTS_VALUE) {
        const int64_t first = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
        if (first == AV_NOPTS_VALUE || st->codecpar->sample_rate <= 0)
            return;
        const int64_t target = -av_rescale_q(priming, AVRational{1, st->codecpar->sample_rate},
                                             st->time_base);
        shift = first - target;
    }
    if (pkt->pts != AV_NOPTS_VALUE)
        pkt->pts -= shift;
    if (pkt->dts != AV_NOPTS_VALUE)
        pkt->dts -= shift;
}

// Whether a packet of this stream can be cut at any sample: uncompressed PCM.
bool cutsAtAnySample(const AVCodecParameters *par)
{
    return par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0
           && par->ch_layout.nb_channels > 0 && av_get_exact_bits_per_sample(par->codec_id) > 0
           && par->block_align > 0;
}

// Keeps only the samples of a PCM packet that lie inside [from, to) (in
// samples of the stream, from the input's start); false when none do.
bool trimPcmPacket(AVPacket *pkt, const AVStream *st, int64_t originSamples, int64_t from,
                   int64_t to)
{
    const AVCodecParameters *par = st->codecpar;
    const AVRational perSample{1, par->sample_rate};
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    const int64_t first = av_rescale_q(ts, st->time_base, perSample) - originSamples;
    const int64_t count = pkt->size / par->block_align;
    const int64_t keepFrom = std::max(from, first);
    const int64_t keepTo = std::min(to, first + count);
    if (keepTo <= keepFrom)
        return false;
    pkt->data += (keepFrom - first) * par->block_align;
    pkt->size = int((keepTo - keepFrom) * par->block_align);
    pkt->pts = pkt->dts = av_rescale_q(keepFrom + originSamples, perSample, st->time_base);
    pkt->duration = av_rescale_q(keepTo - keepFrom, perSample, st->time_base);
    return true;
}

// A copied FLAC stream keeps the source's STREAMINFO, which counts the
// source's samples and holds the source's checksum: the muxer rewrites the
// header at the end with this one, which counts what was copied.
bool attachStreamInfo(AVPacket *last, const AVCodecParameters *par, int64_t totalSamples)
{
    constexpr int kStreamInfoSize = 34;
    if (par->extradata_size < kStreamInfoSize || totalSamples <= 0)
        return false;
    uint8_t *info = av_packet_new_side_data(last, AV_PKT_DATA_NEW_EXTRADATA, kStreamInfoSize);
    if (!info)
        return false;
    std::memcpy(info, par->extradata, kStreamInfoSize);
    info[13] = uint8_t((info[13] & 0xF0) | ((totalSamples >> 32) & 0x0F));
    info[14] = uint8_t(totalSamples >> 24);
    info[15] = uint8_t(totalSamples >> 16);
    info[16] = uint8_t(totalSamples >> 8);
    info[17] = uint8_t(totalSamples);
    std::memset(info + 18, 0, 16); // no checksum: it was the whole source's
    return true;
}

} // namespace

bool streamCopy(InputMedia &input, const std::string &output, const AVOutputFormat *format,
                const StreamCopyPlan &plan, std::string *error)
{
    AVFormatContext *in = input.format();
    if (!in)
        return false;
    auto fail = [&](const std::string &what, int averr) {
        *error = averr ? what + ": " + avErrorText(averr) : what;
        logError("stream copy: " + *error);
        return false;
    };
    std::vector<int> streams = plan.streams;
    if (streams.empty())
        for (unsigned i = 0; i < in->nb_streams; ++i)
            streams.push_back(int(i));
    std::vector<int> outIndex(in->nb_streams, -1);
    CopyOutput out;
    out.path = output;
    int ret = avformat_alloc_output_context2(&out.ctx, format, nullptr, output.c_str());
    if (ret < 0 || !out.ctx)
        return fail("cannot write " + output, ret);
    av_dict_copy(&out.ctx->metadata, in->metadata, 0);
    for (int idx : streams) {
        if (idx < 0 || unsigned(idx) >= in->nb_streams)
            return fail("no stream " + std::to_string(idx), 0);
        AVStream *os = avformat_new_stream(out.ctx, nullptr);
        if (!os || avcodec_parameters_copy(os->codecpar, in->streams[idx]->codecpar) < 0)
            return fail("copying the stream parameters", 0);
        os->codecpar->codec_tag = 0;
        os->time_base = in->streams[idx]->time_base;
        os->disposition = in->streams[idx]->disposition;
        av_dict_copy(&os->metadata, in->streams[idx]->metadata, 0);
        outIndex[size_t(idx)] = os->index;
    }
    const bool ranged = plan.startUs > 0 || plan.durationUs > 0;
    if (!plan.chapters.empty()) {
        addChapters(out.ctx, plan.chapters);
    } else if (!ranged) {
        std::vector<OutputChapter> kept;
        const int64_t originUs = input.startTimeUs();
        for (unsigned i = 0; i < in->nb_chapters; ++i) {
            const AVChapter *c = in->chapters[i];
            const int64_t start = std::max<int64_t>(0, toMicroseconds(c->start, c->time_base) - originUs);
            const int64_t end = std::max<int64_t>(start, toMicroseconds(c->end, c->time_base) - originUs);
            const AVDictionaryEntry *title = av_dict_get(c->metadata, "title", nullptr, 0);
            kept.push_back({uint64_t(start), uint64_t(end - start), title ? title->value : ""});
        }
        addChapters(out.ctx, kept);
    }
    if ((ret = avio_open(&out.ctx->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0)
        return fail("cannot create " + output, ret);
    out.created = true;
    if ((ret = avformat_write_header(out.ctx, nullptr)) < 0)
        return fail("writing the header of " + output, ret);

    const int64_t origin = input.startTimeUs();
    const int64_t endUs = plan.durationUs > 0 ? int64_t(plan.startUs + plan.durationUs) : INT64_MAX;
    if (plan.startUs > 0 && !input.seek(plan.startUs))
        return fail("seeking in the source", 0);
    std::vector<int64_t> shift(in->nb_streams, AV_NOPTS_VALUE);
    std::vector<bool> past(in->nb_streams, false);
    size_t streamsPast = 0;
    auto writeOut = [&](AVPacket *p) {
        const AVRational from = in->streams[p->stream_index]->time_base;
        p->stream_index = outIndex[size_t(p->stream_index)];
        av_packet_rescale_ts(p, from, out.ctx->streams[p->stream_index]->time_base);
        p->pos = -1;
        const int written = av_interleaved_write_frame(out.ctx, p);
        av_packet_unref(p);
        return written;
    };
    auto endsExactly = [&](int idx) {
        return plan.endSamples > 0 && !ranged && in->streams[idx]->codecpar->sample_rate > 0
               && in->streams[idx]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    };
    // FLAC into FLAC: the last packet carries the header that counts the copy.
    auto countsInHeader = [&](int idx) {
        return std::strcmp(format->name, "flac") == 0
               && in->streams[idx]->codecpar->codec_id == AV_CODEC_ID_FLAC;
    };
    std::vector<PacketPtr> held(in->nb_streams);
    std::vector<int64_t> firstPts(in->nb_streams, AV_NOPTS_VALUE);
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (endsExactly(int(i)) || countsInHeader(int(i)))
            held[i] = makePacket();
    PacketPtr pkt = makePacket();
    int64_t readUpTo = 0; // end of the last packet read, in input bytes
    while (streamsPast < streams.size() && (ret = input.readPacket(pkt.get())) >= 0) {
        const int idx = pkt->stream_index;
        if (pkt->pos >= 0)
            readUpTo = std::max(readUpTo, pkt->pos + pkt->size);
        if (outIndex[size_t(idx)] < 0 || past[size_t(idx)]) {
            av_packet_unref(pkt.get());
            continue;
        }
        const AVRational tb = in->streams[idx]->time_base;
        int64_t doneUs = 0;
        if (ranged) {
            const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            if (ts == AV_NOPTS_VALUE) {
                av_packet_unref(pkt.get());
                continue;
            }
            const int64_t middleUs = toMicroseconds(ts, tb) + toMicroseconds(pkt->duration, tb) / 2
                                     - origin;
            const AVCodecParameters *par = in->streams[idx]->codecpar;
            if (cutsAtAnySample(par)) {
                // Uncompressed sound is cut at the exact sample.
                const int64_t rate = par->sample_rate;
                const int64_t from = av_rescale(int64_t(plan.startUs), rate, 1000000);
                const int64_t to = endUs == INT64_MAX ? INT64_MAX : av_rescale(endUs, rate, 1000000);
                const int64_t originSamples = av_rescale(origin, rate, 1000000);
                const int64_t first = av_rescale_q(ts, tb, AVRational{1, int(rate)}) - originSamples;
                if (first >= to) {
                    past[size_t(idx)] = true;
                    ++streamsPast;
                    av_packet_unref(pkt.get());
                    continue;
                }
                if (!trimPcmPacket(pkt.get(), in->streams[idx], originSamples, from, to)) {
                    av_packet_unref(pkt.get());
                    continue;
                }
            } else if (middleUs < int64_t(plan.startUs)) {
                av_packet_unref(pkt.get());
                continue;
            } else if (middleUs >= endUs) {
                past[size_t(idx)] = true;
                ++streamsPast;
                av_packet_unref(pkt.get());
                continue;
            }
            int64_t &s = shift[size_t(idx)];
            if (s == AV_NOPTS_VALUE)
                s = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : ts;
            if (pkt->pts != AV_NOPTS_VALUE)
                pkt->pts -= s;
            if (pkt->dts != AV_NOPTS_VALUE)
                pkt->dts -= s;
            doneUs = middleUs - int64_t(plan.startUs);
        } else {
            if (plan.primingSamples > 0 && in->streams[idx]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                movePrimingBeforeZero(pkt.get(), in->streams[idx], plan.primingSamples,
                                      shift[size_t(idx)]);
            if (pkt->pts != AV_NOPTS_VALUE)
                doneUs = std::max<int64_t>(0, toMicroseconds(pkt->pts, tb) - origin);
        }
        if (firstPts[size_t(idx)] == AV_NOPTS_VALUE && pkt->pts != AV_NOPTS_VALUE)
            firstPts[size_t(idx)] = pkt->pts;
        if (held[size_t(idx)]) {
            // Held back until the next one: the last gets its true length.
            std::swap(held[size_t(idx)], pkt);
            if (!pkt->data && !pkt->side_data_elems)
                continue;
        }
        if ((ret = writeOut(pkt.get())) < 0)
            return fail("writing " + output, ret);
        if (plan.progress && !plan.progress(uint64_t(doneUs)))
            return fail("stopped", 0);
    }
    if (ret < 0 && ret != AVERROR_EOF) {
        // Only damage at the very end is what a cut-short file looks like;
        // anywhere else the copy would lose what follows.
        const int64_t size = in->pb ? avio_size(in->pb) : -1;
        const bool damagedTail = plan.endAtDamage && ret != AVERROR_EXIT && size > 0
                                 && size - readUpTo <= kDamagedTailBytes;
        if (!damagedTail)
            return fail("reading the source", ret);
    }
    for (size_t idx = 0; idx < held.size(); ++idx) {
        AVPacket *last = held[idx].get();
        if (!last || (!last->data && !last->side_data_elems))
            continue;
        const AVStream *st = in->streams[idx];
        const AVRational perSample{1, st->codecpar->sample_rate};
        if (endsExactly(int(idx))) {
            const int64_t end = av_rescale_q(plan.endSamples, perSample, st->time_base);
            if (last->pts != AV_NOPTS_VALUE && end > last->pts)
                last->duration = end - last->pts;
        }
        if (countsInHeader(int(idx)) && last->pts != AV_NOPTS_VALUE
            && firstPts[idx] != AV_NOPTS_VALUE && st->codecpar->sample_rate > 0) {
            const int64_t total = av_rescale_q(last->pts + last->duration - firstPts[idx],
                                               st->time_base, perSample);
            if (!attachStreamInfo(last, st->codecpar, total))
                return fail("counting the samples of " + output, 0);
        }
        if ((ret = writeOut(last)) < 0)
            return fail("writing " + output, ret);
    }
    ret = av_write_trailer(out.ctx);
    if (ret < 0)
        return fail("completing " + output, ret);
    if (out.ctx->pb->error < 0)
        return fail("writing " + output, out.ctx->pb->error);
    if ((ret = avio_closep(&out.ctx->pb)) < 0)
        return fail("writing " + output, ret);
    out.completed = true;
    return true;
}

} // namespace rz
