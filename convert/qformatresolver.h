#pragma once
// Turns an output choice (category, preset id, quality and the user's saved
// parameters) into the encoder settings recordings use, and keeps the
// current output settings of both halves filled. No widgets: the format
// dialog and start-up share it.

#include "common/formatallinfo.h"
#include "common/qconvertersetting.h"
#include "common/qualityset.h"

#include <QString>

class QPlistRead;

class QFormatResolver
{
public:
    // The catalogue is not owned; it outlives the resolver.
    explicit QFormatResolver(const QPlistRead &catalogue);

    // The factory choices and their defaults.
    static const char *const kVideoCategory;
    static const char *const kVideoId;
    static const char *const kAudioCategory;
    static const char *const kAudioId;

    // The stored choice of one half ("FormatSet"), defaults when unset.
    static FormatChoice storedChoice(bool video);

    // Resolves (category, id) at the quality into the setting. False, with
    // the setting unchanged, when the catalogue has no such profile.
    bool getConverterInfo(const QString &category, const QString &id, VideoQuality quality,
                          AttributeSetting &setting) const;
    // Fills the setting from a profile record and, for Customized, the
    // saved parameters (null: the profile's own values).
    static void analysisFormatInfo(const FormatAllInfo &info, VideoQuality quality, const QualitySet *saved,
                                   AttributeSetting &setting);
    // Built-in MP3 settings, used when the audio choice cannot be resolved.
    static void fallbackAudioSetting(AttributeSetting &setting);

    // Resolves the stored choice of one half into QConverterSetting's
    // records (creating them when missing). The audio half always ends with
    // a format and an extension.
    void saveUseSetting(bool video) const;
    // Both halves; the start-up call. Points m_attributeSetting at the
    // audio half when nothing else is set.
    void InitSetting() const;
    // Makes the factory presets the stored choice at High Quality and
    // resolves the halves again.
    void resetFormat() const;

private:
    const QPlistRead &m_catalogue;
};
