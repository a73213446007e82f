#include "media/qvideoeditingsettings.h"

#include "media/jxplayermanager.h"

QVideoEditingSettings::QVideoEditingSettings(QObject *parent) : QObject(parent) {}

void QVideoEditingSettings::setPlayerManager(JXPlayerManager *manager)
{
    if (!manager)
        return;
    m_playerManager = manager;
    connect(manager, SIGNAL(emitPlayerChange()), this, SLOT(playerChange()));
    connect(manager, SIGNAL(emitTrimTimeChange(uint64_t, uint64_t)), this,
            SLOT(trimTimeChange(uint64_t, uint64_t)));
    connect(manager, SIGNAL(emitCropAreaChange(VECropSettings)), this,
            SLOT(cropAreaChange(VECropSettings)));
    connect(manager, SIGNAL(emitWatermarkRectChange(VEWatermarkSettings, int)), this,
            SLOT(watermarkRectChange(VEWatermarkSettings, int)));
}

// ---------------------------------------------------------------- whole record

void QVideoEditingSettings::setEditConfig(const VEEditConfig &config)
{
    if (&config != &m_editConfig)
        m_editConfig = config;
    setPlayerManagerSettings();
}

void QVideoEditingSettings::setConfigSettings(const VEEditConfig &config)
{
    if (&config != &m_editConfig)
        m_editConfig = config;
}

void QVideoEditingSettings::setPlayerManagerSettings()
{
    JXPlayerManager *m = m_playerManager;
    if (!m)
        return;
    VEEditConfig &c = m_editConfig;
    m->setIsTrim(c.isTrim);
    m->setTrimTime(c.startTime, c.endTime);
    m->setCropSettings(c.cropSettings);
    m->setEqualizeSettings(c.audioSettings);
    m->setAudioEffectSettings(c.audioSettings);
    m->setVideoEffectSettings(c.videoEffect);
    c.audioBackground.showStart = c.startTime;
    m->setAudioBackgroundSettingsSource(c.audioBackground, 0);
    c.frameWatermark.imageShowStart = c.startTime;
    m->setWatermarkSettingsSource(c.frameWatermark, 2);
    c.videoEffectWatermark.imageShowStart = c.startTime;
    m->setWatermarkSettingsSource(c.videoEffectWatermark, 1);
    c.watermark.imageShowStart = c.startTime;
    // A copy: the manager's refresh reports back into this record.
    const VEWatermarkSettings current = c.watermark;
    m->setCurrentWatermarkSettings(current, 0, true);
    m->setProgramValueInfo(c.programValueInfo);
    m->setSubtitleSettings(c.subtitleSettings);
}

// ---------------------------------------------------------------- trim

void QVideoEditingSettings::setTrimTime(uint64_t start, uint64_t end)
{
    setTrimTimeNoSeekPlayer(start, end);
    if (m_playerManager)
        m_playerManager->setTrimTime(start, end);
}

void QVideoEditingSettings::setTrimTimeNoSeekPlayer(uint64_t start, uint64_t end)
{
    m_editConfig.startTime = start;
    m_editConfig.endTime = end;
}

uint64_t QVideoEditingSettings::getTrimTimeLength() const
{
    const uint64_t start = m_editConfig.startTime, end = m_editConfig.endTime;
    if (end != 0 && end > start)
        return end - start;
    if (!m_playerManager)
        return 0;
    const uint64_t duration = m_playerManager->getDuration();
    return duration > start ? duration - start : 0;
}

void QVideoEditingSettings::trimTimeChange(uint64_t startTime, uint64_t endTime)
{
    m_editConfig.startTime = startTime;
    m_editConfig.endTime = endTime;
    if (!m_isWatermarkAudioStartTime)
        return;
    VEEditConfig &c = m_editConfig;
    for (VEWatermarkSettings *w : {&c.watermark, &c.videoEffectWatermark, &c.frameWatermark}) {
        w->textShowStart = startTime;
        w->imageShowStart = startTime;
    }
    c.audioBackground.showStart = startTime;
    if (!m_playerManager)
        return;
    const VEWatermarkSettings current = c.watermark;
    m_playerManager->setCurrentWatermarkSettingsNotSource(current, 0, true);
    m_playerManager->setWatermarkSettingsNotSource(c.videoEffectWatermark, 1);
    m_playerManager->setWatermarkSettingsNotSource(c.frameWatermark, 2);
    m_playerManager->setAudioBackgroundSettingsNotSource(c.audioBackground, 0);
}

void QVideoEditingSettings::playerChange() {}

void QVideoEditingSettings::cropAreaChange(VECropSettings settings)
{
    m_editConfig.cropSettings = settings;
}

void QVideoEditingSettings::watermarkRectChange(VEWatermarkSettings settings, int)
{
    m_editConfig.watermark = settings;
}

// ---------------------------------------------------------------- manager values

uint64_t QVideoEditingSettings::getDuration() const
{
    return m_playerManager ? m_playerManager->getDuration() : 0;
}

uint64_t QVideoEditingSettings::getPlaylength() const
{
    return m_playerManager ? m_playerManager->getPlaylength() : 0;
}

uint64_t QVideoEditingSettings::getVideoSize() const
{
    return m_playerManager ? m_playerManager->getVideoSize() : 0;
}

uint64_t QVideoEditingSettings::getCropMinSize() const
{
    return m_playerManager ? m_playerManager->getCropMinSize() : 0;
}

void QVideoEditingSettings::setPanScanMode(PanScanMode mode)
{
    if (m_playerManager)
        m_playerManager->setPanScanMode(mode);
}

// ---------------------------------------------------------------- parts

void QVideoEditingSettings::setAudioSettings(const VEAudioSettings &settings)
{
    if (&settings != &m_editConfig.audioSettings)
        m_editConfig.audioSettings = settings;
    if (!m_playerManager)
        return;
    m_playerManager->setAudioEffectSettings(m_editConfig.audioSettings);
    m_playerManager->setEqualizeSettings(m_editConfig.audioSettings);
}

void QVideoEditingSettings::setDefaultAudioSettings()
{
    m_editConfig.audioSettings.reset();
}

void QVideoEditingSettings::setAudioTagInfo(const VEAudioTagInfo &info)
{
    if (&info != &m_editConfig.audioTagInfo)
        m_editConfig.audioTagInfo = info;
}

void QVideoEditingSettings::setEffectSettings(const VEVideoEffectSettings &settings)
{
    if (&settings != &m_editConfig.videoEffect)
        m_editConfig.videoEffect = settings;
    if (m_playerManager)
        m_playerManager->setVideoEffectSettings(m_editConfig.videoEffect);
}

void QVideoEditingSettings::setCropSettings(const VECropSettings &settings)
{
    if (&settings != &m_editConfig.cropSettings)
        m_editConfig.cropSettings = settings;
    if (m_playerManager) {
        const VECropSettings copy = m_editConfig.cropSettings;
        m_playerManager->setCropSettings(copy);
    }
}

void QVideoEditingSettings::setWatermarkSettings(const VEWatermarkSettings &settings,
                                                 bool refresh, bool withSource)
{
    if (&settings != &m_editConfig.watermark)
        m_editConfig.watermark = settings;
    if (!m_playerManager)
        return;
    const VEWatermarkSettings copy = m_editConfig.watermark;
    if (withSource)
        m_playerManager->setCurrentWatermarkSettings(copy, 0, refresh);
    else
        m_playerManager->setCurrentWatermarkSettingsNotSource(copy, 0, refresh);
}

void QVideoEditingSettings::setVideoEffectWkSettings(const VEWatermarkSettings &settings)
{
    if (&settings != &m_editConfig.videoEffectWatermark)
        m_editConfig.videoEffectWatermark = settings;
    if (m_playerManager)
        m_playerManager->setWatermarkSettingsSource(m_editConfig.videoEffectWatermark, 1);
}

void QVideoEditingSettings::setVideoEffectWkSettings()
{
    m_editConfig.videoEffectWatermark = VEEditConfig().videoEffectWatermark;
}

void QVideoEditingSettings::setFrameWkSettings(const VEWatermarkSettings &settings)
{
    if (&settings != &m_editConfig.frameWatermark)
        m_editConfig.frameWatermark = settings;
    if (m_playerManager)
        m_playerManager->setWatermarkSettingsSource(m_editConfig.frameWatermark, 2);
}

void QVideoEditingSettings::setFrameWkSettings()
{
    m_editConfig.frameWatermark = VEEditConfig().frameWatermark;
}

void QVideoEditingSettings::setSubtitleSettings(const VESubtitleSettings &settings)
{
    if (&settings != &m_editConfig.subtitleSettings)
        m_editConfig.subtitleSettings = settings;
    if (m_playerManager)
        m_playerManager->setSubtitleSettings(m_editConfig.subtitleSettings);
}

void QVideoEditingSettings::setSubtitleInfo(const VESubtitleValue_Info &info)
{
    if (&info != &m_editConfig.subtitleValueInfo)
        m_editConfig.subtitleValueInfo = info;
    if (!m_playerManager)
        return;
    m_playerManager->setSubtitleValueInfo(m_editConfig.subtitleValueInfo);
    m_playerManager->setSubtitleSettings(m_editConfig.subtitleSettings);
}

void QVideoEditingSettings::setProgramValueInfo(const VEProgramValueInfo &info)
{
    if (&info != &m_editConfig.programValueInfo)
        m_editConfig.programValueInfo = info;
    if (m_playerManager)
        m_playerManager->setProgramValueInfo(m_editConfig.programValueInfo);
}

void QVideoEditingSettings::setAudioBackgroundSettings(const VEAudioBackgroundSettings &settings,
                                                       bool withSource)
{
    if (&settings != &m_editConfig.audioBackground)
        m_editConfig.audioBackground = settings;
    if (!m_playerManager)
        return;
    if (withSource)
        m_playerManager->setAudioBackgroundSettingsSource(m_editConfig.audioBackground, 0);
    else
        m_playerManager->setAudioBackgroundSettingsNotSource(m_editConfig.audioBackground, 0);
}

void QVideoEditingSettings::setResolutionSize(int width, int height)
{
    m_editConfig.resolutionWidth = width;
    m_editConfig.resolutionHeight = height;
}

uint64_t QVideoEditingSettings::getResolutionSize() const
{
    return uint64_t(uint32_t(m_editConfig.resolutionWidth))
           | uint64_t(uint32_t(m_editConfig.resolutionHeight)) << 32;
}
