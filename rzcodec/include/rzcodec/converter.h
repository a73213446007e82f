#pragma once
/* The converter role: one conversion job writes a new file from a source.
 *
 * Two kinds: the standard job decodes the sound, runs it through the filter
 * chain the player uses (volume, speed, rate, equaliser from the conversion
 * configuration) and encodes it; the stream-copy job copies the compressed
 * sound of a time range as it stands (a plain cut).
 *
 * Use: create, prepare (source, output, lower-case muxer name, configuration),
 * optionally set the time range, start, then poll the state, the progress
 * (done / total) or wait; stop from any thread; close; release.
 * The output file exists only after a job that completed: a job that failed,
 * was stopped, or was closed before completing removes what it wrote.
 * Conventions: rzcodec/types.h. */

#include "rzcodec/types.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

void *rz_converter_create(int32_t flags);             /* standard job */
void *rz_converter_create_stream_copy(int32_t flags); /* plain cut */

/* Opens the source and creates the output. The muxer name may be empty (the
 * output's extension decides). Encoder settings come from the configuration
 * (rzcodec/config.h; unset: the source's codec when the format can carry it,
 * else the format's own; 2 channels; 44100 Hz), and so do the sound settings
 * and the text tags of the standard job. Fails when the source has no sound,
 * the output is the source itself or an existing non-regular file, or it
 * cannot be created. The configuration may be released after the call. */
RZResult rz_converter_prepare(void *job, const char *source, const char *output,
                              const char *muxer, void *config);
/* The same with a DVD-Video folder as the source: title `title` (1, 2, ...;
 * below 1: the longest), its VOB files joined in order, its chapters from
 * the IFO files. */
RZResult rz_converter_prepare_disc(void *job, const char *folder, int32_t title,
                                   const char *output, const char *muxer, void *config);
/* Microseconds of the source; duration 0 = to the end. Before start. */
RZResult rz_converter_set_time_range(void *job, uint64_t start, uint64_t duration);
/* Runs the job on a thread of its own. */
RZResult rz_converter_start(void *job);

/* 1 once the job has ended: completed, failed or stopped. */
RZResult rz_converter_get_state(void *job);
/* 1 when the job ended because it was stopped. */
RZResult rz_converter_is_stopped(void *job);
/* 1 when the job ended in failure (its output is removed). */
RZResult rz_converter_is_failed(void *job);
/* Waits up to `milliseconds` for the job to end; 1 when it has ended. */
RZResult rz_converter_wait(void *job, uint32_t milliseconds);
/* Source microseconds to convert and converted so far. */
uint64_t rz_converter_get_total(void *job);
uint64_t rz_converter_get_done(void *job);
/* The text of the last failure ("" when none). */
const char *rz_converter_error_text(void *job);

/* Asks a running job to stop; 0 when there is nothing running to stop. */
RZResult rz_converter_stop(void *job);
/* Stops a running job, waits for it, and closes the files. */
RZResult rz_converter_close(void *job);
void rz_converter_release(void *job);

#ifdef __cplusplus
}
#endif
