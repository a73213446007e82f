// The parts of an edit record applied to the preview player.

#include "media/jxplayermanager.h"

#include "media/imediaelementwindow.h"
#include "media/jxinfoclass.h"
#include "media/jxplayerclass.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

const char *textOrNull(const std::string &s)
{
    return s.empty() ? nullptr : s.c_str();
}

bool sideways(int32_t rotation)
{
    return rotation % 180 != 0;
}

constexpr int kMinCropPixels = 20;

} // namespace

// ---------------------------------------------------------------- whole record

void JXPlayerManager::setEditConfig(const VEEditConfig &config)
{
    if (!hasPlayer())
        return;
    m_trim.isTrim = config.isTrim;
    m_trim.set(config.startTime, config.endTime);
    m_player->Seek_Player(m_trim.playStart);
    setCropSettings(config.cropSettings);
    setEqualizeSettings(config.audioSettings);
    const VEAudioEffectSetting &fx = config.audioSettings;
    m_player->SetAudioVolume_Player(fx.volume);
    m_player->ChangeSpeed_Player(int(fx.speed));
    m_player->SetAudioRate_Player(fx.rate);
    setVideoEffectSettings(config.videoEffect);
    setAudioBackgroundSettingsSource(config.audioBackground, 0);
    setWatermarkSettingsSource(config.frameWatermark, 2);
    setWatermarkSettingsSource(config.videoEffectWatermark, 1);
    setCurrentWatermarkSettings(config.watermark, 0, true);
    setProgramValueInfo(config.programValueInfo);
    setSubtitleSettings(config.subtitleSettings);
}

// ---------------------------------------------------------------- sound

void JXPlayerManager::setAudioEffectSettings(VEAudioEffectSetting settings)
{
    if (!hasPlayer())
        return;
    m_player->SetAudioVolume_Player(settings.volume);
    m_player->ChangeSpeed_Player(int(settings.speed));
    m_player->SetAudioRate_Player(settings.rate);
}

void JXPlayerManager::setEqualizeSettings(VEEqualizeSettings settings)
{
    if (!hasPlayer())
        return;
    // The argument is already a copy of its own; a count without arrays is none.
    const bool any = settings.count > 0 && settings.bands && settings.gains;
    m_player->SetAudioEqualize_Player(any ? settings.bands : nullptr,
                                      any ? settings.gains : nullptr,
                                      any ? unsigned(settings.count) : 0u);
}

void JXPlayerManager::setAudioBackgroundSettingsSource(VEAudioBackgroundSettings s, int index)
{
    if (!hasPlayer())
        return;
    m_player->BeginSettings_Player();
    m_player->SetAudioBackgroundIndex_Player(unsigned(index));
    m_player->SetAudioBackgroundFile_Player(textOrNull(s.file));
    m_player->SetAudioBackgroundLoop_Player(s.loop);
    m_player->SetAudioBackgroundMixMode_Player(s.mixMode);
    m_player->SetAudioBackgroundWeight_Player(s.weight);
    m_player->SetAudioBackgroundVolume_Player(s.volume);
    m_player->SetAudioBackgroundShowTime_Player(s.showStart, s.showEnd);
    m_player->SetAudioBackgroundSplitTime_Player(s.splitStart, s.splitEnd);
    m_player->EndSettings_Player();
}

void JXPlayerManager::setAudioBackgroundSettingsNotSource(VEAudioBackgroundSettings s, int index)
{
    if (!hasPlayer())
        return;
    m_player->BeginSettings_Player();
    m_player->SetAudioBackgroundIndex_Player(unsigned(index));
    m_player->SetAudioBackgroundLoop_Player(s.loop);
    m_player->SetAudioBackgroundMixMode_Player(s.mixMode);
    m_player->SetAudioBackgroundWeight_Player(s.weight);
    m_player->SetAudioBackgroundVolume_Player(s.volume);
    m_player->SetAudioBackgroundShowTime_Player(s.showStart, s.showEnd);
    m_player->SetAudioBackgroundSplitTime_Player(s.splitStart, s.splitEnd);
    m_player->EndSettings_Player();
}

// ---------------------------------------------------------------- picture

void JXPlayerManager::setVideoEffectSettings(VEVideoEffectSettings s)
{
    if (!hasPlayer())
        return;
    m_player->SetVideoYOffset_Player(unsigned(s.brightness));
    m_player->SetVideoSaturation_Player(unsigned(s.saturation));
    m_player->SetVideoHue_Player(unsigned(s.hue));
    m_player->SetVideoContrast_Player(unsigned(s.contrast));
}

bool JXPlayerManager::panScanInForce(const VECropSettings &c) const
{
    return c.pad && c.sizeMode == 1 && c.panScanMode != PanScanPanScan;
}

void JXPlayerManager::setCropSettings(VECropSettings c)
{
    if (!hasPlayer())
        return;
    // Fractions x, y, width, height kept inside the picture.
    auto clampRect = [](double &x, double &y, double &w, double &h) {
        x = std::min(x, 1.0);
        y = std::min(y, 1.0);
        w = std::min(w, 1.0 - x);
        h = std::min(h, 1.0 - y);
    };
    clampRect(c.cropLeft, c.cropTop, c.cropRight, c.cropBottom);
    clampRect(c.fitLeft, c.fitTop, c.fitRight, c.fitBottom);
    applyCrop(c);
    m_crop = c;
    emit emitCropAreaChange(m_crop);
}

void JXPlayerManager::cropSettings(const VECropSettings &settings)
{
    if (!hasPlayer())
        return;
    VECropSettings c = settings;
    applyCrop(c);
}

void JXPlayerManager::applyCrop(VECropSettings &c)
{
    m_player->SetVideoRotate_Player(unsigned(c.rotation));
    m_player->SetVideoMirror_Player(c.mirror);
    if (panScanInForce(c)) {
        m_player->SetVideoPadAndColor_Player(0, c.padColor);
        m_player->SetVideoCrop_Player(c.fitLeft, c.fitTop, c.fitRight, c.fitBottom);
    } else {
        m_player->SetVideoPadAndColor_Player(c.panScanMode == PanScanPanScan ? 0 : c.pad,
                                             c.padColor);
        m_player->SetVideoCrop_Player(c.cropLeft, c.cropTop, c.cropRight, c.cropBottom);
    }

    const bool turned = sideways(c.rotation);
    uint32_t ax, ay;
    if (c.pad && c.sizeMode == 1) {
        const uint64_t size = m_player->GetVideoSize_Player();
        ax = uint32_t(size);
        ay = uint32_t(size >> 32);
        if (turned)
            std::swap(ax, ay);
    } else {
        ax = c.aspectWidth;
        ay = c.aspectHeight;
        if (c.panScanMode == PanScanPanScan && turned)
            std::swap(ax, ay);
    }
    m_player->SetVideoAspectRatio_Player(ax, ay);

    if (c.sizeMode == 0) {
        m_player->SetVideoCrop_Player(c.cropLeft, c.cropTop, c.cropRight, c.cropBottom);
        m_player->SetVideoPadAndColor_Player(1, c.padColor);
        m_player->SetVideoAspectRatio_Player(c.aspectWidth, c.aspectHeight);
        if (c.panScanMode == PanScanPanScan) {
            m_player->SetVideoPadAndColor_Player(0, c.padColor);
            m_player->SetVideoAspectRatio_Player(turned ? c.aspectHeight : c.aspectWidth,
                                                 turned ? c.aspectWidth : c.aspectHeight);
        } else if (c.pad) {
            m_player->SetVideoPadAndColor_Player(c.pad, c.padColor);
            m_player->SetVideoAspectRatio_Player(c.aspectWidth, c.aspectHeight);
        }
    } else if (c.sizeMode == 1) {
        CalcCropPanScan(c);
        m_player->SetVideoCrop_Player(c.fitLeft, c.fitTop, c.fitRight, c.fitBottom);
        m_player->SetVideoPadAndColor_Player(0, c.padColor);
        const auto w = uint32_t(std::max(0, m_outputWidth));
        const auto h = uint32_t(std::max(0, m_outputHeight));
        m_player->SetVideoAspectRatio_Player(turned ? h : w, turned ? w : h);
    }
}

void JXPlayerManager::CalcCropPanScan(VECropSettings &c)
{
    if (!m_player->HasVideo_Player())
        return;
    const uint64_t size = m_player->GetVideoSize_Player();
    const double vw = double(uint32_t(size)), vh = double(uint32_t(size >> 32));
    const double x = c.cropLeft, y = c.cropTop, w = c.cropRight, h = c.cropBottom;
    double cw, ch;
    if (c.aspectWidth == 0 || c.aspectHeight == 0) {
        const uint64_t aspect = m_player->GetVideoAspectRatio_Player();
        const uint64_t ax = uint32_t(aspect), ay = uint32_t(aspect >> 32);
        if (ax && ay && vw > 0 && vh > 0) {
            const uint64_t a = ax * uint64_t(vh), b = ay * uint64_t(vw);
            const uint64_t g = std::gcd(a, b);
            cw = vw * double(a / g) * w;
            ch = vh * double(b / g) * h;
        } else {
            cw = vw * w;
            ch = vh * h;
        }
    } else if (c.panScanMode == 1) {
        cw = vw * w;
        ch = vh * h;
    } else {
        cw = c.aspectWidth;
        ch = c.aspectHeight;
    }
    double tw = std::max(0, m_outputWidth), th = std::max(0, m_outputHeight);
    if (sideways(c.rotation))
        std::swap(tw, th);
    double px = c.fitLeft, py = c.fitTop, pw = c.fitRight, ph = c.fitBottom;
    if (cw > 0 && ch > 0 && tw > 0 && th > 0) {
        switch (m_panScanMode) {
        case 0:
            if (ch * tw <= cw * th) {
                pw = w * (ch * tw) / (cw * th);
                px = x + (w - pw) / 2;
                py = y;
                ph = h;
            } else {
                ph = h * (cw * th) / (ch * tw);
                py = y + (h - ph) / 2;
                px = x;
                pw = w;
            }
            break;
        case 2:
            pw = w * (ch * tw) / (cw * th);
            ph = h;
            if (px + pw > 1.0) {
                const double f = (1.0 - px) / pw;
                pw = 1.0 - px;
                ph *= f;
            }
            break;
        case 1:
            ph = h * (cw * th) / (ch * tw);
            pw = w;
            if (py + ph > 1.0) {
                const double f = (1.0 - py) / ph;
                ph = 1.0 - py;
                pw *= f;
            }
            break;
        default:
            break;
        }
    }
    m_panScanMode = PanScanNone;
    c.fitLeft = px;
    c.fitTop = py;
    c.fitRight = pw;
    c.fitBottom = ph;
}

uint64_t JXPlayerManager::getCropVCMinSize() const
{
    int w = kMinCropPixels, h = kMinCropPixels;
    if (m_originalWindow)
        cropMinPixels(m_originalWindow->getVideoElementRect(), w, h);
    return uint64_t(uint32_t(w)) | uint64_t(uint32_t(h)) << 32;
}

void JXPlayerManager::cropMinPixels(const QRect &element, int &minWidth, int &minHeight) const
{
    minWidth = minHeight = kMinCropPixels;
    const int ew = element.right() + 1 - element.left();
    const int eh = element.bottom() + 1 - element.top();
    if (!panScanInForce(m_crop) || ew <= 0 || eh <= 0)
        return;
    if (!sideways(m_crop.rotation))
        minWidth = int(double(kMinCropPixels) * ew / eh);
    else
        minHeight = int(double(kMinCropPixels) * eh / ew);
}

uint64_t JXPlayerManager::getCropMinSize() const
{
    if (!hasPlayer() || !m_originalWindow)
        return 0;
    const QRect element = m_originalWindow->getVideoElementRect();
    const int ew = element.right() + 1 - element.left();
    const int eh = element.bottom() + 1 - element.top();
    if (ew <= 0 || eh <= 0)
        return 0;
    const uint64_t size = m_player->GetVideoSize_Player();
    const double vw = double(uint32_t(size)), vh = double(uint32_t(size >> 32));
    auto w = uint32_t(vw * kMinCropPixels / ew + 0.5);
    auto h = uint32_t(vh * kMinCropPixels / eh + 0.5);
    if (panScanInForce(m_crop) && vw > 0 && vh > 0) {
        if (!sideways(m_crop.rotation))
            w = uint32_t(vw * h / vh);
        else
            h = uint32_t(vh * w / vw);
    }
    return uint64_t(w) | uint64_t(h) << 32;
}

// ---------------------------------------------------------------- watermarks

void JXPlayerManager::applyWatermark(const VEWatermarkSettings &w, bool withSource)
{
    JXPlayerClass *p = m_player;
    if (!w.imageFile.empty()) {
        if (withSource) {
            p->SetWatermarkImageFile_Player(w.imageFile.c_str());
            p->SetWatermarkImageMaskFile_Player(textOrNull(w.imageMaskFile));
        }
        p->SetWatermarkImageMirror_Player(w.imageMirror);
        p->SetWatermarkImagePosition_Player(w.imagePosX, w.imagePosY);
        p->SetWatermarkImageScale_Player(w.imageScaleX, w.imageScaleY);
        p->SetWatermarkImageAngle_Player(w.imageAngle);
        p->SetWatermarkImageAlpha_Player(w.imageAlpha);
        p->SetWatermarkImageMixMode_Player(w.imageMixMode);
        p->EnableWatermarkImageBorder_Player(int(w.imageBorder));
        p->SetWatermarkImageSize_Player(w.imageWidth, w.imageHeight);
        p->SetWatermarkImageLoop_Player(w.imageLoop);
        p->SetWatermarkImageCrop_Player(w.imageCropLeft, w.imageCropTop, w.imageCropRight,
                                        w.imageCropBottom);
        p->SetWatermarkImageShowTime_Player(w.imageShowStart, w.imageShowEnd);
        p->SetWatermarkImageSplitTime_Player(w.imageSplitStart, w.imageSplitEnd);
    } else if (withSource) {
        p->SetWatermarkImageFile_Player(nullptr);
        p->SetWatermarkImageMaskFile_Player(nullptr);
    }
    if (!w.text.empty()) {
        if (withSource)
            p->SetWatermarkText_Player(w.text.c_str());
        p->SetWatermarkTextAlpha_Player(w.textAlpha);
        p->SetWatermarkTextPosition_Player(w.textPosX, w.textPosY);
        p->SetWatermarkTextAngle_Player(w.textAngle);
        p->SetWatermarkTextBold_Player(w.textBold);
        p->SetWatermarkTextSize_Player(w.textSize);
        p->SetWatermarkTextFont_Player(watermarkFontName(w.textFont).c_str());
        p->SetWatermarkTextColor_Player(w.textColor);
        p->SetWatermarkTextOutlineColor_Player(w.textOutlineColor);
        p->SetWatermarkTextOutlineSize_Player(w.textOutlineSize);
        p->SetWatermarkTextShadowColor_Player(w.textShadowColor);
        p->SetWatermarkTextShadowOffset_Player(w.textShadowOffset);
        p->SetWatermarkTextItalic_Player(w.textItalic);
        p->SetWatermarkTextUnderline_Player(w.textUnderline);
        p->SetWatermarkTextStrikeout_Player(w.textStrikeout);
        p->SetWatermarkTextScale_Player(w.textScaleX, w.textScaleY);
        p->EnableWatermarkTextBorder_Player(w.textBorder);
        p->SetWatermarkTextLayerTopmost_Player(w.textLayerTopmost);
        p->SetWatermarkTextSpacingH_Player(w.textSpacingH);
        p->SetWatermarkTextSpacingV_Player(w.textSpacingV);
        p->SetWatermarkTextShowTime_Player(w.textShowStart, w.textShowEnd);
    } else if (withSource) {
        p->SetWatermarkText_Player(nullptr);
    }
    if (withSource)
        p->SetWatermarkBorderAlpha_Player(0);
}

void JXPlayerManager::setWatermarkSettingsSource(VEWatermarkSettings settings, int index)
{
    if (!hasPlayer())
        return;
    m_sentWatermarkIndex = index;
    m_player->BeginSettings_Player();
    m_player->SetWatermarkIndex_Player(unsigned(index));
    applyWatermark(settings, true);
    m_player->EndSettings_Player();
}

void JXPlayerManager::setWatermarkSettingsNotSource(VEWatermarkSettings settings, int index)
{
    if (!hasPlayer())
        return;
    m_sentWatermarkIndex = index;
    m_player->BeginSettings_Player();
    m_player->SetWatermarkIndex_Player(unsigned(index));
    applyWatermark(settings, false);
    m_player->EndSettings_Player();
}

void JXPlayerManager::setWatermarkSettingsList(const QList<VEWatermarkSettings> &list)
{
    if (!hasPlayer() || list.isEmpty())
        return;
    m_player->SetVideoWatermarkMaxCount_Player(unsigned(list.size()));
    m_player->BeginSettings_Player();
    for (int i = 0; i < list.size(); ++i) {
        m_player->SetWatermarkIndex_Player(unsigned(i));
        applyWatermark(list.at(i), true);
    }
    m_player->EndSettings_Player();
    m_player->ShowVideoFrame_Player();
}

void JXPlayerManager::setCurrentWatermarkSettings(const VEWatermarkSettings &settings, int index,
                                                  bool refresh)
{
    applyCurrentWatermark(settings, index, refresh, true);
}

void JXPlayerManager::setCurrentWatermarkSettingsNotSource(const VEWatermarkSettings &settings,
                                                           int index, bool refresh)
{
    applyCurrentWatermark(settings, index, refresh, false);
}

void JXPlayerManager::applyCurrentWatermark(const VEWatermarkSettings &w, int index, bool refresh,
                                            bool withSource)
{
    if (!hasPlayer() || &w == &m_watermark || index < 0)
        return;
    m_watermark = w;
    m_watermarkIndex = index;
    m_sentWatermarkIndex = index;
    m_player->BeginSettings_Player();
    m_player->SetWatermarkIndex_Player(unsigned(index));
    applyWatermark(m_watermark, withSource);
    m_player->EndSettings_Player();
    if (!refresh)
        return;
    m_player->RefreshVideoFrame_Player();
    VEWatermarkSettings &cur = m_watermark;
    if (withSource) {
        if (!cur.text.empty()) {
            cur.textWidth = m_player->GetWatermarkTextWidth_Player();
            cur.textHeight = m_player->GetWatermarkTextHeight_Player();
            cur.textPosX = m_player->GetWatermarkTextPosX_Player();
            cur.textPosY = m_player->GetWatermarkTextPosY_Player();
        } else {
            cur.textWidth = cur.textHeight = 0;
        }
        if (!cur.imageFile.empty()) {
            cur.imageShownWidth = m_player->GetWatermarkImageWidth_Player();
            cur.imageShownHeight = m_player->GetWatermarkImageHeight_Player();
            cur.imagePosX = m_player->GetWatermarkImagePosX_Player();
            cur.imagePosY = m_player->GetWatermarkImagePosY_Player();
        } else {
            cur.imageShownWidth = cur.imageShownHeight = 0;
        }
    } else {
        cur.textWidth = m_player->GetWatermarkTextWidth_Player();
        cur.textHeight = m_player->GetWatermarkTextHeight_Player();
        cur.imageShownWidth = m_player->GetWatermarkImageWidth_Player();
        cur.imageShownHeight = m_player->GetWatermarkImageHeight_Player();
    }
    emit emitWatermarkRectChange(m_watermark, m_watermarkIndex);
}

void JXPlayerManager::getCurrentWatermarkSettings(VEWatermarkSettings &settings, int &index) const
{
    settings = m_watermark;
    index = m_watermarkIndex;
}

// ---------------------------------------------------------------- subtitles and streams

void JXPlayerManager::setSubtitleSettings(VESubtitleSettings s)
{
    if (!hasPlayer())
        return;
    JXPlayerClass *p = m_player;
    p->SetSubtlAlpha_Player(s.alpha);
    p->SetSubtlDelay_Player(s.delay);
    p->SetSubtlTextBold_Player(s.bold);
    p->SetSubtlTextFont_Player(watermarkFontName(s.font).c_str());
    p->SetSubtlTextSize_Player(s.textSize);
    p->SetSubtlTextItalic_Player(s.italic);
    p->SetSubtlTextOutlineColor_Player(s.outlineColor);
    p->SetSubtlTextOutlineSize_Player(s.outlineSize);
    p->SetSubtlScale_Player(s.scaleX, s.scaleY);
    p->SetSubtlTextShadowColor_Player(s.shadowColor);
    p->SetSubtlTextShadowOffset_Player(s.shadowOffset);
    p->SetSubtlTextColor_Player(s.textColor);
    p->SetSubtlTextStrikeout_Player(s.strikeout);
    p->SetSubtlTextUnderline_Player(s.underline);
    p->SetSubtlTextMarginH_Player(s.marginH);
    p->SetSubtlTextMarginV_Player(s.marginV);
    p->SetSubtlTextAlign_Player(s.align);
    p->SetSubtlTextSpacingH_Player(s.spacingH);
    p->SetSubtlTextSpacingV_Player(s.spacingV);
}

void JXPlayerManager::setProgramValueInfo(VEProgramValueInfo info)
{
    if (!hasPlayer() || !m_info || !m_info->IsCreateInfo())
        return;
    if (info.audioType == -1 && m_info->SetAudioIndex_Info(-1))
        m_player->SetAudioIndex_Player(unsigned(-1));
    else if (m_info->SetAudioIndex_Info(info.audioIndex))
        m_player->SetAudioIndex_Player(unsigned(info.audioIndex));

    switch (info.subtlType) {
    case -1:
        m_info->SetSubtlIndex_Info(-1);
        m_player->SetSubtlIndex_Player(unsigned(-1));
        break;
    case -2:
        m_info->EnableClosedCaption_Info(1);
        m_player->EnableClosedCaption_Player(1);
        break;
    case -3:
        if (m_info->SetSubtlIndex_Info(-1)) {
            m_player->SetSubtlFile_Player(textOrNull(info.subtlFile));
            break;
        }
        m_player->SetSubtlIndex_Player(unsigned(info.subtlIndex));
        break;
    default:
        m_player->SetSubtlIndex_Player(unsigned(info.subtlIndex));
        break;
    }
}

void JXPlayerManager::setSubtitleValueInfo(VESubtitleValue_Info info)
{
    if (!hasPlayer() || !m_info || !m_info->IsCreateInfo())
        return;
    if (!m_info->SetAudioIndex_Info(info.audioIndex))
        return;
    m_player->SetAudioIndex_Player(unsigned(info.audioIndex));
    const int n = int(m_info->GetSubtlCount_Info());
    const int s = info.subtitleChoice;
    if (s <= n) {
        m_info->SetSubtlIndex_Info(s - 1);
        m_player->SetSubtlIndex_Player(unsigned(s - 1));
    } else if (s == n + 1) {
        m_info->EnableClosedCaption_Info(1);
        m_player->EnableClosedCaption_Player(1);
    } else {
        m_info->SetSubtlIndex_Info(-1);
        m_player->SetSubtlFile_Player(textOrNull(info.subtitleFile));
    }
}
