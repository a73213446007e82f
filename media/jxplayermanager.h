#pragma once
// The preview engine of the recording editor: one player of the codec layer,
// opened on the edited recording, played, paused, stopped and seeked from the
// editor's controls; position, progress and time texts as signals; wave data
// for the waveform display; decoded pictures handed to two display windows
// (the edited and the unedited picture); the trim range and segment playback;
// every part of an edit record applied to the player; and the crop and
// watermark rectangles dragged with the mouse on the display windows.
//
// The methods live in four files: jxplayermanager.cpp (opening, transport,
// timers, texts, pictures), jxplayermanager_trim.cpp (trim range and segment
// playback), jxplayermanager_apply.cpp (edit record to player) and
// jxplayermanager_mouse.cpp (crop and watermark dragging).

#include "media/jxframemailbox.h"
#include "media/jxopenedmedia.h"
#include "media/jxrectedit.h"
#include "media/jxtrimrange.h"
#include "media/veeditconfig.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <atomic>
#include <cstdint>

class IMediaElementWindow;
class JXInfoClass;
class JXPlayerClass;
class QMouseEvent;
class QTimer;

class JXPlayerManager : public QObject
{
    Q_OBJECT
public:
    explicit JXPlayerManager(QObject *parent = nullptr);
    ~JXPlayerManager() override;

    // --- Set-up and opening ---
    bool createrPlayer(bool flag);
    bool setPlayFile(const QString &path, unsigned width, unsigned height, unsigned maxWatermarks);
    bool setPlayFile(const QString &path, const VEEditConfig &config, unsigned maxWatermarks);
    bool setPlayer(void *handle, unsigned width, unsigned height, unsigned maxWatermarks);
    // Takes over a file opened on a worker (its player and information
    // handle) in place of the file open before; false, as for a file that
    // did not open, when it holds no opened player.
    bool setOpenedMedia(JXOpenedMedia media, unsigned width, unsigned height, unsigned maxWatermarks);
    void setIsM4VPlayer(bool on) { m_isM4VPlayer = on; }
    void setWaveFreq(unsigned freq) { m_waveFreq = freq; }

    // --- Display windows ---
    void setMediaPreviewWindow(IMediaElementWindow *window);
    void setMediaOriginalWindow(IMediaElementWindow *window);
    void resizeVideoWindow();
    bool captureImage(const QString &path, const QString &format);

    // --- State ---
    uint64_t getDuration() const;
    uint64_t getPlaylength() const;
    // Width in the low, height in the high 32 bits.
    uint64_t getVideoSize() const;
    uint64_t getResolutionSize() const;
    JXPlayerClass *getPlayerClass() const { return m_player; }
    bool isAudioOnly() const { return m_audioOnly != 0; }
    float soundVolume() const { return m_volume; }
    void playFinished();

    // --- Trim range ---
    void setTrimTime(uint64_t start, uint64_t end);
    void setIsTrim(bool on) { m_trim.isTrim = on; }
    bool getIsTrim() const { return m_trim.isTrim; }
    const JXTrimRange &trimRange() const { return m_trim; }

    // --- Edit record to player ---
    void setEditConfig(const VEEditConfig &config);
    void setAudioEffectSettings(VEAudioEffectSetting settings);
    void setEqualizeSettings(VEEqualizeSettings settings);
    void setVideoEffectSettings(VEVideoEffectSettings settings);
    void setAudioBackgroundSettingsSource(VEAudioBackgroundSettings settings, int index);
    void setAudioBackgroundSettingsNotSource(VEAudioBackgroundSettings settings, int index);
    void setSubtitleSettings(VESubtitleSettings settings);
    void setProgramValueInfo(VEProgramValueInfo info);
    void setSubtitleValueInfo(VESubtitleValue_Info info);
    void setCropSettings(VECropSettings settings);
    void cropSettings(const VECropSettings &settings);
    void getCropSettings(VECropSettings &settings) const { settings = m_crop; }
    void setPanScanMode(PanScanMode mode) { m_panScanMode = mode; }
    uint64_t getCropMinSize() const;
    uint64_t getCropVCMinSize() const;
    void setWatermarkSettingsSource(VEWatermarkSettings settings, int index);
    void setWatermarkSettingsNotSource(VEWatermarkSettings settings, int index);
    void setWatermarkSettingsList(const QList<VEWatermarkSettings> &list);
    void setCurrentWatermarkSettings(const VEWatermarkSettings &settings, int index, bool refresh);
    void setCurrentWatermarkSettingsNotSource(const VEWatermarkSettings &settings, int index,
                                              bool refresh);
    void getCurrentWatermarkSettings(VEWatermarkSettings &settings, int &index) const;

    // --- Mouse editing behind the watermark slots ---
    bool WatermarkTextDown(QMouseEvent *event);
    bool WatermarkTextMove(QMouseEvent *event);
    bool WatermarkTextUp(QMouseEvent *event);
    bool WatermarkImageDown(QMouseEvent *event);
    bool WatermarkImageMove(QMouseEvent *event);
    bool WatermarkImageUp(QMouseEvent *event);

    // Frame callbacks the player calls on its own thread (context = manager).
    static uint32_t VideoEditFrameLoop(void *frame, void *context);
    static uint32_t OrignalVideEditoFrameLoop(void *frame, void *context);
    uint32_t DrawVideoFrame(void *frame);
    uint32_t DrawOrignalVideoFrame(void *frame);

    // The player's thread could not open the sound output of an accepted play.
    void onPlayFailed();

public slots:
    void progressValueChange(double value);
    void beginAsyncSeek();
    void endAsyncSeek();
    void onStop();
    void onPlay();
    void onPause();
    void closePlay();
    void startPlay();
    void pausePlay();
    void setSoundVolume(int volume);
    void updateTime();
    void updataScreen();
    void audioDataChanged();

    void onTrim(uint64_t startTime, uint64_t endTime);
    void onTrimChapter(uint64_t startTime, uint64_t endTime);
    void onReset();
    void onTrimPlay(float startPos, float endPos);
    void onTrimPause();
    void onPreviousStep(bool isSeek, float value);
    void onNextStep(bool isSeek, float value);

    void mousePressEvent(QMouseEvent *event);
    void mouseMoveEvent(QMouseEvent *event);
    void mouseReleaseEvent(QMouseEvent *event);
    void mouseWatermarkPressEvent(QMouseEvent *event);
    void mouseWatermarkMoveEvent(QMouseEvent *event);
    void mouseWatermarkReleaseEvent(QMouseEvent *event);

signals:
    void emitPlayProgress(double value);
    void emitStartEndProgressValue(float percent);
    void emitPlayFinish();
    // Playback stopped before its end, or could not start, because its sound
    // output failed (the sound server went away), or a seek failed (playback
    // is then paused where it was, or stopped); message is for the user.
    void emitPlayError(QString message);
    void emitPlayTime(const QString &text);
    void emitPlayTime2(const QString &text);
    // A copy of the wave block (empty clears the display), safe for queued receivers.
    void emitAudioData(QByteArray block, int rate);
    void emitClosePlay();
    void emitPlayState(bool bPlay);
    void emitPlayState(bool bPlay, bool isTrim);
    void emitIsHaveVideo(bool bHave);
    void emitPlayerChange();
    void emitTrimPlayState(bool playing);
    void emitTrimTimeChange(uint64_t trimStartTime, uint64_t trimEndTime);
    void emitCropAreaChange(VECropSettings settings);
    void emitWatermarkRectChange(VEWatermarkSettings watermarkSettings, int currentWatermarkIndex);

private:
    bool hasPlayer() const;
    void initData();
    void initPlayerManager();
    bool afterOpen(bool opened, const QByteArray &path, bool dvd, void *handle);
    void checkStreams();
    void basePause();
    void showTime(uint64_t position);
    void showTime2(uint64_t position);
    void reportZero();
    // After a refused seek: the dialog shows where the player stayed and why.
    void reportFailedSeek();
    // Opens a file in a player of this manager's own, made when there is none.
    bool openOwnPlayer(const QByteArray &utf8Path, unsigned width, unsigned height);
    // After the trim range changed: stopped, at its start, the times at 0.
    void restartInRange();
    // Back at rest after a failed play or seek: no trim play, the play timers
    // stopped, the picture refreshed.
    void comeToRest();
    void reportStep();
    void startScreenTimer();
    void stopPlayTimers();

    // Pictures: copied on the library's thread, drawn on the GUI thread.
    uint32_t DrawVideo(void *frame, const std::atomic<bool> &hasWindow, JXFrameMailbox &box);
    void deliverFrames();

    // Edit record to player (jxplayermanager_apply.cpp).
    void applyWatermark(const VEWatermarkSettings &w, bool withSource);
    void applyCurrentWatermark(const VEWatermarkSettings &w, int index, bool refresh,
                               bool withSource);
    void applyCrop(VECropSettings &c);
    void CalcCropPanScan(VECropSettings &c);
    bool panScanInForce(const VECropSettings &c) const;

    // Mouse editing (jxplayermanager_mouse.cpp).
    JXRectEdit::FracRect shownCropRect() const;
    void setSenderCursor(int handle);
    JXRectEdit::FracRect watermarkRect(bool text) const;
    bool watermarkEnabled(bool text) const;
    bool watermarkDown(QMouseEvent *event, bool text);
    bool watermarkMove(QMouseEvent *event, bool text);
    void cropMinPixels(const QRect &element, int &minWidth, int &minHeight) const;
    void cropRatioFromDrag();

    bool m_isM4VPlayer = false;
    JXPlayerClass *m_player = nullptr;
    quint64 m_eventHandleId = 0; // JXPlayerClass::handleId of the handle whose events come here
    JXInfoClass *m_info = nullptr;
    QTimer *m_positionTimer = nullptr;
    QTimer *m_screenTimer = nullptr;
    QTimer *m_waveTimer = nullptr;
    IMediaElementWindow *m_originalWindow = nullptr;
    IMediaElementWindow *m_previewWindow = nullptr;
    int32_t m_audioOnly = 1;
    int32_t m_outputWidth = 0;
    int32_t m_outputHeight = 0;
    float m_volume = 0;
    unsigned m_waveFreq = 1;
    JXTrimRange m_trim;

    VECropSettings m_crop;
    uint32_t m_panScanMode = PanScanNone;
    VEWatermarkSettings m_watermark;
    int m_watermarkIndex = -1;
    int m_sentWatermarkIndex = -1;
    int m_lastWatermarkType = 1; // 1 text, 0 image

    int m_cropHandle = JXRectEdit::NoHandle;
    int m_textHandle = JXRectEdit::NoHandle;
    int m_imageHandle = JXRectEdit::NoHandle;
    QPoint m_pressPoint;
    JXRectEdit::FracRect m_pressRect;
    double m_pressScaleX = 100, m_pressScaleY = 100;

    // Read on the library's thread: whether a picture has a window to go to.
    std::atomic<bool> m_previewShown{false};
    std::atomic<bool> m_originalShown{false};
    JXFrameMailbox m_previewBox;
    JXFrameMailbox m_originalBox;
};
