#include "mediainfo/mediainfo.h"

#include "internal/error.h"
#include "internal/inputlimits.h"
#include "internal/picture.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace rz {

namespace {
// FFmpeg's names for each key, in the order they are tried. Most demuxers
// turn their tags into FFmpeg's generic names; the rest are the raw names
// some formats keep.
const std::map<std::string, std::vector<const char *>> &tagAliases()
{
    static const std::map<std::string, std::vector<const char *>> aliases = {
        {"title", {"title"}},
        {"artist", {"artist", "author"}},
        {"album_artist", {"album_artist", "album artist", "albumartist", "WM/AlbumArtist"}},
        {"composer", {"composer", "TCOM"}},
        {"album", {"album"}},
        {"genre", {"genre"}},
        {"track", {"track", "tracknumber"}},
        {"year", {"year", "TYER", "WM/Year"}},
        {"date", {"date", "TDRC"}},
        {"grouping", {"grouping", "TIT1", "WM/ContentGroupDescription", "GRP1"}},
        {"comment", {"comment", "description"}},
        {"disc", {"disc", "discnumber", "TPOS", "WM/PartOfSet"}},
        {"copyright", {"copyright", "TCOP"}},
    };
    return aliases;
}

const char *dictValue(const AVDictionary *dict, const char *key)
{
    const AVDictionaryEntry *e = av_dict_get(dict, key, nullptr, 0);
    return e && e->value ? e->value : nullptr;
}

} // namespace

MediaInfo::~MediaInfo()
{
    close();
    for (uint8_t *image : m_images)
        freeBmp(image);
}

bool MediaInfo::open(const std::string &path)
{
    close();
    return m_input.open(path);
}

bool MediaInfo::openDvd(const std::string &folder, int title)
{
    close();
    return m_input.openDvdTitle(folder, title);
}

void MediaInfo::close()
{
    m_input.close();
    m_program = 0;
    m_selected.clear();
    m_subtitle = SubtitleSource();
    m_closedCaption = false;
    m_values.clear();
    m_chapterTitles.clear();
}

std::vector<int> MediaInfo::streams(AVMediaType type) const
{
    std::vector<int> result;
    const AVFormatContext *fmt = m_input.format();
    if (!fmt)
        return result;
    auto wanted = [&](unsigned i) {
        const AVStream *s = fmt->streams[i];
        return s->codecpar->codec_type == type && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC);
    };
    if (fmt->nb_programs > 0 && unsigned(m_program) < fmt->nb_programs) {
        const AVProgram *p = fmt->programs[m_program];
        for (unsigned k = 0; k < p->nb_stream_indexes; ++k)
            if (p->stream_index[k] < fmt->nb_streams && wanted(p->stream_index[k]))
                result.push_back(int(p->stream_index[k]));
    } else {
        for (unsigned i = 0; i < fmt->nb_streams; ++i)
            if (wanted(i))
                result.push_back(int(i));
    }
    return result;
}

const AVStream *MediaInfo::videoStream() const
{
    const std::vector<int> list = streams(AVMEDIA_TYPE_VIDEO);
    auto it = m_selected.find(AVMEDIA_TYPE_VIDEO);
    const int pick = it == m_selected.end() ? 0 : it->second;
    if (pick < 0 || size_t(pick) >= list.size())
        return nullptr;
    return m_input.format()->streams[list[size_t(pick)]];
}

AVRational MediaInfo::displayAspect() const
{
    const AVStream *s = videoStream();
    if (!s || s->codecpar->width <= 0 || s->codecpar->height <= 0)
        return {0, 1};
    AVRational sar = s->sample_aspect_ratio.num > 0 ? s->sample_aspect_ratio
                                                    : s->codecpar->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    AVRational dar;
    av_reduce(&dar.num, &dar.den, int64_t(s->codecpar->width) * sar.num,
              int64_t(s->codecpar->height) * sar.den, 1 << 20);
    return dar;
}

std::string MediaInfo::tagValue(const std::string &key) const
{
    const AVFormatContext *fmt = m_input.format();
    auto it = tagAliases().find(key);
    if (!fmt || it == tagAliases().end())
        return {};
    // The container first, then the streams (Ogg keeps its comments there).
    for (const char *name : it->second)
        if (const char *v = dictValue(fmt->metadata, name))
            return v;
    const int audio = m_input.bestStream(AVMEDIA_TYPE_AUDIO);
    if (audio >= 0)
        for (const char *name : it->second)
            if (const char *v = dictValue(fmt->streams[audio]->metadata, name))
                return v;
    return {};
}

const AVPacket *MediaInfo::cover(int *stream) const
{
    const int index = m_input.attachedPictureStream();
    if (index < 0)
        return nullptr;
    const AVPacket &pic = m_input.format()->streams[index]->attached_pic;
    if (!pic.data || pic.size <= 0)
        return nullptr;
    if (pic.size > kMaxCoverBytes) {
        logError("cover picture of " + m_input.path() + ": too large, left out");
        return nullptr;
    }
    if (stream)
        *stream = index;
    return &pic;
}

BufferHandle *MediaInfo::metadata(const std::string &key)
{
    const AVFormatContext *fmt = m_input.format();
    if (!fmt)
        return nullptr;
    // A value handed out stays valid until the next open: asking again gives
    // the same buffer instead of replacing it under the caller.
    auto known = m_values.find(key);
    if (known != m_values.end())
        return known->second.get();
    std::string value;
    bool found = false;
    if (key == "cover_image") {
        const AVPacket *pic = cover(nullptr);
        found = pic != nullptr;
        if (pic)
            value.assign(reinterpret_cast<const char *>(pic->data), size_t(pic->size));
    } else if (key == "ffmpeg_format") {
        value = fmt->iformat && fmt->iformat->name ? fmt->iformat->name : "";
        found = !value.empty();
    } else if (key == "major_brand") {
        const char *brand = dictValue(fmt->metadata, "major_brand");
        found = brand != nullptr;
        value = brand ? brand : "";
    } else {
        value = tagValue(key);
        found = !value.empty();
    }
    if (!found)
        return nullptr;
    auto &slot = m_values[key];
    slot = std::make_unique<BufferHandle>(std::move(value));
    return slot.get();
}

uint8_t *MediaInfo::keepImage(uint8_t *image)
{
    if (image)
        m_images.insert(image);
    return image;
}

uint8_t *MediaInfo::videoImage(uint64_t time, bool useCover, int width, int height)
{
    if (!m_input.isOpen())
        return nullptr;
    if (useCover) {
        int stream = -1;
        if (const AVPacket *pic = cover(&stream)) {
            FramePtr picture = decodePicture(m_input.format()->streams[stream]->codecpar, pic);
            if (picture)
                return keepImage(frameToBmp(picture.get(), width, height));
        }
    }
    const AVStream *video = videoStream();
    if (!video) {
        logError("video image of " + m_input.path() + ": no video");
        return nullptr;
    }
    MediaDecoder decoder(m_input);
    if (!decoder.addStream(video->index))
        return nullptr;
    if (!decoder.seek(time) && time > 0)
        return nullptr;
    const int64_t target = int64_t(time) + m_input.startTimeUs();
    FramePtr frame = makeFrame();
    FramePtr last;
    // Decode up to the first frame at or after the time; bounded, so that a
    // broken time stamp cannot make this run through a whole film.
    for (int n = 0; n < 2000; ++n) {
        int stream = -1;
        const int ret = decoder.next(frame.get(), &stream);
        if (ret <= 0)
            break;
        const int64_t pts = frame->best_effort_timestamp;
        last = makeFrame();
        av_frame_move_ref(last.get(), frame.get());
        if (pts == AV_NOPTS_VALUE || toMicroseconds(pts, video->time_base) >= target - 1000)
            break;
    }
    // Reading moved the input; start again from the beginning next time.
    m_input.seek(0);
    if (!last) {
        logError("video image of " + m_input.path() + ": no frame decoded");
        return nullptr;
    }
    return keepImage(frameToBmp(last.get(), width, height));
}

bool MediaInfo::freeVideoImage(uint8_t *image)
{
    auto it = m_images.find(image);
    if (it == m_images.end())
        return false;
    freeBmp(image);
    m_images.erase(it);
    return true;
}

uint32_t MediaInfo::programCount() const
{
    const AVFormatContext *fmt = m_input.format();
    if (!fmt)
        return 0;
    return fmt->nb_programs > 0 ? fmt->nb_programs : 1;
}

std::string MediaInfo::programName() const
{
    const AVFormatContext *fmt = m_input.format();
    if (!fmt || fmt->nb_programs == 0 || unsigned(m_program) >= fmt->nb_programs)
        return {};
    const AVDictionary *meta = fmt->programs[m_program]->metadata;
    for (const char *key : {"service_name", "title", "name"})
        if (const char *v = dictValue(meta, key))
            return v;
    return {};
}

bool MediaInfo::selectProgram(int index)
{
    if (index < 0 || uint32_t(index) >= programCount())
        return false;
    m_program = index;
    m_selected.clear();
    return true;
}

bool MediaInfo::selectStream(AVMediaType type, int index)
{
    if (!isOpen())
        return false;
    if (index != -1 && (index < 0 || size_t(index) >= streams(type).size()))
        return false;
    m_selected[type] = index;
    return true;
}

namespace {

bool holdsSubtitles(InputMedia &subtitles, const std::string &name)
{
    if (subtitles.bestStream(AVMEDIA_TYPE_SUBTITLE) >= 0)
        return true;
    logError("subtitles " + name + ": no subtitles in it");
    return false;
}

} // namespace

bool MediaInfo::openSource(const InputMedia::ByteSource &source)
{
    close();
    return m_input.openSource(source, "stream");
}

bool MediaInfo::setSubtitleFile(const std::string &path, uint32_t extra1, uint32_t extra2)
{
    InputMedia subtitles;
    if (!subtitles.open(path) || !holdsSubtitles(subtitles, path))
        return false;
    m_subtitle = {true, false, path, extra1, extra2};
    return true;
}

bool MediaInfo::setSubtitleSource(const InputMedia::ByteSource &source, uint32_t extra1,
                                  uint32_t extra2)
{
    InputMedia subtitles;
    if (!subtitles.openSource(source, "stream") || !holdsSubtitles(subtitles, "stream"))
        return false;
    m_subtitle = {true, true, std::string(), extra1, extra2};
    return true;
}

const AVChapter *MediaInfo::chapter(int index) const
{
    const AVFormatContext *fmt = m_input.format();
    if (!fmt || index < 0 || unsigned(index) >= fmt->nb_chapters)
        return nullptr;
    return fmt->chapters[index];
}

int MediaInfo::chapterCount() const
{
    const AVFormatContext *fmt = m_input.format();
    return fmt ? int(fmt->nb_chapters) : 0;
}

uint64_t MediaInfo::chapterStart(int index) const
{
    const AVChapter *c = chapter(index);
    if (!c)
        return 0;
    // ID3 chapters count from the first sample played, not from the
    // encoder delay FFmpeg starts an MP3 with.
    const bool id3 = std::strcmp(m_input.format()->iformat->name, "mp3") == 0;
    const int64_t start = toMicroseconds(c->start, c->time_base) - (id3 ? 0 : m_input.startTimeUs());
    return start > 0 ? uint64_t(start) : 0;
}

uint64_t MediaInfo::chapterDuration(int index) const
{
    const AVChapter *c = chapter(index);
    if (!c || c->end <= c->start)
        return 0;
    return uint64_t(toMicroseconds(c->end - c->start, c->time_base));
}

const char *MediaInfo::chapterTitle(int index)
{
    const AVChapter *c = chapter(index);
    if (!c)
        return "";
    auto known = m_chapterTitles.find(index);
    if (known == m_chapterTitles.end()) {
        const char *title = dictValue(c->metadata, "title");
        known = m_chapterTitles.emplace(index, title ? title : "").first;
    }
    return known->second.c_str();
}

} // namespace rz
