// The editor's tab bar on real clicks, and the editor's control styles as
// the pages see them.

#include "editor/qveinitctrlstyle.h"
#include "editor/qvideoedittag.h"
#include "testsupport.h"

#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxscrollbar.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

class TestTabBar : public QObject
{
    Q_OBJECT
private slots:
    void clickingSelectsOnceAndLocksTheSelectedTab();
    void hiddenTabsAreSkipped();
    void emptyTitleListKeepsTheTabs();
    void stylesSizeAndColourControls();
};

namespace {
QStringList titles()
{
    return {"Trim", "Effect", "Tag"};
}
} // namespace

void TestTabBar::clickingSelectsOnceAndLocksTheSelectedTab()
{
    QVideoEditTag bar;
    bar.setBackgroundColor(QColor(31, 31, 31));
    bar.resize(483, 40);
    bar.createTag(titles());
    QSignalSpy selected(&bar, &QVideoEditTag::emitSelectedTag);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));

    bar.setSelectedTag(0);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).toInt(), 0);
    QJXBaseButton *trim = bar.button(0);
    QJXBaseButton *effect = bar.button(1);
    QVERIFY(trim->isChecked());
    QVERIFY(!trim->isEnabled());
    QCOMPARE(trim->currentDrawColor(), QColor(255, 132, 65));

    // The selected tab cannot be clicked again.
    QTest::mouseClick(trim, Qt::LeftButton);
    QCOMPARE(selected.count(), 0);

    QTest::mouseClick(effect, Qt::LeftButton);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).toInt(), 1);
    QCOMPARE(bar.currentIndex(), 1);
    QVERIFY(trim->isEnabled());
    QVERIFY(!trim->isChecked());
    QVERIFY(effect->isChecked());

    // A disabled tab that is not selected takes no click.
    bar.setDisableTag(2, true);
    QTest::mouseClick(bar.button(2), Qt::LeftButton);
    QCOMPARE(selected.count(), 0);
    bar.setDisableTag(2, false);
    bar.setDisableTag(7, true); // outside: nothing
    QVERIFY(bar.button(2)->isEnabled());

    // The bar fills itself and draws its bottom line.
    const QImage shot = bar.grab().toImage();
    QCOMPARE(shot.pixelColor(2, 2), QColor(31, 31, 31));
    QCOMPARE(shot.pixelColor(2 * shot.devicePixelRatio(), shot.height() - 1), QColor(13, 13, 13));
    QVERIFY(!TestSupport::saveScreenshot(&bar, "editor_tabbar").isEmpty());

    // Hiding another tab keeps the clicked one (a file without tags hides the last).
    bar.setHiddenTag(2);
    QCOMPARE(selected.count(), 0);
    QVERIFY(effect->isChecked());
    QCOMPARE(bar.currentIndex(), 1);
}

void TestTabBar::hiddenTabsAreSkipped()
{
    QVideoEditTag bar;
    bar.createTag(titles());
    QSignalSpy selected(&bar, &QVideoEditTag::emitSelectedTag);
    bar.show();

    bar.setHiddenTag(0);
    QCOMPARE(selected.count(), 1); // the current tab went, the next one is selected
    QCOMPARE(selected.takeFirst().at(0).toInt(), 1);
    QCOMPARE(bar.currentIndex(), 1);
    QVERIFY(!bar.button(0)->isVisible());
    QVERIFY(!bar.button(0)->isEnabled());

    bar.setSelectedTag(0); // first visible from 0 is 1, already selected: no signal
    QCOMPARE(bar.currentIndex(), 1);
    QCOMPARE(selected.count(), 0);

    bar.setSelectedTag(2);
    QCOMPARE(selected.takeFirst().at(0).toInt(), 2);
    // Hiding the selected last tab leaves none selected.
    bar.setHiddenTag(2);
    QCOMPARE(bar.currentIndex(), 3);
    QCOMPARE(selected.count(), 0);

    bar.setHiddenTag(-1);
    bar.setHiddenTag(3);
    QCOMPARE(bar.currentIndex(), 3);
}

void TestTabBar::emptyTitleListKeepsTheTabs()
{
    QVideoEditTag bar;
    bar.createTag(titles());
    QJXBaseButton *first = bar.button(0);
    bar.createTag({});
    QCOMPARE(bar.count(), 3);
    QCOMPARE(bar.button(0), first);
    bar.createTag({"One", "Two"});
    QCOMPARE(bar.count(), 2);
    QCOMPARE(bar.button(1)->text(), QString("Two"));
    QCOMPARE(bar.button(1)->height(), 40);
    QCOMPARE(bar.button(1)->font().pixelSize(), 15);
}

void TestTabBar::stylesSizeAndColourControls()
{
    QLabel label;
    label.resize(80, 22);
    QVEInitCtrlStyle::SetLabel(&label, QString(), 12);
    QCOMPARE(label.size(), QSize(0, 22));
    QVEInitCtrlStyle::SetLabel(&label, "Format:", 12);
    QVERIFY(label.width() > 20);
    QCOMPARE(label.font().family(), QString("Tahoma"));
    QCOMPARE(label.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(250, 237, 237));

    QJXBaseButton button;
    QVEInitCtrlStyle::SetJXButton(&button, 70, 28);
    QCOMPARE(button.size(), QSize(70, 28));
    QCOMPARE(button.font().pixelSize(), 12);
    QVERIFY(button.isCustomDraw()); // the picture exists in the resources
    QCOMPARE(button.currentDrawColor(), QColor(255, 132, 65));

    QJXScrollBar bar(Qt::Horizontal, nullptr);
    QVEInitCtrlStyle::SetQJXScrollBar(&bar);
    const QJXScrollBarStyleAttribute a = bar.styleAttribute();
    QCOMPARE(a.grooveColor, QColor(72, 72, 72));
    QVERIFY(a.hoverLookAlways);
    QCOMPARE(a.extraColor3, QColor(69, 68, 68));
    QCOMPARE(a.handleHoverColor, QColor(55, 53, 53));
    QCOMPARE(a.handleMargin, 1);

    QJXComboBox combo;
    QVEInitCtrlStyle::SetQJXComboBox(&combo);
    QCOMPARE(combo.maxVisibleItems(), 16);
    QCOMPARE(combo.font().pixelSize(), 11);

    // Null controls are ignored where the function allows it.
    QVEInitCtrlStyle::SetFont(nullptr, 12);
    QVEInitCtrlStyle::SetLabel(nullptr, "x", 12);
    QVEInitCtrlStyle::InitJXCheckCombox(nullptr);
}

QTEST_MAIN(TestTabBar)
#include "tst_tabbar.moc"
