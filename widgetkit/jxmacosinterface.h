#pragma once
// Window-system services of the window engine, answered through Qt on this
// system: positions are top-left based screen coordinates.

#include <QPoint>

class QWidget;

class JxMacosInterface
{
public:
    JxMacosInterface() = default;

    // Top-left of the frame of the widget's window; (0,0) for a null widget.
    static QPoint getWindowPos(QWidget *widget);
    // The mouse position on the desktop.
    static QPoint getGlobalPos();
    // Minimises the widget's window; nothing for a null widget.
    static void showMinimize(QWidget *widget);
    // There is no Dock here; the window list of the desktop shows the program as usual.
    static void hideDock() {}
};
