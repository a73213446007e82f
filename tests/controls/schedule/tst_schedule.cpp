// The schedule dialog and its options panel write the preferences file on
// disk only on OK (or when switched off), and the countdown aims at the
// right day.

#include "common/qvideosettingxml.h"
#include "controls/qaudioschedulesettingdlg.h"
#include "controls/qscheduletime.h"
#include "controls/qschedulewgt.h"
#include "controls/qtimeoptions.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxdatetimeedit.h"
#include "widgetkit/qjxlineedit.h"

#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDomDocument>
#include <QLineEdit>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QString prefsPath()
{
    return QVideoSettingXml::preferencesFilePath();
}

QByteArray prefsBytes()
{
    return TestSupport::readBytes(prefsPath());
}

// The attribute as it stands in the file on disk; a null string when absent.
QString stored(const QString &group, const QString &key)
{
    QFile file(prefsPath());
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return QString();
    const QDomElement element = doc.documentElement().firstChildElement(group);
    return element.hasAttribute(key) ? element.attribute(key) : QString();
}

void store(const QString &group, const QString &key, const QString &value)
{
    QVERIFY(QVideoSettingXml::SetItemValue(group, key, value));
}

QJXTimeEdit *editor(QAudioScheduleSettingDlg &dlg, const char *name)
{
    return dlg.optionsPanel()->findChild<QJXTimeEdit *>(QLatin1String(name));
}

const QString kSchedule = QStringLiteral("RECORD_SCHEDULE_INFO");
const QString kTime = QStringLiteral("RECORD_TIME_INFO");

} // namespace

class TestSchedule : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void timeConversions();
    void openingWritesNothing();
    void okStoresAndArmsTheWindow();
    void okWithEqualTimesStoresOff();
    void cancelStoresNothingAndEndsLikeOk();
    void closeScheduleSwitchesOffOrClears();
    void stopAfterEditsAreClamped();
    void dialogLayout();
    void typedAndPastedTimesAreStored();
    void countdownTargetsTodayOrTomorrow();
    void countdownStartsOnce();
    void countdownToTomorrowShowsAlmostADay();
};

void TestSchedule::init()
{
    QFile::remove(prefsPath());
    QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
    info->setScheduleAble(false);
    info->setScheduleStartTime(0);
    info->setScheduleEndTime(0);
    info->setManuallyAble(false);
    info->setTimingLenght(0);
}

void TestSchedule::timeConversions()
{
    QCOMPARE(QScheduleTime::fromText(QStringLiteral("08:30:00")), 30600000000ULL);
    QCOMPARE(QScheduleTime::fromText(QStringLiteral("09:00:00")), 32400000000ULL);
    QCOMPARE(QScheduleTime::fromText(QStringLiteral("x:5:7")), 307000000ULL);
    QCOMPARE(QScheduleTime::timeOfDay(30600000000ULL), QTime(8, 30, 0));
    // Milliseconds are dropped.
    QCOMPARE(QScheduleTime::timeOfDay(30600999999ULL), QTime(8, 30, 0));
    const HourMinuteSecond length = QScheduleTime::split(359999000000ULL);
    QCOMPARE(length.hours, 99);
    QCOMPARE(length.minutes, 59);
    QCOMPARE(length.seconds, 59);
    QCOMPARE(QTimeOptions::convertTime(99, 59, 59), 359999000000ULL);
}

void TestSchedule::openingWritesNothing()
{
    // A schedule stored off earlier, and a stop-after flag without a length.
    store(kSchedule, QStringLiteral("Bool_Schedule"), QStringLiteral("N"));
    store(kSchedule, QStringLiteral("Schedule_Start_Time"), QStringLiteral("30600000000"));
    store(kSchedule, QStringLiteral("Schedule_End_Time"), QStringLiteral("32400000000"));
    store(kTime, QStringLiteral("Bool_Stop_After_Time"), QStringLiteral("Y"));
    store(kTime, QStringLiteral("Stop_time_lenght"), QStringLiteral("0"));
    const QByteArray before = prefsBytes();
    {
        QAudioScheduleSettingDlg dlg;
        QCOMPARE(editor(dlg, "m_timeEditStart")->time(), QTime(8, 30, 0));
        QCOMPARE(editor(dlg, "m_timeEditStop")->time(), QTime(9, 0, 0));
        // A stop-after mode without a length counts as off.
        QVERIFY(!QRecordAreaInfo::getAreaInfo()->getManuallyAble());
    }
    QCOMPARE(prefsBytes(), before);
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
}

void TestSchedule::okStoresAndArmsTheWindow()
{
    store(kTime, QStringLiteral("Bool_Stop_After_Time"), QStringLiteral("Y"));
    store(kTime, QStringLiteral("Stop_time_lenght"), QStringLiteral("60000000"));
    QAudioScheduleSettingDlg dlg;
    dlg.resize(330, 220);
    QSignalSpy set(&dlg, &QAudioScheduleSettingDlg::emitSetSchedule);
    editor(dlg, "m_timeEditStart")->setTime(QTime(8, 30, 0));
    editor(dlg, "m_timeEditStop")->setTime(QTime(9, 0, 0));
    dlg.show();
    QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    QCOMPARE(set.count(), 1);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")), QStringLiteral("30600000000"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_End_Time")), QStringLiteral("32400000000"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Bool_Schedule")), QStringLiteral("Y"));
    // The two modes exclude each other: the schedule switches stop-after off.
    QCOMPARE(stored(kTime, QStringLiteral("Bool_Stop_After_Time")), QStringLiteral("N"));
    QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
    QVERIFY(info->getScheduleAble());
    QVERIFY(!info->getManuallyAble());
    QCOMPARE(info->getScheduleStartTime(), 30600000000ULL);
    QCOMPARE(info->getScheduleEndTime(), 32400000000ULL);

    // A window across midnight is stored as it is.
    QAudioScheduleSettingDlg night;
    editor(night, "m_timeEditStart")->setTime(QTime(23, 0, 0));
    editor(night, "m_timeEditStop")->setTime(QTime(1, 0, 0));
    night.OnBtnOk();
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")), QStringLiteral("82800000000"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_End_Time")), QStringLiteral("3600000000"));
    QVERIFY(info->getScheduleAble());
}

void TestSchedule::okWithEqualTimesStoresOff()
{
    store(kSchedule, QStringLiteral("Bool_Schedule"), QStringLiteral("Y"));
    QRecordAreaInfo::getAreaInfo()->setScheduleAble(true);
    QAudioScheduleSettingDlg dlg;
    QSignalSpy set(&dlg, &QAudioScheduleSettingDlg::emitSetSchedule);
    editor(dlg, "m_timeEditStart")->setTime(QTime(7, 0, 0));
    editor(dlg, "m_timeEditStop")->setTime(QTime(7, 0, 0));
    dlg.OnBtnOk();
    QCOMPARE(set.count(), 1);
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")), QStringLiteral("25200000000"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_End_Time")), QStringLiteral("25200000000"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Bool_Schedule")), QStringLiteral("N"));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
}

void TestSchedule::cancelStoresNothingAndEndsLikeOk()
{
    store(kSchedule, QStringLiteral("Bool_Schedule"), QStringLiteral("N"));
    store(kTime, QStringLiteral("Stop_time_lenght"), QStringLiteral("0"));
    const QByteArray before = prefsBytes();
    int cancelResult = -1;
    {
        QAudioScheduleSettingDlg dlg;
        dlg.resize(330, 220);
        QSignalSpy set(&dlg, &QAudioScheduleSettingDlg::emitSetSchedule);
        editor(dlg, "m_timeEditStart")->setTime(QTime(10, 0, 0));
        editor(dlg, "m_timeEditStop")->setTime(QTime(11, 0, 0));
        QTimer::singleShot(50, &dlg, [&dlg] { QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton); });
        cancelResult = dlg.exec();
        QCOMPARE(set.count(), 0);
    }
    QCOMPARE(prefsBytes(), before);
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());

    QAudioScheduleSettingDlg dlg;
    dlg.resize(330, 220);
    QTimer::singleShot(50, &dlg, [&dlg] { QTest::mouseClick(dlg.okButton(), Qt::LeftButton); });
    QCOMPARE(dlg.exec(), cancelResult);
}

void TestSchedule::closeScheduleSwitchesOffOrClears()
{
    store(kTime, QStringLiteral("Stop_time_lenght"), QStringLiteral("90000000"));
    {
        QAudioScheduleSettingDlg dlg;
        editor(dlg, "m_timeEditStart")->setTime(QTime(8, 30, 0));
        editor(dlg, "m_timeEditStop")->setTime(QTime(9, 0, 0));
        dlg.OnBtnOk();
    }
    QVERIFY(QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    {
        QAudioScheduleSettingDlg dlg;
        dlg.CloseSchedule(false);
    }
    QCOMPARE(stored(kSchedule, QStringLiteral("Bool_Schedule")), QStringLiteral("N"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")), QStringLiteral("30600000000"));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    // Clearing an armed schedule switches it off as well.
    {
        QAudioScheduleSettingDlg dlg;
        dlg.OnBtnOk();
    }
    QVERIFY(QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    QCOMPARE(stored(kSchedule, QStringLiteral("Bool_Schedule")), QStringLiteral("Y"));
    {
        QAudioScheduleSettingDlg dlg;
        dlg.CloseSchedule(true);
        QCOMPARE(editor(dlg, "m_timeEditStart")->time(), QTime(0, 0, 0));
    }
    QCOMPARE(stored(kSchedule, QStringLiteral("Bool_Schedule")), QStringLiteral("N"));
    QVERIFY(!QRecordAreaInfo::getAreaInfo()->getScheduleAble());
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")), QStringLiteral("0"));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_End_Time")), QStringLiteral("0"));
    QCOMPARE(stored(kTime, QStringLiteral("Bool_Stop_After_Time")), QStringLiteral("N"));
    QCOMPARE(stored(kTime, QStringLiteral("Stop_time_lenght")), QStringLiteral("90000000"));
    QCOMPARE(QRecordAreaInfo::getAreaInfo()->getScheduleStartTime(), 0ULL);
}

void TestSchedule::stopAfterEditsAreClamped()
{
    QTimeOptions panel;
    auto *hours = panel.findChild<QJXLineEdit *>(QStringLiteral("m_editHr"));
    auto *minutes = panel.findChild<QJXLineEdit *>(QStringLiteral("m_editMin"));
    auto *seconds = panel.findChild<QJXLineEdit *>(QStringLiteral("m_editSec"));
    QVERIFY(hours && minutes && seconds);
    for (QJXLineEdit *edit : {hours, minutes, seconds}) {
        edit->setEnabled(true);
        edit->clear();
    }
    QTest::keyClicks(hours, QStringLiteral("120"));
    QCOMPARE(hours->text(), QStringLiteral("99"));
    QTest::keyClicks(minutes, QStringLiteral("75"));
    QCOMPARE(minutes->text(), QStringLiteral("59"));
    QTest::keyClicks(seconds, QStringLiteral("7"));
    QCOMPARE(QRecordAreaInfo::getAreaInfo()->getTimingLenght(), 359947000000ULL);
    QCOMPARE(stored(kTime, QStringLiteral("Stop_time_lenght")), QStringLiteral("359947000000"));
    // Letters are refused by the edit; an emptied edit shows 0.
    QTest::keyClicks(seconds, QStringLiteral("a"));
    QCOMPARE(seconds->text(), QStringLiteral("7"));
    QTest::keyClick(seconds, Qt::Key_Backspace);
    QCOMPARE(seconds->text(), QStringLiteral("0"));
    QCOMPARE(stored(kTime, QStringLiteral("Stop_time_lenght")), QStringLiteral("359940000000"));
}

void TestSchedule::dialogLayout()
{
    QAudioScheduleSettingDlg dlg;
    dlg.resize(330, 220);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.optionsPanel()->geometry(), QRect(8, 30, 314, 128));
    QCOMPARE(dlg.cancelButton()->pos(), QPoint(226, 171));
    QCOMPARE(dlg.okButton()->pos(), QPoint(130, 171));
    TestSupport::saveScreenshot(&dlg, QStringLiteral("controls_schedule_dialog"));
}

void TestSchedule::typedAndPastedTimesAreStored()
{
    QAudioScheduleSettingDlg dlg;
    dlg.resize(330, 220);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QJXTimeEdit *start = editor(dlg, "m_timeEditStart");
    QJXTimeEdit *stop = editor(dlg, "m_timeEditStop");
    QLineEdit *startLine = start->findChild<QLineEdit *>();
    QSignalSpy edited(start, SIGNAL(emitTimeEdited(QString)));

    // The cursor before the minutes, "45": the minutes become 45 and the
    // cursor moves on to the seconds.
    start->setTime(QTime(20, 0, 0));
    startLine->setCursorPosition(3);
    QTest::keyClicks(start, QStringLiteral("45"));
    QCOMPARE(start->time(), QTime(20, 45, 0));
    QCOMPARE(startLine->cursorPosition(), 6);
    QCOMPARE(edited.last().at(0).toString(), QStringLiteral("20:45:00"));
    // A digit that makes no time (hour 27) is refused.
    startLine->setCursorPosition(1);
    QTest::keyClicks(start, QStringLiteral("7"));
    QCOMPARE(start->time(), QTime(20, 45, 0));
    QCOMPARE(start->text(), QStringLiteral("20:45:00"));

    // Select all and type a whole time.
    QTest::keyClick(stop, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(stop, QStringLiteral("21:30:15"));
    QCOMPARE(stop->time(), QTime(21, 30, 15));
    QCOMPARE(stop->text(), QStringLiteral("21:30:15"));

    // Pasted: taken when it is a time, refused otherwise.
    QApplication::clipboard()->setText(QStringLiteral("7:05"));
    QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(start->time(), QTime(7, 5, 0));
    for (const QString &bad : {QStringLiteral("24:00:00"), QStringLiteral("noon"), QStringLiteral("7::05")}) {
        QApplication::clipboard()->setText(bad);
        QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(start->time(), QTime(7, 5, 0));
        QCOMPARE(start->text(), QStringLiteral("07:05:00"));
    }
    TestSupport::saveScreenshot(&dlg, QStringLiteral("controls_schedule_dialog_typed"));

    // OK stores what was typed.
    QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_Start_Time")),
             QString::number(QScheduleTime::toMicroseconds(7, 5, 0)));
    QCOMPARE(stored(kSchedule, QStringLiteral("Schedule_End_Time")),
             QString::number(QScheduleTime::toMicroseconds(21, 30, 15)));
}

void TestSchedule::countdownTargetsTodayOrTomorrow()
{
    const QDate day(2026, 3, 14);
    const unsigned long long start = 30600000000ULL; // 08:30:00
    QCOMPARE(QScheduleTime::nextStart(start, QDateTime(day, QTime(8, 0, 0))),
             QDateTime(day, QTime(8, 30, 0)));
    QCOMPARE(QScheduleTime::nextStart(start, QDateTime(day, QTime(8, 30, 0))),
             QDateTime(day, QTime(8, 30, 0)));
    QCOMPARE(QScheduleTime::nextStart(start, QDateTime(day, QTime(8, 30, 0, 1))),
             QDateTime(day.addDays(1), QTime(8, 30, 0)));
    QCOMPARE(QScheduleTime::nextStart(0, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))),
             QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)));
}

void TestSchedule::countdownStartsOnce()
{
    const QDateTime now = QDateTime::currentDateTime();
    if (now.time() > QTime(23, 59, 50))
        QSKIP("too close to midnight for a start later today");
    const QTime start = now.time().addSecs(2);
    QRecordAreaInfo::getAreaInfo()->setScheduleStartTime(
        QScheduleTime::toMicroseconds(start.hour(), start.minute(), start.second()));
    QScheduleWgt countdown;
    QCOMPARE(countdown.targetTime().date(), now.date());
    QSignalSpy started(&countdown, &QScheduleWgt::emitStartRecord);
    auto *time = countdown.findChild<QLabel *>(QStringLiteral("m_labTime"));
    QTRY_VERIFY_WITH_TIMEOUT(time->text().startsWith(QLatin1String("00:00:0")), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 10000);
    // Later ticks find the countdown finished: no second start.
    for (int i = 0; i < 3; ++i)
        countdown.OnTimer();
    QCOMPARE(started.count(), 1);
}

void TestSchedule::countdownToTomorrowShowsAlmostADay()
{
    const QDateTime now = QDateTime::currentDateTime();
    if (now.time() < QTime(0, 0, 10))
        QSKIP("too close to midnight for a start earlier today");
    const QTime start = now.time().addSecs(-2);
    QRecordAreaInfo::getAreaInfo()->setScheduleStartTime(
        QScheduleTime::toMicroseconds(start.hour(), start.minute(), start.second()));
    QScheduleWgt countdown;
    QCOMPARE(countdown.targetTime().date(), now.date().addDays(1));
    QSignalSpy started(&countdown, &QScheduleWgt::emitStartRecord);
    auto *time = countdown.findChild<QLabel *>(QStringLiteral("m_labTime"));
    QTRY_VERIFY_WITH_TIMEOUT(time->text().startsWith(QLatin1String("23:59:5")), 1000);
    QCOMPARE(started.count(), 0);
    countdown.resize(298, 115);
    countdown.show();
    TestSupport::saveScreenshot(&countdown, QStringLiteral("controls_schedule_countdown"));
}

QTEST_MAIN(TestSchedule)
#include "tst_schedule.moc"
