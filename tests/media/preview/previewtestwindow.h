#pragma once
// A display window for the preview tests: a real widget that letter-boxes its
// video element, keeps the last picture drawn into it (and on which thread),
// and forwards its mouse events as signals, as the editor's windows do.

#include "media/imediaelementwindow.h"

#include <QByteArray>
#include <QWidget>

class QMouseEvent;
class QThread;

class PreviewTestWindow : public QWidget, public IMediaElementWindow
{
    Q_OBJECT
public:
    explicit PreviewTestWindow(QWidget *parent = nullptr);

    void setVideoElementSize(int width, int height) override;
    QRect getVideoElementRect() const override { return m_element; }
    void showImage(const unsigned char *pixels, unsigned width, unsigned height,
                   unsigned stride) override;
    void showYUVImage(const unsigned char *const planes[3], unsigned width, unsigned height,
                      const unsigned strides[3]) override;
    void setElementHidden(bool hidden) override { setHidden(hidden); }

    int frames = 0;
    bool framesOffGuiThread = false;
    unsigned lastWidth = 0, lastHeight = 0;
    QByteArray lastLuma;
    QSize elementSize;

signals:
    void mousePressed(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override { emit mousePressed(event); }
    void mouseMoveEvent(QMouseEvent *event) override { emit mouseMoved(event); }
    void mouseReleaseEvent(QMouseEvent *event) override { emit mouseReleased(event); }
    void resizeEvent(QResizeEvent *) override { place(); }

private:
    void place();
    QRect m_element;
};
