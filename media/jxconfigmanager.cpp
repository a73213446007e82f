#include "media/jxconfigmanager.h"

#include "media/jxtagfileaccess.h"

#include "rzcodec/buffer.h"
#include "rzcodec/codecids.h"
#include "rzcodec/config.h"

namespace {
// A mask only has room for stream positions 0 to 63; later ones are left out.
constexpr int kMaskBits = 64;

bool isMov(const VEEditConfig &edit)
{
    return edit.m_fileFormat == QLatin1String("mov");
}
} // namespace

int JXConfigManager::chosenAudioTrack(const VEEditConfig &edit)
{
    for (int i = 0; i < edit.audioTrackList.size(); ++i)
        if (edit.audioTrackList[i].selected)
            return i;
    return -1;
}

int JXConfigManager::chosenSubtitleTrack(const VEEditConfig &edit)
{
    for (int i = 0; i < edit.subtitleTrackList.size(); ++i)
        if (edit.subtitleTrackList[i].selected)
            return i;
    return -1;
}

EVSubtitleTrack JXConfigManager::chosenSubtitleItem(const VEEditConfig &edit)
{
    const int i = chosenSubtitleTrack(edit);
    return i >= 0 ? edit.subtitleTrackList[i] : EVSubtitleTrack();
}

uint64_t JXConfigManager::audioStreamMask(const VEEditConfig &edit)
{
    uint64_t mask = 0;
    for (int i = 0; i < edit.audioTrackList.size() && i < kMaskBits; ++i)
        if (edit.audioTrackList[i].selected)
            mask |= uint64_t(1) << i;
    return mask;
}

uint64_t JXConfigManager::subtitleStreamMask(const VEEditConfig &edit)
{
    uint64_t mask = 0;
    for (int i = 0; i < edit.subtitleTrackList.size() && i < kMaskBits; ++i) {
        const EVSubtitleTrack &t = edit.subtitleTrackList[i];
        if (t.kind == 1)
            break;
        // Closed captions can only be kept inside a QuickTime file.
        if (t.selected && (isMov(edit) || t.codecTag != kClosedCaptionTag))
            mask |= uint64_t(1) << i;
    }
    return mask;
}

void JXConfigManager::setEditConfig(void *config, VEEditConfig edit)
{
    if (!config)
        return;
    rz_config_set_video_brightness(config, edit.videoEffect.brightness);
    rz_config_set_video_saturation(config, edit.videoEffect.saturation);
    rz_config_set_video_contrast(config, edit.videoEffect.contrast);
    rz_config_set_video_hue(config, edit.videoEffect.hue);

    const VEProgramValueInfo &program = edit.programValueInfo;
    rz_config_set_program_index(config, program.ProgramIndex);
    rz_config_set_audio_index(config, program.audioType == -1 ? -1 : chosenAudioTrack(edit));
    if (edit.m_bLossless) {
        rz_config_set_audio_stream_mask(config, audioStreamMask(edit));
        rz_config_set_audio_stream_option(config, "");
    }

    switch (program.subtlType) {
    case -3:
        rz_config_set_subtitle_file(config, program.subtlFile.c_str());
        break;
    case -2:
        rz_config_enable_closed_caption(config, 1);
        break;
    case -1:
        rz_config_set_subtitle_index(config, -1);
        break;
    default:
        rz_config_set_subtitle_index(config, chosenSubtitleTrack(edit));
        if (edit.m_bLossless) {
            rz_config_set_subtitle_stream_option(config, "");
            rz_config_set_subtitle_stream_mask(config, subtitleStreamMask(edit));
            if (isMov(edit))
                rz_config_set_subtitle_codec(config, RZ_CODEC_MOV_TEXT);
            else if (chosenSubtitleItem(edit).codecTag == kClosedCaptionTag)
                rz_config_set_subtitle_codec(config, RZ_CODEC_TEXT);
        }
        break;
    }

    setConfigSubtitleSettings(config, edit.subtitleSettings);
    rz_config_set_watermark_max_count(config, 3);
    setConfigWatermarkSettings(config, edit.watermark, 0);
    setConfigWatermarkSettings(config, edit.videoEffectWatermark, 1);
    setConfigWatermarkSettings(config, edit.frameWatermark, 2);
    setConfigAudioBackgroundSettings(config, edit.audioBackground, 0);
    setConfigCropSettings(config, edit.cropSettings, edit.resolutionWidth, edit.resolutionHeight);
    setAudioSettings(config, edit.audioSettings);
}

void JXConfigManager::setEditConfigContainAudioTag(void *config, VEEditConfig edit)
{
    setEditConfig(config, edit);
    setAudioTagInfoSettings(config, edit.audioTagInfo);
}

void JXConfigManager::setConfigSubtitleSettings(void *config, VESubtitleSettings s)
{
    if (!config)
        return;
    rz_config_set_subtitle_alpha(config, s.alpha);
    rz_config_set_subtitle_scale(config, s.scaleX, s.scaleY);
    rz_config_set_subtitle_delay(config, s.delay);
    rz_config_set_subtitle_text_font(config, watermarkFontName(s.font).c_str());
    rz_config_set_subtitle_text_bold(config, s.bold);
    rz_config_set_subtitle_text_italic(config, s.italic);
    rz_config_set_subtitle_text_underline(config, s.underline);
    rz_config_set_subtitle_text_strikeout(config, s.strikeout);
    rz_config_set_subtitle_text_size(config, s.textSize);
    rz_config_set_subtitle_text_color(config, s.textColor);
    rz_config_set_subtitle_text_shadow_color(config, s.shadowColor);
    rz_config_set_subtitle_text_outline_color(config, s.outlineColor);
    rz_config_set_subtitle_text_shadow_offset(config, s.shadowOffset);
    rz_config_set_subtitle_text_outline_size(config, s.outlineSize);
    rz_config_set_subtitle_text_margin_h(config, s.marginH);
    rz_config_set_subtitle_text_margin_v(config, s.marginV);
    rz_config_set_subtitle_text_align(config, s.align);
    rz_config_set_subtitle_text_spacing_h(config, s.spacingH);
    rz_config_set_subtitle_text_spacing_v(config, s.spacingV);
}

void JXConfigManager::setConfigWatermarkSettings(void *config, VEWatermarkSettings w, int32_t index)
{
    // The layer refuses a null handle itself.
    rz_config_set_watermark_index(config, uint32_t(index));
    if (!w.imageFile.empty()) {
        rz_config_set_watermark_image_file(config, w.imageFile.c_str());
        rz_config_set_watermark_image_mask_file(config, w.imageMaskFile.c_str());
        rz_config_set_watermark_image_mirror(config, w.imageMirror);
        rz_config_set_watermark_image_position(config, w.imagePosX, w.imagePosY);
        rz_config_set_watermark_image_scale(config, w.imageScaleX, w.imageScaleY);
        rz_config_set_watermark_image_angle(config, w.imageAngle);
        rz_config_set_watermark_image_alpha(config, w.imageAlpha);
        rz_config_set_watermark_image_mix_mode(config, w.imageMixMode);
        rz_config_set_watermark_image_size(config, w.imageWidth, w.imageHeight);
        rz_config_set_watermark_image_loop(config, w.imageLoop);
        rz_config_set_watermark_image_crop(config, w.imageCropLeft, w.imageCropTop,
                                           w.imageCropRight, w.imageCropBottom);
    }
    if (!w.text.empty()) {
        rz_config_set_watermark_text(config, w.text.c_str());
        rz_config_set_watermark_text_alpha(config, w.textAlpha);
        rz_config_set_watermark_text_position(config, w.textPosX, w.textPosY);
        rz_config_set_watermark_text_angle(config, w.textAngle);
        rz_config_set_watermark_text_bold(config, w.textBold);
        rz_config_set_watermark_text_size(config, w.textSize);
        rz_config_set_watermark_text_font(config, watermarkFontName(w.textFont).c_str());
        rz_config_set_watermark_text_color(config, w.textColor);
        rz_config_set_watermark_text_outline_color(config, w.textOutlineColor);
        rz_config_set_watermark_text_outline_size(config, w.textOutlineSize);
        rz_config_set_watermark_text_shadow_color(config, w.textShadowColor);
        rz_config_set_watermark_text_shadow_offset(config, w.textShadowOffset);
        rz_config_set_watermark_text_italic(config, w.textItalic);
        rz_config_set_watermark_text_underline(config, w.textUnderline);
        rz_config_set_watermark_text_strikeout(config, w.textStrikeout);
        rz_config_set_watermark_text_scale(config, w.textScaleX, w.textScaleY);
        rz_config_set_watermark_text_topmost(config, w.textLayerTopmost);
        rz_config_set_watermark_text_spacing_h(config, w.textSpacingH);
        rz_config_set_watermark_text_spacing_v(config, w.textSpacingV);
    }
}

void JXConfigManager::setConfigAudioBackgroundSettings(void *config, VEAudioBackgroundSettings b,
                                                       int32_t index)
{
    if (!config)
        return;
    rz_config_set_background_index(config, uint32_t(index));
    if (b.file.empty())
        return;
    rz_config_set_background_file(config, b.file.c_str());
    rz_config_set_background_loop(config, b.loop);
    rz_config_set_background_mix_mode(config, b.mixMode);
    rz_config_set_background_volume(config, b.volume);
    rz_config_set_background_weight(config, b.weight);
    rz_config_set_background_show_time(config, b.showStart, b.showEnd);
    rz_config_set_background_split_time(config, b.splitStart, b.splitEnd);
}

void JXConfigManager::setConfigCropSettings(void *config, VECropSettings c, int32_t outputWidth,
                                            int32_t outputHeight)
{
    if (!config)
        return;
    const bool sideways = c.rotation % 180 != 0;
    const bool panScan = c.panScanMode == PanScanPanScan;
    if (panScan && sideways)
        rz_config_set_video_aspect_ratio(config, c.aspectHeight, c.aspectWidth);
    else
        rz_config_set_video_aspect_ratio(config, c.aspectWidth, c.aspectHeight);
    rz_config_set_video_rotate(config, c.rotation);
    rz_config_set_video_mirror(config, c.mirror);
    if (c.pad != 0 && c.sizeMode == 1 && !panScan) {
        if (sideways)
            rz_config_set_video_aspect_ratio(config, uint32_t(outputHeight), uint32_t(outputWidth));
        else
            rz_config_set_video_aspect_ratio(config, uint32_t(outputWidth), uint32_t(outputHeight));
        rz_config_set_video_pad_and_color(config, 0, c.padColor);
        rz_config_set_video_crop(config, c.fitLeft, c.fitTop, c.fitRight, c.fitBottom);
        return;
    }
    rz_config_set_video_pad_and_color(config, panScan ? 0 : c.pad, c.padColor);
    rz_config_set_video_crop(config, c.cropLeft, c.cropTop, c.cropRight, c.cropBottom);
}

void JXConfigManager::setAudioSettings(void *config, VEAudioSettings settings)
{
    rz_config_set_audio_volume(config, settings.volume);
    rz_config_set_audio_rate(config, settings.rate);
    rz_config_set_audio_speed(config, settings.speed);
    if (config)
        setConfigEqualizeSettings(config, settings); // copies of the arrays, freed after the call
}

void JXConfigManager::setConfigEqualizeSettings(void *config, VEEqualizeSettings settings)
{
    if (!config)
        return;
    rz_config_set_audio_equalize(config, settings.bands, settings.gains,
                                 settings.count > 0 ? uint32_t(settings.count) : 0);
}

void JXConfigManager::setAudioTagInfoSettings(void *config, VEAudioTagInfo tags)
{
    const std::pair<const char *, const std::string *> texts[] = {
        {"title", &tags.title},       {"artist", &tags.artist},     {"album_artist", &tags.album_artist},
        {"composer", &tags.composer}, {"album", &tags.album},       {"genre", &tags.genre},
        {"track", &tags.track},       {"year", &tags.year},         {"date", &tags.date},
        {"grouping", &tags.grouping}, {"comment", &tags.comment},   {"disc", &tags.disc},
        {"copyright", &tags.copyright},
    };
    for (const auto &t : texts)
        rz_config_set_metadata(config, t.first, t.second->c_str());
    const std::string cover = tags.coverBytes();
    if (!cover.empty()) {
        void *buffer = rz_buffer_create(cover.data(), uint32_t(cover.size()));
        rz_config_set_metadata_buffer(config, "cover_image", buffer);
        rz_buffer_release(buffer);
    }
}

bool JXConfigManager::setAudioTagInfoSettings(const char *utf8Path, VEAudioTagInfo tags)
{
    if (!utf8Path)
        return false;
    return JXTagFileAccess::write(utf8Path, tags, JXTagFileAccess::BasicFields);
}
