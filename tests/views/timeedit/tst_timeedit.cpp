// The microsecond time editor: shown times, times typed on the keyboard and
// their round trip, and typed text that forms no time.

#include "testsupport.h"

#include "widgetkit/views/qedittimeex.h"

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

private:
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

QTEST_MAIN(TestTimeEdit)
#include "tst_timeedit.moc"
