#pragma once
// Range slider of the trim panels: a groove with a start and an end handle
// marking the kept range, and a play handle showing and setting the play
// position. Positions are pixels from the left end of the usable groove (the
// width less twice the start handle's width); they are reported as fractions
// of that width and set as percentages.

#include <QPixmap>
#include <QWidget>

class QVESliderCtrlBtn;

class QVEDualSlider : public QWidget
{
    Q_OBJECT
public:
    explicit QVEDualSlider(QWidget *parent = nullptr);

    void setBottomImage(const QString &path); // groove
    void setTopImage(const QString &path);    // kept range
    void setStartBtnImage(const QString &path, int yOffset);
    void setEndBtnImage(const QString &path);
    void setProgressBtnImage(const QString &path, int y);
    void setCircle(bool circle) { m_circle = circle; update(); }
    void setCircleLenght(int length) { m_capLength = length; update(); }
    void showPlayBtn(bool show);

    // Percentages 0..100.
    void setStartValue(float percent);
    void setEndValue(float percent);
    void setPlayValue(float percent, bool emitSignal);
    // Fractions 0..1 of the usable groove width.
    float getStartValue() const { return fraction(m_start); }
    float getEndValue() const { return fraction(m_end); }
    float getPlayValue() const { return fraction(m_play); }

    void setStartBtnToolTip(const QString &tip);
    void setEndBtnToolTip(const QString &tip);
    bool GetFocusInStartBtn() const { return m_lastPressStart; }
    void SetFocusInStartBtn(bool start) { m_lastPressStart = start; }

    void setEnabledPull(bool enabled) { m_dragEnabled = enabled; }
    void setShowValue(bool show) { m_showValue = show; update(); }
    void setBtnHide();
    void setWidth(int width);
    void setBtnBgImage(const QString &path);
    void setValueRange(long long minimum, long long maximum);
    // Single-value mode (without the circle flag).
    void setValue(float value);
    float getValue() const;

    QVESliderCtrlBtn *startButton() const { return m_startBtn; }
    QVESliderCtrlBtn *endButton() const { return m_endBtn; }
    QVESliderCtrlBtn *playButton() const { return m_playBtn; }
    // The usable groove width in pixels.
    int usableWidth() const { return width() - 2 * m_margin; }

signals:
    void sendProgressValue(double start);
    void sendEndProgressValue(double end);
    void sendPlayProValue(double play);
    void emitPreviousFrame();
    void emitNextFrame();
    void emitMousePress();
    void emitmouseRelease();

public slots:
    void btnMouseMove(QMouseEvent *event, int pressX);
    void btnEndMouseMove(QMouseEvent *event, int pressX);
    void btnProMouseMove(QMouseEvent *event, int pressX);
    void btnMousePress(QMouseEvent *event, int pressX);
    void btnMouseRelease(QMouseEvent *event, int pressX);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    float fraction(float pixels) const;
    void resizeForHandles();
    QVESliderCtrlBtn *makeHandle(const QString &path);
    // Play handle follows a pointer at screen x; press and drag differ only
    // in where the left clamp starts.
    void movePlayToPointer(int globalX, bool fromPress);
    void movePlayHandle();
    void showTipAtCursor(const QString &tip);
    void paintRange(class QPainter &p, int gy);

    QPixmap m_startPicture, m_endPicture, m_playPicture;
    QPixmap m_groove, m_range, m_handleBg;
    int m_grooveWidth = 0;
    int m_grooveHeight = 0;
    QVESliderCtrlBtn *m_startBtn = nullptr;
    QVESliderCtrlBtn *m_endBtn = nullptr;
    QVESliderCtrlBtn *m_playBtn = nullptr;
    float m_start = 0;
    float m_end = 0;
    float m_play = 0;
    long long m_minimum = 0;
    long long m_maximum = 100;
    float m_value = 0;
    int m_handleRowY = 0;
    int m_margin = 0;
    int m_startWidth = 0;
    int m_endWidth = 0;
    int m_playWidth = 0;
    int m_playY = 0;
    bool m_hideHandles = false;
    bool m_circle = false;
    int m_capLength = 5;
    bool m_dragEnabled = true;
    bool m_showValue = false;
    bool m_lastPressStart = true;
    bool m_hovered = false;
};
