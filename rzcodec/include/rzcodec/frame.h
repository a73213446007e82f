#pragma once
/* Decoded video frame: a reference to a picture the layer decoded. Frames
 * handed to callbacks belong to the layer; take a reference to keep one. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pixel formats of frames. */
#define RZ_PIXFMT_YUV420P 0u   /* planar Y, U, V; chroma halved both ways */
#define RZ_PIXFMT_BGRA 30u     /* one plane of 4-byte pixels: blue, green, red, alpha in memory */
#define RZ_PIXFMT_OTHER 0xFFFFFFFEu
#define RZ_PIXFMT_NONE 0xFFFFFFFFu /* no picture */

/* A new empty frame. */
void *rz_frame_create(void);
/* A new reference to the picture of `frame` (null when it is not a frame). */
void *rz_frame_reference(void *frame);
void rz_frame_release(void *frame);

uint32_t rz_frame_format(void *frame);
uint32_t rz_frame_width(void *frame);
uint32_t rz_frame_height(void *frame);
/* Bytes per row of a plane (0 for a plane the format does not have). */
uint32_t rz_frame_stride(void *frame, uint32_t plane);
/* Pixels of a plane (null for a plane the format does not have). */
const uint8_t *rz_frame_data(void *frame, uint32_t plane);
/* Presentation time of the picture, microseconds from the media start. */
uint64_t rz_frame_time(void *frame);

#ifdef __cplusplus
}
#endif
