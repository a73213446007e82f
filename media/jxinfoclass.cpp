#include "media/jxinfoclass.h"

#include "rzcodec/buffer.h"
#include "rzcodec/mediainfo.h"

JXInfoClass::JXInfoClass(QObject *parent) : QObject(parent) {}

JXInfoClass::~JXInfoClass()
{
    Release_Info();
}

void JXInfoClass::Create_Info()
{
    if (!m_info)
        m_info = rz_info_create(0xFFFFFFFFu);
}

void JXInfoClass::Release_Info()
{
    releaseHandle(Take_Info());
}

void JXInfoClass::releaseHandle(void *info)
{
    if (!info)
        return;
    rz_info_close(info);
    rz_info_release(info);
}

void *JXInfoClass::Take_Info()
{
    void *handle = m_info;
    m_info = nullptr;
    return handle;
}

void JXInfoClass::Adopt_Info(void *handle)
{
    Release_Info();
    m_info = handle;
}

bool JXInfoClass::Open_Info(const char *path)
{
    return m_info && rz_info_open(m_info, path) != 0;
}

bool JXInfoClass::OpenStream_Info(void *stream)
{
    return m_info && rz_info_open_stream(m_info, stream) != 0;
}

bool JXInfoClass::OpenDVD_Info(const char *folder)
{
    return m_info && rz_info_open_dvd(m_info, folder) != 0;
}

bool JXInfoClass::OpenWithPlayer_Info(void *player)
{
    return m_info && rz_info_open_with_player(m_info, player) != 0;
}

bool JXInfoClass::HasVideo_Info() const
{
    return m_info && rz_info_has_video(m_info) != 0;
}

bool JXInfoClass::HasAudio_Info() const
{
    return m_info && rz_info_has_audio(m_info) != 0;
}

unsigned int JXInfoClass::GetVideoWidth_Info() const
{
    return m_info ? rz_info_video_width(m_info) : 0;
}

unsigned int JXInfoClass::GetVideoHeight_Info() const
{
    return m_info ? rz_info_video_height(m_info) : 0;
}

unsigned int JXInfoClass::GetVideoAspectRatioX_Info() const
{
    return m_info ? rz_info_video_aspect_x(m_info) : 0;
}

unsigned int JXInfoClass::GetVideoAspectRatioY_Info() const
{
    return m_info ? rz_info_video_aspect_y(m_info) : 0;
}

unsigned long long JXInfoClass::GetDuration_Info() const
{
    return m_info ? rz_info_duration(m_info) : 0;
}

std::optional<std::string> JXInfoClass::GetMetaData_Info(const char *key) const
{
    if (!m_info || !key)
        return std::nullopt;
    void *value = rz_info_get_metadata(m_info, key);
    if (!value)
        return std::nullopt;
    const uint8_t *data = rz_buffer_data(value);
    return std::string(reinterpret_cast<const char *>(data), rz_buffer_size(value));
}

unsigned char *JXInfoClass::GetVideoImage_Info(unsigned long long time, unsigned int useCover,
                                               unsigned int width, unsigned int height,
                                               unsigned int reserved)
{
    return m_info ? rz_info_get_video_image(m_info, time, useCover, width, height, reserved)
                  : nullptr;
}

bool JXInfoClass::FreeVideoImage_Info(unsigned char *image)
{
    return m_info && rz_info_free_video_image(m_info, image) != 0;
}

std::string JXInfoClass::GetProgrName_Info() const
{
    if (!m_info)
        return {};
    const char *name = rz_info_program_name(m_info);
    return name ? name : "";
}

unsigned int JXInfoClass::GetProgrCount_Info() const
{
    return m_info ? rz_info_program_count(m_info) : 0;
}

unsigned int JXInfoClass::GetVideoCount_Info() const
{
    return m_info ? rz_info_video_count(m_info) : 0;
}

unsigned int JXInfoClass::GetAudioCount_Info() const
{
    return m_info ? rz_info_audio_count(m_info) : 0;
}

unsigned int JXInfoClass::GetSubtlCount_Info() const
{
    return m_info ? rz_info_subtitle_count(m_info) : 0;
}

bool JXInfoClass::SetProgrIndex_Info(int index)
{
    return m_info && rz_info_set_program_index(m_info, index) != 0;
}

bool JXInfoClass::SetVideoIndex_Info(int index)
{
    return m_info && rz_info_set_video_index(m_info, index) != 0;
}

bool JXInfoClass::SetAudioIndex_Info(int index)
{
    return m_info && rz_info_set_audio_index(m_info, index) != 0;
}

bool JXInfoClass::SetSubtlIndex_Info(int index)
{
    return m_info && rz_info_set_subtitle_index(m_info, index) != 0;
}

bool JXInfoClass::SetSubtlFile_Info(const char *path)
{
    return m_info && rz_info_set_subtitle_file(m_info, path) != 0;
}

bool JXInfoClass::SetSubtlStream_Info(void *stream)
{
    return m_info && rz_info_set_subtitle_stream(m_info, stream) != 0;
}

bool JXInfoClass::SetSubtlFileEx_Info(const char *path, unsigned int extra1, unsigned int extra2)
{
    return m_info && rz_info_set_subtitle_file_ex(m_info, path, extra1, extra2) != 0;
}

bool JXInfoClass::SetSubtlStreamEx_Info(void *stream, unsigned int extra1, unsigned int extra2)
{
    return m_info && rz_info_set_subtitle_stream_ex(m_info, stream, extra1, extra2) != 0;
}

std::optional<JXInfoClass::SubtitleSource> JXInfoClass::GetSubtlSource_Info() const
{
    uint32_t fromStream = 0, extra1 = 0, extra2 = 0;
    if (!m_info || rz_info_get_subtitle_source(m_info, &fromStream, &extra1, &extra2) == 0)
        return std::nullopt;
    const char *file = rz_info_subtitle_file(m_info);
    return SubtitleSource{fromStream != 0, file ? std::string(file) : std::string(), extra1, extra2};
}

bool JXInfoClass::EnableClosedCaption_Info(unsigned int on)
{
    return m_info && rz_info_enable_closed_caption(m_info, on) != 0;
}

int JXInfoClass::GetChapterCount_Info() const
{
    return m_info ? rz_info_chapter_count(m_info) : 0;
}

unsigned long long JXInfoClass::GetChapterStartTime_Info(int index) const
{
    return m_info ? rz_info_chapter_start(m_info, index) : 0;
}

unsigned long long JXInfoClass::GetChapterDuration_Info(int index) const
{
    return m_info ? rz_info_chapter_duration(m_info, index) : 0;
}

std::string JXInfoClass::GetChapterTitle_Info(int index) const
{
    if (!m_info)
        return {};
    const char *title = rz_info_chapter_title(m_info, index);
    return title ? title : "";
}
