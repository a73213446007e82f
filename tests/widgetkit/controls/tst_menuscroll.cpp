// Menus and scroll bars drawn by their proxy styles: item sizes, arrows,
// check marks, disabled items, shortcuts; scroll-bar handles and arrows.

#include "controlart.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxscrollbar.h"

#include <QActionGroup>
#include <QStyleFactory>
#include <QtTest>

namespace {
const QColor kItem(50, 50, 50);
const QColor kText(250, 237, 237);
const QColor kSelect(255, 132, 65);
const QColor kSelectText(255, 255, 255);
const QColor kDisabledText(131, 127, 127);

void styleDark(QJXMenu &menu)
{
    menu.setFrameColor(QColor(20, 20, 20));
    menu.setAreaColor(kItem);
    menu.setItemColor(kItem);
    menu.setItemTextColor(kText);
    menu.setItemSelectColor(kSelect);
    menu.setItemTextSelectColor(kSelectText);
    menu.setItemTextEabledColor(kDisabledText);
    menu.setItemEabledColor(kItem);
    menu.setFrameWidth(1);
}

QImage render(QMenu &menu)
{
    menu.resize(menu.sizeHint());
    return grabImage(&menu);
}

int countNear(const QImage &image, const QRect &area, const QColor &color, int tolerance = 40)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += near(image.pixelColor(x, y), color, tolerance) ? 1 : 0;
    return n;
}

int countColor(const QImage &image, const QColor &color)
{
    return countNear(image, image.rect(), color, 4);
}
}

class TestMenuScroll : public QObject
{
    Q_OBJECT
private slots:
    void fixedItemSizeForEveryItem();
    void automaticSizesAreTheBaseStyles();
    void subMenuArrowGeometry();
    void radioDotInTextColours();
    void disabledCheckedItemShowsNoMark();
    void shortcutIsDrawnRightOfTheText();
    void subMenusAndColourMixing();

    void emptyRangeHasNoHandle();
    void handleLookNormalAndHover();
    void handleMarginOnlyWhereItFits();
    void arrowImages();
};

void TestMenuScroll::fixedItemSizeForEveryItem()
{
    QJXMenu menu;
    styleDark(menu);
    menu.setItemWidth(80);
    menu.setItemHeight(18);
    QAction *play = menu.addAction(QStringLiteral("Play"));
    QAction *longer = menu.addAction(QStringLiteral("Open the folder that holds this recording"));
    QAction *sub = menu.addMenu(QStringLiteral("Add to list"))->menuAction();
    QCOMPARE(menu.actionGeometry(play).size(), QSize(80, 18));
    QCOMPARE(menu.actionGeometry(longer).size(), QSize(80, 18));
    QCOMPARE(menu.actionGeometry(sub).size(), QSize(80, 18));
    // Items touch the 1-pixel frame: no margins.
    QCOMPARE(menu.actionGeometry(play).topLeft(), QPoint(1, 1));
    QCOMPARE(menu.actionGeometry(longer).top(), 19);
}

void TestMenuScroll::automaticSizesAreTheBaseStyles()
{
    QJXMenu menu;
    QMenu plain;
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    plain.setStyle(fusion);
    const QString text = QStringLiteral("Rename");
    QAction *a = menu.addAction(text);
    QAction *b = plain.addAction(text);
    QCOMPARE(menu.actionGeometry(a).height(), plain.actionGeometry(b).height());
    QCOMPARE(menu.style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu), 3);
    QCOMPARE(menu.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &menu), 15);
    plain.setStyle(nullptr);
    delete fusion;
}

void TestMenuScroll::subMenuArrowGeometry()
{
    QJXMenu menu;
    styleDark(menu);
    menu.setItemWidth(120);
    menu.setItemHeight(24);
    QJXMenu *sub = menu.addMenu(QStringLiteral("Add to list"));
    sub->addAction(QStringLiteral("Favourites"));
    const QImage image = render(menu);
    const QRect r = menu.actionGeometry(sub->menuAction());
    QCOMPARE(r.height(), 24);
    // A 10 x 10 arrow, top 7 below the item's top, right edge 3 inside.
    const QRect arrow(r.right() - 3 - 10 + 1, r.top() + 7, 10, 10);
    QVERIFY(countNear(image, arrow.adjusted(0, 2, -5, -2), kText) > 15);
    QCOMPARE(countNear(image, QRect(arrow.left(), r.top() + 1, 10, 5), kText), 0);
    QCOMPARE(countNear(image, QRect(arrow.right() + 3, r.top(), 2, 24), kText), 0);
    QCOMPARE(countNear(image, QRect(arrow.left(), arrow.bottom() + 3, 10, 3), kText), 0);
}

void TestMenuScroll::radioDotInTextColours()
{
    QJXMenu menu;
    styleDark(menu);
    menu.setItemWidth(120);
    menu.setItemHeight(24);
    auto *group = new QActionGroup(&menu);
    QAction *speakers = menu.addAction(QStringLiteral("System sound"));
    QAction *mic = menu.addAction(QStringLiteral("Microphone"));
    for (QAction *a : {speakers, mic}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    speakers->setChecked(true);
    QImage image = render(menu);
    QRect r = menu.actionGeometry(speakers);
    const int m = (r.top() + r.bottom()) / 2;
    // A 6 x 6 dot at (left + 11, m - 2).
    QVERIFY(near(image.pixelColor(r.left() + 13, m), kText, 30));
    QVERIFY(near(image.pixelColor(r.left() + 8, m), kItem, 10));
    QVERIFY(near(image.pixelColor(r.left() + 13, m - 5), kItem, 10));
    const QRect micRect = menu.actionGeometry(mic);
    const int mm = (micRect.top() + micRect.bottom()) / 2;
    QVERIFY(near(image.pixelColor(micRect.left() + 13, mm), kItem, 10));

    // Highlighted: the selected colours.
    menu.setActiveAction(speakers);
    image = render(menu);
    QVERIFY(near(image.pixelColor(r.left() + 13, m), kSelectText, 30));
    QVERIFY(near(image.pixelColor(r.left() + 8, m), kSelect, 10));
}

void TestMenuScroll::disabledCheckedItemShowsNoMark()
{
    QJXMenu menu;
    styleDark(menu);
    menu.setItemWidth(140);
    menu.setItemHeight(24);
    menu.setItemEabledColor(QColor(70, 70, 70));
    QAction *a = menu.addAction(QStringLiteral("Unavailable"));
    a->setCheckable(true);
    a->setChecked(true);
    a->setEnabled(false);
    const QImage image = render(menu);
    const QRect r = menu.actionGeometry(a);
    const QRect check(r.left() + 7, (r.top() + r.bottom()) / 2 - 6, 14, 14);
    QCOMPARE(countNear(image, check, QColor(70, 70, 70), 3), 14 * 14);
    QVERIFY(countNear(image, r, kDisabledText, 40) > 10);
    QCOMPARE(countNear(image, r, kText, 3), 0);
}

void TestMenuScroll::shortcutIsDrawnRightOfTheText()
{
    QJXMenu menu;
    styleDark(menu);
    menu.setItemHeight(24);
    menu.setItemWidth(-1);
    QAction *play = menu.addAction(QStringLiteral("Play"));
    play->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    // Automatic width needs an explicit height: fix only the height.
    const QImage image = render(menu);
    const QRect r = menu.actionGeometry(play);
    QVERIFY(r.width() > 60);
    const QFontMetrics fm(menu.font());
    const int wordEnd = r.left() + 20 + 7 + fm.horizontalAdvance(QStringLiteral("Play"));
    QVERIFY(countNear(image, QRect(r.left() + 20, r.top(), wordEnd - r.left() - 20, 24), kText) > 5);
    QVERIFY(countNear(image, QRect(wordEnd + 8, r.top(), r.right() - wordEnd - 8, 24), kText) > 5);
}

void TestMenuScroll::subMenusAndColourMixing()
{
    QJXMenu menu;
    styleDark(menu);
    QJXMenu *sub = menu.addMenu(QIcon(), QStringLiteral("More"));
    QCOMPARE(sub->title(), QStringLiteral("More"));
    QCOMPARE(sub->parent(), &menu);
    // Sub-menus start from the default look, not the parent's.
    QCOMPARE(sub->styleAttribute()->itemColor, QColor(225, 225, 225));
    QJXMenuStyleAttribute copy = *menu.styleAttribute();
    sub->setStyleAttribute(&copy);
    QCOMPARE(sub->styleAttribute()->itemColor, kItem);
    sub->InitMenu();
    QCOMPARE(sub->styleAttribute()->itemColor, kItem);
    QCOMPARE(QJXMenuStyle::mergedColors(QColor(200, 100, 0), QColor(0, 100, 201), 50),
             QColor(100, 100, 100));
    ControlArt art;
    menu.setRadioImage(art.path(QStringLiteral("none.png")));
    QVERIFY(menu.styleAttribute()->radioImage.isNull());
    menu.setCheckStateImage(art.solid(QStringLiteral("c.png"), 20, 20, Qt::green),
                            art.path(QStringLiteral("none.png")));
    QVERIFY(!menu.styleAttribute()->checkedImage.isNull());
    QVERIFY(menu.styleAttribute()->uncheckedImage.isNull());
}

void TestMenuScroll::emptyRangeHasNoHandle()
{
    QJXScrollBar bar(Qt::Vertical);
    QCOMPARE(bar.minimumWidth(), 10);
    QCOMPARE(bar.maximumWidth(), 10);
    bar.resize(10, 120);
    bar.setRange(0, 0);
    QImage image = grabImage(&bar);
    QCOMPARE(countColor(image, QColor(96, 96, 96)), 0);
    QVERIFY(countColor(image, QColor(240, 240, 240)) > 100);
    bar.setRange(0, 100);
    bar.setPageStep(20);
    image = grabImage(&bar);
    QVERIFY(countColor(image, QColor(96, 96, 96)) > 20);
}

void TestMenuScroll::handleLookNormalAndHover()
{
    QJXScrollBar bar(Qt::Horizontal);
    QCOMPARE(bar.maximumHeight(), 10);
    bar.resize(150, 10);
    bar.setRange(0, 100);
    bar.setPageStep(30);
    QJXScrollBarStyleAttribute a = bar.styleAttribute();
    a.handleColor = QColor(65, 65, 65);
    a.hoverGrooveColor = QColor(0, 0, 160);
    a.grooveColor = QColor(44, 44, 44);
    bar.setStyleAttribute(a);
    QImage image = grabImage(&bar);
    QVERIFY(countColor(image, QColor(65, 65, 65)) > 20);
    QCOMPARE(countColor(image, QColor(0, 0, 160)), 0);
    a.hoverLookAlways = true;
    bar.setStyleAttribute(a);
    image = grabImage(&bar);
    QVERIFY(countColor(image, QColor(0, 0, 160)) > 20);
    QVERIFY(countColor(image, QColor(65, 65, 65)) > 20);
    QCOMPARE(bar.style()->pixelMetric(QStyle::PM_ScrollBarExtent), 11);
}

void TestMenuScroll::handleMarginOnlyWhereItFits()
{
    QJXScrollBar bar(Qt::Vertical);
    bar.resize(10, 150);
    bar.setRange(0, 100);
    bar.setPageStep(30);
    bar.setValue(0);
    QJXScrollBarStyleAttribute a = bar.styleAttribute();
    a.handleColor = QColor(200, 0, 0);
    a.hoverGrooveColor = QColor(0, 0, 160);
    a.cornerRadius = 0;
    a.handleMargin = 6;
    bar.setStyleAttribute(a);
    // 10 < 2 x 6: the margin is dropped in the normal look ...
    QImage image = grabImage(&bar);
    const int handleRow = [&] {
        for (int y = 0; y < image.height(); ++y)
            if (near(image.pixelColor(5, y), QColor(200, 0, 0), 4))
                return y;
        return -1;
    }();
    QVERIFY(handleRow >= 0);
    QVERIFY(near(image.pixelColor(1, handleRow + 2), QColor(200, 0, 0), 4));
    // ... but applied in the hover look.
    a.handleMargin = 3;
    a.hoverLookAlways = true;
    bar.setStyleAttribute(a);
    image = grabImage(&bar);
    QVERIFY(near(image.pixelColor(1, handleRow + 2), QColor(0, 0, 160), 4));
    QVERIFY(near(image.pixelColor(5, handleRow + 2), QColor(200, 0, 0), 4));
}

void TestMenuScroll::arrowImages()
{
    QJXScrollBarStyle style;
    const QImage down = style.createImage(QSize(8, 8), QJXScrollBarStyle::ArrowDown, Qt::red, false);
    QCOMPARE(down.size(), QSize(8, 8));
    QVERIFY(near(down.pixelColor(4, 4), Qt::red, 30));
    QCOMPARE(down.pixelColor(4, 1).alpha(), 0);
    QCOMPARE(down.pixelColor(4, 7).alpha(), 0);
    const QImage up = style.createImage(QSize(8, 8), QJXScrollBarStyle::ArrowUp, Qt::red, true);
    QVERIFY(near(up.pixelColor(4, 4), Qt::red, 30));
    QVERIFY(near(up.pixelColor(0, 0), Qt::red, 30));
    QCOMPARE(up.pixelColor(1, 2).alpha(), 0);
    const QImage none = style.createImage(QSize(8, 8), QJXScrollBarStyle::arrowDirection(7),
                                          Qt::red, false);
    QCOMPARE(none.pixelColor(4, 4).alpha(), 0);
}

QTEST_MAIN(TestMenuScroll)
#include "tst_menuscroll.moc"
