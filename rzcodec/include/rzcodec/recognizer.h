#pragma once
/* The recogniser role: tells the tags of the music being recorded or of a
 * file. Live recognition reads a stream object that the capture pushes into;
 * what is playing is learnt from a "now playing" source that the
 * application registers (the desktop's media players and sound streams),
 * asked about the sound source the capture records from, by one thread of
 * the layer for every live recognition. A live answer counts once it has
 * stayed the same for half a second: players name a file for a moment
 * before its tags. Stopping or closing a recogniser never waits for a
 * look-up under way. A file recognition reads the file's own tags.
 * Recognition is complete once a title is known; values are then read by
 * key ("title", "artist", "album_artist", "album", "comment", "composer",
 * "copyright", "date", "disc", "dvd_clip", "dvd_size", "genre", "grouping",
 * "lyrics", "track", "year", "cover_image"). Conventions: rzcodec/types.h. */

#include "rzcodec/types.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Hands one tag to the recogniser: key, value bytes and their length. */
typedef void (*RZTagPut)(void *target, const char *key, const void *value, uint32_t length);
/* Asks what is playing now into what `source` records (the name the
 * recogniser was given, "" when none); calls `put` for each tag it knows
 * (none when nothing plays there). Called on a thread of the layer, every
 * few hundred milliseconds while a live recognition runs. */
typedef void (*RZNowPlayingQuery)(void *context, const char *source, RZTagPut put, void *target);

/* Registers the process-wide "now playing" source (null to remove it).
 * Waits for a look-up under way with the source before, so that its context
 * may go; with none, the layer's asking thread ends (call it before the
 * program's end, while the source can still answer). */
void rz_recognizer_set_now_playing_source(RZNowPlayingQuery query, void *context);

void *rz_recognizer_create(uint32_t flags);
/* The sound source a live recognition listens to, handed to the "now
 * playing" source (null or "" for none); kept until set again. */
RZResult rz_recognizer_set_source(void *recognizer, const char *source);
/* Live recognition of a stream object; `reserved1` and `reserved2` are 0. */
RZResult rz_recognizer_open(void *recognizer, void *reserved1, void *stream, void *reserved2);
/* Recognition of a media file (UTF-8 path); fails when it cannot be read. */
RZResult rz_recognizer_open_file(void *recognizer, const char *path);
/* The live recognition started next names a file that follows a cut: the
 * track this recogniser's last live recognition heard last names it only
 * once another track was heard since, or when it still holds at
 * rz_recognizer_end. Call before rz_recognizer_start. */
RZResult rz_recognizer_follow_cut(void *recognizer);
/* The sound a live recognition names ends: a track held back by
 * rz_recognizer_follow_cut that has held until now completes it. */
RZResult rz_recognizer_end(void *recognizer);
/* 1 when the recognition started. */
RZResult rz_recognizer_start(void *recognizer);
/* 1 once the recognition is complete. */
RZResult rz_recognizer_completed(void *recognizer);
RZResult rz_recognizer_stop(void *recognizer);
RZResult rz_recognizer_close(void *recognizer);
/* The value of a key, or null when the recognition has none; valid until the
 * recogniser is closed, opened again or released. */
const void *rz_recognizer_value(void *recognizer, const char *key, uint32_t *length);
void rz_recognizer_release(void *recognizer);

/* A new stream object over the sound of an existing one (a "track"): it sees
 * every frame pushed into the track. Released on its own. */
void *rz_stream_create_from_track(void *track);

#ifdef __cplusplus
}
#endif
