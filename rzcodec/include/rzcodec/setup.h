#pragma once
/* Global set-up of the codec layer, called once at start-up before any other
 * role is used. Each call may be made again later; results are 1 when the
 * setting was taken. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Logging: channel 1 = FFmpeg's own error messages (through the layer's log;
 * its warnings are never written), channel 0 =
 * the layer's one-line failure reports (on by default). */
RZResult rz_setup_log(uint32_t channel, uint32_t on);
/* Where the lines of both channels go instead of standard error: the sink is
 * called with one line (UTF-8, no line end; level 1 = FFmpeg's warnings and
 * worse, 0 = the layer's failure reports) on whatever thread logs it, and must
 * not call back into the layer. Null gives them back to standard error. */
typedef void (*RZLogSink)(uint32_t channel, const char *line);
RZResult rz_setup_log_sink(RZLogSink sink);
/* Decoding: kind 0 = decoders may use several threads (on by default). */
RZResult rz_setup_decoding(uint32_t kind, uint32_t on);
/* Hardware-accelerated decoding: only 0 (off) is supported; asking for 1 fails. */
RZResult rz_setup_hardware(uint32_t on);
/* Network inputs (URLs) for the roles that open media (off by default). */
RZResult rz_setup_network(uint32_t on);
/* Working folder for what the layer writes aside; it must exist. */
RZResult rz_setup_work_folder(const char *folderUtf8);
/* Pixel formats (RZ_PIXFMT_* of frame.h) that players hand to their frame
 * callbacks, in order of preference; count 0 = the decoder's own format. */
RZResult rz_setup_frame_formats(const uint32_t *formats, uint32_t count);

/* The working folder last set ("" when none). */
const char *rz_setup_get_work_folder(void);

#ifdef __cplusplus
}
#endif
