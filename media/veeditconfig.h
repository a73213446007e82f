#pragma once
// The edit record of one media item: what to cut, how to change picture and
// sound, which tags to write and which streams to keep. A plain value,
// copied whole (deeply) at every hand-off.

#include "media/jxchapterinfo.h"
#include "media/veaudiosettings.h"
#include "media/veaudiotaginfo.h"
#include "media/vestreamchoice.h"
#include "media/vesubtitlesettings.h"
#include "media/vevideosettings.h"
#include "media/vewatermarksettings.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

struct VEEditConfig {
    uint64_t startTime = 0; // trim start, microseconds
    uint64_t endTime = 0;   // trim end; 0 = the end of the media
    bool isTrim = false;
    VECropSettings cropSettings;
    VEVideoEffectSettings videoEffect;
    VEWatermarkSettings videoEffectWatermark; // watermark 1
    VEWatermarkSettings frameWatermark;       // watermark 2, the frame overlay
    VEWatermarkSettings watermark;            // watermark 0, the user's
    VESubtitleValue_Info subtitleValueInfo;
    QList<VESubltItemInfo> subltItemList;
    VESubtitleSettings subtitleSettings;
    VEAudioBackgroundSettings audioBackground;
    VEAudioSettings audioSettings;
    QStringList audioList;
    VEAudioTagInfo audioTagInfo;
    int32_t resolutionWidth = 0;
    int32_t resolutionHeight = 0;
    bool m_bLossless = false;
    QString m_fileFormat; // short name of the output container, e.g. "mov"
    VEProgramValueInfo programValueInfo;
    QList<EVSubtitleTrack> subtitleTrackList;
    QList<VEAudioTrack> audioTrackList;
    QList<JXChapterInfo> chapterList; // chapters of the media; empty when it has none

    VEEditConfig();
    // Back to the defaults; subltItemList and audioList are kept.
    void reset();

    // Registers the record and the parts that travel alone in queued signals
    // under their own names. Safe to call often; the constructors do.
    static void registerMetaTypes();
};

Q_DECLARE_METATYPE(VEEditConfig)
