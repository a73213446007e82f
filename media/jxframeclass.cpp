#include "media/jxframeclass.h"

#include "rzcodec/frame.h"

JXFrameClass::JXFrameClass(QObject *parent) : QObject(parent) {}

JXFrameClass::~JXFrameClass()
{
    Release_Frame();
}

void JXFrameClass::Create_Frame()
{
    if (!m_frame)
        m_frame = rz_frame_create();
}

void *JXFrameClass::Reference_Frame(void *frame)
{
    Release_Frame();
    m_frame = frame ? rz_frame_reference(frame) : nullptr;
    return m_frame;
}

void JXFrameClass::Release_Frame()
{
    if (!m_frame)
        return;
    rz_frame_release(m_frame);
    m_frame = nullptr;
}

unsigned int JXFrameClass::GetVideoFormat_Frame() const
{
    return m_frame ? rz_frame_format(m_frame) : RZ_PIXFMT_NONE;
}

unsigned int JXFrameClass::GetVideoWidth_Frame() const
{
    return m_frame ? rz_frame_width(m_frame) : 0;
}

unsigned int JXFrameClass::GetVideoHeight_Frame() const
{
    return m_frame ? rz_frame_height(m_frame) : 0;
}

unsigned int JXFrameClass::GetVideoStride_Frame(unsigned int plane) const
{
    return m_frame ? rz_frame_stride(m_frame, plane) : 0;
}

const unsigned char *JXFrameClass::GetVideoData_Frame(unsigned int plane) const
{
    return m_frame ? rz_frame_data(m_frame, plane) : nullptr;
}
