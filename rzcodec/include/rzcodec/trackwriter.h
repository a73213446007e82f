#pragma once
/* The track writer: a file written from compressed packets a caller pushes,
 * one track per stream (video, audio, subtitles), without decoding.
 *
 * A track is made with its codec (rzcodec/codecids.h numbers) and what the
 * container must know of it, including the codec's header bytes where the
 * codec has one (AAC's AudioSpecificConfig, FLAC's STREAMINFO, ...). Packets
 * carry microseconds; an empty packet (no data) ends the track. The writer
 * (create, prepare with up to one track of each kind, start) writes packets
 * as they arrive and completes the file once every track has ended; a
 * writer stopped first, or closed before, leaves no file.
 * Conventions: rzcodec/types.h. */

#include "rzcodec/types.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

void *rz_track_create_audio(uint32_t codec, uint32_t sampleRate, uint32_t channels,
                            const uint8_t *header, uint32_t headerLength);
void *rz_track_create_video(uint32_t codec, uint32_t width, uint32_t height, uint32_t frameRate,
                            uint32_t frameRateScale, uint32_t aspectX, uint32_t aspectY,
                            const uint8_t *header, uint32_t headerLength);
/* Subtitle packets count time in 1 / `timescale` seconds for the container. */
void *rz_track_create_subtitle(uint32_t codec, uint32_t timescale);
/* Queues a packet (times in microseconds; flag 1 = key frame); copied.
 * No data (null or length 0) ends the track. 0 once the track has ended. */
RZResult rz_track_push(void *track, int64_t pts, int64_t dts, int64_t duration, uint32_t flags,
                       const uint8_t *data, uint32_t length);
/* The end time of the last packet pushed, microseconds. */
uint64_t rz_track_time(void *track);
/* A track may be released once the writer using it is closed. */
void rz_track_release(void *track);

void *rz_trackwriter_create(int32_t flags);
/* Any of the three tracks may be null, not all. */
RZResult rz_trackwriter_prepare(void *writer, void *video, void *audio, void *subtitle,
                                const char *output, const char *muxer, void *config);
RZResult rz_trackwriter_start(void *writer);
/* 1 once the writer has ended: completed, failed or stopped. */
RZResult rz_trackwriter_get_state(void *writer);
RZResult rz_trackwriter_is_stopped(void *writer);
RZResult rz_trackwriter_is_failed(void *writer);
/* Microseconds written so far (the latest packet end of any track). */
uint64_t rz_trackwriter_get_done(void *writer);
RZResult rz_trackwriter_stop(void *writer);
/* Stops a running writer, waits for it and closes the file. */
RZResult rz_trackwriter_close(void *writer);
void rz_trackwriter_release(void *writer);

#ifdef __cplusplus
}
#endif
