// The recogniser role. Live: a thread asks the registered "now playing"
// source about the recorded source until it names a title that holds.
// File: the file's own tags.

#include "rzcodec/recognizer.h"

#include "internal/audiohandles.h"
#include "internal/avpointers.h"
#include "internal/error.h"
#include "internal/handle.h"
#include "internal/inputlimits.h"
#include "internal/inputmedia.h"
#include "internal/settledanswer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace rz {

namespace {

struct NowPlayingSource {
    std::mutex mutex;
    RZNowPlayingQuery query = nullptr;
    void *context = nullptr;
};

NowPlayingSource &nowPlaying()
{
    static NowPlayingSource s;
    return s;
}

constexpr auto kPollInterval = std::chrono::milliseconds(300);

void putTag(void *target, const char *key, const void *value, uint32_t length)
{
    if (!target || !key || !value || !length)
        return;
    auto *tags = static_cast<Tags *>(target);
    (*tags)[key] = std::string(static_cast<const char *>(value), length);
}

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
        m_fileTags = std::move(tags);
        m_mode = Mode::File;
        return true;
    }

    bool start()
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_mode == Mode::None || m_thread.joinable() || m_started)
            return false;
        m_started = true;
        if (m_mode == Mode::File) {
            publish(m_fileTags);
            return true;
        }
        m_stopRequested = false;
        m_thread = std::thread([this] { pollLoop(); });
        return true;
    }

    void setSource(const char *source)
    {
        std::lock_guard<std::mutex> lock(m_sourceMutex);
        m_source = source ? source : "";
    }

    bool completed() const
    {
        std::lock_guard<std::mutex> lock(m_resultMutex);
        return m_complete;
    }

    void stop()
    {
        std::lock_guard<std::mutex> lock(m_control);
        stopThread();
    }

    void close()
    {
        std::lock_guard<std::mutex> lock(m_control);
        stopThread();
        std::lock_guard<std::mutex> rl(m_resultMutex);
        m_result.clear();
        m_complete = false;
        m_started = false;
        m_stream.reset();
        m_fileTags.clear();
        m_mode = Mode::None;
    }

    const void *value(const std::string &key, uint32_t *length) const
    {
        std::lock_guard<std::mutex> lock(m_resultMutex);
        auto it = m_result.find(key);
        if (it == m_result.end() || it->second.empty()) {
            if (length)
                *length = 0;
            return nullptr;
        }
        if (length)
            *length = uint32_t(it->second.size());
        return it->second.data();
    }

private:
    enum class Mode { None, Live, File };

    void stopThread()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> wl(m_wakeMutex);
            m_stopRequested = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // Results are written once per recognition (empty → complete) and never
    // changed until close, so pointers handed out stay valid.
    void publish(const Tags &tags)
    {
        if (!SettledAnswer::namesTitle(tags))
            return;
        std::lock_guard<std::mutex> lock(m_resultMutex);
        if (m_complete)
            return;
        m_result = tags;
        m_complete = true;
    }

    std::string source() const
    {
        std::lock_guard<std::mutex> lock(m_sourceMutex);
        return m_source;
    }

    void pollLoop()
    {
        SettledAnswer settled;
        for (;;) {
            const std::string listened = source();
            Tags tags;
            {
                NowPlayingSource &src = nowPlaying();
                std::lock_guard<std::mutex> lock(src.mutex);
                if (src.query)
                    src.query(src.context, listened.c_str(), &putTag, &tags);
            }
            if (settled.offer(std::move(tags), listened, SettledAnswer::Clock::now())) {
                publish(settled.answer());
                return;
            }
            std::unique_lock<std::mutex> wl(m_wakeMutex);
            if (m_wake.wait_for(wl, kPollInterval, [this] { return m_stopRequested.load(); }))
                return;
        }
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

    mutable std::mutex m_control;
    Mode m_mode = Mode::None;
    std::unique_ptr<StreamHandle> m_stream;
    Tags m_fileTags;
    bool m_started = false;

    mutable std::mutex m_sourceMutex;
    std::string m_source; // what a live recognition listens to; outlives a close

    std::thread m_thread;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopRequested{false};

    mutable std::mutex m_resultMutex;
    Tags m_result;
    bool m_complete = false;
};

} // namespace rz

using rz::RecognizerHandle;
using rz::StreamHandle;
using rz::handleCast;

extern "C" {

void rz_recognizer_set_now_playing_source(RZNowPlayingQuery query, void *context)
{
    rz::NowPlayingSource &src = rz::nowPlaying();
    std::lock_guard<std::mutex> lock(src.mutex);
    src.query = query;
    src.context = context;
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
