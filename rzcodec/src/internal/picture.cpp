#include "internal/picture.h"

#include "internal/error.h"

#include <cstring>

namespace rz {

namespace {
void put16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr int kMaxSide = 16384;
} // namespace

uint8_t *frameToBmp(const AVFrame *frame, int width, int height)
{
    if (!frame || frame->width <= 0 || frame->height <= 0 || frame->format < 0) {
        logError("picture: no frame to convert");
        return nullptr;
    }
    if (width <= 0 && height <= 0) {
        width = frame->width;
        height = frame->height;
    } else if (width <= 0) {
        width = int(int64_t(frame->width) * height / frame->height);
    } else if (height <= 0) {
        height = int(int64_t(frame->height) * width / frame->width);
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        logError("picture: unusable size " + std::to_string(width) + "x" + std::to_string(height));
        return nullptr;
    }

    SwsPtr sws(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), width,
                              height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws) {
        logError("picture: cannot convert from pixel format "
                 + std::to_string(frame->format));
        return nullptr;
    }
    const int rowBytes = width * 3;
    const int stride = (rowBytes + 3) & ~3;
    const uint32_t imageSize = uint32_t(stride) * uint32_t(height);
    const uint32_t total = kFileHeader + kInfoHeader + imageSize;
    auto *bmp = static_cast<uint8_t *>(av_mallocz(total));
    if (!bmp) {
        logAvError("picture", AVERROR(ENOMEM));
        return nullptr;
    }
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(bmp + 2, total);
    put32(bmp + 10, kFileHeader + kInfoHeader);
    uint8_t *info = bmp + kFileHeader;
    put32(info, kInfoHeader);
    put32(info + 4, uint32_t(width));
    put32(info + 8, uint32_t(height)); // positive: bottom-up rows
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 20, imageSize);
    put32(info + 24, 2835); // 72 dpi
    put32(info + 28, 2835);

    // Write the last row first by pointing at it with a negative stride.
    uint8_t *pixels = bmp + kFileHeader + kInfoHeader;
    uint8_t *dst[4] = {pixels + size_t(stride) * size_t(height - 1), nullptr, nullptr, nullptr};
    int dstStride[4] = {-stride, 0, 0, 0};
    int ret = sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    if (ret <= 0) {
        logAvError("picture: scaling", ret < 0 ? ret : AVERROR(EINVAL));
        av_free(bmp);
        return nullptr;
    }
    return bmp;
}

void freeBmp(uint8_t *bmp)
{
    av_free(bmp);
}

uint32_t bmpLength(const uint8_t *bmp)
{
    if (!bmp)
        return 0;
    return uint32_t(bmp[2]) | uint32_t(bmp[3]) << 8 | uint32_t(bmp[4]) << 16 | uint32_t(bmp[5]) << 24;
}

FramePtr decodePicture(const AVCodecParameters *params, const AVPacket *packet)
{
    if (!params || !packet || !packet->data || packet->size <= 0)
        return nullptr;
    const AVCodec *codec = avcodec_find_decoder(params->codec_id);
    if (!codec) {
        logError(std::string("picture: no decoder for ") + avcodec_get_name(params->codec_id));
        return nullptr;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        return nullptr;
    int ret = avcodec_parameters_to_context(ctx.get(), params);
    if (ret >= 0)
        ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0) {
        logAvError("picture: opening decoder", ret);
        return nullptr;
    }
    FramePtr frame = makeFrame();
    ret = avcodec_send_packet(ctx.get(), packet);
    if (ret >= 0)
        avcodec_send_packet(ctx.get(), nullptr);
    if (ret >= 0)
        ret = avcodec_receive_frame(ctx.get(), frame.get());
    if (ret < 0) {
        logAvError("picture: decoding", ret);
        return nullptr;
    }
    return frame;
}

} // namespace rz
