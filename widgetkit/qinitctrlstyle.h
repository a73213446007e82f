#pragma once
// The application's look in one place: one call per kind of window or
// control sets its images, colours, font and size. Each function takes the
// control as an untyped pointer of the kind its name says, and ignores a
// null pointer or a widget of another kind.

#include <QColor>
#include <QPalette>

// Common dialog look of a drawn window: translucent, frameless, fixed size,
// centred title, dragged by its top 30 pixels.
void InitDlg(void *window);

class QInitCtrlStyle
{
public:
    QInitCtrlStyle() = default;

    // Windows.
    static void InitBg1(void *window);
    static void InitBg2(void *window);
    static void InitBg3(void *window);
    static void InitEditBg(void *window);
    static void InitCommonWgt(void *pane);

    // Any widget.
    static void InitFont(void *widget, int pixelSize);
    static void InitPalette(void *widget, QPalette::ColorRole role, QColor color);

    // Controls.
    static void InitJXCombox(void *combo);
    static void InitJXCombox1(void *combo, int w, int h);
    static void InitJXCombox2(void *combo, int w, int h);
    static void InitJXCombox3(void *combo, int w, int h);
    static void InitSearchEdit(void *edit);
    static void InitJxMenu(void *menu);
    static void InitJXSlider(void *slider);
    static void InitJxScrollBar(void *scrollBar);
    static void InitTabBtn(void *button);
    static void InitJXButton(void *button, int w, int h);
    static void InitJXButton1(void *button, int w, int h);
    // The common button look of the progress dialogs.
    static void InitTKButton(void *button, int w, int h);
    static void InitRadio(void *radio);
    static void InitCheckBox(void *checkBox);
    static void InitLineEdit(void *edit, int w, int h);
    static void InitTextEdit(void *edit);
    static void InitTimeEdit(void *edit, int w, int h);

    // The colours the functions use.
    static QColor lightText() { return QColor(250, 237, 237); }
    static QColor accent() { return QColor(255, 132, 65); }
    static QColor disabledText() { return QColor(131, 127, 127); }
    static QColor darkBackground() { return QColor(44, 44, 44); }
};
