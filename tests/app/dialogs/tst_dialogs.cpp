#include "app/convertwidget.h"
#include "app/generalwidget.h"
#include "app/qaboutdlg.h"
#include "app/qpreferencesdlg.h"
#include "app/qshowclosedlg.h"
#include "common/jxcommoninterface.h"
#include "common/qconverteroperate.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "commonutils/rzcomutils.h"
#include "testsupport.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxradiobutton.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString kMissing = QStringLiteral("<missing>");

QString stored(const QString &group, const QString &key)
{
    return QVideoSettingXml::GetItemValue(group, key, kMissing);
}

QString settingsPath()
{
    return QIAnyUtil::getAppDataPath() + "/AudioDefaultSetting.xml";
}

// Runs the dialog modally and lets `act` end it from inside the loop.
int runWith(QDialog &dialog, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dialog, [&] {
        QTRY_VERIFY(dialog.isVisible());
        act();
    });
    return dialog.exec();
}
} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(settingsPath()); }
    void closePromptPreselectsTheStoredChoice_data();
    void closePromptPreselectsTheStoredChoice();
    void closePromptAnswers();
    void aboutShowsTheRunningVersion();
    void preferencesCancelledWritesOnlyTheConvertPage();
    void preferencesOkStoresChangesAndEmitsUpdateOnce();
    void preferencesPagesSwitch();
    void convertPageFolders();
};

void TestDialogs::closePromptPreselectsTheStoredChoice_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("exit");
    QTest::newRow("no file") << kMissing << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("Y") << "Y" << true;
    QTest::newRow("N") << "N" << false;
    QTest::newRow("lower-case y") << "y" << false;
}

void TestDialogs::closePromptPreselectsTheStoredChoice()
{
    QFETCH(QString, value);
    QFETCH(bool, exit);
    if (value != kMissing)
        QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", value));
    QShowCloseDlg dialog;
    QCOMPARE(dialog.isCloseDlg(), exit);
    QCOMPARE(dialog.minimiseChoice()->isChecked(), !exit);
    QVERIFY(!dialog.isNoShowThisDlg());
}

void TestDialogs::closePromptAnswers()
{
    {
        QShowCloseDlg dialog;
        QVERIFY(dialog.isCloseDlg());
        // The title-bar close button answers 0 whatever is chosen.
        QCOMPARE(runWith(dialog, [&] { dialog.closeButton()->click(); }), 0);
    }
    {
        QShowCloseDlg dialog;
        const int result = runWith(dialog, [&] {
            dialog.minimiseChoice()->click();
            dialog.minimiseChoice()->click(); // clicking the checked choice keeps it
            dialog.noShowBox()->click();
            TestSupport::saveScreenshot(&dialog, "close-prompt");
            dialog.okButton()->click();
        });
        QCOMPARE(result, 1);
        QVERIFY(dialog.isNoShowThisDlg());
        QVERIFY(!dialog.isCloseDlg());
        QVERIFY(dialog.minimiseChoice()->isChecked());
        // OK stands on the check box's row; the prompt itself writes nothing.
        QCOMPARE(dialog.okButton()->geometry().center().y(), dialog.noShowBox()->geometry().center().y());
        QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), kMissing);
        QCOMPARE(stored("REMIND_ITEM", "isShowRemind"), kMissing);
    }
    {
        QShowCloseDlg dialog;
        QCOMPARE(runWith(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), 0);
    }
}

void TestDialogs::aboutShowsTheRunningVersion()
{
    QFile::remove(JxCommonInterface::getAppInfoFile());
    QAboutDlg dialog;
    QCOMPARE(dialog.versionLabel()->text(), QString("Version " VELMORA_TEST_VERSION));
    QCOMPARE(dialog.projectLabel()->text(), QString("Velmora Audio Recorder"));
    // One copyright line for the dialog and the common module.
    QCOMPARE(dialog.copyrightLabel()->text(), QString("Copyright \u00a9 Velmora. All rights reserved."));
    QCOMPARE(dialog.copyrightLabel()->text(), RZComUtils::appCopyright());
    QVERIFY(dialog.homeLabel()->text().contains("href = https://"));
    QCOMPARE(dialog.size(), QSize(400, 250));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!TestSupport::saveScreenshot(&dialog, "about").isEmpty());
    QCOMPARE(dialog.projectLabel()->pos(), QPoint(140, 80));
}

void TestDialogs::preferencesCancelledWritesOnlyTheConvertPage()
{
    QPreferencesDlg dialog;
    // Built: the Convert page has written its keys, with the page's defaults.
    QCOMPARE(stored("Delete_Recorded_File", "Delete_According_To_Duration"), QString("Y"));
    QCOMPARE(stored("Delete_Recorded_File", "Duration_Less_Than"), QString("1"));
    QCOMPARE(stored("Delete_Recorded_File", "Delete_According_To_Silence"), QString("N"));
    QCOMPARE(stored("Split_Recording", "Split_According_To_Track"), QString("0"));
    QCOMPARE(stored("Split_Recording", "Split_According_To_Silence"), QString("N"));
    QCOMPARE(stored("Split_Recording", "Silence_More_Than"), QString("0"));
    QCOMPARE(stored("SHOWDOWN_ITEM", "Finished_All_Job"), QString("0"));
    const QString converted = QIAnyUtil::getDocumentPath() + "/Converted/";
    QCOMPARE(stored("OutPut_path", "path_value"), converted);
    QCOMPARE(QConverterOperate::getConverterPath(), converted);

    QSignalSpy update(&dialog, &QPreferencesDlg::emitAutoUpdate);
    const int result = runWith(dialog, [&] {
        dialog.generalPage()->autoUpdateChoice()->click();
        dialog.generalPage()->minimiseChoice()->click();
        dialog.convertPage()->deleteSilent()->click();
        TestSupport::saveScreenshot(&dialog, "preferences-general");
        dialog.cancelButton()->click();
    });
    QCOMPARE(result, 0);
    QCOMPARE(update.count(), 0);
    // Nothing of the General page, no screenshot folder, the user's edits lost.
    QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), kMissing);
    QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), kMissing);
    QCOMPARE(stored("Screenshot_path", "Screenshot_path_value"), kMissing);
    QCOMPARE(stored("Delete_Recorded_File", "Delete_According_To_Silence"), QString("N"));
}

void TestDialogs::preferencesOkStoresChangesAndEmitsUpdateOnce()
{
    {
        QPreferencesDlg dialog;
        QSignalSpy update(&dialog, &QPreferencesDlg::emitAutoUpdate);
        QCOMPARE(runWith(dialog, [&] { dialog.okButton()->click(); }), 0);
        QCOMPARE(update.count(), 0);
        QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), kMissing);
        QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), kMissing);
    }
    {
        QPreferencesDlg dialog;
        QSignalSpy update(&dialog, &QPreferencesDlg::emitAutoUpdate);
        const int result = runWith(dialog, [&] {
            // Switched on and off again: no change to store.
            dialog.generalPage()->autoUpdateChoice()->click();
            dialog.generalPage()->noAutoUpdateChoice()->click();
            dialog.generalPage()->minimiseChoice()->click();
            dialog.convertPage()->durationEdit()->clear();
            QTest::keyClicks(dialog.convertPage()->durationEdit(), "0a07");
            dialog.convertPage()->splitBySilence()->click();
            dialog.okButton()->click();
        });
        QCOMPARE(result, 0);
        QCOMPARE(update.count(), 0);
        QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), kMissing);
        QCOMPARE(stored("CLOSE_ITEM", "bIsCloseDlg"), QString("N"));
        QCOMPARE(stored("Delete_Recorded_File", "Duration_Less_Than"), QString("007"));
        QCOMPARE(stored("Split_Recording", "Split_According_To_Silence"), QString("Y"));
    }
    {
        QPreferencesDlg dialog;
        QVERIFY(dialog.generalPage()->minimiseChoice()->isChecked());
        QVERIFY(dialog.convertPage()->splitBySilence()->isChecked());
        QSignalSpy update(&dialog, &QPreferencesDlg::emitAutoUpdate);
        runWith(dialog, [&] {
            dialog.generalPage()->autoUpdateChoice()->click();
            dialog.okButton()->click();
        });
        QCOMPARE(update.count(), 1);
        QCOMPARE(update.first().first().toBool(), true);
        QCOMPARE(stored("UPDATES_ITEM", "bIsAutoUpdate"), QString("Y"));
    }
}

void TestDialogs::preferencesPagesSwitch()
{
    QPreferencesDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto buttons = dialog.pageButtons();
    QCOMPARE(buttons.size(), 2);
    QVERIFY(buttons[0]->isChecked() && !buttons[0]->isEnabled());
    QVERIFY(dialog.generalPage()->isVisible() && !dialog.convertPage()->isVisible());

    buttons[1]->click();
    QVERIFY(dialog.convertPage()->isVisible() && !dialog.generalPage()->isVisible());
    QVERIFY(buttons[1]->isChecked() && !buttons[1]->isEnabled());
    QVERIFY(!buttons[0]->isChecked() && buttons[0]->isEnabled());
    QVERIFY(!TestSupport::saveScreenshot(&dialog, "preferences-convert").isEmpty());

    buttons[0]->click();
    QVERIFY(dialog.generalPage()->isVisible() && !dialog.convertPage()->isVisible());
    QVERIFY(buttons[1]->isEnabled() && !buttons[1]->isChecked());

    dialog.showPreferencesWgt(3);
    QVERIFY(!dialog.generalPage()->isVisible() && !dialog.convertPage()->isVisible());
    QVERIFY(dialog.setLanguge("anything"));
    QCOMPARE(dialog.okButton()->pos(), QPoint(242, 240));
    QCOMPARE(dialog.cancelButton()->pos(), QPoint(338, 240));
}

void TestDialogs::convertPageFolders()
{
    QTemporaryDir chosen;
    QString answer;
    ConvertWidget::setFolderChooser([&](QWidget *) { return answer; });
    ConvertWidget page;
    const QString converted = QIAnyUtil::getDocumentPath() + "/Converted/";
    QCOMPARE(page.shownFolder(), converted);

    page.changeButton()->click(); // cancelled
    QCOMPARE(page.outputFolder(), converted);
    answer = chosen.path() + "/missing";
    page.changeButton()->click(); // can't be written
    QCOMPARE(page.outputFolder(), converted);
    answer = chosen.path();
    page.changeButton()->click();
    QCOMPARE(page.outputFolder(), chosen.path() + '/');
    QCOMPARE(page.shownFolder(), chosen.path() + '/');
    QVERIFY(QDir(chosen.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    // Only saving stores it.
    QCOMPARE(stored("OutPut_path", "path_value"), converted);
    page.saveSetting();
    QCOMPARE(stored("OutPut_path", "path_value"), chosen.path() + '/');
    page.resetButton()->click();
    QCOMPARE(page.outputFolder(), converted);

    // An emptied duration is stored empty and reads back as the default.
    page.durationEdit()->clear();
    page.silenceEdit()->clear();
    page.saveSetting();
    // Stored empty, which reads as "no value".
    QCOMPARE(stored("Delete_Recorded_File", "Duration_Less_Than"), kMissing);
    ConvertWidget again;
    QCOMPARE(again.durationEdit()->text(), QString("1"));
    QCOMPARE(again.silenceEdit()->text(), QString("0"));
    QCOMPARE(stored("Delete_Recorded_File", "Duration_Less_Than"), QString("1"));
    ConvertWidget::setFolderChooser(nullptr);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
