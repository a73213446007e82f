#pragma once
// Black container of the frame display: keeps the picture letter-boxed by the
// video's proportions, forwards frames to the display, and turns a click
// without movement into play/pause and a double click into full screen.
// The display (a GL view, which makes its window GL-capable) is made when a
// picture is first to be shown: when the container is shown as a window of
// its own, or when the pane holding it shows a picture (showPicture). A pane
// that never shows a picture never loads GL.

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
    // Null until a picture is first to be shown.
    QJXVideoShowWidget *videoView() const { return m_view; }
    // Shows the container with its display, made now if need be.
    void showPicture();
    // A picture of w × h placed inside box as large as it fits, centred.
    static QRect letterBoxRect(const QSize &box, int w, int h);

    // GUI thread (the display is made there): handed to the display, which
    // copies the pixels; dropped while there is no display.
    void showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride) override;
    void showYUVImage(unsigned char **planes, int width, int height, int *strides);
    void showYUVImage(const unsigned char *const planes[3], unsigned width, unsigned height,
                      const unsigned strides[3]) override;
    void setElementHidden(bool hidden) override { setHidden(hidden); }
    void setVisible(bool visible) override;

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
    void makeView();

    QJXVideoShowWidget *m_view = nullptr;
    // Where the display is (or goes when made).
    QRect m_viewRect = QRect(710, 480, 41, 20);
    int m_videoWidth = 0;
    int m_videoHeight = 0;
    QPoint m_pressPos;
};
