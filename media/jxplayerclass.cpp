#include "media/jxplayerclass.h"

#include "media/watermarktextgeometry.h"

#include "rzcodec/player.h"

#include <atomic>
#include <cstdint>

namespace {
quint64 nextHandleId()
{
    static std::atomic<quint64> last{0};
    return ++last;
}
} // namespace

JXPlayerClass::JXPlayerClass(QObject *parent) : QObject(parent) {}

JXPlayerClass::~JXPlayerClass()
{
    Release_Player();
}

// ---- lifecycle -------------------------------------------------------------

void *JXPlayerClass::Create_Player(bool flag)
{
    Release_Player();
    m_player = rz_player_create(flag ? RZ_PLAYER_DEFAULT : RZ_PLAYER_PLAIN);
    m_handleId = m_player ? nextHandleId() : 0;
    return m_player;
}

void JXPlayerClass::Release_Player()
{
    releaseHandle(Take_Player());
}

void *JXPlayerClass::Take_Player()
{
    void *handle = m_player;
    m_player = nullptr;
    m_handleId = 0;
    m_bOpenSuccess = false;
    return handle;
}

void JXPlayerClass::releaseHandle(void *player)
{
    if (!player)
        return;
    rz_player_stop(player);
    rz_player_close(player);
    rz_player_release(player);
}

bool JXPlayerClass::Reference_Player(void *other)
{
    Release_Player();
    m_player = rz_player_create_reference(other);
    m_handleId = m_player ? nextHandleId() : 0;
    m_bOpenSuccess = m_player != nullptr;
    return m_bOpenSuccess;
}

void JXPlayerClass::Adopt_Player(void *handle, bool opened)
{
    Release_Player();
    m_player = handle;
    m_handleId = m_player ? nextHandleId() : 0;
    m_bOpenSuccess = m_player && opened;
}

bool JXPlayerClass::OpenEx_Player(const char *path, unsigned int width, unsigned int height,
                                  unsigned int reserved1, unsigned int reserved2)
{
    // The layer refuses a null handle itself, so no create means a plain failure.
    m_bOpenSuccess = rz_player_open_ex(m_player, path, width, height, reserved1, reserved2) != 0;
    return m_bOpenSuccess;
}

bool JXPlayerClass::OpenDVD_ExPlayer(const char *path, unsigned int width, unsigned int height,
                                     unsigned int reserved1, unsigned int reserved2)
{
    m_bOpenSuccess = rz_player_open_dvd_ex(m_player, path, width, height, reserved1, reserved2) != 0;
    return m_bOpenSuccess;
}

// ---- forwarders --------------------------------------------------------------

#define JX_FORWARD_BOOL(member, call)                                                             \
    bool JXPlayerClass::member()                                                                   \
    {                                                                                              \
        return m_player && call(m_player) != 0;                                                    \
    }

JX_FORWARD_BOOL(IsCompleted_Player, rz_player_is_completed)
JX_FORWARD_BOOL(IsStop_Player, rz_player_is_stop)
JX_FORWARD_BOOL(IsPause_Player, rz_player_is_pause)
JX_FORWARD_BOOL(IsRunning_Player, rz_player_is_running)
JX_FORWARD_BOOL(HasVideo_Player, rz_player_has_video)
JX_FORWARD_BOOL(HasAudio_Player, rz_player_has_audio)
JX_FORWARD_BOOL(CanSeek_Player, rz_player_can_seek)
JX_FORWARD_BOOL(Close_Player, rz_player_close)
QString JXPlayerClass::GetErrorText_Player()
{
    return m_player ? QString::fromUtf8(rz_player_get_error_text(m_player)) : QString();
}

QString JXPlayerClass::playbackStoppedMessage(const QString &reason)
{
    return tr("Playback stopped: %1.").arg(reason);
}

QString JXPlayerClass::playbackFailedMessage(const QString &reason)
{
    return tr("Playback failed: %1.").arg(reason);
}

QString JXPlayerClass::seekFailedMessage(const QString &reason)
{
    return tr("Cannot move to that position: %1.").arg(reason);
}

JX_FORWARD_BOOL(Play_Player, rz_player_play)
JX_FORWARD_BOOL(Pause_Player, rz_player_pause)
JX_FORWARD_BOOL(Stop_Player, rz_player_stop)
JX_FORWARD_BOOL(EndAsyncSeek_Player, rz_player_end_async_seek)
JX_FORWARD_BOOL(BeginSettings_Player, rz_player_begin_settings)
JX_FORWARD_BOOL(EndSettings_Player, rz_player_end_settings)
JX_FORWARD_BOOL(ShowVideoFrame_Player, rz_player_show_video_frame)
JX_FORWARD_BOOL(UpdateVideoFrame_Player, rz_player_update_video_frame)
JX_FORWARD_BOOL(RefreshVideoFrame_Player, rz_player_refresh_video_frame)
#undef JX_FORWARD_BOOL

bool JXPlayerClass::HasVideoAndAudio_Player()
{
    if (!m_player)
        return false;
    return HasAudio_Player() || HasVideo_Player();
}

uint64_t JXPlayerClass::GetDuration_Player()
{
    return m_player ? rz_player_get_duration(m_player) : 0;
}

uint64_t JXPlayerClass::GetPlayTime_Player()
{
    return m_player ? rz_player_get_play_time(m_player) : 0;
}

uint64_t JXPlayerClass::GetVideoTime_Player()
{
    return m_player ? rz_player_get_video_time(m_player) : 0;
}

uint64_t JXPlayerClass::GetVideoSize_Player()
{
    if (!m_player)
        return 0;
    return uint64_t(rz_player_get_video_width(m_player))
        | uint64_t(rz_player_get_video_height(m_player)) << 32;
}

uint64_t JXPlayerClass::GetVideoAspectRatio_Player()
{
    if (!m_player)
        return 0;
    return uint64_t(rz_player_get_video_aspect_x(m_player))
        | uint64_t(rz_player_get_video_aspect_y(m_player)) << 32;
}

bool JXPlayerClass::Seek_Player(uint64_t time)
{
    return m_player && rz_player_seek(m_player, time) != 0;
}

bool JXPlayerClass::FastSeek_Player(uint64_t time, int flags)
{
    return m_player && rz_player_fast_seek(m_player, time, flags) != 0;
}

bool JXPlayerClass::BeginAsyncSeek_Player(uint64_t time)
{
    return m_player && rz_player_begin_async_seek(m_player, time) != 0;
}

bool JXPlayerClass::FrameStep_Player(int frames)
{
    return m_player && rz_player_frame_step(m_player, frames) != 0;
}

bool JXPlayerClass::KeyFrameStep_Player(int direction)
{
    return m_player && rz_player_key_frame_step(m_player, direction) != 0;
}

bool JXPlayerClass::ChangeSpeed_Player(int percent)
{
    return m_player && rz_player_change_speed(m_player, percent) != 0;
}

bool JXPlayerClass::EnableLoop_Player(int on)
{
    return m_player && rz_player_enable_loop(m_player, on) != 0;
}

bool JXPlayerClass::SetVideoFrameHandle_Player(RZFrameCallback callback, void *context)
{
    return m_player && rz_player_set_video_frame_handle(m_player, callback, context) != 0;
}

bool JXPlayerClass::SetOriginalVideoFrameHandle_Player(RZFrameCallback callback, void *context)
{
    return m_player && rz_player_set_original_video_frame_handle(m_player, callback, context) != 0;
}

bool JXPlayerClass::SetTimeInterval_Player(uint64_t microseconds)
{
    return m_player && rz_player_set_time_interval(m_player, microseconds) != 0;
}

unsigned char *JXPlayerClass::CaptureVideoImage_Player(unsigned int width, unsigned int height,
                                                       unsigned int reserved)
{
    return m_player ? rz_player_capture_video_image(m_player, width, height, reserved) : nullptr;
}

bool JXPlayerClass::FreeVideoImage_Player(unsigned char *image)
{
    return m_player && rz_player_free_video_image(m_player, image) != 0;
}

bool JXPlayerClass::EnableAudioWaveData_Player(unsigned int on)
{
    return m_player && rz_player_enable_audio_wave_data(m_player, on) != 0;
}

unsigned char *JXPlayerClass::GetAudioWaveData_Player(unsigned int kind)
{
    return m_player ? rz_player_get_audio_wave_data(m_player, kind) : nullptr;
}

bool JXPlayerClass::FreeAudioWaveData_Player(unsigned char *data)
{
    return m_player && rz_player_free_audio_wave_data(m_player, data) != 0;
}

bool JXPlayerClass::SetAudioEqualize_Player(double *bands, double *gains, unsigned int count)
{
    return m_player && rz_player_set_audio_equalize(m_player, bands, gains, count) != 0;
}

bool JXPlayerClass::SetAudioRate_Player(uint64_t percent)
{
    return m_player && rz_player_set_audio_rate(m_player, percent) != 0;
}

bool JXPlayerClass::SetAudioVolume_Player(uint64_t percent)
{
    return m_player && rz_player_set_audio_volume(m_player, percent) != 0;
}

double JXPlayerClass::GetWatermarkImageWidth_Player() { return keptValue("SetWatermarkImageSize", 0); }
double JXPlayerClass::GetWatermarkImageHeight_Player() { return keptValue("SetWatermarkImageSize", 1); }
double JXPlayerClass::GetWatermarkImagePosX_Player() { return keptValue("SetWatermarkImagePosition", 0); }
double JXPlayerClass::GetWatermarkImagePosY_Player() { return keptValue("SetWatermarkImagePosition", 1); }
double JXPlayerClass::GetWatermarkTextWidth_Player() { return watermarkTextSize().width(); }
double JXPlayerClass::GetWatermarkTextHeight_Player() { return watermarkTextSize().height(); }

// The text as drawn on the open picture, from what was set for it.
QSizeF JXPlayerClass::watermarkTextSize()
{
    if (!m_player)
        return QSizeF(0, 0);
    auto keptOr = [this](const char *name, double fallback) {
        double value = 0;
        return rz_player_get_values(m_player, name, &value, 1) > 0 ? value : fallback;
    };
    WatermarkTextStyle style;
    style.text = QString::fromUtf8(rz_player_get_text(m_player, "SetWatermarkText"));
    style.family = QString::fromUtf8(rz_player_get_text(m_player, "SetWatermarkTextFont"));
    style.pixelSize = int(keptOr("SetWatermarkTextSize", style.pixelSize));
    style.bold = keptOr("SetWatermarkTextBold", 0) != 0;
    style.italic = keptOr("SetWatermarkTextItalic", 0) != 0;
    double scale[2] = {100, 100};
    if (rz_player_get_values(m_player, "SetWatermarkTextScale", scale, 2) < 2)
        scale[0] = scale[1] = 100;
    style.scaleX = scale[0];
    style.scaleY = scale[1];
    const QSize picture(int(rz_player_get_video_width(m_player)),
                        int(rz_player_get_video_height(m_player)));
    return WatermarkTextGeometry::fractionOfPicture(style, picture);
}
double JXPlayerClass::GetWatermarkTextPosX_Player() { return keptValue("SetWatermarkTextPosition", 0); }
double JXPlayerClass::GetWatermarkTextPosY_Player() { return keptValue("SetWatermarkTextPosition", 1); }

// ---- kept settings -----------------------------------------------------------

bool JXPlayerClass::keep(const char *name, std::initializer_list<double> values)
{
    return keep(name, std::vector<double>(values));
}

bool JXPlayerClass::keep(const char *name, const std::vector<double> &values)
{
    return m_player
        && rz_player_set_values(m_player, name, values.data(), uint32_t(values.size())) != 0;
}

bool JXPlayerClass::keepText(const char *name, const char *text, std::initializer_list<double> values)
{
    const std::vector<double> list(values);
    return m_player
        && rz_player_set_text(m_player, name, text, list.data(), uint32_t(list.size())) != 0;
}

double JXPlayerClass::keptValue(const char *name, unsigned int index)
{
    if (!m_player)
        return 0.0;
    double values[8] = {0};
    const uint32_t count = rz_player_get_values(m_player, name, values, 8);
    return index < count && index < 8 ? values[index] : 0.0;
}

double JXPlayerClass::pointerValue(const void *pointer)
{
    return double(reinterpret_cast<uintptr_t>(pointer));
}

bool JXPlayerClass::EnableShowWhenSetting_Player(unsigned int value)
{
    return keep("EnableShowWhenSetting", {double(value)});
}

bool JXPlayerClass::SetVideoView_Player(void *value)
{
    return keep("SetVideoView", {pointerValue(value)});
}

bool JXPlayerClass::SetOriginalVideoView_Player(void *value)
{
    return keep("SetOriginalVideoView", {pointerValue(value)});
}

bool JXPlayerClass::SetVideoRotate_Player(unsigned int value)
{
    return keep("SetVideoRotate", {double(value)});
}

bool JXPlayerClass::SetVideoMirror_Player(unsigned int value)
{
    return keep("SetVideoMirror", {double(value)});
}

bool JXPlayerClass::SetVideoCropBorderAlpha_Player(unsigned int value)
{
    return keep("SetVideoCropBorderAlpha", {double(value)});
}

bool JXPlayerClass::EnableVideoCropBorder_Player(unsigned int value)
{
    return keep("EnableVideoCropBorder", {double(value)});
}

bool JXPlayerClass::SetVideoSaturation_Player(unsigned int value)
{
    return keep("SetVideoSaturation", {double(value)});
}

bool JXPlayerClass::SetVideoContrast_Player(unsigned int value)
{
    return keep("SetVideoContrast", {double(value)});
}

bool JXPlayerClass::SetVideoHue_Player(unsigned int value)
{
    return keep("SetVideoHue", {double(value)});
}

bool JXPlayerClass::SetVideoYOffset_Player(unsigned int value)
{
    return keep("SetVideoYOffset", {double(value)});
}

bool JXPlayerClass::SetVideoPadAndColor_Player(unsigned int a0, unsigned int a1)
{
    return keep("SetVideoPadAndColor", {double(a0), double(a1)});
}

bool JXPlayerClass::SetVideoAspectRatio_Player(unsigned int a0, unsigned int a1)
{
    return keep("SetVideoAspectRatio", {double(a0), double(a1)});
}

bool JXPlayerClass::SetVideoCrop_Player(double a0, double a1, double a2, double a3)
{
    return keep("SetVideoCrop", {double(a0), double(a1), double(a2), double(a3)});
}

bool JXPlayerClass::SetVideoWatermarkMaxCount_Player(unsigned int value)
{
    return keep("SetVideoWatermarkMaxCount", {double(value)});
}

bool JXPlayerClass::SetWatermarkIndex_Player(unsigned int value)
{
    return keep("SetWatermarkIndex", {double(value)});
}

bool JXPlayerClass::SetWatermarkBorderAlpha_Player(unsigned int value)
{
    return keep("SetWatermarkBorderAlpha", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageFile_Player(const char *value)
{
    return keepText("SetWatermarkImageFile", value, {});
}

bool JXPlayerClass::SetWatermarkImageMaskFile_Player(const char *value)
{
    return keepText("SetWatermarkImageMaskFile", value, {});
}

bool JXPlayerClass::SetWatermarkImageMirror_Player(unsigned int value)
{
    return keep("SetWatermarkImageMirror", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageBrightness_Player(unsigned int value)
{
    return keep("SetWatermarkImageBrightness", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageSaturation_Player(unsigned int value)
{
    return keep("SetWatermarkImageSaturation", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageContrast_Player(unsigned int value)
{
    return keep("SetWatermarkImageContrast", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageHue_Player(unsigned int value)
{
    return keep("SetWatermarkImageHue", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageYOffset_Player(unsigned int value)
{
    return keep("SetWatermarkImageYOffset", {double(value)});
}

bool JXPlayerClass::EnableWatermarkImageBordert_Player(unsigned int value)
{
    return keep("EnableWatermarkImageBordert", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageMixMode_Player(unsigned int value)
{
    return keep("SetWatermarkImageMixMode", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageAlpha_Player(unsigned int value)
{
    return keep("SetWatermarkImageAlpha", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageLoop_Player(unsigned int value)
{
    return keep("SetWatermarkImageLoop", {double(value)});
}

bool JXPlayerClass::EnableWatermarkImageBorder_Player(int value)
{
    return keep("EnableWatermarkImageBorder", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageAngle_Player(int value)
{
    return keep("SetWatermarkImageAngle", {double(value)});
}

bool JXPlayerClass::SetWatermarkImageShowTime_Player(uint64_t a0, uint64_t a1)
{
    return keep("SetWatermarkImageShowTime", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkImageSplitTime_Player(uint64_t a0, uint64_t a1)
{
    return keep("SetWatermarkImageSplitTime", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkImagePosition_Player(double a0, double a1)
{
    return keep("SetWatermarkImagePosition", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkImageSize_Player(double a0, double a1)
{
    return keep("SetWatermarkImageSize", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkImageScale_Player(unsigned int a0, unsigned int a1)
{
    return keep("SetWatermarkImageScale", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkImageCrop_Player(double a0, double a1, double a2, double a3)
{
    return keep("SetWatermarkImageCrop", {double(a0), double(a1), double(a2), double(a3)});
}

bool JXPlayerClass::SetWatermarkText_Player(const char *value)
{
    return keepText("SetWatermarkText", value, {});
}

bool JXPlayerClass::SetWatermarkTextFont_Player(const char *value)
{
    return keepText("SetWatermarkTextFont", value, {});
}

bool JXPlayerClass::SetWatermarkTextFontFile_Player(const char *value)
{
    return keepText("SetWatermarkTextFontFile", value, {});
}

bool JXPlayerClass::SetWatermarkTextLayerTopmost_Player(unsigned int value)
{
    return keep("SetWatermarkTextLayerTopmost", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextSize_Player(unsigned int value)
{
    return keep("SetWatermarkTextSize", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextBold_Player(unsigned int value)
{
    return keep("SetWatermarkTextBold", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextItalic_Player(unsigned int value)
{
    return keep("SetWatermarkTextItalic", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextUnderline_Player(unsigned int value)
{
    return keep("SetWatermarkTextUnderline", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextStrikeout_Player(unsigned int value)
{
    return keep("SetWatermarkTextStrikeout", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextColor_Player(unsigned int value)
{
    return keep("SetWatermarkTextColor", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextShadowColor_Player(unsigned int value)
{
    return keep("SetWatermarkTextShadowColor", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextOutlineColor_Player(unsigned int value)
{
    return keep("SetWatermarkTextOutlineColor", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextAlign_Player(unsigned int value)
{
    return keep("SetWatermarkTextAlign", {double(value)});
}

bool JXPlayerClass::EnableWatermarkTextBorder_Player(unsigned int value)
{
    return keep("EnableWatermarkTextBorder", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextAlpha_Player(unsigned int value)
{
    return keep("SetWatermarkTextAlpha", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextAngle_Player(int value)
{
    return keep("SetWatermarkTextAngle", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextShowTime_Player(uint64_t a0, uint64_t a1)
{
    return keep("SetWatermarkTextShowTime", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkTextScale_Player(unsigned int a0, unsigned int a1)
{
    return keep("SetWatermarkTextScale", {double(a0), double(a1)});
}

bool JXPlayerClass::SetWatermarkTextShadowOffset_Player(double value)
{
    return keep("SetWatermarkTextShadowOffset", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextOutlineSize_Player(double value)
{
    return keep("SetWatermarkTextOutlineSize", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextSpacingH_Player(double value)
{
    return keep("SetWatermarkTextSpacingH", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextSpacingV_Player(double value)
{
    return keep("SetWatermarkTextSpacingV", {double(value)});
}

bool JXPlayerClass::SetWatermarkTextPosition_Player(double a0, double a1)
{
    return keep("SetWatermarkTextPosition", {double(a0), double(a1)});
}

bool JXPlayerClass::SetSubtlAlpha_Player(unsigned int value)
{
    return keep("SetSubtlAlpha", {double(value)});
}

bool JXPlayerClass::SetSubtlTextSize_Player(unsigned int value)
{
    return keep("SetSubtlTextSize", {double(value)});
}

bool JXPlayerClass::SetSubtlTextBold_Player(unsigned int value)
{
    return keep("SetSubtlTextBold", {double(value)});
}

bool JXPlayerClass::SetSubtlTextItalic_Player(unsigned int value)
{
    return keep("SetSubtlTextItalic", {double(value)});
}

bool JXPlayerClass::SetSubtlTextUnderline_Player(unsigned int value)
{
    return keep("SetSubtlTextUnderline", {double(value)});
}

bool JXPlayerClass::SetSubtlTextStrikeout_Player(unsigned int value)
{
    return keep("SetSubtlTextStrikeout", {double(value)});
}

bool JXPlayerClass::SetSubtlTextColor_Player(unsigned int value)
{
    return keep("SetSubtlTextColor", {double(value)});
}

bool JXPlayerClass::SetSubtlTextShadowColor_Player(unsigned int value)
{
    return keep("SetSubtlTextShadowColor", {double(value)});
}

bool JXPlayerClass::SetSubtlTextOutlineColor_Player(unsigned int value)
{
    return keep("SetSubtlTextOutlineColor", {double(value)});
}

bool JXPlayerClass::SetSubtlTextAlign_Player(unsigned int value)
{
    return keep("SetSubtlTextAlign", {double(value)});
}

bool JXPlayerClass::SetSubtlScale_Player(unsigned int a0, unsigned int a1)
{
    return keep("SetSubtlScale", {double(a0), double(a1)});
}

bool JXPlayerClass::SetSubtlDelay_Player(int64_t value)
{
    return keep("SetSubtlDelay", {double(value)});
}

bool JXPlayerClass::SetSubtlTextFont_Player(const char *value)
{
    return keepText("SetSubtlTextFont", value, {});
}

bool JXPlayerClass::SetSubtlTextFontFile_Player(const char *value)
{
    return keepText("SetSubtlTextFontFile", value, {});
}

bool JXPlayerClass::SetSubtlTextAngle_Player(int value)
{
    return keep("SetSubtlTextAngle", {double(value)});
}

bool JXPlayerClass::SetSubtlTextShadowOffset_Player(double value)
{
    return keep("SetSubtlTextShadowOffset", {double(value)});
}

bool JXPlayerClass::SetSubtlTextOutlineSize_Player(double value)
{
    return keep("SetSubtlTextOutlineSize", {double(value)});
}

bool JXPlayerClass::SetSubtlTextSpacingH_Player(double value)
{
    return keep("SetSubtlTextSpacingH", {double(value)});
}

bool JXPlayerClass::SetSubtlTextSpacingV_Player(double value)
{
    return keep("SetSubtlTextSpacingV", {double(value)});
}

bool JXPlayerClass::SetSubtlTextMarginH_Player(double value)
{
    return keep("SetSubtlTextMarginH", {double(value)});
}

bool JXPlayerClass::SetSubtlTextMarginV_Player(double value)
{
    return keep("SetSubtlTextMarginV", {double(value)});
}

bool JXPlayerClass::SetSubtlImageOffsetH_Player(double value)
{
    return keep("SetSubtlImageOffsetH", {double(value)});
}

bool JXPlayerClass::SetSubtlImageOffsetV_Player(double value)
{
    return keep("SetSubtlImageOffsetV", {double(value)});
}

bool JXPlayerClass::SetProgrIndex_Player(unsigned int value)
{
    return keep("SetProgrIndex", {double(value)});
}

bool JXPlayerClass::SetVideoIndex_Player(unsigned int value)
{
    return keep("SetVideoIndex", {double(value)});
}

bool JXPlayerClass::SetAudioIndex_Player(unsigned int value)
{
    return keep("SetAudioIndex", {double(value)});
}

bool JXPlayerClass::SetSubtlIndex_Player(unsigned int value)
{
    return keep("SetSubtlIndex", {double(value)});
}

bool JXPlayerClass::EnableClosedCaption_Player(unsigned int value)
{
    return keep("EnableClosedCaption", {double(value)});
}

bool JXPlayerClass::SetSubtlFile_Player(const char *value)
{
    return keepText("SetSubtlFile", value, {});
}

bool JXPlayerClass::SetSubtlStream_Player(void *value)
{
    return keep("SetSubtlStream", {pointerValue(value)});
}

bool JXPlayerClass::SetSubtlFileEx_Player(const char *a0, unsigned int a1, unsigned int a2)
{
    return keepText("SetSubtlFileEx", a0, {double(a1), double(a2)});
}

bool JXPlayerClass::SetSubtlStreamEx_Player(void *a0, unsigned int a1, unsigned int a2)
{
    return keep("SetSubtlStreamEx", {pointerValue(a0), double(a1), double(a2)});
}

bool JXPlayerClass::SetAudioBackgroundIndex_Player(unsigned int value)
{
    return keep("SetAudioBackgroundIndex", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundLast_Player(unsigned int value)
{
    return keep("SetAudioBackgroundLast", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundLoop_Player(unsigned int value)
{
    return keep("SetAudioBackgroundLoop", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundMixMode_Player(unsigned int value)
{
    return keep("SetAudioBackgroundMixMode", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundVolume_Player(unsigned int value)
{
    return keep("SetAudioBackgroundVolume", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundWeight_Player(unsigned int value)
{
    return keep("SetAudioBackgroundWeight", {double(value)});
}

bool JXPlayerClass::SetAudioBackgroundReset_Player()
{
    return keep("SetAudioBackgroundReset", {});
}

bool JXPlayerClass::SetAudioBackgroundFile_Player(const char *value)
{
    return keepText("SetAudioBackgroundFile", value, {});
}

bool JXPlayerClass::SetAudioBackgroundStream_Player(void *value)
{
    return keep("SetAudioBackgroundStream", {pointerValue(value)});
}

bool JXPlayerClass::SetAudioBackgroundTrack_Player(void *value)
{
    return keep("SetAudioBackgroundTrack", {pointerValue(value)});
}

bool JXPlayerClass::SetAudioBackgroundFileEx_Player(const char *a0, unsigned int a1, unsigned int a2)
{
    return keepText("SetAudioBackgroundFileEx", a0, {double(a1), double(a2)});
}

bool JXPlayerClass::SetAudioBackgroundStreamEx_Player(void *a0, unsigned int a1, unsigned int a2)
{
    return keep("SetAudioBackgroundStreamEx", {pointerValue(a0), double(a1), double(a2)});
}

bool JXPlayerClass::SetAudioBackgroundChannelMix_Player(unsigned int *a0, unsigned int a1)
{
    std::vector<double> v;
    for (unsigned int i = 0; a0 && i < a1; ++i)
        v.push_back(a0[i]);
    return keep("SetAudioBackgroundChannelMix", v);
}

bool JXPlayerClass::SetAudioBackgroundEqualize_Player(double *a0, double *a1, unsigned int a2)
{
    std::vector<double> v;
    for (unsigned int i = 0; a0 && a1 && i < a2; ++i)
        v.push_back(a0[i]);
    for (unsigned int i = 0; a0 && a1 && i < a2; ++i)
        v.push_back(a1[i]);
    return keep("SetAudioBackgroundEqualize", v);
}

bool JXPlayerClass::SetAudioBackgroundShowTime_Player(uint64_t a0, uint64_t a1)
{
    return keep("SetAudioBackgroundShowTime", {double(a0), double(a1)});
}

bool JXPlayerClass::SetAudioBackgroundSplitTime_Player(uint64_t a0, uint64_t a1)
{
    return keep("SetAudioBackgroundSplitTime", {double(a0), double(a1)});
}
