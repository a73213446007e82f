#include "capture/bitmapvideoview.h"

#include <QPainter>

#include <cstdio>

BitmapVideoView::BitmapVideoView(QWidget *parent) : QWidget(parent) {}

bool BitmapVideoView::showImage(const unsigned char *pixels, unsigned int width,
                                unsigned int height, unsigned int stride)
{
    if (pixels && stride == 0)
        stride = width * 4;
    if (pixels && (width == 0 || height == 0 || stride < width * 4))
        return false;
    if (!m_queue.pushPacked(pixels, width, height, stride)) {
        std::fputs("showImage too slow...\n", stdout);
        std::fflush(stdout);
        return false;
    }
    QMetaObject::invokeMethod(this, "drawNextFrame", Qt::QueuedConnection);
    return true;
}

void BitmapVideoView::drawNextFrame()
{
    std::unique_ptr<QJXVideoFrame> frame = m_queue.takeOldest();
    if (!frame)
        return;
    if (frame->empty) {
        m_picture = QImage();
    } else {
        // The queue owns its bytes; the picture needs its own copy to outlive it.
        m_picture = QImage(frame->planes[0].data(), frame->width, frame->height,
                           frame->strides[0], QImage::Format_RGB32)
                        .copy();
    }
    m_queue.done();
    update();
}

void BitmapVideoView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_picture.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(rect(), m_picture);
}
