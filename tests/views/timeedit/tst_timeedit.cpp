// The microsecond time editor: shown times, times typed on the keyboard and
// their round trip, and typed text that forms no time.

#include "testsupport.h"

#include "widgetkit/views/qedittimeex.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class TestTimeEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint64_t>("uint64_t"); }
    void init();
    void cleanup();
    void shownTimeFollowsTheValueWithoutReporting();
    void typedTimeIsReportedInMicroseconds();
    void typedBackEveryShownTime_data();
    void typedBackEveryShownTime();
    void textThatIsNoTimeReportsNothingAndIsUndone();
    void arrowStepsAreReported();
    void digitsOverwriteTheFieldUnderTheCursor();
    void aWholeTimeTypedOrPastedIsTaken();
    void anInvalidTimeIsRefusedAndTheFieldKept();

private:
    QLineEdit *line() const { return m_edit->findChild<QLineEdit *>(); }
    uint64_t lastReported(const QSignalSpy &spy) const
    {
        return spy.last().at(0).value<uint64_t>();
    }

    // Types the digits of a time over the whole editor, hours first.
    void typeTime(const QString &text);

    QEditTimeEx *m_edit = nullptr;
};

void TestTimeEdit::init()
{
    m_edit = new QEditTimeEx;
    m_edit->resize(130, 24);
    m_edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_edit));
    m_edit->setFocus();
}

void TestTimeEdit::cleanup()
{
    delete m_edit;
    m_edit = nullptr;
}

void TestTimeEdit::typeTime(const QString &text)
{
    m_edit->setCurrentSection(QDateTimeEdit::HourSection);
    m_edit->setSelectedSection(QDateTimeEdit::HourSection);
    QString digits = text;
    digits.remove(':').remove('.');
    QTest::keyClicks(m_edit, digits);
}

void TestTimeEdit::shownTimeFollowsTheValueWithoutReporting()
{
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    m_edit->setCurrentTime(1500000);
    QCOMPARE(m_edit->text(), QString("00:00:01.500"));
    QCOMPARE(m_edit->getCurrentTime(), 1500000ULL);
    m_edit->setCurrentTime(999);
    QCOMPARE(m_edit->text(), QString("00:00:00.000"));
    QCOMPARE(m_edit->getCurrentTime(), 999ULL);
    m_edit->setCurrentTime(3723004000ULL);
    QCOMPARE(m_edit->text(), QString("01:02:03.004"));
    // A day or more has no time of day: the value is kept, the text is not.
    m_edit->setCurrentTime(90000000000ULL);
    QCOMPARE(m_edit->getCurrentTime(), 90000000000ULL);
    QCOMPARE(m_edit->text(), QString("01:02:03.004"));
    QCOMPARE(typed.count(), 0);
    QCOMPARE(QEditTimeEx::timeConvertToInt(QTime(23, 59, 59, 999)), 86399999000ULL);
}

void TestTimeEdit::typedTimeIsReportedInMicroseconds()
{
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    m_edit->setCurrentTime(1500000);
    typeTime("01:02:03.004");
    QCOMPARE(m_edit->text(), QString("01:02:03.004"));
    QVERIFY(typed.count() > 0);
    QCOMPARE(typed.last().at(0).value<uint64_t>(), uint64_t(3723004000ULL));
    QCOMPARE(m_edit->getCurrentTime(), 3723004000ULL);
    QCOMPARE(m_edit->shownTime(), QTime(1, 2, 3, 4));
}

void TestTimeEdit::typedBackEveryShownTime_data()
{
    QTest::addColumn<qulonglong>("microseconds");
    for (qulonglong us : {1000ULL, 59999000ULL, 600000000ULL, 3723004000ULL, 45296789000ULL,
                          86399999000ULL})
        QTest::newRow(qPrintable(QString::number(us))) << us;
}

void TestTimeEdit::typedBackEveryShownTime()
{
    QFETCH(qulonglong, microseconds);
    m_edit->setCurrentTime(microseconds);
    const QString shown = m_edit->text();
    m_edit->setCurrentTime(0);
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    typeTime(shown);
    QCOMPARE(m_edit->text(), shown);
    QCOMPARE(typed.last().at(0).value<uint64_t>(), uint64_t(microseconds));
    QCOMPARE(m_edit->getCurrentTime(), microseconds);
}

void TestTimeEdit::textThatIsNoTimeReportsNothingAndIsUndone()
{
    m_edit->setCurrentTime(3723004000ULL);
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    // Clearing the minutes on the keyboard leaves no time.
    m_edit->setCurrentSection(QDateTimeEdit::MinuteSection);
    m_edit->setSelectedSection(QDateTimeEdit::MinuteSection);
    QTest::keyClick(m_edit, Qt::Key_Backspace);
    QCOMPARE(typed.count(), 0);
    QCOMPARE(m_edit->text(), QString("01:02:03.004"));
    QCOMPARE(m_edit->getCurrentTime(), 3723004000ULL);
    // Texts the editor's own checks would let through from elsewhere.
    for (const QString &text : {QString("25:00:00.000"), QString("01:61:00.000"),
                                QString("xx:00:00.000"), QString("01:02:03.abc"),
                                QString("01:02:60.000")}) {
        m_edit->findChild<QLineEdit *>()->setText(text);
        m_edit->onTextEdited(text);
        QCOMPARE(typed.count(), 0);
        QCOMPARE(m_edit->text(), QString("01:02:03.004"));
    }
    QCOMPARE(m_edit->getCurrentTime(), 3723004000ULL);
    // A text without separators is hours only; without a point, no seconds.
    m_edit->onTextEdited("7");
    QCOMPARE(typed.last().at(0).value<uint64_t>(), uint64_t(0));
    m_edit->onTextEdited("02:30:15");
    QCOMPARE(typed.last().at(0).value<uint64_t>(), uint64_t((2 * 3600 + 30 * 60) * 1000000ULL));
}

void TestTimeEdit::arrowStepsAreReported()
{
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    m_edit->setCurrentTime(1500000);
    m_edit->setCurrentSection(QDateTimeEdit::SecondSection);
    m_edit->stepBy(1);
    QCOMPARE(m_edit->text(), QString("00:00:02.500"));
    QCOMPARE(typed.last().at(0).value<uint64_t>(), uint64_t(2500000));
    TestSupport::saveScreenshot(m_edit, "mediawidgets_time_editor");
}

// The editor as the trim page sets it up: 24-hour format, milliseconds.
void TestTimeEdit::digitsOverwriteTheFieldUnderTheCursor()
{
    m_edit->setDisplayFormat(QStringLiteral("HH:mm:ss.zzz"));
    m_edit->setCurrentTime(0);
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    // The cursor put before the seconds (as a click does), then "02": two
    // seconds, and the cursor moves on over the point.
    line()->setCursorPosition(6);
    QTest::keyClicks(m_edit, QStringLiteral("02"));
    QCOMPARE(m_edit->text(), QStringLiteral("00:00:02.000"));
    QCOMPARE(lastReported(typed), uint64_t(2000000));
    QCOMPARE(line()->cursorPosition(), 9);
    QTest::keyClicks(m_edit, QStringLiteral("5"));
    QCOMPARE(m_edit->text(), QStringLiteral("00:00:02.500"));
    QCOMPARE(lastReported(typed), uint64_t(2500000));

    // From the start every field in turn, separators passed over.
    line()->setCursorPosition(0);
    QTest::keyClicks(m_edit, QStringLiteral("012345678"));
    QCOMPARE(m_edit->text(), QStringLiteral("01:23:45.678"));
    QCOMPARE(lastReported(typed), QEditTimeEx::timeConvertToInt(QTime(1, 23, 45, 678)));
    QCOMPARE(m_edit->getCurrentTime(), QEditTimeEx::timeConvertToInt(QTime(1, 23, 45, 678)));

    // A separator ends the field typed so far: "1:" gives hour 01; a digit
    // that cannot lead its field is its last: "7" gives minute 07.
    line()->setCursorPosition(0);
    QTest::keyClicks(m_edit, QStringLiteral("1:7"));
    QCOMPARE(m_edit->text(), QStringLiteral("01:07:45.678"));
    QCOMPARE(line()->cursorPosition(), 6);
    line()->setCursorPosition(0);
    QTest::keyClicks(m_edit, QStringLiteral("7:3"));
    QCOMPARE(m_edit->text(), QStringLiteral("07:37:45.678"));
    // A tens digit that would make no time with the old units clears them:
    // "2" over 07 hours gives 20, then "3" gives 23.
    line()->setCursorPosition(0);
    QTest::keyClicks(m_edit, QStringLiteral("2"));
    QCOMPARE(m_edit->text(), QStringLiteral("20:37:45.678"));
    QTest::keyClicks(m_edit, QStringLiteral("3"));
    QCOMPARE(m_edit->text(), QStringLiteral("23:37:45.678"));
    // Backspace moves back onto the digit before, to type it again.
    line()->setCursorPosition(3);
    QTest::keyClick(m_edit, Qt::Key_Backspace);
    QCOMPARE(line()->cursorPosition(), 1);
    QTest::keyClicks(m_edit, QStringLiteral("1"));
    QCOMPARE(m_edit->text(), QStringLiteral("21:37:45.678"));
    // The arrows step the field the cursor is in.
    line()->setCursorPosition(4);
    QTest::keyClick(m_edit, Qt::Key_Up);
    QCOMPARE(m_edit->text(), QStringLiteral("21:38:45.678"));
    QCOMPARE(lastReported(typed), QEditTimeEx::timeConvertToInt(QTime(21, 38, 45, 678)));
}

void TestTimeEdit::aWholeTimeTypedOrPastedIsTaken()
{
    m_edit->setDisplayFormat(QStringLiteral("HH:mm:ss.zzz"));
    m_edit->setCurrentTime(7500000);
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    // Select all, then the whole time typed with its separators.
    QTest::keyClick(m_edit, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(line()->hasSelectedText());
    QTest::keyClicks(m_edit, QStringLiteral("01:02:03.004"));
    QCOMPARE(m_edit->text(), QStringLiteral("01:02:03.004"));
    QCOMPARE(lastReported(typed), uint64_t(3723004000ULL));
    // Never reported as nothing on the way.
    for (const QList<QVariant> &report : typed)
        QVERIFY(report.at(0).value<uint64_t>() != 0);

    // Pasted: the whole time, a shorter one (missing fields are 0, a
    // fraction after the point is a fraction).
    const QList<QPair<QString, QString>> pasted{
        {QStringLiteral("00:00:05.250"), QStringLiteral("00:00:05.250")},
        {QStringLiteral(" 1:2:3 "), QStringLiteral("01:02:03.000")},
        {QStringLiteral("00:01:30.5"), QStringLiteral("00:01:30.500")},
    };
    for (const auto &p : pasted) {
        QApplication::clipboard()->setText(p.first);
        QTest::keyClick(m_edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_edit->text(), p.second);
        QCOMPARE(lastReported(typed),
                 QEditTimeEx::timeConvertToInt(QTime::fromString(p.second, QStringLiteral("HH:mm:ss.zzz"))));
    }
    TestSupport::saveScreenshot(m_edit, "mediawidgets_time_editor_pasted");
}

void TestTimeEdit::anInvalidTimeIsRefusedAndTheFieldKept()
{
    m_edit->setDisplayFormat(QStringLiteral("HH:mm:ss.zzz"));
    m_edit->setCurrentTime(75723004000ULL);
    QSignalSpy typed(m_edit, &QEditTimeEx::emitTextEdited);
    for (const QString &text : {QStringLiteral("25:00:00.000"), QStringLiteral("01:61:00"),
                                QStringLiteral("abc"), QStringLiteral("1:2:3:4:5"),
                                QStringLiteral("01:02:03.4567"), QString()}) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(m_edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_edit->text(), QStringLiteral("21:02:03.004"));
    }
    // A digit that makes no time (hour 27), and letters, change nothing.
    line()->setCursorPosition(1);
    QTest::keyClicks(m_edit, QStringLiteral("7x"));
    QCOMPARE(m_edit->text(), QStringLiteral("21:02:03.004"));
    // Text put into the line edit some other way (its own menu's paste) is
    // taken only as a whole time.
    line()->setSelection(3, 2);
    line()->del();
    QCOMPARE(m_edit->text(), QStringLiteral("21:02:03.004"));
    line()->selectAll();
    line()->del();
    QCOMPARE(m_edit->text(), QStringLiteral("21:02:03.004"));
    QCOMPARE(typed.count(), 0);
    QCOMPARE(m_edit->getCurrentTime(), 75723004000ULL);
    line()->selectAll();
    line()->insert(QStringLiteral("00:00:09.000"));
    QCOMPARE(m_edit->text(), QStringLiteral("00:00:09.000"));
    QCOMPARE(lastReported(typed), uint64_t(9000000));
}

QTEST_MAIN(TestTimeEdit)
#include "tst_timeedit.moc"
