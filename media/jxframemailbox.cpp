#include "media/jxframemailbox.h"

#include "media/imediaelementwindow.h"
#include "media/jxframeclass.h"

#include <QMutexLocker>

std::optional<JXFrameCopy> JXFrameCopy::fromFrame(void *frame)
{
    if (!frame)
        return std::nullopt;
    JXFrameClass wrapper;
    if (!wrapper.Reference_Frame(frame))
        return std::nullopt;
    JXFrameCopy copy;
    copy.format = wrapper.GetVideoFormat_Frame();
    copy.width = wrapper.GetVideoWidth_Frame();
    copy.height = wrapper.GetVideoHeight_Frame();
    if (copy.width == 0 || copy.height == 0)
        return std::nullopt;
    int planeCount;
    if (copy.format == JXFramePlanarYUV)
        planeCount = 3;
    else if (copy.format == JXFramePackedRGB)
        planeCount = 1;
    else
        return std::nullopt;
    for (int i = 0; i < planeCount; ++i) {
        const unsigned char *data = wrapper.GetVideoData_Frame(unsigned(i));
        const unsigned stride = wrapper.GetVideoStride_Frame(unsigned(i));
        // Planes after the first carry half the rows of 4:2:0 pictures.
        const unsigned rows = i == 0 ? copy.height : (copy.height + 1) / 2;
        if (!data || stride == 0)
            return std::nullopt;
        copy.planes[i] = QByteArray(reinterpret_cast<const char *>(data), int(stride * rows));
        copy.strides[i] = stride;
    }
    return copy;
}

bool JXFrameCopy::showIn(IMediaElementWindow *window) const
{
    if (!window)
        return false;
    if (format == JXFramePlanarYUV) {
        const unsigned char *p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = reinterpret_cast<const unsigned char *>(planes[i].constData());
        window->showYUVImage(p, width, height, strides);
        return true;
    }
    if (format == JXFramePackedRGB) {
        window->showImage(reinterpret_cast<const unsigned char *>(planes[0].constData()), width,
                          height, strides[0]);
        return true;
    }
    return false;
}

bool JXFrameMailbox::post(JXFrameCopy frame)
{
    QMutexLocker lock(&m_mutex);
    const bool wasEmpty = !m_frame.has_value();
    m_frame = std::move(frame);
    return wasEmpty;
}

std::optional<JXFrameCopy> JXFrameMailbox::take()
{
    QMutexLocker lock(&m_mutex);
    std::optional<JXFrameCopy> frame = std::move(m_frame);
    m_frame.reset();
    return frame;
}

void JXFrameMailbox::clear()
{
    QMutexLocker lock(&m_mutex);
    m_frame.reset();
}
