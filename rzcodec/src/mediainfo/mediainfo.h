#pragma once
// The object behind a media-information handle.

#include "internal/bufferhandle.h"
#include "internal/handle.h"
#include "internal/inputmedia.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace rz {

class MediaInfo : public Handle
{
public:
    static constexpr Role kRole = Role::MediaInfo;
    MediaInfo() : Handle(kRole) {}
    ~MediaInfo() override;

    bool open(const std::string &path);
    bool openDvd(const std::string &folder, int title = 0);
    // Media read through a stream object's callbacks.
    bool openSource(const InputMedia::ByteSource &source);
    void close();
    bool isOpen() const { return m_input.isOpen(); }
    std::string mediaPath() const override { return m_input.path(); }

    const AVFormatContext *format() const { return m_input.format(); }
    uint64_t duration() const { return m_input.durationUs(); }
    bool hasAudio() const { return !streams(AVMEDIA_TYPE_AUDIO).empty(); }
    bool hasVideo() const { return !streams(AVMEDIA_TYPE_VIDEO).empty(); }
    const AVStream *videoStream() const;
    AVRational displayAspect() const;

    BufferHandle *metadata(const std::string &key);

    uint8_t *videoImage(uint64_t time, bool useCover, int width, int height);
    bool freeVideoImage(uint8_t *image);

    uint32_t programCount() const;
    std::string programName() const;
    // Stream indexes of a kind in the selected program, attached pictures excluded.
    std::vector<int> streams(AVMediaType type) const;
    bool selectProgram(int index);
    bool selectStream(AVMediaType type, int index);
    // External subtitles: a file or a stream object, with the two extra values
    // of the extended calls kept as given and reported back.
    struct SubtitleSource
    {
        bool set = false;
        bool fromStream = false;
        std::string file;
        uint32_t extra1 = 0;
        uint32_t extra2 = 0;
    };
    bool setSubtitleFile(const std::string &path, uint32_t extra1 = 0, uint32_t extra2 = 0);
    bool setSubtitleSource(const InputMedia::ByteSource &source, uint32_t extra1 = 0,
                           uint32_t extra2 = 0);
    const SubtitleSource &subtitleSource() const { return m_subtitle; }
    void enableClosedCaption(bool on) { m_closedCaption = on; }

    void setInterrupted(bool on) { m_input.setInterrupted(on); }

    int chapterCount() const;
    uint64_t chapterStart(int index) const;
    uint64_t chapterDuration(int index) const;
    const char *chapterTitle(int index);

private:
    std::string tagValue(const std::string &key) const;
    // The cover picture as FFmpeg holds it; null when there is none or it is
    // too large to keep.
    const AVPacket *cover(int *stream) const;
    uint8_t *keepImage(uint8_t *image);
    const AVChapter *chapter(int index) const;

    InputMedia m_input;
    int m_program = 0;
    std::map<AVMediaType, int> m_selected; // index among streams(type); absent = 0
    SubtitleSource m_subtitle;
    bool m_closedCaption = false;
    std::map<std::string, std::unique_ptr<BufferHandle>> m_values;
    std::map<int, std::string> m_chapterTitles;
    std::set<uint8_t *> m_images;
};

} // namespace rz
