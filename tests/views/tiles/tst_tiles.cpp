// The icon list delegate and the list view: picture fitting, in-memory
// pictures, tile colours and frames, captions, in-tile buttons and keys.

#include "viewfixtures.h"

#include "widgetkit/views/qbaseiconlistdelegate.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxbasesortmodel.h"
#include "widgetkit/views/qjxlistview.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

using namespace ViewFixtures;

namespace {
const QColor kRed(220, 30, 30), kGreen(30, 200, 30), kBlue(30, 30, 220);
const QColor kImageBg(200, 0, 200);
const QColor kTileBg(35, 35, 35);

// 100 x 100 pixels (50 x 50 logical): red, green and blue bands top to bottom.
QImage bandedPicture()
{
    QImage image(100, 100, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 100, 33, kRed);
    painter.fillRect(0, 33, 100, 34, kGreen);
    painter.fillRect(0, 67, 100, 33, kBlue);
    return image;
}

// Paints one tile of the model's row through the delegate, as a view would.
QImage paintTile(QBaseIconListDelegate &delegate, const QModelIndex &index, const QSize &size,
                 bool selected = false)
{
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QStyleOptionViewItem option;
    option.rect = QRect(QPoint(0, 0), size);
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    QPainter painter(&canvas);
    delegate.paint(&painter, option, index);
    return canvas;
}

int countNear(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixelColor(x, y), colour, 2))
                ++count;
    return count;
}

struct Tiles
{
    Tiles()
    {
        picture = dir.filePath("banded.png");
        bandedPicture().save(picture);
        for (int i = 0; i < 6; ++i)
            items.add(std::string(), picture.toStdString());
        model.tiles = true;
        model.setItemSize(QSize(80, 60));
        model.setDatas(&items.vector);
        model.setHeaderList({"Tile"});
        delegate.setImageBgColor(kImageBg);
    }
    QImage tile(int row, const QSize &size = QSize(200, 60), bool selected = false)
    {
        return paintTile(delegate, model.index(row, 0), size, selected);
    }

    QTemporaryDir dir;
    QString picture;
    ItemList items;
    TitleModel model;
    QBaseIconListDelegate delegate;
};
} // namespace

class TestTiles : public QObject
{
    Q_OBJECT
private slots:
    void fittingArithmetic();
    void fourFittingModes();
    void picturesFromMemoryNeverFromAddressTexts();
    void overlayPicture();
    void backgroundsAndFrames();
    void captionColours();
    void checkBoxOnTiles();
    void buttonsNeedPressAndReleaseOnOneTile();
    void listViewSignals();
    void drawnScrollBarScrollsTheView();
};

void TestTiles::fittingArithmetic()
{
    QRect draw, source;
    // Fill: a square picture in a wide rectangle uses its middle band.
    QBaseIconListDelegate::fitImage(drawPhotoFill, QSize(100, 100), QRect(0, 0, 200, 50), &draw, &source);
    QCOMPARE(draw, QRect(0, 0, 200, 50));
    QCOMPARE(source, QRect(0, 38, 100, 24)); // band 12 logical, 19 from the top
    // A tall rectangle: a band of the full height, centred horizontally.
    QBaseIconListDelegate::fitImage(drawPhotoFill, QSize(100, 100), QRect(10, 10, 20, 80), &draw, &source);
    QCOMPARE(source, QRect(2 * 19, 0, 24, 100));
    // Zero height draws nothing, whatever the mode.
    for (int mode = 0; mode < 4; ++mode) {
        QBaseIconListDelegate::fitImage(mode, QSize(100, 100), QRect(0, 0, 200, 0), &draw, &source);
        QVERIFY(!draw.isValid());
    }
    QBaseIconListDelegate::fitImage(drawPhotoFit, QSize(100, 50), QRect(0, 0, 100, 100), &draw, &source);
    QCOMPARE(draw, QRect(0, 25, 100, 50));
    QBaseIconListDelegate::fitImage(drawPhotoOriginal, QSize(100, 50), QRect(7, 9, 100, 100), &draw, &source);
    QCOMPARE(draw, QRect(7, 9, 50, 25));
    QBaseIconListDelegate::fitImage(9, QSize(100, 50), QRect(0, 0, 100, 100), &draw, &source);
    QVERIFY(!draw.isValid());
}

void TestTiles::fourFittingModes()
{
    Tiles t;
    t.delegate.setImageDrawType(drawPhotoOriginal);
    QImage tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(25, 5), kRed));
    QVERIFY(near(tile.pixelColor(25, 45), kBlue));
    QVERIFY(near(tile.pixelColor(49, 25), kGreen));
    QVERIFY(near(tile.pixelColor(51, 25), kImageBg));
    QVERIFY(near(tile.pixelColor(25, 55), kImageBg));

    t.delegate.setImageDrawType(drawPhotoStretch);
    tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(2, 2), kRed));
    QVERIFY(near(tile.pixelColor(197, 57), kBlue));
    QVERIFY(near(tile.pixelColor(100, 30), kGreen));

    t.delegate.setImageDrawType(drawPhotoFit);
    tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(65, 30), kImageBg));
    QVERIFY(near(tile.pixelColor(135, 30), kImageBg));
    QVERIFY(near(tile.pixelColor(100, 4), kRed));
    QVERIFY(near(tile.pixelColor(100, 56), kBlue));
    QVERIFY(near(tile.pixelColor(72, 30), kGreen));

    t.delegate.setImageDrawType(drawPhotoFill);
    tile = t.tile(0);
    for (const QPoint &p : {QPoint(1, 1), QPoint(198, 1), QPoint(1, 58), QPoint(198, 58), QPoint(100, 30)})
        QVERIFY(near(tile.pixelColor(p), kGreen));
    QCOMPARE(countNear(tile, kRed) + countNear(tile, kBlue), 0);

    // Margins shrink the picture rectangle; a zero-height one draws nothing.
    t.delegate.setImageMargins(0, 30, 0, 30);
    tile = t.tile(0);
    QCOMPARE(countNear(tile, kGreen) + countNear(tile, kImageBg), 0);
    t.delegate.setImageMargins(QMargins(10, 10, 10, 10));
    QCOMPARE(t.delegate.ImageMargins(), QMargins(10, 10, 10, 10));
    t.delegate.setImageDrawType(drawPhotoStretch);
    tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(5, 30), kTileBg));
    QVERIFY(near(tile.pixelColor(12, 12), kRed));

    // Any other mode only fills the picture rectangle.
    t.delegate.setImageDrawType(5);
    tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(100, 30), kImageBg));
    QCOMPARE(countNear(tile, kGreen), 0);
}

void TestTiles::picturesFromMemoryNeverFromAddressTexts()
{
    Tiles t;
    t.delegate.setImageDrawType(drawPhotoStretch);
    // A picture the model keeps in memory travels as an image.
    QImage memory(40, 40, QImage::Format_ARGB32);
    memory.fill(kBlue);
    t.model.memoryImages[1] = memory;
    QVERIFY(near(t.tile(1).pixelColor(100, 30), kBlue));

    // Texts that look like addresses are file paths and nothing else: an
    // address of a live image, a bogus one and zero all draw nothing.
    const quintptr address = reinterpret_cast<quintptr>(&memory);
    t.model.pictureTexts[2] = QStringLiteral("0x%1").arg(address, 0, 16);
    t.model.pictureTexts[3] = QStringLiteral("0x1");
    t.model.pictureTexts[4] = QStringLiteral("0x0");
    for (int row = 2; row <= 4; ++row) {
        const QImage tile = t.tile(row);
        QVERIFY(near(tile.pixelColor(100, 30), kTileBg));
        QCOMPARE(countNear(tile, kBlue) + countNear(tile, kImageBg), 0);
    }
    // A file whose name begins with "0x" still loads.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(t.dir.path()));
    writeSolid(t.dir.path(), "0x2a.png", {20, 20}, kGreen);
    t.model.pictureTexts[5] = QStringLiteral("0x2a.png");
    QVERIFY(near(t.tile(5).pixelColor(100, 30), kGreen));
    QDir::setCurrent(cwd);

    // No picture at all: the tile shows its background only.
    t.model.pictureTexts[0] = QString();
    QVERIFY(near(t.tile(0).pixelColor(100, 30), kTileBg));
    t.model.pictureTexts[0] = t.dir.filePath("missing.png");
    QVERIFY(near(t.tile(0).pixelColor(100, 30), kTileBg));
}

void TestTiles::overlayPicture()
{
    Tiles t;
    t.items.vector[0]->setItemMaskImage(writeSolid(t.dir.path(), "mask.png", {10, 10}, kBlue).toStdString());
    const QImage tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(1, 1), kBlue));
    QVERIFY(near(tile.pixelColor(198, 58), kBlue));
    t.items.vector[0]->setItemMaskImage(t.dir.filePath("none.png").toStdString());
    QVERIFY(near(t.tile(0).pixelColor(1, 1), kImageBg) || near(t.tile(0).pixelColor(1, 1), kTileBg));
}

void TestTiles::backgroundsAndFrames()
{
    Tiles t;
    t.model.pictureTexts[0] = QString();
    const QColor selectedBg(135, 135, 135), frame(0, 0, 255), hoverFrame(250, 200, 0);
    QVERIFY(near(t.tile(0).pixelColor(0, 0), kTileBg));
    QImage tile = t.tile(0, {200, 60}, true);
    QVERIFY(near(tile.pixelColor(0, 0), selectedBg));
    QVERIFY(near(tile.pixelColor(100, 30), selectedBg));

    t.delegate.setFrameWidth(3);
    tile = t.tile(0, {200, 60}, true);
    for (const QPoint &p : {QPoint(100, 0), QPoint(100, 2), QPoint(0, 30), QPoint(199, 30), QPoint(197, 30),
                            QPoint(100, 59), QPoint(100, 57)})
        QVERIFY(near(tile.pixelColor(p), frame));
    QVERIFY(near(tile.pixelColor(100, 3), selectedBg));
    QVERIFY(near(tile.pixelColor(196, 30), selectedBg));
    QVERIFY(near(t.tile(0).pixelColor(0, 0), kTileBg)); // no frame when not selected

    t.delegate.setHoverFrameWidth(2);
    t.delegate.setHoverFrameColor(hoverFrame);
    t.delegate.setHoverRow(0);
    t.model.setHoverRow(0);
    tile = t.tile(0);
    QVERIFY(near(tile.pixelColor(100, 1), hoverFrame));
    QVERIFY(near(tile.pixelColor(100, 2), QColor(51, 51, 51))); // the model's hover background
    QVERIFY(!near(t.tile(0, {200, 60}, true).pixelColor(100, 1), hoverFrame));
    QVERIFY(near(t.tile(1).pixelColor(10, 1), kImageBg)); // row 1 is not hovered
    QCOMPARE(t.delegate.itemBgColor(t.model.index(0, 0)), QColor(51, 51, 51));
    QVERIFY(!t.delegate.itemBgColor(QModelIndex()).isValid());

    // The caption band: a vertical gradient from transparent to opaque black.
    t.model.setHoverRow(-1);
    t.delegate.setHoverRow(-1);
    t.delegate.setSelectedBackgroundColor(QColor(255, 255, 255));
    t.delegate.setTextShadowRect(QRect(0, 40, 200, 20));
    t.delegate.setShadowGradualColor(QColor(0, 0, 0, 0), QColor(0, 0, 0), true);
    tile = t.tile(0, {200, 60}, true);
    QVERIFY(tile.pixelColor(100, 41).lightness() > tile.pixelColor(100, 50).lightness());
    QVERIFY(tile.pixelColor(100, 50).lightness() > tile.pixelColor(100, 59).lightness());
    QVERIFY(near(tile.pixelColor(100, 59), QColor(0, 0, 0), 20));
    QVERIFY(near(tile.pixelColor(100, 20), QColor(255, 255, 255)));
}

void TestTiles::captionColours()
{
    Tiles t;
    t.model.pictureTexts[0] = QString();
    t.items.vector[0]->SetTitle("MMMM");
    QFont font;
    font.setPixelSize(40);
    font.setBold(true);
    t.delegate.setFont(font);
    const QColor selectText(255, 255, 255), normalText(205, 196, 180), deletedText(255, 140, 71);
    t.delegate.setSelectTextColor(selectText);
    QVERIFY(countNear(t.tile(0), normalText) > 100);
    QVERIFY(countNear(t.tile(0, {200, 60}, true), selectText) > 100);
    // A deleted item keeps its own colour even when selected.
    t.items.vector[0]->setIsDeleted(true);
    const QImage tile = t.tile(0, {200, 60}, true);
    QVERIFY(countNear(tile, deletedText) > 100);
    QCOMPARE(countNear(tile, selectText), 0);

    // Elided to the text rectangle: a long caption stays inside the margins.
    t.items.vector[0]->SetTitle(std::string(60, 'M'));
    t.delegate.setDrawTextMargins(20, 1, 20, 1);
    const QImage elided = t.tile(0);
    for (int y = 0; y < 60; ++y) {
        QVERIFY(!near(elided.pixelColor(5, y), deletedText, 40));
        QVERIFY(!near(elided.pixelColor(195, y), deletedText, 40));
    }
}

void TestTiles::checkBoxOnTiles()
{
    Tiles t;
    t.model.pictureTexts[0] = QString();
    t.delegate.setCheckboxImage(writeSolid(t.dir.path(), "off.png", {20, 20}, kRed), QString(),
                                writeSolid(t.dir.path(), "on.png", {20, 20}, kGreen));
    QVERIFY(near(t.tile(0).pixelColor(10, 30), kRed)); // x 5, centred: 5..15, 25..35
    QVERIFY(!near(t.tile(0).pixelColor(16, 30), kRed));
    t.items.vector[0]->SetCheck(1); // no partial picture: nothing drawn
    QVERIFY(!near(t.tile(0).pixelColor(10, 30), kRed));
    QVERIFY(!near(t.tile(0).pixelColor(10, 30), kGreen));
    t.items.vector[0]->SetCheck(2);
    QVERIFY(near(t.tile(0).pixelColor(10, 30), kGreen));
    t.delegate.setCheckboxPos(QPoint(100, 2));
    QVERIFY(near(t.tile(0).pixelColor(105, 7), kGreen));
}

void TestTiles::buttonsNeedPressAndReleaseOnOneTile()
{
    Tiles t;
    QJXListView view;
    QJXBaseSortModel sort;
    sort.setSourceModel(&t.model);
    view.setModel(&sort);
    view.setItemDelegate(&t.delegate);
    view.setSortModel(&sort);
    view.setSourceModel(&t.model);
    view.setStyleDelegate(&t.delegate);
    QJXStyleButton button;
    QVERIFY(button.setButtonImage(writeStrip(t.dir.path(), "b.png", 20, 16)));
    button.setPos(QPoint(50, 4));
    QDelegateControl group(0);
    group.addButton(&button);
    group.setHoverShow(false);
    t.delegate.addButtonWidget(&group);
    t.delegate.setCheckboxImage(writeSolid(t.dir.path(), "off.png", {20, 20}, kRed), QString(),
                                writeSolid(t.dir.path(), "on.png", {20, 20}, kGreen));
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QWidget *viewport = view.viewport();
    auto buttonOf = [&](int row) {
        return view.visualRect(sort.index(row, 0)).topLeft() + QPoint(60, 12);
    };
    QVERIFY(view.visualRect(sort.index(1, 0)).left() > view.visualRect(sort.index(0, 0)).left());
    QSignalSpy clicks(&button, &QJXStyleButton::emitClickIndex);
    QSignalSpy delegateClicks(&t.delegate, &QBaseIconListDelegate::clickWidgt);

    sendMove(viewport, buttonOf(0));
    QVERIFY(near(pixelAt(viewport, buttonOf(0)), kFrameColours[1]));
    QVERIFY(near(pixelAt(viewport, buttonOf(1)), kFrameColours[0]));
    sendPress(viewport, buttonOf(0));
    QVERIFY(near(pixelAt(viewport, buttonOf(0)), kFrameColours[2]));
    sendRelease(viewport, buttonOf(1));
    QCOMPARE(clicks.count(), 0);
    sendPress(viewport, buttonOf(1));
    sendRelease(viewport, buttonOf(1));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(delegateClicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<QModelIndex>(), sort.index(1, 0));

    // Disabled tiles take no click.
    t.items.vector[2]->setColumnEnable(0, false);
    sendPress(viewport, buttonOf(2));
    sendRelease(viewport, buttonOf(2));
    QCOMPARE(clicks.count(), 1);
    QVERIFY(near(pixelAt(viewport, buttonOf(2)), kFrameColours[3]));

    // A double click on the button is swallowed; on the tile it opens it.
    QSignalSpy doubleClicks(&view, &QAbstractItemView::doubleClicked);
    sendDoubleClick(viewport, buttonOf(0));
    QCOMPARE(doubleClicks.count(), 0);
    QCOMPARE(clicks.count(), 2); // its first press and release were a click
    clicks.clear();

    // Hidden controls: nothing drawn, nothing consumed, the press selects.
    t.delegate.setHideCtrl(true);
    viewport->update();
    QVERIFY(!near(pixelAt(viewport, buttonOf(3)), kFrameColours[0]));
    sendPress(viewport, buttonOf(3));
    QVERIFY(!t.delegate.mouseInCtrlRect());
    sendRelease(viewport, buttonOf(3));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(view.currentIndex(), sort.index(3, 0));
    sendDoubleClick(viewport, buttonOf(3));
    QCOMPARE(doubleClicks.count(), 1);

    // A tile whose item hides its controls behaves the same.
    t.delegate.setHideCtrl(false);
    t.items.vector[4]->setControlShow(false);
    sendPress(viewport, buttonOf(4));
    sendRelease(viewport, buttonOf(4));
    QCOMPARE(clicks.count(), 0);

    // The check box on a tile asks for the other state.
    QSignalSpy asks(&t.delegate, &QBaseIconListDelegate::emitCheckStateChange);
    const QRect tile5 = view.visualRect(sort.index(5, 0));
    sendPress(viewport, QPoint(tile5.left() + 10, tile5.center().y()));
    QCOMPARE(asks.count(), 1);
    QCOMPARE(asks.at(0).at(1).toInt(), 2);
}

void TestTiles::listViewSignals()
{
    Tiles t;
    QJXListView view;
    view.setModel(&t.model);
    view.setItemDelegate(&t.delegate);
    view.setSourceModel(&t.model);
    view.setStyleDelegate(&t.delegate);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy enter(&view, &QJXListView::emitEnterSelect);
    QSignalSpy backspace(&view, &QJXListView::emitKeyBackspace);
    QSignalSpy current(&view, &QJXListView::emitCurrentChanged);

    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(enter.count(), 0);
    view.setCurrentIndex(t.model.index(2, 0));
    QCOMPARE(current.count(), 1);
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
    QTest::keyClick(&view, Qt::Key_Backspace);
    QCOMPARE(backspace.count(), 1);

    sendMove(view.viewport(), view.visualRect(t.model.index(1, 0)).center());
    QCOMPARE(view.hoverRow(), 1);
    QCOMPARE(t.model.hoverRow(), 1);
    QCOMPARE(t.delegate.hoverRow(), 1);
    sendLeave(view.viewport());
    QCOMPARE(t.model.hoverRow(), -1);
    QCOMPARE(t.delegate.hoverRow(), -1);

    t.items.vector[1]->SetTitle("Tile one");
    view.SetToolTip(true);
    view.SetToolTipShowTime(200);
    sendMove(view.viewport(), view.visualRect(t.model.index(1, 0)).center());
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 2000);
    QCOMPARE(QToolTip::text(), QString("Tile one"));
}

void TestTiles::drawnScrollBarScrollsTheView()
{
    Tiles t;
    for (int i = 0; i < 60; ++i)
        t.items.add("more", t.picture.toStdString());
    t.model.refresh();
    QJXListView view;
    view.setModel(&t.model);
    view.setItemDelegate(&t.delegate);
    view.setStyleDelegate(&t.delegate);
    auto *bar = new QScrollBar(Qt::Vertical);
    view.setVerticalScrollBar(bar);
    QCOMPARE(view.verticalScrollBar(), bar);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY(bar->maximum() > 0);
    const QModelIndex first = view.indexAt(QPoint(10, 10));
    bar->setValue(bar->maximum());
    QVERIFY(view.indexAt(QPoint(10, 10)) != first);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(view.indexAt(QPoint(10, 10)), first);
}

QTEST_MAIN(TestTiles)
#include "tst_tiles.moc"
