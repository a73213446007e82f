#include "widgetkit/qinitctrlstyle.h"

#include "common/qianyutil.h"
#include "widgetkit/qbasedrawwidget.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxdatetimeedit.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/qjxradiobutton.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/qjxtextedit.h"

#include <QTextEdit>

namespace {

QString resource(const char *relative)
{
    return QIAnyUtil::getResourcePath() + QLatin1String(relative);
}

// Every control derives first from its Qt widget class, so the untyped
// pointer is the address of its QWidget part.
QWidget *asWidget(void *p)
{
    return static_cast<QWidget *>(p);
}

template <typename T>
T *as(void *p)
{
    return p ? qobject_cast<T *>(asWidget(p)) : nullptr;
}

QBaseDrawWidget *engineOf(void *p)
{
    return p ? dynamic_cast<QBaseDrawWidget *>(asWidget(p)) : nullptr;
}

void setColorAllGroups(QPalette &palette, QPalette::ColorRole role, const QColor &color)
{
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
    palette.setColor(QPalette::Disabled, role, color);
}

void setTahoma(QWidget *widget, int pixelSize)
{
    QFont font = widget->font();
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    if (auto *combo = qobject_cast<QJXComboBox *>(widget))
        combo->setFont(font);
    else
        widget->setFont(font);
}

void initBackground(void *window, const char *relative)
{
    QBaseDrawWidget *engine = engineOf(window);
    if (!engine)
        return;
    engine->setBackgroundImage(resource(relative), true);
    InitDlg(window);
}

// Text colours of the light-on-dark controls: light, disabled grey.
void initLightWindowText(QWidget *widget)
{
    QPalette p = widget->palette();
    setColorAllGroups(p, QPalette::WindowText, QInitCtrlStyle::lightText());
    p.setColor(QPalette::Active, QPalette::WindowText, QInitCtrlStyle::lightText());
    p.setColor(QPalette::Disabled, QPalette::WindowText, QInitCtrlStyle::disabledText());
    widget->setPalette(p);
}

void initComboCommon(QJXComboBox *combo)
{
    const QColor light = QInitCtrlStyle::lightText();
    combo->setTextColor(light, light, light, QInitCtrlStyle::disabledText());
    combo->setItemBorder(1, QColor(54, 53, 53));
    combo->setItemBgColor(QColor(65, 64, 64));
    combo->setItemSelectedColor(QInitCtrlStyle::accent());
    combo->setItemTextColor(light);
    QPalette p = combo->palette();
    setColorAllGroups(p, QPalette::WindowText, light);
    combo->setPalette(p);
    combo->setItemHeight(20);
    setTahoma(combo, 12);
    QFont itemFont = combo->font();
    itemFont.setPixelSize(12);
    combo->setItemFont(itemFont);
}

void initComboImages(QJXComboBox *combo, const char *background, const char *arrow)
{
    combo->setBackgroundImage(resource(background));
    combo->setButtonImage(resource(arrow), true);
    combo->setBtnMode(true);
}

} // namespace

void InitDlg(void *window)
{
    QBaseDrawWidget *engine = engineOf(window);
    if (!engine)
        return;
    QWidget *w = asWidget(window);
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    w->setWindowTitle(QStringLiteral("Velmora Audio Recorder"));
    engine->setTitleRect(QRect(0, 8, 0, 0));
    engine->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPalette p = w->palette();
    setColorAllGroups(p, QPalette::WindowText, QInitCtrlStyle::lightText());
    w->setPalette(p);
    engine->setMoveTopHeight(30);
    engine->setStretchPolicy(QBaseDrawWidget::enumStretchPolicy(0));
    setTahoma(w, 12);
    const rectSize corner{50, 50};
    engine->setGridViewInfo(corner, corner, corner, corner);
}

void QInitCtrlStyle::InitBg1(void *window)
{
    initBackground(window, "/image/common/bg_1.png");
}

void QInitCtrlStyle::InitBg2(void *window)
{
    initBackground(window, "/image/common/bg_2.png");
}

void QInitCtrlStyle::InitBg3(void *window)
{
    initBackground(window, "/image/common/bg_3.png");
}

void QInitCtrlStyle::InitEditBg(void *window)
{
    initBackground(window, "/VEditSource/background.png");
}

void QInitCtrlStyle::InitCommonWgt(void *pane)
{
    QBaseDrawWidget *engine = engineOf(pane);
    if (!engine)
        return;
    engine->setStretchPolicy(QBaseDrawWidget::enumStretchPolicy(0));
    engine->setBackgrounColor(darkBackground());
}

void QInitCtrlStyle::InitFont(void *widget, int pixelSize)
{
    if (!widget)
        return;
    setTahoma(asWidget(widget), pixelSize);
}

void QInitCtrlStyle::InitPalette(void *widget, QPalette::ColorRole role, QColor color)
{
    if (!widget)
        return;
    QWidget *w = asWidget(widget);
    QPalette p = w->palette();
    setColorAllGroups(p, role, color);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText());
    if (auto *edit = qobject_cast<QJXLineEdit *>(w))
        edit->setPalette(p);
    else
        w->setPalette(p);
}

void QInitCtrlStyle::InitJXCombox(void *combo)
{
    if (auto *c = as<QJXComboBox>(combo))
        initComboCommon(c);
}

void QInitCtrlStyle::InitJXCombox1(void *combo, int w, int h)
{
    auto *c = as<QJXComboBox>(combo);
    if (!c)
        return;
    initComboImages(c, "/image/common/cmb_common.png", "/image/common/cmb_arrow.png");
    initComboCommon(c);
    c->setBtnMargins(w - 14, -1, 4, 0);
    c->setDrawTextMargins(5, 0, 17, 1);
    c->resize(w, h);
}

void QInitCtrlStyle::InitJXCombox2(void *combo, int w, int h)
{
    auto *c = as<QJXComboBox>(combo);
    if (!c)
        return;
    initComboImages(c, "/image/common/cmb_common.png", "/image/common/cmb_arrow.png");
    initComboCommon(c);
    c->setBtnMargins(w - 14, 10, 4, 10);
    c->QJXBaseRectImageDraw::setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    c->setMaxVisibleItems(20);
    c->resize(w, h);
}

void QInitCtrlStyle::InitJXCombox3(void *combo, int w, int h)
{
    auto *c = as<QJXComboBox>(combo);
    if (!c)
        return;
    initComboImages(c, "/image/common/search.png", "/image/common/btn_arrow.png");
    initComboCommon(c);
    c->setBtnMargins(w - 13, -1, 0, 0);
    c->setDrawTextMargins(2, 0, 17, 1);
    c->resize(w, h);
}

void QInitCtrlStyle::InitSearchEdit(void *edit)
{
    auto *e = as<QJXLineEdit>(edit);
    if (!e)
        return;
    e->setBackgroundImage(resource("/image/common/search.png"));
    e->setRectIcon(resource("/image/common/search_ico.png"));
    e->setIconRect(QRect(5, -1, 0, 0));
    InitPalette(e, QPalette::Text, QColor(111, 111, 111));
    e->setTextMargins(22, 0, 0, 0);
    setTahoma(e, 11);
    e->resize(175, 20);
}

void QInitCtrlStyle::InitJxMenu(void *menu)
{
    auto *m = as<QJXMenu>(menu);
    if (!m)
        return;
    m->setFrameColor(QColor(20, 20, 20));
    m->setAreaColor(QColor(50, 50, 50));
    m->setItemColor(QColor(50, 50, 50));
    m->setItemTextColor(lightText());
    m->setItemSelectColor(accent());
    m->setItemTextEabledColor(disabledText());
    m->setItemEabledColor(QColor(50, 50, 50));
    m->setSeparatorColor(darkBackground());
    m->setFrameWidth(1);
}

void QInitCtrlStyle::InitJXSlider(void *slider)
{
    auto *s = as<QJXBaseSlider>(slider);
    if (!s)
        return;
    s->setBottomImage(resource("/image/common/slider_bottom.png"));
    s->setTopImage(resource("/image/common/slider_top.png"));
    s->setBtnImage(resource("/image/common/slider_image.png"));
    s->setProgressPolicy(QJXBaseProgress::HorizontalBar);
    s->setOffset(4, 0);
    s->setFormat(QString());
}

void QInitCtrlStyle::InitJxScrollBar(void *scrollBar)
{
    auto *s = as<QJXScrollBar>(scrollBar);
    if (!s)
        return;
    QJXScrollBarStyleAttribute a;
    a.grooveColor = darkBackground();
    a.hoverGrooveColor = darkBackground();
    a.hoverLookAlways = true;
    a.lineColor = darkBackground();
    a.extraColor1 = QColor(65, 65, 65);
    a.handleColor = QColor(65, 65, 65);
    a.handlePressedColor = QColor(65, 65, 65);
    a.handleHoverColor = QColor(65, 65, 65);
    a.handleMargin = 2;
    s->setStyleAttribute(a);
}

void QInitCtrlStyle::InitTabBtn(void *button)
{
    auto *b = as<QJXBaseButton>(button);
    if (!b)
        return;
    b->setButtonImage(resource("/image/history_dlg/btn_tab.png"), true);
    b->setTextColor(accent(), lightText(), lightText(), QColor(119, 115, 115));
    b->setCheckable(true);
    setTahoma(b, 12);
}

static void initButton(void *button, const char *image, int w, int h)
{
    auto *b = as<QJXBaseButton>(button);
    if (!b)
        return;
    b->setButtonImage(resource(image), true);
    const QColor accent = QInitCtrlStyle::accent();
    b->setTextColor(accent, accent, accent, QColor(146, 98, 103));
    b->resize(w, h);
    setTahoma(b, 12);
}

void QInitCtrlStyle::InitJXButton(void *button, int w, int h)
{
    initButton(button, "/image/common/btn_common.png", w, h);
}

void QInitCtrlStyle::InitTKButton(void *button, int w, int h)
{
    initButton(button, "/image/common/btn_common.png", w, h);
}

void QInitCtrlStyle::InitJXButton1(void *button, int w, int h)
{
    initButton(button, "/image/common/btn_common1.png", w, h);
}

void QInitCtrlStyle::InitRadio(void *radio)
{
    auto *r = as<QJXRadioButton>(radio);
    if (!r)
        return;
    r->setCheckImage(resource("/image/common/Edit_selections_yes.png"),
                     resource("/image/common/Edit_selections_no.png"), false, false);
    initLightWindowText(r);
    setTahoma(r, 12);
}

void QInitCtrlStyle::InitCheckBox(void *checkBox)
{
    auto *c = as<QJXCheckBox>(checkBox);
    if (!c)
        return;
    c->setCheckImage(resource("/image/common/btn_check_on.png"),
                     resource("/image/common/btn_check_off.png"), QString(), false);
    initLightWindowText(c);
    setTahoma(c, 12);
}

void QInitCtrlStyle::InitLineEdit(void *edit, int w, int h)
{
    auto *e = as<QJXLineEdit>(edit);
    if (!e)
        return;
    e->setBackgroundImage(resource("/image/common/edit.png"));
    InitPalette(e, QPalette::Text, lightText());
    QPalette p = e->palette();
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText());
    e->setPalette(p);
    e->resize(w, h);
    e->setTextMargins(4, 0, 0, 0);
    setTahoma(e, 11);
}

void QInitCtrlStyle::InitTextEdit(void *edit)
{
    auto *e = as<QJXTextEdit>(edit);
    if (!e)
        return;
    e->setBackgroundImage(resource("/image/common/edit.png"));
    QTextEdit *inner = e->textEdit();
    InitPalette(inner, QPalette::Text, lightText());
    inner->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTahoma(inner, 11);
    e->setEditMargins(3, 0, 0, 0);
}

void QInitCtrlStyle::InitTimeEdit(void *edit, int w, int h)
{
    auto *e = as<QJXDateTimeEdit>(edit);
    if (!e)
        return;
    e->setBackgroundImage(resource("/image/common/edit.png"));
    e->setUpAndDownBtnImage(resource("/image/common/time_edit_arrow_up.png"),
                            resource("/image/common/time_edit_arrow_down.png"), true);
    InitPalette(e, QPalette::Text, lightText());
    QPalette p = e->palette();
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText());
    e->setPalette(p);
    e->setDisplayFormat(QStringLiteral("hh:mm:ss"));
    e->resize(w, h);
    e->setTextMargins(3, 0, 0, 0);
    setTahoma(e, 11);
}
