#include "convert/qformatresolver.h"

#include "convert/convertlog.h"

#include "common/jxavcodecanalysis.h"
#include "common/qvideosettingxml.h"
#include "convert/qplistread.h"
#include "rzcodec/codecids.h"


const char *const QFormatResolver::kVideoCategory = "General Video";
const char *const QFormatResolver::kVideoId = "4000";
const char *const QFormatResolver::kAudioCategory = "General Audio";
const char *const QFormatResolver::kAudioId = "5000";

namespace {

const QString kGroup = QStringLiteral("FormatSet");

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

QString qs(const std::string &text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

// "Original", "Auto" and "Smart Fit" stand for the profile's own value.
bool isAutoWord(const QString &text)
{
    return text == QLatin1String("Original") || text == QLatin1String("Auto")
           || text == QLatin1String("Smart Fit");
}

// The saved text (with an entry) unless it is an automatic word.
QString savedOr(const QualitySet *saved, QString QualitySet::*field, const std::string &fallback)
{
    const QString value = saved ? saved->*field : qs(fallback);
    return isAutoWord(value) ? qs(fallback) : value;
}

int codecOf(const QString &encoder)
{
    return encoder.isEmpty() ? -1 : JXAVCodecAnalysis::codecIDOfFourcc(utf8(encoder));
}

void ensureRecords()
{
    if (!QConverterSetting::m_videoSetting || !QConverterSetting::m_audioSetting
        || !QConverterSetting::m_videoFormat || !QConverterSetting::m_audioFormat)
        QConverterSetting::InitSetting();
}

} // namespace

QFormatResolver::QFormatResolver(const QPlistRead &catalogue)
    : m_catalogue(catalogue)
{
}

FormatChoice QFormatResolver::storedChoice(bool video)
{
    FormatChoice choice;
    if (video) {
        choice.category = QVideoSettingXml::GetItemValue(kGroup, QStringLiteral("Video_Categories"),
                                                         QLatin1String(kVideoCategory));
        choice.id = QVideoSettingXml::GetItemValue(kGroup, QStringLiteral("Video_Id"), QLatin1String(kVideoId));
    } else {
        choice.category = QVideoSettingXml::GetItemValue(kGroup, QStringLiteral("Audio_Categories"),
                                                         QLatin1String(kAudioCategory));
        choice.id = QVideoSettingXml::GetItemValue(kGroup, QStringLiteral("Audio_Id"), QLatin1String(kAudioId));
    }
    return choice;
}

bool QFormatResolver::getConverterInfo(const QString &category, const QString &id, VideoQuality quality,
                                       AttributeSetting &setting) const
{
    std::optional<QualitySet> saved;
    if (quality == Customized) {
        saved = QVideoSettingXml::GetDefaultFormat(id);
        if (!saved)
            quality = HighQuality;
    }
    const QualitySet *entry = saved ? &*saved : nullptr;
    const std::optional<FormatAllInfo> info = m_catalogue.GetFormatInfoForPlist(
        utf8(category), utf8(id), entry ? utf8(entry->videoEncoder) : std::string(),
        entry ? utf8(entry->videoResolution) : std::string(), entry ? utf8(entry->audioEncoder) : std::string(),
        entry ? utf8(entry->audioChannel) : std::string());
    // A record without an extension is a profile the catalogue does not list.
    if (!info || info->extension.empty())
        return false;
    analysisFormatInfo(*info, quality, entry, setting);
    return true;
}

void QFormatResolver::analysisFormatInfo(const FormatAllInfo &info, VideoQuality quality, const QualitySet *saved,
                                         AttributeSetting &a)
{
    a.onlyAudio = info.onlyAudio;
    a.format = qs(JXAVCodecAnalysis::formatOfFourCC(info.extension));
    a.extension = qs(info.extension);

    unsigned int percent = 0;
    if (quality == HighQuality) {
        percent = 80;
    } else if (quality == SmallSize) {
        percent = 50;
    } else {
        QString text = saved ? saved->videoQuality : QString();
        if (text.isEmpty() || isAutoWord(text))
            text = QStringLiteral("70 %");
        QConverterSetting::analysisQuality(text, percent);
    }
    a.quality = int(percent);

    if (a.onlyAudio) {
        a.videoEncoder.clear();
        a.videoCodec = -1;
        a.width = a.height = 0;
        a.frameRateNum = 0;
        a.frameRateDen = 1;
        a.videoBitRate = 0;
        a.quality = -1;
    } else {
        QString encoder = saved ? saved->videoEncoder : qs(info.videoEncoder);
        if (encoder.isEmpty() || isAutoWord(encoder))
            encoder = qs(info.videoEncoder);
        a.videoEncoder = encoder;
        a.videoCodec = codecOf(encoder);

        const QString resolution = saved ? saved->videoResolution
                                         : (info.autoMode ? QString() : qs(info.defaultResolution));
        QConverterSetting::analysisResolution(resolution, a.width, a.height);

        double rate = 0;
        QConverterSetting::analysisFrameRate(savedOr(saved, &QualitySet::videoFrameRate, info.defaultFrameRate),
                                             rate);
        JXAVCodecAnalysis::GetVideoFrameRate(rate, a.frameRateNum, a.frameRateDen);

        QString bitRate;
        if (quality == HighQuality) {
            bitRate = qs(info.maxVideoBitRate);
        } else if (quality == SmallSize) {
            bitRate = qs(info.minVideoBitRate);
        } else {
            bitRate = saved ? saved->videoBitRate : QString();
            if (isAutoWord(bitRate))
                bitRate = qs(info.defaultVideoBitRate);
            else
                a.quality = -1; // a chosen bit rate rules over the quality
        }
        QConverterSetting::analysisBitRate(bitRate, a.videoBitRate);
        if (!info.autoMode)
            a.quality = -1;
    }

    a.audioEncoder = savedOr(saved, &QualitySet::audioEncoder, info.audioEncoder);
    a.audioCodec = codecOf(a.audioEncoder);
    bool ok = false;
    const int channels = savedOr(saved, &QualitySet::audioChannel, info.defaultChannels).toInt(&ok);
    a.channels = ok ? channels : 0;
    QConverterSetting::analysisSample(savedOr(saved, &QualitySet::audioSampleRate, info.defaultSampleRate),
                                      a.sampleRate);
    QString audioBitRate;
    if (quality == HighQuality)
        audioBitRate = qs(info.maxAudioBitRate);
    else if (quality == SmallSize)
        audioBitRate = qs(info.minAudioBitRate);
    else
        audioBitRate = savedOr(saved, &QualitySet::audioBitRate, info.defaultAudioBitRate);
    QConverterSetting::analysisBitRate(audioBitRate, a.audioBitRate);

    // Some MP4 muxers refuse ALAC; the iPod flavour writes the same m4a file.
    if (a.audioCodec == RZ_CODEC_ALAC && a.format == QLatin1String("mp4"))
        a.format = QStringLiteral("ipod");
}

void QFormatResolver::fallbackAudioSetting(AttributeSetting &a)
{
    a = AttributeSetting();
    a.onlyAudio = true;
    a.quality = -1;
    a.format = QStringLiteral("mp3");
    a.extension = QStringLiteral("mp3");
    a.videoCodec = -1;
    a.frameRateDen = 1;
    a.audioEncoder = QStringLiteral("MP3");
    a.audioCodec = JXAVCodecAnalysis::codecIDOfFourcc("MP3");
    a.channels = 2;
    a.sampleRate = 44100;
    a.audioBitRate = 320;
}

void QFormatResolver::saveUseSetting(bool video) const
{
    ensureRecords();
    const FormatChoice stored = storedChoice(video);
    AttributeSetting &setting = video ? *QConverterSetting::m_videoSetting : *QConverterSetting::m_audioSetting;
    const VideoQuality quality = QConverterSetting::getFormatDefaultQuality(stored.id);
    if (!getConverterInfo(stored.category, stored.id, quality, setting)) {
        if (video) {
            // The shipped catalogue holds sound presets only.
            qCDebug(lcConvert) << "no video profile" << stored.category << stored.id;
        } else {
            qCWarning(lcConvert) << "output profile" << stored.category << stored.id << "not found in"
                       << qs(QPlistRead::cataloguePath()) << m_catalogue.errorString();
            // Recording needs a format: without one the built-in MP3 is used.
            if (setting.format.isEmpty())
                fallbackAudioSetting(setting);
        }
    }
    FormatChoice &choice = video ? *QConverterSetting::m_videoFormat : *QConverterSetting::m_audioFormat;
    choice = stored;
    choice.title = qs(m_catalogue.getFormatInfoForKey(utf8(stored.category), utf8(stored.id), "title"));
    qCDebug(lcConvert) << (video ? "------------Video setting------------" : "------------Audio setting------------")
             << choice.category << choice.id << choice.title << setting.format << setting.extension
             << setting.audioEncoder << setting.channels << setting.sampleRate << setting.audioBitRate;
}

void QFormatResolver::InitSetting() const
{
    saveUseSetting(true);
    saveUseSetting(false);
    // Recordings read the audio half; a caller that has not pointed them at
    // it yet still gets a format.
    if (!QConverterSetting::m_attributeSetting)
        QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
}

void QFormatResolver::resetFormat() const
{
    ensureRecords();
    const struct {
        bool video;
        const char *categoryKey;
        const char *idKey;
        const char *category;
        const char *id;
    } halves[] = {
        {true, "Video_Categories", "Video_Id", kVideoCategory, kVideoId},
        {false, "Audio_Categories", "Audio_Id", kAudioCategory, kAudioId},
    };
    for (const auto &h : halves) {
        QVideoSettingXml::SetItemValue(kGroup, QLatin1String(h.categoryKey), QLatin1String(h.category));
        QVideoSettingXml::SetItemValue(kGroup, QLatin1String(h.idKey), QLatin1String(h.id));
        // "0" is the index of High Quality in the quality list.
        QVideoSettingXml::SetDefaultFormatValue(QLatin1String(h.id), QStringLiteral("QUALITY_VALUE"),
                                                QStringLiteral("0"));
        QVideoSettingXml::SetDefaultFormatValue(QLatin1String(h.id), QStringLiteral("Video_Quality"),
                                                QStringLiteral("0"));
        saveUseSetting(h.video);
    }
}
