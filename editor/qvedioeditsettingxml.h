#pragma once
// The editor's own defaults file, "VedioEditDefaultSetting.xml" in the
// application-data folder: the snapshot format and folder. Reads complete the
// file with the defaults; every write replaces the file whole (a damaged file
// is kept aside as "<name>.bad", as with the other settings files).

#include <QDomDocument>
#include <QString>

class QVedioEditSettingXml
{
public:
    static QString filePath();

    // Snapshot format ("JPG" or "PNG"; "JPG" by default).
    static QString getCaptureImgSuffix();
    static bool setCaptureImgSuffix(const QString &suffix);
    // Snapshot folder; by default "Converted/Screenshots/" in the documents
    // folder, created when missing (the documents folder when it cannot be).
    static QString getCaptrueImaSavePath();
    static bool setCaptrueImaPath(const QString &folder);

    // Any attribute of any child element: the stored value, else the default,
    // which is then stored. An unreadable file gives the default untouched.
    static QString GetItemValue(const QString &group, const QString &key,
                                const QString &defaultValue);
    // Stores the value, creating the file and the element when missing, so
    // that a choice is never lost; false when the file cannot be written.
    static bool SetItemValue(const QString &group, const QString &key, const QString &value);

    static bool isValidFile(const QString &path, QDomDocument &doc);
    static bool SaveXml(const QString &path, const QDomDocument &doc);

private:
    QVedioEditSettingXml() = default;
};
