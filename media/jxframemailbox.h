#pragma once
// Hands decoded pictures from the codec layer's thread to the GUI thread. The
// layer frees a frame as soon as its callback returns, so the picture is
// copied on that thread; only the newest picture waits, and the GUI thread is
// asked to repaint once per waiting picture, through a queued call.

#include <QByteArray>
#include <QMutex>

#include <optional>

class IMediaElementWindow;

// Pixel formats the display windows draw.
enum JXFramePixelFormat : unsigned { JXFramePlanarYUV = 0, JXFramePackedRGB = 30 };

struct JXFrameCopy {
    unsigned format = 0;
    unsigned width = 0;
    unsigned height = 0;
    QByteArray planes[3];
    unsigned strides[3] = {0, 0, 0};

    // Copies a frame handle of the codec layer; nothing for formats not drawn.
    static std::optional<JXFrameCopy> fromFrame(void *frame);
    // Draws the copy into the window; false when it has nothing to draw.
    bool showIn(IMediaElementWindow *window) const;
};

class JXFrameMailbox
{
public:
    // Any thread: replaces the waiting picture. True when the box was empty,
    // that is when the caller must queue a delivery.
    bool post(JXFrameCopy frame);
    // GUI thread: takes the waiting picture.
    std::optional<JXFrameCopy> take();
    void clear();

private:
    QMutex m_mutex;
    std::optional<JXFrameCopy> m_frame;
};
