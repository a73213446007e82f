// The read-only resource lists: the device-format catalogue and the language
// list, written to a private resources folder and read back.
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Texts = std::vector<std::string>;

const QByteArray kCatalogue =
    "<ROOTITEM>\n"
    "  <FORMAT DevFormat=\"4000\" OnlyAudio=\"N\">\n"
    "    <ATTRIBUTE_VALUE V_Encoder=\"H264, MP4V\" V_Resolution=\"0,1280*720\" V_FrameRate=\"25,30\"\n"
    "        V_BitRate=\"0, 2000\" A_Encoder=\"AAC\" A_Channel=\"1,2\" A_SampleRate=\"44100\" A_BitRate=\" 128 ,0,,192\"/>\n"
    "    <High_Quality V_Encoder=\" H264 \" V_Resolution=\"Original\" V_FrameRate=\"0\" V_BitRate=\"2000\"\n"
    "        V_Quality=\"90\" A_Encoder=\"AAC\" A_Channel=\"2\" A_SampleRate=\"44100\"/>\n"
    "    <VIDIO_FOMAT_INFO V_Format=\"mp4\" V_Extend=\"mp4\"/>\n"
    "  </FORMAT>\n"
    "  <X DevFormat=\"5000\" OnlyAudio=\"Y\">\n"
    "    <ATTRIBUTE_VALUE V_Encoder=\"H264\" A_Encoder=\"MP3\" A_Channel=\"2\" A_SampleRate=\"44100,48000\" A_BitRate=\"320\"/>\n"
    "    <High_Quality V_Encoder=\"H264\" A_Encoder=\"MP3\" A_BitRate=\"320\"/>\n"
    "  </X>\n"
    "  <X DevFormat=\"5000\"><VIDIO_FOMAT_INFO V_Format=\"second\"/></X>\n"
    "</ROOTITEM>\n";

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT
    // A resources folder of our own: the shared one belongs to the build.
    QTemporaryDir m_resources;

private slots:
    void initTestCase()
    {
        QVERIFY(m_resources.isValid());
        qputenv("VELMORA_RESOURCES", QFile::encodeName(m_resources.path()));
        QCOMPARE(QIAnyUtil::getResourcePath(), m_resources.path());
        QVERIFY(QDir().mkpath(QIAnyUtil::getResourcePath() + "/Language"));
        QVERIFY(TestSupport::writeBytes(QVideoSettingXml::catalogueFilePath(), kCatalogue));
    }
    void splittingListTexts()
    {
        Texts list {"stale"};
        QVideoSettingXml::analysisTextInfo(" 128 ,0,,192", " kbps", list);
        QCOMPARE(list, (Texts {"128 kbps", "Auto", "192 kbps"}));
        QVideoSettingXml::analysisTextInfo(" , ,, ", " kbps", list);
        QVERIFY(list.empty());
        QVideoSettingXml::analysisTextInfo("", list);
        QVERIFY(list.empty());
        QVideoSettingXml::analysisTextInfo("H264", list);
        QCOMPARE(list, (Texts {"H264"}));
    }

    void unitsOfSingleValues()
    {
        QCOMPARE(QVideoSettingXml::addUnit(" 0 ", "V_Encoder"), QString("Auto"));
        QCOMPARE(QVideoSettingXml::addUnit("44100", "A_SampleRate"), QString("44100 HZ"));
        QCOMPARE(QVideoSettingXml::addUnit("Original", "V_Resolution"), QString("Original"));
        QCOMPARE(QVideoSettingXml::addUnit("Auto", "V_BitRate"), QString("Auto"));
        QCOMPARE(QVideoSettingXml::addUnit("90", "V_Quality"), QString("90 %"));
        QCOMPARE(QVideoSettingXml::addUnit("30", "V_FrameRate"), QString("30 fps"));
        QCOMPARE(QVideoSettingXml::addUnit("128", "A_BitRate"), QString("128 kbps"));
        QCOMPARE(QVideoSettingXml::addUnit("", "V_FrameRate"), QString(" fps"));
        QCOMPARE(QVideoSettingXml::addUnit("", "A_Encoder"), QString(""));
    }

    void choiceListsOfAFormat()
    {
        const auto video = QVideoSettingXml::GetFormatAllInfo("4000");
        QVERIFY(video.has_value());
        QVERIFY(!video->onlyAudio);
        QCOMPARE(video->videoEncoders, (Texts {"H264", "MP4V"}));
        QCOMPARE(video->videoResolutions, (Texts {"Auto", "1280*720"}));
        QCOMPARE(video->videoFrameRates, (Texts {"25 fps", "30 fps"}));
        QCOMPARE(video->videoBitRates, (Texts {"Auto", "2000 kbps"}));
        QCOMPARE(video->audioEncoders, (Texts {"AAC"}));
        QCOMPARE(video->audioChannels, (Texts {"1", "2"}));
        QCOMPARE(video->audioSampleRates, (Texts {"44100 HZ"}));
        QCOMPARE(video->audioBitRates, (Texts {"128 kbps", "Auto", "192 kbps"}));

        const auto audio = QVideoSettingXml::GetFormatAllInfo("5000");
        QVERIFY(audio->onlyAudio);
        QVERIFY(audio->videoEncoders.empty());
        QCOMPARE(audio->audioSampleRates, (Texts {"44100 HZ", "48000 HZ"}));

        QVERIFY(!QVideoSettingXml::GetFormatAllInfo("").has_value());
        QVERIFY(!QVideoSettingXml::GetFormatAllInfo("9999").has_value());
    }

    void qualityLevelsAndFileFormat()
    {
        const auto high = QVideoSettingXml::GetQuality("High_Quality", "4000");
        QVERIFY(high.has_value());
        QCOMPARE(high->videoEncoder, QString("H264"));
        QCOMPARE(high->videoResolution, QString("Original"));
        QCOMPARE(high->videoFrameRate, QString("Auto"));
        QCOMPARE(high->videoBitRate, QString("2000 kbps"));
        QCOMPARE(high->videoQuality, QString("90 %"));
        QCOMPARE(high->audioSampleRate, QString("44100 HZ"));
        QCOMPARE(high->audioBitRate, QString(" kbps"));  // missing attribute: bare unit

        const auto audio = QVideoSettingXml::GetQuality("High_Quality", "5000");
        QVERIFY(audio->onlyAudio);
        QVERIFY(audio->videoEncoder.isEmpty());
        QCOMPARE(audio->audioBitRate, QString("320 kbps"));
        QVERIFY(!QVideoSettingXml::GetQuality("high_quality", "4000").has_value());
        QVERIFY(!QVideoSettingXml::GetQuality("", "4000").has_value());

        const auto info = QVideoSettingXml::GetFormatInfo("4000");
        QCOMPARE(info->formatName, std::string("mp4"));
        QCOMPARE(info->extension, std::string("mp4"));
        // The first entry of an id decides, even without the element.
        QVERIFY(!QVideoSettingXml::GetFormatInfo("5000").has_value());
    }

    void brokenCatalogueIsReadOnly()
    {
        const QString broken = QIAnyUtil::getResourcePath() + "/Language/broken.xml";
        QVERIFY(TestSupport::writeBytes(broken, "<ROOTITEM><L Language_Name=\"English\">"));
        QVERIFY(QVideoSettingXml::GetLanguage(broken).isEmpty());
        QFile file(broken);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("<ROOTITEM><L Language_Name=\"English\">"));
        QVERIFY(!QFile::exists(broken + ".bad"));
    }

    void languageList()
    {
        const QString list = QIAnyUtil::getResourcePath() + "/Language/Language.xml";
        QVERIFY(TestSupport::writeBytes(list, "<ROOTITEM>\n"
                        " <Item Language_Name=\"English\" Language_File=\"en.qm\" Language_Type=\"English\"/>\n"
                        " <Item Language_Name=\"Deutsch\" Language_File=\"de.qm\" Language_Type=\"German\"/>\n"
                        " <Other Language_Name=\"Fran\xC3\xA7" "ais\" Language_File=\"fr.qm\" Language_Type=\"French\"/>\n"
                        " <Item Language_Name=\"Deutsch\" Language_File=\"de2.qm\"/>\n"
                        "</ROOTITEM>\n"));
        QCOMPARE(QVideoSettingXml::GetLanguage(list),
                 (QStringList {"English", "Deutsch", QString::fromUtf8("Fran\xC3\xA7" "ais"), "Deutsch"}));
        QCOMPARE(QVideoSettingXml::GetLanguageFile(list, "English"), qMakePair(QString("en.qm"), QString("English")));
        QCOMPARE(QVideoSettingXml::GetLanguageFile(list, "Deutsch"), qMakePair(QString("de2.qm"), QString()));
        QCOMPARE(QVideoSettingXml::GetLanguageFile(list, "english"), qMakePair(QString(), QString()));
        QVERIFY(QVideoSettingXml::GetLanguage(list + ".missing").isEmpty());
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
