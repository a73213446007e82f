#pragma once
// The pane shown while a recording runs: the recorded time in an LCD font,
// the live waveform, a volume button with its popup, and the silence watch
// that asks for a split when the recording has been silent for longer than
// the preferences allow. It also reports once per recording that sound was
// heard.

#include "widgetkit/qjxwidget.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

namespace Ui {
class QRecordingWidget;
}
class QAudioWaveWidget;
class QJXBaseSlider;
class QTimer;
class QVolumeWidget;

class QRecordingWidget : public QJXWidget
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    explicit QRecordingWidget(QWidget *parent = nullptr);
    ~QRecordingWidget() override;

    // The time the silence watch measures by; the local clock unless set.
    void setClock(Clock clock);

    // true: a recording has started (waveform shown, silence watch running);
    // false: it stopped.
    void SetRecordState(bool recording);
    void ChangeBtnVolImage(double fraction);
    void ChangeBtnVolImage(int value);

    // The picture the volume button shows, relative to the resource folder.
    QString volumeImage() const { return m_volumeImage; }
    QVolumeWidget *volumePopup() const { return m_volumeWidget; }
    QAudioWaveWidget *waveWidget() const { return m_waveWidget; }

signals:
    void emitVolumeChange(double value);
    void emitSplitSilence();
    // Only ever false: the first block with sound of a recording arrived.
    void emitIsRecordingAlwaysSilence(bool bSilence);

public slots:
    void OnSetAudioData(unsigned char *samples, int sps);
    void OnSetRecordTime(uint64_t time);
    void OnSetVolume(int nValue);

private slots:
    void OnCheckSilence();
    void OnBtnVolume();
    void OnVolumeChange(double dVal);

protected:
    void resetControlLocation() override;

private:
    void InitCtrl();
    // Forgets any silence noticed before, so a new recording is judged on
    // its own blocks.
    void restartSilenceClock();
    void fitTimeFont();

    Ui::QRecordingWidget *ui;
    QAudioWaveWidget *m_waveWidget = nullptr;
    QTimer *m_timerSilence = nullptr;
    bool m_bLastSilent = true;
    QDateTime m_dtSilenceStart;
    // Silence is counted only while sound comes: a capture the server holds
    // back (and hands over late, in a burst) is no silence.
    bool m_heardSinceCheck = false;
    QDateTime m_lastCheck;
    Clock m_clock;
    bool m_bAlwaysSilent = true;
    QJXBaseSlider *m_volumeSlider = nullptr;
    QVolumeWidget *m_volumeWidget = nullptr;
    QString m_volumeImage;
    // The whole second the time label shows: the time comes ten times as often.
    qint64 m_shownSecond = 0;
};
