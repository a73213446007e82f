#include "media/veeditconfig.h"

namespace {
VEWatermarkSettings effectWatermarkDefaults()
{
    VEWatermarkSettings w;
    w.imageMixMode = 1;
    w.imageWidth = 1.0;
    w.imageHeight = 1.0;
    return w;
}

VEWatermarkSettings frameWatermarkDefaults()
{
    VEWatermarkSettings w;
    w.imageWidth = 1.0;
    w.imageHeight = 1.0;
    return w;
}
} // namespace

VEEditConfig::VEEditConfig()
{
    registerMetaTypes();
    reset();
}

void VEEditConfig::reset()
{
    startTime = 0;
    endTime = 0;
    isTrim = false;
    cropSettings = VECropSettings();
    videoEffect = VEVideoEffectSettings();
    videoEffectWatermark = effectWatermarkDefaults();
    frameWatermark = frameWatermarkDefaults();
    watermark = VEWatermarkSettings();
    subtitleValueInfo = VESubtitleValue_Info();
    subtitleSettings = VESubtitleSettings();
    audioBackground = VEAudioBackgroundSettings();
    audioSettings.reset();
    audioTagInfo.reset();
    resolutionWidth = 0;
    resolutionHeight = 0;
    m_bLossless = false;
    m_fileFormat = QString();
    programValueInfo = VEProgramValueInfo();
    subtitleTrackList.clear();
    audioTrackList.clear();
    chapterList.clear();
}

void VEEditConfig::registerMetaTypes()
{
    static const bool done = [] {
        qRegisterMetaType<VEEditConfig>("VEEditConfig");
        qRegisterMetaType<VEAudioTagInfo>("VEAudioTagInfo");
        qRegisterMetaType<VECropSettings>("VECropSettings");
        qRegisterMetaType<VEWatermarkSettings>("VEWatermarkSettings");
        return true;
    }();
    Q_UNUSED(done)
}
