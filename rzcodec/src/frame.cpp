#include "rzcodec/frame.h"

#include "internal/error.h"
#include "internal/framehandle.h"

namespace rz {

bool FrameHandle::assign(const AVFrame *source, uint64_t time)
{
    if (!frame)
        return false;
    av_frame_unref(frame.get());
    int ret = av_frame_ref(frame.get(), source);
    if (ret < 0) {
        logAvError("referencing a frame", ret);
        return false;
    }
    timeUs = time;
    return true;
}

uint32_t pixelFormatCode(int avFormat)
{
    switch (avFormat) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
        return RZ_PIXFMT_YUV420P;
    case AV_PIX_FMT_BGRA:
        return RZ_PIXFMT_BGRA;
    case AV_PIX_FMT_NONE:
        return RZ_PIXFMT_NONE;
    default:
        return RZ_PIXFMT_OTHER;
    }
}

AVPixelFormat avPixelFormatOf(uint32_t code)
{
    switch (code) {
    case RZ_PIXFMT_YUV420P:
        return AV_PIX_FMT_YUV420P;
    case RZ_PIXFMT_BGRA:
        return AV_PIX_FMT_BGRA;
    default:
        return AV_PIX_FMT_NONE;
    }
}

} // namespace rz

using rz::FrameHandle;
using rz::handleCast;

namespace {
// A picture with its planes, or null for an empty frame.
const AVFrame *pictureOf(void *handle, const char *call)
{
    auto *f = handleCast<FrameHandle>(handle, call);
    if (!f || !f->frame || !f->frame->data[0])
        return nullptr;
    return f->frame.get();
}

int planeCount(const AVFrame *f)
{
    int n = av_pix_fmt_count_planes(AVPixelFormat(f->format));
    return n < 0 ? 0 : n;
}
} // namespace

extern "C" void *rz_frame_create(void)
{
    auto *f = new FrameHandle;
    if (!f->frame) {
        delete f;
        rz::logAvError("creating a frame", AVERROR(ENOMEM));
        return nullptr;
    }
    return rz::toHandle(f);
}

extern "C" void *rz_frame_reference(void *frame)
{
    auto *source = handleCast<FrameHandle>(frame, "rz_frame_reference");
    if (!source)
        return nullptr;
    auto *copy = static_cast<FrameHandle *>(static_cast<rz::Handle *>(rz_frame_create()));
    if (!copy)
        return nullptr;
    if (source->frame->data[0] || source->frame->buf[0]) {
        if (!copy->assign(source->frame.get(), source->timeUs)) {
            delete copy;
            return nullptr;
        }
    }
    return rz::toHandle(copy);
}

extern "C" void rz_frame_release(void *frame)
{
    if (auto *f = handleCast<FrameHandle>(frame, "rz_frame_release"))
        delete f;
}

extern "C" uint32_t rz_frame_format(void *frame)
{
    const AVFrame *f = pictureOf(frame, "rz_frame_format");
    return f ? rz::pixelFormatCode(f->format) : RZ_PIXFMT_NONE;
}

extern "C" uint32_t rz_frame_width(void *frame)
{
    const AVFrame *f = pictureOf(frame, "rz_frame_width");
    return f ? uint32_t(f->width) : 0;
}

extern "C" uint32_t rz_frame_height(void *frame)
{
    const AVFrame *f = pictureOf(frame, "rz_frame_height");
    return f ? uint32_t(f->height) : 0;
}

extern "C" uint32_t rz_frame_stride(void *frame, uint32_t plane)
{
    const AVFrame *f = pictureOf(frame, "rz_frame_stride");
    if (!f || plane >= uint32_t(planeCount(f)) || f->linesize[plane] < 0)
        return 0;
    return uint32_t(f->linesize[plane]);
}

extern "C" const uint8_t *rz_frame_data(void *frame, uint32_t plane)
{
    const AVFrame *f = pictureOf(frame, "rz_frame_data");
    if (!f || plane >= uint32_t(planeCount(f)))
        return nullptr;
    return f->data[plane];
}

extern "C" uint64_t rz_frame_time(void *frame)
{
    auto *f = handleCast<FrameHandle>(frame, "rz_frame_time");
    return f ? f->timeUs : 0;
}
