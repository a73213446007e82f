#pragma once
/* Conversion configuration: the settings a conversion job or a recorder reads.
 * Every setter keeps its value under a key (named beside it) that the job and
 * the rz_config_get_* calls read back. Setters return 1 when the value was
 * kept, 0 for a null or wrong handle; callers may ignore the result.
 * Settings of the watermark and background-sound families go to the item
 * chosen last with rz_config_set_watermark_index / _background_index (0 until
 * then); their keys read "watermark.<n>.<name>" and "background.<n>.<name>". */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

void *rz_config_create(void);
void rz_config_release(void *config);

/* Encoder. Codec ids are RZ_CODEC_* (rzcodec/codecids.h); -1 = no such stream. */
RZResult rz_config_set_video_codec(void *config, int32_t codecId);       /* "video.codec" */
RZResult rz_config_set_audio_codec(void *config, int32_t codecId);       /* "audio.codec" */
RZResult rz_config_set_video_profile_kind(void *config, uint32_t kind);  /* "video.profile_kind" */
RZResult rz_config_set_video_profile(void *config, uint32_t profile);    /* "video.profile" */
RZResult rz_config_set_audio_encoder(void *config, const char *name);    /* "audio.encoder": FFmpeg encoder name */
RZResult rz_config_set_video_size(void *config, uint32_t width, uint32_t height);  /* "video.size" */
RZResult rz_config_set_video_frame_rate(void *config, uint32_t num, uint32_t den); /* "video.frame_rate" */
RZResult rz_config_set_video_quality(void *config, int64_t quality);     /* "video.quality" */
RZResult rz_config_set_video_bitrate(void *config, uint64_t bitsPerSecond); /* "video.bitrate" */
RZResult rz_config_set_audio_channels(void *config, uint32_t channels);  /* "audio.channels" */
RZResult rz_config_set_audio_sample_rate(void *config, uint32_t rate);   /* "audio.sample_rate" */
RZResult rz_config_set_audio_bitrate(void *config, uint64_t bitsPerSecond); /* "audio.bitrate" */

/* Inputs of a recorder: 2 mixes a second input (a stream object) into the first. */
RZResult rz_config_set_input_count(void *config, uint32_t count);        /* "input.count" */
RZResult rz_config_add_input_stream(void *config, void *stream);         /* rz_config_get_input_stream */

/* Sound. Percentages, 100 = unchanged. */
RZResult rz_config_set_audio_volume(void *config, uint32_t percent);     /* "audio.volume" */
RZResult rz_config_set_audio_rate(void *config, uint32_t percent);       /* "audio.rate" */
RZResult rz_config_set_audio_speed(void *config, uint32_t percent);      /* "audio.speed" */
/* Band frequencies (Hz) and gains (dB), `count` each; copied. Null arrays with count 0 = off. */
RZResult rz_config_set_audio_equalize(void *config, const double *bands, const double *gains,
                                      uint32_t count);                   /* "audio.eq_bands", "audio.eq_gains" */

/* Tags written into the output: UTF-8 texts by key; the cover ("cover_image")
 * as a byte buffer (rzcodec/buffer.h), copied. */
RZResult rz_config_set_metadata(void *config, const char *key, const char *value);
RZResult rz_config_set_metadata_buffer(void *config, const char *key, void *buffer);

/* Chapters of the output, microseconds. */
RZResult rz_config_add_chapter(void *config, uint64_t start, uint64_t duration, const char *title);

/* Picture adjustments. */
RZResult rz_config_set_video_brightness(void *config, int32_t value);    /* "video.brightness" */
RZResult rz_config_set_video_saturation(void *config, int32_t value);    /* "video.saturation" */
RZResult rz_config_set_video_contrast(void *config, int32_t value);      /* "video.contrast" */
RZResult rz_config_set_video_hue(void *config, int32_t value);           /* "video.hue" */

/* Crop, rotation, pad fill. */
RZResult rz_config_set_video_aspect_ratio(void *config, uint32_t x, uint32_t y); /* "video.aspect_ratio" */
RZResult rz_config_set_video_rotate(void *config, int32_t degrees);      /* "video.rotate" */
RZResult rz_config_set_video_mirror(void *config, uint32_t on);          /* "video.mirror" */
RZResult rz_config_set_video_pad_and_color(void *config, uint32_t on, uint32_t argb); /* "video.pad" */
RZResult rz_config_set_video_crop(void *config, double left, double top, double right,
                                  double bottom);                        /* "video.crop" */

/* Streams kept. A mask has bit i for stream i of its kind (streams 0 to 63). */
RZResult rz_config_set_program_index(void *config, int32_t index);      /* "stream.program" */
RZResult rz_config_set_audio_index(void *config, int32_t index);        /* "stream.audio" */
RZResult rz_config_set_audio_stream_mask(void *config, uint64_t mask);  /* "stream.audio_mask" */
RZResult rz_config_set_audio_stream_option(void *config, const char *option); /* "stream.audio_option" */
RZResult rz_config_set_subtitle_index(void *config, int32_t index);     /* "stream.subtitle" */
RZResult rz_config_set_subtitle_file(void *config, const char *path);   /* "stream.subtitle_file" */
RZResult rz_config_enable_closed_caption(void *config, uint32_t on);    /* "stream.closed_caption" */
RZResult rz_config_set_subtitle_stream_mask(void *config, uint64_t mask); /* "stream.subtitle_mask" */
RZResult rz_config_set_subtitle_stream_option(void *config, const char *option); /* "stream.subtitle_option" */
RZResult rz_config_set_subtitle_codec(void *config, uint32_t codecId);  /* "stream.subtitle_codec" */

/* Subtitle style ("subtitle.<name>"). */
RZResult rz_config_set_subtitle_alpha(void *config, uint32_t alpha);                 /* alpha */
RZResult rz_config_set_subtitle_scale(void *config, uint32_t x, uint32_t y);         /* scale */
RZResult rz_config_set_subtitle_delay(void *config, int64_t microseconds);           /* delay */
RZResult rz_config_set_subtitle_text_font(void *config, const char *font);           /* font */
RZResult rz_config_set_subtitle_text_bold(void *config, uint32_t on);                /* bold */
RZResult rz_config_set_subtitle_text_italic(void *config, uint32_t on);              /* italic */
RZResult rz_config_set_subtitle_text_underline(void *config, uint32_t on);           /* underline */
RZResult rz_config_set_subtitle_text_strikeout(void *config, uint32_t on);           /* strikeout */
RZResult rz_config_set_subtitle_text_size(void *config, uint32_t size);              /* size */
RZResult rz_config_set_subtitle_text_color(void *config, uint32_t argb);             /* color */
RZResult rz_config_set_subtitle_text_shadow_color(void *config, uint32_t argb);      /* shadow_color */
RZResult rz_config_set_subtitle_text_outline_color(void *config, uint32_t argb);     /* outline_color */
RZResult rz_config_set_subtitle_text_shadow_offset(void *config, double offset);     /* shadow_offset */
RZResult rz_config_set_subtitle_text_outline_size(void *config, double size);        /* outline_size */
RZResult rz_config_set_subtitle_text_margin_h(void *config, double margin);          /* margin_h */
RZResult rz_config_set_subtitle_text_margin_v(void *config, double margin);          /* margin_v */
RZResult rz_config_set_subtitle_text_align(void *config, uint32_t align);            /* align */
RZResult rz_config_set_subtitle_text_spacing_h(void *config, double spacing);        /* spacing_h */
RZResult rz_config_set_subtitle_text_spacing_v(void *config, double spacing);        /* spacing_v */

/* Watermarks ("watermark.<n>.<name>"). */
RZResult rz_config_set_watermark_max_count(void *config, uint32_t count);            /* "watermark.max_count" */
RZResult rz_config_set_watermark_index(void *config, uint32_t index);
RZResult rz_config_set_watermark_image_file(void *config, const char *path);         /* image_file */
RZResult rz_config_set_watermark_image_mask_file(void *config, const char *path);    /* image_mask_file */
RZResult rz_config_set_watermark_image_mirror(void *config, uint32_t on);            /* image_mirror */
RZResult rz_config_set_watermark_image_position(void *config, double x, double y);   /* image_position */
RZResult rz_config_set_watermark_image_scale(void *config, uint32_t x, uint32_t y);  /* image_scale */
RZResult rz_config_set_watermark_image_angle(void *config, int32_t degrees);         /* image_angle */
RZResult rz_config_set_watermark_image_alpha(void *config, uint32_t alpha);          /* image_alpha */
RZResult rz_config_set_watermark_image_mix_mode(void *config, uint32_t mode);        /* image_mix_mode */
RZResult rz_config_set_watermark_image_size(void *config, double width, double height); /* image_size */
RZResult rz_config_set_watermark_image_loop(void *config, uint32_t on);              /* image_loop */
RZResult rz_config_set_watermark_image_crop(void *config, double left, double top, double right,
                                            double bottom);                          /* image_crop */
RZResult rz_config_set_watermark_text(void *config, const char *text);               /* text */
RZResult rz_config_set_watermark_text_alpha(void *config, uint32_t alpha);           /* text_alpha */
RZResult rz_config_set_watermark_text_position(void *config, double x, double y);    /* text_position */
RZResult rz_config_set_watermark_text_angle(void *config, int32_t degrees);          /* text_angle */
RZResult rz_config_set_watermark_text_bold(void *config, uint32_t on);               /* text_bold */
RZResult rz_config_set_watermark_text_size(void *config, uint32_t size);             /* text_size */
RZResult rz_config_set_watermark_text_font(void *config, const char *font);          /* text_font */
RZResult rz_config_set_watermark_text_color(void *config, uint32_t argb);            /* text_color */
RZResult rz_config_set_watermark_text_outline_color(void *config, uint32_t argb);    /* text_outline_color */
RZResult rz_config_set_watermark_text_outline_size(void *config, double size);       /* text_outline_size */
RZResult rz_config_set_watermark_text_shadow_color(void *config, uint32_t argb);     /* text_shadow_color */
RZResult rz_config_set_watermark_text_shadow_offset(void *config, double offset);    /* text_shadow_offset */
RZResult rz_config_set_watermark_text_italic(void *config, uint32_t on);             /* text_italic */
RZResult rz_config_set_watermark_text_underline(void *config, uint32_t on);          /* text_underline */
RZResult rz_config_set_watermark_text_strikeout(void *config, uint32_t on);          /* text_strikeout */
RZResult rz_config_set_watermark_text_scale(void *config, uint32_t x, uint32_t y);   /* text_scale */
RZResult rz_config_set_watermark_text_topmost(void *config, uint32_t on);            /* text_topmost */
RZResult rz_config_set_watermark_text_spacing_h(void *config, double spacing);       /* text_spacing_h */
RZResult rz_config_set_watermark_text_spacing_v(void *config, double spacing);       /* text_spacing_v */

/* Background sound ("background.<n>.<name>"). */
RZResult rz_config_set_background_index(void *config, uint32_t index);
RZResult rz_config_set_background_file(void *config, const char *path);              /* file */
RZResult rz_config_set_background_loop(void *config, uint32_t on);                   /* loop */
RZResult rz_config_set_background_mix_mode(void *config, uint32_t mode);             /* mix_mode */
RZResult rz_config_set_background_volume(void *config, uint32_t percent);            /* volume */
RZResult rz_config_set_background_weight(void *config, uint32_t weight);             /* weight */
RZResult rz_config_set_background_show_time(void *config, uint64_t start, uint64_t end);  /* show_time */
RZResult rz_config_set_background_split_time(void *config, uint64_t start, uint64_t end); /* split_time */

/* Read-back. A key holds the setter's arguments in order; `index` picks one.
 * Each returns 1 when the key holds a value of that kind at that index. */
RZResult rz_config_has(void *config, const char *key);
RZResult rz_config_get_int(void *config, const char *key, uint32_t index, int64_t *value);
RZResult rz_config_get_uint(void *config, const char *key, uint32_t index, uint64_t *value);
RZResult rz_config_get_double(void *config, const char *key, uint32_t index, double *value);
/* A text setting; null when absent. Valid until the key is set again or the configuration released. */
const char *rz_config_get_text(void *config, const char *key);
/* The equaliser arrays: "audio.eq_bands" or "audio.eq_gains". */
RZResult rz_config_get_doubles(void *config, const char *key, const double **values, uint32_t *count);
/* A tag value as a byte buffer owned by the configuration; null when absent. */
void *rz_config_get_metadata(void *config, const char *key);
uint32_t rz_config_get_chapter_count(void *config);
RZResult rz_config_get_chapter(void *config, uint32_t index, uint64_t *start, uint64_t *duration,
                               const char **title);
uint32_t rz_config_get_input_stream_count(void *config);
void *rz_config_get_input_stream(void *config, uint32_t index);

#ifdef __cplusplus
}
#endif
