// Resolution of the stored output choice into the settings recordings use:
// a fresh install, the three qualities, saved parameters, Reset, and the
// built-in MP3 settings when the catalogue cannot help. Settings files are
// real files in the test's private application-data folder.

#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatresolver.h"
#include "convert/qplistread.h"
#include "rzcodec/codecids.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void removeSettings()
{
    QFile::remove(QVideoSettingXml::preferencesFilePath());
    QFile::remove(QVideoSettingXml::defaultFormatFilePath());
}

void chooseAudio(const QString &id)
{
    QVideoSettingXml::SetItemValue("FormatSet", "Audio_Categories", "General Audio");
    QVideoSettingXml::SetItemValue("FormatSet", "Audio_Id", id);
}

// Saves parameters for a preset with the quality index of the dialog's list.
void saveEntry(const QString &id, const QualitySet &set, const QString &qualityIndex)
{
    QVERIFY(QVideoSettingXml::SetDefaultFormat(id, set));
    QVERIFY(QVideoSettingXml::SetDefaultFormatValue(id, "QUALITY_VALUE", qualityIndex));
}

QualitySet audioSet(const QString &encoder, const QString &channel, const QString &rate, const QString &bitRate)
{
    QualitySet set;
    set.onlyAudio = true;
    set.audioEncoder = encoder;
    set.audioChannel = channel;
    set.audioSampleRate = rate;
    set.audioBitRate = bitRate;
    return set;
}

} // namespace

class TestResolution : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void freshInstallIsMp3AtHighQuality();
    void qualitiesPickTheirBitRates_data();
    void qualitiesPickTheirBitRates();
    void customizedUsesTheSavedValues();
    void customizedWithoutEntryIsHighQuality();
    void everyShippedPresetGivesAFormat();
    void unknownPresetOrDamagedCatalogueFallsBackToMp3();
    void unknownPresetKeepsAResolvedSetting();
    void resetRestoresTheFactoryPresetAtHighQuality();
    void videoProfileRules();

private:
    std::unique_ptr<QPlistRead> m_shipped;
};

void TestResolution::initTestCase()
{
    m_shipped = std::make_unique<QPlistRead>(QPlistRead::cataloguePath());
    QVERIFY2(m_shipped->isLoaded(), qPrintable(m_shipped->errorString()));
}

void TestResolution::init()
{
    removeSettings();
    QConverterSetting::releaseSetting();
}

void TestResolution::freshInstallIsMp3AtHighQuality()
{
    QVERIFY(!QConverterSetting::m_attributeSetting);
    QFormatResolver(*m_shipped).InitSetting();
    QVERIFY(QConverterSetting::m_audioSetting && QConverterSetting::m_audioFormat);
    QCOMPARE(QConverterSetting::m_attributeSetting, QConverterSetting::m_audioSetting);
    const AttributeSetting &a = *QConverterSetting::m_audioSetting;
    QCOMPARE(QConverterSetting::m_audioFormat->category, QString("General Audio"));
    QCOMPARE(QConverterSetting::m_audioFormat->id, QString("5000"));
    QCOMPARE(QConverterSetting::m_audioFormat->title, QString("MP3"));
    QVERIFY(a.onlyAudio);
    QCOMPARE(a.format, QString("mp3"));
    QCOMPARE(a.extension, QString("mp3"));
    QCOMPARE(a.audioEncoder, QString("MP3"));
    QCOMPARE(a.audioCodec, int(RZ_CODEC_MP3));
    QCOMPARE(a.channels, 2);
    QCOMPARE(a.sampleRate, 44100u);
    QCOMPARE(a.audioBitRate, 320u);
    QCOMPARE(a.quality, -1);
    QCOMPARE(a.videoCodec, -1);
    QCOMPARE(a.frameRateDen, 1u);
    // The video half names no catalogue profile: its choice is kept, its
    // settings stay empty.
    QCOMPARE(QConverterSetting::m_videoFormat->id, QString("4000"));
    QVERIFY(QConverterSetting::m_videoSetting->format.isEmpty());
}

void TestResolution::qualitiesPickTheirBitRates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("qualityIndex");
    QTest::addColumn<uint>("kbps");
    QTest::newRow("MP3 high") << "5000" << "0" << 320u;
    QTest::newRow("MP3 small") << "5000" << "1" << 128u;
    QTest::newRow("AAC high") << "5001" << "0" << 256u;
    QTest::newRow("AAC small") << "5001" << "1" << 128u;
    QTest::newRow("Opus small") << "5006" << "1" << 64u;
    QTest::newRow("FLAC small") << "5004" << "1" << 0u;
}

void TestResolution::qualitiesPickTheirBitRates()
{
    QFETCH(QString, id);
    QFETCH(QString, qualityIndex);
    QFETCH(uint, kbps);
    chooseAudio(id);
    // An entry with every field automatic: only the quality decides.
    saveEntry(id, audioSet("Auto", "Auto", "Auto", "Auto"), qualityIndex);
    QFormatResolver(*m_shipped).saveUseSetting(false);
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, kbps);
}

void TestResolution::customizedUsesTheSavedValues()
{
    chooseAudio("5000");
    saveEntry("5000", audioSet("MP3", "1", "32000 HZ", "96 kbps"), "2");
    QFormatResolver(*m_shipped).saveUseSetting(false);
    AttributeSetting a = *QConverterSetting::m_audioSetting;
    QCOMPARE(a.channels, 1);
    QCOMPARE(a.sampleRate, 32000u);
    QCOMPARE(a.audioBitRate, 96u);
    QCOMPARE(a.audioCodec, int(RZ_CODEC_MP3));

    // Automatic words take the profile's own values for the saved channel.
    saveEntry("5000", audioSet("Auto", "1", "Original", "Smart Fit"), "2");
    QFormatResolver(*m_shipped).saveUseSetting(false);
    a = *QConverterSetting::m_audioSetting;
    QCOMPARE(a.audioEncoder, QString("MP3"));
    QCOMPARE(a.channels, 1);
    QCOMPARE(a.sampleRate, 44100u);
    QCOMPARE(a.audioBitRate, 128u);

    // ALAC in M4A goes to the muxer that carries it.
    chooseAudio("5009");
    saveEntry("5009", audioSet("alac", "1", "48000 HZ", ""), "2");
    QFormatResolver(*m_shipped).saveUseSetting(false);
    a = *QConverterSetting::m_audioSetting;
    QCOMPARE(a.format, QString("ipod"));
    QCOMPARE(a.extension, QString("m4a"));
    QCOMPARE(a.audioCodec, int(RZ_CODEC_ALAC));
    QCOMPARE(a.sampleRate, 48000u);
    QCOMPARE(a.audioBitRate, 0u);
}

void TestResolution::customizedWithoutEntryIsHighQuality()
{
    AttributeSetting a;
    QVERIFY(QFormatResolver(*m_shipped).getConverterInfo("General Audio", "5005", Customized, a));
    QCOMPARE(a.format, QString("ogg"));
    QCOMPARE(a.audioCodec, int(RZ_CODEC_VORBIS));
    QCOMPARE(a.audioBitRate, 256u);
}

void TestResolution::everyShippedPresetGivesAFormat()
{
    const QStringList formats{"mp3", "mp4", "wav", "aiff", "flac", "ogg", "opus", "asf", "ac3", "ipod"};
    const auto presets = m_shipped->getCategoriesInfoList("General Audio");
    QCOMPARE(int(presets.size()), formats.size());
    for (int i = 0; i < formats.size(); ++i) {
        AttributeSetting a;
        const QString id = QString::fromStdString(presets[size_t(i)].id);
        QVERIFY(QFormatResolver(*m_shipped).getConverterInfo("General Audio", id, HighQuality, a));
        QCOMPARE(a.format, formats[i]);
        QVERIFY2(a.audioCodec > 0, qPrintable(id));
        QCOMPARE(a.channels, 2);
        QVERIFY(a.sampleRate >= 44100);
    }
}

void TestResolution::unknownPresetOrDamagedCatalogueFallsBackToMp3()
{
    chooseAudio("123");
    QFormatResolver(*m_shipped).InitSetting();
    QCOMPARE(QConverterSetting::m_audioSetting->format, QString("mp3"));
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("mp3"));
    QCOMPARE(QConverterSetting::m_audioSetting->audioCodec, int(RZ_CODEC_MP3));
    QCOMPARE(QConverterSetting::m_audioFormat->id, QString("123"));
    QVERIFY(QConverterSetting::m_audioFormat->title.isEmpty());

    QConverterSetting::releaseSetting();
    removeSettings();
    QTemporaryDir dir;
    const QString path = dir.filePath("profiles.plist");
    QFile damaged(path);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("<plist><dict><key>Categories</key><array><string>General");
    damaged.close();
    QPlistRead reader(path.toStdString());
    QVERIFY(!reader.isLoaded());
    QFormatResolver(reader).InitSetting();
    AttributeSetting expected;
    QFormatResolver::fallbackAudioSetting(expected);
    const AttributeSetting &a = *QConverterSetting::m_audioSetting;
    QCOMPARE(a.format, QString("mp3"));
    QCOMPARE(a.audioCodec, expected.audioCodec);
    QCOMPARE(a.channels, 2);
    QCOMPARE(a.sampleRate, 44100u);
    QCOMPARE(a.audioBitRate, 320u);
    QCOMPARE(QConverterSetting::m_audioFormat->id, QString("5000"));
}

void TestResolution::unknownPresetKeepsAResolvedSetting()
{
    QFormatResolver resolver(*m_shipped);
    chooseAudio("5004");
    resolver.InitSetting();
    QCOMPARE(QConverterSetting::m_audioSetting->format, QString("flac"));
    chooseAudio("999");
    resolver.saveUseSetting(false);
    QCOMPARE(QConverterSetting::m_audioSetting->format, QString("flac"));
}

void TestResolution::resetRestoresTheFactoryPresetAtHighQuality()
{
    // The factory preset saved at Small Size, another preset chosen.
    saveEntry("5000", audioSet("MP3", "2", "44100 HZ", "128 kbps"), "1");
    chooseAudio("5001");
    QFormatResolver resolver(*m_shipped);
    resolver.InitSetting();
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("m4a"));

    resolver.resetFormat();
    QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Id", ""), QString("5000"));
    QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Categories", ""), QString("General Audio"));
    QCOMPARE(QVideoSettingXml::GetDefaultFormatValue("5000", "QUALITY_VALUE"), QString("0"));
    QCOMPARE(QConverterSetting::getFormatDefaultQuality("5000"), HighQuality);
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("mp3"));
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 320u);

    // Also when the factory preset already is the choice, at Customized.
    saveEntry("5000", audioSet("MP3", "1", "32000 HZ", "96 kbps"), "2");
    resolver.saveUseSetting(false);
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 96u);
    resolver.resetFormat();
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 320u);
    QCOMPARE(QConverterSetting::m_audioSetting->channels, 2);
    // The saved parameters stay for a later Customized.
    QVERIFY(QVideoSettingXml::GetDefaultFormat("5000"));
}

void TestResolution::videoProfileRules()
{
    FormatAllInfo info;
    info.onlyAudio = false;
    info.extension = "mkv";
    info.videoEncoder = "H264";
    info.defaultResolution = "1280*720";
    info.minVideoBitRate = "1000 kbps";
    info.maxVideoBitRate = "3000 kbps";
    info.defaultVideoBitRate = "2000 kbps";
    info.defaultFrameRate = "29.97 fps";
    info.audioEncoder = "AAC";
    info.defaultChannels = "2";
    info.defaultSampleRate = "48000 HZ";
    info.maxAudioBitRate = "192 kbps";
    info.minAudioBitRate = "96 kbps";

    AttributeSetting a;
    QFormatResolver::analysisFormatInfo(info, SmallSize, nullptr, a);
    QCOMPARE(a.format, QString("matroska"));
    QCOMPARE(a.videoCodec, 28);
    QCOMPARE(a.width, 1280u);
    QCOMPARE(a.height, 720u);
    QCOMPARE(a.frameRateNum, 30000u);
    QCOMPARE(a.frameRateDen, 1001u);
    QCOMPARE(a.videoBitRate, 1000u);
    QCOMPARE(a.quality, -1); // no automatic quality in this profile
    QCOMPARE(a.audioBitRate, 96u);

    info.autoMode = true;
    QFormatResolver::analysisFormatInfo(info, HighQuality, nullptr, a);
    QCOMPARE(a.quality, 80);
    QCOMPARE(a.width, 0u); // automatic profiles record the area's size
    QCOMPARE(a.videoBitRate, 3000u);

    QualitySet saved;
    saved.videoEncoder = "Auto";
    saved.videoResolution = "640*480";
    saved.videoFrameRate = "Auto";
    saved.videoBitRate = "Auto";
    saved.videoQuality = "Auto";
    saved.audioEncoder = "Auto";
    saved.audioChannel = "1";
    saved.audioSampleRate = "44100 HZ";
    saved.audioBitRate = "128 kbps";
    QFormatResolver::analysisFormatInfo(info, Customized, &saved, a);
    QCOMPARE(a.quality, 70);
    QCOMPARE(a.videoEncoder, QString("H264"));
    QCOMPARE(a.width, 640u);
    QCOMPARE(a.videoBitRate, 2000u);
    QCOMPARE(a.channels, 1);
    QCOMPARE(a.sampleRate, 44100u);
    QCOMPARE(a.audioBitRate, 128u);
    // A chosen bit rate rules over the quality.
    saved.videoBitRate = "2500 kbps";
    saved.videoQuality = "40 %";
    QFormatResolver::analysisFormatInfo(info, Customized, &saved, a);
    QCOMPARE(a.quality, -1);
    QCOMPARE(a.videoBitRate, 2500u);
}

QTEST_GUILESS_MAIN(TestResolution)
#include "tst_resolution.moc"
