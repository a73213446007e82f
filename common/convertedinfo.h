#pragma once
// The history record of one finished file, as kept in "History.xml".

#include <QMetaType>
#include <QString>
#include <QStringList>

struct convertedInfo
{
    QString imgPath;
    QString convertedPath;   // the key of the history entry
    QString preferencePath;
    QString resolution;      // "%1*%2"
    QString time;            // "hh:mm:ss"
    QString size;            // QIAnyUtil::size2String
    QString createTime;      // "dd-MM-yyyy hh:mm"
    QString format;
    QString extend;          // extension without the dot
    QString title;
    QString artist;
    QString album;
    QString genre;
    QStringList listNames;   // playlists holding the file, in stored order
    bool videoFile = false;
    bool newFile = false;    // new since the library last loaded the history

    bool operator==(const convertedInfo &other) const;
    bool operator!=(const convertedInfo &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(convertedInfo)
