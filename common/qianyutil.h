#pragma once
// Where the application's folders are, and the size text of a byte count.

#include <QString>

class QIAnyUtil
{
public:
    // Folder of the executable, ending in "/".
    static QString getApplicationDirPath();
    // Read-only resources: $VELMORA_RESOURCES, else "resources" beside the
    // executable; no trailing "/". Computed once.
    static QString getResourcePath();
    // Per-user data folder holding every XML file we write; created when missing.
    static QString getAppDataPath();
    // The application's folder in the user's documents; created when missing.
    static QString getDocumentPath();
    // The application's temporary folder; created when missing.
    static QString getTempSavePath();
    static QString dndTmpPath();

    // "%d B", "%.2f KB", "%.2f MB", "%.2f GB" in steps of 1024: the one size
    // text of History.xml, the library's rows and its info line.
    static QString size2String(unsigned long long bytes);
    // "hh:mm:ss" of whole seconds, hours not limited to a day: the one
    // duration text of History.xml and the library's rows.
    static QString duration2String(unsigned long long microseconds);

    static QString getRestorePassWord();
    static void setRestorePassWord(const QString &password);

    static const QString &displayName();

private:
    QIAnyUtil() = default;
};
