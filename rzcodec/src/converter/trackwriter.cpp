#include "rzcodec/trackwriter.h"

#include "internal/audiomuxer.h"
#include "internal/avpointers.h"
#include "internal/codecids.h"
#include "internal/error.h"
#include "internal/handle.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace rz {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

// One track: what the container must know of it and the packets pushed.
class Track : public Handle
{
public:
    static constexpr Role kRole = Role::Track;
    Track() : Handle(kRole), params(avcodec_parameters_alloc()) {}
    ~Track() override { avcodec_parameters_free(&params); }

    bool setHeader(const uint8_t *header, uint32_t length)
    {
        if (!header || length == 0)
            return true;
        params->extradata = static_cast<uint8_t *>(av_mallocz(length + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!params->extradata)
            return false;
        std::memcpy(params->extradata, header, length);
        params->extradata_size = int(length);
        return true;
    }

    AVCodecParameters *params;
    AVRational timeBase{1, 1000000};
    // Packets come from 0; a codec that starts with priming samples (AAC)
    // is moved before 0 by them, so that the container skips them as the
    // original did.
    int64_t primingUs = 0;
    std::mutex mutex;
    std::condition_variable *wake = nullptr; // the writer waiting for packets
    std::deque<PacketPtr> queue;
    bool ended = false;
    std::atomic<uint64_t> endUs{0};
};

class TrackWriter : public Handle
{
public:
    static constexpr Role kRole = Role::TrackWriter;
    enum class State { Idle, Prepared, Running, Completed, Failed, Stopped };
    TrackWriter() : Handle(kRole) {}
    ~TrackWriter() override { close(); }

    bool prepare(Track *video, Track *audio, Track *subtitle, const std::string &output,
                 const std::string &muxer)
    {
        // A stop may ask for the state meanwhile, from another thread.
        if (state() != State::Idle)
            return false;
        m_output = output;
        const AVOutputFormat *format = AudioMuxer::findFormat(muxer, output);
        if (!format) {
            logError("track writer: unknown format \"" + muxer + "\"");
            return false;
        }
        int ret = avformat_alloc_output_context2(&m_ctx, format, nullptr, output.c_str());
        if (ret < 0 || !m_ctx) {
            logAvError("track writer: " + output, ret);
            return false;
        }
        for (Track *t : {video, audio, subtitle}) {
            if (!t)
                continue;
            AVStream *st = avformat_new_stream(m_ctx, nullptr);
            if (!st || avcodec_parameters_copy(st->codecpar, t->params) < 0)
                return failPrepare("track writer: out of memory");
            st->time_base = t->timeBase;
            m_tracks.push_back(t);
        }
        if (m_tracks.empty())
            return failPrepare("track writer: no track");
        if ((ret = avio_open(&m_ctx->pb, output.c_str(), AVIO_FLAG_WRITE)) < 0)
            return failPrepare("track writer: cannot create " + output + ": " + avErrorText(ret));
        m_created = true;
        if ((ret = avformat_write_header(m_ctx, nullptr)) < 0)
            return failPrepare("track writer: writing the header of " + output + ": " + avErrorText(ret));
        for (Track *t : m_tracks) {
            std::lock_guard<std::mutex> lock(t->mutex);
            t->wake = &m_wake;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = State::Prepared;
        return true;
    }

    bool start()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Prepared)
            return false;
        m_state = State::Running;
        m_worker = std::thread([this] { run(); });
        return true;
    }

    State state() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_state;
    }
    uint64_t doneUs() const { return m_doneUs.load(); }

    bool stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Running)
            return false;
        m_stop = true;
        m_wake.notify_all();
        return true;
    }

    void close()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            m_wake.notify_all();
        }
        if (m_worker.joinable())
            m_worker.join();
        for (Track *t : m_tracks) {
            std::lock_guard<std::mutex> lock(t->mutex);
            t->wake = nullptr;
        }
        m_tracks.clear();
        closeFile(state() != State::Completed);
    }

private:
    bool failPrepare(const std::string &what)
    {
        logError(what);
        m_tracks.clear();
        closeFile(true);
        return false;
    }

    void closeFile(bool remove)
    {
        if (m_ctx) {
            if (m_ctx->pb)
                avio_closep(&m_ctx->pb);
            avformat_free_context(m_ctx);
            m_ctx = nullptr;
        }
        if (remove && m_created && std::remove(m_output.c_str()) != 0 && errno != ENOENT)
            logError("track writer: cannot remove the unfinished " + m_output);
        m_created = false;
    }

    // The next packet of any track, or none once every track has ended.
    PacketPtr next(int *stream, bool *allEnded)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            bool ended = true;
            for (size_t i = 0; i < m_tracks.size(); ++i) {
                Track *t = m_tracks[i];
                std::lock_guard<std::mutex> trackLock(t->mutex);
                if (!t->queue.empty()) {
                    PacketPtr p = std::move(t->queue.front());
                    t->queue.pop_front();
                    *stream = int(i);
                    *allEnded = false;
                    return p;
                }
                ended = ended && t->ended;
            }
            *allEnded = ended;
            if (ended || m_stop)
                return nullptr;
            m_wake.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void run()
    {
        bool ok = true;
        for (;;) {
            int stream = -1;
            bool allEnded = false;
            PacketPtr p = next(&stream, &allEnded);
            if (!p)
                break;
            AVStream *st = m_ctx->streams[stream];
            p->stream_index = stream;
            if (p->pts != AV_NOPTS_VALUE)
                p->pts -= m_tracks[size_t(stream)]->primingUs;
            if (p->dts != AV_NOPTS_VALUE)
                p->dts -= m_tracks[size_t(stream)]->primingUs;
            av_packet_rescale_ts(p.get(), kMicroseconds, st->time_base);
            const int ret = av_interleaved_write_frame(m_ctx, p.get());
            if (ret < 0) {
                logAvError("track writer: writing " + m_output, ret);
                ok = false;
                break;
            }
            uint64_t end = 0;
            for (Track *t : m_tracks)
                end = std::max(end, t->endUs.load());
            m_doneUs = end;
        }
        State result;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            result = m_stop ? State::Stopped : ok ? State::Completed : State::Failed;
        }
        if (result == State::Completed) {
            const int ret = av_write_trailer(m_ctx);
            if (ret < 0 || (m_ctx->pb && m_ctx->pb->error < 0)) {
                logAvError("track writer: completing " + m_output, ret < 0 ? ret : m_ctx->pb->error);
                result = State::Failed;
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = result;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    State m_state = State::Idle;
    bool m_stop = false;
    std::thread m_worker;
    std::vector<Track *> m_tracks;
    AVFormatContext *m_ctx = nullptr;
    std::string m_output;
    bool m_created = false;
    std::atomic<uint64_t> m_doneUs{0};
};

Track *newTrack(AVMediaType type, uint32_t codec, const uint8_t *header, uint32_t length)
{
    const AVCodecID id = toAVCodecId(codec);
    if (id == AV_CODEC_ID_NONE) {
        logError("track: unknown codec " + std::to_string(codec));
        return nullptr;
    }
    auto *t = new Track;
    t->params->codec_type = type;
    t->params->codec_id = id;
    if (!t->setHeader(header, length)) {
        delete t;
        return nullptr;
    }
    return t;
}

Track *trackOf(void *handle, const char *call)
{
    return handleCast<Track>(handle, call);
}

TrackWriter *writerOf(void *handle, const char *call)
{
    return handleCast<TrackWriter>(handle, call);
}

} // namespace

} // namespace rz

using rz::Track;
using rz::TrackWriter;

extern "C" {

void *rz_track_create_audio(uint32_t codec, uint32_t sampleRate, uint32_t channels,
                            const uint8_t *header, uint32_t headerLength)
{
    if (sampleRate == 0 || channels == 0 || channels > 8) {
        rz::logError("rz_track_create_audio: no sample rate or channels");
        return nullptr;
    }
    Track *t = rz::newTrack(AVMEDIA_TYPE_AUDIO, codec, header, headerLength);
    if (!t)
        return nullptr;
    t->params->sample_rate = int(sampleRate);
    av_channel_layout_default(&t->params->ch_layout, int(channels));
    t->timeBase = AVRational{1, int(sampleRate)};
    t->primingUs = av_rescale(rz::encoderPriming(t->params), 1000000, sampleRate);
    return rz::toHandle(t);
}

void *rz_track_create_video(uint32_t codec, uint32_t width, uint32_t height, uint32_t frameRate,
                            uint32_t frameRateScale, uint32_t aspectX, uint32_t aspectY,
                            const uint8_t *header, uint32_t headerLength)
{
    Track *t = rz::newTrack(AVMEDIA_TYPE_VIDEO, codec, header, headerLength);
    if (!t)
        return nullptr;
    t->params->width = int(width);
    t->params->height = int(height);
    if (aspectX && aspectY && width && height)
        t->params->sample_aspect_ratio = av_d2q(double(aspectX) * height / (double(aspectY) * width), 1000);
    // Frames are timed by their packets; the rate gives the container its time base.
    t->timeBase = frameRate && frameRateScale ? AVRational{int(frameRateScale), int(frameRate)}
                                              : AVRational{1, 90000};
    return rz::toHandle(t);
}

void *rz_track_create_subtitle(uint32_t codec, uint32_t timescale)
{
    Track *t = rz::newTrack(AVMEDIA_TYPE_SUBTITLE, codec, nullptr, 0);
    if (!t)
        return nullptr;
    t->timeBase = AVRational{1, int(std::max<uint32_t>(1, timescale))};
    return rz::toHandle(t);
}

RZResult rz_track_push(void *track, int64_t pts, int64_t dts, int64_t duration, uint32_t flags,
                       const uint8_t *data, uint32_t length)
{
    Track *t = rz::trackOf(track, "rz_track_push");
    if (!t)
        return RZ_FAILED;
    rz::PacketPtr p;
    if (data && length > 0) {
        p = rz::makePacket();
        if (!p || av_new_packet(p.get(), int(length)) < 0)
            return RZ_FAILED;
        std::memcpy(p->data, data, length);
        p->pts = pts;
        p->dts = dts;
        p->duration = duration;
        if (flags & 1)
            p->flags |= AV_PKT_FLAG_KEY;
    }
    std::lock_guard<std::mutex> lock(t->mutex);
    if (t->ended)
        return RZ_FAILED;
    if (p) {
        t->endUs = uint64_t(std::max<int64_t>(0, pts + duration));
        t->queue.push_back(std::move(p));
    } else {
        t->ended = true;
    }
    if (t->wake)
        t->wake->notify_all();
    return RZ_OK;
}

uint64_t rz_track_time(void *track)
{
    Track *t = rz::trackOf(track, "rz_track_time");
    return t ? t->endUs.load() : 0;
}

void rz_track_release(void *track)
{
    delete rz::trackOf(track, "rz_track_release");
}

void *rz_trackwriter_create(int32_t flags)
{
    (void)flags;
    return rz::toHandle(new TrackWriter);
}

RZResult rz_trackwriter_prepare(void *writer, void *video, void *audio, void *subtitle,
                                const char *output, const char *muxer, void *config)
{
    (void)config; // the tracks carry everything the container needs
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_prepare");
    if (!w || !output)
        return RZ_FAILED;
    Track *v = video ? rz::trackOf(video, "rz_trackwriter_prepare") : nullptr;
    Track *a = audio ? rz::trackOf(audio, "rz_trackwriter_prepare") : nullptr;
    Track *s = subtitle ? rz::trackOf(subtitle, "rz_trackwriter_prepare") : nullptr;
    return w->prepare(v, a, s, output, muxer ? muxer : "") ? RZ_OK : RZ_FAILED;
}

RZResult rz_trackwriter_start(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_start");
    return w && w->start() ? RZ_OK : RZ_FAILED;
}

RZResult rz_trackwriter_get_state(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_get_state");
    if (!w)
        return RZ_FAILED;
    const auto s = w->state();
    return s == TrackWriter::State::Completed || s == TrackWriter::State::Failed
                   || s == TrackWriter::State::Stopped
               ? RZ_OK
               : RZ_FAILED;
}

RZResult rz_trackwriter_is_stopped(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_is_stopped");
    return w && w->state() == TrackWriter::State::Stopped ? RZ_OK : RZ_FAILED;
}

RZResult rz_trackwriter_is_failed(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_is_failed");
    return w && w->state() == TrackWriter::State::Failed ? RZ_OK : RZ_FAILED;
}

uint64_t rz_trackwriter_get_done(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_get_done");
    return w ? w->doneUs() : 0;
}

RZResult rz_trackwriter_stop(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_stop");
    return w && w->stop() ? RZ_OK : RZ_FAILED;
}

RZResult rz_trackwriter_close(void *writer)
{
    TrackWriter *w = rz::writerOf(writer, "rz_trackwriter_close");
    if (!w)
        return RZ_FAILED;
    w->close();
    return RZ_OK;
}

void rz_trackwriter_release(void *writer)
{
    delete rz::writerOf(writer, "rz_trackwriter_release");
}

} // extern "C"
