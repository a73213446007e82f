#pragma once
/* Media information: what a media file holds (streams, duration, sizes, tags,
 * cover, chapters) and pictures of it. One handle opens one file at a time;
 * a new open replaces the previous file. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* `flags` is reserved; callers pass 0xFFFFFFFF. */
void *rz_info_create(uint32_t flags);
/* Closes, then releases. */
void rz_info_release(void *info);

RZResult rz_info_open(void *info, const char *pathUtf8);
/* A DVD folder (the folder holding VIDEO_TS, or VIDEO_TS itself): its longest title. */
RZResult rz_info_open_dvd(void *info, const char *folderUtf8);
/* The same with the title chosen: title set `title` (1, 2, ...; its VOB files
 * joined in order), or the longest when `title` is below 1. */
RZResult rz_info_open_dvd_title(void *info, const char *folderUtf8, int32_t title);
/* Media read through a stream object's callbacks (rzcodec/recorder.h: read,
 * and for formats that need it seek and length). */
RZResult rz_info_open_stream(void *info, void *stream);
/* The file open in a player (rzcodec/player.h). */
RZResult rz_info_open_with_player(void *info, void *player);
RZResult rz_info_close(void *info);

RZResult rz_info_has_video(void *info); /* a moving picture; a cover is no video */
RZResult rz_info_has_audio(void *info);
uint64_t rz_info_duration(void *info);  /* microseconds */
/* The container format's short name (FFmpeg's demuxer name list, ASCII, e.g.
 * "mp3", "mov,mp4,m4a,3gp,3g2,mj2"); null when no file is open. Valid until the
 * next open, close or release. */
const char *rz_info_format_name(void *info);
uint32_t rz_info_video_width(void *info);
uint32_t rz_info_video_height(void *info);
/* Display aspect ratio as two terms (16, 9), 0 without video. */
uint32_t rz_info_video_aspect_x(void *info);
uint32_t rz_info_video_aspect_y(void *info);

/* A value by key as a byte buffer (rzcodec/buffer.h) owned by the handle and
 * valid until the next open, close or release; null when absent. Keys: "title",
 * "artist", "album_artist", "composer", "album", "genre", "track", "year",
 * "date", "grouping", "comment", "disc", "copyright" (UTF-8 texts),
 * "cover_image" (the picture's bytes), "ffmpeg_format" (the demuxer's name
 * list, e.g. "mov,mp4,m4a,3gp,3g2,mj2"), "major_brand". */
void *rz_info_get_metadata(void *info, const char *key);

/* A picture as a whole BMP file in memory (total length: the little-endian
 * 32-bit value at byte offset 2), freed with rz_info_free_video_image.
 * useCover 1: the cover picture when there is one, else the video frame at
 * `time`; 0: the video frame only. width/height 0 = the picture's own size
 * (one of them 0 keeps the aspect ratio). `reserved` must be 0. */
uint8_t *rz_info_get_video_image(void *info, uint64_t time, uint32_t useCover, uint32_t width,
                                 uint32_t height, uint32_t reserved);
/* 1 when the image came from this handle and is now freed. */
RZResult rz_info_free_video_image(void *info, uint8_t *image);

/* Programs and streams. A file without programs has one program, 0. Counts are
 * of the selected program's streams; an index counts streams of that kind
 * from 0, -1 = none. */
uint32_t rz_info_program_count(void *info);
const char *rz_info_program_name(void *info);
uint32_t rz_info_video_count(void *info);
uint32_t rz_info_audio_count(void *info);
uint32_t rz_info_subtitle_count(void *info);
RZResult rz_info_set_program_index(void *info, int32_t index);
RZResult rz_info_set_video_index(void *info, int32_t index);
RZResult rz_info_set_audio_index(void *info, int32_t index);
RZResult rz_info_set_subtitle_index(void *info, int32_t index);
/* An external subtitle file; 1 when it opens as subtitles. */
RZResult rz_info_set_subtitle_file(void *info, const char *pathUtf8);
/* Subtitles read through a stream object's callbacks. */
RZResult rz_info_set_subtitle_stream(void *info, void *stream);
/* The same with two extra values, kept as given and reported back. */
RZResult rz_info_set_subtitle_file_ex(void *info, const char *pathUtf8, uint32_t extra1,
                                      uint32_t extra2);
RZResult rz_info_set_subtitle_stream_ex(void *info, void *stream, uint32_t extra1, uint32_t extra2);
/* The external subtitles set last: 1 when there are some, with whether they
 * come from a stream and the extra values (0 when none were given). */
RZResult rz_info_get_subtitle_source(void *info, uint32_t *fromStream, uint32_t *extra1,
                                     uint32_t *extra2);
/* Their file ("" for a stream or none); valid until the next setting or open. */
const char *rz_info_subtitle_file(void *info);
RZResult rz_info_enable_closed_caption(void *info, uint32_t on);

/* The interrupt switch: while on (1), an open or read of this handle running
 * on another thread returns at its next check, failing. May be called from
 * any thread while the handle lives. */
RZResult rz_info_interrupt(void *info, uint32_t on);

/* Chapters, counted from 0; times in microseconds from the media start. */
int32_t rz_info_chapter_count(void *info);
uint64_t rz_info_chapter_start(void *info, int32_t index);
uint64_t rz_info_chapter_duration(void *info, int32_t index);
/* The chapter's title, "" when it has none; valid until the next open, close or release. */
const char *rz_info_chapter_title(void *info, int32_t index);

#ifdef __cplusplus
}
#endif
