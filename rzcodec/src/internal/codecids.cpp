#include "internal/codecids.h"

#include "rzcodec/codecids.h"

namespace rz {

namespace {
struct Entry {
    uint32_t id;
    AVCodecID av;
    uint32_t tag;
};

// The first entry of an FFmpeg codec is the one fromAVCodecId returns.
const Entry kTable[] = {
    {RZ_CODEC_MPEG1VIDEO, AV_CODEC_ID_MPEG1VIDEO, 0},
    {RZ_CODEC_MPEG2VIDEO, AV_CODEC_ID_MPEG2VIDEO, 0},
    {RZ_CODEC_H263, AV_CODEC_ID_H263, 0},
    {RZ_CODEC_MJPEG, AV_CODEC_ID_MJPEG, 0},
    {RZ_CODEC_MPEG4, AV_CODEC_ID_MPEG4, 0},
    {RZ_CODEC_XVID, AV_CODEC_ID_MPEG4, MKTAG('X', 'V', 'I', 'D')},
    {RZ_CODEC_DX50, AV_CODEC_ID_MPEG4, MKTAG('D', 'X', '5', '0')},
    {RZ_CODEC_MSMPEG4V3, AV_CODEC_ID_MSMPEG4V3, 0},
    {RZ_CODEC_WMV1, AV_CODEC_ID_WMV1, 0},
    {RZ_CODEC_WMV2, AV_CODEC_ID_WMV2, 0},
    {RZ_CODEC_FLV1, AV_CODEC_ID_FLV1, 0},
    {RZ_CODEC_DVVIDEO, AV_CODEC_ID_DVVIDEO, 0},
    {RZ_CODEC_H264, AV_CODEC_ID_H264, 0},
    {RZ_CODEC_THEORA, AV_CODEC_ID_THEORA, 0},
    {RZ_CODEC_VC1, AV_CODEC_ID_VC1, 0},
    {RZ_CODEC_WMV3, AV_CODEC_ID_WMV3, 0},
    {RZ_CODEC_VP8, AV_CODEC_ID_VP8, 0},
    {RZ_CODEC_VP9, AV_CODEC_ID_VP9, 0},
    {RZ_CODEC_HEVC, AV_CODEC_ID_HEVC, 0},
    {RZ_CODEC_PCM_S16LE, AV_CODEC_ID_PCM_S16LE, 0},
    {RZ_CODEC_PCM_S16BE, AV_CODEC_ID_PCM_S16BE, 0},
    {RZ_CODEC_PCM_S24BE, AV_CODEC_ID_PCM_S24BE, 0},
    {RZ_CODEC_ADPCM_IMA_QT, AV_CODEC_ID_ADPCM_IMA_QT, 0},
    {RZ_CODEC_ADPCM_SWF, AV_CODEC_ID_ADPCM_SWF, 0},
    {RZ_CODEC_AMR_NB, AV_CODEC_ID_AMR_NB, 0},
    {RZ_CODEC_MP2, AV_CODEC_ID_MP2, 0},
    {RZ_CODEC_MP3, AV_CODEC_ID_MP3, 0},
    {RZ_CODEC_AAC, AV_CODEC_ID_AAC, 0},
    {RZ_CODEC_AC3, AV_CODEC_ID_AC3, 0},
    {RZ_CODEC_VORBIS, AV_CODEC_ID_VORBIS, 0},
    {RZ_CODEC_WMAV1, AV_CODEC_ID_WMAV1, 0},
    {RZ_CODEC_WMAV2, AV_CODEC_ID_WMAV2, 0},
    {RZ_CODEC_FLAC, AV_CODEC_ID_FLAC, 0},
    {RZ_CODEC_ALAC, AV_CODEC_ID_ALAC, 0},
    {RZ_CODEC_WMAPRO, AV_CODEC_ID_WMAPRO, 0},
    {RZ_CODEC_OPUS, AV_CODEC_ID_OPUS, 0},
    {RZ_CODEC_TEXT, AV_CODEC_ID_TEXT, 0},
    {RZ_CODEC_MOV_TEXT, AV_CODEC_ID_MOV_TEXT, 0},
};

const Entry *find(uint32_t codecId)
{
    for (const Entry &e : kTable)
        if (e.id == codecId)
            return &e;
    return nullptr;
}
} // namespace

AVCodecID toAVCodecId(uint32_t codecId)
{
    const Entry *e = find(codecId);
    return e ? e->av : AV_CODEC_ID_NONE;
}

uint32_t fromAVCodecId(AVCodecID id)
{
    for (const Entry &e : kTable)
        if (e.av == id)
            return e.id;
    return 0;
}

uint32_t codecTagOf(uint32_t codecId)
{
    const Entry *e = find(codecId);
    return e ? e->tag : 0;
}

} // namespace rz

extern "C" int32_t rz_codec_id_known(uint32_t codecId)
{
    return rz::toAVCodecId(codecId) != AV_CODEC_ID_NONE ? 1 : 0;
}

extern "C" const char *rz_codec_id_name(uint32_t codecId)
{
    const AVCodecID av = rz::toAVCodecId(codecId);
    return av == AV_CODEC_ID_NONE ? "" : avcodec_get_name(av);
}
