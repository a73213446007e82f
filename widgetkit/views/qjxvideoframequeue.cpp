#include "widgetkit/views/qjxvideoframequeue.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

bool QJXVideoFrameQueue::reserve(bool hasPixels)
{
    QMutexLocker lock(&m_mutex);
    if (hasPixels && m_pending >= kMaxPending)
        return false;
    ++m_pending;
    return true;
}

void QJXVideoFrameQueue::append(std::unique_ptr<QJXVideoFrame> frame)
{
    QMutexLocker lock(&m_mutex);
    m_frames.push_back(std::move(frame));
}

bool QJXVideoFrameQueue::pushPacked(const unsigned char *data, unsigned width, unsigned height,
                                    unsigned stride)
{
    if (!reserve(data != nullptr))
        return false;
    auto frame = std::make_unique<QJXVideoFrame>();
    frame->kind = QJXVideoFrame::Packed;
    if (data && width && height && stride) {
        frame->empty = false;
        frame->width = int(width);
        frame->height = int(height);
        frame->strides[0] = int(stride);
        frame->planes[0].assign(data, data + size_t(stride) * height);
    }
    append(std::move(frame));
    return true;
}

bool QJXVideoFrameQueue::pushPlanar(const unsigned char *const planes[3], int width, int height,
                                    const int strides[3])
{
    const bool hasPixels = planes && planes[0] && planes[1] && planes[2];
    if (!reserve(hasPixels))
        return false;
    auto frame = std::make_unique<QJXVideoFrame>();
    frame->kind = QJXVideoFrame::Planar;
    if (hasPixels && width > 0 && height > 0 && strides[0] > 0 && strides[1] > 0
        && strides[2] > 0) {
        frame->empty = false;
        frame->width = width;
        frame->height = height;
        const int rows = frame->rows();
        const size_t ySize = size_t(strides[0]) * size_t(height);
        std::vector<uint8_t> &y = frame->planes[0];
        y.resize(size_t(strides[0]) * size_t(rows));
        std::memcpy(y.data(), planes[0], ySize);
        // An odd last luma row is repeated so that the chroma rows pair up.
        if (rows != height)
            std::memcpy(y.data() + ySize, planes[0] + ySize - size_t(strides[0]),
                        size_t(strides[0]));
        // Chroma padding right of the picture stays neutral grey for the filter.
        const int chromaWidth = (width + 1) / 2 * 2 / 2;
        for (int c = 1; c < 3; ++c) {
            std::vector<uint8_t> &plane = frame->planes[c];
            const size_t stride = size_t(strides[c]);
            plane.assign(planes[c], planes[c] + stride * size_t(rows / 2));
            if (int(stride) > chromaWidth)
                for (int r = 0; r < rows / 2; ++r)
                    std::fill(plane.begin() + r * stride + chromaWidth,
                              plane.begin() + (r + 1) * stride, uint8_t(128));
        }
        std::copy(strides, strides + 3, frame->strides);
    }
    append(std::move(frame));
    return true;
}

std::unique_ptr<QJXVideoFrame> QJXVideoFrameQueue::takeOldest()
{
    QMutexLocker lock(&m_mutex);
    if (m_frames.empty())
        return nullptr;
    std::unique_ptr<QJXVideoFrame> frame = std::move(m_frames.front());
    m_frames.pop_front();
    return frame;
}

void QJXVideoFrameQueue::done()
{
    QMutexLocker lock(&m_mutex);
    if (m_pending > 0)
        --m_pending;
}

int QJXVideoFrameQueue::pending() const
{
    QMutexLocker lock(&m_mutex);
    return m_pending;
}

void QJXVideoFrameQueue::clear()
{
    QMutexLocker lock(&m_mutex);
    m_frames.clear();
    m_pending = 0;
}
