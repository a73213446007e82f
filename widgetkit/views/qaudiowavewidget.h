#pragma once
// The level values painted as a waveform mirrored about the horizontal centre
// line, every third bar, with shaded halo lines above and below. Nothing is
// filled behind it, so the parent shows through.
//
// What lies under it is kept as a picture, taken from the window once it is
// shown and again after each move or resize: a new block then repaints this
// widget alone, over that picture, instead of every widget beneath it too.
// The picture with the last block's wave is kept as well: a repaint between
// blocks (the window uncovered, or grabbed) shows it without drawing again.

#include "widgetkit/views/qaudiodatawidget.h"

#include <QImage>
#include <QRect>
#include <QPolygonF>
#include <QVector>

class QAudioWaveWidget : public QAudioDataWidget
{
    Q_OBJECT
public:
    QAudioWaveWidget(QWidget *parent, AudioDataAttribute *attribute);

    // Halo lines on each side; the second value is kept for callers only.
    void SetHaloHeight(int haloCount, int second);
    int haloCount() const { return m_haloCount; }

    // The picture of what lies under the widget is held (it then paints
    // opaque, over that picture).
    bool holdsBackground() const { return !m_background.isNull(); }
    // Takes the picture again at the next block, e.g. after the window under
    // the widget changed its look.
    void invalidateBackground();

protected:
    void blockArrived() override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void captureBackground();
    // Into direct, when given, the halo lines go as pixels (the painter
    // paints on it).
    void drawWave(QPainter &p, QImage *direct);

    int m_haloCount = 6;
    int m_haloSecond = 2;
    QImage m_background;
    QImage m_frame; // the picture beneath with the wave, composed for each block
    bool m_frameValid = false; // m_frame shows the last block over the present picture
    bool m_capturing = false;
    // Points of the last wave drawn, kept so that a block allocates nothing.
    QPolygonF m_upper, m_lower, m_outerUpper, m_outerLower;
    QVector<QRect> m_spans, m_haloUpper, m_haloLower;
};
