#pragma once
// The records of the three state files whose salvage is measured (History.xml,
// CustomedLists.xml and the preferences), as the program reads them: a file
// of numbered records with where each lies, the records read through the
// store, and the count of what a damaged file's reading kept against the
// undamaged original's. Link velmora_common and Qt5::Xml to use it.

#include "common/qvideosettingxml.h"

#include <QDomDocument>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QVector>

namespace StateRecords {

enum class Kind { History, Playlists, Preferences };

inline QString pathOf(Kind kind)
{
    switch (kind) {
    case Kind::History:
        return QVideoSettingXml::historyFilePath();
    case Kind::Playlists:
        return QVideoSettingXml::playListFilePath();
    case Kind::Preferences:
        break;
    }
    return QVideoSettingXml::preferencesFilePath();
}

inline const char *nameOf(Kind kind)
{
    return kind == Kind::History     ? "History.xml"
           : kind == Kind::Playlists ? "CustomedLists.xml"
                                     : "preferences";
}

// A file of numbered records as the store writes it, and where each record
// lies: from its '<' to just after its last '>'.
struct Original
{
    QByteArray bytes;
    QVector<QPair<int, int>> spans;
};

inline Original original(Kind kind, int records)
{
    Original o;
    o.bytes = "<ROOTITEM>\n";
    for (int n = 0; n < records; ++n) {
        QString record;
        if (kind == Kind::History)
            record = QStringLiteral("<Path_item Converted_path_=\"/music/r%1.mp3\">\n"
                                    "        <CONVERTED_INFO_ Title_=\"Song %1\" Artist_=\"Artist %1\" "
                                    "Format_=\"MP3\" New_file=\"N\"/>\n"
                                    "        <List_name ListName=\"Road\"/>\n"
                                    "    </Path_item>");
        else if (kind == Kind::Playlists)
            // The number twice: no one-byte change makes one name another's.
            record = QStringLiteral("<List_name ListName=\"List %1 (%1)\"/>");
        else
            record = QStringLiteral("<GROUP_%1 Key_a=\"a %1\" Key_b=\"b %1\"/>");
        const QByteArray bytes = record.arg(n).toUtf8();
        o.bytes += "    ";
        o.spans.append({o.bytes.size(), o.bytes.size() + bytes.size()});
        o.bytes += bytes + "\n";
    }
    o.bytes += "</ROOTITEM>\n";
    return o;
}

// The groups of a settings file read through the store's shared road, one
// text each (name and sorted attributes), in file order.
inline QStringList readGroups(const QString &path)
{
    QStringList list;
    QDomDocument doc;
    if (!QVideoSettingXml::isValidFile(path, doc))
        return list;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        QStringList attributes;
        const QDomNamedNodeMap map = e.attributes();
        for (int i = 0; i < map.size(); ++i)
            attributes << map.item(i).nodeName() + '=' + map.item(i).nodeValue();
        attributes.sort();
        list << e.tagName() + ' ' + attributes.join(' ');
    }
    return list;
}

// The records of the file as the program reads them, one text each, in
// file order.
inline QStringList read(Kind kind)
{
    if (kind == Kind::Playlists)
        return QVideoSettingXml::GetAllPlayLists();
    if (kind == Kind::Preferences)
        return readGroups(pathOf(kind));
    QStringList list;
    for (const convertedInfo &i : QVideoSettingXml::analysisConvertedInfo())
        list << QStringList({i.convertedPath, i.title, i.artist, i.format, i.listNames.join('|')}).join('\t');
    return list;
}

// What a damaged file's reading kept against the original's records:
// records kept exactly, records the damage did not touch that are missing
// (lost), records unlike any original beyond the touched ones (a touched
// record may be read as far as it goes: more are invented), and records
// read more than once.
struct Tally
{
    int kept = 0;
    int lost = 0;
    int invented = 0;
    int duplicated = 0;

    QString text() const
    {
        return QStringLiteral("kept %1, lost %2, invented %3, duplicated %4")
            .arg(kept)
            .arg(lost)
            .arg(invented)
            .arg(duplicated);
    }
};

// original: the records read from the undamaged file, in file order;
// intact: which of them the damage neither touched nor cut off; touched:
// how many it touched.
inline Tally tally(const QStringList &original, const QVector<bool> &intact, const QStringList &read,
                   int touched)
{
    Tally t;
    QHash<QString, int> left;
    for (const QString &record : original)
        ++left[record];
    QSet<QString> found;
    for (const QString &record : read) {
        if (left.value(record) > 0) {
            --left[record];
            ++t.kept;
            found.insert(record);
        } else if (original.contains(record)) {
            ++t.duplicated;
        } else if (touched > 0) {
            --touched;
        } else {
            ++t.invented;
        }
    }
    for (int i = 0; i < original.size(); ++i)
        t.lost += intact.value(i) && !found.contains(original.at(i)) ? 1 : 0;
    return t;
}

} // namespace StateRecords
