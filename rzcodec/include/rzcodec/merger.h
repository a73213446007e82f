#pragma once
/* The merger role: several sources appended, in the order they are added,
 * into one new file. Every source is decoded, run through the sound chain of
 * the configuration given with it and encoded with the output's encoder, so
 * sources of different formats join without a gap.
 *
 * Use: create, open (output, lower-case muxer name, configuration: encoder
 * settings as for a conversion), start, add sources (each with a time range
 * and its own configuration, may be null), poll the state (1 once every
 * source added so far is merged, or the merger has ended), close. Close
 * completes the file when every source was merged; a merger stopped with
 * sources left, or one that failed, leaves no file.
 * Conventions: rzcodec/types.h. */

#include "rzcodec/types.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

void *rz_merger_create(int32_t flags);
RZResult rz_merger_open(void *merger, const char *output, const char *muxer, void *config);
/* Runs the merger on a thread of its own; sources may be added before and after. */
RZResult rz_merger_start(void *merger);
/* Adds a source with its range (microseconds; duration 0 = to the end) and
 * sound settings; 0 when it cannot be opened or holds no sound. */
RZResult rz_merger_add(void *merger, const char *source, uint64_t start, uint64_t duration,
                       void *config);
/* The same for a DVD folder's title (see rz_info_open_dvd_title). */
RZResult rz_merger_add_disc(void *merger, const char *folder, int32_t title, uint64_t start,
                            uint64_t duration, void *config);
/* 1 when every source added so far is merged, or the merger has ended. */
RZResult rz_merger_get_state(void *merger);
RZResult rz_merger_is_stopped(void *merger);
RZResult rz_merger_is_failed(void *merger);
/* Microseconds of all sources added and merged so far. */
uint64_t rz_merger_get_total(void *merger);
uint64_t rz_merger_get_done(void *merger);
const char *rz_merger_error_text(void *merger);
/* Stops a merger with sources left; 0 when there is nothing left to merge. */
RZResult rz_merger_stop(void *merger);
/* Ends the merger's thread and completes (or removes) the file. */
RZResult rz_merger_close(void *merger);
void rz_merger_release(void *merger);

#ifdef __cplusplus
}
#endif
