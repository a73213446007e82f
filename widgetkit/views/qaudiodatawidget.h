#pragma once
// Live level display fed with wave data blocks: each block is reduced to one
// value per bar, optionally with falling peak markers, and painted as columns
// of rounded level cells or as a line through the bar values. setAudioData
// also tells whether the block was silent.
//
// A wave data block is a 44-byte RIFF/WAVE-style header whose little-endian
// 32-bit value at byte 40 is the byte length of the samples that follow from
// byte 44 as unsigned 16-bit values. The widget never keeps or frees a block.

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <vector>

struct AudioDataAttribute
{
    int barWidth = 1;        // bar width (mode 0), or point step and pen width (mode 1)
    int cellHeight = 1;      // cell height (mode 0), or pixels per level unit (mode 1)
    int barSpacing = 0;      // taken as 0 in mode 1
    int cellSpacing = 0;     // taken as 0 in mode 1
    bool showPeak = false;
    int peakGravity = 0;     // non-zero: peaks fall faster and faster
    double cornerRadius = 0.0;
    QColor barColor = QColor(255, 255, 255);
    QColor peakColor = QColor(255, 0, 0);
    int drawMode = 0;        // 0 level cells, 1 wave line (and the deviation silence test)
};

// Reduces count samples to one value per bar (lit cells out of cells) and
// returns whether the samples are silent: with the deviation test, no sample
// read differs from the first sample by more than 10; without it, every bar's
// average is 0. No samples: all values 0 and silent; nothing is read.
// The orange wave line drawn over the recording panel and the trim page.
AudioDataAttribute waveLineAttribute();

bool TransData(unsigned short *samples, int count, unsigned int *values, int bars, int cells,
               bool deviationTest);

class QAudioDataWidget : public QWidget
{
    Q_OBJECT
public:
    QAudioDataWidget(QWidget *parent, AudioDataAttribute *attribute);
    ~QAudioDataWidget() override;

    // Logo drawn centred under the bars (picture at device pixel ratio 2).
    void setAudioLogo(const QString &path);
    // Fill of the level display; an invalid colour is ignored.
    void setBackgroundColor(const QColor &color);

    int barCount() const { return m_barCount; }
    int cellsPerBar() const { return m_cellsPerBar; }
    // Lit cells of each bar after the last block.
    const std::vector<unsigned int> &barValues() const { return m_values; }
    // Peak marker heights in pixels (empty without peaks).
    const std::vector<int> &peakLevels() const { return m_peakLevels; }

public slots:
    // Takes one block (null with rate 0 clears the display); returns true when
    // the block is silent, and always schedules a repaint.
    bool setAudioData(unsigned char *block, int rate);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

    // Bars and cells for the current size; peaks restart.
    void resetGeometry();
    // A block (or the null block) was taken; called before the repaint is
    // scheduled, never while painting.
    virtual void blockArrived() {}

    QRect m_drawRect;
    bool m_dirty = false;
    std::vector<int> m_peakLevels;
    std::vector<int> m_fallCounters;
    QPixmap m_logo;
    std::vector<unsigned int> m_values;
    int m_barCount = 0;
    int m_cellsPerBar = 0;
    AudioDataAttribute m_attr;
    QColor m_background = Qt::transparent;
};
