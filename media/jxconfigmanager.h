#pragma once
// Writes an edit record, or one of its parts, into a conversion configuration
// of the codec layer, and a record's tags into a media file.

#include "media/veeditconfig.h"

#include <QObject>

#include <cstdint>

class JXConfigManager : public QObject
{
    Q_OBJECT
public:
    static void setEditConfig(void *config, VEEditConfig edit);
    // setEditConfig, then the record's tags.
    static void setEditConfigContainAudioTag(void *config, VEEditConfig edit);
    static void setConfigSubtitleSettings(void *config, VESubtitleSettings settings);
    static void setConfigWatermarkSettings(void *config, VEWatermarkSettings settings, int32_t index);
    static void setConfigAudioBackgroundSettings(void *config, VEAudioBackgroundSettings settings,
                                                 int32_t index);
    static void setConfigCropSettings(void *config, VECropSettings crop, int32_t outputWidth,
                                      int32_t outputHeight);
    static void setAudioSettings(void *config, VEAudioSettings settings);
    static void setConfigEqualizeSettings(void *config, VEEqualizeSettings settings);
    static void setAudioTagInfoSettings(void *config, VEAudioTagInfo tags);
    // Writes the title, artist, album, genre, year, track, comment, copyright
    // and cover into the file; false when the file cannot take them.
    static bool setAudioTagInfoSettings(const char *utf8Path, VEAudioTagInfo tags);

    // The stream lists of a record.
    static int chosenAudioTrack(const VEEditConfig &edit);
    static int chosenSubtitleTrack(const VEEditConfig &edit);
    static EVSubtitleTrack chosenSubtitleItem(const VEEditConfig &edit);
    static uint64_t audioStreamMask(const VEEditConfig &edit);
    static uint64_t subtitleStreamMask(const VEEditConfig &edit);

private:
    JXConfigManager() = default;
};
