#pragma once
// Frame view without OpenGL: packed 32-bit frames (blue, green, red, alpha)
// from any thread, copied into the shared frame queue and drawn stretched on
// the GUI thread. It takes no planar frames.

#include "widgetkit/views/qjxvideoframequeue.h"

#include <QImage>
#include <QWidget>

class BitmapVideoView : public QWidget
{
    Q_OBJECT
public:
    explicit BitmapVideoView(QWidget *parent = nullptr);

    // Any thread; false when the frame was dropped (nine wait) or unusable.
    // Null data clears the view.
    bool showImage(const unsigned char *pixels, unsigned int width, unsigned int height,
                   unsigned int stride);
    int pendingFrames() const { return m_queue.pending(); }
    QImage picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void drawNextFrame();

private:
    QJXVideoFrameQueue m_queue;
    QImage m_picture;
};
