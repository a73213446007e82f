#pragma once
// Shows a file selected in the desktop's file manager: the freedesktop
// FileManager1 "ShowItems" call on the session bus, or, when no file manager
// answers it, the file's folder opened through the desktop services.

#include <QString>

class QFileReveal
{
public:
    // Runs of "/" become one; back-slashes stay.
    static QString normalisedPath(const QString &path);
    // Returns at once; the call never blocks the GUI on a slow file manager.
    static void reveal(const QString &path);
    // Opens the folder that holds the path.
    static bool openContainingFolder(const QString &path);
};
