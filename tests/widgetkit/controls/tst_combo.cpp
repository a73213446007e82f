// Combo box and check-box combo box: items in custom-drawn mode, style
// rules, arrow placement, row sizes and colours, and the check-box texts.

#include "controlart.h"
#include "widgetkit/qcheckboxcombobox.h"
#include "widgetkit/qcomboboxcheckbox.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxcombobox.h"

#include <QAbstractItemView>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QColor kRowBg(20, 20, 120);
const QColor kRowSelected(240, 130, 60);
const QColor kRowHover(30, 150, 30);

void sendEnter(QWidget *w)
{
    QEvent e(QEvent::Enter);
    QApplication::sendEvent(w, &e);
}
}

class TestCombo : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void plainWithoutBackground();
    void firstCustomItemIsShown();
    void itemsAddedBeforeTheBackgroundSurvive();
    void styleRulesAreReplacedNotRepeated();
    void cutStyleStringRemovesOneRule();
    void arrowIsPlacedAndFollowsAWiderField();
    void explicitArrowMarginStays();
    void rowHeightsCarrySpacingAndSeparators();
    void rowColoursForHoverAndCurrent();
    void spacingBandsBetweenRows();
    void automaticItemWidthFitsTheWidestText();
    void fieldFramesFollowTheMouse();
    void clickOnFieldOpensThePopup();
    void popupOffsetPlacesThePopupUnderTheField();
    void itemTextAndRemoval();

    void multiCheckTexts();
    void singleCheckFollowsTheCurrentRow();
    void singleCheckBoxPressSelectsItsRow();
    void multiCheckBoxClickToggles();
    void deleteAllItemEmptiesEverything();

private:
    QJXComboBox *customCombo(QWidget *parent = nullptr);
    QCheckboxCombobox *checkCombo(QWidget *parent, const QStringList &texts);
    ControlArt *m_art = nullptr;
    QString m_field, m_arrow, m_on, m_off;
};

void TestCombo::init()
{
    delete m_art;
    m_art = new ControlArt;
    m_field = m_art->strip(QStringLiteral("field.png"), 60, 48,
                           {QColor(50, 50, 50), QColor(90, 90, 90), QColor(140, 140, 140),
                            QColor(10, 10, 10)});
    m_arrow = m_art->strip(QStringLiteral("arrow.png"), 24, 16,
                           {Qt::red, Qt::green, Qt::blue, Qt::gray});
    m_on = m_art->solid(QStringLiteral("on.png"), 24, 24, QColor(0, 200, 0));
    m_off = m_art->solid(QStringLiteral("off.png"), 24, 24, QColor(200, 0, 0));
}

QJXComboBox *TestCombo::customCombo(QWidget *parent)
{
    auto *combo = new QJXComboBox(parent);
    combo->resize(100, 24);
    combo->setBackgroundImage(m_field);
    return combo;
}

QCheckboxCombobox *TestCombo::checkCombo(QWidget *parent, const QStringList &texts)
{
    auto *combo = new QCheckboxCombobox(parent);
    combo->resize(120, 24);
    combo->setCheckImage(m_on, m_off);
    combo->setBackgroundImage(m_field);
    combo->addItems(texts);
    return combo;
}

void TestCombo::plainWithoutBackground()
{
    QJXComboBox combo;
    combo.addItems({QStringLiteral("MP3"), QStringLiteral("WAV")});
    QCOMPARE(combo.count(), 2);
    QVERIFY(!combo.isCustomDraw());
    QVERIFY(!combo.popupList());
    QVERIFY(!combo.getItemWidgt(0));
    QVERIFY(!combo.IsValid(0));
    combo.resize(100, 24);
    grabImage(&combo);
}

void TestCombo::firstCustomItemIsShown()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    QVERIFY(combo->isCustomDraw());
    QVERIFY(combo->popupList());
    combo->addItem(QStringLiteral("High Quality"), 1);
    QCOMPARE(combo->drawText(), QStringLiteral("High Quality"));
    QCOMPARE(combo->toolTip(), QStringLiteral("High Quality"));
    combo->addItem(QStringLiteral("Small Size"), 2);
    QCOMPARE(combo->count(), 2);
    QVERIFY(combo->itemRow(1));
    QCOMPARE(combo->itemData(1).toInt(), 2);
    QCOMPARE(combo->drawText(), QStringLiteral("High Quality"));
    combo->setCurrentIndex(1);
    QCOMPARE(combo->drawText(), QStringLiteral("Small Size"));
}

void TestCombo::itemsAddedBeforeTheBackgroundSurvive()
{
    QJXComboBox combo;
    combo.resize(100, 24);
    combo.addItem(QStringLiteral("Speakers"), QStringLiteral("sink-1"));
    combo.addItem(QStringLiteral("Headset"), QStringLiteral("sink-2"));
    combo.setCurrentIndex(1);
    combo.setBackgroundImage(m_field);
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(0), QStringLiteral("Speakers"));
    QCOMPARE(combo.itemData(1).toString(), QStringLiteral("sink-2"));
    QVERIFY(combo.itemRow(0));
    QVERIFY(combo.itemRow(1));
    QCOMPARE(combo.currentIndex(), 1);
    QCOMPARE(combo.drawText(), QStringLiteral("Headset"));
    combo.addItem(QStringLiteral("Monitor"));
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(2), QStringLiteral("Monitor"));
}

void TestCombo::styleRulesAreReplacedNotRepeated()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    const QString bg = QStringLiteral("QListView::item {background: ");
    combo->setItemBgColor(QColor(255, 0, 0));
    combo->setItemBgColor(QColor(0, 0, 255));
    QCOMPARE(combo->styleSheet().count(bg), 1);
    QVERIFY(combo->styleSheet().contains(bg + QStringLiteral("#0000ff;}")));
    QVERIFY(!combo->styleSheet().contains(QStringLiteral("#ff0000")));
    // Replaced also when the colour did not change.
    combo->setItemBgColor(QColor(0, 0, 255));
    QCOMPARE(combo->styleSheet().count(bg), 1);

    combo->setItemHoverColor(QColor(1, 2, 3));
    combo->setItemHoverColor(QColor(4, 5, 6));
    QCOMPARE(combo->styleSheet().count(QStringLiteral("QListView::item:hover")), 1);
    combo->setItemSelectedColor(QColor(7, 8, 9));
    combo->setItemSelectedColor(QColor(10, 11, 12));
    QCOMPARE(combo->styleSheet().count(QStringLiteral("QListView::item:selected")), 1);
    combo->setItemBorder(1, QColor(54, 53, 53));
    combo->setItemBorder(2, QColor(54, 53, 53));
    QCOMPARE(combo->styleSheet().count(QStringLiteral("border: ")), 1);
    QVERIFY(combo->styleSheet().contains(QStringLiteral("border: 2px solid #363535}")));
    combo->setItemWidth(150);
    combo->setItemWidth(160);
    QCOMPARE(combo->styleSheet().count(QStringLiteral("min-width: ")), 1);
    QVERIFY(combo->styleSheet().contains(QStringLiteral("min-width: 160px}")));
    QCOMPARE(combo->itemWidth(), 160);
    // The other rules are still there once each.
    QCOMPARE(combo->styleSheet().count(bg), 1);
    QCOMPARE(combo->styleSheet().count(
                 QStringLiteral("QComboBox {background-color:transparent;border:none}")),
             1);
}

void TestCombo::cutStyleStringRemovesOneRule()
{
    QString sheet = QStringLiteral("A {x: 1;}B {y: 2;}A {x: 3;}");
    QVERIFY(QJXComboBox::cutStyleString(sheet, QStringLiteral("A {x: "), QStringLiteral(";}")));
    QCOMPARE(sheet, QStringLiteral("B {y: 2;}A {x: 3;}"));
    QVERIFY(!QJXComboBox::cutStyleString(sheet, QStringLiteral("C {"), QStringLiteral("}")));
    QCOMPARE(sheet, QStringLiteral("B {y: 2;}A {x: 3;}"));
    QVERIFY(QJXComboBox::cutStyleString(sheet, QStringLiteral("B {"), QStringLiteral("#")));
    QCOMPARE(sheet, QStringLiteral("y: 2;}A {x: 3;}"));
}

void TestCombo::arrowIsPlacedAndFollowsAWiderField()
{
    QWidget page;
    QJXComboBox *combo = customCombo(&page);
    combo->setButtonImage(m_arrow, true);
    QVERIFY(combo->arrowButton());
    QCOMPARE(combo->arrowButton()->size(), QSize(12, 8));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(combo->arrowButton()->pos(), QPoint(88, 8));
    combo->resize(200, 24);
    QCOMPARE(combo->arrowButton()->pos(), QPoint(188, 8));
    combo->resize(200, 40);
    QCOMPARE(combo->arrowButton()->pos(), QPoint(188, 16));
    // The arrow is drawn where it sits, and the field text stops before it.
    const QImage image = grabImage(combo);
    QVERIFY(near(image.pixelColor(194, 20), Qt::red));
    QCOMPARE(combo->drawTextMargins().right(), 200 - 1 - 188);
}

void TestCombo::explicitArrowMarginStays()
{
    QWidget page;
    QJXComboBox *combo = customCombo(&page);
    combo->setButtonImage(m_arrow, true);
    combo->setBtnMargins(86, 2, 0, 0);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(combo->arrowButton()->pos(), QPoint(86, 2));
    combo->resize(180, 24);
    QCOMPARE(combo->arrowButton()->pos(), QPoint(86, 2));
    combo->setButtonKeepSize(false);
    QCOMPARE(combo->arrowButton()->geometry(), QRect(86, 2, 94, 22));
    // A missing picture leaves the combo box without arrow.
    combo->setButtonImage(m_art->path(QStringLiteral("none.png")), true);
    QVERIFY(!combo->arrowButton());
}

void TestCombo::rowHeightsCarrySpacingAndSeparators()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    combo->setItemSpacing(4, Qt::black);
    combo->resetItemSize();
    QListWidget *list = combo->popupList();
    QCOMPARE(list->item(0)->sizeHint().height(), 21);
    QCOMPARE(list->item(1)->sizeHint().height(), 23);
    QCOMPARE(list->item(2)->sizeHint().height(), 21);
    combo->setItemSeparator(1, true);
    combo->addSeparator();
    combo->resetItemSize();
    QCOMPARE(list->item(1)->sizeHint().height(), 24);
    QCOMPARE(list->item(2)->sizeHint().height(), 22);
    combo->setItemSeparator(7, true);
    QCOMPARE(combo->itemHeight(), 19);
}

void TestCombo::rowColoursForHoverAndCurrent()
{
    QWidget page;
    QJXComboBox *combo = customCombo(&page);
    combo->setItemBgColor(kRowBg);
    combo->setItemSelectedColor(kRowSelected);
    combo->addItems({QStringLiteral("one"), QStringLiteral("two")});
    QJXComboBoxItem *row0 = combo->itemRow(0);
    QJXComboBoxItem *row1 = combo->itemRow(1);
    row0->resize(100, 19);
    row1->resize(100, 19);
    combo->popupList()->setCurrentRow(0);
    // Without a hover colour: the hovered row takes the selected colour, the current row no mark.
    QVERIFY(near(grabImage(row0).pixelColor(50, 2), kRowBg));
    sendEnter(row1);
    QVERIFY(row1->isHovered());
    QVERIFY(near(grabImage(row1).pixelColor(50, 2), kRowSelected));

    combo->setItemHoverColor(kRowHover);
    QVERIFY(near(grabImage(row0).pixelColor(50, 2), kRowSelected));
    QVERIFY(row0->checkState());
    QVERIFY(near(grabImage(row1).pixelColor(50, 2), kRowHover));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(row1, &leave);
    QVERIFY(near(grabImage(row1).pixelColor(50, 2), kRowBg));
}

void TestCombo::spacingBandsBetweenRows()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    combo->setItemBgColor(kRowBg);
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    combo->setItemSpacing(1, QColor(255, 255, 0));
    for (int i = 0; i < 3; ++i)
        combo->itemRow(i)->resize(100, 20);
    const QImage first = grabImage(combo->itemRow(0));
    const QImage last = grabImage(combo->itemRow(2));
    QVERIFY(near(first.pixelColor(50, 0), kRowBg));
    QVERIFY(near(first.pixelColor(50, 19), QColor(255, 255, 0)));
    QVERIFY(near(last.pixelColor(50, 19), kRowBg));

    combo->setItemSpacing(4, QColor(255, 255, 0));
    const QImage middle = grabImage(combo->itemRow(1));
    QVERIFY(near(middle.pixelColor(50, 1), QColor(255, 255, 0)));
    QVERIFY(near(middle.pixelColor(50, 2), kRowBg));
    QVERIFY(near(middle.pixelColor(50, 18), QColor(255, 255, 0)));
    QVERIFY(near(middle.pixelColor(50, 17), kRowBg));
}

void TestCombo::automaticItemWidthFitsTheWidestText()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    combo->setItemBorder(1, Qt::gray);
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(combo->calcItemMaxWidth(), 100 - 2);
    const QString wide = QStringLiteral("A rather long output device description");
    combo->addItem(wide);
    const QFontMetrics fm(combo->font());
    QCOMPARE(combo->calcItemMaxWidth(), fm.horizontalAdvance(wide) + 1 + 1 + 1);
    combo->resetItemSize();
    QCOMPARE(combo->popupList()->item(0)->sizeHint().width(), combo->calcItemMaxWidth());
    QCOMPARE(combo->itemRow(0)->width(), combo->calcItemMaxWidth());
}

void TestCombo::fieldFramesFollowTheMouse()
{
    QWidget page;
    QJXComboBox *combo = customCombo(&page);
    combo->setBtnMode(true);
    combo->addItem(QStringLiteral("x"));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(near(grabImage(combo).pixelColor(3, 12), QColor(50, 50, 50)));
    sendEnter(combo);
    QVERIFY(near(grabImage(combo).pixelColor(3, 12), QColor(90, 90, 90)));
    QTest::mousePress(combo, Qt::LeftButton, {}, QPoint(30, 12));
    QVERIFY(near(grabImage(combo).pixelColor(3, 12), QColor(140, 140, 140)));
    combo->hidePopup();
    QTest::mouseRelease(combo, Qt::LeftButton, {}, QPoint(30, 12));
    combo->hidePopup();
    QVERIFY(near(grabImage(combo).pixelColor(3, 12), QColor(50, 50, 50)));
    combo->setEnabled(false);
    QVERIFY(near(grabImage(combo).pixelColor(3, 12), QColor(10, 10, 10)));
}

void TestCombo::clickOnFieldOpensThePopup()
{
    QWidget page;
    QJXComboBox *combo = customCombo(&page);
    combo->setButtonImage(m_arrow, true);
    combo->addItems({QStringLiteral("one"), QStringLiteral("two")});
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QSignalSpy clicked(combo, SIGNAL(emitClicked()));
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(30, 12));
    QVERIFY(combo->view()->isVisible());
    QCOMPARE(clicked.count(), 1);
    combo->hidePopup();
    QVERIFY(!combo->view()->isVisible());
    QTest::mouseClick(combo->arrowButton(), Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(combo->view()->isVisible());
    QCOMPARE(clicked.count(), 2);
    combo->hidePopup();
}

void TestCombo::popupOffsetPlacesThePopupUnderTheField()
{
    QWidget page;
    page.resize(300, 200);
    QJXComboBox *combo = customCombo(&page);
    combo->move(20, 30);
    combo->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    combo->setCurrentIndex(2);
    combo->setPopupOffestPoint(QPoint(0, 5));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    combo->showPopup();
    QWidget *popup = combo->view()->window();
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->geometry().top(), combo->mapToGlobal(QPoint(0, 0)).y() + 24);
    combo->hidePopup();
}

void TestCombo::itemTextAndRemoval()
{
    std::unique_ptr<QJXComboBox> combo(customCombo());
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    combo->setItemText(0, QStringLiteral("A"));
    QCOMPARE(combo->itemText(0), QStringLiteral("A"));
    QCOMPARE(combo->drawText(), QStringLiteral("A"));
    combo->setItemText(9, QStringLiteral("Z"));
    combo->removeItem(1);
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(1), QStringLiteral("c"));
    combo->removeItem(5);
    QCOMPARE(combo->count(), 2);
    combo->insertItems(1, {QStringLiteral("x"), QStringLiteral("y")});
    QCOMPARE(combo->itemText(1), QStringLiteral("x"));
    QCOMPARE(combo->itemText(2), QStringLiteral("y"));
    QCOMPARE(combo->itemText(3), QStringLiteral("c"));
}

void TestCombo::multiCheckTexts()
{
    QWidget page;
    QCheckboxCombobox *combo = checkCombo(&page, {QStringLiteral("A"), QStringLiteral("B"),
                                                  QStringLiteral("C")});
    QVERIFY(combo->isMultiCheck());
    QCOMPARE(combo->drawText(), QString());
    combo->setCheckState(1, true);
    combo->setCheckState(2, true);
    QCOMPARE(combo->getSelectItemText(), QStringLiteral("B;C"));
    QCOMPARE(combo->drawText(), QStringLiteral("B;C"));
    QCOMPARE(combo->toolTip(), QStringLiteral("B;C"));
    // Changing the current row does not change the shown text in this mode.
    combo->setCurrentIndex(0);
    QCOMPARE(combo->drawText(), QStringLiteral("B;C"));
    combo->setCheckAll(false);
    QCOMPARE(combo->drawText(), QString());
    QVERIFY(!combo->itemCheckState(1));
    QVERIFY(combo->itemCheckbox(0)->isCustomDraw());
}

void TestCombo::singleCheckFollowsTheCurrentRow()
{
    QWidget page;
    QCheckboxCombobox *combo = checkCombo(&page, {QStringLiteral("Chapter 1"),
                                                  QStringLiteral("Chapter 2"),
                                                  QStringLiteral("Chapter 3")});
    combo->setCheckState(0, true);
    combo->setCurrentIndex(1);
    combo->setCheckMode(false);
    QVERIFY(!combo->itemCheckState(0));
    QVERIFY(combo->itemCheckState(1));
    QCOMPARE(combo->drawText(), QStringLiteral("Chapter 2"));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), 2);
    QVERIFY(!combo->itemCheckState(1));
    QVERIFY(combo->itemCheckState(2));
    QCOMPARE(combo->drawText(), QStringLiteral("Chapter 3"));
}

void TestCombo::singleCheckBoxPressSelectsItsRow()
{
    QWidget page;
    QCheckboxCombobox *combo = checkCombo(&page, {QStringLiteral("a"), QStringLiteral("b")});
    combo->setCurrentIndex(1);
    combo->setCheckMode(false);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    combo->showPopup();
    QVERIFY(combo->view()->isVisible());
    QComboboxCheckbox *box = combo->itemCheckbox(0);
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->view()->isVisible());
    QVERIFY(combo->itemCheckState(0));
    QVERIFY(!combo->itemCheckState(1));
}

void TestCombo::multiCheckBoxClickToggles()
{
    QWidget page;
    QCheckboxCombobox *combo = checkCombo(&page, {QStringLiteral("a"), QStringLiteral("b")});
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    combo->showPopup();
    QSignalSpy clicked(combo, SIGNAL(emitClickCheckbox(int)));
    QSignalSpy state(combo, SIGNAL(emitStateChange(int,int)));
    QComboboxCheckbox *box = combo->itemCheckbox(1);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(box->isChecked());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.last().at(0).toInt(), 1);
    QCOMPARE(state.count(), 1);
    QCOMPARE(state.last().at(0).toInt(), 1);
    QCOMPARE(state.last().at(1).toInt(), 2);
    QCOMPARE(combo->drawText(), QStringLiteral("b"));
    combo->hidePopup();
}

void TestCombo::deleteAllItemEmptiesEverything()
{
    QWidget page;
    QCheckboxCombobox *combo = checkCombo(&page, {QStringLiteral("a"), QStringLiteral("b")});
    combo->setCheckAll(true);
    combo->deleteAllItem();
    QCOMPARE(combo->count(), 0);
    QVERIFY(!combo->itemCheckbox(0));
    QCOMPARE(combo->getSelectItemText(), QString());
    combo->addItem(QStringLiteral("c"));
    QVERIFY(combo->itemCheckbox(0));
    QVERIFY(!combo->itemCheckState(0));
    // A plain clear() also leaves no stale boxes behind.
    combo->clear();
    combo->addItems({QStringLiteral("d"), QStringLiteral("e")});
    combo->setCheckState(1, true);
    QCOMPARE(combo->getSelectItemText(), QStringLiteral("e"));

    QCheckboxCombobox noPictures;
    noPictures.setCheckImage(m_art->path(QStringLiteral("missing.png")), m_off);
    noPictures.setBackgroundImage(m_field);
    noPictures.addItem(QStringLiteral("x"));
    QVERIFY(noPictures.itemCheckbox(0));
    QVERIFY(!noPictures.itemCheckbox(0)->isCustomDraw());
}

QTEST_MAIN(TestCombo)
#include "tst_combo.moc"
