#pragma once
/* Codec ids of the layer. Callers pass these numbers (the application's own
 * numbering, given by its codec-name table); the layer maps them to FFmpeg's
 * codecs through a table, never by casting: the video numbers differ. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum RZCodecId {
    RZ_CODEC_NONE = 0,
    /* video */
    RZ_CODEC_MPEG1VIDEO = 1,
    RZ_CODEC_MPEG2VIDEO = 2,
    RZ_CODEC_H263 = 5,
    RZ_CODEC_MJPEG = 8,
    RZ_CODEC_MPEG4 = 13,
    RZ_CODEC_MSMPEG4V3 = 17,
    RZ_CODEC_WMV1 = 18,
    RZ_CODEC_WMV2 = 19,
    RZ_CODEC_FLV1 = 22,
    RZ_CODEC_DVVIDEO = 25,
    RZ_CODEC_H264 = 28,
    RZ_CODEC_THEORA = 31,
    RZ_CODEC_VC1 = 71,
    RZ_CODEC_WMV3 = 72,
    RZ_CODEC_VP8 = 141,
    RZ_CODEC_VP9 = 169,
    RZ_CODEC_HEVC = 1211250229, /* "H265", first character in the highest byte */
    RZ_CODEC_XVID = 1145656920, /* "XVID", first character in the lowest byte */
    RZ_CODEC_DX50 = 808802372,  /* "DX50", first character in the lowest byte */
    /* audio */
    RZ_CODEC_PCM_S16LE = 0x10000,
    RZ_CODEC_PCM_S16BE = 0x10001,
    RZ_CODEC_PCM_S24BE = 0x1000D,
    RZ_CODEC_ADPCM_IMA_QT = 0x11000,
    RZ_CODEC_ADPCM_SWF = 0x1100D,
    RZ_CODEC_AMR_NB = 0x12000,
    RZ_CODEC_MP2 = 0x15000,
    RZ_CODEC_MP3 = 0x15001,
    RZ_CODEC_AAC = 0x15002,
    RZ_CODEC_AC3 = 0x15003,
    RZ_CODEC_VORBIS = 0x15005,
    RZ_CODEC_WMAV1 = 0x15007,
    RZ_CODEC_WMAV2 = 0x15008,
    RZ_CODEC_FLAC = 0x1500C,
    RZ_CODEC_ALAC = 0x15010,
    RZ_CODEC_WMAPRO = 0x15026,
    RZ_CODEC_OPUS = 0x1503C,
    /* subtitles */
    RZ_CODEC_TEXT = 0x17002,
    RZ_CODEC_MOV_TEXT = 0x17005
};

/* 1 when the layer knows the id (and FFmpeg has a codec for it). */
int32_t rz_codec_id_known(uint32_t codecId);
/* FFmpeg's short name of the codec behind the id ("" when unknown). */
const char *rz_codec_id_name(uint32_t codecId);

#ifdef __cplusplus
}
#endif
