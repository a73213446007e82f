#pragma once
// Reads one preset file "config.xml" into a QFrameChunk. The document
// element's attributes give version, name and thumbnail; its children
// "FrameInfo", "EQ" and "Rate" give the frames, the equaliser and the rate.

#include <QDomDocument>
#include <QString>

struct QFrameChunk;

class QReadFrameXML
{
public:
    // A new preset owned by the caller; null when the file is missing,
    // unreadable or not a well-formed document.
    static QFrameChunk *readFrameChunk(const QString &path);
    // False when the file cannot be read or does not parse.
    static bool isValidFile(const QString &path, QDomDocument &doc);
    // The document element's attribute as an integer (0 when missing); -1
    // when the file cannot be read.
    static int getVersionId(const QString &path);
    static int getAPPMinVersion(const QString &path);

private:
    QReadFrameXML() = default;
    static int rootNumber(const QString &path, const QString &attribute);
};
