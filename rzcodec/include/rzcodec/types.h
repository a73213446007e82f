#pragma once
/* Conventions shared by every role of the codec layer.
 *
 * - Objects are opaque handles (void*) returned by a create call; null means the
 *   create failed. Every call accepts a null or foreign handle and then fails.
 * - Results are 32-bit: non-zero means done, true or opened.
 * - Texts are NUL-terminated UTF-8.
 * - Times are unsigned 64-bit microseconds (a subtitle delay is signed).
 * - Switches are 0/1; colours are ARGB with the alpha in the top byte;
 *   volume, speed, rate and scales are percentages, 100 = unchanged.
 * - A stream index of -1 means none.
 * - Every failing call logs one line, with FFmpeg's error text where there is one.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t RZResult;

/* Called on a thread of the layer with the frame handle and the context given
 * at registration; the handle is valid only during the call (take a reference
 * with rz_frame_reference to keep it). */
typedef uint32_t (*RZFrameCallback)(void *frame, void *context);

#define RZ_OK 1
#define RZ_FAILED 0
#define RZ_NO_STREAM (-1)

#ifdef __cplusplus
}
#endif
