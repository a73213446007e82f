#pragma once
/* The recorder role: pushed sound → (two-input mix) → encoder → file.
 *
 * A recorder is created once and serves one recording after another:
 * open (path, lower-case muxer name, conversion configuration), run, any
 * number of pause/run pairs, stop (no more sound is taken; what was pushed is
 * encoded), finish (the file is completed). Frames may be pushed from one
 * thread into the recorder while another pushes into the stream object that
 * the recorder reads as its second input. Conventions: rzcodec/types.h. */

#include "rzcodec/types.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Sample-format codes of audio frames and streams. */
enum RZSampleFormat {
    RZ_SAMPLE_U8 = 0,
    RZ_SAMPLE_S16 = 1,
    RZ_SAMPLE_S32 = 2,
    RZ_SAMPLE_FLOAT = 3,
    RZ_SAMPLE_DOUBLE = 4
};

/* Media kind of a stream object. */
#define RZ_MEDIA_AUDIO 2

/* ---- audio frame: describes one block of interleaved samples ---- */
void *rz_audioframe_create(void);
RZResult rz_audioframe_set_format(void *frame, uint32_t sampleFormat, uint32_t sampleRate,
                                  uint32_t channels, uint32_t channelLayout);
/* The bytes stay the caller's; they must live until the frame is pushed. */
RZResult rz_audioframe_set_data(void *frame, const void *data, uint32_t frameCount);
RZResult rz_audioframe_set_timestamp(void *frame, uint64_t timestampUs);
/* Level block of the frame's samples (see rz_recorder_get_level_block);
 * kind 1; free with rz_level_block_free. */
unsigned char *rz_audioframe_get_level_block(void *frame, uint32_t kind);
void rz_audioframe_release(void *frame);

/* ---- stream object: a stream of pushed frames ---- */
/* Read callback of a stream fed by pulling; returns the bytes delivered. */
typedef uint32_t (*RZStreamReadCallback)(void *context, unsigned char *out, uint32_t length);
/* Moves the next read to a byte position; 1 when done. */
typedef int (*RZStreamSeekCallback)(void *context, uint64_t position);
/* The bytes the stream holds; 0xFFFFFFFF when unknown (a live source). */
typedef uint32_t (*RZStreamLengthCallback)(void *context);

void *rz_stream_create(int32_t mediaKind);
RZResult rz_stream_set_tag(void *stream, uint32_t fourcc);
RZResult rz_stream_set_sample_rate(void *stream, uint32_t sampleRate);
RZResult rz_stream_set_channels(void *stream, uint32_t channels);
RZResult rz_stream_set_sample_format(void *stream, uint32_t sampleFormat);
RZResult rz_stream_set_bit_depth(void *stream, uint32_t bits);
RZResult rz_stream_set_channel_layout(void *stream, uint32_t channelLayout);
RZResult rz_stream_set_read_callback(void *stream, RZStreamReadCallback callback, void *context);
/* Optional companions of the read callback, with its context. */
RZResult rz_stream_set_seek_callback(void *stream, RZStreamSeekCallback callback);
RZResult rz_stream_set_length_callback(void *stream, RZStreamLengthCallback callback);
/* Pushes one frame (its own time stamp keeps the stream in step). */
RZResult rz_stream_push_frame(void *stream, void *frame);
/* Bytes pushed so far. */
uint64_t rz_stream_pushed_bytes(void *stream);
void rz_stream_release(void *stream);

/* ---- recorder ---- */
void *rz_recorder_create(int32_t flags);
/* Creates the file. The audio codec (or encoder name), channels, sample
 * rate and bit rate come from the conversion configuration (rzcodec/config.h;
 * unset: the format's own codec, 2 channels, 44100 Hz). With its input count
 * at 2, the stream object added to it as input is mixed into what is pushed
 * here. Fails when the file cannot be created or the format cannot carry the
 * codec. */
RZResult rz_recorder_open(void *recorder, const char *path, const char *muxer, void *config);
/* Starts taking sound, or takes it again after a pause. */
RZResult rz_recorder_run(void *recorder);
RZResult rz_recorder_pause(void *recorder);
/* Takes no more sound and encodes what was pushed. */
RZResult rz_recorder_stop(void *recorder);
/* Completes the file. */
RZResult rz_recorder_finish(void *recorder);
RZResult rz_recorder_push_frame(void *recorder, void *frame);
/* Microseconds of sound recorded into the current file. */
uint64_t rz_recorder_get_time(void *recorder);
/* The latest level block, null when nothing was recorded yet: a 44-byte
 * RIFF/WAVE header (mono, 16-bit; sample rate at byte 24, data length at
 * byte 40), then the last 50 ms of the recorded sound as unsigned 16-bit
 * samples, silence = 32768. Free with rz_level_block_free. */
unsigned char *rz_recorder_get_level_block(void *recorder, uint32_t kind);
void rz_level_block_free(unsigned char *block);
/* The same block written into the caller's buffer, for a display that asks
 * many times a second and keeps one buffer: writes it when capacity bytes
 * hold it and answers its size either way (0 when nothing was recorded yet),
 * so a buffer too small is grown and the call made again. */
uint32_t rz_recorder_copy_level_block(void *recorder, unsigned char *buffer, uint32_t capacity);
/* Frames of sound the level block has been given since the recorder was
 * made: a display asks for a new block only when this changed. */
uint64_t rz_recorder_get_level_frames(void *recorder);
/* 1 when the running recording can no longer be written (disk full, a write
 * error, the file or its folder removed): it takes no sound from then on, and
 * the error text and code say why. Stop and finish as usual: finish completes
 * what reached the disk (as rz_recorder_repair does) and answers 1 when the
 * file is complete. Cleared by the next open. */
RZResult rz_recorder_write_failed(void *recorder);
/* The system error (an errno value such as ENOSPC) behind the last failure of
 * this recorder; 0 when none applies. */
int32_t rz_recorder_error_code(void *recorder);
/* The text of the last failure of this recorder ("" when none). */
const char *rz_recorder_error_text(void *recorder);
void rz_recorder_release(void *recorder);

/* Completes a file that a recording left unfinished (the process ended
 * before finish): the lengths in its header are set from the audio present,
 * and an MP4-family file becomes a normal one. `muxer` is the name the
 * recording was opened with (null or "": from the path's extension). The
 * file is replaced only by a complete repaired copy; on failure (logged) it
 * stays as it was. Succeeds also when nothing had to change. */
RZResult rz_recorder_repair(const char *path, const char *muxer);

#ifdef __cplusplus
}
#endif
