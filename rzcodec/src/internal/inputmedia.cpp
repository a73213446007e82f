#include "internal/inputmedia.h"

#include "internal/dvdifo.h"
#include "internal/error.h"
#include "internal/globals.h"
#include "internal/inputlimits.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <chrono>
#include <cstring>
#include <thread>

namespace rz {

namespace {
bool isUrl(const std::string &path)
{
    return path.find("://") != std::string::npos;
}

bool isAttachedPicture(const AVStream *s)
{
    return s->disposition & AV_DISPOSITION_ATTACHED_PIC;
}

int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An interrupted call says why in words of its own.
void logInputError(const std::string &what, int averr)
{
    if (averr == AVERROR_EXIT)
        logError(what + ": stopped, too slow or too much data without anything usable");
    else
        logAvError(what, averr);
}

bool isPlayableSound(const AVCodecParameters *p)
{
    return p->ch_layout.nb_channels > 0 && p->ch_layout.nb_channels <= kMaxInputChannels
        && p->sample_rate >= kMinInputSampleRate && p->sample_rate <= kMaxInputSampleRate;
}

// Why the first sound stream cannot be played, for the message of a refused
// file ("" when there is none).
std::string unplayableSoundText(const AVFormatContext *ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters *p = ctx->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_AUDIO && !isPlayableSound(p))
            return " (sound of " + std::to_string(p->sample_rate) + " Hz in "
                + std::to_string(p->ch_layout.nb_channels) + " channels; playable are "
                + std::to_string(kMinInputSampleRate) + " to " + std::to_string(kMaxInputSampleRate)
                + " Hz in 1 to " + std::to_string(kMaxInputChannels) + ")";
    }
    return std::string();
}

// Demuxers that open further files or sockets of their own, past the check
// of InputMedia::openNested: a list of them could name a pipe or a device.
bool isRefusedDemuxer(const char *name)
{
    static const char *const refused[] = {"concat", "imf", "sdp", "rtsp", "rtp", "sap"};
    for (const char *r : refused)
        if (std::strcmp(name, r) == 0)
            return true;
    return false;
}

// Every demuxer but the refused ones, as FFmpeg's format whitelist.
const char *allowedDemuxers()
{
    static const std::string list = [] {
        std::string names;
        void *it = nullptr;
        while (const AVInputFormat *f = av_demuxer_iterate(&it)) {
            if (isRefusedDemuxer(f->name))
                continue;
            if (!names.empty())
                names += ',';
            names += f->name;
        }
        return names;
    }();
    return list.c_str();
}

// The refused demuxer a failed open chose, for its message ("" when none):
// probed anew, as FFmpeg says no more than "invalid argument".
std::string refusedFormatOf(const std::string &url)
{
    if (url.empty() || isUrl(url))
        return std::string();
    AVIOContext *pb = nullptr;
    if (avio_open2(&pb, url.c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0)
        return std::string();
    const AVInputFormat *format = nullptr;
    std::string name;
    if (av_probe_input_buffer2(pb, &format, url.c_str(), nullptr, 0, 64 * 1024) >= 0 && format
        && isRefusedDemuxer(format->name))
        name = format->name;
    avio_closep(&pb);
    return name;
}

bool isProtocol(const char *url, const char *name)
{
    const char *protocol = avio_find_protocol_name(url);
    return protocol && std::strcmp(protocol, name) == 0;
}

bool hasUsableStream(const AVFormatContext *ctx)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters *p = ctx->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_AUDIO && isPlayableSound(p))
            return true;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO && p->width > 0 && p->height > 0
            && !isAttachedPicture(ctx->streams[i]))
            return true;
        if (p->codec_type == AVMEDIA_TYPE_SUBTITLE && p->codec_id != AV_CODEC_ID_NONE)
            return true; // a subtitle file
    }
    return false;
}
bool isDir(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "VTS_01_1.VOB" -> title set 1, part 1; false for other names.
bool parseVobName(const std::string &name, int *titleSet, int *part)
{
    if (name.size() != 12 || name.compare(0, 4, "VTS_") != 0 || name[6] != '_'
        || name.compare(8, 4, ".VOB") != 0 || !isdigit(name[4]) || !isdigit(name[5])
        || !isdigit(name[7]))
        return false;
    *titleSet = (name[4] - '0') * 10 + (name[5] - '0');
    *part = name[7] - '0';
    return *part >= 1; // part 0 holds the menus
}

} // namespace

// Limits the time and the reading of the FFmpeg calls made in its scope.
class InputMedia::Deadline
{
public:
    Deadline(InputMedia &media, int ms) : m_media(media)
    {
        if (media.m_unbounded)
            return;
        const AVIOContext *pb = media.m_watched ? media.m_watched->pb : nullptr;
        m_media.m_byteLimit = (pb ? pb->bytes_read : 0) + kMaxBytesPerCall;
        m_media.m_deadlineNs = steadyNowNs() + int64_t(ms) * 1000000;
    }
    ~Deadline()
    {
        m_media.m_deadlineNs = 0;
        m_media.m_byteLimit = 0;
    }
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

private:
    InputMedia &m_media;
};

// Called by FFmpeg between its reads, on the thread of the call.
int InputMedia::interrupted(void *self)
{
    const auto *media = static_cast<InputMedia *>(self);
    if (media->m_interruptedByCaller.load())
        return 1;
    const int64_t deadline = media->m_deadlineNs.load();
    if (deadline == 0)
        return 0;
    const AVIOContext *pb = media->m_watched ? media->m_watched->pb : nullptr;
    if (pb && media->m_byteLimit > 0 && pb->bytes_read > media->m_byteLimit)
        return 1;
    return steadyNowNs() > deadline ? 1 : 0;
}

bool InputMedia::openDvdTitle(const std::string &folder, int title)
{
    close();
    std::string videoTs = folder + "/VIDEO_TS";
    if (!isDir(videoTs))
        videoTs = folder;
    DIR *dir = opendir(videoTs.c_str());
    if (!dir) {
        logError("opening DVD folder " + folder + ": cannot read it");
        return false;
    }
    // The title set with the most bytes is the main title.
    std::map<int, std::map<int, std::string>> parts;
    std::map<int, int64_t> sizes;
    while (dirent *entry = readdir(dir)) {
        int titleSet, part;
        if (!parseVobName(entry->d_name, &titleSet, &part))
            continue;
        const std::string file = videoTs + "/" + entry->d_name;
        struct stat st;
        if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        parts[titleSet][part] = file;
        sizes[titleSet] += st.st_size;
    }
    closedir(dir);
    if (sizes.empty()) {
        logError("opening DVD folder " + folder + ": no title found");
        return false;
    }
    // A title is found through the title table; a folder without one
    // names title sets by their numbers.
    int main = title >= 1 ? dvdTitleSet(videoTs, title) : 0;
    if (title >= 1 && main == 0)
        main = title;
    if (title < 1)
        main = std::max_element(sizes.begin(), sizes.end(), [](auto &a, auto &b) {
                   return a.second < b.second;
               })->first;
    if (parts.find(main) == parts.end()) {
        logError("opening DVD folder " + folder + ": no title " + std::to_string(main));
        return false;
    }
    std::string url = "concat:";
    bool first = true;
    for (const auto &p : parts[main]) {
        if (p.second.find('|') != std::string::npos) {
            logError("opening DVD folder " + folder + ": unusable file name " + p.second);
            return false;
        }
        url += (first ? "" : "|") + p.second;
        first = false;
    }
    if (!openUrl(url, folder))
        return false;
    // The program stream has no chapters: they come from the title's IFO.
    if (m_format->nb_chapters == 0) {
        int id = 0;
        for (const DvdChapter &c : dvdChapters(videoTs, main)) {
            auto *chapter = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
            if (!chapter)
                break;
            chapter->id = ++id;
            chapter->time_base = AVRational{1, 1000000};
            // Chapters count from the title's start, as positions do.
            chapter->start = int64_t(c.startUs) + startTimeUs();
            chapter->end = int64_t(c.endUs) + startTimeUs();
            av_dynarray_add(&m_format->chapters, reinterpret_cast<int *>(&m_format->nb_chapters), chapter);
        }
    }
    return true;
}

bool InputMedia::open(const std::string &path)
{
    m_unbounded = false;
    return openFile(path);
}

bool InputMedia::openFile(const std::string &path)
{
    close();
    if (path.empty()) {
        logError("opening media: empty path");
        return false;
    }
    std::string url;
    if (isUrl(path)) {
        if (!globals().networkEnabled.load()) {
            logError("opening " + path + ": network access is off");
            return false;
        }
        url = path;
    } else {
        // The file protocol keeps names with a colon from reading as a protocol.
        url = "file:" + path;
    }
    const std::string local = isUrl(path) ? (path.rfind("file://", 0) == 0 ? path.substr(7) : "")
                                          : path;
    std::string why;
    if (!local.empty() && !isRegularFile(local, &why)) {
        logError("opening " + path + ": " + why);
        return false;
    }
    return openUrl(url, path);
}

bool InputMedia::openUrl(const std::string &url, const std::string &path)
{
    close();
    limitFfmpegAllocations();
    AVFormatContext *ctx = avformat_alloc_context();
    if (!ctx) {
        logAvError("opening " + path, AVERROR(ENOMEM));
        return false;
    }
    return openContext(ctx, url.c_str(), path);
}

// FFmpeg reads a caller's byte source through this: the callbacks, the
// position they have reached, and the buffer FFmpeg fills from them.
struct InputMedia::SourceIo
{
    static constexpr int kBufferSize = 64 * 1024;

    ByteSource source;
    uint64_t position = 0;
    AVIOContext *io = nullptr;

    ~SourceIo()
    {
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    static int read(void *opaque, uint8_t *out, int size)
    {
        auto *self = static_cast<SourceIo *>(opaque);
        const uint32_t n = self->source.read(self->source.context, out, uint32_t(std::max(size, 0)));
        if (n == 0)
            return AVERROR_EOF;
        const int got = int(std::min<uint32_t>(n, uint32_t(size)));
        self->position += uint64_t(got);
        return got;
    }

    static int64_t seek(void *opaque, int64_t offset, int whence)
    {
        auto *self = static_cast<SourceIo *>(opaque);
        const uint32_t length = self->source.length ? self->source.length(self->source.context)
                                                    : 0xFFFFFFFFu;
        const bool known = length != 0xFFFFFFFFu;
        if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
            return known ? int64_t(length) : -1;
        int64_t target;
        switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET: target = offset; break;
        case SEEK_CUR: target = int64_t(self->position) + offset; break;
        case SEEK_END:
            if (!known)
                return -1;
            target = int64_t(length) + offset;
            break;
        default: return -1;
        }
        if (target < 0 || !self->source.seek || self->source.seek(self->source.context, uint64_t(target)) != 1)
            return -1;
        self->position = uint64_t(target);
        return target;
    }
};

InputMedia::InputMedia() = default;
InputMedia::~InputMedia()
{
    close();
}

bool InputMedia::openSource(const ByteSource &source, const std::string &name)
{
    close();
    if (!source.read) {
        logError("opening " + name + ": no read callback");
        return false;
    }
    limitFfmpegAllocations();
    auto io = std::make_unique<SourceIo>();
    io->source = source;
    auto *buffer = static_cast<unsigned char *>(av_malloc(SourceIo::kBufferSize));
    if (buffer)
        io->io = avio_alloc_context(buffer, SourceIo::kBufferSize, 0, io.get(), &SourceIo::read,
                                    nullptr, source.seek ? &SourceIo::seek : nullptr);
    if (!io->io) {
        av_free(buffer);
        logAvError("opening " + name, AVERROR(ENOMEM));
        return false;
    }
    io->io->seekable = source.seek ? AVIO_SEEKABLE_NORMAL : 0;
    AVFormatContext *ctx = avformat_alloc_context();
    if (!ctx) {
        logAvError("opening " + name, AVERROR(ENOMEM));
        return false;
    }
    ctx->pb = io->io;
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_source = std::move(io);
    if (!openContext(ctx, nullptr, name)) {
        m_source.reset();
        return false;
    }
    return true;
}

// Called by FFmpeg for the input itself and for every further resource a
// demuxer opens (playlist entries, segments). Those are local regular files
// only, or remote addresses when the input itself is one; anything else
// (a pipe, a device, a socket) is refused before it is opened.
int InputMedia::openNested(AVFormatContext *s, AVIOContext **pb, const char *url, int flags,
                           AVDictionary **options)
{
    auto *self = static_cast<InputMedia *>(s->opaque);
    if (!self || !url || (flags & AVIO_FLAG_WRITE))
        return AVERROR(EPERM);
    if (url == self->m_openedUrl)
        return avio_open2(pb, url, flags, &s->interrupt_callback, options);
    const std::string named = "opening " + std::string(url) + " named by " + self->m_openingPath;
    if (!isProtocol(url, "file")) {
        const bool remote = isUrl(self->m_openedUrl) && globals().networkEnabled.load()
            && (isProtocol(url, "http") || isProtocol(url, "https"));
        if (!remote) {
            logError(named + ": only local files may be named");
            return AVERROR(EPERM);
        }
        return avio_open2(pb, url, flags, &s->interrupt_callback, options);
    }
    std::string local = url;
    if (local.rfind("file:", 0) == 0)
        local.erase(0, 5);
    std::string why;
    if (!isRegularFile(local, &why)) {
        logError(named + ": " + why);
        return AVERROR(EPERM);
    }
    return avio_open2(pb, ("file:" + local).c_str(), flags, &s->interrupt_callback, options);
}

bool InputMedia::openContext(AVFormatContext *ctx, const char *url, const std::string &path)
{
    ctx->interrupt_callback.callback = &InputMedia::interrupted;
    ctx->interrupt_callback.opaque = this;
    ctx->opaque = this;
    ctx->io_open = &InputMedia::openNested;
    ctx->format_whitelist = av_strdup(allowedDemuxers());
    m_openedUrl = url ? url : "";
    m_openingPath = path;
    m_watched = ctx;
    Deadline deadline(*this, kOpenDeadlineMs);
    int ret = avformat_open_input(&ctx, url, nullptr, nullptr);
    if (ret < 0) {
        m_watched = nullptr; // freed by the failed open
        const std::string refused = ret == AVERROR(EINVAL) && url ? refusedFormatOf(url) : "";
        if (ret == AVERROR(EPERM))
            logError("opening " + path + ": it names a resource that may not be read");
        else if (!refused.empty())
            logError("opening " + path + ": a " + refused
                     + " list of other resources, which is not opened");
        else
            logInputError("opening " + path, ret);
        return false;
    }
    m_format.reset(ctx);
    ret = avformat_find_stream_info(ctx, nullptr);
    if (ret < 0) {
        logInputError("reading stream information of " + path, ret);
        close();
        return false;
    }
    if (!hasUsableStream(ctx)) {
        // A demuxer chosen by the file name alone can "open" anything.
        logError("opening " + path + ": no usable audio, video or subtitle stream"
                 + unplayableSoundText(ctx));
        close();
        return false;
    }
    m_path = path;
    return true;
}

bool InputMedia::openOwnRecording(const std::string &path)
{
    m_unbounded = true;
    return openFile(path);
}

void InputMedia::close()
{
    m_watched = nullptr;
    m_format.reset();
    m_source.reset();
    m_path.clear();
}

int InputMedia::bestStream(AVMediaType type) const
{
    if (!m_format)
        return -1;
    int best = av_find_best_stream(m_format.get(), type, -1, -1, nullptr, 0);
    if (best >= 0 && !isAttachedPicture(m_format->streams[best]))
        return best;
    // av_find_best_stream may pick a cover; look for a real one.
    return nthStream(type, 0);
}

int InputMedia::attachedPictureStream() const
{
    if (!m_format)
        return -1;
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (isAttachedPicture(m_format->streams[i]) && m_format->streams[i]->attached_pic.size > 0)
            return int(i);
    return -1;
}

int InputMedia::streamCount(AVMediaType type) const
{
    int n = 0;
    if (!m_format)
        return 0;
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        const AVStream *s = m_format->streams[i];
        if (s->codecpar->codec_type == type && !isAttachedPicture(s))
            ++n;
    }
    return n;
}

int InputMedia::nthStream(AVMediaType type, int n) const
{
    if (!m_format || n < 0)
        return -1;
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        const AVStream *s = m_format->streams[i];
        if (s->codecpar->codec_type == type && !isAttachedPicture(s) && n-- == 0)
            return int(i);
    }
    return -1;
}

uint64_t InputMedia::durationUs() const
{
    if (!m_format)
        return 0;
    if (m_format->duration > 0)
        return uint64_t(m_format->duration);
    int64_t longest = 0;
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        const AVStream *s = m_format->streams[i];
        if (s->duration > 0)
            longest = std::max(longest, toMicroseconds(s->duration, s->time_base));
    }
    return uint64_t(longest);
}

int64_t InputMedia::startTimeUs() const
{
    if (!m_format || m_format->start_time == AV_NOPTS_VALUE)
        return 0;
    return m_format->start_time;
}

int InputMedia::readPacket(AVPacket *packet)
{
    if (!m_format)
        return AVERROR(EINVAL);
    Deadline deadline(*this, kReadDeadlineMs);
    int ret = av_read_frame(m_format.get(), packet);
    if (ret < 0 && ret != AVERROR_EOF)
        logInputError("reading " + m_path, ret);
    return ret;
}

bool InputMedia::seek(uint64_t positionUs)
{
    if (!m_format)
        return false;
    const int64_t target = int64_t(positionUs) + startTimeUs();
    Deadline deadline(*this, kSeekDeadlineMs);
    int ret = avformat_seek_file(m_format.get(), -1, INT64_MIN, target, target, 0);
    if (ret < 0 && ret != AVERROR_EXIT)
        ret = av_seek_frame(m_format.get(), -1, target, AVSEEK_FLAG_BACKWARD);
    if (ret < 0) {
        logInputError("seeking in " + m_path, ret);
        return false;
    }
    return true;
}

bool InputMedia::isStreamed() const
{
    // A demuxer that opens its files itself has no byte stream of its own.
    return m_format && m_format->pb && !(m_format->pb->seekable & AVIO_SEEKABLE_NORMAL);
}

bool StreamDecoder::open(const InputMedia &input, int streamIndex)
{
    close();
    AVFormatContext *fmt = input.format();
    if (!fmt || streamIndex < 0 || unsigned(streamIndex) >= fmt->nb_streams) {
        logError("opening decoder: no such stream");
        return false;
    }
    const AVStream *stream = fmt->streams[streamIndex];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !isPlayableSound(stream->codecpar)) {
        logError("opening decoder of " + input.path() + ": sound of "
                 + std::to_string(stream->codecpar->sample_rate) + " Hz in "
                 + std::to_string(stream->codecpar->ch_layout.nb_channels)
                 + " channels cannot be played");
        return false;
    }
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        logError("opening decoder of " + input.path() + ": no decoder for "
                 + avcodec_get_name(stream->codecpar->codec_id));
        return false;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        logAvError("opening decoder", AVERROR(ENOMEM));
        return false;
    }
    int ret = avcodec_parameters_to_context(ctx.get(), stream->codecpar);
    if (ret < 0) {
        logAvError("opening decoder of " + input.path(), ret);
        return false;
    }
    ctx->pkt_timebase = stream->time_base;
    if (globals().threadedDecoding.load()) {
        ctx->thread_count = int(std::min(4u, std::max(1u, std::thread::hardware_concurrency())));
    } else {
        ctx->thread_count = 1;
    }
    ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0) {
        logAvError("opening decoder " + std::string(codec->name) + " of " + input.path(), ret);
        return false;
    }
    m_codec = std::move(ctx);
    m_stream = streamIndex;
    m_timeBase = stream->time_base;
    return true;
}

void StreamDecoder::close()
{
    m_codec.reset();
    m_stream = -1;
}

int StreamDecoder::send(const AVPacket *packet)
{
    if (!m_codec)
        return AVERROR(EINVAL);
    return avcodec_send_packet(m_codec.get(), packet);
}

int StreamDecoder::receive(AVFrame *frame)
{
    if (!m_codec)
        return AVERROR(EINVAL);
    return avcodec_receive_frame(m_codec.get(), frame);
}

void StreamDecoder::flush()
{
    if (m_codec)
        avcodec_flush_buffers(m_codec.get());
}

bool MediaDecoder::addStream(int streamIndex)
{
    StreamDecoder d;
    if (!d.open(m_input, streamIndex))
        return false;
    m_decoders[streamIndex] = std::move(d);
    return true;
}

StreamDecoder *MediaDecoder::decoder(int streamIndex)
{
    auto it = m_decoders.find(streamIndex);
    return it == m_decoders.end() ? nullptr : &it->second;
}

int MediaDecoder::receiveAny(AVFrame *frame, int *streamIndex)
{
    bool anyLeft = false;
    for (auto &entry : m_decoders) {
        int ret = entry.second.receive(frame);
        if (ret >= 0) {
            if (streamIndex)
                *streamIndex = entry.first;
            return 1;
        }
        if (ret == AVERROR(EAGAIN)) {
            anyLeft = true;
            continue;
        }
        if (ret != AVERROR_EOF) {
            // A broken frame: skip it, the stream goes on.
            logAvError("decoding " + m_input.path(), ret);
            anyLeft = true;
        }
    }
    return anyLeft ? AVERROR(EAGAIN) : 0;
}

int MediaDecoder::next(AVFrame *frame, int *streamIndex)
{
    if (m_decoders.empty() || !m_input.isOpen())
        return AVERROR(EINVAL);
    for (;;) {
        int got = receiveAny(frame, streamIndex);
        if (got == 1)
            return 1;
        if (m_inputDone && got == 0)
            return 0;
        if (m_inputDone) {
            // Drained decoders answer EOF; anything still pending gets one more try.
            int again = receiveAny(frame, streamIndex);
            return again == 1 ? 1 : 0;
        }
        m_atStart = false;
        int ret = m_input.readPacket(m_packet.get());
        if (ret == AVERROR_EOF || ret < 0) {
            // A read error ends the input like its end: decode what arrived.
            m_inputDone = true;
            for (auto &entry : m_decoders)
                entry.second.send(nullptr);
            continue;
        }
        StreamDecoder *d = decoder(m_packet->stream_index);
        if (d) {
            int sent = d->send(m_packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN))
                logAvError("decoding " + m_input.path(), sent);
        }
        av_packet_unref(m_packet.get());
    }
}

bool MediaDecoder::seek(uint64_t positionUs)
{
    // A failed seek may have moved the reader, or dropped what it had read ahead.
    m_atStart = false;
    if (!m_input.seek(positionUs))
        return false;
    for (auto &entry : m_decoders)
        entry.second.flush();
    m_inputDone = false;
    m_atStart = positionUs == 0;
    return true;
}

} // namespace rz
