#include "recorder/cavencodeparam.h"
#include "recorder/recorderlog.h"

#include "rzcodec/config.h"

#include <QDebug>

#include <cstdlib>
#include <cstring>

void CAVEncodeTextBlock::clear()
{
    for (std::string *s : {&title, &artist, &album_artist, &composer, &album, &genre, &track, &year,
                           &date, &grouping, &comment, &disc, &copyright, &cover_image})
        s->clear();
    coverText = nullptr;
    coverLength = 0;
}

VEAudioTagInfo CAVEncodeTextBlock::toTagInfo() const
{
    VEAudioTagInfo t;
    t.title = title;
    t.artist = artist;
    t.album_artist = album_artist;
    t.composer = composer;
    t.album = album;
    t.genre = genre;
    t.track = track;
    t.year = year;
    t.date = date;
    t.grouping = grouping;
    t.comment = comment;
    t.disc = disc;
    t.copyright = copyright;
    const std::string &cover = coverText ? *coverText : cover_image;
    t.cover_image = cover.substr(0, coverLength);
    t.coverSize = int(t.cover_image.size());
    return t;
}

void CAVEncodeTextBlock::setFrom(const VEAudioTagInfo &t)
{
    title = t.title;
    artist = t.artist;
    album_artist = t.album_artist;
    composer = t.composer;
    album = t.album;
    genre = t.genre;
    track = t.track;
    year = t.year;
    date = t.date;
    grouping = t.grouping;
    comment = t.comment;
    disc = t.disc;
    copyright = t.copyright;
    cover_image = t.coverBytes();
    coverText = nullptr;
    coverLength = uint32_t(cover_image.size());
}

CAVEncodeParam::CAVEncodeParam()
{
    setDefaults();
}

CAVEncodeParam::CAVEncodeParam(const CAVEncodeParam &other)
{
    copyFrom(other);
}

CAVEncodeParam &CAVEncodeParam::operator=(const CAVEncodeParam &other)
{
    if (this != &other) {
        freeOwned();
        copyFrom(other);
    }
    return *this;
}

CAVEncodeParam::~CAVEncodeParam()
{
    freeOwned();
}

void CAVEncodeParam::freeOwned()
{
    std::free(m_formatName);
    m_formatName = nullptr;
    std::free(m_buffer);
    m_buffer = nullptr;
    m_bufferLength = 0;
}

void CAVEncodeParam::copyFrom(const CAVEncodeParam &o)
{
    // Every plain field by member-wise copy, the owned pointers duplicated.
    videoCodec = o.videoCodec;
    width = o.width;
    height = o.height;
    frameRate100 = o.frameRate100;
    containerFlag = o.containerFlag;
    frameRateNum = o.frameRateNum;
    frameRateDen = o.frameRateDen;
    videoBitRate = o.videoBitRate;
    quality = o.quality;
    audioCodec = o.audioCodec;
    sampleRate = o.sampleRate;
    channels = o.channels;
    std::memcpy(audioExtra, o.audioExtra, sizeof audioExtra);
    audioBitRate = o.audioBitRate;
    audioQuality = o.audioQuality;
    std::memcpy(orientation, o.orientation, sizeof orientation);
    flag = o.flag;
    backgroundColor = o.backgroundColor;
    std::memcpy(range1, o.range1, sizeof range1);
    std::memcpy(scale1, o.scale1, sizeof scale1);
    std::memcpy(range2, o.range2, sizeof range2);
    std::memcpy(scale2, o.scale2, sizeof scale2);
    std::memcpy(values24, o.values24, sizeof values24);
    text25 = o.text25;
    std::memcpy(values26, o.values26, sizeof values26);
    text27 = o.text27;
    std::memcpy(values28, o.values28, sizeof values28);
    style = o.style;
    text30 = o.text30;
    std::memcpy(values31, o.values31, sizeof values31);
    std::memcpy(factors32, o.factors32, sizeof factors32);
    std::memcpy(values33, o.values33, sizeof values33);
    std::memcpy(values34, o.values34, sizeof values34);
    std::memcpy(values35, o.values35, sizeof values35);
    rangeStart = o.rangeStart;
    rangeDuration = o.rangeDuration;
    tags = o.tags;
    std::memcpy(audioPercent, o.audioPercent, sizeof audioPercent);
    editConfig = o.editConfig;
    discSource = o.discSource;
    plainCut = o.plainCut;
    pictureBytes = o.pictureBytes;
    pictureLength = o.pictureLength;
    pictureValue = o.pictureValue;
    value43 = o.value43;
    m_formatName = o.m_formatName ? strdup(o.m_formatName) : nullptr;
    m_buffer = nullptr;
    m_bufferLength = 0;
    if (o.m_buffer && o.m_bufferLength > 0) {
        m_buffer = std::malloc(o.m_bufferLength);
        if (m_buffer) {
            std::memcpy(m_buffer, o.m_buffer, o.m_bufferLength);
            m_bufferLength = o.m_bufferLength;
        }
    }
}

void CAVEncodeParam::setFormatName(const char *name)
{
    std::free(m_formatName);
    m_formatName = name ? strdup(name) : nullptr;
}

void CAVEncodeParam::setBuffer(void *malloced, uint32_t length)
{
    std::free(m_buffer);
    m_buffer = malloced;
    m_bufferLength = malloced ? length : 0;
}

void CAVEncodeParam::setDefaults()
{
    freeOwned();
    videoCodec = 0;
    width = height = 0;
    frameRate100 = 0;
    containerFlag = 0;
    frameRateNum = frameRateDen = 0;
    videoBitRate = 0;
    quality = 0;
    audioCodec = 0;
    sampleRate = channels = 0;
    audioExtra[0] = audioExtra[1] = audioExtra[2] = 0;
    audioBitRate = 0;
    audioQuality = 0;
    const int32_t orient[6] = {0, 0, 0, 1, 0, 0};
    std::memcpy(orientation, orient, sizeof orientation);
    flag = 1;
    backgroundColor = 0xFF000000;
    range1[0] = range1[1] = range2[0] = range2[1] = 0;
    scale1[0] = scale1[1] = scale2[0] = scale2[1] = 1.0;
    std::memset(values24, 0, sizeof values24);
    text25.clear();
    std::memset(values26, 0, sizeof values26);
    text27.clear();
    std::memset(values28, 0, sizeof values28);
    style = CAVEncodeStyleBlock();
    text30.clear();
    values31[0] = values31[1] = 0;
    values31[2] = 255;
    factors32[0] = factors32[1] = 100.0;
    std::memset(values33, 0, sizeof values33);
    std::memset(values34, 0, sizeof values34);
    const int32_t v35[5] = {0, 0, 100, 100, 0};
    std::memcpy(values35, v35, sizeof values35);
    rangeStart = rangeDuration = 0;
    tags.clear();
    audioPercent[0] = audioPercent[1] = audioPercent[2] = 100;
    editConfig = VEEditConfig();
    discSource = false;
    plainCut = false;
    pictureBytes = nullptr;
    pictureLength = 0;
    pictureValue = 0;
    value43 = -1;
}

namespace {
constexpr int32_t fourcc(char a, char b, char c, char d)
{
    return int32_t(uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16
                   | uint32_t(uint8_t(c)) << 8 | uint32_t(uint8_t(d)));
}
constexpr int32_t kH264 = 28;
constexpr int32_t kH265 = fourcc('H', '2', '6', '5');
} // namespace

void CAVEncodeParam::applyEncoderSettings(void *config, bool video, bool audio) const
{
    if (!config)
        return;
    const int32_t videoId = video ? videoCodec : -1;
    rz_config_set_video_codec(config, videoId);
    rz_config_set_audio_codec(config, audio ? audioCodec : -1);
    if (videoId == kH265 || videoId == kH264) {
        rz_config_set_video_profile_kind(config, 2);
        rz_config_set_video_profile(config, videoId == kH265 ? 1 : 66);
    }
    rz_config_set_video_size(config, width, height);
    if (frameRate100)
        rz_config_set_video_frame_rate(config, frameRate100, 100);
    else if (frameRateNum)
        rz_config_set_video_frame_rate(config, frameRateNum, frameRateDen);
    qCDebug(lcRecorder) << "VideoQuality---------------------->:" << quality;
    if (quality != -1)
        rz_config_set_video_quality(config, quality);
    else if (videoBitRate)
        rz_config_set_video_bitrate(config, uint64_t(videoBitRate) * 1000);
    rz_config_set_audio_channels(config, channels ? channels : 2);
    rz_config_set_audio_sample_rate(config, sampleRate ? sampleRate : 44100);
    if (audioBitRate)
        rz_config_set_audio_bitrate(config, uint64_t(audioBitRate) * 1000);
}
