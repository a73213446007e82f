#pragma once
// What a playback engine needs of the window that shows its video frames.
// The engine calls these on the GUI thread with pixels it copied from the
// codec layer's thread, so a window may keep or draw them as it likes until
// the call returns.

#include <QWidget>

class VideoFrameWindow : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // One packed RGB frame (pixel format 30).
    virtual void showImage(const unsigned char *data, unsigned int width, unsigned int height,
                           unsigned int stride) = 0;
    // One planar YUV 4:2:0 frame (pixel format 0).
    virtual void showYUVImage(const unsigned char *const planes[3], int width, int height,
                              const int strides[3]) = 0;
    // Letter-boxes the picture to this aspect; ignored unless both are at least 1.
    virtual void setVideoScale(int width, int height) = 0;
    // Shows the picture at this size at most, centred.
    virtual void setVideoSize(int width, int height) = 0;
};
