// The check header: its box follows the rows' check summary and checks or
// clears every visible row; pictures, sort flags and unsortable columns. Ends
// with a screenshot of a whole table in the program's look.

#include "viewfixtures.h"

#include "artmanifest.h"
#include "artpainter.h"
#include "testsupport.h"

#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qcheckheaderview.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxcontrolstyledelegate.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/qjxtableview.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace ViewFixtures;

namespace {
QString resource(const QString &path)
{
    return qEnvironmentVariable("VELMORA_RESOURCES") + path;
}

// A table with a check header wired as the screens wire it.
struct CheckedTable
{
    CheckedTable()
    {
        for (const char *title : {"beta.mp3", "alpha.wav", "gamma.m4a"})
            items.add(title);
        model.setDatas(&items.vector);
        model.setHeaderList({"Name", "Format", "Size"});
        sort.setSourceModel(&model);
        header = new QCheckHeaderView(Qt::Horizontal, &view);
        header->setTristate(true);
        view.setHorizontalHeader(header);
        view.setModel(&sort);
        view.setItemDelegate(&delegate);
        view.setSourceModel(&model);
        view.setSortModel(&sort);
        view.setStyleDelegate(&delegate);
        delegate.setCheckInColumn(0);
        delegate.setCheckboxImage(resource("/image/common/btn_check_off.png"), QString(),
                                  resource("/image/common/btn_check_on.png"));
        header->setCheckImage(resource("/image/common/btn_check_off.png"),
                              resource("/image/common/btn_check_on.png"), QString());
        QObject::connect(header, &QCheckHeaderView::checkChange, &sort,
                         QOverload<bool>::of(&QJXBaseSortModel::setAllItemCheck));
        QObject::connect(&sort, &QJXBaseSortModel::itemCheckChange, header,
                         &QCheckHeaderView::OnStateChanged);
        QObject::connect(&delegate, &QJXBaseStyleDelegate::emitCheckStateChange, &sort,
                         &QJXBaseSortModel::itemCheckStateChanged);
        view.resize(420, 160);
        view.setColumnWidth(0, 160);
        view.setColumnWidth(1, 120);
        view.show();
    }
    QPoint rowBox(int row) const
    {
        const QRect cell = view.visualRect(sort.index(row, 0));
        return QPoint(cell.left() + 5 + delegate.checkboxWidth() / 2, cell.center().y());
    }
    void clickRowBox(int row)
    {
        sendPress(view.viewport(), rowBox(row));
        sendRelease(view.viewport(), rowBox(row));
    }
    QPoint sectionCentre(int section) const
    {
        return QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                      header->height() / 2);
    }

    ItemList items;
    TitleModel model;
    QJXBaseSortModel sort;
    QJXTableView view;
    QJXControlStyleDelegate delegate;
    QCheckHeaderView *header;
};

// Pictures drawn by the program's art painter from a manifest written here.
bool renderArt(const QString &folder, const QString &manifestText, QString *error)
{
    ArtManifest manifest;
    const QString glyphs = qEnvironmentVariable("VELMORA_SOURCE_DIR") + "/resources/art/glyphs.manifest";
    if (!manifest.load({glyphs}, error) || !manifest.parseText(manifestText, "test", error)
        || !manifest.checkReferences(error))
        return false;
    ArtPainter painter(manifest);
    for (const ArtEntry &entry : manifest.entries()) {
        const QImage image = painter.render(entry, error);
        const QString target = folder + entry.path;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (image.isNull() || !image.save(target))
            return false;
    }
    return true;
}
} // namespace

class TestHeader : public QObject
{
    Q_OBJECT
private slots:
    void boxStates();
    void headerFollowsTheRowSummary();
    void headerChecksOnlyVisibleRows();
    void plainHeaderStillPlacesTheBox();
    void picturesAndSortFlags();
    void unsortableColumns();
    void screenshotOfATable();
};

void TestHeader::boxStates()
{
    QCheckHeaderView header(Qt::Horizontal);
    QVERIFY(header.getCheckVisable());
    header.setCheckVisable(false);
    QVERIFY(!header.getCheckVisable());
    header.setCheckVisable(true);
    QVERIFY(header.checkboxEnable());

    header.OnStateChanged(1);
    QCOMPARE(header.getCheckState(), Qt::Unchecked); // not tri-state
    header.OnStateChanged(2);
    QCOMPARE(header.getCheckState(), Qt::Checked);
    header.setTristate(true);
    QVERIFY(header.isTristate());
    header.OnStateChanged(1);
    QCOMPARE(header.getCheckState(), Qt::PartiallyChecked);
    header.OnStateChanged(0);
    QCOMPARE(header.getCheckState(), Qt::Unchecked);
    header.OnStateChanged(7);
    QCOMPARE(header.getCheckState(), Qt::Checked);

    // Clicking a partial box makes it checked and says so.
    QSignalSpy changes(&header, &QCheckHeaderView::checkChange);
    header.OnStateChanged(1);
    header.checkBox()->resize(20, 20);
    QTest::mouseClick(header.checkBox(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(header.getCheckState(), Qt::Checked);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toBool(), true);
    QTest::mouseClick(header.checkBox(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(header.getCheckState(), Qt::Unchecked);
    QCOMPARE(changes.at(1).at(0).toBool(), false);
}

void TestHeader::headerFollowsTheRowSummary()
{
    CheckedTable table;
    QVERIFY(QTest::qWaitForWindowExposed(&table.view));
    QCOMPARE(table.header->getCheckState(), Qt::Unchecked);

    table.clickRowBox(0);
    QCOMPARE(table.header->getCheckState(), Qt::PartiallyChecked);
    table.clickRowBox(1);
    QCOMPARE(table.header->getCheckState(), Qt::PartiallyChecked);
    table.clickRowBox(2);
    QCOMPARE(table.header->getCheckState(), Qt::Checked);
    table.clickRowBox(1);
    QCOMPARE(table.header->getCheckState(), Qt::PartiallyChecked);
    QCOMPARE(table.sort.itemAt(table.sort.index(1, 0))->GetCheck(), 0);

    // The header's box checks every row, then clears them all.
    QTest::mouseClick(table.header->checkBox(), Qt::LeftButton);
    QCOMPARE(table.header->getCheckState(), Qt::Checked);
    for (IBaseChunk *item : table.items.vector)
        QCOMPARE(item->GetCheck(), 2);
    QTest::mouseClick(table.header->checkBox(), Qt::LeftButton);
    QCOMPARE(table.header->getCheckState(), Qt::Unchecked);
    for (IBaseChunk *item : table.items.vector)
        QCOMPARE(item->GetCheck(), 0);
}

void TestHeader::headerChecksOnlyVisibleRows()
{
    CheckedTable table;
    QVERIFY(QTest::qWaitForWindowExposed(&table.view));
    table.sort.setFilterRegExp(QRegExp("mp3|m4a")); // beta.mp3 and gamma.m4a
    QCOMPARE(table.sort.rowCount(), 2);
    QTest::mouseClick(table.header->checkBox(), Qt::LeftButton);
    QCOMPARE(table.items.vector[0]->GetCheck(), 2);
    QCOMPARE(table.items.vector[1]->GetCheck(), 0); // alpha.wav is hidden
    QCOMPARE(table.items.vector[2]->GetCheck(), 2);
    QCOMPARE(table.sort.getItemChangeState(), 2);
    // Showing every row again re-announces the summary: now some are checked.
    table.sort.setFilterRegExp(QRegExp());
    QCOMPARE(table.header->getCheckState(), Qt::PartiallyChecked);
}

void TestHeader::plainHeaderStillPlacesTheBox()
{
    CheckedTable table;
    QVERIFY(!table.header->setBackgroundImage(resource("/image/missing/header.png")));
    table.header->setCheckInColumn(1);
    table.header->setCheckPos(7, -1);
    QVERIFY(QTest::qWaitForWindowExposed(&table.view));
    table.header->viewport()->repaint();
    QCOMPARE(table.header->checkBox()->x(), table.header->sectionViewportPosition(1) + 7);
    QCOMPARE(table.header->checkBox()->y(),
             (table.header->height() - table.header->checkBox()->height()) / 2);
    table.header->setCheckPos(3, 2);
    table.header->viewport()->repaint();
    QCOMPARE(table.header->checkBox()->pos(),
             QPoint(table.header->sectionViewportPosition(1) + 3, 2));
}

void TestHeader::picturesAndSortFlags()
{
    QTemporaryDir dir;
    const QColor plain(60, 60, 60), pressed(220, 120, 40), separator(250, 250, 250);
    const QColor flagTop(255, 0, 0), flagBottom(0, 0, 255);
    CheckedTable table;
    table.header->setCheckVisable(false);
    QVERIFY(table.header->setBackgroundImage(writeSolid(dir.path(), "bg.png", {20, 60}, plain)));
    QCOMPARE(table.header->height(), 30);
    QVERIFY(table.header->setSelBackgroundImage(writeSolid(dir.path(), "sel.png", {20, 60}, pressed)));
    QVERIFY(table.header->setSlipImage(writeSolid(dir.path(), "slip.png", {2, 40}, separator)));
    QImage flag(16, 16, QImage::Format_ARGB32);
    flag.fill(flagTop);
    QPainter(&flag).fillRect(0, 8, 16, 8, flagBottom);
    QVERIFY(flag.save(dir.filePath("flag.png")));
    QVERIFY(table.header->setOrderFlagsImage(dir.filePath("flag.png")));
    QVERIFY(!table.header->setOrderFlagsImage(dir.filePath("none.png")));
    QVERIFY(table.header->setOrderFlagsImage(dir.filePath("flag.png")));
    QVERIFY(!table.header->setSlipImage(dir.filePath("none.png")));
    QVERIFY(table.header->setSlipImage(dir.filePath("slip.png")));
    QVERIFY(QTest::qWaitForWindowExposed(&table.view));

    QWidget *viewport = table.header->viewport();
    const int right1 = table.header->sectionViewportPosition(1) + table.header->sectionSize(1) - 1;
    const int middle = table.header->height() / 2;
    QVERIFY(near(pixelAt(viewport, QPoint(right1 - 40, middle)), plain));
    // The separator: one logical pixel wide at the section's right edge.
    QVERIFY(near(pixelAt(viewport, QPoint(right1, middle)), separator));
    QVERIFY(!near(pixelAt(viewport, QPoint(right1 - 1, middle)), separator));

    // Sorting by column 1 shows the flag 3 pixels inside the right edge,
    // 8 x 8 logical, the right way up for ascending order.
    table.view.sortByColumn(1, Qt::AscendingOrder);
    const QPoint flagTopPixel(right1 - 3 - 4, middle - 3);
    const QPoint flagBottomPixel(right1 - 3 - 4, middle + 2);
    QVERIFY(near(pixelAt(viewport, flagTopPixel), flagTop));
    QVERIFY(near(pixelAt(viewport, flagBottomPixel), flagBottom));
    QVERIFY(!near(pixelAt(viewport, QPoint(right1 - 2, middle - 3)), flagTop));
    table.view.sortByColumn(1, Qt::DescendingOrder);
    QVERIFY(near(pixelAt(viewport, flagTopPixel), flagBottom));
    QVERIFY(near(pixelAt(viewport, flagBottomPixel), flagTop));

    // The pressed section shows the selected background until the release.
    const QPoint section2 = table.sectionCentre(2);
    // Right of the text "Size", left of the separator.
    const QPoint section2Plain(table.header->sectionViewportPosition(2) + table.header->sectionSize(2) - 20,
                               middle);
    sendPress(viewport, section2);
    QVERIFY(near(pixelAt(viewport, section2Plain), pressed));
    QVERIFY(near(pixelAt(viewport, QPoint(right1 - 40, middle)), plain));
    sendRelease(viewport, section2);
    QVERIFY(near(pixelAt(viewport, section2Plain), plain));
}

void TestHeader::unsortableColumns()
{
    CheckedTable table;
    QVERIFY(QTest::qWaitForWindowExposed(&table.view));
    qRegisterMetaType<Qt::SortOrder>();
    QSignalSpy sorted(&table.sort, &QJXBaseSortModel::emitSort);
    table.header->setSortEnable(2, false);
    table.header->setSortEnable(2, false);
    QVERIFY(!table.header->sortEnable(2));
    QVERIFY(table.header->sortEnable(0));
    QWidget *viewport = table.header->viewport();

    const int before = sorted.count();
    sendMove(viewport, table.sectionCentre(2));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, table.sectionCentre(2));
    QCOMPARE(sorted.count(), before);
    QVERIFY(table.header->sortIndicatorSection() != 2);

    sendMove(viewport, table.sectionCentre(0));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, table.sectionCentre(0));
    QCOMPARE(table.header->sortIndicatorSection(), 0);
    QCOMPARE(sorted.count(), before + 1);
    QCOMPARE(table.sort.index(0, 0).data().toString(), QString("alpha.wav"));

    // A press with no move before it does not sort either.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, table.sectionCentre(2));
    QCOMPARE(table.header->sortIndicatorSection(), 0);
    table.header->setSortEnable(2, true);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, table.sectionCentre(2));
    QCOMPARE(table.header->sortIndicatorSection(), 2);
}

void TestHeader::screenshotOfATable()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY2(renderArt(dir.path(),
                       "/play.png    strip 20x20 palette=title shape=circle glyph=play scale=0.5\n"
                       "/pause.png   strip 20x20 palette=accent shape=circle glyph=pause scale=0.5\n"
                       "/edit.png    strip 20x20 palette=ghost shape=round glyph=edit scale=0.65\n"
                       "/delete.png  strip 20x20 palette=ghost shape=round glyph=delete scale=0.65\n"
                       "/header.png  fill 40x26 color=#3a3838 color2=#2f2d2d direction=v\n"
                       "/pressed.png fill 40x26 color=#4a4646 color2=#3a3838 direction=v\n"
                       "/slip.png    fill 1x16 color=#5a5656\n"
                       "/order.png   icon 8x8 glyph=arrow_up ink=#ff8441 scale=1\n",
                       &error),
             qPrintable(error));

    ItemList items;
    TitleModel model;
    QJXBaseSortModel sort;
    for (const char *title : {"REC_20261207091500123.mp3", "Morning show.m4a", "Interview (2).wav",
                              "REC_20261206221012004.flac", "Removed file.mp3"})
        items.add(title);
    items.vector[4]->setIsDeleted(true);
    items.vector[1]->SetCheck(2);
    items.vector[3]->SetCheck(2);
    model.setDatas(&items.vector);
    model.setHeaderList({"Name", "", "Operation"});
    sort.setSourceModel(&model);
    for (auto *attributes : std::initializer_list<QJXViewModelDrawAttribute *>{&model, &sort}) {
        attributes->setItemBgColor(QColor(44, 44, 44), QColor(44, 44, 44));
        attributes->setHoverBgColor(QColor(52, 52, 52), QColor(250, 237, 237));
        attributes->setItemTextColor(QColor(250, 237, 237), QColor(250, 237, 237));
    }

    QJXTableView view;
    auto *header = new QCheckHeaderView(Qt::Horizontal, &view);
    header->setTristate(true);
    header->setBackgroundImage(dir.path() + "/header.png");
    header->setSelBackgroundImage(dir.path() + "/pressed.png");
    header->setSlipImage(dir.path() + "/slip.png");
    header->setOrderFlagsImage(dir.path() + "/order.png");
    header->setTextColor(QColor(250, 237, 237));
    header->setCheckImage(resource("/image/common/btn_check_off.png"),
                          resource("/image/common/btn_check_on.png"), QString());
    header->setSortEnable(1, false);
    header->setSortEnable(2, false);
    view.setHorizontalHeader(header);
    view.setModel(&sort);
    QJXControlStyleDelegate delegate;
    delegate.setSelectedBackgroundColor(QColor(255, 132, 65));
    delegate.setSelectedTextColor(QColor(44, 44, 44));
    delegate.setBottomLineColor(QColor(34, 34, 34));
    delegate.setCheckInColumn(0);
    delegate.setCheckboxImage(resource("/image/common/btn_check_off.png"), QString(),
                              resource("/image/common/btn_check_on.png"));
    view.setItemDelegate(&delegate);
    view.setSourceModel(&model);
    view.setSortModel(&sort);
    view.setStyleDelegate(&delegate);
    QObject::connect(&sort, &QJXBaseSortModel::itemCheckChange, header, &QCheckHeaderView::OnStateChanged);

    QJXStyleButton play, pause, edit, remove;
    QVERIFY(play.setButtonImage(dir.path() + "/play.png"));
    QVERIFY(pause.setButtonImage(dir.path() + "/pause.png"));
    QVERIFY(edit.setButtonImage(dir.path() + "/edit.png"));
    QVERIFY(remove.setButtonImage(dir.path() + "/delete.png"));
    QDelegateControl state(1), operate(2);
    state.addButton(&play);
    state.addButton(&pause);
    state.setHoverShow(false);
    operate.addButton(&edit);
    operate.addButton(&remove);
    operate.setDrawSpacing(12);
    operate.setHoverShow(false);
    delegate.addButtonWidget(&state);
    delegate.addButtonWidget(&operate);
    for (IBaseChunk *item : items.vector) {
        for (QJXStyleButton *button : {&play, &pause, &edit, &remove})
            item->getChunkControl()->addControl(button, controlTypeButton);
        // One of play and pause shows on each row.
        item->getChunkControl()->getControlAttribute(&pause)->hidden = true;
    }
    items.vector[0]->getChunkControl()->getControlAttribute(&play)->hidden = true;
    items.vector[0]->getChunkControl()->getControlAttribute(&pause)->hidden = false;
    items.vector[4]->setColumnEnable(1, false);
    items.vector[4]->setColumnEnable(2, false);

    view.resize(520, 190);
    view.setColumnWidth(0, 300);
    view.setColumnWidth(1, 60);
    view.sortByColumn(0, Qt::AscendingOrder);
    sort.refreshCheckState();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.selectRow(2);
    sendMove(view.viewport(), view.visualRect(sort.index(1, 2)).center() + QPoint(-16, 0));
    QCOMPARE(header->getCheckState(), Qt::PartiallyChecked);

    const QString path = TestSupport::saveScreenshot(&view, "views_table_check_header");
    QVERIFY(!path.isEmpty());
    QVERIFY(QFileInfo(path).size() > 0);
}

QTEST_MAIN(TestHeader)
#include "tst_header.moc"
