// Current output settings: the profile-text parsers, the stored quality
// choice, the owned records, and the process-wide options.
#include "common/qconverteroperate.h"
#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QDir>
#include <QtTest>

class OutputSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void resolution_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("w");
        QTest::addColumn<uint>("h");
        QTest::newRow("1280*720") << "1280*720" << 1280u << 720u;
        QTest::newRow("spaces") << " 1920 * 1080 " << 1920u << 1080u;
        QTest::newRow("no marker") << "1920" << 0u << 0u;
        QTest::newRow("no width") << "*720" << 0u << 720u;
        QTest::newRow("letters") << "wide*tall" << 0u << 0u;
        QTest::newRow("too big") << "99999999999*1" << 0u << 1u;
    }
    void resolution()
    {
        QFETCH(QString, text);
        QFETCH(uint, w);
        QFETCH(uint, h);
        unsigned int width = 99;
        unsigned int height = 99;
        QConverterSetting::analysisResolution(text, width, height);
        QCOMPARE(width, w);
        QCOMPARE(height, h);
    }
    void numbersBeforeMarkers()
    {
        double rate = -1;
        QConverterSetting::analysisFrameRate("29.97 fps", rate);
        QCOMPARE(rate, 29.97);
        QConverterSetting::analysisFrameRate("25", rate);
        QCOMPARE(rate, 0.0);
        unsigned int v = 99;
        QConverterSetting::analysisQuality("80%", v);
        QCOMPARE(v, 80u);
        QConverterSetting::analysisQuality(" 90 %", v);
        QCOMPARE(v, 90u);
        QConverterSetting::analysisQuality("-5%", v);
        QCOMPARE(v, 0u);
        QConverterSetting::analysisQuality("80", v);
        QCOMPARE(v, 0u);
        QConverterSetting::analysisBitRate("128 kbps", v);
        QCOMPARE(v, 128u);
        QConverterSetting::analysisBitRate("320 Kbps", v);
        QCOMPARE(v, 0u);
        QConverterSetting::analysisSample("44100 HZ", v);
        QCOMPARE(v, 44100u);
        QConverterSetting::analysisSample("44100 hz", v);
        QCOMPARE(v, 0u);
        QConverterSetting::analysisSample("Auto HZ", v);
        QCOMPARE(v, 0u);
    }
    void storedQualityChoice()
    {
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
        QCOMPARE(QConverterSetting::getFormatDefaultQuality("5000"), HighQuality);
        QVERIFY(QVideoSettingXml::SetDefaultFormat("5000", QualitySet()));
        QCOMPARE(QConverterSetting::getFormatDefaultQuality("5000"), HighQuality);
        const struct { const char *stored; VideoQuality expected; } rows[] = {
            {"0", HighQuality}, {"1", SmallSize}, {"2", Customized}, {"01", Customized}, {"x", Customized},
        };
        for (const auto &row : rows) {
            QVERIFY(QVideoSettingXml::SetDefaultFormatValue("5000", "QUALITY_VALUE", row.stored));
            QCOMPARE(QConverterSetting::getFormatDefaultQuality("5000"), row.expected);
        }
    }
    void recordsLiveBetweenInitAndRelease()
    {
        QVERIFY(!QConverterSetting::m_audioSetting);
        QConverterSetting::InitSetting();
        QVERIFY(QConverterSetting::m_videoSetting && QConverterSetting::m_audioSetting);
        QVERIFY(QConverterSetting::m_videoFormat && QConverterSetting::m_audioFormat);
        QCOMPARE(QConverterSetting::m_audioSetting->sampleRate, 0u);
        QVERIFY(QConverterSetting::m_audioSetting->extension.isEmpty());
        QVERIFY(!QConverterSetting::m_audioSetting->onlyAudio);
        QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
        QConverterSetting::m_attributeSetting->extension = "mp3";
        QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("mp3"));
        QConverterSetting::releaseSetting();
        QVERIFY(!QConverterSetting::m_audioSetting);
        QVERIFY(!QConverterSetting::m_attributeSetting);  // never left dangling
        QConverterSetting::releaseSetting();
        QVERIFY(!QConverterSetting::m_videoFormat);
    }
    void processWideOptions()
    {
        QCOMPARE(QConverterOperate::keepClassify(), 2);
        QCOMPARE(QConverterOperate::getLanguageType(), 0);
        QVERIFY(QConverterOperate::getAudioDeviceName().isEmpty());
        const struct { const char *name; int number; } rows[] = {
            {"Japanese", 4}, {"Chinese", 1}, {"german", 0}, {"German", 2},
            {"French", 3}, {"", 0}, {"Klingon", 0}, {"English", 0},
        };
        for (const auto &row : rows) {
            QConverterOperate::setLanguageType(row.name);
            QCOMPARE(QConverterOperate::getLanguageType(), row.number);
        }
        QConverterOperate::setConverterPath("/out/");
        QConverterOperate::setDefaultOutPath("/def/");
        QConverterOperate::setScreenshotsPath("/shots/");
        QConverterOperate::setLogFilePath("/log.txt");
        QConverterOperate::setKeepClassify(0);
        QCOMPARE(QConverterOperate::getConverterPath(), QString("/out/"));
        QCOMPARE(QConverterOperate::getDefaultOutPath(), QString("/def/"));
        QCOMPARE(QConverterOperate::getScreenshotsPath(), QString("/shots/"));
        QCOMPARE(QConverterOperate::getLogFilePath(), QString("/log.txt"));
        QCOMPARE(QConverterOperate::keepClassify(), 0);
    }
};

QTEST_GUILESS_MAIN(OutputSettingsTest)
#include "tst_outputsettings.moc"
