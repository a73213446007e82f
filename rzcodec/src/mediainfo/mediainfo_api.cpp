// The media-information calls: handle checks around MediaInfo.

#include "rzcodec/mediainfo.h"

#include "internal/audiohandles.h"
#include "internal/error.h"
#include "mediainfo/mediainfo.h"

using rz::MediaInfo;

namespace {
MediaInfo *infoOf(void *handle, const char *call)
{
    return rz::handleCast<MediaInfo>(handle, call);
}

// The callbacks of a stream object as a byte source; false when the handle
// is no stream or has no read callback.
bool sourceOf(void *stream, const char *call, rz::InputMedia::ByteSource *source)
{
    auto *s = rz::handleCast<rz::StreamHandle>(stream, call);
    if (!s)
        return false;
    if (!s->readCallback) {
        rz::logError(std::string(call) + ": the stream has no read callback");
        return false;
    }
    source->read = s->readCallback;
    source->seek = s->seekCallback;
    source->length = s->lengthCallback;
    source->context = s->readContext;
    return true;
}

// Calls on a handle with no file open fail quietly with the neutral value:
// asking before opening is a normal question, not an error.
MediaInfo *openInfo(void *handle, const char *call)
{
    MediaInfo *info = infoOf(handle, call);
    return info && info->isOpen() ? info : nullptr;
}
} // namespace

extern "C" void *rz_info_create(uint32_t)
{
    return rz::toHandle(new MediaInfo);
}

extern "C" void rz_info_release(void *info)
{
    if (MediaInfo *i = infoOf(info, "rz_info_release"))
        delete i;
}

extern "C" RZResult rz_info_open(void *info, const char *pathUtf8)
{
    MediaInfo *i = infoOf(info, "rz_info_open");
    if (!i)
        return 0;
    if (!pathUtf8) {
        rz::logError("rz_info_open: no path");
        i->close();
        return 0;
    }
    return i->open(pathUtf8) ? 1 : 0;
}

extern "C" RZResult rz_info_open_stream(void *info, void *stream)
{
    MediaInfo *i = infoOf(info, "rz_info_open_stream");
    if (!i)
        return 0;
    rz::InputMedia::ByteSource source;
    if (!sourceOf(stream, "rz_info_open_stream", &source)) {
        i->close();
        return 0;
    }
    return i->openSource(source) ? 1 : 0;
}

extern "C" RZResult rz_info_open_dvd(void *info, const char *folderUtf8)
{
    MediaInfo *i = infoOf(info, "rz_info_open_dvd");
    if (!i)
        return 0;
    if (!folderUtf8) {
        rz::logError("rz_info_open_dvd: no folder");
        i->close();
        return 0;
    }
    return i->openDvd(folderUtf8) ? 1 : 0;
}

extern "C" RZResult rz_info_open_with_player(void *info, void *player)
{
    MediaInfo *i = infoOf(info, "rz_info_open_with_player");
    if (!i || !rz::checkHandle(player, rz::Role::Player, "rz_info_open_with_player"))
        return 0;
    const std::string path = static_cast<rz::Handle *>(player)->mediaPath();
    if (path.empty()) {
        rz::logError("rz_info_open_with_player: the player has no file open");
        i->close();
        return 0;
    }
    return i->open(path) ? 1 : 0;
}

extern "C" RZResult rz_info_close(void *info)
{
    MediaInfo *i = infoOf(info, "rz_info_close");
    if (!i)
        return 0;
    i->close();
    return 1;
}

extern "C" RZResult rz_info_has_video(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_has_video");
    return i && i->hasVideo() ? 1 : 0;
}

extern "C" RZResult rz_info_has_audio(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_has_audio");
    return i && i->hasAudio() ? 1 : 0;
}

extern "C" uint64_t rz_info_duration(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_duration");
    return i ? i->duration() : 0;
}

extern "C" const char *rz_info_format_name(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_format_name");
    const AVFormatContext *fmt = i ? i->format() : nullptr;
    return fmt && fmt->iformat && fmt->iformat->name ? fmt->iformat->name : nullptr;
}

extern "C" uint32_t rz_info_video_width(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_video_width");
    const AVStream *s = i ? i->videoStream() : nullptr;
    return s && s->codecpar->width > 0 ? uint32_t(s->codecpar->width) : 0;
}

extern "C" uint32_t rz_info_video_height(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_video_height");
    const AVStream *s = i ? i->videoStream() : nullptr;
    return s && s->codecpar->height > 0 ? uint32_t(s->codecpar->height) : 0;
}

extern "C" uint32_t rz_info_video_aspect_x(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_video_aspect_x");
    return i ? uint32_t(i->displayAspect().num) : 0;
}

extern "C" uint32_t rz_info_video_aspect_y(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_video_aspect_y");
    return i && i->displayAspect().num > 0 ? uint32_t(i->displayAspect().den) : 0;
}

extern "C" void *rz_info_get_metadata(void *info, const char *key)
{
    MediaInfo *i = openInfo(info, "rz_info_get_metadata");
    if (!i || !key)
        return nullptr;
    rz::BufferHandle *b = i->metadata(key);
    return b ? rz::toHandle(b) : nullptr;
}

extern "C" uint8_t *rz_info_get_video_image(void *info, uint64_t time, uint32_t useCover,
                                            uint32_t width, uint32_t height, uint32_t reserved)
{
    MediaInfo *i = openInfo(info, "rz_info_get_video_image");
    if (!i)
        return nullptr;
    if (reserved != 0 || width > 16384 || height > 16384) {
        rz::logError("rz_info_get_video_image: unusable arguments");
        return nullptr;
    }
    return i->videoImage(time, useCover != 0, int(width), int(height));
}

extern "C" RZResult rz_info_free_video_image(void *info, uint8_t *image)
{
    MediaInfo *i = infoOf(info, "rz_info_free_video_image");
    if (!i || !image)
        return 0;
    if (!i->freeVideoImage(image)) {
        rz::logError("rz_info_free_video_image: not an image of this handle");
        return 0;
    }
    return 1;
}

extern "C" uint32_t rz_info_program_count(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_program_count");
    return i ? i->programCount() : 0;
}

extern "C" const char *rz_info_program_name(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_program_name");
    if (!i)
        return "";
    thread_local std::string name;
    name = i->programName();
    return name.c_str();
}

extern "C" uint32_t rz_info_video_count(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_video_count");
    return i ? uint32_t(i->streams(AVMEDIA_TYPE_VIDEO).size()) : 0;
}

extern "C" uint32_t rz_info_audio_count(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_audio_count");
    return i ? uint32_t(i->streams(AVMEDIA_TYPE_AUDIO).size()) : 0;
}

extern "C" uint32_t rz_info_subtitle_count(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_subtitle_count");
    return i ? uint32_t(i->streams(AVMEDIA_TYPE_SUBTITLE).size()) : 0;
}

extern "C" RZResult rz_info_set_program_index(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_set_program_index");
    return i && i->selectProgram(index) ? 1 : 0;
}

extern "C" RZResult rz_info_set_video_index(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_set_video_index");
    return i && i->selectStream(AVMEDIA_TYPE_VIDEO, index) ? 1 : 0;
}

extern "C" RZResult rz_info_set_audio_index(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_set_audio_index");
    return i && i->selectStream(AVMEDIA_TYPE_AUDIO, index) ? 1 : 0;
}

extern "C" RZResult rz_info_set_subtitle_index(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_set_subtitle_index");
    return i && i->selectStream(AVMEDIA_TYPE_SUBTITLE, index) ? 1 : 0;
}

extern "C" RZResult rz_info_set_subtitle_file(void *info, const char *pathUtf8)
{
    MediaInfo *i = openInfo(info, "rz_info_set_subtitle_file");
    return i && pathUtf8 && i->setSubtitleFile(pathUtf8) ? 1 : 0;
}

extern "C" RZResult rz_info_set_subtitle_file_ex(void *info, const char *pathUtf8, uint32_t extra1,
                                                 uint32_t extra2)
{
    MediaInfo *i = openInfo(info, "rz_info_set_subtitle_file_ex");
    return i && pathUtf8 && i->setSubtitleFile(pathUtf8, extra1, extra2) ? 1 : 0;
}

extern "C" RZResult rz_info_set_subtitle_stream_ex(void *info, void *stream, uint32_t extra1,
                                                   uint32_t extra2)
{
    MediaInfo *i = openInfo(info, "rz_info_set_subtitle_stream_ex");
    rz::InputMedia::ByteSource source;
    return i && sourceOf(stream, "rz_info_set_subtitle_stream_ex", &source)
                && i->setSubtitleSource(source, extra1, extra2)
        ? 1
        : 0;
}

extern "C" RZResult rz_info_set_subtitle_stream(void *info, void *stream)
{
    return rz_info_set_subtitle_stream_ex(info, stream, 0, 0);
}

extern "C" RZResult rz_info_get_subtitle_source(void *info, uint32_t *fromStream, uint32_t *extra1,
                                                uint32_t *extra2)
{
    MediaInfo *i = openInfo(info, "rz_info_get_subtitle_source");
    if (!i || !i->subtitleSource().set)
        return 0;
    const MediaInfo::SubtitleSource &s = i->subtitleSource();
    if (fromStream)
        *fromStream = s.fromStream ? 1 : 0;
    if (extra1)
        *extra1 = s.extra1;
    if (extra2)
        *extra2 = s.extra2;
    return 1;
}

extern "C" const char *rz_info_subtitle_file(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_subtitle_file");
    return i ? i->subtitleSource().file.c_str() : "";
}

extern "C" RZResult rz_info_enable_closed_caption(void *info, uint32_t on)
{
    MediaInfo *i = openInfo(info, "rz_info_enable_closed_caption");
    if (!i)
        return 0;
    i->enableClosedCaption(on != 0);
    return 1;
}

extern "C" int32_t rz_info_chapter_count(void *info)
{
    MediaInfo *i = openInfo(info, "rz_info_chapter_count");
    return i ? i->chapterCount() : 0;
}

extern "C" uint64_t rz_info_chapter_start(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_chapter_start");
    return i ? i->chapterStart(index) : 0;
}

extern "C" uint64_t rz_info_chapter_duration(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_chapter_duration");
    return i ? i->chapterDuration(index) : 0;
}

extern "C" const char *rz_info_chapter_title(void *info, int32_t index)
{
    MediaInfo *i = openInfo(info, "rz_info_chapter_title");
    return i ? i->chapterTitle(index) : "";
}

extern "C" RZResult rz_info_interrupt(void *info, uint32_t on)
{
    MediaInfo *i = rz::handleCast<MediaInfo>(info, "rz_info_interrupt");
    if (!i)
        return 0;
    i->setInterrupted(on != 0);
    return 1;
}

extern "C" RZResult rz_info_open_dvd_title(void *info, const char *folderUtf8, int32_t title)
{
    MediaInfo *i = infoOf(info, "rz_info_open_dvd_title");
    if (!i)
        return 0;
    if (!folderUtf8 || !*folderUtf8) {
        rz::logError("rz_info_open_dvd_title: no folder");
        return 0;
    }
    return i->openDvd(folderUtf8, title) ? 1 : 0;
}
