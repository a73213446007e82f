#include "editor/qveinitctrlstyle.h"

#include "common/qianyutil.h"
#include "widgetkit/qcheckboxcombobox.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxcheckbox.h"
#include "widgetkit/qjxcombobox.h"
#include "widgetkit/qjxdoublespinbox.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxradiobutton.h"
#include "widgetkit/qjxscrollbar.h"
#include "widgetkit/views/qjxbuttonextend.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

QWidget *asWidget(void *p)
{
    return static_cast<QWidget *>(p);
}

void setAllGroups(QPalette &palette, QPalette::ColorRole role, const QColor &color)
{
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, role, QBrush(color));
}

// Light window text, the editor's grey when disabled.
void setLightWindowText(QWidget *widget)
{
    QPalette p = widget->palette();
    setAllGroups(p, QPalette::WindowText, QVEInitCtrlStyle::lightText());
    p.setBrush(QPalette::Disabled, QPalette::WindowText, QBrush(QVEInitCtrlStyle::disabledText()));
    widget->setPalette(p);
}

QFont tahoma(QFont font, int pixelSize)
{
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    return font;
}

// What the plain combo box and the check combo box share.
void comboLook(QJXComboBox *combo)
{
    combo->setBackgroundImage(QVEInitCtrlStyle::image("edit_background.png"));
    combo->setButtonImage(QVEInitCtrlStyle::image("cbb_trigonometric.png"), true);
    combo->setDrawTextMargins(5, 0, 22, 0);
    const QColor light = QVEInitCtrlStyle::lightText();
    combo->setTextColor(light, light, light, QVEInitCtrlStyle::disabledText());
    combo->setItemBorder(1, QColor(55, 53, 53));
    combo->setItemBgColor(QColor(72, 72, 72));
    combo->setItemSelectedColor(QColor(105, 105, 105));
    combo->setItemTextColor(light);
    combo->setFont(tahoma(combo->font(), 11));
}

} // namespace

QString QVEInitCtrlStyle::image(const QString &name)
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/VEditSource/") + name;
}

void QVEInitCtrlStyle::SetFont(void *widget, int pixelSize)
{
    // The kit's own font setter knows the controls with a separate item font.
    QInitCtrlStyle::InitFont(widget, pixelSize);
}

void QVEInitCtrlStyle::SetFontFamily(void *widget, const QString &family, int pixelSize)
{
    if (!widget)
        return;
    QWidget *w = asWidget(widget);
    QFont font = w->font();
    font.setFamily(family);
    font.setPixelSize(pixelSize);
    w->setFont(font);
}

void QVEInitCtrlStyle::SetPalette(void *widget, QPalette::ColorRole role, const QColor &color)
{
    if (!widget)
        return;
    QWidget *w = asWidget(widget);
    QPalette p = w->palette();
    setAllGroups(p, role, color);
    w->setPalette(p);
}

void QVEInitCtrlStyle::SetLabel(QLabel *label, const QString &text, int pixelSize)
{
    if (!label)
        return;
    SetFont(label, pixelSize);
    label->resize(QFontMetrics(label->font()).horizontalAdvance(text), label->height());
    label->setText(text);
    SetPalette(label, QPalette::WindowText, lightText());
}

void QVEInitCtrlStyle::SetLabel2(QLabel *label, const QString &text, int pixelSize)
{
    if (!label)
        return;
    SetFont(label, pixelSize);
    label->setText(text);
    SetPalette(label, QPalette::WindowText, lightText());
}

void QVEInitCtrlStyle::SetJXButton(QJXBaseButton *button, int width, int height)
{
    if (!button)
        return;
    button->setButtonImage(image("btn_common.png"), true);
    button->setTextColor(accent(), accent(), accent(), QColor(72, 72, 72));
    button->resize(width, height);
    SetFont(button, 12);
}

void QVEInitCtrlStyle::SetJXButtonEx(QJXButtonExtend *button, int width, int height)
{
    if (!button)
        return;
    SetJXButton(button, width, height);
    button->setIconColorRect(QRect(5, 3, 16, 16));
    button->setTextRect(QRect(26, 0, 43, 22));
}

void QVEInitCtrlStyle::SetQJXLineEdit(QJXLineEdit *edit)
{
    if (!edit)
        return;
    edit->setBackgroundImage(image("edit_background.png"));
    edit->onlyInputNumber();
    edit->setAlignment(Qt::AlignCenter);
    SetFont(edit, 12);
    QPalette p = edit->palette();
    setAllGroups(p, QPalette::Text, lightText());
    edit->setPalette(p);
}

void QVEInitCtrlStyle::SetQJXSlider(QJXBaseSlider *slider)
{
    if (!slider)
        return;
    slider->setProgressPolicy(QJXBaseProgress::HorizontalBar);
    slider->setBottomImage(image("slider_bottom.png"));
    slider->setTopImage(image("slider_top.png"));
    slider->setBtnImage(image("slider_image.png"));
    slider->setOffset(0, 0);
    slider->setBtnOffset(-4);
    slider->setFormat(QString());
}

void QVEInitCtrlStyle::SetRadioButton(QJXRadioButton *radio)
{
    if (!radio)
        return;
    radio->setCheckImage(image("Edit_selections_yes.png"), image("Edit_selections_no.png"), false,
                         false);
    SetFont(radio, 12);
    setLightWindowText(radio);
}

void QVEInitCtrlStyle::SetCheckBox(QJXCheckBox *checkBox)
{
    if (!checkBox)
        return;
    checkBox->setCheckImage(image("btn_check_on.png"), image("btn_check_off.png"), QString(), false);
    SetFont(checkBox, 12);
    setLightWindowText(checkBox);
}

void QVEInitCtrlStyle::SetQJXScrollBar(QJXScrollBar *scrollBar)
{
    Q_ASSERT(scrollBar);
    QJXScrollBarStyleAttribute a = scrollBar->styleAttribute();
    const QColor dark(72, 72, 72), frame(55, 53, 53);
    a.grooveColor = dark;
    a.hoverGrooveColor = dark;
    a.hoverLookAlways = true;
    a.lineColor = dark;
    a.extraColor1 = frame;
    a.extraColor2 = frame;
    a.extraColor3 = QColor(69, 68, 68);
    a.handleColor = frame;
    a.handlePressedColor = frame;
    a.handleHoverColor = frame;
    a.handleMargin = 1;
    scrollBar->setStyleAttribute(a);
}

void QVEInitCtrlStyle::SetQJXComboBox(QJXComboBox *combo)
{
    Q_ASSERT(combo);
    comboLook(combo);
    combo->setMaxVisibleItems(16);
    combo->setItemTextMargins(5, 0, 0, 0);
}

void QVEInitCtrlStyle::SetQJXDoubleSpinBox(QJXDoubleSpinBox *spinBox)
{
    Q_ASSERT(spinBox);
    spinBox->setBackgroundImage(image("spinBox_bg.png"));
    spinBox->setUpAndDownBtnImage(image("spinBox_up.png"), image("spinBox_down.png"), true);
    spinBox->resize(78, 22);
    spinBox->setDrawTextMargins(3, 0, 0, 0);
    QPalette p = spinBox->palette();
    setAllGroups(p, QPalette::Text, lightText());
    spinBox->setPalette(p);
}

void QVEInitCtrlStyle::InitJXCheckCombox(void *combo)
{
    auto *c = combo ? qobject_cast<QCheckboxCombobox *>(asWidget(combo)) : nullptr;
    if (!c)
        return;
    comboLook(c);
    c->setItemHoverColor(QColor(105, 105, 105));
    c->setCheckImage(image("btn_check_on.png"), image("btn_check_off.png"));
    c->setIconBtnMode(true);
    c->setCheckboxPos(QPoint(2, -1));
    c->setItemTextMargins(18, 1, 1, 1);
    c->setMaxVisibleItems(20);
    c->setSeparatorColor(QColor(55, 53, 53));
}
