#pragma once
// Window services of the platform for widgets handed over as untyped pointers.

#include <QFlags>
#include <Qt>
#include <string>

class QWidget;

class QJXCommonPlatfromApi
{
public:
    // Makes the widget's window an always-on-top overlay that lets clicks
    // pass through to what lies below; null does nothing.
    static void setWindowsIgnoresMouse(void *widget);
    // Shows the file selected in the file manager.
    static void showFileInFolder(const std::string &path);
    // Adds flags to a top-level window, keeping it shown if it was.
    static void addWindowFlags(QWidget *window, Qt::WindowFlags flags);
};
