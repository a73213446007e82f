#pragma once
/* Player: plays one media file through the default sound output (or a chosen
 * one), with a play clock taken from the samples actually played, sound
 * settings applied by the shared filter chain, wave data of what is heard, and
 * decoded pictures handed to frame callbacks on the player's own thread.
 *
 * A player is released by rz_player_stop, rz_player_close, rz_player_release.
 * Every call fails (0) on a null or foreign handle. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Create arguments. Every kind makes the same player; the value is kept. */
#define RZ_PLAYER_DEFAULT INT32_C(-1)   /* also 0xFFFFFFFF */
#define RZ_PLAYER_PLAIN INT32_C(-3)

void *rz_player_create(int32_t kind);
/* A second handle on the player `other` (both drive the same playback). */
void *rz_player_create_reference(void *other);
RZResult rz_player_release(void *player);

/* Opens a file (UTF-8); pictures are scaled to width x height unless 0 x 0.
 * The two trailing numbers are reserved. The "DVD" form opens a file too. */
RZResult rz_player_open_ex(void *player, const char *pathUtf8, uint32_t width, uint32_t height,
                           uint32_t reserved1, uint32_t reserved2);
RZResult rz_player_open_dvd_ex(void *player, const char *pathUtf8, uint32_t width,
                               uint32_t height, uint32_t reserved1, uint32_t reserved2);
RZResult rz_player_close(void *player);
/* The output device (a sound-server sink name; "" = the default output). */
RZResult rz_player_set_audio_device(void *player, const char *deviceUtf8);

/* State. */
RZResult rz_player_is_completed(void *player);
RZResult rz_player_is_stop(void *player);
RZResult rz_player_is_pause(void *player);
RZResult rz_player_is_running(void *player);
RZResult rz_player_has_video(void *player);
RZResult rz_player_has_audio(void *player);
RZResult rz_player_can_seek(void *player);
/* Why the last playback ended before its end, or why play failed: its sound
 * output failed (the sound server went away) or could not be opened; or why
 * the last seek failed (the player is then paused where it was, or stopped).
 * "" when it did not; cleared by the next play or open. Valid until the next
 * call of this function on the handle. */
const char *rz_player_get_error_text(void *player);

/* Times in microseconds: length, the position being heard, the picture shown. */
uint64_t rz_player_get_duration(void *player);
uint64_t rz_player_get_play_time(void *player);
uint64_t rz_player_get_video_time(void *player);
uint32_t rz_player_get_video_width(void *player);
uint32_t rz_player_get_video_height(void *player);
uint32_t rz_player_get_video_aspect_x(void *player);
uint32_t rz_player_get_video_aspect_y(void *player);

/* Events a player reports later, on its own thread and without any lock of
 * the player held, to the handler set with rz_player_set_event_handle:
 * - RZ_PLAYER_EVENT_PLAY_FAILED: a play that was accepted could not start,
 *   because its sound output could not be opened; rz_player_get_error_text
 *   says why, and the player is stopped (paused, when the play came from a
 *   pause) where it was. */
#define RZ_PLAYER_EVENT_PLAY_FAILED 1
typedef void (*RZPlayerEventCallback)(int32_t event, void *context);
RZResult rz_player_set_event_handle(void *player, RZPlayerEventCallback callback, void *context);

/* Transport. Play after the end starts again from the beginning; stop goes
 * back to 0. A fast seek lands on a key frame. Between begin and end of an
 * asynchronous seek every seek lands on a key frame; the end seeks exactly to
 * the last position asked. A frame step pauses and moves by whole pictures
 * (by the time interval when there is no video). Play returns at once: the
 * player's thread opens the sound output (see RZ_PLAYER_EVENT_PLAY_FAILED).
 * State, times and wave data are read without waiting for the player's
 * thread, even while it reads or seeks a slow file. */
RZResult rz_player_play(void *player);
RZResult rz_player_pause(void *player);
RZResult rz_player_stop(void *player);
RZResult rz_player_seek(void *player, uint64_t timeUs);
RZResult rz_player_fast_seek(void *player, uint64_t timeUs, int32_t flags);
RZResult rz_player_begin_async_seek(void *player, uint64_t toleranceUs);
RZResult rz_player_end_async_seek(void *player);
RZResult rz_player_frame_step(void *player, int32_t frames);
RZResult rz_player_key_frame_step(void *player, int32_t direction);
RZResult rz_player_change_speed(void *player, int32_t percent);
RZResult rz_player_enable_loop(void *player, int32_t on);

/* Sound: volume, rate (tempo and pitch) in percent, equaliser bands
 * (centre frequencies in Hz with gains in dB; count 0 = flat). */
RZResult rz_player_set_audio_volume(void *player, uint64_t percent);
RZResult rz_player_set_audio_rate(void *player, uint64_t percent);
RZResult rz_player_set_audio_equalize(void *player, const double *bands, const double *gains,
                                      uint32_t count);

/* Pictures. Callbacks run on the player's thread; the frame handle is valid
 * during the call only. The time interval is how often pictures are handed
 * out while playing; show/update/refresh hand the current picture out again. */
RZResult rz_player_set_video_frame_handle(void *player, RZFrameCallback callback, void *context);
RZResult rz_player_set_original_video_frame_handle(void *player, RZFrameCallback callback,
                                                   void *context);
RZResult rz_player_set_time_interval(void *player, uint64_t microseconds);
RZResult rz_player_show_video_frame(void *player);
RZResult rz_player_update_video_frame(void *player);
RZResult rz_player_refresh_video_frame(void *player);
/* The current picture as a BMP file in memory (its total length is the
 * little-endian 32-bit value at byte 2), scaled when width and height are
 * given; free it with rz_player_free_video_image. */
uint8_t *rz_player_capture_video_image(void *player, uint32_t width, uint32_t height,
                                       uint32_t reserved);
RZResult rz_player_free_video_image(void *player, uint8_t *image);

/* Wave data of the last 50 ms heard: a 44-byte RIFF/WAVE header (byte 24:
 * sample rate, byte 40: byte length of the samples) and mono unsigned 16-bit
 * samples, 32768 = silence. On by default; null when nothing was heard. Free
 * it with rz_player_free_audio_wave_data. */
RZResult rz_player_enable_audio_wave_data(void *player, uint32_t on);
uint8_t *rz_player_get_audio_wave_data(void *player, uint32_t kind);
RZResult rz_player_free_audio_wave_data(void *player, uint8_t *data);

/* Settings kept and reported back without being drawn (picture, watermark,
 * subtitle, stream and background sound): each is stored under its name with
 * its numbers and, where it has one, its text. A batch between begin and end
 * takes effect at once. */
RZResult rz_player_begin_settings(void *player);
RZResult rz_player_end_settings(void *player);
RZResult rz_player_set_values(void *player, const char *name, const double *values,
                              uint32_t count);
RZResult rz_player_set_text(void *player, const char *name, const char *textUtf8,
                            const double *values, uint32_t count);
/* Number of values stored under `name` (0 when never set); up to `capacity`
 * of them are copied to `values`. */
uint32_t rz_player_get_values(void *player, const char *name, double *values, uint32_t capacity);
/* The text stored under `name` ("" when none); valid until the next setting. */
const char *rz_player_get_text(void *player, const char *name);

#ifdef __cplusplus
}
#endif
