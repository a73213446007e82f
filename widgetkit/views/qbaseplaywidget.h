#pragma once
// Minimal video player: a player of the codec layer bound to a letter-boxing
// video window and an exchangeable control bar. Pictures arrive on the
// player's thread and go straight into the video window's frame queue;
// everything else runs on the GUI thread.

#include "widgetkit/qjxwidget.h"

#include <QBasicTimer>
#include <QMutex>
#include <QPointer>

#include <cstdint>

class QBasePlayControl;
class QBaseVideoWindow;

class QBasePlayWidget : public QJXWidget
{
    Q_OBJECT
public:
    explicit QBasePlayWidget(QWidget *parent = nullptr);
    ~QBasePlayWidget() override;

    virtual void setPlayControlWgt(QBasePlayControl *bar);
    // Opens the file (scaled to width × height unless 0 × 0); false, with the
    // time shown as 0, when it cannot be played.
    virtual bool setPlayFile(const QString &path, unsigned int width, unsigned int height);
    // Plays a player the caller opened; this widget takes a handle of its own.
    virtual bool setPlayObject(void *player);
    virtual void *getPlayObject() const { return m_player; }
    virtual void setVideoPreviewWgt(QBaseVideoWindow *window);
    virtual QBaseVideoWindow *VideoPreviewWgt() const { return m_videoWindow; }
    // Player's thread: hands one decoded picture to the video window.
    virtual void drawVideoFrame(void *frame);
    virtual bool isPlaying() const;
    virtual uint64_t playDuration() const;
    virtual void showTime(uint64_t position);
    virtual void ResizeVideoWindow();
    quint32 volume() const { return m_volume; }

public slots:
    virtual void OnPlay();
    virtual void OnPause();
    virtual void OnStop();
    virtual void showPlayOrPause(bool playing);
    virtual void playObjChange(void *player);
    virtual void playUpdataTimer();
    virtual void updataScreenTimer();
    virtual void playPosChange(uint64_t position, uint64_t duration);
    virtual void progressValueChange(double fraction);
    virtual void volumeValueChange(quint32 volume);
    virtual void frameStepUp();
    virtual void frameStepDown();
    virtual void setCtrlProgress(double percent);
    virtual void setCtrlVolume(quint32 volume);

protected:
    void resetControlLocation() override;
    virtual void InitPayerView();
    void InitWgt();
    void timerEvent(QTimerEvent *event) override;

private:
    static uint32_t frameCallback(void *frame, void *context);
    bool bindPlayer(void *player, bool opened);
    void releasePlayer();
    void startScreenTimer();

    QBasicTimer m_positionTimer;
    QBasicTimer m_screenTimer;
    void *m_player = nullptr;
    bool m_windowHandedIn = false;
    QBaseVideoWindow *m_videoWindow = nullptr;
    QPointer<QBasePlayControl> m_bar;
    quint32 m_volume = 100;
    // Guards the window pointer the player's thread reads.
    QMutex m_windowMutex;
};
