// The program's own state files under damage and attack: a damaged file
// keeps exactly its whole records, in whatever encoding its declaration
// names and whatever markup stands between its records; entity
// declarations, deep nesting, oversized files, pipes and devices are refused
// at once and set aside as ".bad" with a notice for the user; a valid file of
// another writer (UTF-16, Latin-1, references beyond U+FFFF, comments,
// instructions and CDATA) reads as written and is saved as UTF-8; what the
// store writes is always well-formed, and never without the lock of the
// running copies, whatever stands at the lock's path; a state file that is
// a folder refuses the save and says so, a link to nothing is replaced;
// parsed files are reused while unchanged on disk and re-read when they
// change.
#include "common/historywriter.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "common/statefilelock.h"
#include "settledfiles.h"
#include "staterecords.h"
#include "wellformed.h"

#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestSupport::readSettled;
using TestSupport::writeSettled;

QByteArray entry(int n)
{
    return QStringLiteral("    <Path_item Converted_path_=\"/music/r%1.mp3\">\n"
                          "        <CONVERTED_INFO_ Title_=\"r%1\" Format_=\"mp3\" New_file=\"N\"/>\n"
                          "        <List_name ListName=\"Road\"/>\n"
                          "    </Path_item>\n")
        .arg(n)
        .toUtf8();
}

QByteArray history(int count)
{
    QByteArray bytes = "<ROOTITEM>\n";
    for (int n = 0; n < count; ++n)
        bytes += entry(n);
    return bytes + "</ROOTITEM>\n";
}

QStringList paths(const QList<convertedInfo> &records)
{
    QStringList list;
    for (const convertedInfo &info : records)
        list << info.convertedPath;
    return list;
}

// A 200 KB document whose entities expand quadratically (about 2 GB).
QByteArray quadraticEntities(const QByteArray &root)
{
    const QByteArray value(100000, 'x');
    QByteArray refs;
    for (int i = 0; i < 10000; ++i)
        refs += "&a;";
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE " + root + " [<!ENTITY a \"" + value + "\">]>\n<" + root
           + "><RECORD_TIME_INFO Bool_Stop_After_Time=\"" + refs + "\"/><Path_item Converted_path_=\"" + refs
           + "\"><CONVERTED_INFO_ Title_=\"t\"/></Path_item></" + root + ">\n";
}

QByteArray nested(int levels)
{
    QByteArray bytes = "<ROOTITEM>";
    for (int i = 0; i < levels; ++i)
        bytes += "<a>";
    for (int i = 0; i < levels; ++i)
        bytes += "</a>";
    return bytes + "</ROOTITEM>";
}

// Runs the call on a thread of its own; false when it has not returned in
// time (a blocked reader is then released by opening the pipe's other end).
bool returnsPromptly(const std::function<void()> &call, const QString &fifo = QString())
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
        return true;
    if (!fifo.isEmpty()) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    done.wait();
    return false;
}

using StateRecords::Kind;
using StateRecords::Variant;

QString editorDefaultsPath()
{
    return QIAnyUtil::getAppDataPath() + "/VedioEditDefaultSetting.xml";
}

constexpr int kRecords = 12;
constexpr int kDamaged = 5; // the record a damage is aimed at

enum class Damage {
    NulBetween,
    ZeroedBlock,
    BadUtf8InName,
    BadUtf8InValue,
    StrayLessThan,
    RecordStartLost,
    FlippedInRecord,
    RecordLeftOpen,
    CutInRecord,
    FlippedBlank,
    NulInDocumentTag,
    ProcessingInstruction,
    EntryClosedEarly,
    StrayEndTag,             // the record's end tag once more after it
    ByteLostBefore,          // the byte before the record (UTF-16: all after shifts)
    DeclarationDamaged,      // NULs over the declaration's encoding
    DeclarationStartDamaged, // its '<' made '>'
    MarkByteLost,            // the first byte of the byte order mark
    CommentOpenerDamaged,
    CommentCloserDamaged,
    InstructionCloserDamaged,
    CdataCloserDamaged,
    NulInComment,
};

QByteArray damaged(const StateRecords::Original &o, Kind kind, Damage damage)
{
    QByteArray b = o.bytes;
    const int start = o.spans.at(kDamaged).first;
    const int end = o.spans.at(kDamaged).second;
    const QByteArray name = kind == Kind::History ? "Title_" : kind == Kind::Playlists ? "ListName" : "Key_a";
    const QByteArray value = kind == Kind::History ? "\"Song " : kind == Kind::Playlists ? "\"List " : "\"a ";
    switch (damage) {
    case Damage::NulBetween:
        b.insert(start, '\0');
        break;
    case Damage::ZeroedBlock: {
        // From the middle of one record to the middle of the next: a lost block.
        const int from = (start + end) / 2;
        const int to = (o.spans.at(kDamaged + 1).first + o.spans.at(kDamaged + 1).second) / 2;
        b.replace(from, to - from, QByteArray(to - from, '\0'));
        break;
    }
    case Damage::BadUtf8InName:
        b[b.indexOf(name, start) + 2] = '\xFF';
        break;
    case Damage::BadUtf8InValue:
        b[b.indexOf(value, start) + 2] = '\xFF';
        break;
    case Damage::StrayLessThan:
        b.insert(start, '<');
        break;
    case Damage::RecordStartLost:
        b[start] = 'x';
        break;
    case Damage::FlippedInRecord:
        b[b.indexOf(name, start) + name.size()] = 'x';
        break;
    case Damage::RecordLeftOpen:
        if (kind == Kind::History)
            b.remove(end - 12, 12); // "</Path_item>"
        else
            b.remove(end - 2, 1); // the '/' of "/>"
        break;
    case Damage::CutInRecord:
        b.truncate((start + end) / 2);
        break;
    case Damage::FlippedBlank:
        b[start - 1] = 'x';
        break;
    case Damage::NulInDocumentTag:
        b[3] = '\0';
        break;
    case Damage::ProcessingInstruction:
        // "<?" opens an instruction that runs to the end of the file.
        b[start + 1] = '?';
        break;
    case Damage::EntryClosedEarly:
        // Its children follow it, then its end tag.
        b.insert(b.indexOf('>', start), '/');
        break;
    case Damage::StrayEndTag:
        b.insert(end, StateRecords::encoded(o.variant, o.endTags.at(kDamaged)));
        break;
    case Damage::ByteLostBefore:
        b.remove(start - 1, 1);
        break;
    case Damage::DeclarationDamaged:
        b.replace(b.indexOf("encoding"), 17, QByteArray(17, '\0'));
        break;
    case Damage::DeclarationStartDamaged:
        b[0] = '>';
        break;
    case Damage::MarkByteLost:
        b.remove(0, 1);
        break;
    case Damage::CommentOpenerDamaged:
        b[b.indexOf("<!--") + 3] = 'x';
        break;
    case Damage::CommentCloserDamaged:
        b[b.indexOf("-->") + 1] = 'x';
        break;
    case Damage::InstructionCloserDamaged:
        b[b.indexOf("?>", b.indexOf("<?velmora"))] = 'x';
        break;
    case Damage::CdataCloserDamaged:
        b[b.indexOf("]]>") + 1] = 'x';
        break;
    case Damage::NulInComment:
        b[b.indexOf("<!--") + 5] = '\0';
        break;
    }
    return b;
}

// The records of the file at path as the next start reads them: the
// history read in this process is let go first.
QStringList recordsOnDisk(const QString &path)
{
    if (path == QVideoSettingXml::historyFilePath()) {
        const QByteArray bytes = readSettled(path);
        if (!writeSettled(path, "<ROOTITEM><Path_item") || !QVideoSettingXml::analysisConvertedInfo().isEmpty()
            || !QFile::remove(path + ".bad") || !writeSettled(path, bytes))
            return {"cannot be read anew"};
        StateFileNotices::takeAll();
        return StateRecords::read(Kind::History);
    }
    if (path == QVideoSettingXml::playListFilePath())
        return StateRecords::read(Kind::Playlists);
    return StateRecords::readGroups(path);
}

QByteArray nestedElements(int count)
{
    return QByteArray("<d>").repeated(count) + QByteArray("</d>").repeated(count);
}

QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList({"*.xml"}, QDir::Files, QDir::Name);
}

// Saves one record named so in the kind's file; for the history, true once
// it is in the file (reason says why not).
bool saveOne(Kind kind, const QString &name, QString *reason = nullptr)
{
    switch (kind) {
    case Kind::History: {
        convertedInfo info;
        info.convertedPath = QStringLiteral("/music/%1.mp3").arg(name);
        info.title = name;
        info.format = QStringLiteral("MP3");
        QVideoSettingXml::SaveConvertedInfo(info);
        return QVideoSettingXml::waitForHistory(reason);
    }
    case Kind::Playlists:
        return QVideoSettingXml::AppendPlayList(name);
    case Kind::Preferences:
        break;
    }
    return QVideoSettingXml::SetItemValue(name, QStringLiteral("Key"), QStringLiteral("v"));
}

// The record saveOne made, as StateRecords reads it.
QString savedOne(Kind kind, const QString &name)
{
    if (kind == Kind::History)
        return QStringList({QStringLiteral("/music/%1.mp3").arg(name), name, QString(), QStringLiteral("MP3"),
                            QString()})
            .join('\t');
    if (kind == Kind::Playlists)
        return name;
    return name + QStringLiteral(" Key=v");
}

using Writes = std::function<void()>;

// The roads the depth bound is tried on.
enum class Road { History, Preferences, EditorDefaults };

} // namespace

Q_DECLARE_METATYPE(StateRecords::Kind)
Q_DECLARE_METATYPE(StateRecords::Variant)
Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(Writes)
Q_DECLARE_METATYPE(Road)

class StateFilesTest : public QObject
{
    Q_OBJECT
private:
    QString historyPath() const { return QVideoSettingXml::historyFilePath(); }
    QString prefs() const { return QVideoSettingXml::preferencesFilePath(); }
    QString lists() const { return QVideoSettingXml::playListFilePath(); }

private slots:
    void init()
    {
        QVideoSettingXml::waitForHistory();
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
        QIAnyUtil::getAppDataPath();
        StateFileNotices::takeAll();
    }

    void historyCutInHalfKeepsItsCompleteRecords()
    {
        const QByteArray whole = history(4);
        // Cut in the middle of the third record: two records are whole.
        const QByteArray cut = whole.left(whole.indexOf("r2.mp3") + 3);
        QVERIFY(writeSettled(historyPath(), cut));
        QCOMPARE(paths(QVideoSettingXml::analysisConvertedInfo()),
                 QStringList({"/music/r0.mp3", "/music/r1.mp3"}));
        QCOMPARE(readSettled(historyPath() + ".bad"), cut);
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first().path, historyPath());
        QCOMPARE(notices.first().keptAs, historyPath() + ".bad");
        QCOMPARE(notices.first().entriesKept, 2);
        // The kept records are in the file itself, with their playlists.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/r1.mp3")->listNames, QStringList {"Road"});
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void damageInTheMiddleKeepsTheRecordsAfterIt()
    {
        QByteArray bytes = history(5);
        // The third record loses its closing tag, the fourth gets a stray "<".
        bytes.replace(bytes.indexOf("</Path_item>", bytes.indexOf("r2.mp3")), 12, "");
        bytes.insert(bytes.indexOf("Title_=\"r3\""), "< ");
        QVERIFY(writeSettled(historyPath(), bytes));
        const QStringList kept = paths(QVideoSettingXml::analysisConvertedInfo());
        QVERIFY2(kept.contains("/music/r0.mp3") && kept.contains("/music/r1.mp3") && kept.contains("/music/r4.mp3"),
                 qPrintable(kept.join(',')));
        QVERIFY(!kept.contains("/music/r3.mp3"));
        QVERIFY(QFile::exists(historyPath() + ".bad"));
    }

    void salvageKeepsExactlyTheWholeRecords_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<int>("touched");
        QTest::addColumn<bool>("cut");
        // Records touched from kDamaged on (each may be read as far as it
        // goes, or lost); cut: the file ends inside the first of them.
        struct Row
        {
            Variant variant;
            Damage damage;
            const char *name;
            int touched;
            bool cut;
        };
        const Row damages[] = {
            {Variant::Plain, Damage::NulBetween, "NUL between records", 0, false},
            {Variant::Plain, Damage::ZeroedBlock, "zeros over two records", 2, false},
            {Variant::Plain, Damage::BadUtf8InName, "bad UTF-8 in a name", 1, false},
            {Variant::Plain, Damage::BadUtf8InValue, "bad UTF-8 in a value", 1, false},
            {Variant::Plain, Damage::StrayLessThan, "stray < before a record", 0, false},
            {Variant::Plain, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::Plain, Damage::FlippedInRecord, "flipped byte in a record", 1, false},
            {Variant::Plain, Damage::RecordLeftOpen, "a record left open", 1, false},
            {Variant::Plain, Damage::CutInRecord, "cut in a record", 1, true},
            {Variant::Plain, Damage::FlippedBlank, "flipped blank between records", 0, false},
            {Variant::Plain, Damage::NulInDocumentTag, "NUL in the document element's tag", 0, false},
            {Variant::Plain, Damage::ProcessingInstruction, "a record's < made <?", 1, false},
            {Variant::Plain, Damage::EntryClosedEarly, "an entry closed before its children", 1, false},
            {Variant::Plain, Damage::StrayEndTag, "a stray end tag between records", 0, false},
            {Variant::Astral, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::Utf16, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::Utf16, Damage::ByteLostBefore, "a byte lost between records", 0, false},
            {Variant::Utf16, Damage::MarkByteLost, "a byte of its byte order mark lost", 0, false},
            {Variant::Utf16, Damage::StrayLessThan, "a byte put in between records", 0, false},
            {Variant::Latin1, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::Latin1, Damage::DeclarationDamaged, "its declaration's encoding lost", 0, false},
            {Variant::Latin1, Damage::DeclarationStartDamaged, "its declaration's < made >", 0, false},
            {Variant::Markup, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::MarkupSwapped, Damage::RecordStartLost, "a record's < damaged", 1, false},
            {Variant::Markup, Damage::CommentOpenerDamaged, "a comment's start damaged", 0, false},
            {Variant::Markup, Damage::CommentCloserDamaged, "a comment's end damaged", 0, false},
            {Variant::Markup, Damage::NulInComment, "a NUL in a comment", 0, false},
            {Variant::Markup, Damage::InstructionCloserDamaged, "an instruction's end damaged", 0, false},
            {Variant::MarkupSwapped, Damage::InstructionCloserDamaged, "an instruction's end damaged", 0, false},
            {Variant::Markup, Damage::CdataCloserDamaged, "a CDATA section's end damaged", 0, false},
            {Variant::MarkupSwapped, Damage::CdataCloserDamaged, "a CDATA section's end damaged", 0, false},
        };
        for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences}) {
            for (const Row &d : damages) {
                // Only the history's entries have children to close before.
                if (d.damage != Damage::EntryClosedEarly || kind == Kind::History)
                    QTest::addRow("%s, %s: %s", StateRecords::nameOf(kind), StateRecords::nameOf(d.variant), d.name)
                        << kind << d.variant << d.damage << d.touched << d.cut;
            }
        }
    }

    void salvageKeepsExactlyTheWholeRecords()
    {
        QFETCH(Kind, kind);
        QFETCH(Variant, variant);
        QFETCH(Damage, damage);
        QFETCH(int, touched);
        QFETCH(bool, cut);
        const StateRecords::Original whole = StateRecords::original(kind, kRecords, variant);
        const QString path = StateRecords::pathOf(kind);
        QVERIFY(writeSettled(path, whole.bytes));
        const QStringList before = StateRecords::read(kind);
        QCOMPARE(before, StateRecords::expected(kind, kRecords, variant));
        QVERIFY(!QFile::exists(path + ".bad"));
        QVector<bool> intact(kRecords, true);
        for (int n = kDamaged; n < kRecords && (cut || n < kDamaged + touched); ++n)
            intact[n] = false;
        const int intactCount = int(std::count(intact.cbegin(), intact.cend(), true));
        const QByteArray bytes = damaged(whole, kind, damage);
        QVERIFY(writeSettled(path, bytes));
        // A record held in markup is no record: reading one is inventing it.
        const StateRecords::Tally read = StateRecords::tally(before, intact, StateRecords::read(kind), touched);
        QVERIFY2(read.kept == intactCount && read.lost == 0 && read.invented == 0 && read.duplicated == 0,
                 qPrintable(read.text()));
        // Kept aside and told once; what replaced it is well-formed UTF-8 and reads the same.
        QCOMPARE(readSettled(path + ".bad"), bytes);
        QCOMPARE(StateFileNotices::takeAll().size(), 1);
        QString why;
        QVERIFY2(TestSupport::wellFormed(readSettled(path), &why), qPrintable(why));
        const StateRecords::Tally again = StateRecords::tally(before, intact, recordsOnDisk(path), touched);
        QVERIFY2(again.kept == intactCount && again.invented == 0 && again.duplicated == 0,
                 qPrintable(again.text()));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void markupWhoseEndWasLostHoldsNoRecord_data()
    {
        // Playlists "a" and "b" in the file; "x" and "y" held in markup.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("kept");
        const QByteArray a = "<ROOTITEM>\n    <List_name ListName=\"a\"/>\n    ";
        const QByteArray x = "<List_name ListName=\"x\"/>";
        QTest::newRow("cut inside a comment") << a + "<!-- " + x << QStringList{"a"};
        QTest::newRow("cut inside an instruction") << a + "<?note " + x << QStringList{"a"};
        QTest::newRow("cut inside CDATA") << a + "<![CDATA[" + x << QStringList{"a"};
        // Well-formed, but the first one ran on to the end of the second,
        // over the playlist between.
        const QByteArray b = " <List_name ListName=\"b\"/> ";
        const QByteArray y = "<List_name ListName=\"y\"/>";
        QTest::newRow("an instruction's end lost before another")
            << a + "<?note " + x + " ?x" + b + "<?note " + y + " ?>\n</ROOTITEM>\n"
            << QStringList{"a", "b"};
        QTest::newRow("a CDATA section's end lost before another")
            << a + "<![CDATA[" + x + "]x>" + b + "<![CDATA[" + y + "]]>\n</ROOTITEM>\n"
            << QStringList{"a", "b"};
    }

    void markupWhoseEndWasLostHoldsNoRecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, kept);
        QVERIFY(writeSettled(lists(), bytes));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), kept);
        QCOMPARE(readSettled(lists() + ".bad"), bytes);
        QCOMPARE(StateFileNotices::takeAll().size(), 1);
    }

    void filesOfOtherWritersReadAsWrittenAndSaveAsUtf8_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Variant>("variant");
        for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences}) {
            for (const Variant variant :
                 {Variant::Astral, Variant::Utf16, Variant::Latin1, Variant::Markup, Variant::MarkupSwapped})
                QTest::addRow("%s, %s", StateRecords::nameOf(kind), StateRecords::nameOf(variant))
                    << kind << variant;
        }
    }

    void filesOfOtherWritersReadAsWrittenAndSaveAsUtf8()
    {
        // Valid files, as another program may write them: read as written,
        // never set aside, no record taken from markup; saved (twice: a
        // wrong declaration would garble them a step each time) as UTF-8
        // that reads the same.
        QFETCH(Kind, kind);
        QFETCH(Variant, variant);
        const QString path = StateRecords::pathOf(kind);
        QVERIFY(writeSettled(path, StateRecords::original(kind, kRecords, variant).bytes));
        QStringList expected = StateRecords::expected(kind, kRecords, variant);
        QCOMPARE(StateRecords::read(kind), expected);
        for (int save = 0; save < 2; ++save) {
            const QString added = QStringLiteral("added %1 \u00e9 ").arg(save)
                                  + QString::fromUcs4(U"\U0001F3B5");
            switch (kind) {
            case Kind::History: {
                convertedInfo info;
                info.convertedPath = QStringLiteral("/music/added%1.mp3").arg(save);
                info.title = added;
                info.format = QStringLiteral("MP3");
                QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
                expected << QStringList({info.convertedPath, added, QString(), info.format, QString()}).join('\t');
                break;
            }
            case Kind::Playlists:
                QVERIFY(QVideoSettingXml::AppendPlayList(added));
                expected << added;
                break;
            case Kind::Preferences:
                QVERIFY(QVideoSettingXml::SetItemValue(QStringLiteral("ADDED_%1").arg(save), "Key", added));
                expected << QStringLiteral("ADDED_%1 Key=%2").arg(save).arg(added);
                break;
            }
            const QByteArray saved = readSettled(path);
            QString why;
            QVERIFY2(TestSupport::wellFormed(saved, &why), qPrintable(why));
            QCOMPARE(recordsOnDisk(path), expected);
        }
        QVERIFY(!QFile::exists(path + ".bad"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void recordsWithChildrenAfterDamageStayWhole_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        // Damage to the record of 5003, after which reading resumes inside it.
        QTest::newRow("its start tag's quote lost") << QByteArray("\"5003\">") << QByteArray("\"5003>");
        QTest::newRow("its < damaged")
            << QByteArray("<FORMAT_ Format_ID=\"5003\"") << QByteArray("xFORMAT_ Format_ID=\"5003\"");
        QTest::newRow("closed before its child") << QByteArray("\"5003\">") << QByteArray("\"5003\"/>");
    }

    void recordsWithChildrenAfterDamageStayWhole()
    {
        // The default formats: records of any name, each with a child, which
        // must never be read as a record of its own.
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QByteArray bytes = "<ROOTITEM>\n";
        for (int id = 5000; id < 5008; ++id)
            bytes += QStringLiteral("    <FORMAT_ Format_ID=\"%1\">\n        <Format_Custom OnlyAudio=\"Y\" "
                                    "A_Encoder=\"mp3 %1\"/>\n    </FORMAT_>\n")
                         .arg(id)
                         .toUtf8();
        bytes += "</ROOTITEM>\n";
        const QString path = QVideoSettingXml::defaultFormatFilePath();
        QVERIFY(writeSettled(path, bytes));
        const QStringList before = StateRecords::readGroups(path);
        QCOMPARE(before.size(), 8);
        QVERIFY(writeSettled(path, QByteArray(bytes).replace(from, to)));
        // The damaged record is lost whole; its child is no record.
        const QStringList read = StateRecords::readGroups(path);
        QStringList expected = before;
        expected.removeAt(3);
        QCOMPARE(read, expected);
        QCOMPARE(QVideoSettingXml::GetDefaultFormat("5004")->audioEncoder, QString("mp3 5004"));
        QCOMPARE(StateFileNotices::takeAll().size(), 1);
    }

    void depthBoundIsSixteenLevels_data()
    {
        QTest::addColumn<Road>("road");
        QTest::addColumn<int>("levels");
        const struct
        {
            Road road;
            const char *name;
        } roads[] = {{Road::History, "History.xml"},
                     {Road::Preferences, "preferences"},
                     {Road::EditorDefaults, "editor defaults"}};
        for (const auto &r : roads) {
            for (const int levels : {16, 17, 18})
                QTest::addRow("%s: %d levels", r.name, levels) << r.road << levels;
        }
    }

    void depthBoundIsSixteenLevels()
    {
        // Three records, the middle one nesting to `levels` levels with the
        // document element: deeper than 16 is damage and only it is lost.
        QFETCH(Road, road);
        QFETCH(int, levels);
        const bool within = levels <= 16;
        QString path;
        if (road == Road::History) {
            path = historyPath();
            QVERIFY(writeSettled(
                path,
                "<ROOTITEM>\n"
                "<Path_item Converted_path_=\"/music/r0.mp3\"><CONVERTED_INFO_ Title_=\"r0\"/></Path_item>\n"
                "<Path_item Converted_path_=\"/music/deep.mp3\"><CONVERTED_INFO_ Title_=\"deep\"/>"
                "<List_name ListName=\"L\">"
                    + nestedElements(levels - 3)
                    + "</List_name></Path_item>\n"
                      "<Path_item Converted_path_=\"/music/r2.mp3\"><CONVERTED_INFO_ "
                      "Title_=\"r2\"/></Path_item>\n"
                      "</ROOTITEM>\n"));
            const QStringList expected = within ? QStringList(
                                             {"/music/r0.mp3", "/music/deep.mp3", "/music/r2.mp3"})
                                                : QStringList({"/music/r0.mp3", "/music/r2.mp3"});
            QCOMPARE(paths(QVideoSettingXml::analysisConvertedInfo()), expected);
        } else {
            path = road == Road::Preferences ? prefs() : editorDefaultsPath();
            QVERIFY(writeSettled(path, "<ROOTITEM><G0 k=\"v0\"/><DEEP k=\"deep\">"
                                           + nestedElements(levels - 2) + "</DEEP><G2 k=\"v2\"/></ROOTITEM>"));
            // Each file through its own road.
            const auto value = [&](const QString &group) {
                return road == Road::Preferences
                           ? QVideoSettingXml::GetItemValue(group, "k", "gone")
                           : QVideoSettingXml::readStoringDefault(group, "k", "gone", path);
            };
            QCOMPARE(value("DEEP"), within ? QString("deep") : QString("gone"));
            QCOMPARE(value("G0"), QString("v0"));
            QCOMPARE(value("G2"), QString("v2"));
        }
        QCOMPARE(QFile::exists(path + ".bad"), !within);
        QCOMPARE(StateFileNotices::takeAll().size(), within ? 0 : 1);
    }

    void textsRoundTripAsTheFileCanHoldThem_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("read");
        const QString bom(QChar(0xFEFF));
        const QString nul(QChar(0));
        const struct
        {
            const char *name;
            QString given;
            QString read;
        } texts[] = {
            {"a BOM first", bom + "title", bom + "title"},
            {"BOMs only", bom + bom, bom + bom},
            {"a NUL inside", "a" + nul + "b", "ab"},
            {"a NUL, then a BOM", nul + bom + "x", bom + "x"},
            {"what no file holds", "a" + QString(QChar(1)) + "b" + QChar(0xFFFE) + "c" + QChar(0xD800) + "d",
             "abcd"},
        };
        for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences}) {
            for (const auto &t : texts)
                QTest::addRow("%s: %s", StateRecords::nameOf(kind), t.name) << kind << t.given << t.read;
        }
    }

    void textsRoundTripAsTheFileCanHoldThem()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, given);
        QFETCH(QString, read);
        convertedInfo info;
        info.convertedPath = "/music/t.mp3";
        info.title = given;
        convertedInfo other;
        other.convertedPath = "/music/u.mp3";
        switch (kind) {
        case Kind::History:
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(other));
            break;
        case Kind::Playlists:
            QVERIFY(QVideoSettingXml::AppendPlayList(given));
            QVERIFY(QVideoSettingXml::AppendPlayList("other"));
            break;
        case Kind::Preferences:
            QVERIFY(QVideoSettingXml::SetItemValue("GROUP", "Key", given));
            QVERIFY(QVideoSettingXml::SetItemValue("OTHER", "Key", "other"));
            break;
        }
        // Read back from the file, as the next start reads it.
        const QString path = StateRecords::pathOf(kind);
        const QStringList records = recordsOnDisk(path);
        QCOMPARE(records.size(), 2);
        if (kind == Kind::History)
            QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/t.mp3")->title, read);
        else if (kind == Kind::Playlists)
            QCOMPARE(records.first(), read);
        else
            QCOMPARE(QVideoSettingXml::GetItemValue("GROUP", "Key", "none"), read);
        QString why;
        QVERIFY2(TestSupport::wellFormed(readSettled(path), &why), qPrintable(why));
        QVERIFY(!QFile::exists(path + ".bad"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void whatTheStoreWritesIsWellFormed_data()
    {
        // A file holding names a stream reader lets through but the DOM
        // refuses (a back-tick, a NUL, a BOM, U+FFFD; U+00B7 in an element
        // name), then changes giving texts and names no file holds.
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<Writes>("writes");
        QTest::addColumn<int>("records");
        const QString hostile = "t" + QString(QChar(0)) + QChar(0x1B) + "i" + QChar(0xFFFF) + QChar(0xDC00)
                                + "tle";
        const QByteArray badNames = QByteArray(" Ti`tle=\"b\" \xEF\xBB\xBFTitle_=\"c\" A") + '\0'
                                    + "b=\"d\" X\xEF\xBF\xBD=\"e\"";
        convertedInfo hostileRecord;
        hostileRecord.convertedPath = "/music/h.mp3";
        hostileRecord.title = hostile;
        hostileRecord.listNames = QStringList{hostile};
        QTest::newRow("History.xml")
            << historyPath()
            << QByteArray(
                   "<ROOTITEM>\n    <Path_item Converted_path_=\"/music/a.mp3\">\n        <CONVERTED_INFO_ "
                   "Title_=\"a\"/>\n        <List_name ListName=\"L\"><Note\xC2\xB7/></List_name>\n"
                   "    </Path_item>\n</ROOTITEM>\n")
            << Writes([hostileRecord, hostile] {
                   QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/music/a.mp3", "Genre_", "Jazz"));
                   QVERIFY(QVideoSettingXml::SaveConvertedInfo(hostileRecord));
                   QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/music/h.mp3", "Album_", hostile));
                   QVERIFY(!QVideoSettingXml::changeConvertedInfoValue("/music/h.mp3", "Gen`re", "x"));
               })
            << 2;
        QTest::newRow("History.xml, a name with a BOM")
            << historyPath()
            << QByteArray(
                   "<ROOTITEM>\n    <Path_item Converted_path_=\"/music/a.mp3\">\n        <CONVERTED_INFO_ "
                   "Title_=\"a\" \xEF\xBB\xBFTitle_=\"b\"/>\n    </Path_item>\n</ROOTITEM>\n")
            << Writes([] {
                   QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/music/a.mp3", "Genre_", "Jazz"));
                   QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/a.mp3")->title, QString("a"));
               })
            << 1;
        QTest::newRow("CustomedLists.xml")
            << lists() << "<ROOTITEM>\n    <List_name ListName=\"Road\"" + badNames + "/>\n</ROOTITEM>\n"
            << Writes([hostile] {
                   QVERIFY(QVideoSettingXml::AppendPlayList(hostile));
                   QVERIFY(QVideoSettingXml::AppendPlayList("Night"));
                   QVERIFY(QVideoSettingXml::SetPlayListName("Night", hostile + "2"));
               })
            << 3;
        QTest::newRow("preferences")
            << prefs() << "<ROOTITEM>\n    <CLOSE_ITEM bIsCloseDlg=\"N\"" + badNames + "/>\n</ROOTITEM>\n"
            << Writes([hostile] {
                   QVERIFY(QVideoSettingXml::SetItemValue("REMIND_ITEM", "isShowRemind", hostile));
                   QVideoSettingXml::SetItemValue("CLOSE`ITEM", "bIsCloseDlg", "N");
                   QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIs`CloseDlg", "N");
                   QVideoSettingXml::readStoringDefault("OutPut_path", "path_value", hostile);
               })
            << 3;
        QTest::newRow("editor defaults") << editorDefaultsPath() << QByteArray() << Writes([hostile] {
            QVERIFY(QVideoSettingXml::SetItemValue("Screenshots", "IMG_Folder", hostile, editorDefaultsPath()));
        }) << 1;
    }

    void whatTheStoreWritesIsWellFormed()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, onDisk);
        QFETCH(Writes, writes);
        QFETCH(int, records);
        if (!onDisk.isEmpty())
            QVERIFY(writeSettled(path, onDisk));
        writes();
        if (QTest::currentTestFailed())
            return;
        StateFileNotices::takeAll();
        QVERIFY(QVideoSettingXml::waitForHistory());
        const QString folder = QIAnyUtil::getAppDataPath();
        QVERIFY(!fileNames(folder).isEmpty());
        for (const QString &name : fileNames(folder)) {
            QString why;
            QVERIFY2(TestSupport::wellFormed(readSettled(folder + '/' + name), &why),
                     qPrintable(name + ": " + why));
        }
        // The next start finds nothing to set aside and every record.
        QCOMPARE(recordsOnDisk(path).size(), records);
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void playlistsThatCanBeReadAreKept()
    {
        QVERIFY(writeSettled(lists(), "<ROOTITEM>\n    <List_name ListName=\"Road\"/>\n    <List_name ListName=\"Night\"/>\n"
                                    "    <List_name ListName=\"Bro"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList({"Road", "Night"}));
        QVERIFY(QFile::exists(lists() + ".bad"));
        QCOMPARE(StateFileNotices::takeAll().size(), 1);
        // The file now holds them, so a new list adds to them.
        QVERIFY(QVideoSettingXml::AppendPlayList("Day"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList({"Road", "Night", "Day"}));
    }

    void entityDeclarationsAreRefusedAtOnce()
    {
        QVERIFY(writeSettled(historyPath(), quadraticEntities("ROOTITEM")));
        QVERIFY(writeSettled(prefs(), quadraticEntities("ROOTITEM")));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N"), QString("N"));
        QVERIFY(QFile::exists(historyPath() + ".bad"));
        QVERIFY(QFile::exists(prefs() + ".bad"));
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.at(0).reason.contains("document type"));
        // The settings keep working on a fresh file.
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "Y"));
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N"), QString("Y"));
    }

    void deepNestingIsRefusedAndNeverMultipliesTheFile()
    {
        for (const int levels : {5000, 20000, 100000}) {
            init();
            QVERIFY(writeSettled(historyPath(), nested(levels)));
            QVERIFY(writeSettled(prefs(), nested(levels)));
            QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
            convertedInfo info;
            info.convertedPath = "/music/new.mp3";
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
            QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
            QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
            QVERIFY(QFileInfo(historyPath()).size() < 1000);
            QVERIFY(QFileInfo(prefs()).size() < 1000);
            QCOMPARE(readSettled(historyPath() + ".bad"), nested(levels));
            QCOMPARE(StateFileNotices::takeAll().size(), 2);
        }
    }

    void overLongValuesAreRefusedAndTheRestKept()
    {
        QByteArray bytes = history(3);
        bytes.replace("Title_=\"r1\"", "Title_=\"" + QByteArray(1 << 20, 't') + "\"");
        bytes.replace("<ROOTITEM>", "<ROOTITEM huge=\"" + QByteArray(8 << 20, 'h') + "\">");
        QVERIFY(writeSettled(historyPath(), bytes));
        QCOMPARE(paths(QVideoSettingXml::analysisConvertedInfo()), QStringList({"/music/r0.mp3", "/music/r2.mp3"}));
        QVERIFY(QFileInfo(historyPath()).size() < 4096);
        QVERIFY(StateFileNotices::takeAll().first().reason.contains("longer than"));

        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"N\"/><FormatSet Audio_Id=\""
                                        + QByteArray(8 << 20, '5') + "\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
        QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Id", "5000"), QString("5000"));
        QVERIFY(QFileInfo(prefs()).size() < 4096);
    }

    void oversizedFilesAreSetAside()
    {
        QByteArray big = "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"N\" pad=\"";
        big += QByteArray(int(StateFile::kMaxBytes), 'p');
        big += "\"/></ROOTITEM>";
        QVERIFY(writeSettled(prefs(), big));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QCOMPARE(QFileInfo(prefs() + ".bad").size(), qint64(big.size()));
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().reason.contains("allowed"));
    }

    void pipesAndDevicesNeverBlockOrFlood()
    {
        QVERIFY(::mkfifo(QFile::encodeName(historyPath()).constData(), 0600) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(prefs()).constData(), 0600) == 0);
        QVERIFY(returnsPromptly([] { QVideoSettingXml::analysisConvertedInfo(); }, historyPath()));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"); }, prefs()));
        QVERIFY(QFileInfo(historyPath() + ".bad").exists());
        QVERIFY(QFileInfo(prefs() + ".bad").exists());
        QCOMPARE(StateFileNotices::takeAll().size(), 2);

        init();
        QVERIFY(QFile::link("/dev/zero", historyPath()));
        QVERIFY(QFile::link("/dev/zero", lists()));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::analysisConvertedInfo(); }));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::GetAllPlayLists(); }));
        QVERIFY(QFileInfo(historyPath() + ".bad").isSymLink());
        QVERIFY(QFileInfo(lists() + ".bad").isSymLink());
        QCOMPARE(StateFileNotices::takeAll().size(), 2);
    }

    void changesOnDiskAreSeenAndOwnSavesReused()
    {
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
        // Another writer changes one letter in place: same size, same inode,
        // possibly the same time stamp.
        QByteArray bytes = readSettled(prefs());
        bytes.replace("bIsCloseDlg=\"N\"", "bIsCloseDlg=\"M\"");
        QVERIFY(writeSettled(prefs(), bytes));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("M"));
        // A file whose times and size say it is unchanged since long before
        // it was read is not parsed again; a different size is.
        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"Q\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Q"));
        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"RR\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("RR"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void aStateFileThatIsAFolderRefusesSavesAndSaysWhyOnce()
    {
        // A folder holding a file where History.xml belongs: nothing of it
        // is touched, every change is refused, and the user is told once.
        QVERIFY(QDir().mkpath(historyPath() + "/kept"));
        QSignalSpy told(&HistoryWriter::instance(), &HistoryWriter::writeFailed);
        QString reason;
        QVERIFY(!saveOne(Kind::History, "a", &reason));
        QVERIFY2(reason.contains("folder"), qPrintable(reason));
        QVERIFY(!saveOne(Kind::History, "b", &reason));
        QVERIFY(!QVideoSettingXml::waitForHistory(&reason));
        QVERIFY2(reason.contains("folder"), qPrintable(reason));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.first().at(0).toString(), historyPath());
        QVERIFY(QFileInfo(historyPath()).isDir() && QFileInfo::exists(historyPath() + "/kept"));
        // The other files alike refuse their saves and stay as they are.
        for (const QString &path : {lists(), prefs()})
            QVERIFY(QDir().mkpath(path + "/kept"));
        QVERIFY(!saveOne(Kind::Playlists, "a"));
        QVERIFY(!saveOne(Kind::Preferences, "a"));
        for (const QString &path : {lists(), prefs()})
            QVERIFY(QFileInfo(path).isDir() && QFileInfo::exists(path + "/kept"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
        // Once a file can be made there, saves succeed and the refusal is over.
        QVERIFY(QDir(historyPath()).removeRecursively());
        QVERIFY(saveOne(Kind::History, "c"));
        QCOMPARE(recordsOnDisk(historyPath()), QStringList{savedOne(Kind::History, "c")});
        QCOMPARE(told.size(), 1);
    }

    void aLinkToNothingAtAStateFileIsReplaced_data()
    {
        QTest::addColumn<Kind>("kind");
        for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences})
            QTest::newRow(StateRecords::nameOf(kind)) << kind;
    }

    void aLinkToNothingAtAStateFileIsReplaced()
    {
        // Written through, the save would make a file where the link points.
        QFETCH(Kind, kind);
        const QString path = StateRecords::pathOf(kind);
        const QString target = QIAnyUtil::getAppDataPath() + "/elsewhere/target.xml";
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QVERIFY(QFile::link(target, path));
        QVERIFY(saveOne(kind, "one"));
        QVideoSettingXml::waitForHistory();
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(recordsOnDisk(path), QStringList{savedOne(kind, "one")});
    }

    void whatStandsAtTheLockPathIsReplacedOrTheSaveRefused_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("what");
        for (const Kind kind : {Kind::History, Kind::Playlists, Kind::Preferences}) {
            for (const char *what :
                 {"empty folder", "FIFO", "link to nothing", "link to a file", "folder holding a file"})
                QTest::addRow("%s, %s", StateRecords::nameOf(kind), what) << kind << QString::fromLatin1(what);
        }
    }

    void whatStandsAtTheLockPathIsReplacedOrTheSaveRefused()
    {
        // Saved without the lock, a copy undoes what another saves: what is
        // no regular file at the lock's path is replaced by one, or, where
        // it holds something, the save is refused with the reason.
        QFETCH(Kind, kind);
        QFETCH(QString, what);
        const QString path = StateRecords::pathOf(kind);
        const QString lockPath = StateFileLock::lockPathOf(path);
        const QString target = QIAnyUtil::getAppDataPath() + "/target";
        const QByteArray name = QFile::encodeName(lockPath);
        if (what.contains("folder"))
            QVERIFY(QDir().mkpath(what.contains("holding") ? lockPath + "/kept" : lockPath));
        else if (what == "FIFO")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (what == "link to a file")
            QVERIFY(writeSettled(target, "kept\n") && QFile::link(target, lockPath));
        else
            QVERIFY(QFile::link(target, lockPath));
        const bool refused = what.contains("holding");
        QString reason;
        QCOMPARE(saveOne(kind, "one", &reason), !refused);
        if (refused) {
            if (kind == Kind::History)
                QVERIFY2(reason.contains(lockPath) && reason.contains("holds files"), qPrintable(reason));
            QVERIFY(QFileInfo::exists(lockPath + "/kept"));
            QVERIFY(!QFileInfo::exists(path));
            // Once the folder goes, the change is saved after all.
            QVERIFY(QDir(lockPath).removeRecursively());
            QVERIFY(saveOne(kind, "two"));
            QVERIFY(QFileInfo(lockPath).isFile());
            return;
        }
        QVERIFY(QFileInfo(lockPath).isFile() && !QFileInfo(lockPath).isSymLink());
        QCOMPARE(recordsOnDisk(path), QStringList{savedOne(kind, "one")});
        if (what == "link to a file")
            QCOMPARE(readSettled(target), QByteArray("kept\n"));
        else
            QVERIFY(!QFileInfo::exists(target));
    }

    void signatureVouchesOnlyForOldFiles()
    {
        QVERIFY(writeSettled(prefs(), "<ROOTITEM/>"));
        const StateFile::Signature sig = StateFile::signature(prefs());
        QVERIFY(sig.size == 11);
        QVERIFY(!StateFile::signatureTrusted(sig, StateFile::nowNs()));
        QVERIFY(StateFile::signatureTrusted(sig, StateFile::nowNs() + 3000000000LL));
        QVERIFY(!StateFile::signatureTrusted(StateFile::signature(prefs() + ".none"), StateFile::nowNs() + 3000000000LL));
    }
};

QTEST_GUILESS_MAIN(StateFilesTest)
#include "tst_statefiles.moc"
