#pragma once
// Frameless black window showing a player's video frames in the OpenGL frame
// display, letter-boxed and centred; a double click toggles full screen, and
// mouse activity becomes signals for a player's controls. A playback engine
// draws into it through the frame-window interface.

#include "media/videoframewindow.h"

#include <QPoint>
#include <QRect>

class QJXVideoShowWidget;

class VideoImageWindow : public VideoFrameWindow
{
    Q_OBJECT
public:
    explicit VideoImageWindow(QWidget *parent = nullptr);

    void showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride) override;
    void showYUVImage(const unsigned char *const planes[3], int width, int height,
                      const int strides[3]) override;
    void setVideoScale(int width, int height) override;
    void setVideoSize(int width, int height) override;

    QRect getVideoRect() const;
    WId getWId() const;
    void showNormal();
    void showFullScreen();
    bool isFullScreenShown() const { return m_fullScreen; }
    void SetImgBorderRect(const QRect &rect);
    void ShowImageBorder(bool) {}
    void resetOpenGl();
    QJXVideoShowWidget *imageWidget() const { return m_ImageWidget; }

signals:
    void emitFullScreen();
    void emitShowBtn(bool show);
    void emitPlayOrPause();
    void emitMouseMove(QMouseEvent *event);
    void emitMouseDown(QMouseEvent *event);
    void emitMouseUp(QMouseEvent *event);
    void emitMouseLeave();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placePicture();

    QJXVideoShowWidget *m_ImageWidget;
    QSize m_scaleSize = QSize(0, 0);
    QSize m_videoSize = QSize(0, 0);
    QRect m_borderRect;
    bool m_fullScreen = false;
    QPoint m_pressGlobal;
};
