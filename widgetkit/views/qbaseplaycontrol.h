#pragma once
// Control bar of the minimal player: what it asks of the player as signals,
// and what the player shows on it as abstract operations.

#include <QWidget>

#include <cstdint>

class QBasePlayControl : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void showPlayOrPause(bool playing) = 0;
    // Progress in percent of the length.
    virtual void setProgress(double percent) = 0;
    // Microseconds.
    virtual void showTime(uint64_t position, uint64_t duration) = 0;
    virtual void setVolume(quint32 volume) = 0;
    virtual void showFullScreenState(bool fullScreen) = 0;

signals:
    void emitPlay();
    void emitPause();
    void emitStop();
    void emitProgressChange(double fraction);
    void emitVolumeChange(quint32 volume);
    void emitFullScreen();
    void emitExitFullScreen();
    void emitFrameStepUp();
    void emitFrameStepDown();
};
