#pragma once
// The settings store: static readers and writers of the program's small XML
// files in the application-data folder. Every file has the document element
// "ROOTITEM", keeps its values in attributes and is written whole, UTF-8,
// indent 4, atomically. Records are handed out by value.

#include <QDomDocument>
#include <QString>

class QVideoSettingXml
{
public:
    // ---- Shared file handling ----
    // Reads and parses the file into doc. False when it cannot be opened (also
    // when it is missing). A file that does not parse is moved aside as
    // "<path>.bad" and replaced by an empty file; doc then holds an empty
    // "ROOTITEM" document and the result is true. An empty file reads as an
    // empty "ROOTITEM" document.
    static bool isValidFile(const QString &path, QDomDocument &doc);
    // Writes the whole document atomically: on any failure the previous file
    // stays as it was and the result is false.
    static bool SaveXml(const QString &path, const QDomDocument &doc);

    // ---- Preferences (an empty file means "AudioDefaultSetting.xml") ----
    // The attribute key of the group element, or defaultValue when it is
    // missing or empty. A missing file or group element is created.
    static QString GetItemValue(const QString &group, const QString &key,
                                const QString &defaultValue, const QString &file = QString());
    // Stores the value, creating the file and the group element when missing.
    static bool SetItemValue(const QString &group, const QString &key,
                             const QString &value, const QString &file = QString());

    // Snapshot format and folder (group "Screenshots"); the readers store
    // their default when the key has no value yet.
    static QString getCaptureImgSuffix();
    static bool setCaptureImgSuffix(const QString &suffix);
    static QString getCaptrueImaSavePath();
    static bool setCaptrueImaPath(const QString &folder);

    static QString preferencesFilePath();
    static const QString &rootElementName();

private:
    QVideoSettingXml() = default;

    // A new document holding only an empty "ROOTITEM".
    static QDomDocument newDocument();
    // Missing file: a new document (and true). Otherwise isValidFile.
    static bool loadOrCreate(const QString &path, QDomDocument &doc);
    // Missing file: false. Otherwise isValidFile.
    static bool loadExisting(const QString &path, QDomDocument &doc);
    // Read-only data files: parsed as they are, never replaced.
    static bool loadReadOnly(const QString &path, QDomDocument &doc);
    static QString readStoringDefault(const QString &group, const QString &key,
                                      const QString &defaultValue);
    static QString appDataFile(const QString &name);
};
