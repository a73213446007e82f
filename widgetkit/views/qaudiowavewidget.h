#pragma once
// The level values painted as a waveform mirrored about the horizontal centre
// line, every third bar, with shaded halo lines above and below. Nothing is
// filled behind it, so the parent shows through.

#include "widgetkit/views/qaudiodatawidget.h"

class QAudioWaveWidget : public QAudioDataWidget
{
    Q_OBJECT
public:
    QAudioWaveWidget(QWidget *parent, AudioDataAttribute *attribute);

    // Halo lines on each side; the second value is kept for callers only.
    void SetHaloHeight(int haloCount, int second);
    int haloCount() const { return m_haloCount; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_haloCount = 6;
    int m_haloSecond = 2;
};
