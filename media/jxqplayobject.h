#pragma once
// The library view's playback engine: one player of the codec layer driven by
// the playback bar (open, play, pause, stop, seek, volume), reporting
// progress, time texts, the end of playback and wave data through signals,
// with a position timer, a screen timer and a waveform timer on the GUI thread.

#include "media/jxframemailbox.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>

class QTimer;
class VideoFrameWindow;

class JXQPlayObject : public QObject
{
    Q_OBJECT
public:
    explicit JXQPlayObject(QObject *parent = nullptr);
    ~JXQPlayObject() override;

    void SetPlayFile(const QString &path, unsigned int width, unsigned int height);
    void InitPlay();
    void InitPlayViewParameter();
    void IsNoVideoSet();
    void setPlayWindows(VideoFrameWindow *window);
    uint64_t getCurrentPlayerPos() const;
    uint64_t getDuration() const;
    bool isStopPlay() const;
    bool isPausePlay() const;
    void StopWithoutFinishSignal();
    void CloseWithoutFinishSignal();

    // Called on the codec layer's thread: copies the frame and hands the copy
    // to the window on the GUI thread; 1 when a frame was handed on.
    uint32_t DrawVideoFrame(void *frame);

signals:
    void emitPlayTime(QString time);
    void emitCurPlayTime(QString time);
    // A copy of a wave-data block and its count (the block's value at byte 24
    // halved); an empty block with 0 clears the waveform.
    void emitAudioData(QByteArray block, int count);
    void emitPlayFinish();
    void emitIsHaveVideo(bool bHave);
    void emitPlayState(bool bPlay);
    void emitPlayPro(double progress);
    void emitClosePlay();
    void emitRefreshPlayView();
    // The opened file's cover; read only while something is connected.
    void emitCoverImage(QImage image);
    // Playback stopped before its end, or could not start, because its sound
    // output failed (the sound server went away), or a seek failed (playback
    // is then paused where it was, or stopped); message is for the user.
    void emitPlayError(QString message);

public slots:
    void setSoundVolume(int value);
    void ProgressValueChange(double ratio);
    void setPlayerSeek(uint64_t time);
    void OnBtnStop();
    void closePlay();
    void OnPlayVideo();
    void OnPauseVideo();
    void StartPlay();
    void pausePlay();
    void ResizeVideoWindow(bool keepScale);
    void videoFrameStepUp();
    void videoFrameStepDown();
    void Screenshots(QString outPath);
    QImage getCoverImage(QString filePath);
    void beginAsyncSeek();
    void endAsyncSeek();
    void UpdateTime();
    void UpdataScreen();
    void OnAudioDataTime();
    void VideoFinished();
    void ShowTime(uint64_t time);

public:
    // The player's thread could not open the sound output of an accepted play.
    void onPlayFailed();

private:
    bool canStop() const;
    bool createPlayer();
    void frameStep(int direction);
    // After a refused seek: the bar shows where the player stayed and why.
    void reportFailedSeek();
    // The bar shows the player at rest where it stands, with no wave.
    void showStopped();

    void *m_player = nullptr;
    QPointer<VideoFrameWindow> m_window;
    JXFrameMailbox m_frames;
    std::atomic<bool> m_hasWindow{false};
    float m_volume = 100.0f;
    bool m_audioOnly = false;
    bool m_keepScale = true;
    QTimer *m_positionTimer = nullptr;
    QTimer *m_screenTimer = nullptr;
    QTimer *m_waveTimer = nullptr;
};

// The frame callback the engine registers with its player.
uint32_t VideoFrameLoop(void *frame, void *context);
