// Default-format entries and the watermark record, stored and read back
// through the real files.
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QtTest>

namespace {

// The document element of the file; the document stays alive until the next call.
QDomElement rootOf(const QString &path)
{
    static QDomDocument kept;
    QFile file(path);
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return QDomElement();
    kept = doc;
    return kept.documentElement();
}

QualitySet videoSet()
{
    QualitySet s;
    s.onlyAudio = false;
    s.videoEncoder = "H264";
    s.videoResolution = "1280*720";
    s.videoFrameRate = "30 fps";
    s.videoBitRate = "2000 kbps";
    s.videoQuality = "80 %";
    s.audioEncoder = "AAC";
    s.audioChannel = "2";
    s.audioSampleRate = "44100 HZ";
    s.audioBitRate = "128 kbps";
    return s;
}

} // namespace

class StoredSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    }

    void defaultFormatRoundTrip()
    {
        QVERIFY(!QVideoSettingXml::GetDefaultFormat("4000").has_value());
        QVERIFY(!QFile::exists(QVideoSettingXml::defaultFormatFilePath()));
        QVERIFY(QVideoSettingXml::SetDefaultFormat("4000", videoSet()));
        const auto read = QVideoSettingXml::GetDefaultFormat("4000");
        QVERIFY(read.has_value());
        QCOMPARE(*read, videoSet());

        const QDomElement entry = rootOf(QVideoSettingXml::defaultFormatFilePath()).firstChildElement();
        QCOMPARE(entry.tagName(), QString("FORMAT_"));
        QCOMPARE(entry.attribute("Format_ID"), QString("4000"));
        const QDomElement params = entry.firstChildElement();
        QCOMPARE(params.tagName(), QString("Format_Custom"));
        QCOMPARE(params.attribute("OnlyAudio"), QString("N"));
        QCOMPARE(params.attribute("V_Encoder"), QString("H264"));
        QCOMPARE(params.attribute("V_Resolution"), QString("1280*720"));
        QCOMPARE(params.attribute("V_FrameRate"), QString("30 fps"));
        QCOMPARE(params.attribute("V_BitRate"), QString("2000 kbps"));
        QCOMPARE(params.attribute("V_Quality"), QString("80 %"));
        QCOMPARE(params.attribute("A_Encoder"), QString("AAC"));
        QCOMPARE(params.attribute("A_Channel"), QString("2"));
        QCOMPARE(params.attribute("A_SampleRate"), QString("44100 HZ"));
        QCOMPARE(params.attribute("A_BitRate"), QString("128 kbps"));
    }

    void audioOnlyHidesVideoTextsAndValuesAreTrimmed()
    {
        QualitySet s = videoSet();
        s.onlyAudio = true;
        s.audioEncoder = "  MP3 ";
        QVERIFY(QVideoSettingXml::SetDefaultFormat("5000", s));
        const auto read = QVideoSettingXml::GetDefaultFormat("5000");
        QVERIFY(read->onlyAudio);
        QVERIFY(read->videoEncoder.isEmpty());
        QVERIFY(read->videoQuality.isEmpty());
        QCOMPARE(read->audioEncoder, QString("MP3"));
        // The video texts are still stored.
        QCOMPARE(rootOf(QVideoSettingXml::defaultFormatFilePath()).firstChildElement()
                     .firstChildElement().attribute("V_Encoder"), QString("H264"));
    }

    void lowerCaseYIsNotAudioOnly()
    {
        QVERIFY(TestSupport::writeBytes(
            QVideoSettingXml::defaultFormatFilePath(),
            "<ROOTITEM><FORMAT_ Format_ID=\"7\"><Format_Custom OnlyAudio=\"y\" V_Encoder=\"VP9\"/></FORMAT_>"
            "<FORMAT_ Format_ID=\"8\"/></ROOTITEM>"));
        const auto read = QVideoSettingXml::GetDefaultFormat("7");
        QVERIFY(!read->onlyAudio);
        QCOMPARE(read->videoEncoder, QString("VP9"));
        QVERIFY(!QVideoSettingXml::GetDefaultFormat("8").has_value());
    }

    void entryValuesAndOrder()
    {
        QVERIFY(!QVideoSettingXml::SetDefaultFormatValue("4000", "QUALITY_VALUE", "2"));
        QVERIFY(QVideoSettingXml::GetDefaultFormatValue("4000", "QUALITY_VALUE").isEmpty());
        QVERIFY(QVideoSettingXml::SetDefaultFormat("4000", videoSet()));
        QVERIFY(QVideoSettingXml::SetDefaultFormatValue("4000", "QUALITY_VALUE", " 2 "));
        QVERIFY(!QVideoSettingXml::SetDefaultFormatValue("4001", "QUALITY_VALUE", "2"));
        QVERIFY(QVideoSettingXml::SetDefaultFormat("5000", videoSet()));
        QualitySet changed = videoSet();
        changed.audioBitRate = "320 kbps";
        QVERIFY(QVideoSettingXml::SetDefaultFormat("4000", changed));
        QCOMPARE(QVideoSettingXml::GetDefaultFormatValue("4000", "QUALITY_VALUE"), QString(" 2 "));
        QCOMPARE(QVideoSettingXml::GetDefaultFormat("4000")->audioBitRate, QString("320 kbps"));
        const QDomElement root = rootOf(QVideoSettingXml::defaultFormatFilePath());
        QCOMPARE(root.firstChildElement().attribute("Format_ID"), QString("4000"));
        QCOMPARE(root.firstChildElement().nextSiblingElement().attribute("Format_ID"), QString("5000"));
        QVERIFY(root.firstChildElement().nextSiblingElement().nextSiblingElement().isNull());
    }

    void trimRemovesBlanksOnly()
    {
        std::string a = "  two words  ";
        QCOMPARE(QVideoSettingXml::trim(a), std::string("two words"));
        std::string b = "   ";
        QCOMPARE(QVideoSettingXml::trim(b), std::string());
        std::string c = "\tx ";
        QCOMPARE(QVideoSettingXml::trim(c), std::string("\tx"));
        std::string d;
        QCOMPARE(QVideoSettingXml::trim(d), std::string());
    }

    void watermarkRoundTrip()
    {
        WatermarkImageSettings saved;
        saved.imagePath = "/home/u/logo \xC3\xA9.png";
        saved.loop = 1;
        saved.angle = -45;
        saved.alpha = 80;
        saved.scaleX = 100.0;
        saved.scaleY = 0.1234567;
        saved.posX = 10;
        saved.posY = 20;
        saved.border = 2;
        saved.marginV = 5;
        saved.marginH = 6;
        saved.align = 4294967295u;
        // The first save creates the file and the group.
        QVERIFY(QVideoSettingXml::SaveWaterMarkInfo(saved));
        const QDomElement group = rootOf(QVideoSettingXml::preferencesFilePath()).firstChildElement("WaterMark_Item");
        QCOMPARE(group.attributes().count(), 12);
        QCOMPARE(group.attribute("WaterMark_Scale_x"), QString("100"));
        QCOMPARE(group.attribute("WaterMark_Scale_y"), QString("0.123457"));
        QCOMPARE(group.attribute("WaterMark_Align"), QString("4294967295"));
        QCOMPARE(group.attribute("WaterMark_Angle"), QString("-45"));

        WatermarkImageSettings loaded;
        QVideoSettingXml::GetWaterMarkInfo(loaded);
        QCOMPARE(loaded.imagePath, saved.imagePath);
        QCOMPARE(loaded.loop, 1);
        QCOMPARE(loaded.angle, -45);
        QCOMPARE(loaded.alpha, 80);
        QCOMPARE(loaded.scaleX, 100.0);
        QCOMPARE(loaded.scaleY, 0.123457);
        QCOMPARE(loaded.posX, 10);
        QCOMPARE(loaded.posY, 20);
        QCOMPARE(loaded.border, 2);
        QCOMPARE(loaded.marginV, 5);
        QCOMPARE(loaded.marginH, 6);
        QCOMPARE(loaded.align, 4294967295u);
    }

    void watermarkDefaultsAndBadNumbers()
    {
        WatermarkImageSettings defaults;
        defaults.alpha = 50;
        defaults.scaleX = 1.5;
        WatermarkImageSettings loaded = defaults;
        QVideoSettingXml::GetWaterMarkInfo(loaded);
        QCOMPARE(loaded.alpha, 50);
        QCOMPARE(loaded.scaleX, 1.5);
        QVERIFY(!rootOf(QVideoSettingXml::preferencesFilePath()).firstChildElement("WaterMark_Item").isNull());

        QVERIFY(QVideoSettingXml::SetItemValue("WaterMark_Item", "WaterMark_Alpha", "lots"));
        QVideoSettingXml::GetWaterMarkInfo(loaded);
        QCOMPARE(loaded.alpha, 0);
    }
};

QTEST_GUILESS_MAIN(StoredSettingsTest)
#include "tst_storedsettings.moc"
