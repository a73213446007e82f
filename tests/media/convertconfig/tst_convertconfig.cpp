// The conversion configuration keeps every value its setters give, and the
// edit record reaches it as the mapping says.

#include "mediafiles.h"

#include "media/jxconfigmanager.h"
#include "media/jxtagfileaccess.h"
#include "rzcodec/buffer.h"
#include "rzcodec/codecids.h"
#include "rzcodec/config.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// A configuration released at the end of the scope.
struct Config {
    Config() : handle(rz_config_create()) {}
    ~Config() { rz_config_release(handle); }
    operator void *() const { return handle; }
    void *handle;
};

int64_t intOf(void *c, const char *key, uint32_t index = 0)
{
    int64_t v = INT64_MIN;
    if (!rz_config_get_int(c, key, index, &v))
        qWarning() << "no int at" << key << index;
    return v;
}

uint64_t uintOf(void *c, const char *key, uint32_t index = 0)
{
    uint64_t v = 0xDEADBEEF;
    if (!rz_config_get_uint(c, key, index, &v))
        qWarning() << "no uint at" << key << index;
    return v;
}

double doubleOf(void *c, const char *key, uint32_t index = 0)
{
    double v = -12345;
    if (!rz_config_get_double(c, key, index, &v))
        qWarning() << "no double at" << key << index;
    return v;
}

QString textOf(void *c, const char *key)
{
    const char *t = rz_config_get_text(c, key);
    return t ? QString::fromUtf8(t) : QStringLiteral("<none>");
}

QString metadataOf(void *c, const char *key)
{
    void *b = rz_config_get_metadata(c, key);
    return b ? QString::fromUtf8(reinterpret_cast<const char *>(rz_buffer_data(b)), int(rz_buffer_size(b)))
             : QStringLiteral("<none>");
}

// A record with a value other than the default almost everywhere.
VEEditConfig busyRecord()
{
    VEEditConfig e;
    e.videoEffect = {12, 0, 130, 90, -20};
    e.programValueInfo.ProgramIndex = 2;
    e.programValueInfo.subtlType = -3;
    e.programValueInfo.subtlFile = "/subs/film.srt";
    VEAudioTrack a;
    e.audioTrackList << a << a << a;
    e.audioTrackList[1].selected = true;
    VESubtitleSettings &s = e.subtitleSettings;
    s.alpha = 200; s.scaleX = 110; s.scaleY = 120; s.delay = -1500000; s.font = "@Noto Sans";
    s.bold = 1; s.italic = 1; s.underline = 1; s.strikeout = 1; s.textSize = 22;
    s.textColor = 0xFF112233; s.shadowColor = 0x40000000; s.outlineColor = 0xFF445566;
    s.shadowOffset = 0.75; s.outlineSize = 2.5; s.marginH = 0.1; s.marginV = 0.2; s.align = 2;
    s.spacingH = 1.5; s.spacingV = 2.5;
    VEWatermarkSettings &w = e.watermark;
    w.imageFile = "/img/logo.png"; w.imageMaskFile = "/img/mask.png"; w.imageMirror = 1;
    w.imagePosX = 0.25; w.imagePosY = 0.75; w.imageScaleX = 50; w.imageScaleY = 60; w.imageAngle = -45;
    w.imageAlpha = 128; w.imageMixMode = 3; w.imageWidth = 0.3; w.imageHeight = 0.2; w.imageLoop = 0;
    w.imageCropLeft = 0.1; w.imageCropTop = 0.2; w.imageCropRight = 0.9; w.imageCropBottom = 0.8;
    w.text = "© Velmora"; w.textAlpha = 100; w.textPosX = 0.5; w.textPosY = 0.6; w.textAngle = 30;
    w.textBold = 1; w.textSize = 40; w.textFont = "@Serif"; w.textColor = 0xFF00FF00;
    w.textOutlineColor = 0xFF0000FF; w.textOutlineSize = 3.0; w.textShadowColor = 0x7F000000;
    w.textShadowOffset = 1.25; w.textItalic = 1; w.textUnderline = 1; w.textStrikeout = 1;
    w.textScaleX = 90; w.textScaleY = 80; w.textLayerTopmost = 0; w.textSpacingH = 0.5; w.textSpacingV = 0.25;
    VEAudioBackgroundSettings &b = e.audioBackground;
    b.file = "/music/bed.mp3"; b.loop = 0; b.mixMode = 2; b.volume = 70; b.weight = 30;
    b.showStart = 1000000; b.showEnd = 5000000; b.splitStart = 200000; b.splitEnd = 900000;
    VECropSettings &c = e.cropSettings;
    c.aspectWidth = 16; c.aspectHeight = 9; c.rotation = 90; c.mirror = 1; c.pad = 1; c.padColor = 0xFF202020;
    c.cropLeft = 0.05; c.cropTop = 0.1; c.cropRight = 0.95; c.cropBottom = 0.9;
    e.audioSettings.volume = 150; e.audioSettings.rate = 90; e.audioSettings.speed = 125;
    double bands[10], gains[10];
    for (int i = 0; i < 10; ++i) {
        bands[i] = 31.0 * (1 << i);
        gains[i] = i - 5.0;
    }
    e.audioSettings.set(bands, gains, 10);
    return e;
}
} // namespace

class TestConvertConfig : public QObject
{
    Q_OBJECT
private slots:
    void encoderSettersReadBack();
    void wholeRecordReachesTheConfiguration();
    void panScanAndFitCrop();
    void streamChoices();
    void masksIgnoreStreamsPast63();
    void equaliserOffReachesAsNullArrays();
    void tagsGoToTheConfiguration();
    void tagsGoIntoAFile();
    void nullHandlesAreRefused();
};

void TestConvertConfig::encoderSettersReadBack()
{
    Config c;
    QVERIFY(c.handle);
    QCOMPARE(rz_config_set_video_codec(c, -1), 1);
    QCOMPARE(rz_config_set_audio_codec(c, RZ_CODEC_AAC), 1);
    rz_config_set_video_profile_kind(c, 2);
    rz_config_set_video_profile(c, 66);
    rz_config_set_audio_encoder(c, "aac");
    rz_config_set_video_size(c, 1280, 720);
    rz_config_set_video_frame_rate(c, 30000, 1001);
    rz_config_set_video_quality(c, 85);
    rz_config_set_video_bitrate(c, 4000000);
    rz_config_set_audio_channels(c, 2);
    rz_config_set_audio_sample_rate(c, 48000);
    rz_config_set_audio_bitrate(c, 192000);
    rz_config_set_input_count(c, 2);
    int stream = 0;
    QCOMPARE(rz_config_add_input_stream(c, &stream), 1);
    QCOMPARE(rz_config_add_input_stream(c, nullptr), 0);
    rz_config_add_chapter(c, 0, 60000000, "Eins");
    rz_config_add_chapter(c, 60000000, 30000000, nullptr);

    QCOMPARE(intOf(c, "video.codec"), -1);
    QCOMPARE(uintOf(c, "audio.codec"), uint64_t(RZ_CODEC_AAC));
    QCOMPARE(uintOf(c, "video.profile_kind"), 2u);
    QCOMPARE(uintOf(c, "video.profile"), 66u);
    QCOMPARE(textOf(c, "audio.encoder"), QStringLiteral("aac"));
    QCOMPARE(uintOf(c, "video.size", 0), 1280u);
    QCOMPARE(uintOf(c, "video.size", 1), 720u);
    QCOMPARE(uintOf(c, "video.frame_rate", 0), 30000u);
    QCOMPARE(uintOf(c, "video.frame_rate", 1), 1001u);
    QCOMPARE(intOf(c, "video.quality"), 85);
    QCOMPARE(uintOf(c, "video.bitrate"), 4000000u);
    QCOMPARE(uintOf(c, "audio.channels"), 2u);
    QCOMPARE(uintOf(c, "audio.sample_rate"), 48000u);
    QCOMPARE(uintOf(c, "audio.bitrate"), 192000u);
    QCOMPARE(uintOf(c, "input.count"), 2u);
    QCOMPARE(rz_config_get_input_stream_count(c), 1u);
    QCOMPARE(rz_config_get_input_stream(c, 0), static_cast<void *>(&stream));
    QVERIFY(!rz_config_get_input_stream(c, 1));
    QCOMPARE(rz_config_get_chapter_count(c), 2u);
    uint64_t start = 1, duration = 1;
    const char *title = nullptr;
    QCOMPARE(rz_config_get_chapter(c, 1, &start, &duration, &title), 1);
    QCOMPARE(start, 60000000ull);
    QCOMPARE(duration, 30000000ull);
    QCOMPARE(QString(title), QString());
    QCOMPARE(rz_config_get_chapter(c, 2, &start, &duration, &title), 0);

    // Absent keys and wrong kinds read as absent.
    int64_t v;
    QCOMPARE(rz_config_get_int(c, "audio.volume", 0, &v), 0);
    QCOMPARE(rz_config_get_int(c, "video.size", 2, &v), 0);
    QCOMPARE(rz_config_get_int(c, "audio.encoder", 0, &v), 0);
    QVERIFY(!rz_config_get_text(c, "video.codec"));
    QCOMPARE(rz_config_has(c, "video.codec"), 1);
    QCOMPARE(rz_config_has(c, "video.crop"), 0);
}

void TestConvertConfig::wholeRecordReachesTheConfiguration()
{
    Config c;
    JXConfigManager::setEditConfig(c, busyRecord());

    QCOMPARE(intOf(c, "video.brightness"), 12);
    QCOMPARE(intOf(c, "video.saturation"), 130);
    QCOMPARE(intOf(c, "video.contrast"), 90);
    QCOMPARE(intOf(c, "video.hue"), -20);
    QCOMPARE(intOf(c, "stream.program"), 2);
    QCOMPARE(intOf(c, "stream.audio"), 1);
    QCOMPARE(textOf(c, "stream.subtitle_file"), QStringLiteral("/subs/film.srt"));
    QCOMPARE(rz_config_has(c, "stream.audio_mask"), 0); // not lossless

    QCOMPARE(uintOf(c, "subtitle.alpha"), 200u);
    QCOMPARE(uintOf(c, "subtitle.scale", 1), 120u);
    QCOMPARE(intOf(c, "subtitle.delay"), -1500000);
    QCOMPARE(textOf(c, "subtitle.font"), QStringLiteral("Noto Sans"));
    for (const char *key : {"subtitle.bold", "subtitle.italic", "subtitle.underline", "subtitle.strikeout"})
        QCOMPARE(uintOf(c, key), 1u);
    QCOMPARE(uintOf(c, "subtitle.size"), 22u);
    QCOMPARE(uintOf(c, "subtitle.color"), 0xFF112233u);
    QCOMPARE(uintOf(c, "subtitle.shadow_color"), 0x40000000u);
    QCOMPARE(uintOf(c, "subtitle.outline_color"), 0xFF445566u);
    QCOMPARE(doubleOf(c, "subtitle.shadow_offset"), 0.75);
    QCOMPARE(doubleOf(c, "subtitle.outline_size"), 2.5);
    QCOMPARE(doubleOf(c, "subtitle.margin_h"), 0.1);
    QCOMPARE(doubleOf(c, "subtitle.margin_v"), 0.2);
    QCOMPARE(uintOf(c, "subtitle.align"), 2u);
    QCOMPARE(doubleOf(c, "subtitle.spacing_h"), 1.5);
    QCOMPARE(doubleOf(c, "subtitle.spacing_v"), 2.5);

    QCOMPARE(uintOf(c, "watermark.max_count"), 3u);
    QCOMPARE(textOf(c, "watermark.0.image_file"), QStringLiteral("/img/logo.png"));
    QCOMPARE(textOf(c, "watermark.0.image_mask_file"), QStringLiteral("/img/mask.png"));
    QCOMPARE(uintOf(c, "watermark.0.image_mirror"), 1u);
    QCOMPARE(doubleOf(c, "watermark.0.image_position", 1), 0.75);
    QCOMPARE(uintOf(c, "watermark.0.image_scale", 0), 50u);
    QCOMPARE(intOf(c, "watermark.0.image_angle"), -45);
    QCOMPARE(uintOf(c, "watermark.0.image_alpha"), 128u);
    QCOMPARE(uintOf(c, "watermark.0.image_mix_mode"), 3u);
    QCOMPARE(doubleOf(c, "watermark.0.image_size", 0), 0.3);
    QCOMPARE(uintOf(c, "watermark.0.image_loop"), 0u);
    QCOMPARE(doubleOf(c, "watermark.0.image_crop", 3), 0.8);
    QCOMPARE(textOf(c, "watermark.0.text"), QStringLiteral("© Velmora"));
    QCOMPARE(uintOf(c, "watermark.0.text_alpha"), 100u);
    QCOMPARE(doubleOf(c, "watermark.0.text_position", 1), 0.6);
    QCOMPARE(intOf(c, "watermark.0.text_angle"), 30);
    QCOMPARE(uintOf(c, "watermark.0.text_bold"), 1u);
    QCOMPARE(uintOf(c, "watermark.0.text_size"), 40u);
    QCOMPARE(textOf(c, "watermark.0.text_font"), QStringLiteral("Serif"));
    QCOMPARE(uintOf(c, "watermark.0.text_color"), 0xFF00FF00u);
    QCOMPARE(uintOf(c, "watermark.0.text_outline_color"), 0xFF0000FFu);
    QCOMPARE(doubleOf(c, "watermark.0.text_outline_size"), 3.0);
    QCOMPARE(uintOf(c, "watermark.0.text_shadow_color"), 0x7F000000u);
    QCOMPARE(doubleOf(c, "watermark.0.text_shadow_offset"), 1.25);
    for (const char *key : {"watermark.0.text_italic", "watermark.0.text_underline", "watermark.0.text_strikeout"})
        QCOMPARE(uintOf(c, key), 1u);
    QCOMPARE(uintOf(c, "watermark.0.text_scale", 1), 80u);
    QCOMPARE(uintOf(c, "watermark.0.text_topmost"), 0u);
    QCOMPARE(doubleOf(c, "watermark.0.text_spacing_h"), 0.5);
    QCOMPARE(doubleOf(c, "watermark.0.text_spacing_v"), 0.25);
    // Watermarks 1 and 2 are empty: nothing was set for them.
    QCOMPARE(rz_config_has(c, "watermark.1.text"), 0);
    QCOMPARE(rz_config_has(c, "watermark.2.image_file"), 0);

    QCOMPARE(textOf(c, "background.0.file"), QStringLiteral("/music/bed.mp3"));
    QCOMPARE(uintOf(c, "background.0.loop"), 0u);
    QCOMPARE(uintOf(c, "background.0.mix_mode"), 2u);
    QCOMPARE(uintOf(c, "background.0.volume"), 70u);
    QCOMPARE(uintOf(c, "background.0.weight"), 30u);
    QCOMPARE(uintOf(c, "background.0.show_time", 1), 5000000u);
    QCOMPARE(uintOf(c, "background.0.split_time", 0), 200000u);

    QCOMPARE(uintOf(c, "video.aspect_ratio", 0), 16u);
    QCOMPARE(intOf(c, "video.rotate"), 90);
    QCOMPARE(uintOf(c, "video.mirror"), 1u);
    QCOMPARE(uintOf(c, "video.pad", 0), 1u);
    QCOMPARE(uintOf(c, "video.pad", 1), 0xFF202020u);
    QCOMPARE(doubleOf(c, "video.crop", 2), 0.95);

    QCOMPARE(uintOf(c, "audio.volume"), 150u);
    QCOMPARE(uintOf(c, "audio.rate"), 90u);
    QCOMPARE(uintOf(c, "audio.speed"), 125u);
    const double *bands = nullptr;
    const double *gains = nullptr;
    uint32_t nb = 0, ng = 0;
    QCOMPARE(rz_config_get_doubles(c, "audio.eq_bands", &bands, &nb), 1);
    QCOMPARE(rz_config_get_doubles(c, "audio.eq_gains", &gains, &ng), 1);
    QCOMPARE(nb, 10u);
    QCOMPARE(ng, 10u);
    QCOMPARE(bands[9], 31.0 * 512);
    QCOMPARE(gains[0], -5.0);
}

void TestConvertConfig::panScanAndFitCrop()
{
    // Pan-and-scan on a sideways picture: aspect terms swapped, no pad fill.
    VECropSettings crop;
    crop.panScanMode = PanScanPanScan;
    crop.aspectWidth = 16;
    crop.aspectHeight = 9;
    crop.rotation = 270;
    Config c;
    JXConfigManager::setConfigCropSettings(c, crop, 1920, 1080);
    QCOMPARE(uintOf(c, "video.aspect_ratio", 0), 9u);
    QCOMPARE(uintOf(c, "video.pad", 0), 0u);

    // Fitting into the output size: the output's aspect and the second rectangle.
    crop = VECropSettings();
    crop.sizeMode = 1;
    crop.rotation = 90;
    crop.fitLeft = 0.2;
    Config d;
    JXConfigManager::setConfigCropSettings(d, crop, 1920, 1080);
    QCOMPARE(uintOf(d, "video.aspect_ratio", 0), 1080u);
    QCOMPARE(uintOf(d, "video.aspect_ratio", 1), 1920u);
    QCOMPARE(uintOf(d, "video.pad", 0), 0u);
    QCOMPARE(doubleOf(d, "video.crop", 0), 0.2);
}

void TestConvertConfig::streamChoices()
{
    // No audio wanted: index -1 even with a chosen track.
    VEEditConfig e;
    VEAudioTrack a;
    a.selected = true;
    e.audioTrackList << a;
    e.programValueInfo.audioType = -1;
    {
        Config c;
        JXConfigManager::setEditConfig(c, e);
        QCOMPARE(intOf(c, "stream.audio"), -1);
        QCOMPARE(intOf(c, "stream.subtitle"), -1);
        QCOMPARE(rz_config_has(c, "stream.audio_mask"), 0);
        QCOMPARE(rz_config_has(c, "stream.subtitle_codec"), 0);
    }

    // Lossless with a chosen closed-caption stream.
    EVSubtitleTrack text, cc;
    cc.codecTag = kClosedCaptionTag;
    cc.selected = true;
    e = VEEditConfig();
    e.m_bLossless = true;
    e.programValueInfo.subtlType = 0;
    e.subtitleTrackList << text << cc;
    e.m_fileFormat = "mov";
    {
        Config c;
        JXConfigManager::setEditConfig(c, e);
        QCOMPARE(intOf(c, "stream.subtitle"), 1);
        QCOMPARE(uintOf(c, "stream.subtitle_mask"), 0b10u);
        QCOMPARE(uintOf(c, "stream.subtitle_codec"), uint64_t(RZ_CODEC_MOV_TEXT));
        QCOMPARE(textOf(c, "stream.subtitle_option"), QString());
        QCOMPARE(uintOf(c, "stream.audio_mask"), 0u);
        QCOMPARE(textOf(c, "stream.audio_option"), QString());
    }
    e.m_fileFormat = "mp4";
    {
        Config c;
        JXConfigManager::setEditConfig(c, e);
        QCOMPARE(uintOf(c, "stream.subtitle_mask"), 0u);
        QCOMPARE(uintOf(c, "stream.subtitle_codec"), uint64_t(RZ_CODEC_TEXT));
    }
    // A second item of kind 1 ends the walk: at most bit 0.
    e.subtitleTrackList[0].selected = true;
    e.subtitleTrackList[1].kind = 1;
    e.m_fileFormat = "mov";
    QCOMPARE(JXConfigManager::subtitleStreamMask(e), 1u);

    // Closed captions and an external file.
    e = VEEditConfig();
    e.programValueInfo.subtlType = -2;
    Config c;
    JXConfigManager::setEditConfig(c, e);
    QCOMPARE(uintOf(c, "stream.closed_caption"), 1u);
}

void TestConvertConfig::masksIgnoreStreamsPast63()
{
    VEEditConfig e;
    VEAudioTrack a;
    a.selected = true;
    EVSubtitleTrack s;
    s.selected = true;
    for (int i = 0; i < 70; ++i) {
        e.audioTrackList << a;
        e.subtitleTrackList << s;
    }
    e.m_fileFormat = "mov";
    QCOMPARE(JXConfigManager::audioStreamMask(e), ~uint64_t(0));
    QCOMPARE(JXConfigManager::subtitleStreamMask(e), ~uint64_t(0));
    for (int i = 0; i < 70; ++i) {
        e.audioTrackList[i].selected = i >= 64;
        e.subtitleTrackList[i].selected = i >= 64;
    }
    QCOMPARE(JXConfigManager::audioStreamMask(e), 0u);
    QCOMPARE(JXConfigManager::subtitleStreamMask(e), 0u);
}

void TestConvertConfig::equaliserOffReachesAsNullArrays()
{
    Config c;
    double v[2] = {1, 2};
    rz_config_set_audio_equalize(c, v, v, 2);
    JXConfigManager::setAudioSettings(c, VEAudioSettings());
    const double *bands = v;
    uint32_t n = 7;
    QCOMPARE(rz_config_get_doubles(c, "audio.eq_bands", &bands, &n), 1);
    QVERIFY(bands == nullptr);
    QCOMPARE(n, 0u);
    QCOMPARE(uintOf(c, "audio.volume"), 100u);
    QCOMPARE(rz_config_set_audio_equalize(c, nullptr, nullptr, 3), 0);
}

void TestConvertConfig::tagsGoToTheConfiguration()
{
    VEAudioTagInfo t;
    t.artist = "Мария";
    t.year = "2021";
    const std::string picture("\x89PNG\r\n\x1a\n\0\0rest", 14);
    t.cover_image = picture;
    t.coverSize = 4000; // more than it holds
    Config c;
    JXConfigManager::setAudioTagInfoSettings(c.handle, t);
    QCOMPARE(metadataOf(c, "title"), QString()); // sent, empty
    QCOMPARE(metadataOf(c, "artist"), QStringLiteral("Мария"));
    QCOMPARE(metadataOf(c, "year"), QStringLiteral("2021"));
    QCOMPARE(metadataOf(c, "copyright"), QString());
    void *cover = rz_config_get_metadata(c, "cover_image");
    QVERIFY(cover);
    QCOMPARE(rz_buffer_size(cover), uint32_t(picture.size())); // bounded by the real bytes
    QCOMPARE(std::string(reinterpret_cast<const char *>(rz_buffer_data(cover)), rz_buffer_size(cover)), picture);

    // The whole-record variant writes the tags too.
    VEEditConfig e;
    e.audioTagInfo.title = "Whole";
    Config d;
    JXConfigManager::setEditConfigContainAudioTag(d, e);
    QCOMPARE(metadataOf(d, "title"), QStringLiteral("Whole"));
    QCOMPARE(uintOf(d, "audio.volume"), 100u);
}

void TestConvertConfig::tagsGoIntoAFile()
{
    QTemporaryDir dir;
    const QString path = MediaFiles::makeTone(dir.path(), "tags", MediaFiles::taggableFormats().at(0), 0.5);
    QVERIFY(!path.isEmpty());
    VEAudioTagInfo t;
    t.title = "";      // empty: not sent
    t.artist = "Artist";
    t.composer = "Composer"; // not among the fields this writer sends
    VEAudioTagInfo existing;
    existing.title = "Existing title";
    QVERIFY(JXTagFileAccess::write(path.toStdString(), existing, JXTagFileAccess::AllFields));
    QVERIFY(JXConfigManager::setAudioTagInfoSettings(path.toUtf8().constData(), t));
    VEAudioTagInfo back;
    QVERIFY(JXTagFileAccess::read(path.toStdString(), back));
    QCOMPARE(back.title, std::string("Existing title"));
    QCOMPARE(back.artist, std::string("Artist"));
    QVERIFY(back.composer.empty());
    QVERIFY(!JXConfigManager::setAudioTagInfoSettings((dir.path() + "/missing.mp3").toUtf8().constData(), t));
    QVERIFY(!JXConfigManager::setAudioTagInfoSettings(static_cast<const char *>(nullptr), t));
}

void TestConvertConfig::nullHandlesAreRefused()
{
    // No crash, no effect, for every whole-record and part mapping.
    JXConfigManager::setEditConfig(nullptr, busyRecord());
    JXConfigManager::setEditConfigContainAudioTag(nullptr, busyRecord());
    JXConfigManager::setConfigWatermarkSettings(nullptr, VEWatermarkSettings(), 0);
    JXConfigManager::setAudioSettings(nullptr, busyRecord().audioSettings);
    JXConfigManager::setAudioTagInfoSettings(static_cast<void *>(nullptr), VEAudioTagInfo());
    QCOMPARE(rz_config_set_audio_volume(nullptr, 50), 0);
    QCOMPARE(rz_config_set_metadata(nullptr, "title", "x"), 0);
    QVERIFY(!rz_config_get_text(nullptr, "title"));
    rz_config_release(nullptr);

    // A buffer is no configuration.
    void *buffer = rz_buffer_create("x", 1);
    QCOMPARE(rz_config_set_audio_volume(buffer, 50), 0);
    rz_config_release(buffer);
    QCOMPARE(rz_buffer_size(buffer), 1u);
    rz_buffer_release(buffer);
    Config c;
    QCOMPARE(rz_config_set_metadata(c, nullptr, "x"), 0);
    QCOMPARE(rz_config_set_metadata_buffer(c, "cover_image", nullptr), 0);
}

QTEST_MAIN(TestConvertConfig)
#include "tst_convertconfig.moc"
