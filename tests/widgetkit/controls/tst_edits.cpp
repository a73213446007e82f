// Drawn edits, spin box and time editors: icon placement, validators,
// placeholder colours, arrow buttons and their press-and-hold repeat.

#include "controlart.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxdatetimeedit.h"
#include "widgetkit/qjxdoublespinbox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxtextedit.h"

#include <QAbstractEventDispatcher>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTextEdit>
#include <QValidator>
#include <QtTest>

namespace {

// The arrows' press-and-hold repeat runs on a 100 ms coarse timer of the
// editor. The tests deliver that timer's ticks themselves (the event loop does
// not run meanwhile), so what each tick does is checked exactly.
class RepeatTicks
{
public:
    explicit RepeatTicks(QObject *owner) : m_owner(owner) {}

    // Ids of the editor's running 100 ms coarse timers.
    QList<int> running() const
    {
        QList<int> ids;
        const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(m_owner);
        for (const auto &t : timers)
            if (t.interval == 100 && t.timerType == Qt::CoarseTimer)
                ids.append(t.timerId);
        return ids;
    }

    // Delivers n ticks of the one running repeat timer.
    bool tick(int n = 1)
    {
        const QList<int> ids = running();
        if (ids.size() != 1)
            return false;
        for (int i = 0; i < n; ++i) {
            QTimerEvent event(ids.first());
            QCoreApplication::sendEvent(m_owner, &event);
        }
        return true;
    }

private:
    QObject *m_owner;
};

} // namespace

class TestEdits : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void iconIsPlacedAndCentred();
    void missingBackgroundEndsCustomDrawing();
    void onlyNumbersAreAccepted();
    void placeholderColourFollowsFocusAndText();
    void textEditKeepsItsInnerEditInsideTheMargins();

    void clickStepsOnce();
    void heldArrowRepeatsFromTheSeventhTick();
    void pressDirectionComesFromTheSender();
    void buttonsPlacedByMargins();
    void computedButtonEdgeFollowsTheWidth();
    void everyStepReportsTheWholeText();
    void missingUpImageLeavesPlainEditor();
    void spinBoxArrowsStep();

private:
    QJXTimeEdit *makeTimeEdit(QWidget *parent = nullptr);
    ControlArt *m_art = nullptr;
    QString m_bg, m_up, m_down;
};

void TestEdits::init()
{
    delete m_art;
    m_art = new ControlArt;
    m_bg = m_art->solid(QStringLiteral("bg.png"), 60, 40, QColor(40, 40, 40));
    m_up = m_art->strip(QStringLiteral("up.png"), 18, 10,
                        {Qt::red, Qt::green, Qt::blue, Qt::gray});
    m_down = m_art->strip(QStringLiteral("down.png"), 18, 10,
                          {Qt::darkRed, Qt::darkGreen, Qt::darkBlue, Qt::darkGray});
}

QJXTimeEdit *TestEdits::makeTimeEdit(QWidget *parent)
{
    auto *edit = new QJXTimeEdit(parent);
    edit->setDisplayFormat(QStringLiteral("hh:mm:ss"));
    edit->setBackgroundImage(m_bg);
    edit->setUpAndDownBtnImage(m_up, m_down, true);
    edit->resize(60, 22);
    return edit;
}

void TestEdits::iconIsPlacedAndCentred()
{
    const QString icon = m_art->solid(QStringLiteral("icon.png"), 40, 20, QColor(255, 0, 255));
    QJXLineEdit edit;
    edit.resize(120, 24);
    edit.setBackgroundImage(m_bg);
    QVERIFY(edit.isCustomDraw());
    QVERIFY(edit.setRectIcon(icon));
    QImage image = grabImage(&edit);
    QCOMPARE(edit.iconRect(), QRect(0, 7, 20, 10));
    QVERIFY(near(image.pixelColor(10, 12), QColor(255, 0, 255)));
    QVERIFY(!near(image.pixelColor(10, 4), QColor(255, 0, 255)));
    QVERIFY(!near(image.pixelColor(25, 12), QColor(255, 0, 255)));

    // A search field keeps its icon at x 5, centred vertically.
    QJXLineEdit search;
    search.resize(175, 20);
    search.setBackgroundImage(m_bg);
    search.setRectIcon(icon);
    search.setIconRect(QRect(5, -1, 0, 0));
    image = grabImage(&search);
    QCOMPARE(search.iconRect(), QRect(5, 5, 20, 10));
    QVERIFY(near(image.pixelColor(6, 10), QColor(255, 0, 255)));
    QVERIFY(!near(image.pixelColor(3, 10), QColor(255, 0, 255)));
}

void TestEdits::missingBackgroundEndsCustomDrawing()
{
    QJXLineEdit edit;
    edit.setBackgroundImage(m_bg);
    QVERIFY(edit.isCustomDraw());
    QVERIFY(edit.styleSheet().contains(QStringLiteral("transparent")));
    edit.setBackgroundImage(m_art->path(QStringLiteral("missing.png")));
    QVERIFY(!edit.isCustomDraw());
    QVERIFY(!edit.setRectIcon(QImage()));
}

void TestEdits::onlyNumbersAreAccepted()
{
    QJXLineEdit edit;
    edit.onlyInputNumber();
    const QValidator *v = edit.validator();
    QVERIFY(v);
    auto state = [v](QString text) {
        int pos = 0;
        return v->validate(text, pos);
    };
    QCOMPARE(state(QStringLiteral("7")), QValidator::Acceptable);
    QCOMPARE(state(QStringLiteral("007")), QValidator::Acceptable);
    QCOMPARE(state(QStringLiteral("120")), QValidator::Acceptable);
    QCOMPARE(state(QStringLiteral("0")), QValidator::Intermediate);
    QCOMPARE(state(QStringLiteral("000")), QValidator::Intermediate);
    QCOMPARE(state(QString()), QValidator::Intermediate);
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("4a2"));
    QCOMPARE(edit.text(), QStringLiteral("42"));
}

void TestEdits::placeholderColourFollowsFocusAndText()
{
    QWidget page;
    QJXLineEdit edit(&page);
    QLineEdit other(&page);
    edit.move(0, 0);
    other.move(0, 40);
    QPalette p = edit.palette();
    p.setColor(QPalette::Text, QColor(250, 237, 237));
    edit.setPalette(p);
    edit.setPlaceholderText(QStringLiteral("Search"));
    edit.setText(QStringLiteral("abc"));
    edit.setPlaceholderTextColor(QColor(111, 111, 111), true);
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(250, 237, 237));

    edit.clear();
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    edit.setFocus();
    QTRY_VERIFY(edit.hasFocus());
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(250, 237, 237));
    QVERIFY(edit.placeholderText().isEmpty());
    other.setFocus();
    QTRY_VERIFY(!edit.hasFocus());
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(111, 111, 111));
    QCOMPARE(edit.placeholderText(), QStringLiteral("Search"));
}

void TestEdits::textEditKeepsItsInnerEditInsideTheMargins()
{
    QJXTextEdit edit;
    edit.resize(200, 80);
    edit.setBackgroundImage(m_bg);
    edit.setEditMargins(3, 0, 0, 0);
    grabImage(&edit);
    QCOMPARE(edit.textEdit()->geometry(), QRect(3, 0, 197, 80));
    QSignalSpy changed(&edit, SIGNAL(textChanged(QString)));
    edit.textEdit()->setPlainText(QStringLiteral("Chorus"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toString(), QStringLiteral("Chorus"));
}

void TestEdits::clickStepsOnce()
{
    QWidget page;
    QJXTimeEdit *edit = makeTimeEdit(&page);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    edit->setCurrentSection(QDateTimeEdit::SecondSection);
    QSignalSpy edited(edit, SIGNAL(emitTimeEdited(QString)));
    RepeatTicks repeat(edit);
    QVERIFY(repeat.running().isEmpty());
    QTest::mouseClick(edit->upButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edit->time(), QTime(0, 0, 1));
    // The release stopped the repeat: nothing can step later.
    QVERIFY(repeat.running().isEmpty());
}

void TestEdits::heldArrowRepeatsFromTheSeventhTick()
{
    QWidget page;
    QJXTimeEdit *edit = makeTimeEdit(&page);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    edit->setCurrentSection(QDateTimeEdit::SecondSection);
    QSignalSpy edited(edit, SIGNAL(emitTimeEdited(QString)));
    RepeatTicks repeat(edit);

    for (int hold = 0; hold < 2; ++hold) {
        const int before = edited.count();
        QTest::mousePress(edit->upButton(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(repeat.running().size(), 1);
        QCOMPARE(edited.count(), before);
        // Ticks one to six (up to 600 ms) only wait; every press counts afresh.
        QVERIFY(repeat.tick(6));
        QCOMPARE(edited.count(), before);
        // Held one second: steps at 700, 800, 900 and 1000 ms.
        for (int step = 1; step <= 4; ++step) {
            QVERIFY(repeat.tick());
            QCOMPARE(edited.count(), before + step);
        }
        // The release over the button is a click: exactly one more step, and
        // the repeat timer is gone.
        QTest::mouseRelease(edit->upButton(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(edited.count(), before + 5);
        QVERIFY(repeat.running().isEmpty());
        QCOMPARE(edit->time(), QTime(0, 0, before + 5));
    }
}

void TestEdits::pressDirectionComesFromTheSender()
{
    QWidget page;
    QJXTimeEdit *edit = makeTimeEdit(&page);
    edit->setTime(QTime(0, 0, 30));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    edit->setCurrentSection(QDateTimeEdit::SecondSection);
    QTest::mouseClick(edit->upButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(edit->time(), QTime(0, 0, 31));
    RepeatTicks repeat(edit);
    QTest::mousePress(edit->downButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(repeat.tick(8));
    QCOMPARE(edit->time(), QTime(0, 0, 29));
    // Left to the editor's own timer, the held arrow goes on stepping down.
    QTRY_VERIFY_WITH_TIMEOUT(edit->time() < QTime(0, 0, 29), 10000);
    QTest::mouseRelease(edit->downButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(repeat.running().isEmpty());
}

void TestEdits::buttonsPlacedByMargins()
{
    QWidget page;
    QJXTimeEdit *edit = makeTimeEdit(&page);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(edit->upButton()->size(), QSize(9, 5));
    QCOMPARE(edit->upButton()->pos(), QPoint(51, 0));
    QCOMPARE(edit->downButton()->geometry().left(), 51);
    QCOMPARE(edit->downButton()->geometry().bottom(), 21);

    QJXTimeEdit *stretched = new QJXTimeEdit(&page);
    stretched->setBackgroundImage(m_bg);
    stretched->setUpAndDownBtnImage(m_up, m_down, false);
    stretched->setBtnMargins(40, 1, 1, 1);
    stretched->resize(60, 22);
    stretched->show();
    stretched->resetBtnLocation();
    QCOMPARE(stretched->upButton()->geometry(), QRect(40, 1, 19, 10));
    QCOMPARE(stretched->downButton()->geometry(), QRect(40, 11, 19, 10));
}

void TestEdits::computedButtonEdgeFollowsTheWidth()
{
    QWidget page;
    QJXTimeEdit *edit = makeTimeEdit(&page);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(edit->upButton()->x(), 51);
    edit->resize(100, 22);
    QCOMPARE(edit->upButton()->x(), 91);
    QCOMPARE(edit->downButton()->x(), 91);
    // An explicit edge stays where it was put.
    edit->setBtnMargins(30, 0, 0, 0);
    edit->resize(120, 22);
    QCOMPARE(edit->upButton()->x(), 30);
}

void TestEdits::everyStepReportsTheWholeText()
{
    QJXTimeEdit edit;
    edit.setDisplayFormat(QStringLiteral("hh:mm:ss"));
    edit.setCurrentSection(QDateTimeEdit::SecondSection);
    QSignalSpy edited(&edit, SIGNAL(emitTimeEdited(QString)));
    edit.stepUp();
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.last().at(0).toString(), QStringLiteral("00:00:01"));
    edit.setCurrentSection(QDateTimeEdit::MinuteSection);
    edit.stepBy(5);
    QCOMPARE(edited.last().at(0).toString(), QStringLiteral("00:05:01"));
    edit.show();
    edit.setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edited.last().at(0).toString(), QStringLiteral("01:05:01"));
}

void TestEdits::missingUpImageLeavesPlainEditor()
{
    QJXTimeEdit edit;
    edit.setUpAndDownBtnImage(m_art->path(QStringLiteral("missing.png")), m_down, true);
    QVERIFY(!edit.upButton());
    QVERIFY(!edit.downButton());
    edit.resize(80, 22);
    grabImage(&edit);
    edit.setUpAndDownBtnImage(m_up, m_down, true);
    QVERIFY(edit.upButton());
}

void TestEdits::spinBoxArrowsStep()
{
    QWidget page;
    QJXDoubleSpinBox spin(&page);
    spin.setRange(0, 10);
    spin.setSingleStep(0.5);
    spin.setBackgroundImage(m_bg);
    QVERIFY(spin.styleSheet().startsWith(QStringLiteral("QDoubleSpinBox")));
    spin.setUpAndDownBtnImage(m_up, m_down, true);
    spin.resize(60, 22);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(spin.upButton()->pos(), QPoint(51, 0));
    QTest::mouseClick(spin.upButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(spin.value(), 0.5);
    // Held for nine ticks: three repeated steps, then the release's click.
    RepeatTicks repeat(&spin);
    QTest::mousePress(spin.upButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(repeat.tick(9));
    QCOMPARE(spin.value(), 2.0);
    QTest::mouseRelease(spin.upButton(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(spin.value(), 2.5);
    QVERIFY(repeat.running().isEmpty());
}

QTEST_MAIN(TestEdits)
#include "tst_edits.moc"
