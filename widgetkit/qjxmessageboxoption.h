#pragma once
// Everything that styles a message box, as one value record. Every new box
// fills it with defaults and then hands it to the process-wide hook.

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPalette>
#include <QPoint>
#include <QSize>
#include <QString>

struct QJXMessageBoxOption
{
    QJXMessageBoxOption();

    QString okText;
    QString cancelText;
    QString yesText;
    QString noText;
    QFont buttonFont;
    QColor buttonTextNormal;
    QColor buttonTextHover;
    QColor buttonTextPressed;
    QColor buttonTextDisabled;
    int buttonMargin = 20;
    int buttonSpacing = 15;
    QPalette palette;
    QFont titleFont;
    QFont messageFont;
    int dialogTop = 0;
    int dialogBottom = 0;
    QMargins transparentMargins;
    QPoint closeButtonOffset;
    QSize fixedSize;
    int iconOffset = 0;
};
