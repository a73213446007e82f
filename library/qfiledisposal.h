#pragma once
// Deletes recordings from the disk and then the folders this leaves empty,
// upwards, but never the output folder, a folder above it, or the folder
// the history names as the recording's bound.

#include <QStringList>

class QFileDisposal
{
public:
    // Mode 2 deletes; any other mode does nothing.
    static void disposeFiles(const QStringList &paths, int mode);
    // Removes one file, then its emptied folders; stops below `bound` (when
    // set) and below the output folder. A folder holding anything, hidden
    // files included, stays.
    static void disposeFile(const QString &path, const QString &bound, const QString &outputFolder);

    // "\" and "//" become "/", ending in "/".
    static QString folderText(const QString &folder);

private:
    QFileDisposal() = default;
};
