#pragma once
// Owning pointers for FFmpeg objects, freed with the matching FFmpeg call.

#include "internal/ffmpeg.h"

#include <memory>

namespace rz {

struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct InputContextDeleter {
    void operator()(AVFormatContext *f) const { avformat_close_input(&f); }
};
struct SwsDeleter {
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};
struct SwrDeleter {
    void operator()(SwrContext *s) const { swr_free(&s); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph *g) const { avfilter_graph_free(&g); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// Microseconds <-> a stream's time base.
inline int64_t toMicroseconds(int64_t ts, AVRational tb) { return av_rescale_q(ts, tb, AVRational{1, 1000000}); }
inline int64_t fromMicroseconds(int64_t us, AVRational tb) { return av_rescale_q(us, AVRational{1, 1000000}, tb); }

} // namespace rz
