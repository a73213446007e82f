#pragma once
// The edit dialog's working edit record, kept in step with the preview: each
// setter stores its part and, when a preview player manager is attached,
// hands the part to it at once; the manager's own changes (trim range, crop
// and watermark drags) come back through its signals.

#include "media/veeditconfig.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <cstdint>

class JXPlayerManager;

class QVideoEditingSettings : public QObject
{
    Q_OBJECT
public:
    explicit QVideoEditingSettings(QObject *parent = nullptr);

    void setPlayerManager(JXPlayerManager *manager);
    JXPlayerManager *getPlayerManager() const { return m_playerManager; }

    // Whole record: with and without pushing it into the player.
    void setEditConfig(const VEEditConfig &config);
    void getEditConfig(VEEditConfig &config) const { config = m_editConfig; }
    VEEditConfig &getEditConfig() { return m_editConfig; }
    void setConfigSettings(const VEEditConfig &config);
    void getConfigSettings(VEEditConfig &config) const { config = m_editConfig; }

    // Trim range.
    void setTrimTime(uint64_t start, uint64_t end);
    void setTrimTimeNoSeekPlayer(uint64_t start, uint64_t end);
    uint64_t getTrimStartTime() const { return m_editConfig.startTime; }
    uint64_t getTrimEndTime() const { return m_editConfig.endTime; }
    uint64_t getTrimTimeLength() const;

    // The manager's values (0 without one).
    uint64_t getDuration() const;
    uint64_t getPlaylength() const;
    uint64_t getVideoSize() const;
    uint64_t getCropMinSize() const;
    void setPanScanMode(PanScanMode mode);

    // Sound.
    void setAudioSettings(const VEAudioSettings &settings);
    void getAudioSettings(VEAudioSettings &settings) const { settings = m_editConfig.audioSettings; }
    void setDefaultAudioSettings();

    // Tags and lists.
    void setAudioTagInfo(const VEAudioTagInfo &info);
    void getAudioTagInfo(VEAudioTagInfo &info) const { info = m_editConfig.audioTagInfo; }
    void setAudiolist(const QStringList &list) { m_editConfig.audioList = list; }
    void getAudiolist(QStringList &list) const { list = m_editConfig.audioList; }
    void setSubltItemInfoList(const QList<VESubltItemInfo> &list) { m_editConfig.subltItemList = list; }
    QList<VESubltItemInfo> getSubltItemInfoList() const { return m_editConfig.subltItemList; }
    void setSubtitleTrackList(const QList<EVSubtitleTrack> &list) { m_editConfig.subtitleTrackList = list; }
    QList<EVSubtitleTrack> getSubtitleTrackList() const { return m_editConfig.subtitleTrackList; }

    // Picture.
    void setEffectSettings(const VEVideoEffectSettings &settings);
    void getEffectSettings(VEVideoEffectSettings &settings) const { settings = m_editConfig.videoEffect; }
    void setDefaultEffectSettings() { m_editConfig.videoEffect = VEVideoEffectSettings(); }
    void setCropSettings(const VECropSettings &settings);
    void getCropSettings(VECropSettings &settings) const { settings = m_editConfig.cropSettings; }
    void setDefaultCropSettings() { m_editConfig.cropSettings = VECropSettings(); }

    // Watermarks 0 (the user's), 1 and 2.
    void setWatermarkSettings(const VEWatermarkSettings &settings, bool refresh, bool withSource);
    void getWatermarkSettings(VEWatermarkSettings &settings) const { settings = m_editConfig.watermark; }
    void setDefaultWatermarkSettings() { m_editConfig.watermark = VEWatermarkSettings(); }
    void setVideoEffectWkSettings(const VEWatermarkSettings &settings);
    void getVideoEffectWkSettings(VEWatermarkSettings &settings) const { settings = m_editConfig.videoEffectWatermark; }
    void setVideoEffectWkSettings();
    void setFrameWkSettings(const VEWatermarkSettings &settings);
    void getFrameWkSettings(VEWatermarkSettings &settings) const { settings = m_editConfig.frameWatermark; }
    void setFrameWkSettings();

    // Subtitles, streams and background sound.
    void setSubtitleSettings(const VESubtitleSettings &settings);
    void getSubtitleSettings(VESubtitleSettings &settings) const { settings = m_editConfig.subtitleSettings; }
    void setDefaultSubtitleSettings() { m_editConfig.subtitleSettings = VESubtitleSettings(); }
    void setSubtitleInfo(const VESubtitleValue_Info &info);
    void getSubtitleInfo(VESubtitleValue_Info &info) const { info = m_editConfig.subtitleValueInfo; }
    void setDefaultSubtitleInfo() { m_editConfig.subtitleValueInfo = VESubtitleValue_Info(); }
    void setProgramValueInfo(const VEProgramValueInfo &info);
    void getProgramValueInfo(VEProgramValueInfo &info) const { info = m_editConfig.programValueInfo; }
    void setAudioBackgroundSettings(const VEAudioBackgroundSettings &settings, bool withSource);
    void getAudioBackgroundSettings(VEAudioBackgroundSettings &settings) const { settings = m_editConfig.audioBackground; }
    void setDefaultAudioBackgroundSettings() { m_editConfig.audioBackground = VEAudioBackgroundSettings(); }

    // Output size, read back packed: width low, height high 32 bits.
    void setResolutionSize(int width, int height);
    uint64_t getResolutionSize() const;

    void setIsWatermarkAudioStartTime(bool on) { m_isWatermarkAudioStartTime = on; }
    bool getIsWatermarkAudioStartTime() const { return m_isWatermarkAudioStartTime; }

public slots:
    void trimTimeChange(uint64_t startTime, uint64_t endTime);
    void playerChange();
    void cropAreaChange(VECropSettings settings);
    void watermarkRectChange(VEWatermarkSettings settings, int index);

private:
    void setPlayerManagerSettings();

    JXPlayerManager *m_playerManager = nullptr;
    VEEditConfig m_editConfig;
    bool m_isWatermarkAudioStartTime = false;
};
