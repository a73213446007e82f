// Every window of the program as it first shows, at the default font: each
// label, button, check box and header section holds its whole text inside
// what its parents show, no text runs into another, and the recordings
// table keeps the suffixes that tell edited copies apart. A screenshot of
// each window goes into the build folder.

#include "appfixture.h"
#include "libraryfixture.h"
#include "textaudit.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "app/qaboutdlg.h"
#include "app/qpreferencesdlg.h"
#include "app/qshowclosedlg.h"
#include "common/qvideosettingxml.h"
#include "controls/qaudioschedulesettingdlg.h"
#include "controls/selectrecordinputwgt.h"
#include "convert/qconvertprogressdlg.h"
#include "convert/qformatdlg.h"
#include "editor/qvideoeditingdlg.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qfilelistwgt.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/askmessagedlg.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qrecordermessage.h"

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QStringList kNames{QStringLiteral("REC_20261207_101530"),
                         QStringLiteral("REC_20261207_101530_Trim_001"),
                         QStringLiteral("REC_20261207_101530_Edit_001")};

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { m_faults.clear(); }
    void mainWindow();
    void dialogs();
    void editor();
    void recordingsTableKeepsTheSuffixes();

private:
    // Shows the window, waits for it, saves its screenshot and reads it.
    void audit(QWidget *window, const QString &name);

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_faults;
};

void TestTexts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString folder = LibraryFixture::freshLibrary(m_dir.filePath(QStringLiteral("out")));
    for (const QString &name : kNames) {
        const QString path = LibraryFixture::tone(folder, name, QStringLiteral("mp3"), 1.0);
        QVERIFY(!path.isEmpty());
        convertedInfo info = LibraryFixture::record(path, QStringLiteral("07-12-2026 10:15"));
        info.artist = QStringLiteral("Morning Choir");
        info.album = QStringLiteral("Live at the Hall");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    }
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(AppFixture::windowReady(*m_window));
    QTRY_COMPARE(m_window->recordingsTable()->tableView()->model()->rowCount(), kNames.size());
}

void TestTexts::cleanupTestCase()
{
    m_window.reset();
}

void TestTexts::audit(QWidget *window, const QString &name)
{
    if (!window->isVisible())
        window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // Layouts asked for by showing or switching pages settle first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    QVERIFY(!TestSupport::saveScreenshot(window, QStringLiteral("texts_") + name).isEmpty());
    // Read as the user reads it once the window has settled: controls that
    // are placed while painting get a paint first.
    QStringList faults;
    const bool settled = QTest::qWaitFor([&] {
        window->grab();
        faults = TextAudit::faults(window);
        return faults.isEmpty();
    }, 3000);
    if (settled)
        return;
    for (const QString &fault : qAsConst(faults))
        m_faults << name + QStringLiteral(": ") + fault;
}

void TestTexts::mainWindow()
{
    audit(m_window.get(), QStringLiteral("main_window"));
    // The input selector's menu of sources.
    QJXMenu *menu = m_window->inputSelector()->deviceMenu();
    QVERIFY(menu);
    menu->popup(QPoint(100, 100));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!TestSupport::saveScreenshot(menu, QStringLiteral("texts_input_menu")).isEmpty());
    menu->hide();
    // The schedule notice as the countdown shows it (made then).
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setScheduleAble(true);
    options->setScheduleStartTime(10ULL * 3600000000ULL);
    options->setScheduleEndTime(11ULL * 3600000000ULL);
    m_window->setClock([] { return QDateTime(QDate(2026, 6, 2), QTime(9, 59, 1)); });
    m_window->OnSetSchedule();
    m_window->OnTimer();
    QJXMessageBox *tip = m_window->scheduleTip();
    QVERIFY(tip && tip->isVisible());
    QCOMPARE(tip->getMessage(), QObject::tr("%1s later, Velmora will start recording.").arg(59));
    audit(tip, QStringLiteral("schedule_notice"));
    m_window->CancelSchedule();
    options->setScheduleAble(false);
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestTexts::dialogs()
{
    QWidget *owner = m_window.get();
    {
        QShowCloseDlg dlg(owner);
        audit(&dlg, QStringLiteral("close_prompt"));
    }
    {
        QPreferencesDlg dlg(owner);
        audit(&dlg, QStringLiteral("preferences_general"));
        dlg.pageButtons().at(1)->click();
        audit(&dlg, QStringLiteral("preferences_convert"));
    }
    {
        QAboutDlg dlg(owner);
        audit(&dlg, QStringLiteral("about"));
    }
    {
        QAudioScheduleSettingDlg dlg(owner);
        dlg.resize(330, 220);
        audit(&dlg, QStringLiteral("schedule"));
    }
    {
        QFormatDlg *dlg = QFormatDlg::getFormatWidget(nullptr);
        audit(dlg, QStringLiteral("format"));
        dlg->hide();
        QFormatDlg::releaseFormatWgt();
    }
    {
        QConvertProgressDlg dlg(owner);
        dlg.setProgressValue(42.f);
        audit(&dlg, QStringLiteral("convert_progress"));
    }
    {
        AskMessageDlg dlg(owner);
        // The longest question the library asks.
        dlg.setMsgText(QObject::tr("Do you want to delete the seleted files or just move \nthe files "
                                   "from the list?"));
        audit(&dlg, QStringLiteral("remove_or_delete"));
    }
    {
        QRecorderMessage dlg(owner);
        audit(&dlg, QStringLiteral("recorder_message"));
    }
    {
        QJXMessageBox box(owner);
        box.setMessageIcon(QJXMessageBox::Warning);
        box.setButtonStyle(QJXMessageBox::YesNoButton);
        box.setMessage(QObject::tr("Would you want to save the trim files?"));
        audit(&box, QStringLiteral("question"));
    }
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestTexts::editor()
{
    const QString path = m_dir.filePath(QStringLiteral("out/") + kNames[1] + QStringLiteral(".mp3"));
    QVERIFY(QFile::exists(path));
    QVideoEditingDlg dlg(m_window.get());
    dlg.setVideoFile(path, 0, 0);
    audit(&dlg, QStringLiteral("editor_trim"));
    dlg.selectedTag(1);
    audit(&dlg, QStringLiteral("editor_effect"));
    dlg.selectedTag(2);
    audit(&dlg, QStringLiteral("editor_tags"));
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

void TestTexts::recordingsTableKeepsTheSuffixes()
{
    QAudioFileTableView *view = m_window->recordingsTable()->tableView();
    // At the window's first size the names do not fit their column whole.
    const QFontMetrics fm(view->font());
    QVERIFY(fm.horizontalAdvance(kNames[1]) > view->columnWidth(QAudioFileModel::ColumnName));
    const QStringList drawn = TestSupport::drawnTexts(view->viewport());
    for (const QString &suffix : {QStringLiteral("_Trim_001"), QStringLiteral("_Edit_001")}) {
        bool shown = false;
        for (const QString &text : drawn)
            shown |= text.endsWith(suffix) && text.contains(QChar(0x2026));
        QVERIFY2(shown, qPrintable(suffix + QStringLiteral(" not drawn; drawn: ") + drawn.join(QStringLiteral(" | "))));
    }
}

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
