#pragma once
// Black container of the frame display: keeps the picture letter-boxed by the
// video's proportions, forwards frames to the display, and turns a click
// without movement into play/pause and a double click into full screen.

#include "media/imediaelementwindow.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

class QJXVideoShowWidget;

class QMediaElementWindow : public QWidget, public IMediaElementWindow
{
    Q_OBJECT
public:
    explicit QMediaElementWindow(QWidget *parent = nullptr);

    // Ignored unless both are at least 1.
    void setVideoElementSize(int width, int height) override;
    QRect getVideoElementRect() const override;
    WId getVideoElementWid() const;
    QJXVideoShowWidget *videoView() const { return m_view; }
    // A picture of w × h placed inside box as large as it fits, centred.
    static QRect letterBoxRect(const QSize &box, int w, int h);

    // Any thread: handed straight to the display, which copies the pixels.
    void showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride) override;
    void showYUVImage(unsigned char **planes, int width, int height, int *strides);
    void showYUVImage(const unsigned char *const planes[3], unsigned width, unsigned height,
                      const unsigned strides[3]) override;
    void setElementHidden(bool hidden) override { setHidden(hidden); }

    void updateRepaint();
    void resetOpenGl();
    void refresh() {}
    void showNormal();
    void showFullScreen();

signals:
    void emitMouseMoveEvent(QMouseEvent *event);
    void emitMousePressEvent(QMouseEvent *event);
    void emitMouseReleaseEvent(QMouseEvent *event);
    void emitVideoElementSizeChange(QRect rect);
    void emitFullScreen();
    void emitShowBtn(bool show);
    void emitPlayOrPause();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitVideo();

    QJXVideoShowWidget *m_view = nullptr;
    int m_videoWidth = 0;
    int m_videoHeight = 0;
    QPoint m_pressPos;
};
