// The main window as the user first sees it: buttons and panes in the idle
// state, every child placed by the layout rules at two sizes, maximising by
// the title strip only, the output format resolved at start and the format
// dialog made once, when first opened; the information file written on a
// worker as the window is built (a file that cannot be written is logged).
// The daily schedule with an injected clock: the next
// start today or tomorrow, the countdown tip, the cancel button on the
// Schedule button, the recording started at the start and stopped at the end
// of the window (also across midnight, and also when split by silence runs a
// chain of files), and a countdown armed only while scheduling is on.

#include "appfixture.h"
#include "recordingtools.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "app/qinfofilewrite.h"
#include "common/jxcommoninterface.h"
#include "common/qconvertersetting.h"
#include "common/qvideosettingxml.h"
#include "controls/qaudioschedulesettingdlg.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/qrecordingwidget.h"
#include "controls/selectrecordinputwgt.h"
#include "convert/qformatdlg.h"
#include "convert/qformatsettingdlg.h"
#include "widgetkit/qjxcombobox.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibrarytableview.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qrecordareainfo.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qprojectconfig.h"
#include "widgetkit/qwindowcompositing.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace AppFixture;

namespace {

constexpr unsigned long long kHour = 3600000000ULL;

QString preference(const QString &group, const QString &key)
{
    return QVideoSettingXml::GetItemValue(group, key, QString(), QString());
}

void setSchedule(bool on, unsigned long long start, unsigned long long end)
{
    QRecordAreaInfo *options = QRecordAreaInfo::getAreaInfo();
    options->setScheduleAble(on);
    options->setScheduleStartTime(start);
    options->setScheduleEndTime(end);
}

// What the window held when it was first painted.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(MainWindow &window)
        : m_window(window)
    {
        window.installEventFilter(this);
    }
    bool painted = false;
    bool controlsReady = false;
    bool menuShown = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && event->type() == QEvent::Paint && !painted) {
            painted = true;
            controlsReady = m_window.isControlsReady();
            menuShown = m_window.helpMenuBar() && m_window.helpMenuBar()->isVisible();
        }
        return false;
    }

private:
    MainWindow &m_window;
};

// A clock the test moves by hand.
struct ManualClock
{
    QDateTime now;
    MainWindow::Clock clock()
    {
        return [this] { return now; };
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void idleAtStart();
    void bottomBandComesInTheNextTurn();
    void informationFileWrittenBesideTheWindow_data();
    void informationFileWrittenBesideTheWindow();
    void layoutFollowsTheSize_data();
    void layoutFollowsTheSize();
    void titleStripAloneMaximises();
    void formatDialogBuiltOnceWhenFirstOpened();
    void nextStartTodayOrTomorrow_data();
    void nextStartTodayOrTomorrow();
    void countdownArmedOnlyWhenScheduleIsOn();
    void tipCountsDownAndStaysClosed();
    void cancelButtonOnTheScheduleButton();
    void scheduleStartsAndEndsTheRecording();
    void windowEndStopsRecordings_data();
    void windowEndStopsRecordings();
    void silenceSplitsEndWithTheWindow();
    void splitPastTheWindowStartsNoFile();
    void cutNamesTheNextFileWhenAsked();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
    ManualClock m_clock;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMainWindow::init()
{
    setSchedule(false, 0, 0);
    m_window = std::make_unique<MainWindow>();
    m_window->setClock(m_clock.clock());
    m_window->SetOutPath(m_dir.filePath(QStringLiteral("out/")));
    m_window->resize(841, 498);
    m_window->show();
    QVERIFY(AppFixture::windowReady(*m_window));
}

void TestMainWindow::cleanup()
{
    m_window.reset();
}

void TestMainWindow::idleAtStart()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    QVERIFY(ui->m_btnStartRecord->isVisible());
    QVERIFY(!ui->m_btnStopRecord->isVisible());
    QVERIFY(!ui->m_btnCut->isEnabled());
    QVERIFY(!ui->m_btnRestore->isVisible());
    QVERIFY(!ui->m_btnMenu->isVisible());
    // The countdown's notice is made when first shown.
    QVERIFY(!w.scheduleTip());
    QVERIFY(!w.cancelScheduleButton()->isVisible());
    QVERIFY(!w.scheduleTimer()->isActive());
    QCOMPARE(w.scheduleButtonImage(), QStringLiteral("/image/btn_schedule_off.png"));
    QCOMPARE(ui->m_btnStartRecord->toolTip(), QStringLiteral("Start Recording"));
    QCOMPARE(ui->m_btnCut->toolTip(), QStringLiteral("Cut Recording"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Velmora Audio Recorder"));
    QCOMPARE(w.libraryPanel()->tableView()->currentIndex().row(), int(QLibraryPlayListWgt::RowAll));
    // The bottom band shows the idle recording panel until playback is asked for.
    QVERIFY(w.recordingPanel()->isVisible());
    QVERIFY(!w.playControl()->isVisible());
    // System sound is recorded from the loop-back device, now the default output.
    QCOMPARE(TestSupport::serverDefault(), LoopbackDevice::instance()->sinkName());
    QVERIFY(QRecordAreaInfo::getAreaInfo()->getRecordAudioType(QRecordAreaInfo::SystemSound));
    const QString shot = TestSupport::saveScreenshot(&w, QStringLiteral("app_mainwindow"));
    QVERIFY(!shot.isEmpty());
    // The drawn background covers the window inside its shadow.
    const QImage image(shot);
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).alpha(), 255);

    w.OnChangeBottomWgt(true);
    QVERIFY(w.playControl()->isVisible());
    QVERIFY(!w.recordingPanel()->isVisible());
    w.OnChangeBottomWgt(false);
    QVERIFY(w.recordingPanel()->isVisible());
}

void TestMainWindow::bottomBandComesInTheNextTurn()
{
    // Made in two turns: the library first, then the band under it and the
    // Help menu, before the window is first painted.
    MainWindow w;
    QVERIFY(w.recordingsTable() && w.libraryPanel());
    QVERIFY(!w.isControlsReady());
    QVERIFY(!w.inputSelector() && !w.recordingPanel() && !w.playControl() && !w.helpMenuBar());
    QSignalSpy ready(&w, &MainWindow::controlsReady);
    const FirstPaint firstPaint(w);
    w.resize(841, 498);
    w.show();
    QVERIFY(ready.wait(5000));
    QVERIFY(w.isControlsReady());
    QCOMPARE(ready.count(), 1);
    // Nothing to click is missing when the window is first drawn.
    QTRY_VERIFY(firstPaint.painted);
    QVERIFY(firstPaint.controlsReady);
    QVERIFY(firstPaint.menuShown);
    QCOMPARE(w.helpMenuBar()->actions().size(), 1);
    // Shown and placed in the band, like panes made with the window.
    QVERIFY(w.inputSelector()->isVisible());
    QVERIFY(w.recordingPanel()->isVisible());
    QVERIFY(!w.playControl()->isVisible());
    const QRect band = w.recordingPanel()->geometry();
    QVERIFY(band.top() > w.recordingsTable()->geometry().bottom());
    QVERIFY(w.inputSelector()->geometry().left() > band.right());
    QCOMPARE(w.form()->m_btnStartRecord->size(), QSize(56, 56));
    QVERIFY(AppFixture::windowReady(w));
    QVERIFY(!TestSupport::saveScreenshot(&w, QStringLiteral("app_window_two_turns")).isEmpty());
}

void TestMainWindow::informationFileWrittenBesideTheWindow_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("written");
    QTest::newRow("first start") << "missing" << true;
    QTest::newRow("older version's file") << "older" << true;
    QTest::newRow("a folder in its place") << "folder" << false;
}

void TestMainWindow::informationFileWrittenBesideTheWindow()
{
    QFETCH(QString, before);
    QFETCH(bool, written);
    const QString path = JxCommonInterface::getAppInfoFile();
    // The window of init has written it already.
    QTRY_VERIFY(m_window->infoFileWrite()->isFinished());
    QFile::remove(path);
    QVERIFY(!QFile::exists(path));
    if (before == "older") {
        QSettings older(path, QSettings::IniFormat);
        older.setValue("CFBundleShortVersionString", "0.9.1");
        older.sync();
        QCOMPARE(older.status(), QSettings::NoError);
    } else if (before == "folder") {
        QVERIFY(QDir().mkpath(path));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Cannot write the information file .*/AppInfo\\.ini$"));
    }

    auto window = std::make_unique<MainWindow>();
    QSignalSpy finished(window->infoFileWrite(), &QInfoFileWrite::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), written);
    QVERIFY(window->infoFileWrite()->isFinished());
    window.reset();
    if (!written) {
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir(path).removeRecursively());
        return;
    }
    QSettings info(path, QSettings::IniFormat);
    QCOMPARE(info.value("CFBundleShortVersionString").toString(), QString(VELMORA_TEST_VERSION));
    QCOMPARE(info.value("CFBundleVersion").toString(), QString(VELMORA_TEST_VERSION ".0"));
    QCOMPARE(info.value("CFBundleIdentifier").toString(), QString("com.Velmora.VelmoraAudioRecorder"));
    QCOMPARE(info.value("CFBundleDisplayName").toString(), QString("Velmora Audio Recorder"));
    QVERIFY(!JxCommonInterface::isNeedInitInfoFile());
}

void TestMainWindow::layoutFollowsTheSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("form size") << QSize(841, 498);
    QTest::newRow("larger") << QSize(1100, 720);
}

void TestMainWindow::layoutFollowsTheSize()
{
    QFETCH(QSize, size);
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    w.resize(size);
    QTRY_COMPARE(w.size(), size);
    const int W = size.width(), H = size.height();
    const int B = H - 89, L = 173;
    QCOMPARE(w.libraryPanel()->geometry(), QRect(QPoint(10, 30), QPoint(182, B)));
    QCOMPARE(w.recordingsTable()->geometry(), QRect(QPoint(183, 30), QPoint(W - 10, B)));

    QCOMPARE(ui->m_btnClose->pos(), QPoint(13, 13));
    QCOMPARE(ui->m_btnMin->pos(), QPoint(33, 13));
    QCOMPARE(ui->m_btnMax->pos(), QPoint(53, 13));

    const int g1 = (L - 2 * ui->m_btnFormat->width()) / 3;
    QCOMPARE(ui->m_btnFormat->pos(), QPoint(g1 + 8, B + (80 - ui->m_btnFormat->height()) / 2));
    QCOMPARE(ui->m_btnSchedule->x(), ui->m_btnFormat->x() + ui->m_btnFormat->width() - 1 + g1);
    QCOMPARE(w.cancelScheduleButton()->geometry().topRight(), QPoint(ui->m_btnSchedule->width() - 1, 0));

    QWidget *selector = w.inputSelector();
    const int g2 = (L + 13 - ui->m_btnCut->width() - ui->m_btnStartRecord->width() - selector->width()) / 4;
    QCOMPARE(ui->m_btnCut->geometry().right(), W - 9 - g2);
    QCOMPARE(ui->m_btnStartRecord->geometry().right(), ui->m_btnCut->x() - g2 - 1);
    QCOMPARE(ui->m_btnStopRecord->pos(), ui->m_btnStartRecord->pos());
    QCOMPARE(selector->geometry().right(), ui->m_btnStartRecord->x() - g2 - 1);
    for (QWidget *band : {static_cast<QWidget *>(ui->m_btnCut), static_cast<QWidget *>(ui->m_btnStartRecord), selector})
        QCOMPARE(band->y(), B + 1 + (80 - band->height()) / 2);

    const QRect bottom(QPoint(183, B + 1), QPoint(selector->x() - g2 - 1, B + 80));
    QCOMPARE(w.recordingPanel()->geometry(), bottom);
    QCOMPARE(w.playControl()->geometry(), bottom);
    TestSupport::saveScreenshot(&w, QStringLiteral("app_mainwindow_%1x%2").arg(W).arg(H));
}

void TestMainWindow::titleStripAloneMaximises()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    QTest::mouseDClick(&w, Qt::RightButton, Qt::NoModifier, QPoint(200, 15));
    QVERIFY(!w.isMaxSize());
    QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    QVERIFY(!w.isMaxSize());
    QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 15));
    QVERIFY(w.isMaxSize());
    QVERIFY(ui->m_btnRestore->isVisible());
    QVERIFY(!ui->m_btnMax->isVisible());
    QTest::mouseClick(ui->m_btnRestore, Qt::LeftButton);
    QVERIFY(!w.isMaxSize());
    QVERIFY(ui->m_btnMax->isVisible());
}

void TestMainWindow::formatDialogBuiltOnceWhenFirstOpened()
{
    MainWindow &w = *m_window;
    // Start-up resolved the stored choice into the settings recordings use.
    QCOMPARE(QConverterSetting::m_attributeSetting, QConverterSetting::m_audioSetting);
    const QString extension = QConverterSetting::m_attributeSetting->extension;
    QVERIFY(!extension.isEmpty());
    QCOMPARE(w.getRecordOutpath().section(QLatin1Char('.'), -1), extension);

    // The window is on screen and painted, and no dialog was made for it.
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    QVERIFY(!w.formatDialog());

    // The first opening makes it; a changed value is left by Cancel.
    QPointer<QFormatDlg> first;
    QString storedRate;
    onModal<QFormatDlg>([&](QFormatDlg &dialog) {
        first = &dialog;
        QComboBox *rate = dialog.settingPanel()->audioBitRateCombo();
        storedRate = rate->currentText();
        if (rate->count() > 1)
            rate->setCurrentIndex((rate->currentIndex() + 1) % rate->count());
        dialog.cancelButton()->click();
    });
    QTest::mouseClick(w.form()->m_btnFormat, Qt::LeftButton);
    QVERIFY(first && first == w.formatDialog());
    QVERIFY(!first->isVisible());
    QVERIFY(first->settingPanel()->audioBitRateCombo()->count() > 1);
    QVERIFY(first->settingPanel()->audioBitRateCombo()->currentText() != storedRate);

    // Later openings show the same dialog, with the stored values again.
    QPointer<QFormatDlg> again;
    QString shownRate;
    onModal<QFormatDlg>([&](QFormatDlg &dialog) {
        again = &dialog;
        shownRate = dialog.settingPanel()->audioBitRateCombo()->currentText();
        dialog.cancelButton()->click();
    });
    w.OnFormatDlg();
    QVERIFY(again && again == first);
    QCOMPARE(shownRate, storedRate);
    QCOMPARE(QConverterSetting::m_attributeSetting->extension, extension);
}

void TestMainWindow::nextStartTodayOrTomorrow_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<unsigned long long>("start");
    QTest::addColumn<int>("days");
    QTest::newRow("later today") << QTime(9, 0) << 10 * kHour << 0;
    QTest::newRow("this very millisecond") << QTime(10, 0) << 10 * kHour << 0;
    QTest::newRow("a millisecond past") << QTime(10, 0, 0, 1) << 10 * kHour << 1;
    QTest::newRow("midnight from late evening") << QTime(23, 59, 59, 500) << 0ULL << 1;
}

void TestMainWindow::nextStartTodayOrTomorrow()
{
    QFETCH(QTime, now);
    QFETCH(unsigned long long, start);
    QFETCH(int, days);
    const QDate today(2026, 12, 31);
    m_clock.now = QDateTime(today, now);
    setSchedule(true, start, start + kHour);
    m_window->OnSetSchedule();
    QCOMPARE(m_window->nextScheduledStart(), QDateTime(today.addDays(days), QTime(0, 0).addMSecs(int(start / 1000))));
    QVERIFY(m_window->isScheduleSet());
    QVERIFY(m_window->scheduleTimer()->isActive());
    QCOMPARE(m_window->scheduleTimer()->interval(), 300);
    QCOMPARE(m_window->scheduleButtonImage(), QStringLiteral("/image/btn_schedule_on.png"));
}

void TestMainWindow::countdownArmedOnlyWhenScheduleIsOn()
{
    MainWindow &w = *m_window;
    m_clock.now = QDateTime(QDate(2026, 5, 1), QTime(8, 0));
    setSchedule(false, 9 * kHour, 10 * kHour);
    w.OnSetSchedule();
    QVERIFY(!w.isScheduleSet());
    QVERIFY(!w.scheduleTimer()->isActive());
    QCOMPARE(w.scheduleButtonImage(), QStringLiteral("/image/btn_schedule_off.png"));

    // The dialog's first opening in a run shows the schedule off, whatever
    // was stored; OK then arms nothing.
    QVideoSettingXml::SetItemValue(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Bool_Schedule"), QStringLiteral("Y"), QString());
    QVideoSettingXml::SetItemValue(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Schedule_Start_Time"), QString::number(9 * kHour), QString());
    bool sawDialog = false;
    onModal<QAudioScheduleSettingDlg>([&sawDialog](QAudioScheduleSettingDlg &dialog) {
        sawDialog = true;
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    w.OnShowScheduleDlg();
    QVERIFY(sawDialog);
    QCOMPARE(preference(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Bool_Schedule")), QStringLiteral("N"));
    QCOMPARE(preference(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Schedule_Start_Time")), QStringLiteral("0"));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    QVERIFY(!w.isScheduleSet());
    QVERIFY(!w.scheduleTimer()->isActive());
}

void TestMainWindow::tipCountsDownAndStaysClosed()
{
    MainWindow &w = *m_window;
    const QDate day(2026, 6, 2);
    setSchedule(true, 10 * kHour, 11 * kHour);
    m_clock.now = QDateTime(day, QTime(9, 58, 0));
    w.OnSetSchedule();
    w.OnTimer();
    QVERIFY(!w.scheduleTip());

    // Made and shown by the countdown's first turn in the last minute.
    m_clock.now = QDateTime(day, QTime(9, 59, 0, 500));
    QTRY_VERIFY(w.scheduleTip() && w.scheduleTip()->isVisible()); // the 300 ms timer shows it
    QCOMPARE(w.scheduleTip()->getMessage(), QStringLiteral("59s later, Velmora will start recording."));
    m_clock.now = QDateTime(day, QTime(9, 59, 30));
    QTRY_COMPARE(w.scheduleTip()->getMessage(), QStringLiteral("30s later, Velmora will start recording."));
    TestSupport::saveScreenshot(w.scheduleTip(), QStringLiteral("app_schedule_tip"));
    // What shows of it stands in the corner of the free part of the screen:
    // its shadow band may pass the edge only while it is see-through.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (bool compositing : {true, false}) {
        QWindowCompositing::setOverride(compositing);
        w.OnTimer();
        const QMargins band = compositing ? QProjectConfig::getProjectConfig()->getTransparentMargins()
                                          : QMargins();
        const QRect shown = w.scheduleTip()->geometry().marginsRemoved(band);
        QVERIFY2(area.contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                      .arg(shown.x()).arg(shown.y())
                                                      .arg(shown.width()).arg(shown.height())));
        QCOMPARE(shown.bottomRight(), area.bottomRight());
    }
    QWindowCompositing::setOverride(std::nullopt);

    // Closed with OK, it does not come back for this countdown.
    QTest::mouseClick(w.scheduleTip()->buttons().first(), Qt::LeftButton);
    QVERIFY(!w.scheduleTip()->isVisible());
    QVERIFY(!w.isTipAllowed());
    m_clock.now = QDateTime(day, QTime(9, 59, 40));
    w.OnTimer();
    QVERIFY(!w.scheduleTip()->isVisible());
    QVERIFY(w.isScheduleSet());
}

void TestMainWindow::cancelButtonOnTheScheduleButton()
{
    MainWindow &w = *m_window;
    Ui::MainWindow *ui = w.form();
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(ui->m_btnSchedule, &enter);
    QVERIFY(!w.cancelScheduleButton()->isVisible()); // nothing pending

    setSchedule(true, 10 * kHour, 11 * kHour);
    m_clock.now = QDateTime(QDate(2026, 6, 3), QTime(7, 0));
    w.OnSetSchedule();
    QApplication::sendEvent(ui->m_btnSchedule, &enter);
    QVERIFY(w.cancelScheduleButton()->isVisible());
    QApplication::sendEvent(ui->m_btnSchedule, &leave);
    QVERIFY(!w.cancelScheduleButton()->isVisible());

    QApplication::sendEvent(ui->m_btnSchedule, &enter);
    QTest::mouseClick(w.cancelScheduleButton(), Qt::LeftButton);
    QVERIFY(!w.isScheduleSet());
    QVERIFY(!w.scheduleTimer()->isActive());
    QVERIFY(!w.cancelScheduleButton()->isVisible());
    QCOMPARE(w.scheduleButtonImage(), QStringLiteral("/image/btn_schedule_off.png"));
    QCOMPARE(preference(QStringLiteral("RECORD_SCHEDULE_INFO"), QStringLiteral("Bool_Schedule")), QStringLiteral("N"));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
}

void TestMainWindow::scheduleStartsAndEndsTheRecording()
{
    MainWindow &w = *m_window;
    const QDate day(2026, 6, 4);
    setSchedule(true, 22 * kHour, 1 * kHour);
    m_clock.now = QDateTime(day, QTime(21, 59, 59));
    w.OnSetSchedule();
    QTRY_VERIFY(w.scheduleTip() && w.scheduleTip()->isVisible());
    m_clock.now = QDateTime(day, QTime(22, 0));
    QTRY_VERIFY(w.isRecording()); // the countdown's own timer reaches the start
    QVERIFY(!w.scheduleTip()->isVisible());
    QVERIFY(!w.isScheduleSet());
    QVERIFY(!w.scheduleTimer()->isActive());
    QCOMPARE(w.scheduleButtonImage(), QStringLiteral("/image/btn_schedule_off.png"));
    QVERIFY(w.form()->m_btnStopRecord->isVisible());
    // The window stays on so that the recording ends with it.
    QVERIFY(QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    const QString path = w.recordObject()->outputPath();

    w.OnRecordTimeOperate(3 * kHour);
    QVERIFY(w.isRecording());
    w.OnRecordTimeOperate(3 * kHour + 1);
    QVERIFY(!w.isRecording());
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    QVERIFY(AppFixture::recordingStored(w));
    QCOMPARE(TestSupport::historyEntries(path).size(), 1);
}

void TestMainWindow::windowEndStopsRecordings_data()
{
    QTest::addColumn<unsigned long long>("start");
    QTest::addColumn<unsigned long long>("end");
    QTest::addColumn<unsigned long long>("window");
    QTest::newRow("same day") << 10 * kHour << 11 * kHour << kHour;
    QTest::newRow("across midnight") << 22 * kHour << 1 * kHour << 3 * kHour;
    QTest::newRow("start equals end") << 5 * kHour << 5 * kHour << 0ULL;
}

void TestMainWindow::windowEndStopsRecordings()
{
    QFETCH(unsigned long long, start);
    QFETCH(unsigned long long, end);
    QFETCH(unsigned long long, window);
    MainWindow &w = *m_window;
    setSchedule(true, start, end);
    // Started by hand while the schedule is on.
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    w.OnRecordTimeOperate(window);
    QVERIFY(w.isRecording());
    w.OnRecordTimeOperate(window + 1);
    QCOMPARE(w.isRecording(), window == 0);
    w.OnRecordTimeOperate(24 * kHour);
    QCOMPARE(w.isRecording(), window == 0);
    if (w.isRecording())
        w.OnBtnStop(true);
}

void TestMainWindow::silenceSplitsEndWithTheWindow()
{
    MainWindow &w = *m_window;
    const QDateTime start(QDate(2026, 6, 5), QTime(10, 0));
    const QDateTime end = start.addSecs(60);
    m_clock.now = start;
    // The silence watch and the window measure by the same clock.
    w.recordingPanel()->setClock(m_clock.clock());
    const QString folder = m_dir.filePath(QStringLiteral("split-chain"));
    w.SetOutPath(folder + QLatin1Char('/'));
    QVideoSettingXml::SetItemValue(QStringLiteral("Split_Recording"), QStringLiteral("Split_According_To_Silence"),
                                   QStringLiteral("Y"), QString());
    QVideoSettingXml::SetItemValue(QStringLiteral("Split_Recording"), QStringLiteral("Silence_More_Than"),
                                   QStringLiteral("700"), QString());
    setSchedule(true, 10 * kHour, 10 * kHour + 60000000ULL);
    // Nothing plays: every block is silent, and a split follows each second
    // of the clock past the limit.
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    // The clock moves on only once the window has been told the recorded
    // time since it last moved (and so has looked at it): a sanitized build
    // on a busy machine tells it less often than the timer ticks.
    QTimer tick;
    QPointer<QRecordObject> told;
    int tellings = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!w.isRecording())
            return;
        if (told != w.recordObject()) {
            told = w.recordObject();
            QObject::connect(told, &QRecordObject::emitRecordTime, &tick, [&] { ++tellings; });
        }
        if (tellings == 0)
            return;
        tellings = 0;
        m_clock.now = m_clock.now.addMSecs(500);
    });
    tick.start(60);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isRecording(), 60000);
    tick.stop();
    QVERIFY(AppFixture::recordingStored(w));
    QVideoSettingXml::SetItemValue(QStringLiteral("Split_Recording"), QStringLiteral("Split_According_To_Silence"),
                                   QStringLiteral("N"), QString());
    // It ended with the window, not with a file longer than it.
    QVERIFY2(m_clock.now <= end.addSecs(2), qPrintable(m_clock.now.toString(Qt::ISODateWithMs)));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());

    const QStringList names = QDir(folder).entryList({QStringLiteral("REC_*")}, QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 3, qPrintable(names.join(' ')));
    for (const QString &name : names) {
        // Named by the clock at their start: none began past the end.
        const QDateTime began = QDateTime::fromString(name.mid(4, 17), QStringLiteral("yyyyMMddhhmmsszzz"));
        QVERIFY2(began.isValid() && began >= start && began <= end, qPrintable(name));
        QCOMPARE(TestSupport::historyEntries(folder + QLatin1Char('/') + name).size(), 1);
    }
}

void TestMainWindow::splitPastTheWindowStartsNoFile()
{
    // A split that comes once the window has ended stops the recording itself:
    // fired before the record-time check has had a turn to stop it.
    MainWindow &w = *m_window;
    const QDateTime start(QDate(2026, 6, 5), QTime(14, 0));
    m_clock.now = start;
    const QString folder = m_dir.filePath(QStringLiteral("split-past-end"));
    w.SetOutPath(folder + QLatin1Char('/'));
    setSchedule(true, 14 * kHour, 14 * kHour + 60000000ULL);
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    m_clock.now = start.addSecs(61);
    w.OnCutRecord();
    QVERIFY(!w.isRecording());
    QVERIFY(AppFixture::recordingStored(w));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    const QStringList names = QDir(folder).entryList({QStringLiteral("REC_*")}, QDir::Files);
    QCOMPARE(names.size(), 1);
}

void TestMainWindow::cutNamesTheNextFileWhenAsked()
{
    // The next file of a cut holds the sound from the cut on, so it is named
    // by that moment, however long the last file takes to complete.
    MainWindow &w = *m_window;
    const QString folder = m_dir.filePath(QStringLiteral("cut-name"));
    w.SetOutPath(folder + QLatin1Char('/'));
    m_clock.now = QDateTime(QDate(2026, 6, 6), QTime(11, 0));
    QTest::mouseClick(w.form()->m_btnStartRecord, Qt::LeftButton);
    QVERIFY(w.isRecording());
    QTRY_VERIFY(w.recordObject()->recordedTime() > 100000);
    const QString first = w.recordObject()->outputPath();
    {
        TestSupport::SlowFinish slow;
        m_clock.now = QDateTime(QDate(2026, 6, 6), QTime(11, 0, 5));
        QTest::mouseClick(w.form()->m_btnCut, Qt::LeftButton);
        QTRY_VERIFY(slow.entered());
        m_clock.now = QDateTime(QDate(2026, 6, 6), QTime(11, 0, 9));
        slow.release();
        QTRY_VERIFY_WITH_TIMEOUT(w.recordObject()->isRecording() && w.recordObject()->outputPath() != first, 10000);
    }
    QCOMPARE(QFileInfo(w.recordObject()->outputPath()).completeBaseName(), QStringLiteral("REC_20260606110005000"));
    QTest::mouseClick(w.form()->m_btnStopRecord, Qt::LeftButton);
    QVERIFY(AppFixture::recordingStored(w));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
