#pragma once
// The records of the three state files whose salvage is measured (History.xml,
// CustomedLists.xml and the preferences), as the program reads them: a file
// of numbered records with where each lies (written as the store writes it,
// or in another encoding, with references beyond U+FFFF or with markup
// between the records), the records read through the store and as they
// must read, and the count of what a damaged file's reading kept against
// the undamaged original's. Link velmora_common and Qt5::Xml to use it.

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

// How an original file is written: as the store writes it, or as another
// program might: values with character references beyond U+FFFF, the whole
// file in UTF-16 or Latin-1 under its declaration, or comments, processing
// instructions and CDATA sections between the records, each holding a
// record of its own (numbered from 1000) that is no record of the file. The
// two markup layouts differ in where the instruction and the CDATA stand.
enum class Variant { Plain, Astral, Utf16, Latin1, Markup, MarkupSwapped };
constexpr int kVariantCount = 6;

inline const char *nameOf(Variant variant)
{
    switch (variant) {
    case Variant::Plain:
        return "plain";
    case Variant::Astral:
        return "astral references";
    case Variant::Utf16:
        return "UTF-16";
    case Variant::Latin1:
        return "Latin-1";
    case Variant::Markup:
        return "markup";
    case Variant::MarkupSwapped:
        break;
    }
    return "markup swapped";
}

// What the variant adds to a record's first value, as written and as read.
inline QString suffixWritten(Variant variant)
{
    switch (variant) {
    case Variant::Astral:
        return QStringLiteral(" &#x1F3B5;&#127926;");
    case Variant::Utf16:
        return QStringLiteral(" caf\u00e9 \u03a9");
    case Variant::Latin1:
        return QStringLiteral(" caf\u00e9");
    default:
        return QString();
    }
}

inline QString suffixRead(Variant variant)
{
    if (variant == Variant::Astral)
        return QStringLiteral(" ") + QString::fromUcs4(U"\U0001F3B5\U0001F3B6");
    return suffixWritten(variant);
}

// The text in the file's encoding.
inline QByteArray encoded(Variant variant, const QString &text)
{
    if (variant == Variant::Utf16) {
        QByteArray bytes;
        for (const QChar c : text) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
        return bytes;
    }
    if (variant == Variant::Latin1)
        return text.toLatin1();
    return text.toUtf8();
}

inline QString recordText(Kind kind, int n, const QString &suffix)
{
    if (kind == Kind::History)
        return QStringLiteral("<Path_item Converted_path_=\"/music/r%1.mp3\">\n"
                              "        <CONVERTED_INFO_ Title_=\"Song %1%2\" Artist_=\"Artist %1\" "
                              "Format_=\"MP3\" New_file=\"N\"/>\n"
                              "        <List_name ListName=\"Road\"/>\n"
                              "    </Path_item>")
            .arg(n)
            .arg(suffix);
    if (kind == Kind::Playlists)
        // The number twice: no one-byte change makes one name another's.
        return QStringLiteral("<List_name ListName=\"List %1 (%1)%2\"/>").arg(n).arg(suffix);
    return QStringLiteral("<GROUP_%1 Key_a=\"a %1%2\" Key_b=\"b %1\"/>").arg(n).arg(suffix);
}

// A file of numbered records, and where each record lies: from its '<' to
// just after its last '>', in bytes; endTags: each record's end tag.
struct Original
{
    QByteArray bytes;
    QVector<QPair<int, int>> spans;
    QStringList endTags;
    Variant variant = Variant::Plain;
};

inline Original original(Kind kind, int records, Variant variant = Variant::Plain)
{
    Original o;
    o.variant = variant;
    if (variant == Variant::Utf16)
        o.bytes = QByteArray("\xFF\xFE", 2)
                  + encoded(variant, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"));
    else if (variant == Variant::Latin1)
        o.bytes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    o.bytes += encoded(variant, QStringLiteral("<ROOTITEM>\n"));
    // The markup between records: a comment, the instruction or CDATA, the
    // other of the two, a comment; never two instructions or two CDATA
    // sections, whose end, once damaged, would leave a file that reads as
    // well-formed with the records between them inside one.
    const bool markup = variant == Variant::Markup || variant == Variant::MarkupSwapped;
    const QString cdata = QStringLiteral("<![CDATA[%1]]>");
    const QString instruction = QStringLiteral("<?velmora-note %1 ?>");
    const QStringList wrappers{QStringLiteral("<!-- %1 -->"), variant == Variant::Markup ? cdata : instruction,
                               variant == Variant::Markup ? instruction : cdata, QStringLiteral("<!-- %1 -->")};
    int wrapped = 0;
    for (int n = 0; n < records; ++n) {
        const QByteArray bytes = encoded(variant, recordText(kind, n, suffixWritten(variant)));
        o.bytes += encoded(variant, QStringLiteral("    "));
        o.spans.append({o.bytes.size(), o.bytes.size() + bytes.size()});
        o.bytes += bytes + encoded(variant, QStringLiteral("\n"));
        o.endTags << (kind == Kind::History     ? QStringLiteral("</Path_item>")
                      : kind == Kind::Playlists ? QStringLiteral("</List_name>")
                                                : QStringLiteral("</GROUP_%1>").arg(n));
        if (markup && wrapped < wrappers.size() && n + 1 >= (wrapped + 1) * records / (wrappers.size() + 1)) {
            o.bytes += encoded(variant, QStringLiteral("    ")
                                            + wrappers.at(wrapped).arg(recordText(kind, 1000 + n, QString()))
                                            + QStringLiteral("\n"));
            ++wrapped;
        }
    }
    o.bytes += encoded(variant, QStringLiteral("</ROOTITEM>\n"));
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

// The records of the original as the program must read them.
inline QStringList expected(Kind kind, int records, Variant variant)
{
    QStringList list;
    const QString suffix = suffixRead(variant);
    for (int n = 0; n < records; ++n) {
        if (kind == Kind::History)
            list << QStringList({QStringLiteral("/music/r%1.mp3").arg(n),
                                 QStringLiteral("Song %1%2").arg(n).arg(suffix),
                                 QStringLiteral("Artist %1").arg(n), QStringLiteral("MP3"),
                                 QStringLiteral("Road")})
                        .join('\t');
        else if (kind == Kind::Playlists)
            list << QStringLiteral("List %1 (%1)%2").arg(n).arg(suffix);
        else
            list << QStringLiteral("GROUP_%1 Key_a=a %1%2 Key_b=b %1").arg(n).arg(suffix);
    }
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
