// Start-up and the format dialog when the catalogue is damaged: recordings
// still get the built-in MP3 settings, and OK stores nothing.

#include "common/qconvertersetting.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatdlg.h"
#include "convert/qformatsettingdlg.h"
#include "convert/qplistread.h"
#include "rzcodec/codecids.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestNoCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startUpFallsBackToMp3();
    void okStoresNothing();

private:
    QTemporaryDir m_resources;
};

void TestNoCatalogue::initTestCase()
{
    // Resources of this process: a catalogue cut short.
    QVERIFY(QDir(m_resources.path()).mkpath("profile"));
    QFile plist(m_resources.filePath("profile/profiles_mac.plist"));
    QVERIFY(plist.open(QIODevice::WriteOnly));
    plist.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Categories</key><array><str");
    plist.close();
    qputenv("VELMORA_RESOURCES", m_resources.path().toUtf8());
    QCOMPARE(QIAnyUtil::getResourcePath(), m_resources.path());
    QVERIFY(!QPlistRead::getPlistRead(QPlistRead::cataloguePath())->isLoaded());
    QFile::remove(QVideoSettingXml::preferencesFilePath());
    QFile::remove(QVideoSettingXml::defaultFormatFilePath());
}

void TestNoCatalogue::startUpFallsBackToMp3()
{
    // As the main window starts.
    QConverterSetting::InitSetting();
    QFormatDlg *dlg = QFormatDlg::getFormatWidget(nullptr);
    dlg->InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
    const AttributeSetting &a = *QConverterSetting::m_attributeSetting;
    QCOMPARE(a.format, QString("mp3"));
    QCOMPARE(a.extension, QString("mp3"));
    QCOMPARE(a.audioCodec, int(RZ_CODEC_MP3));
    QCOMPARE(a.channels, 2);
    QCOMPARE(a.sampleRate, 44100u);
    QCOMPARE(a.audioBitRate, 320u);
}

void TestNoCatalogue::okStoresNothing()
{
    QFormatDlg::releaseFormatWgt();
    QFormatDlg *dlg = QFormatDlg::getFormatWidget(nullptr);
    dlg->showFormat(false);
    dlg->show();
    QCOMPARE(dlg->settingPanel()->formatCombo()->count(), 0);
    QVERIFY(dlg->settingPanel()->getFormatId().isEmpty());
    const bool prefsExisted = QFile::exists(QVideoSettingXml::preferencesFilePath());
    QByteArray prefs;
    if (prefsExisted) {
        QFile f(QVideoSettingXml::preferencesFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        prefs = f.readAll();
    }
    dlg->okButton()->click();
    QVERIFY(!dlg->isVisible());
    QVERIFY(!QFile::exists(QVideoSettingXml::defaultFormatFilePath()));
    if (prefsExisted) {
        QFile f(QVideoSettingXml::preferencesFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), prefs);
    }
    QCOMPARE(QConverterSetting::m_audioSetting->format, QString("mp3"));
    QFormatDlg::releaseFormatWgt();
}

QTEST_MAIN(TestNoCatalogue)
#include "tst_nocatalogue.moc"
