#pragma once
// Drag handle of the trim slider: a push button painted from a strip of four
// frames (normal, hover, pressed, disabled) that reports presses, releases and
// drags with the position where it was grabbed.

#include <QImage>
#include <QPushButton>

class QVESliderCtrlBtn : public QPushButton
{
    Q_OBJECT
public:
    explicit QVESliderCtrlBtn(QWidget *parent = nullptr);

    // Picture strip at device pixel ratio 2; the handle takes one frame's size.
    void setBtnImage(const QString &path);
    void setStatePress();
    void setStateNormal();
    bool getMove() const { return true; }
    int state() const { return m_state; }

signals:
    // The int is the x (or y) inside the handle of the last press or release.
    void mouseMove(QMouseEvent *event, int x);
    void mouseMoveY(QMouseEvent *event, int y);
    void mouseDown(QMouseEvent *event, int x);
    void mouseDownY(QMouseEvent *event, int y);
    void mouseUp(QMouseEvent *event, int x);
    void mouseUpY(QMouseEvent *event, int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void storePosition(QMouseEvent *event);

    int m_pressX = 0;
    int m_pressY = 0;
    QImage m_image;
    int m_state = 0; // 0 normal, 1 hover, 2 pressed, 3 disabled
};
