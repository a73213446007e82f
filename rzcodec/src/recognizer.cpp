// The recogniser role. Live: the poller's thread asks the registered "now
// playing" source about the recorded source until it names a title that
// holds, and goes on asking, less often, what plays until the recognition
// stops. File: the file's own tags.

#include "rzcodec/recognizer.h"

#include "internal/audiohandles.h"
#include "internal/avpointers.h"
#include "internal/error.h"
#include "internal/handle.h"
#include "internal/inputlimits.h"
#include "internal/inputmedia.h"
#include "internal/nowplayingpoller.h"

#include <memory>
#include <mutex>
#include <string>

namespace rz {

namespace {

// FFmpeg's tag names for the recogniser's keys where they differ.
const char *ffmpegKeyOf(const std::string &key)
{
    if (key == "year")
        return "date";
    return key.c_str();
}

} // namespace

class RecognizerHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Recognizer;
    RecognizerHandle() : Handle(kRole) {}
    ~RecognizerHandle() override { close(); }

    bool openLive(StreamHandle *stream)
    {
        close();
        std::lock_guard<std::mutex> lock(m_control);
        m_stream = std::make_unique<StreamHandle>(*stream);
        m_mode = Mode::Live;
        return true;
    }

    bool openFile(const std::string &path)
    {
        close();
        Tags tags;
        if (!readFileTags(path, tags))
            return false;
        std::lock_guard<std::mutex> lock(m_control);
        m_fileTags = std::move(tags);
        m_mode = Mode::File;
        return true;
    }

    bool start()
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_mode == Mode::None || m_run)
            return false;
        m_run = std::make_shared<LiveRun>();
        if (m_mode == Mode::File) {
            m_run->ended = true;
            if (SettledAnswer::namesTitle(m_fileTags)) {
                m_run->result = m_fileTags;
                m_run->complete = true;
            }
            return true;
        }
        m_run->source = m_source;
        if (m_followsCut)
            m_run->answer.holdBack(m_lastHeard);
        m_followsCut = false;
        NowPlayingPoller::instance().add(m_run);
        return true;
    }

    void setSource(const char *source)
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_source = source ? source : "";
        if (m_run && m_mode == Mode::Live) {
            std::lock_guard<std::mutex> runLock(m_run->mutex);
            m_run->source = m_source;
        }
    }

    void followCut()
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_followsCut = true;
    }

    void end()
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_run && m_mode == Mode::Live)
            m_run->end();
    }

    bool completed() const
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (!m_run)
            return false;
        std::lock_guard<std::mutex> runLock(m_run->mutex);
        return m_run->complete;
    }

    void stop()
    {
        std::lock_guard<std::mutex> lock(m_control);
        stopRun();
    }

    void close()
    {
        std::lock_guard<std::mutex> lock(m_control);
        stopRun();
        m_run.reset();
        m_stream.reset();
        m_fileTags.clear();
        m_mode = Mode::None;
    }

    const void *value(const std::string &key, uint32_t *length) const
    {
        if (length)
            *length = 0;
        std::lock_guard<std::mutex> lock(m_control);
        if (!m_run)
            return nullptr;
        std::lock_guard<std::mutex> runLock(m_run->mutex);
        auto it = m_run->result.find(key);
        if (it == m_run->result.end() || it->second.empty())
            return nullptr;
        if (length)
            *length = uint32_t(it->second.size());
        return it->second.data();
    }

private:
    enum class Mode { None, Live, File };

    // Never waits for a look-up under way; what it heard last is kept for
    // the file a cut makes next. The result stays until close.
    void stopRun()
    {
        if (!m_run || m_mode != Mode::Live)
            return;
        NowPlayingPoller::instance().remove(m_run);
        std::lock_guard<std::mutex> runLock(m_run->mutex);
        m_lastHeard = m_run->answer.lastHeard();
        m_run->ended = true;
    }

    static bool readFileTags(const std::string &path, Tags &tags)
    {
        // The shared input: only regular files, in bounded time and memory.
        InputMedia input;
        if (!input.open(path))
            return false;
        const AVFormatContext *fmt = input.format();
        static const char *const keys[] = {"title", "artist", "album_artist", "album", "comment",
                                           "composer", "copyright", "date", "disc", "genre",
                                           "grouping", "lyrics", "track", "year"};
        auto lookup = [fmt](const char *key) -> const char * {
            if (AVDictionaryEntry *e = av_dict_get(fmt->metadata, key, nullptr, 0))
                return e->value;
            // Ogg and FLAC keep tags on the stream.
            for (unsigned i = 0; i < fmt->nb_streams; ++i)
                if (AVDictionaryEntry *e = av_dict_get(fmt->streams[i]->metadata, key, nullptr, 0))
                    return e->value;
            return nullptr;
        };
        for (const char *key : keys) {
            const char *v = lookup(ffmpegKeyOf(key));
            if (!v && std::string(key) == "album_artist")
                v = lookup("album artist");
            if (v && *v)
                tags[key] = std::string(key) == "year" ? std::string(v).substr(0, 4) : std::string(v);
        }
        const int cover = input.attachedPictureStream();
        if (cover >= 0) {
            const AVPacket &pic = fmt->streams[cover]->attached_pic;
            if (pic.size <= kMaxCoverBytes)
                tags["cover_image"] = std::string(reinterpret_cast<const char *>(pic.data), size_t(pic.size));
            else
                logError("recogniser: the cover picture of " + path + " is too large, left out");
        }
        return true;
    }

    mutable std::mutex m_control; // never held while waiting on a look-up
    Mode m_mode = Mode::None;
    std::unique_ptr<StreamHandle> m_stream;
    Tags m_fileTags;
    std::shared_ptr<LiveRun> m_run; // the recognition since start, until close
    // Kept across recognitions: what a live one listens to, what the last
    // one heard last, and whether the next follows a cut.
    std::string m_source;
    Tags m_lastHeard;
    bool m_followsCut = false;
};

} // namespace rz

using rz::RecognizerHandle;
using rz::StreamHandle;
using rz::handleCast;

extern "C" {

void rz_recognizer_set_now_playing_source(RZNowPlayingQuery query, void *context)
{
    rz::NowPlayingPoller::instance().setSource(query, context);
}

void *rz_recognizer_create(uint32_t flags)
{
    (void)flags;
    return rz::toHandle(new RecognizerHandle);
}

RZResult rz_recognizer_set_source(void *recognizer, const char *source)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_set_source");
    if (!r)
        return RZ_FAILED;
    r->setSource(source);
    return RZ_OK;
}

RZResult rz_recognizer_open(void *recognizer, void *reserved1, void *stream, void *reserved2)
{
    (void)reserved1;
    (void)reserved2;
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_open");
    auto *s = handleCast<StreamHandle>(stream, "rz_recognizer_open");
    return r && s && r->openLive(s) ? RZ_OK : RZ_FAILED;
}

RZResult rz_recognizer_open_file(void *recognizer, const char *path)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_open_file");
    if (!r || !path)
        return RZ_FAILED;
    return r->openFile(path) ? RZ_OK : RZ_FAILED;
}

RZResult rz_recognizer_follow_cut(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_follow_cut");
    if (!r)
        return RZ_FAILED;
    r->followCut();
    return RZ_OK;
}

RZResult rz_recognizer_end(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_end");
    if (!r)
        return RZ_FAILED;
    r->end();
    return RZ_OK;
}

RZResult rz_recognizer_start(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_start");
    return r && r->start() ? RZ_OK : RZ_FAILED;
}

RZResult rz_recognizer_completed(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_completed");
    return r && r->completed() ? 1 : 0;
}

RZResult rz_recognizer_stop(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_stop");
    if (!r)
        return RZ_FAILED;
    r->stop();
    return RZ_OK;
}

RZResult rz_recognizer_close(void *recognizer)
{
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_close");
    if (!r)
        return RZ_FAILED;
    r->close();
    return RZ_OK;
}

const void *rz_recognizer_value(void *recognizer, const char *key, uint32_t *length)
{
    if (length)
        *length = 0;
    auto *r = handleCast<RecognizerHandle>(recognizer, "rz_recognizer_value");
    if (!r || !key)
        return nullptr;
    return r->value(key, length);
}

void rz_recognizer_release(void *recognizer)
{
    delete handleCast<RecognizerHandle>(recognizer, "rz_recognizer_release");
}

void *rz_stream_create_from_track(void *track)
{
    auto *s = handleCast<StreamHandle>(track, "rz_stream_create_from_track");
    return s ? rz::toHandle(new StreamHandle(*s)) : nullptr;
}

} // extern "C"
