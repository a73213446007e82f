// Encoder parameters of a recording and the time texts of the history.

#include "common/qconvertersetting.h"
#include "recorder/cavencodeparam.h"
#include "recorder/qrecordobject.h"
#include "rzcodec/config.h"

#include <QtTest>

namespace {
// A kept setting, or `absent` when the key was never set.
int64_t configInt(void *config, const char *key, int64_t absent = -7)
{
    int64_t v = 0;
    return rz_config_get_int(config, key, 0, &v) ? v : absent;
}
} // namespace

class TestEncodeParam : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void audioOnlyHasNoPicture();
    void oggBitRateIsCappedBelow32kHz();
    void containerFlagIgnoresCase();
    void configurationGetsDefaultsAndKbps();
    void copiesAreDeep();
    void timeTextsDoNotWrapAtADay();
};

void TestEncodeParam::init()
{
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
}

void TestEncodeParam::cleanup()
{
    QConverterSetting::m_attributeSetting = nullptr;
    QConverterSetting::releaseSetting();
}

void TestEncodeParam::audioOnlyHasNoPicture()
{
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    a.onlyAudio = true;
    a.width = 1920;
    a.height = 1080;
    a.videoCodec = 28;
    a.format = "MP3";
    a.audioCodec = 0x15001;
    QRecordObject rec;
    CAVEncodeParam p;
    rec.getEncodeParam(&p);
    QCOMPARE(p.videoCodec, -1);
    QCOMPARE(p.width, 0u);
    QCOMPARE(p.height, 0u);
    QCOMPARE(QByteArray(p.formatName()), QByteArray("mp3"));
    QCOMPARE(p.audioCodec, 0x15001);
    QCOMPARE(rec.getVideoWidth(), 0u);
}

void TestEncodeParam::oggBitRateIsCappedBelow32kHz()
{
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    a.onlyAudio = true;
    a.format = "ogg";
    a.audioBitRate = 192;
    QRecordObject rec;
    CAVEncodeParam p;
    const struct { const char *encoder; unsigned rate; unsigned expect; } cases[] = {
        {"OGG", 22050, 160}, {"OGG", 44100, 192}, {"ogg", 22050, 192}};
    for (const auto &c : cases) {
        a.audioEncoder = c.encoder;
        a.sampleRate = c.rate;
        rec.getEncodeParam(&p);
        QCOMPARE(p.audioBitRate, c.expect);
    }
}

void TestEncodeParam::containerFlagIgnoresCase()
{
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    QRecordObject rec;
    CAVEncodeParam p;
    a.format = "MpegTS";
    rec.getEncodeParam(&p);
    QCOMPARE(p.containerFlag, 1);
    a.format = "mp3";
    rec.getEncodeParam(&p);
    QCOMPARE(p.containerFlag, 0);
}

void TestEncodeParam::configurationGetsDefaultsAndKbps()
{
    AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    a.onlyAudio = true;
    a.format = "mp3";
    a.audioCodec = 0x15001;
    a.quality = -1;
    a.audioBitRate = 256;
    QRecordObject rec;
    CAVEncodeParam p;
    rec.getEncodeParam(&p);
    void *config = rz_config_create();
    rec.SetConvertConfig(config, &p);
    QCOMPARE(configInt(config, "audio.codec"), int64_t(0x15001));
    QCOMPARE(configInt(config, "audio.sample_rate"), int64_t(44100));
    QCOMPARE(configInt(config, "audio.channels"), int64_t(2));
    QCOMPARE(configInt(config, "audio.bitrate"), int64_t(256000));
    // Quality -1 without a video bit rate sets neither.
    QCOMPARE(configInt(config, "video.quality"), int64_t(-7));
    QCOMPARE(configInt(config, "video.bitrate"), int64_t(-7));
    rz_config_release(config);
}

void TestEncodeParam::copiesAreDeep()
{
    CAVEncodeParam a;
    QCOMPARE(a.value43, -1);
    QCOMPARE(a.backgroundColor, 0xFF000000u);
    QCOMPARE(a.style.size, 28);
    a.setFormatName("flac");
    a.tags.title = "Title";
    CAVEncodeParam b(a);
    a.setFormatName("wav");
    QCOMPARE(QByteArray(b.formatName()), QByteArray("flac"));
    QCOMPARE(b.tags.title, std::string("Title"));
    b = a;
    QCOMPARE(QByteArray(b.formatName()), QByteArray("wav"));
}

void TestEncodeParam::timeTextsDoNotWrapAtADay()
{
    QCOMPARE(QRecordObject::converterTimer(0), QString("00:00:00"));
    QCOMPARE(QRecordObject::converterTimer(61999999), QString("00:01:01"));
    QCOMPARE(QRecordObject::converterTimer(3599000000ULL), QString("00:59:59"));
    QCOMPARE(QRecordObject::converterTimer(90000ULL * 1000000), QString("25:00:00"));
    QCOMPARE(QRecordObject::converterTimer(360000ULL * 1000000 + 5000000), QString("100:00:05"));
}

QTEST_MAIN(TestEncodeParam)
#include "tst_encodeparam.moc"
