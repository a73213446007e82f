// The format dialog and its parameter panel on the shipped catalogue: what a
// fresh install shows, the qualities, a user's edit becoming Customized and
// coming back, OK writing the settings files, Cancel leaving them as they
// were, Reset, and the layout. Screenshots go to the build folder.

#include "testsupport.h"

#include "common/qconvertersetting.h"
#include "common/qvideosettingxml.h"
#include "convert/qformatdlg.h"
#include "convert/qformatsettingdlg.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    return QFile::exists(path) ? TestSupport::readBytes(path) : QByteArray("<missing>");
}

QStringList texts(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// A choice as a user makes it: the item becomes current, then activated.
void pick(QComboBox *combo, const QString &text)
{
    const int at = combo->findText(text);
    QVERIFY2(at >= 0, qPrintable(text + " not in " + texts(combo).join(", ")));
    combo->setCurrentIndex(at);
    emit combo->activated(at);
}

// The "Format_Custom" element of a preset, straight from the file.
QDomElement savedEntry(const QString &id, QDomDocument &doc)
{
    QFile f(QVideoSettingXml::defaultFormatFilePath());
    if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
        return QDomElement();
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute("Format_ID") == id)
            return e;
    return QDomElement();
}

QString formatSet(const QString &key)
{
    QFile f(QVideoSettingXml::preferencesFilePath());
    QDomDocument doc;
    if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
        return "<unreadable>";
    return doc.documentElement().firstChildElement("FormatSet").attribute(key, "<none>");
}

} // namespace

class TestFormatDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshInstallShowsMp3AtHighQuality();
    void channelNames();
    void smallSizeShowsAndStoresTheLowBitRate();
    void okWritesTheChoice();
    void editBecomesCustomizedAndComesBack();
    void cancelCloseAndEscapeStoreNothing();
    void anotherPresetNarrowsTheLists();
    void resetRestoresTheFactoryPreset();
    void layout();

private:
    QFormatDlg *open();
};

void TestFormatDialog::init()
{
    QFile::remove(QVideoSettingXml::preferencesFilePath());
    QFile::remove(QVideoSettingXml::defaultFormatFilePath());
    QConverterSetting::InitSetting();
    QConverterSetting::m_attributeSetting = QConverterSetting::m_audioSetting;
}

void TestFormatDialog::cleanup()
{
    QFormatDlg::releaseFormatWgt();
    QConverterSetting::releaseSetting();
}

// As the main window opens it: a fresh dialog each time, audio half.
QFormatDlg *TestFormatDialog::open()
{
    QFormatDlg::releaseFormatWgt();
    QFormatDlg *dlg = QFormatDlg::getFormatWidget(nullptr);
    dlg->showFormat(false);
    dlg->show();
    return dlg;
}

void TestFormatDialog::freshInstallShowsMp3AtHighQuality()
{
    QFormatDlg *dlg = QFormatDlg::getFormatWidget(nullptr);
    QCOMPARE(QFormatDlg::getFormatWidget(nullptr), dlg);
    dlg->InitSetting();
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("mp3"));
    QCOMPARE(QConverterSetting::m_audioFormat->id, QString("5000"));

    dlg = open();
    QFormatSettingDlg *panel = dlg->settingPanel();
    QCOMPARE(texts(panel->formatCombo()),
             QStringList({"AAC (M4A)", "AC3", "AIFF", "ALAC (M4A)", "FLAC", "MP3", "Ogg Vorbis", "Opus", "WAV",
                          "WMA"}));
    QCOMPARE(panel->formatCombo()->currentText(), QString("MP3"));
    QCOMPARE(panel->getFormatId(), QString("5000"));
    QCOMPARE(panel->getCategories(), QString("General Audio"));
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 0);
    // No saved entry yet: no Customized item.
    QCOMPARE(texts(dlg->qualityCombo()), QStringList({"High Quality", "Small Size"}));
    QCOMPARE(panel->audioEncoderCombo()->currentText(), QString("MP3"));
    QCOMPARE(panel->audioEncoderCombo()->currentData().toString(), QString("MP3"));
    QCOMPARE(panel->channelCombo()->currentText(), QString("Stereo"));
    QCOMPARE(panel->sampleRateCombo()->currentText(), QString("44100 HZ"));
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("320 kbps"));
    // An audio-only preset shows the audio column only.
    QVERIFY(panel->audioBitRateCombo()->isVisible());
    QVERIFY(!panel->videoBitRateCombo()->isVisible());
    QCOMPARE(panel->videoBitRateCombo()->count(), 0);
    QVERIFY(!TestSupport::saveScreenshot(dlg, "format_dialog").isEmpty());
    QVERIFY(!TestSupport::saveScreenshot(panel, "format_panel").isEmpty());
}

void TestFormatDialog::channelNames()
{
    QCOMPARE(QFormatSettingDlg::getChannelName("2"), QString("Stereo"));
    QCOMPARE(QFormatSettingDlg::getChannelName("1"), QString("Mono"));
    QCOMPARE(QFormatSettingDlg::getChannelName("6"), QString("5.1 Surround"));
    QCOMPARE(QFormatSettingDlg::getChannelName("0"), QString("Auto"));
    QCOMPARE(QFormatSettingDlg::getChannelName("Auto"), QString("Auto"));
    QCOMPARE(QFormatSettingDlg::getChannelName("4"), QString("4"));
}

void TestFormatDialog::smallSizeShowsAndStoresTheLowBitRate()
{
    QFormatDlg *dlg = open();
    dlg->qualityCombo()->setCurrentIndex(1);
    QCOMPARE(dlg->settingPanel()->audioBitRateCombo()->currentText(), QString("128 kbps"));
    dlg->okButton()->click();
    QDomDocument doc;
    const QDomElement entry = savedEntry("5000", doc);
    QCOMPARE(entry.attribute("QUALITY_VALUE"), QString("1"));
    QCOMPARE(entry.firstChildElement().attribute("A_BitRate"), QString("128 kbps"));
    // What is shown is what recordings use.
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 128u);

    // Back to High Quality: the high rate again, shown and used.
    dlg = open();
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 1);
    QCOMPARE(dlg->settingPanel()->audioBitRateCombo()->currentText(), QString("128 kbps"));
    dlg->qualityCombo()->setCurrentIndex(0);
    QCOMPARE(dlg->settingPanel()->audioBitRateCombo()->currentText(), QString("320 kbps"));
    dlg->okButton()->click();
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 320u);
}

void TestFormatDialog::okWritesTheChoice()
{
    QFormatDlg *dlg = open();
    QSignalSpy accepted(dlg, &QDialog::accepted);
    dlg->okButton()->click();
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!dlg->isVisible());
    QDomDocument doc;
    const QDomElement entry = savedEntry("5000", doc);
    QCOMPARE(entry.tagName(), QString("FORMAT_"));
    QCOMPARE(entry.attribute("QUALITY_VALUE"), QString("0"));
    const QDomElement custom = entry.firstChildElement();
    QCOMPARE(custom.tagName(), QString("Format_Custom"));
    const QStringList expected{"OnlyAudio=Y",  "V_Encoder=",        "V_Resolution=",      "V_FrameRate=",
                               "V_BitRate=",   "V_Quality=",        "A_Encoder=MP3",      "A_Channel=2",
                               "A_SampleRate=44100 HZ", "A_BitRate=320 kbps"};
    for (const QString &pair : expected) {
        const QString name = pair.section('=', 0, 0);
        QVERIFY2(custom.hasAttribute(name), qPrintable(name));
        QCOMPARE(custom.attribute(name), pair.section('=', 1));
    }
    QCOMPARE(formatSet("Audio_Categories"), QString("General Audio"));
    QCOMPARE(formatSet("Audio_Id"), QString("5000"));
    // The next opening offers Customized.
    dlg = open();
    QCOMPARE(dlg->qualityCombo()->count(), 3);
}

void TestFormatDialog::editBecomesCustomizedAndComesBack()
{
    QFormatDlg *dlg = open();
    QFormatSettingDlg *panel = dlg->settingPanel();
    QSignalSpy customized(panel, &QFormatSettingDlg::emitCustomized);
    pick(panel->channelCombo(), "Mono");
    QCOMPARE(customized.count(), 1);
    QCOMPARE(dlg->qualityCombo()->currentText(), QString("Customized"));
    // The requery gave the mono lists; the user's edit stays.
    QCOMPARE(panel->channelCombo()->currentText(), QString("Mono"));
    QCOMPARE(texts(panel->audioBitRateCombo()), QStringList({"32 kbps", "64 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps"}));
    pick(panel->sampleRateCombo(), "32000 HZ");
    pick(panel->audioBitRateCombo(), "96 kbps");
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 2);
    dlg->okButton()->click();
    QCOMPARE(QConverterSetting::m_audioSetting->channels, 1);
    QCOMPARE(QConverterSetting::m_audioSetting->sampleRate, 32000u);
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 96u);
    QCOMPARE(QConverterSetting::getFormatDefaultQuality("5000"), Customized);

    dlg = open();
    panel = dlg->settingPanel();
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 2);
    QCOMPARE(panel->channelCombo()->currentText(), QString("Mono"));
    QCOMPARE(panel->sampleRateCombo()->currentText(), QString("32000 HZ"));
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("96 kbps"));
    // High Quality and back to Customized: the saved values return.
    dlg->qualityCombo()->setCurrentIndex(0);
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("160 kbps"));
    dlg->qualityCombo()->setCurrentIndex(2);
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("96 kbps"));
    QVERIFY(!TestSupport::saveScreenshot(dlg, "format_dialog_customized").isEmpty());
}

void TestFormatDialog::cancelCloseAndEscapeStoreNothing()
{
    open()->okButton()->click(); // files exist
    const QString prefs = QVideoSettingXml::preferencesFilePath();
    const QString formats = QVideoSettingXml::defaultFormatFilePath();
    const QByteArray prefsBefore = fileBytes(prefs), formatsBefore = fileBytes(formats);
    const AttributeSetting settingBefore = *QConverterSetting::m_audioSetting;

    for (int way = 0; way < 3; ++way) {
        QFormatDlg *dlg = open();
        QFormatSettingDlg *panel = dlg->settingPanel();
        panel->formatCombo()->setCurrentIndex(panel->formatCombo()->findText("FLAC"));
        pick(panel->channelCombo(), "Mono");
        if (way == 0) {
            dlg->cancelButton()->click();
        } else if (way == 1) {
            dlg->closeButton()->click();
        } else {
            QTest::keyClick(dlg, Qt::Key_Escape);
            QTest::keyClick(dlg, Qt::Key_Return);
            QVERIFY(dlg->isVisible());
            dlg->cancelButton()->click();
        }
        QVERIFY(!dlg->isVisible());
        QCOMPARE(fileBytes(prefs), prefsBefore);
        QCOMPARE(fileBytes(formats), formatsBefore);
        QCOMPARE(QConverterSetting::m_audioSetting->extension, settingBefore.extension);
        QCOMPARE(QConverterSetting::m_audioSetting->channels, settingBefore.channels);
    }
}

void TestFormatDialog::anotherPresetNarrowsTheLists()
{
    QFormatDlg *dlg = open();
    QFormatSettingDlg *panel = dlg->settingPanel();
    QSignalSpy changed(panel, &QFormatSettingDlg::emitChangeFormat);
    panel->formatCombo()->setCurrentIndex(panel->formatCombo()->findText("Opus"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toString(), QString("5006"));
    QCOMPARE(texts(panel->sampleRateCombo()), QStringList({"48000 HZ"}));
    QCOMPARE(panel->audioEncoderCombo()->currentText(), QString("Opus"));
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("192 kbps"));
    dlg->okButton()->click();
    QCOMPARE(formatSet("Audio_Id"), QString("5006"));
    QCOMPARE(QConverterSetting::m_audioSetting->format, QString("opus"));
    QCOMPARE(QConverterSetting::m_audioSetting->sampleRate, 48000u);
    QCOMPARE(QConverterSetting::m_audioFormat->title, QString("Opus"));

    // A lossless preset has no bit rates to offer.
    dlg = open();
    QCOMPARE(dlg->settingPanel()->formatCombo()->currentText(), QString("Opus"));
    dlg->settingPanel()->formatCombo()->setCurrentIndex(dlg->settingPanel()->formatCombo()->findText("WAV"));
    QCOMPARE(dlg->settingPanel()->audioBitRateCombo()->count(), 0);
    QCOMPARE(dlg->settingPanel()->audioEncoderCombo()->currentText(), QString("PCM 16-bit"));
}

void TestFormatDialog::resetRestoresTheFactoryPreset()
{
    QFormatDlg *dlg = open();
    QFormatSettingDlg *panel = dlg->settingPanel();
    panel->formatCombo()->setCurrentIndex(panel->formatCombo()->findText("AC3"));
    pick(panel->channelCombo(), "Mono");
    dlg->okButton()->click();
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("ac3"));

    dlg = open();
    panel = dlg->settingPanel();
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 2);
    panel->resetButton()->click();
    QCOMPARE(panel->formatCombo()->currentText(), QString("MP3"));
    QCOMPARE(dlg->qualityCombo()->currentIndex(), 0);
    QCOMPARE(panel->channelCombo()->currentText(), QString("Stereo"));
    QCOMPARE(panel->audioBitRateCombo()->currentText(), QString("320 kbps"));
    QCOMPARE(formatSet("Audio_Id"), QString("5000"));
    QCOMPARE(QConverterSetting::m_audioSetting->extension, QString("mp3"));
    QCOMPARE(QConverterSetting::m_audioSetting->audioBitRate, 320u);
}

void TestFormatDialog::layout()
{
    QFormatDlg *dlg = open();
    QCOMPARE(dlg->size(), QSize(401, 300));
    QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
    QCOMPARE(dlg->settingPanel()->geometry(), QRect(8, 30, 385, 212));
    const QRect ok = dlg->okButton()->geometry(), cancel = dlg->cancelButton()->geometry();
    QCOMPARE(cancel.left() - ok.right() - 1, 13);
    QCOMPARE(cancel.right(), 401 - 23 - 1);
    QCOMPARE(ok.top(), cancel.top());
    // The audio column is centred in the panel.
    QFormatSettingDlg *panel = dlg->settingPanel();
    const int left = panel->findChild<QWidget *>("m_lblAFormat")->x();
    const int right = panel->resetButton()->geometry().right();
    QVERIFY2(qAbs(left - (panel->width() - 1 - right)) <= 40, qPrintable(QString("%1 %2").arg(left).arg(right)));
}

QTEST_MAIN(TestFormatDialog)
#include "tst_dialog.moc"
