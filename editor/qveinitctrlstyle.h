#pragma once
// The editor's dark look in one place: fonts, colours and the drawn controls'
// pictures under "/VEditSource/". Functions taking a pointer ignore a null one,
// except the scroll bar, combo box and spin box, which need a control.

#include <QColor>
#include <QPalette>
#include <QString>

class QCheckboxCombobox;
class QJXBaseButton;
class QJXBaseSlider;
class QJXButtonExtend;
class QJXCheckBox;
class QJXComboBox;
class QJXDoubleSpinBox;
class QJXLineEdit;
class QJXRadioButton;
class QJXScrollBar;
class QLabel;
class QWidget;

class QVEInitCtrlStyle
{
public:
    QVEInitCtrlStyle() = default;

    // Any widget.
    static void SetFont(void *widget, int pixelSize);
    static void SetFontFamily(void *widget, const QString &family, int pixelSize);
    static void SetPalette(void *widget, QPalette::ColorRole role, const QColor &color);

    // Labels: SetLabel also fits the width to the text.
    static void SetLabel(QLabel *label, const QString &text, int pixelSize);
    static void SetLabel2(QLabel *label, const QString &text, int pixelSize);

    // Controls.
    static void SetJXButton(QJXBaseButton *button, int width, int height);
    static void SetJXButtonEx(QJXButtonExtend *button, int width, int height);
    static void SetQJXLineEdit(QJXLineEdit *edit);
    static void SetQJXSlider(QJXBaseSlider *slider);
    static void SetRadioButton(QJXRadioButton *radio);
    static void SetCheckBox(QJXCheckBox *checkBox);
    static void SetQJXScrollBar(QJXScrollBar *scrollBar);
    static void SetQJXComboBox(QJXComboBox *combo);
    static void SetQJXDoubleSpinBox(QJXDoubleSpinBox *spinBox);
    static void InitJXCheckCombox(void *combo);

    // The editor's colours and its picture folder.
    static QColor lightText() { return QColor(250, 237, 237); }
    static QColor disabledText() { return QColor(89, 104, 130); }
    static QColor accent() { return QColor(255, 132, 65); }
    static QColor panel() { return QColor(44, 44, 44); }
    // Resource folder + "/VEditSource/" + name.
    static QString image(const QString &name);
};
