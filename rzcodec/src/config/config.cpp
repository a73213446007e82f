#include "rzcodec/config.h"

#include "internal/convertconfig.h"
#include "internal/error.h"

using rz::ConfigValue;
using rz::ConvertConfig;

namespace {
ConvertConfig *configOf(void *handle, const char *call)
{
    return rz::handleCast<ConvertConfig>(handle, call);
}

RZResult store(void *handle, const char *call, const std::string &key,
               std::vector<ConfigValue> values)
{
    ConvertConfig *c = configOf(handle, call);
    if (!c)
        return 0;
    c->set(key, std::move(values));
    return 1;
}

RZResult storeScoped(void *handle, const char *call, const char *family, const char *name,
                     std::vector<ConfigValue> values)
{
    ConvertConfig *c = configOf(handle, call);
    if (!c)
        return 0;
    c->set(c->scopedKey(family, name), std::move(values));
    return 1;
}
} // namespace

#define RZ_SET1(fn, key, T)                                                                        \
    extern "C" RZResult fn(void *config, T a) { return store(config, #fn, key, {ConfigValue::of(a)}); }
#define RZ_SET2(fn, key, T1, T2)                                                                   \
    extern "C" RZResult fn(void *config, T1 a, T2 b)                                               \
    {                                                                                              \
        return store(config, #fn, key, {ConfigValue::of(a), ConfigValue::of(b)});                  \
    }
#define RZ_SET4(fn, key, T)                                                                        \
    extern "C" RZResult fn(void *config, T a, T b, T c, T d)                                       \
    {                                                                                              \
        return store(config, #fn, key,                                                             \
                     {ConfigValue::of(a), ConfigValue::of(b), ConfigValue::of(c), ConfigValue::of(d)}); \
    }
#define RZ_SCOPED1(fn, family, name, T)                                                            \
    extern "C" RZResult fn(void *config, T a)                                                      \
    {                                                                                              \
        return storeScoped(config, #fn, family, name, {ConfigValue::of(a)});                       \
    }
#define RZ_SCOPED2(fn, family, name, T)                                                            \
    extern "C" RZResult fn(void *config, T a, T b)                                                 \
    {                                                                                              \
        return storeScoped(config, #fn, family, name, {ConfigValue::of(a), ConfigValue::of(b)});   \
    }
#define RZ_SCOPED4(fn, family, name, T)                                                            \
    extern "C" RZResult fn(void *config, T a, T b, T c, T d)                                       \
    {                                                                                              \
        return storeScoped(config, #fn, family, name,                                              \
                           {ConfigValue::of(a), ConfigValue::of(b), ConfigValue::of(c),            \
                            ConfigValue::of(d)});                                                  \
    }

extern "C" void *rz_config_create(void)
{
    return rz::toHandle(new ConvertConfig);
}

extern "C" void rz_config_release(void *config)
{
    if (ConvertConfig *c = configOf(config, "rz_config_release"))
        delete c;
}

// Encoder
RZ_SET1(rz_config_set_video_codec, "video.codec", int32_t)
RZ_SET1(rz_config_set_audio_codec, "audio.codec", int32_t)
RZ_SET1(rz_config_set_video_profile_kind, "video.profile_kind", uint32_t)
RZ_SET1(rz_config_set_video_profile, "video.profile", uint32_t)
RZ_SET1(rz_config_set_audio_encoder, "audio.encoder", const char *)
RZ_SET2(rz_config_set_video_size, "video.size", uint32_t, uint32_t)
RZ_SET2(rz_config_set_video_frame_rate, "video.frame_rate", uint32_t, uint32_t)
RZ_SET1(rz_config_set_video_quality, "video.quality", int64_t)
RZ_SET1(rz_config_set_video_bitrate, "video.bitrate", uint64_t)
RZ_SET1(rz_config_set_audio_channels, "audio.channels", uint32_t)
RZ_SET1(rz_config_set_audio_sample_rate, "audio.sample_rate", uint32_t)
RZ_SET1(rz_config_set_audio_bitrate, "audio.bitrate", uint64_t)

// Inputs
RZ_SET1(rz_config_set_input_count, "input.count", uint32_t)

extern "C" RZResult rz_config_add_input_stream(void *config, void *stream)
{
    ConvertConfig *c = configOf(config, "rz_config_add_input_stream");
    if (!c)
        return 0;
    if (!stream) {
        rz::logError("rz_config_add_input_stream: no stream");
        return 0;
    }
    c->inputStreams.push_back(stream);
    return 1;
}

// Sound
RZ_SET1(rz_config_set_audio_volume, "audio.volume", uint32_t)
RZ_SET1(rz_config_set_audio_rate, "audio.rate", uint32_t)
RZ_SET1(rz_config_set_audio_speed, "audio.speed", uint32_t)

extern "C" RZResult rz_config_set_audio_equalize(void *config, const double *bands,
                                                 const double *gains, uint32_t count)
{
    ConvertConfig *c = configOf(config, "rz_config_set_audio_equalize");
    if (!c)
        return 0;
    if (count > 0 && (!bands || !gains)) {
        rz::logError("rz_config_set_audio_equalize: missing arrays for " + std::to_string(count)
                     + " bands");
        return 0;
    }
    c->equalizerBands.assign(bands, bands + (count ? count : 0));
    c->equalizerGains.assign(gains, gains + (count ? count : 0));
    return 1;
}

// Tags
extern "C" RZResult rz_config_set_metadata(void *config, const char *key, const char *value)
{
    ConvertConfig *c = configOf(config, "rz_config_set_metadata");
    if (!c)
        return 0;
    if (!key || !*key) {
        rz::logError("rz_config_set_metadata: no key");
        return 0;
    }
    c->setMetadata(key, value ? value : "");
    return 1;
}

extern "C" RZResult rz_config_set_metadata_buffer(void *config, const char *key, void *buffer)
{
    ConvertConfig *c = configOf(config, "rz_config_set_metadata_buffer");
    if (!c)
        return 0;
    const std::string *bytes = rz::bufferBytes(buffer, "rz_config_set_metadata_buffer");
    if (!bytes || !key || !*key)
        return 0;
    c->setMetadata(key, *bytes);
    return 1;
}

extern "C" RZResult rz_config_add_chapter(void *config, uint64_t start, uint64_t duration,
                                          const char *title)
{
    ConvertConfig *c = configOf(config, "rz_config_add_chapter");
    if (!c)
        return 0;
    c->chapters.push_back({start, duration, title ? title : ""});
    return 1;
}

// Picture
RZ_SET1(rz_config_set_video_brightness, "video.brightness", int32_t)
RZ_SET1(rz_config_set_video_saturation, "video.saturation", int32_t)
RZ_SET1(rz_config_set_video_contrast, "video.contrast", int32_t)
RZ_SET1(rz_config_set_video_hue, "video.hue", int32_t)
RZ_SET2(rz_config_set_video_aspect_ratio, "video.aspect_ratio", uint32_t, uint32_t)
RZ_SET1(rz_config_set_video_rotate, "video.rotate", int32_t)
RZ_SET1(rz_config_set_video_mirror, "video.mirror", uint32_t)
RZ_SET2(rz_config_set_video_pad_and_color, "video.pad", uint32_t, uint32_t)
RZ_SET4(rz_config_set_video_crop, "video.crop", double)

// Streams
RZ_SET1(rz_config_set_program_index, "stream.program", int32_t)
RZ_SET1(rz_config_set_audio_index, "stream.audio", int32_t)
RZ_SET1(rz_config_set_audio_stream_mask, "stream.audio_mask", uint64_t)
RZ_SET1(rz_config_set_audio_stream_option, "stream.audio_option", const char *)
RZ_SET1(rz_config_set_subtitle_index, "stream.subtitle", int32_t)
RZ_SET1(rz_config_set_subtitle_file, "stream.subtitle_file", const char *)
RZ_SET1(rz_config_enable_closed_caption, "stream.closed_caption", uint32_t)
RZ_SET1(rz_config_set_subtitle_stream_mask, "stream.subtitle_mask", uint64_t)
RZ_SET1(rz_config_set_subtitle_stream_option, "stream.subtitle_option", const char *)
RZ_SET1(rz_config_set_subtitle_codec, "stream.subtitle_codec", uint32_t)

// Subtitle style
RZ_SET1(rz_config_set_subtitle_alpha, "subtitle.alpha", uint32_t)
RZ_SET2(rz_config_set_subtitle_scale, "subtitle.scale", uint32_t, uint32_t)
RZ_SET1(rz_config_set_subtitle_delay, "subtitle.delay", int64_t)
RZ_SET1(rz_config_set_subtitle_text_font, "subtitle.font", const char *)
RZ_SET1(rz_config_set_subtitle_text_bold, "subtitle.bold", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_italic, "subtitle.italic", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_underline, "subtitle.underline", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_strikeout, "subtitle.strikeout", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_size, "subtitle.size", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_color, "subtitle.color", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_shadow_color, "subtitle.shadow_color", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_outline_color, "subtitle.outline_color", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_shadow_offset, "subtitle.shadow_offset", double)
RZ_SET1(rz_config_set_subtitle_text_outline_size, "subtitle.outline_size", double)
RZ_SET1(rz_config_set_subtitle_text_margin_h, "subtitle.margin_h", double)
RZ_SET1(rz_config_set_subtitle_text_margin_v, "subtitle.margin_v", double)
RZ_SET1(rz_config_set_subtitle_text_align, "subtitle.align", uint32_t)
RZ_SET1(rz_config_set_subtitle_text_spacing_h, "subtitle.spacing_h", double)
RZ_SET1(rz_config_set_subtitle_text_spacing_v, "subtitle.spacing_v", double)

// Watermarks
RZ_SET1(rz_config_set_watermark_max_count, "watermark.max_count", uint32_t)

extern "C" RZResult rz_config_set_watermark_index(void *config, uint32_t index)
{
    ConvertConfig *c = configOf(config, "rz_config_set_watermark_index");
    if (!c)
        return 0;
    c->selectItem("watermark", index);
    return 1;
}

RZ_SCOPED1(rz_config_set_watermark_image_file, "watermark", "image_file", const char *)
RZ_SCOPED1(rz_config_set_watermark_image_mask_file, "watermark", "image_mask_file", const char *)
RZ_SCOPED1(rz_config_set_watermark_image_mirror, "watermark", "image_mirror", uint32_t)
RZ_SCOPED2(rz_config_set_watermark_image_position, "watermark", "image_position", double)
RZ_SCOPED2(rz_config_set_watermark_image_scale, "watermark", "image_scale", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_image_angle, "watermark", "image_angle", int32_t)
RZ_SCOPED1(rz_config_set_watermark_image_alpha, "watermark", "image_alpha", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_image_mix_mode, "watermark", "image_mix_mode", uint32_t)
RZ_SCOPED2(rz_config_set_watermark_image_size, "watermark", "image_size", double)
RZ_SCOPED1(rz_config_set_watermark_image_loop, "watermark", "image_loop", uint32_t)
RZ_SCOPED4(rz_config_set_watermark_image_crop, "watermark", "image_crop", double)
RZ_SCOPED1(rz_config_set_watermark_text, "watermark", "text", const char *)
RZ_SCOPED1(rz_config_set_watermark_text_alpha, "watermark", "text_alpha", uint32_t)
RZ_SCOPED2(rz_config_set_watermark_text_position, "watermark", "text_position", double)
RZ_SCOPED1(rz_config_set_watermark_text_angle, "watermark", "text_angle", int32_t)
RZ_SCOPED1(rz_config_set_watermark_text_bold, "watermark", "text_bold", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_size, "watermark", "text_size", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_font, "watermark", "text_font", const char *)
RZ_SCOPED1(rz_config_set_watermark_text_color, "watermark", "text_color", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_outline_color, "watermark", "text_outline_color", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_outline_size, "watermark", "text_outline_size", double)
RZ_SCOPED1(rz_config_set_watermark_text_shadow_color, "watermark", "text_shadow_color", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_shadow_offset, "watermark", "text_shadow_offset", double)
RZ_SCOPED1(rz_config_set_watermark_text_italic, "watermark", "text_italic", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_underline, "watermark", "text_underline", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_strikeout, "watermark", "text_strikeout", uint32_t)
RZ_SCOPED2(rz_config_set_watermark_text_scale, "watermark", "text_scale", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_topmost, "watermark", "text_topmost", uint32_t)
RZ_SCOPED1(rz_config_set_watermark_text_spacing_h, "watermark", "text_spacing_h", double)
RZ_SCOPED1(rz_config_set_watermark_text_spacing_v, "watermark", "text_spacing_v", double)

// Background sound
extern "C" RZResult rz_config_set_background_index(void *config, uint32_t index)
{
    ConvertConfig *c = configOf(config, "rz_config_set_background_index");
    if (!c)
        return 0;
    c->selectItem("background", index);
    return 1;
}

RZ_SCOPED1(rz_config_set_background_file, "background", "file", const char *)
RZ_SCOPED1(rz_config_set_background_loop, "background", "loop", uint32_t)
RZ_SCOPED1(rz_config_set_background_mix_mode, "background", "mix_mode", uint32_t)
RZ_SCOPED1(rz_config_set_background_volume, "background", "volume", uint32_t)
RZ_SCOPED1(rz_config_set_background_weight, "background", "weight", uint32_t)
RZ_SCOPED2(rz_config_set_background_show_time, "background", "show_time", uint64_t)
RZ_SCOPED2(rz_config_set_background_split_time, "background", "split_time", uint64_t)

// Read-back
namespace {
const ConfigValue *valueAt(void *config, const char *call, const char *key, uint32_t index)
{
    ConvertConfig *c = configOf(config, call);
    if (!c || !key)
        return nullptr;
    const auto *values = c->find(key);
    return values && index < values->size() ? &(*values)[index] : nullptr;
}
} // namespace

extern "C" RZResult rz_config_has(void *config, const char *key)
{
    ConvertConfig *c = configOf(config, "rz_config_has");
    return c && key && c->find(key) ? 1 : 0;
}

extern "C" RZResult rz_config_get_int(void *config, const char *key, uint32_t index, int64_t *value)
{
    const ConfigValue *v = valueAt(config, "rz_config_get_int", key, index);
    return v && value && v->toInt(value) ? 1 : 0;
}

extern "C" RZResult rz_config_get_uint(void *config, const char *key, uint32_t index, uint64_t *value)
{
    const ConfigValue *v = valueAt(config, "rz_config_get_uint", key, index);
    return v && value && v->toUInt(value) ? 1 : 0;
}

extern "C" RZResult rz_config_get_double(void *config, const char *key, uint32_t index, double *value)
{
    const ConfigValue *v = valueAt(config, "rz_config_get_double", key, index);
    return v && value && v->toDouble(value) ? 1 : 0;
}

extern "C" const char *rz_config_get_text(void *config, const char *key)
{
    const ConfigValue *v = valueAt(config, "rz_config_get_text", key, 0);
    return v && v->kind == ConfigValue::Text ? v->s.c_str() : nullptr;
}

extern "C" RZResult rz_config_get_doubles(void *config, const char *key, const double **values,
                                          uint32_t *count)
{
    ConvertConfig *c = configOf(config, "rz_config_get_doubles");
    if (!c || !key || !values || !count)
        return 0;
    const std::string k(key);
    const std::vector<double> *list = k == "audio.eq_bands"   ? &c->equalizerBands
                                      : k == "audio.eq_gains" ? &c->equalizerGains
                                                              : nullptr;
    if (!list)
        return 0;
    *values = list->empty() ? nullptr : list->data();
    *count = uint32_t(list->size());
    return 1;
}

extern "C" void *rz_config_get_metadata(void *config, const char *key)
{
    ConvertConfig *c = configOf(config, "rz_config_get_metadata");
    if (!c || !key)
        return nullptr;
    rz::BufferHandle *b = c->metadata(key);
    return b ? rz::toHandle(b) : nullptr;
}

extern "C" uint32_t rz_config_get_chapter_count(void *config)
{
    ConvertConfig *c = configOf(config, "rz_config_get_chapter_count");
    return c ? uint32_t(c->chapters.size()) : 0;
}

extern "C" RZResult rz_config_get_chapter(void *config, uint32_t index, uint64_t *start,
                                          uint64_t *duration, const char **title)
{
    ConvertConfig *c = configOf(config, "rz_config_get_chapter");
    if (!c || index >= c->chapters.size())
        return 0;
    const rz::ConfigChapter &ch = c->chapters[index];
    if (start)
        *start = ch.start;
    if (duration)
        *duration = ch.duration;
    if (title)
        *title = ch.title.c_str();
    return 1;
}

extern "C" uint32_t rz_config_get_input_stream_count(void *config)
{
    ConvertConfig *c = configOf(config, "rz_config_get_input_stream_count");
    return c ? uint32_t(c->inputStreams.size()) : 0;
}

extern "C" void *rz_config_get_input_stream(void *config, uint32_t index)
{
    ConvertConfig *c = configOf(config, "rz_config_get_input_stream");
    return c && index < c->inputStreams.size() ? c->inputStreams[index] : nullptr;
}
