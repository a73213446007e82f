// The table view with its delegates: in-cell buttons placed, painted by state
// and clicked through real mouse events; the check column; hover rows, tool
// tips and keys.

#include "viewfixtures.h"

#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxcontrolstyledelegate.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/qjxstyleprogress.h"
#include "widgetkit/views/qjxtableview.h"

#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

using namespace ViewFixtures;

namespace {
const QColor kNormal = kFrameColours[0];
const QColor kHover = kFrameColours[1];
const QColor kPressed = kFrameColours[2];
const QColor kDisabled = kFrameColours[3];

// A table as a screen builds it: three columns, check box in column 0, a
// group of two buttons (20 and 24 wide, spacing 4) in column 1.
struct TableScreen
{
    explicit TableScreen(QJXBaseStyleDelegate *styleDelegate, int rows = 3)
        : delegate(styleDelegate)
    {
        for (int row = 0; row < rows; ++row)
            items.add("row " + std::to_string(row));
        model.setDatas(&items.vector);
        model.setHeaderList({"Name", "Play", "Size"});
        sort.setSourceModel(&model);
        view.setModel(&sort);
        view.setItemDelegate(delegate);
        view.setSourceModel(&model);
        view.setSortModel(&sort);
        view.setStyleDelegate(delegate);
        view.setColumnWidth(0, 120);
        view.setColumnWidth(1, 100);
        view.setColumnWidth(2, 100);
        view.resize(360, 200);

        QVERIFY_RESULT(play.setButtonImage(writeStrip(dir.path(), "play.png", 20, 16)));
        QVERIFY_RESULT(remove.setButtonImage(writeStrip(dir.path(), "remove.png", 24, 16)));
        group.addButton(&play);
        group.addButton(&remove);
        group.setDrawSpacing(4);
        group.setHoverShow(false);
        delegate->addButtonWidget(&group);
        for (IBaseChunk *item : items.vector) {
            item->getChunkControl()->addControl(&play, controlTypeButton);
            item->getChunkControl()->addControl(&remove, controlTypeButton);
        }
        view.show();
    }
    // A QVERIFY usable in a constructor: records the first failure.
    bool QVERIFY_RESULT(bool ok)
    {
        if (!ok)
            setUpOk = false;
        return ok;
    }
    QRect cell(int row, int column) const { return view.visualRect(sort.index(row, column)); }
    // Centre of a control placed at x (from the cell's left) with the given width.
    QPoint at(int row, int x, int width) const
    {
        const QRect c = cell(row, 1);
        return QPoint(c.left() + x + width / 2, c.center().y());
    }
    QColor colourAt(const QPoint &pos) { return pixelAt(view.viewport(), pos); }

    bool setUpOk = true;
    QTemporaryDir dir;
    ItemList items;
    TitleModel model;
    QJXBaseSortModel sort;
    QJXTableView view;
    QJXBaseStyleDelegate *delegate;
    QJXStyleButton play;
    QJXStyleButton remove;
    QDelegateControl group{1};
};
} // namespace

class TestTable : public QObject
{
    Q_OBJECT
private slots:
    void buttonsCentredInTheCell();
    void controlDelegateLeavesOutHiddenControls();
    void stateFramesFollowTheMouse();
    void pressAndReleaseInsideIsOneClick();
    void releaseOutsideOrElsewhereIsNoClick();
    void disabledCellsEmitNoClick();
    void hoverOnlyGroupsAndHoverOnlyControls();
    void groupsAndImages();
    void progressControlShowsTheItemValue();
    void checkColumnAsksForTheOtherState();
    void hoverRowFollowsTheMouse();
    void toolTipAfterItsDelay();
    void returnAndDoubleClick();
};

void TestTable::buttonsCentredInTheCell()
{
    QJXBaseStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(screen.setUpOk);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QCOMPARE(screen.play.size(), QSize(20, 16));
    QCOMPARE(screen.group.allWidgetWidth(), 44);
    // (100 - 48) / 2 = 26, then 26 + 20 + 4 = 50.
    const QRect c = screen.cell(1, 1);
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 26, c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 45, c.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 25, c.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 47, c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 50, c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 73, c.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 74, c.center().y())), kNormal));
    // Vertically centred: (27 - 16) / 2 = 5 rows above the button.
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 30, c.top() + 5)), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 30, c.top() + 4)), kNormal));

    // A button that is not shown keeps its place.
    screen.play.setShow(false);
    screen.view.viewport()->update();
    QVERIFY(!near(screen.colourAt(screen.at(1, 26, 20)), kNormal));
    QVERIFY(near(screen.colourAt(screen.at(1, 50, 24)), kNormal));

    // Right and left alignment.
    screen.play.setShow(true);
    screen.group.setDrawAlignment(Qt::AlignRight);
    screen.view.viewport()->update();
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 52, c.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 51, c.center().y())), kNormal));
    screen.group.setDrawAlignment(Qt::AlignLeft);
    screen.view.viewport()->update();
    QVERIFY(near(screen.colourAt(QPoint(c.left(), c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 24, c.center().y())), kNormal));
}

void TestTable::controlDelegateLeavesOutHiddenControls()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(screen.setUpOk);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    // Both counted: G = 47, (100 - 47) / 2 = 26 as in the base delegate.
    QVERIFY(near(screen.colourAt(screen.at(0, 26, 1)), kNormal));
    QVERIFY(near(screen.colourAt(screen.at(0, 50, 1)), kNormal));

    // Row 1: play hidden on this row only, so remove is centred alone:
    // G = 23, (100 - 23) / 2 = 38.
    screen.items.vector[1]->getChunkControl()->getControlAttribute(&screen.play)->hidden = true;
    screen.view.viewport()->update();
    const QRect c = screen.cell(1, 1);
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 38, c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c.left() + 61, c.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c.left() + 37, c.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(screen.at(0, 26, 1)), kNormal)); // row 0 unchanged

    // An unregistered control takes no place either; none at all draws nothing.
    IBaseChunk *bare = screen.items.add("bare");
    screen.model.refresh();
    const QRect bareCell = screen.cell(3, 1);
    for (int x = 0; x < 100; x += 4)
        QVERIFY(!near(screen.colourAt(QPoint(bareCell.left() + x, bareCell.center().y())), kNormal));
    bare->getChunkControl()->addControl(&screen.remove, controlTypeButton);
    screen.view.viewport()->update();
    QVERIFY(near(screen.colourAt(QPoint(bareCell.left() + 38, bareCell.center().y())), kNormal));

    // A hidden control takes no click: a press and release where it would be.
    QSignalSpy clicks(&screen.play, &QJXStyleButton::emitClickIndex);
    sendPress(screen.view.viewport(), QPoint(c.left() + 30, c.center().y()));
    sendRelease(screen.view.viewport(), QPoint(c.left() + 30, c.center().y()));
    QCOMPARE(clicks.count(), 0);
}

void TestTable::stateFramesFollowTheMouse()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QWidget *viewport = screen.view.viewport();
    const QPoint play = screen.at(0, 26, 20);
    const QPoint remove = screen.at(0, 50, 24);

    sendMove(viewport, play);
    QVERIFY(near(screen.colourAt(play), kHover));
    QVERIFY(near(screen.colourAt(remove), kNormal));
    // The same button object on another row keeps its normal frame.
    QVERIFY(near(screen.colourAt(screen.at(1, 26, 20)), kNormal));
    sendPress(viewport, play);
    QVERIFY(near(screen.colourAt(play), kPressed));
    sendRelease(viewport, play);
    QVERIFY(near(screen.colourAt(play), kHover));
    // Moving off the button, even into a cell without controls, ends the hover.
    sendMove(viewport, screen.cell(0, 2).center());
    QVERIFY(near(screen.colourAt(play), kNormal));
    sendMove(viewport, remove);
    QVERIFY(near(screen.colourAt(remove), kHover));
    sendLeave(viewport);
    QVERIFY(near(screen.colourAt(remove), kNormal));
}

void TestTable::pressAndReleaseInsideIsOneClick()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    screen.sort.sort(0, Qt::DescendingOrder); // row 0 shows the last item
    QSignalSpy playClicks(&screen.play, &QJXStyleButton::emitClickIndex);
    QSignalSpy removeClicks(&screen.remove, &QJXStyleButton::emitClickIndex);
    QSignalSpy delegateClicks(&delegate, &QJXBaseStyleDelegate::clickWidgt);

    const QPoint play = screen.at(0, 26, 20);
    sendPress(screen.view.viewport(), play);
    QCOMPARE(playClicks.count(), 0);
    sendRelease(screen.view.viewport(), play);
    QCOMPARE(playClicks.count(), 1);
    QCOMPARE(delegateClicks.count(), 1);
    QCOMPARE(removeClicks.count(), 0);
    const QModelIndex clicked = playClicks.at(0).at(0).value<QModelIndex>();
    QCOMPARE(clicked, screen.sort.index(0, 1));
    QCOMPARE(screen.sort.itemAt(clicked), screen.items.vector[2]);

    sendPress(screen.view.viewport(), screen.at(2, 50, 24));
    sendRelease(screen.view.viewport(), screen.at(2, 50, 24));
    QCOMPARE(removeClicks.count(), 1);
    QCOMPARE(screen.sort.itemAt(removeClicks.at(0).at(0).value<QModelIndex>()), screen.items.vector[0]);
    QCOMPARE(playClicks.count(), 1);
}

void TestTable::releaseOutsideOrElsewhereIsNoClick()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QSignalSpy playClicks(&screen.play, &QJXStyleButton::emitClickIndex);
    QSignalSpy removeClicks(&screen.remove, &QJXStyleButton::emitClickIndex);
    QSignalSpy delegateClicks(&delegate, &QJXBaseStyleDelegate::clickWidgt);
    QWidget *viewport = screen.view.viewport();

    // Press inside, release beside the button in the same cell.
    sendPress(viewport, screen.at(0, 26, 20));
    sendRelease(viewport, screen.at(0, 0, 10));
    // Press on one row's button, release on the same button of another row.
    sendPress(viewport, screen.at(0, 26, 20));
    sendRelease(viewport, screen.at(1, 26, 20));
    // Press on one button, release on its neighbour.
    sendPress(viewport, screen.at(1, 26, 20));
    sendRelease(viewport, screen.at(1, 50, 24));
    // A release alone, after a press elsewhere in the table.
    sendPress(viewport, screen.cell(2, 2).center());
    sendRelease(viewport, screen.at(2, 50, 24));
    QCOMPARE(playClicks.count(), 0);
    QCOMPARE(removeClicks.count(), 0);
    QCOMPARE(delegateClicks.count(), 0);
}

void TestTable::disabledCellsEmitNoClick()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QSignalSpy playClicks(&screen.play, &QJXStyleButton::emitClickIndex);
    QSignalSpy delegateClicks(&delegate, &QJXBaseStyleDelegate::clickWidgt);
    QWidget *viewport = screen.view.viewport();

    // The whole column disabled on row 0: disabled frame even under the mouse.
    screen.items.vector[0]->setColumnEnable(1, false);
    const QPoint play0 = screen.at(0, 26, 20);
    sendMove(viewport, play0);
    QVERIFY(near(screen.colourAt(play0), kDisabled));
    QVERIFY(near(screen.colourAt(screen.at(0, 50, 24)), kDisabled));
    sendPress(viewport, play0);
    QVERIFY(near(screen.colourAt(play0), kDisabled));
    sendRelease(viewport, play0);

    // One control disabled on row 1; its neighbour still works.
    screen.items.vector[1]->getChunkControl()->getControlAttribute(&screen.play)->enabled = false;
    const QPoint play1 = screen.at(1, 26, 20);
    QVERIFY(near(screen.colourAt(play1), kDisabled));
    sendPress(viewport, play1);
    sendRelease(viewport, play1);
    QCOMPARE(playClicks.count(), 0);
    QCOMPARE(delegateClicks.count(), 0);

    QSignalSpy removeClicks(&screen.remove, &QJXStyleButton::emitClickIndex);
    sendPress(viewport, screen.at(1, 50, 24));
    sendRelease(viewport, screen.at(1, 50, 24));
    QCOMPARE(removeClicks.count(), 1);
    QCOMPARE(delegateClicks.count(), 1);

    // The base delegate honours the column too.
    QJXBaseStyleDelegate base;
    TableScreen plain(&base);
    QVERIFY(QTest::qWaitForWindowExposed(&plain.view));
    plain.items.vector[2]->setColumnEnable(1, false);
    QSignalSpy baseClicks(&base, &QJXBaseStyleDelegate::clickWidgt);
    QSignalSpy basePlay(&plain.play, &QJXStyleButton::emitClickIndex);
    sendPress(plain.view.viewport(), plain.at(2, 26, 20));
    sendRelease(plain.view.viewport(), plain.at(2, 26, 20));
    QCOMPARE(baseClicks.count(), 0);
    QCOMPARE(basePlay.count(), 0);
    QVERIFY(near(plain.colourAt(plain.at(2, 26, 20)), kDisabled));
}

void TestTable::hoverOnlyGroupsAndHoverOnlyControls()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QWidget *viewport = screen.view.viewport();
    screen.group.setHoverShow(true);
    viewport->update();
    QVERIFY(!near(screen.colourAt(screen.at(1, 26, 20)), kNormal));

    sendMove(viewport, screen.cell(1, 2).center());
    QCOMPARE(delegate.hoverRow(), 1);
    QVERIFY(near(screen.colourAt(screen.at(1, 26, 20)), kNormal));
    QVERIFY(!near(screen.colourAt(screen.at(0, 26, 20)), kNormal));

    // A press on the group's place on another row reaches the base class:
    // the row is selected, no button is pressed.
    QSignalSpy clicks(&screen.play, &QJXStyleButton::emitClickIndex);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, screen.at(2, 26, 20));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(screen.view.currentIndex().row(), 2);

    // A hover-only control counts in the width but takes no place off the
    // hover row: with play hover-only, off row 0 remove moves to the start
    // of the group, (100 - 47) / 2 = 26.
    screen.group.setHoverShow(false);
    for (IBaseChunk *item : screen.items.vector)
        item->getChunkControl()->getControlAttribute(&screen.play)->hoverOnly = true;
    sendMove(viewport, screen.cell(1, 2).center());
    const QRect c0 = screen.cell(0, 1);
    QVERIFY(near(screen.colourAt(QPoint(c0.left() + 26, c0.center().y())), kNormal));
    QVERIFY(near(screen.colourAt(QPoint(c0.left() + 49, c0.center().y())), kNormal));
    QVERIFY(!near(screen.colourAt(QPoint(c0.left() + 50, c0.center().y())), kNormal));
    // On the hover row both show at their places.
    QVERIFY(near(screen.colourAt(screen.at(1, 26, 20)), kNormal));
    QVERIFY(near(screen.colourAt(screen.at(1, 50, 24)), kNormal));
}

void TestTable::groupsAndImages()
{
    QJXBaseStyleDelegate delegate;
    QVERIFY(!delegate.addButtonWidget(nullptr));
    QDelegateControl first(2), second(2);
    QVERIFY(delegate.addButtonWidget(&first));
    QCOMPARE(delegate.controlOfColumn(2), &first);
    QVERIFY(delegate.addButtonWidget(&second));
    QCOMPARE(delegate.controlOfColumn(2), &second);

    QTemporaryDir dir;
    QJXStyleButton button;
    QVERIFY(button.setButtonImage(writeStrip(dir.path(), "a.png", 30, 12)));
    QCOMPARE(button.size(), QSize(30, 12));
    const QImage before = button.normalImage();
    QVERIFY(!button.setButtonImage(dir.filePath("missing.png")));
    QCOMPARE(button.size(), QSize(30, 12));
    QCOMPARE(button.normalImage(), before);
    // Without its own selected strip, the selected row uses the normal one.
    QCOMPARE(button.selectedImage(), before);
    QVERIFY(!button.isVisible());

    QDelegateControl group(0);
    group.addButton(&button);
    QCOMPARE(group.allWidgetWidth(), 30);
    QVERIFY(button.setButtonImage(writeStrip(dir.path(), "b.png", 10, 10)));
    QCOMPARE(group.allWidgetWidth(), 30);
    group.refreshAllWidgetWidth();
    QCOMPARE(group.allWidgetWidth(), 10);
}

void TestTable::progressControlShowsTheItemValue()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QJXStyleProgress bar;
    bar.resize(80, 14);
    bar.setRange(0, 100);
    QDelegateControl progress(2);
    progress.addProgress(&bar);
    progress.setHoverShow(false);
    delegate.addButtonWidget(&progress);
    for (IBaseChunk *item : screen.items.vector)
        item->getChunkControl()->addControl(&bar, controlTypeProgress);
    screen.items.vector[1]->getChunkControl()->getControlAttribute(&bar)->progressValue = 90.4;
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QVERIFY(!bar.isVisible());

    // Left part of the bar: row 1 filled to 90 %, row 0 empty. The rows look
    // alike on the far right and differ at a quarter of the bar.
    auto sample = [&](int row, int fraction) {
        const QRect cell = screen.cell(row, 2);
        const int left = cell.left() + (100 - 80) / 2;
        return screen.colourAt(QPoint(left + 80 * fraction / 100, cell.top() + 9));
    };
    QVERIFY(!near(sample(0, 20), sample(1, 20), 10));
    QVERIFY(near(sample(0, 20), sample(2, 20)));
    // Progress bars take no clicks.
    QSignalSpy clicks(&delegate, &QJXBaseStyleDelegate::clickWidgt);
    sendPress(screen.view.viewport(), screen.cell(1, 2).center());
    sendRelease(screen.view.viewport(), screen.cell(1, 2).center());
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!screen.view.mouseIsInCtrlRect());
}

void TestTable::checkColumnAsksForTheOtherState()
{
    QTemporaryDir dir;
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    delegate.setCheckInColumn(0);
    delegate.setCheckboxImage(writeSolid(dir.path(), "off.png", {24, 24}, QColor(10, 10, 250)),
                              writeSolid(dir.path(), "part.png", {24, 24}, QColor(250, 250, 10)),
                              writeSolid(dir.path(), "on.png", {24, 24}, QColor(10, 250, 250)));
    QCOMPARE(delegate.checkboxWidth(), 12);
    // The receiver sets the state through the sort model, as screens do.
    connect(&delegate, &QJXBaseStyleDelegate::emitCheckStateChange, &screen.sort,
            &QJXBaseSortModel::itemCheckStateChanged);
    QSignalSpy asks(&delegate, &QJXBaseStyleDelegate::emitCheckStateChange);
    QSignalSpy summary(&screen.sort, &QJXBaseSortModel::itemCheckChange);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));

    const QRect c0 = screen.cell(0, 0);
    const QPoint box0(c0.left() + 5 + 6, c0.top() + (c0.height() - 12) / 2 + 6);
    QVERIFY(near(screen.colourAt(box0), QColor(10, 10, 250)));
    sendPress(screen.view.viewport(), box0);
    sendRelease(screen.view.viewport(), box0);
    QCOMPARE(asks.count(), 1);
    QCOMPARE(asks.at(0).at(1).toInt(), 2);
    QCOMPARE(screen.items.vector[0]->GetCheck(), 2);
    QCOMPARE(summary.last().at(0).toInt(), 1);
    QVERIFY(near(screen.colourAt(box0), QColor(10, 250, 250)));

    // A partially checked row asks for 2, a checked one for 0.
    screen.items.vector[1]->SetCheck(1);
    screen.view.viewport()->update();
    const QPoint box1 = box0 + QPoint(0, screen.cell(1, 0).top() - c0.top());
    QVERIFY(near(screen.colourAt(box1), QColor(250, 250, 10)));
    sendPress(screen.view.viewport(), box1);
    QCOMPARE(asks.last().at(1).toInt(), 2);
    sendRelease(screen.view.viewport(), box1);
    sendPress(screen.view.viewport(), box0);
    QCOMPARE(asks.last().at(1).toInt(), 0);
    sendRelease(screen.view.viewport(), box0);
    QCOMPARE(screen.items.vector[0]->GetCheck(), 0);

    // Outside the box (even grown by offsets) a press is not a check.
    const int before = asks.count();
    const QPoint beside(c0.left() + 40, box0.y());
    sendPress(screen.view.viewport(), beside);
    sendRelease(screen.view.viewport(), beside);
    QCOMPARE(asks.count(), before);
    delegate.setCheckboxOffest(0, 0, 30, 0);
    sendPress(screen.view.viewport(), beside);
    QCOMPARE(asks.count(), before + 1);
    sendRelease(screen.view.viewport(), beside);
    delegate.setCheckboxEnable(false);
    sendPress(screen.view.viewport(), box0);
    sendRelease(screen.view.viewport(), box0);
    QCOMPARE(asks.count(), before + 1);
}

void TestTable::hoverRowFollowsTheMouse()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    const QColor hoverBg(52, 52, 52);
    screen.sort.setHoverBgColor(hoverBg, QColor(250, 237, 237));
    QWidget *viewport = screen.view.viewport();
    const QPoint sizeCell1 = screen.cell(1, 2).center() + QPoint(20, 0);

    sendMove(viewport, sizeCell1);
    QCOMPARE(screen.view.hoverRow(), 1);
    QCOMPARE(screen.view.hoverColumn(), 2);
    QCOMPARE(screen.model.hoverRow(), 1);
    QCOMPARE(screen.sort.hoverRow(), 1);
    QCOMPARE(delegate.hoverRow(), 1);
    QVERIFY(near(screen.colourAt(sizeCell1), hoverBg));
    QVERIFY(!near(screen.colourAt(screen.cell(0, 2).center() + QPoint(20, 0)), hoverBg));

    // The view sorted: the hover row is the row as shown.
    screen.sort.sort(0, Qt::DescendingOrder);
    sendMove(viewport, screen.cell(0, 2).center() + QPoint(20, 0));
    QCOMPARE(screen.sort.hoverRow(), 0);
    QVERIFY(near(screen.colourAt(screen.cell(0, 2).center() + QPoint(20, 0)), hoverBg));
    QVERIFY(!near(screen.colourAt(sizeCell1), hoverBg));

    sendLeave(viewport);
    QCOMPARE(screen.view.hoverRow(), -1);
    QCOMPARE(screen.sort.hoverRow(), -1);
    QCOMPARE(screen.model.hoverRow(), -1);
    QCOMPARE(delegate.hoverRow(), -1);
    QVERIFY(!near(screen.colourAt(screen.cell(0, 2).center() + QPoint(20, 0)), hoverBg));
}

void TestTable::toolTipAfterItsDelay()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QWidget *viewport = screen.view.viewport();
    screen.items.vector[2]->SetTitle(std::string());
    // The rest is measured on a clock the test moves; the timer's ticks are
    // delivered here too, so each check sees exactly the time it names.
    qint64 now = 1000;
    screen.view.setToolTipClock([&now] { return now; });
    auto tickAt = [&](qint64 ms) {
        now = ms;
        screen.view.OnToolTipTimer();
    };

    // Never without SetToolTip.
    sendMove(viewport, screen.cell(1, 0).center());
    tickAt(5000);
    QVERIFY(!QToolTip::isVisible());

    screen.view.SetToolTip(true);
    screen.view.SetToolTipShowTime(400);
    sendMove(viewport, screen.cell(0, 0).center());
    tickAt(5400);
    QVERIFY(!QToolTip::isVisible());
    tickAt(5401);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 10000);
    QCOMPARE(QToolTip::text(), QString("row 0"));

    // Once per cell: hidden, it does not come back while the mouse stays.
    QToolTip::hideText();
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 10000);
    tickAt(9000);
    QVERIFY(!QToolTip::isVisible());
    // Another cell of the same text re-arms it.
    sendMove(viewport, screen.cell(1, 0).center());
    tickAt(9401);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 10000);
    QCOMPARE(QToolTip::text(), QString("row 1"));

    // An empty text shows nothing.
    QToolTip::hideText();
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 10000);
    sendMove(viewport, screen.cell(2, 0).center());
    tickAt(9900);
    QVERIFY(!QToolTip::isVisible());
    QCOMPARE(screen.view.showToolTipText(screen.sort.index(1, 0)), QString("row 1"));
    QCOMPARE(screen.view.showToolTipText(QModelIndex()), QString());

    // On the system's clock, the view's own timer shows the tip.
    screen.view.setToolTipClock(nullptr);
    sendMove(viewport, screen.cell(0, 0).center());
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 10000);
    QCOMPARE(QToolTip::text(), QString("row 0"));
}

void TestTable::returnAndDoubleClick()
{
    QJXControlStyleDelegate delegate;
    TableScreen screen(&delegate);
    QVERIFY(QTest::qWaitForWindowExposed(&screen.view));
    QSignalSpy enter(&screen.view, &QJXTableView::emitEnterSelect);
    QSignalSpy current(&screen.view, &QJXTableView::emitCurrentChanged);
    QSignalSpy doubleClicks(&screen.view, &QAbstractItemView::doubleClicked);

    QTest::keyClick(&screen.view, Qt::Key_Return);
    QCOMPARE(enter.count(), 0);
    screen.view.setCurrentIndex(screen.sort.index(1, 0));
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.at(0).at(0).value<QModelIndex>(), screen.sort.index(1, 0));
    QVERIFY(screen.view.selectionModel()->hasSelection());
    QTest::keyClick(&screen.view, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);

    // On a button the double click is swallowed; elsewhere the row opens.
    sendDoubleClick(screen.view.viewport(), screen.at(0, 26, 20));
    QVERIFY(screen.view.mouseIsInCtrlRect());
    QCOMPARE(doubleClicks.count(), 0);
    sendDoubleClick(screen.view.viewport(), screen.cell(0, 2).center());
    QVERIFY(!screen.view.mouseIsInCtrlRect());
    QCOMPARE(doubleClicks.count(), 1);
}

QTEST_MAIN(TestTable)
#include "tst_table.moc"
