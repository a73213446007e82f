#pragma once
// Window level and file reveal services for the editor's screens.

#include <QString>

class VECommonClass
{
public:
    // Keeps the widget's window above normal windows.
    static void setWindowTopHint(void *widget);
    // Shows the file selected in the file manager.
    static void setOpenFinder(const QString &path);
};
