// The styling functions on real controls with the built pictures, and a
// page of every drawn control, written as a screenshot.

#include "common/qianyutil.h"
#include "controlart.h"
#include "testsupport.h"
#include "widgetkit/qbasedrawwidget.h"
#include "widgetkit/qcheckboxcombobox.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxcomboboxitem.h"
#include "widgetkit/qjxdatetimeedit.h"
#include "widgetkit/qjxdialog.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxradiobutton.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/qjxtextedit.h"
#include "widgetkit/qlumpprogress.h"

#include <QAbstractItemView>
#include <QFile>
#include <QLabel>
#include <QTextEdit>
#include <QtTest>

namespace {

const QColor kPage(44, 44, 44);

QString picture(const char *relative)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(relative);
}

// Share of the rectangle's pixels that differ from the page colour.
double inkShare(const QImage &image, const QRect &rect)
{
    int differ = 0;
    int all = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x, ++all)
            differ += near(image.pixelColor(x, y), kPage, 6) ? 0 : 1;
    return all ? double(differ) / all : 0.0;
}

class StyledDialog : public QJXDialog
{
public:
    StyledDialog() : QJXDialog(nullptr) {}
};

} // namespace

class TestCtrlStyle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void comboLooks();
    void paletteFunctionGreysDisabledText();
    void nullAndOtherKindsAreIgnored();
    void editsTimeEditsAndChecks();
    void sliderScrollBarMenuAndButtons();
    void dialogBackground();
    void pageOfEveryControl();
};

void TestCtrlStyle::initTestCase()
{
    QVERIFY2(QFile::exists(picture("/image/common/cmb_common.png")),
             qPrintable(QIAnyUtil::getResourcePath()));
}

void TestCtrlStyle::comboLooks()
{
    QWidget page;
    QJXComboBox combo(&page);
    QInitCtrlStyle::InitJXCombox1(&combo, 120, 24);
    QCOMPARE(combo.size(), QSize(120, 24));
    QVERIFY(combo.isCustomDraw());
    QVERIFY(combo.isBtnMode());
    QVERIFY(combo.arrowButton());
    QCOMPARE(combo.itemHeight(), 20);
    QCOMPARE(combo.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(combo.font().pixelSize(), 12);
    QCOMPARE(combo.drawTextMargins(), QMargins(5, 0, 17, 1));
    QVERIFY(combo.styleSheet().contains(QStringLiteral("QListView::item {background: #414040;}")));
    QVERIFY(combo.styleSheet().contains(QStringLiteral("border: 1px solid #363535}")));
    QVERIFY(combo.styleSheet().contains(
        QStringLiteral("QListView::item:selected{background-color: #ff8441;}")));
    combo.addItems({QStringLiteral("High Quality"), QStringLiteral("Small Size")});
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(combo.arrowButton()->x(), 106);

    // The pop-up rows are drawn in the styled colours; the hovered row in the accent.
    combo.showPopup();
    QWidget *popup = combo.view()->window();
    QVERIFY(popup->isVisible());
    QJXComboBoxItem *first = combo.itemRow(0);
    QJXComboBoxItem *second = combo.itemRow(1);
    QVERIFY(first && second);
    QCOMPARE(second->height(), 20);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(second, &enter);
    QVERIFY(!TestSupport::saveScreenshot(popup, QStringLiteral("widgetkit_combo_popup")).isEmpty());
    QVERIFY(near(grabImage(first).pixelColor(first->width() - 3, 10), QColor(65, 64, 64), 3));
    QVERIFY(near(grabImage(second).pixelColor(second->width() - 3, 10), QColor(255, 132, 65), 3));
    combo.hidePopup();

    QJXComboBox centred(&page);
    QInitCtrlStyle::InitJXCombox2(&centred, 130, 25);
    QCOMPARE(centred.maxVisibleItems(), 20);
    QCOMPARE(centred.QJXBaseRectImageDraw::alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QJXComboBox search(&page);
    QInitCtrlStyle::InitJXCombox3(&search, 90, 20);
    QVERIFY(search.isCustomDraw());
    QVERIFY(search.arrowButton());
    QCOMPARE(search.drawTextMargins(), QMargins(2, 0, 17, 1));
}

void TestCtrlStyle::paletteFunctionGreysDisabledText()
{
    QLabel label;
    QInitCtrlStyle::InitPalette(&label, QPalette::Text, QColor(1, 2, 3));
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(label.palette().color(group, QPalette::Text), QColor(1, 2, 3));
    QCOMPARE(label.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(131, 127, 127));
    QInitCtrlStyle::InitFont(&label, 11);
    QCOMPARE(label.font().pixelSize(), 11);
    QCOMPARE(label.font().family(), QStringLiteral("Tahoma"));
}

void TestCtrlStyle::nullAndOtherKindsAreIgnored()
{
    QInitCtrlStyle::InitBg1(nullptr);
    QInitCtrlStyle::InitBg2(nullptr);
    QInitCtrlStyle::InitBg3(nullptr);
    QInitCtrlStyle::InitEditBg(nullptr);
    QInitCtrlStyle::InitCommonWgt(nullptr);
    QInitCtrlStyle::InitFont(nullptr, 12);
    QInitCtrlStyle::InitPalette(nullptr, QPalette::Text, Qt::red);
    QInitCtrlStyle::InitJXCombox(nullptr);
    QInitCtrlStyle::InitJXCombox1(nullptr, 1, 1);
    QInitCtrlStyle::InitJXCombox2(nullptr, 1, 1);
    QInitCtrlStyle::InitJXCombox3(nullptr, 1, 1);
    QInitCtrlStyle::InitSearchEdit(nullptr);
    QInitCtrlStyle::InitJxMenu(nullptr);
    QInitCtrlStyle::InitJXSlider(nullptr);
    QInitCtrlStyle::InitJxScrollBar(nullptr);
    QInitCtrlStyle::InitTabBtn(nullptr);
    QInitCtrlStyle::InitJXButton(nullptr, 1, 1);
    QInitCtrlStyle::InitJXButton1(nullptr, 1, 1);
    QInitCtrlStyle::InitRadio(nullptr);
    QInitCtrlStyle::InitCheckBox(nullptr);
    QInitCtrlStyle::InitLineEdit(nullptr, 1, 1);
    QInitCtrlStyle::InitTextEdit(nullptr);
    QInitCtrlStyle::InitTimeEdit(nullptr, 1, 1);
    InitDlg(nullptr);

    QLabel label;
    label.resize(33, 17);
    QInitCtrlStyle::InitJXCombox1(&label, 120, 24);
    QInitCtrlStyle::InitLineEdit(&label, 120, 24);
    QInitCtrlStyle::InitBg2(&label);
    QCOMPARE(label.size(), QSize(33, 17));
    QVERIFY(!label.testAttribute(Qt::WA_TranslucentBackground));
}

void TestCtrlStyle::editsTimeEditsAndChecks()
{
    QJXLineEdit line;
    QInitCtrlStyle::InitLineEdit(&line, 150, 22);
    QVERIFY(line.isCustomDraw());
    QCOMPARE(line.size(), QSize(150, 22));
    QCOMPARE(line.textMargins(), QMargins(4, 0, 0, 0));
    QCOMPARE(line.palette().color(QPalette::Active, QPalette::Text), QColor(250, 237, 237));
    QCOMPARE(line.palette().color(QPalette::Disabled, QPalette::Text), QColor(131, 127, 127));

    QJXLineEdit search;
    QInitCtrlStyle::InitSearchEdit(&search);
    QCOMPARE(search.size(), QSize(175, 20));
    QCOMPARE(search.textMargins(), QMargins(22, 0, 0, 0));
    QCOMPARE(search.palette().color(QPalette::Text), QColor(111, 111, 111));

    QJXTextEdit text;
    QInitCtrlStyle::InitTextEdit(&text);
    QVERIFY(text.isCustomDraw());
    QCOMPARE(text.editMargins(), QMargins(3, 0, 0, 0));
    QCOMPARE(text.textEdit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QJXTimeEdit time;
    QInitCtrlStyle::InitTimeEdit(&time, 90, 22);
    QCOMPARE(time.displayFormat(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(time.size(), QSize(90, 22));
    QVERIFY(time.upButton());
    QVERIFY(time.downButton());
    QVERIFY(time.isCustomDraw());

    QJXCheckBox check;
    QInitCtrlStyle::InitCheckBox(&check);
    QVERIFY(check.isCustomDraw());
    QCOMPARE(check.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(131, 127, 127));
    QJXRadioButton radio;
    QInitCtrlStyle::InitRadio(&radio);
    QVERIFY(radio.QJXBaseBoxDraw::isCustomDraw());
    QVERIFY(!radio.isButtonMode());
}

void TestCtrlStyle::sliderScrollBarMenuAndButtons()
{
    QJXBaseSlider slider;
    slider.resize(120, 16);
    QInitCtrlStyle::InitJXSlider(&slider);
    QVERIFY(slider.getButton());
    QVERIFY(slider.format().isEmpty());
    QVERIFY(slider.getTLOffset() >= slider.getButton()->width() / 2);

    QJXScrollBar bar;
    QInitCtrlStyle::InitJxScrollBar(&bar);
    const QJXScrollBarStyleAttribute a = bar.styleAttribute();
    QVERIFY(a.hoverLookAlways);
    QCOMPARE(a.handleMargin, 2);
    QCOMPARE(a.grooveColor, QColor(44, 44, 44));
    QCOMPARE(a.handleColor, QColor(65, 65, 65));

    QJXMenu menu;
    QInitCtrlStyle::InitJxMenu(&menu);
    QCOMPARE(menu.styleAttribute()->frameWidth, 1);
    QCOMPARE(menu.styleAttribute()->itemSelectColor, QColor(255, 132, 65));
    QCOMPARE(menu.styleAttribute()->separatorColor, QColor(44, 44, 44));

    QJXBaseButton button;
    QInitCtrlStyle::InitJXButton(&button, 80, 24);
    QCOMPARE(button.size(), QSize(80, 24));
    QVERIFY(button.isCustomDraw());
    QJXBaseButton tab;
    QInitCtrlStyle::InitTabBtn(&tab);
    QVERIFY(tab.isCheckable());
    QVERIFY(tab.isCustomDraw());
}

void TestCtrlStyle::dialogBackground()
{
    StyledDialog dialog;
    QInitCtrlStyle::InitBg2(&dialog);
    const QImage bg(picture("/image/common/bg_2.png"));
    QVERIFY(!bg.isNull());
    QCOMPARE(dialog.size(), bg.size() / 2);
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Velmora Audio Recorder"));
    QCOMPARE(dialog.palette().color(QPalette::WindowText), QColor(250, 237, 237));
    QCOMPARE(dialog.font().pixelSize(), 12);
}

void TestCtrlStyle::pageOfEveryControl()
{
    QWidget page;
    page.setAutoFillBackground(true);
    QPalette pal = page.palette();
    pal.setColor(QPalette::Window, kPage);
    page.setPalette(pal);
    page.resize(640, 420);
    QVector<QWidget *> controls;
    auto place = [&](QWidget *w, int x, int y) {
        w->move(x, y);
        controls.append(w);
    };

    auto *combo1 = new QJXComboBox(&page);
    QInitCtrlStyle::InitJXCombox1(combo1, 130, 25);
    combo1->addItems({QStringLiteral("High Quality"), QStringLiteral("Small Size")});
    place(combo1, 20, 20);
    auto *combo2 = new QJXComboBox(&page);
    QInitCtrlStyle::InitJXCombox2(combo2, 130, 25);
    combo2->addItems({QStringLiteral("44100 Hz"), QStringLiteral("48000 Hz")});
    place(combo2, 170, 20);
    auto *combo3 = new QJXComboBox(&page);
    QInitCtrlStyle::InitJXCombox3(combo3, 130, 20);
    combo3->addItem(QStringLiteral("All recordings"));
    place(combo3, 320, 22);
    auto *checks = new QCheckboxCombobox(&page);
    checks->setCheckImage(picture("/image/common/btn_check_on.png"),
                          picture("/image/common/btn_check_off.png"));
    QInitCtrlStyle::InitJXCombox1(checks, 130, 25);
    checks->addItems({QStringLiteral("Intro"), QStringLiteral("Verse"), QStringLiteral("Chorus")});
    checks->setCheckState(0, true);
    checks->setCheckState(2, true);
    place(checks, 470, 20);

    auto *search = new QJXLineEdit(&page);
    QInitCtrlStyle::InitSearchEdit(search);
    search->setPlaceholderText(QStringLiteral("Search"));
    place(search, 20, 70);
    auto *line = new QJXLineEdit(&page);
    QInitCtrlStyle::InitLineEdit(line, 150, 22);
    line->setText(QStringLiteral("REC_20261207"));
    place(line, 215, 69);
    auto *time = new QJXTimeEdit(QTime(1, 30, 5), &page);
    QInitCtrlStyle::InitTimeEdit(time, 90, 22);
    place(time, 385, 69);
    auto *text = new QJXTextEdit(&page);
    QInitCtrlStyle::InitTextEdit(text);
    text->resize(160, 60);
    text->textEdit()->setPlainText(QStringLiteral("Recorded from the\nsystem sound"));
    place(text, 20, 110);

    auto *slider = new QJXBaseSlider(&page);
    slider->resize(200, 16);
    QInitCtrlStyle::InitJXSlider(slider);
    slider->setValue(60.0);
    place(slider, 215, 112);
    auto *progress = new QJXBaseProgress(&page);
    progress->resize(200, 14);
    progress->setValue(35.0);
    place(progress, 215, 140);
    auto *round = new QJXBaseProgress(&page);
    round->resize(56, 56);
    round->setProgressPolicy(QJXBaseProgress::RoundBar);
    round->setValue(70.0);
    place(round, 440, 108);
    auto *lumps = new QLumpProgress(&page);
    lumps->resize(141, 21);
    lumps->setBottomLumpColor(QColor(60, 58, 58));
    lumps->setTopLumpColor(QColor(255, 132, 65));
    lumps->setRadius(2);
    lumps->setValue(0.6);
    place(lumps, 215, 165);

    auto *checkOn = new QJXCheckBox(&page);
    QInitCtrlStyle::InitCheckBox(checkOn);
    checkOn->setText(QStringLiteral("Split by silence"));
    checkOn->setChecked(true);
    checkOn->adjustSize();
    place(checkOn, 20, 190);
    auto *checkOff = new QJXCheckBox(&page);
    QInitCtrlStyle::InitCheckBox(checkOff);
    checkOff->setText(QStringLiteral("Delete short recordings"));
    checkOff->adjustSize();
    place(checkOff, 20, 215);
    auto *checkPartial = new QJXCheckBox(&page);
    QInitCtrlStyle::InitCheckBox(checkPartial);
    checkPartial->setTristate(true);
    checkPartial->setCheckState(Qt::PartiallyChecked);
    checkPartial->setText(QStringLiteral("Some selected"));
    checkPartial->adjustSize();
    place(checkPartial, 20, 240);
    auto *radioOn = new QJXRadioButton(&page);
    QInitCtrlStyle::InitRadio(radioOn);
    radioOn->setText(QStringLiteral("System sound"));
    radioOn->setChecked(true);
    radioOn->adjustSize();
    place(radioOn, 215, 200);
    auto *radioOff = new QJXRadioButton(&page);
    QInitCtrlStyle::InitRadio(radioOff);
    radioOff->setText(QStringLiteral("Microphone"));
    radioOff->adjustSize();
    place(radioOff, 215, 225);

    auto *button = new QJXBaseButton(&page);
    QInitCtrlStyle::InitJXButton(button, 80, 24);
    button->setText(QStringLiteral("OK"));
    place(button, 20, 280);
    auto *button1 = new QJXBaseButton(&page);
    QInitCtrlStyle::InitJXButton1(button1, 80, 24);
    button1->setText(QStringLiteral("Start"));
    place(button1, 110, 280);
    auto *tab = new QJXBaseButton(&page);
    QInitCtrlStyle::InitTabBtn(tab);
    tab->setText(QStringLiteral("Audio"));
    tab->setChecked(true);
    place(tab, 200, 280);

    auto *vbar = new QJXScrollBar(Qt::Vertical, &page);
    QInitCtrlStyle::InitJxScrollBar(vbar);
    vbar->setRange(0, 100);
    vbar->setPageStep(25);
    vbar->setValue(30);
    vbar->resize(10, 150);
    place(vbar, 610, 70);
    auto *hbar = new QJXScrollBar(Qt::Horizontal, &page);
    QInitCtrlStyle::InitJxScrollBar(hbar);
    hbar->setRange(0, 100);
    hbar->setPageStep(40);
    hbar->resize(200, 10);
    place(hbar, 390, 230);

    // The menu is a pop-up: its drawing is shown on the page as a picture.
    QJXMenu menu;
    QInitCtrlStyle::InitJxMenu(&menu);
    menu.addAction(QStringLiteral("Play"));
    menu.addAction(QStringLiteral("Rename"));
    menu.addSeparator();
    QJXMenu *sub = menu.addMenu(QStringLiteral("Add to list"));
    QInitCtrlStyle::InitJxMenu(sub);
    QAction *off = menu.addAction(QStringLiteral("Delete All"));
    off->setEnabled(false);
    menu.setActiveAction(menu.actions().at(1));
    menu.resize(menu.sizeHint());
    auto *menuShot = new QLabel(&page);
    menuShot->setPixmap(menu.grab());
    menuShot->adjustSize();
    place(menuShot, 390, 260);

    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QString path = TestSupport::saveScreenshot(&page, QStringLiteral("widgetkit_controls_page"));
    QVERIFY(!path.isEmpty());
    const QImage shot(path);
    QCOMPARE(shot.size(), page.size());
    QVERIFY(near(shot.pixelColor(630, 410), kPage, 2));
    // Every control drew something of its own where it sits.
    for (QWidget *w : qAsConst(controls))
        QVERIFY2(inkShare(shot, w->geometry()) > 0.08, w->metaObject()->className());
    // The partially checked box does not look like the unchecked one.
    const QRect offBox(checkOff->pos(), QSize(14, 14));
    const QRect partialBox(checkPartial->pos(), QSize(14, 14));
    QVERIFY(shot.copy(offBox) != shot.copy(partialBox));
}

QTEST_MAIN(TestCtrlStyle)
#include "tst_ctrlstyle.moc"
