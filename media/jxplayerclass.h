#pragma once
// One player of the codec layer behind named operations. The lifecycle members
// create, reference and release the handle; every other member forwards to
// the player and returns false (0, 0.0, null) without touching anything when
// there is no handle. Settings the player keeps without drawing them
// (picture, watermark, subtitle, stream, background sound) are stored under
// the member's name and can be read back from the handle.

#include "rzcodec/types.h"

#include <QObject>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

class JXPlayerClass : public QObject
{
    Q_OBJECT
public:
    explicit JXPlayerClass(QObject *parent = nullptr);
    ~JXPlayerClass() override;

    // Lifecycle.
    void *Create_Player(bool flag);
    void Release_Player();
    // Hands the handle over (this object then has none); null when there is none.
    void *Take_Player();
    // Stops, closes and releases a handle no object holds; null is ignored.
    static void releaseHandle(void *player);
    bool Reference_Player(void *other);
    // Takes over a player handle made (and opened) elsewhere; it counts as
    // opened when it holds a file.
    void Adopt_Player(void *handle, bool opened);
    bool IsCreatePlayer() const { return m_player != nullptr; }
    void *getPlayer() const { return m_player; }
    // Tells the handles this class held apart, where an address may come
    // again: a new number for every handle created or referenced in the
    // process, 0 while there is none.
    quint64 handleId() const { return m_handleId; }
    bool IsOpenPlayerSuccess() const { return m_bOpenSuccess; }
    bool OpenEx_Player(const char *path, unsigned int width, unsigned int height,
                       unsigned int reserved1, unsigned int reserved2);
    bool OpenDVD_ExPlayer(const char *path, unsigned int width, unsigned int height,
                          unsigned int reserved1, unsigned int reserved2);

    // State.
    bool IsCompleted_Player();
    bool IsStop_Player();
    bool IsPause_Player();
    bool IsRunning_Player();
    bool HasVideo_Player();
    bool HasAudio_Player();
    bool CanSeek_Player();
    bool HasVideoAndAudio_Player();
    // Why the last playback ended before its end or play failed: its sound
    // output failed or could not be opened ("" when it did not).
    QString GetErrorText_Player();
    // What the user is told when the sound output cut a playback short, or
    // kept it from starting, for the reason above.
    static QString playbackStoppedMessage(const QString &reason);
    static QString playbackFailedMessage(const QString &reason);
    static QString seekFailedMessage(const QString &reason);

    // Times (microseconds) and sizes (width in the low 32 bits, height in the high).
    uint64_t GetDuration_Player();
    uint64_t GetPlayTime_Player();
    uint64_t GetVideoTime_Player();
    uint64_t GetVideoSize_Player();
    uint64_t GetVideoAspectRatio_Player();

    // Transport.
    bool Close_Player();
    bool Play_Player();
    bool Pause_Player();
    bool Stop_Player();
    bool Seek_Player(uint64_t time);
    bool FastSeek_Player(uint64_t time, int flags);
    bool BeginAsyncSeek_Player(uint64_t time);
    bool EndAsyncSeek_Player();
    bool FrameStep_Player(int frames);
    bool KeyFrameStep_Player(int direction);
    bool ChangeSpeed_Player(int percent);
    bool EnableLoop_Player(int on);

    // Display.
    bool BeginSettings_Player();
    bool EndSettings_Player();
    bool SetVideoFrameHandle_Player(RZFrameCallback callback, void *context);
    bool SetOriginalVideoFrameHandle_Player(RZFrameCallback callback, void *context);
    bool SetTimeInterval_Player(uint64_t microseconds);
    bool ShowVideoFrame_Player();
    bool UpdateVideoFrame_Player();
    bool RefreshVideoFrame_Player();

    // Snapshot (a BMP file in memory) and wave data.
    unsigned char *CaptureVideoImage_Player(unsigned int width, unsigned int height,
                                            unsigned int reserved);
    bool FreeVideoImage_Player(unsigned char *image);
    bool EnableAudioWaveData_Player(unsigned int on);
    unsigned char *GetAudioWaveData_Player(unsigned int kind);
    bool FreeAudioWaveData_Player(unsigned char *data);

    // Sound.
    bool SetAudioEqualize_Player(double *bands, double *gains, unsigned int count);
    bool SetAudioRate_Player(uint64_t percent);
    bool SetAudioVolume_Player(uint64_t percent);

    // Watermark geometry read back from the kept settings.
    double GetWatermarkImageWidth_Player();
    double GetWatermarkImageHeight_Player();
    double GetWatermarkImagePosX_Player();
    double GetWatermarkImagePosY_Player();
    // The text watermark's drawn size as fractions of the picture.
    double GetWatermarkTextWidth_Player();
    double GetWatermarkTextHeight_Player();
    double GetWatermarkTextPosX_Player();
    double GetWatermarkTextPosY_Player();

    // Display
    bool EnableShowWhenSetting_Player(unsigned int value);
    bool SetVideoView_Player(void *value);
    bool SetOriginalVideoView_Player(void *value);
    // Picture
    bool SetVideoRotate_Player(unsigned int value);
    bool SetVideoMirror_Player(unsigned int value);
    bool SetVideoCropBorderAlpha_Player(unsigned int value);
    bool EnableVideoCropBorder_Player(unsigned int value);
    bool SetVideoSaturation_Player(unsigned int value);
    bool SetVideoContrast_Player(unsigned int value);
    bool SetVideoHue_Player(unsigned int value);
    bool SetVideoYOffset_Player(unsigned int value);
    bool SetVideoPadAndColor_Player(unsigned int a0, unsigned int a1);
    bool SetVideoAspectRatio_Player(unsigned int a0, unsigned int a1);
    bool SetVideoCrop_Player(double a0, double a1, double a2, double a3);
    // Watermark
    bool SetVideoWatermarkMaxCount_Player(unsigned int value);
    bool SetWatermarkIndex_Player(unsigned int value);
    bool SetWatermarkBorderAlpha_Player(unsigned int value);
    // Watermark image
    bool SetWatermarkImageFile_Player(const char *value);
    bool SetWatermarkImageMaskFile_Player(const char *value);
    bool SetWatermarkImageMirror_Player(unsigned int value);
    bool SetWatermarkImageBrightness_Player(unsigned int value);
    bool SetWatermarkImageSaturation_Player(unsigned int value);
    bool SetWatermarkImageContrast_Player(unsigned int value);
    bool SetWatermarkImageHue_Player(unsigned int value);
    bool SetWatermarkImageYOffset_Player(unsigned int value);
    bool EnableWatermarkImageBordert_Player(unsigned int value);
    bool SetWatermarkImageMixMode_Player(unsigned int value);
    bool SetWatermarkImageAlpha_Player(unsigned int value);
    bool SetWatermarkImageLoop_Player(unsigned int value);
    bool EnableWatermarkImageBorder_Player(int value);
    bool SetWatermarkImageAngle_Player(int value);
    bool SetWatermarkImageShowTime_Player(uint64_t a0, uint64_t a1);
    bool SetWatermarkImageSplitTime_Player(uint64_t a0, uint64_t a1);
    bool SetWatermarkImagePosition_Player(double a0, double a1);
    bool SetWatermarkImageSize_Player(double a0, double a1);
    bool SetWatermarkImageScale_Player(unsigned int a0, unsigned int a1);
    bool SetWatermarkImageCrop_Player(double a0, double a1, double a2, double a3);
    // Watermark text
    bool SetWatermarkText_Player(const char *value);
    bool SetWatermarkTextFont_Player(const char *value);
    bool SetWatermarkTextFontFile_Player(const char *value);
    bool SetWatermarkTextLayerTopmost_Player(unsigned int value);
    bool SetWatermarkTextSize_Player(unsigned int value);
    bool SetWatermarkTextBold_Player(unsigned int value);
    bool SetWatermarkTextItalic_Player(unsigned int value);
    bool SetWatermarkTextUnderline_Player(unsigned int value);
    bool SetWatermarkTextStrikeout_Player(unsigned int value);
    bool SetWatermarkTextColor_Player(unsigned int value);
    bool SetWatermarkTextShadowColor_Player(unsigned int value);
    bool SetWatermarkTextOutlineColor_Player(unsigned int value);
    bool SetWatermarkTextAlign_Player(unsigned int value);
    bool EnableWatermarkTextBorder_Player(unsigned int value);
    bool SetWatermarkTextAlpha_Player(unsigned int value);
    bool SetWatermarkTextAngle_Player(int value);
    bool SetWatermarkTextShowTime_Player(uint64_t a0, uint64_t a1);
    bool SetWatermarkTextScale_Player(unsigned int a0, unsigned int a1);
    bool SetWatermarkTextShadowOffset_Player(double value);
    bool SetWatermarkTextOutlineSize_Player(double value);
    bool SetWatermarkTextSpacingH_Player(double value);
    bool SetWatermarkTextSpacingV_Player(double value);
    bool SetWatermarkTextPosition_Player(double a0, double a1);
    // Subtitle style
    bool SetSubtlAlpha_Player(unsigned int value);
    bool SetSubtlTextSize_Player(unsigned int value);
    bool SetSubtlTextBold_Player(unsigned int value);
    bool SetSubtlTextItalic_Player(unsigned int value);
    bool SetSubtlTextUnderline_Player(unsigned int value);
    bool SetSubtlTextStrikeout_Player(unsigned int value);
    bool SetSubtlTextColor_Player(unsigned int value);
    bool SetSubtlTextShadowColor_Player(unsigned int value);
    bool SetSubtlTextOutlineColor_Player(unsigned int value);
    bool SetSubtlTextAlign_Player(unsigned int value);
    bool SetSubtlScale_Player(unsigned int a0, unsigned int a1);
    bool SetSubtlDelay_Player(int64_t value);
    bool SetSubtlTextFont_Player(const char *value);
    bool SetSubtlTextFontFile_Player(const char *value);
    bool SetSubtlTextAngle_Player(int value);
    bool SetSubtlTextShadowOffset_Player(double value);
    bool SetSubtlTextOutlineSize_Player(double value);
    bool SetSubtlTextSpacingH_Player(double value);
    bool SetSubtlTextSpacingV_Player(double value);
    bool SetSubtlTextMarginH_Player(double value);
    bool SetSubtlTextMarginV_Player(double value);
    bool SetSubtlImageOffsetH_Player(double value);
    bool SetSubtlImageOffsetV_Player(double value);
    // Streams
    bool SetProgrIndex_Player(unsigned int value);
    bool SetVideoIndex_Player(unsigned int value);
    bool SetAudioIndex_Player(unsigned int value);
    bool SetSubtlIndex_Player(unsigned int value);
    bool EnableClosedCaption_Player(unsigned int value);
    bool SetSubtlFile_Player(const char *value);
    bool SetSubtlStream_Player(void *value);
    bool SetSubtlFileEx_Player(const char *a0, unsigned int a1, unsigned int a2);
    bool SetSubtlStreamEx_Player(void *a0, unsigned int a1, unsigned int a2);
    // Background sound
    bool SetAudioBackgroundIndex_Player(unsigned int value);
    bool SetAudioBackgroundLast_Player(unsigned int value);
    bool SetAudioBackgroundLoop_Player(unsigned int value);
    bool SetAudioBackgroundMixMode_Player(unsigned int value);
    bool SetAudioBackgroundVolume_Player(unsigned int value);
    bool SetAudioBackgroundWeight_Player(unsigned int value);
    bool SetAudioBackgroundReset_Player();
    bool SetAudioBackgroundFile_Player(const char *value);
    bool SetAudioBackgroundStream_Player(void *value);
    bool SetAudioBackgroundTrack_Player(void *value);
    bool SetAudioBackgroundFileEx_Player(const char *a0, unsigned int a1, unsigned int a2);
    bool SetAudioBackgroundStreamEx_Player(void *a0, unsigned int a1, unsigned int a2);
    bool SetAudioBackgroundChannelMix_Player(unsigned int *a0, unsigned int a1);
    bool SetAudioBackgroundEqualize_Player(double *a0, double *a1, unsigned int a2);
    bool SetAudioBackgroundShowTime_Player(uint64_t a0, uint64_t a1);
    bool SetAudioBackgroundSplitTime_Player(uint64_t a0, uint64_t a1);

private:
    bool keep(const char *name, std::initializer_list<double> values);
    bool keep(const char *name, const std::vector<double> &values);
    bool keepText(const char *name, const char *text, std::initializer_list<double> values);
    double keptValue(const char *name, unsigned int index);
    QSizeF watermarkTextSize();
    static double pointerValue(const void *pointer);

    void *m_player = nullptr;
    quint64 m_handleId = 0;
    bool m_bOpenSuccess = false;
};
