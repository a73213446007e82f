// The recordings history on disk: entries with their playlists, lookups by
// path, the new-file mark, and recovery of a damaged file.
#include "common/historydocument.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "settledfiles.h"
#include "wellformed.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <memory>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

using TestSupport::readSettled;
using TestSupport::writeSettled;

// The document element of the file; the document stays alive until the next call.
QDomElement rootOf(const QString &path)
{
    static QDomDocument kept;
    QDomDocument doc;
    if (!doc.setContent(readSettled(path)))
        return QDomElement();
    kept = doc;
    return kept.documentElement();
}

QList<QDomElement> elementChildren(const QDomElement &parent)
{
    QList<QDomElement> list;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        list << e;
    return list;
}

convertedInfo sampleRecord(const QString &path)
{
    convertedInfo info;
    info.convertedPath = path;
    info.imgPath = "/img/" + QFileInfo(path).baseName() + ".png";
    info.preferencePath = "/pref/";
    info.resolution = "0*0";
    info.time = "00:03:25";
    info.size = "3.14 MB";
    info.createTime = "07-12-2026 09:15";
    info.format = "mp3";
    info.extend = "mp3";
    info.title = QString::fromUtf8("Título \"quoted\" & <tagged>");
    info.artist = "Artist";
    info.album = "Album";
    info.genre = "Jazz";
    info.listNames = QStringList {"Road", "Night"};
    info.videoFile = false;
    info.newFile = true;
    return info;
}

// The entries of a document as QXmlStreamReader reads them, under the
// store's own refusals (and names a strict reader refuses, and text between
// the entries), one line per element; false when it refuses.
bool entriesAsAStreamReaderReads(const QByteArray &bytes, QStringList &lines)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference
            || !StateFile::overLongValue(reader).isEmpty())
            return false;
        if (token == QXmlStreamReader::Characters && depth == 1 && !reader.isWhitespace())
            return false;
        if (token == QXmlStreamReader::StartElement) {
            if (depth >= StateFile::kMaxDepth
                || !TestSupport::WellFormedDetail::isName(reader.qualifiedName().toString()))
                return false;
            for (const QXmlStreamAttribute &a : reader.attributes()) {
                if (!TestSupport::WellFormedDetail::isName(a.qualifiedName().toString()))
                    return false;
            }
            QString line = QString(depth * 2, ' ') + reader.qualifiedName().toString();
            for (const QXmlStreamAttribute &a : reader.attributes())
                line += ' ' + a.qualifiedName().toString() + "=[" + a.value().toString() + ']';
            if (depth == 0)
                line.prepend("root ");
            lines << line;
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return !reader.hasError();
}

// The messages logged while one is alive, passed on as well.
class LoggedMessages
{
public:
    LoggedMessages() { s_previous = qInstallMessageHandler(keep); s_kept = &m_kept; }
    ~LoggedMessages()
    {
        s_kept = nullptr;
        qInstallMessageHandler(s_previous);
    }
    bool contain(const QString &part) const
    {
        return std::any_of(m_kept.cbegin(), m_kept.cend(), [&](const QString &m) { return m.contains(part); });
    }

private:
    static void keep(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_kept)
            s_kept->append(message);
        if (s_previous)
            s_previous(type, context, message);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QStringList *s_kept = nullptr;
    QStringList m_kept;
};

// Counts the openings of one file of a folder, as the kernel reports them.
class FileOpenings
{
public:
    explicit FileOpenings(const QString &path)
        : m_name(QFileInfo(path).fileName().toUtf8())
        , m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
        m_watching = m_fd >= 0 && inotify_add_watch(m_fd, folder.constData(), IN_OPEN) >= 0;
    }
    ~FileOpenings()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool watching() const { return m_watching; }
    int count()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0 && m_name == event->name)
                    ++m_count;
                at += ssize_t(sizeof(inotify_event)) + event->len;
            }
        }
        return m_count;
    }

private:
    QByteArray m_name;
    int m_fd;
    bool m_watching = false;
    int m_count = 0;
};

enum class StoreCall { LookUp, Save, ChangeValue, ChangePath, Remove, Append };

} // namespace

Q_DECLARE_METATYPE(StoreCall)

class HistoryTest : public QObject
{
    Q_OBJECT
private:
    QString history() const { return QVideoSettingXml::historyFilePath(); }

    // Puts bytes in the history file with no parsed history held, as at
    // start: a damaged file makes the store let go of it first.
    bool writeAsAtStart(const QByteArray &bytes)
    {
        return writeSettled(history(), "<ROOTITEM><Path_item") && QVideoSettingXml::analysisConvertedInfo().isEmpty()
               && QFile::remove(history() + ".bad") && writeSettled(history(), bytes);
    }

private slots:
    void init()
    {
        QVideoSettingXml::waitForHistory();
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    }

    void saveWritesTheDocumentedLayout()
    {
        const convertedInfo info = sampleRecord("/music/REC_1.mp3");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        const QDomElement root = rootOf(history());
        QCOMPARE(root.tagName(), QString("ROOTITEM"));
        const QList<QDomElement> entries = elementChildren(root);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].tagName(), QString("Path_item"));
        QCOMPARE(entries[0].attribute("Converted_path_"), QString("/music/REC_1.mp3"));
        const QList<QDomElement> parts = elementChildren(entries[0]);
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts[0].tagName(), QString("CONVERTED_INFO_"));
        const QDomElement i = parts[0];
        QCOMPARE(i.attributes().count(), 14);
        QCOMPARE(i.attribute("Img_path_"), info.imgPath);
        QCOMPARE(i.attribute("Title_"), info.title);
        QCOMPARE(i.attribute("Resolutin_"), info.resolution);
        QCOMPARE(i.attribute("Time_"), info.time);
        QCOMPARE(i.attribute("Size_"), info.size);
        QCOMPARE(i.attribute("Create_time_"), info.createTime);
        QCOMPARE(i.attribute("Format_"), info.format);
        QCOMPARE(i.attribute("Extend_"), info.extend);
        QCOMPARE(i.attribute("Artist_"), info.artist);
        QCOMPARE(i.attribute("Album_"), info.album);
        QCOMPARE(i.attribute("Genre_"), info.genre);
        QCOMPARE(i.attribute("preferencePath_"), info.preferencePath);
        QCOMPARE(i.attribute("Video_file"), QString("N"));
        QCOMPARE(i.attribute("New_file"), QString("Y"));
        QCOMPARE(parts[1].tagName(), QString("List_name"));
        QCOMPARE(parts[1].attribute("ListName"), QString("Road"));
        QCOMPARE(parts[2].attribute("ListName"), QString("Night"));
    }

    void getReturnsAnIndependentCopy()
    {
        const convertedInfo info = sampleRecord("/music/REC_1.mp3");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/music/REC_2.mp3")));
        const std::optional<convertedInfo> first = QVideoSettingXml::GetConvertedInfo("/music/REC_1.mp3");
        QVERIFY(first.has_value());
        QCOMPARE(*first, info);
        // Later lookups, found or not, leave the first result intact.
        QVERIFY(QVideoSettingXml::GetConvertedInfo("/music/REC_2.mp3").has_value());
        QVERIFY(!QVideoSettingXml::GetConvertedInfo("/music/none.mp3").has_value());
        QCOMPARE(*first, info);
        QCOMPARE(first->title, info.title);
    }

    void manyAreFoundAtOnceAsEachAlone_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("found"); // how many have a record
        QTest::newRow("none") << QStringList() << 0;
        QTest::newRow("all listed") << QStringList{"/music/REC_2.mp3", "/music/REC_1.mp3"} << 2;
        QTest::newRow("some not listed")
            << QStringList{"/music/none.mp3", "/music/REC_1.mp3", "/other/REC_1.mp3"} << 1;
        QTest::newRow("backslashes and twice")
            << QStringList{"\\music\\REC_2.mp3", "/music/REC_2.mp3", "/music/REC_2.mp3"} << 3;
    }

    void manyAreFoundAtOnceAsEachAlone()
    {
        QFETCH(QStringList, paths);
        QFETCH(int, found);
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/music/REC_1.mp3")));
        convertedInfo second = sampleRecord("/music/REC_2.mp3");
        second.title = "Second";
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(second));
        const QVector<std::optional<convertedInfo>> records = QVideoSettingXml::GetConvertedInfos(paths);
        QCOMPARE(records.size(), paths.size());
        int withRecord = 0;
        for (int i = 0; i < paths.size(); ++i) {
            QCOMPARE(records.at(i), QVideoSettingXml::GetConvertedInfo(paths.at(i)));
            if (records.at(i)) {
                ++withRecord;
                QCOMPARE(records.at(i)->title,
                         paths.at(i).endsWith("REC_2.mp3") ? second.title : sampleRecord(paths.at(i)).title);
            }
        }
        QCOMPARE(withRecord, found);
    }

    void savingAgainUpdatesInPlace()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/a.mp3")));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/b.mp3")));
        convertedInfo changed = sampleRecord("/a.mp3");
        changed.title = "Renamed";
        changed.newFile = false;
        changed.listNames = QStringList {"Road", "Night", "Morning", "Road"};
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(changed));
        QList<QDomElement> entries = elementChildren(rootOf(history()));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].attribute("Converted_path_"), QString("/a.mp3"));
        QCOMPARE(elementChildren(entries[0]).size(), 5);
        QCOMPARE(*QVideoSettingXml::GetConvertedInfo("/a.mp3"), changed);

        changed.listNames.clear();
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(changed));
        entries = elementChildren(rootOf(history()));
        QCOMPARE(elementChildren(entries[0]).size(), 1);
        QVERIFY(QVideoSettingXml::GetConvertedInfo("/a.mp3")->listNames.isEmpty());
    }

    void playlistNamesKeepDocumentOrderEverywhere()
    {
        convertedInfo info = sampleRecord("/c.mp3");
        info.listNames = QStringList {"A", "B", "C", ""};
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/c.mp3")->listNames, info.listNames);
        QList<convertedInfo> all = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].listNames, info.listNames);
        // Saving what was loaded and loading again changes nothing.
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(all[0]));
        all = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(all[0].listNames, info.listNames);
    }

    void newMarkIsReportedOnce()
    {
        convertedInfo old = sampleRecord("/old.mp3");
        old.newFile = false;
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(old));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/new.mp3")));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/new2.mp3")));

        const QList<convertedInfo> first = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(first.size(), 3);
        QCOMPARE(first[0].convertedPath, QString("/old.mp3"));
        QVERIFY(!first[0].newFile);
        QVERIFY(first[1].newFile);
        QVERIFY(first[2].newFile);
        // Apart from the cleared mark, the rewritten file holds the same records.
        const QList<convertedInfo> second = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(second.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!second[i].newFile);
            convertedInfo expected = first[i];
            expected.newFile = false;
            QCOMPARE(second[i], expected);
        }
        for (const QDomElement &entry : elementChildren(rootOf(history())))
            QCOMPARE(entry.firstChildElement().attribute("New_file"), QString("N"));
        QVERIFY(!readSettled(history()).startsWith("<?xml"));
    }

    void lookupsNormaliseBackslashesButSaveIsExact()
    {
        convertedInfo info = sampleRecord("C:\\music\\rec.mp3");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        const auto found = QVideoSettingXml::GetConvertedInfo("C:/music/rec.mp3");
        QVERIFY(found.has_value());
        QCOMPARE(found->convertedPath, QString("C:/music/rec.mp3"));
        QCOMPARE(QVideoSettingXml::getPreferencePath("C:/music/rec.mp3"), QString("/pref/"));
        QCOMPARE(QVideoSettingXml::analysisConvertedInfo()[0].convertedPath, QString("C:/music/rec.mp3"));

        info.convertedPath = "C:/music/rec.mp3";
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        QCOMPARE(elementChildren(rootOf(history())).size(), 2);
    }

    void changePathKeepsTheRest()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/x/old name.mp3")));
        QVERIFY(QVideoSettingXml::changeConvertedInfoPath("/x/old name.mp3", "/x/new name.mp3"));
        QVERIFY(!QVideoSettingXml::GetConvertedInfo("/x/old name.mp3").has_value());
        const auto moved = QVideoSettingXml::GetConvertedInfo("/x/new name.mp3");
        QVERIFY(moved.has_value());
        QCOMPARE(moved->title, sampleRecord("").title);
        QCOMPARE(moved->listNames, (QStringList {"Road", "Night"}));
        QVERIFY(!QVideoSettingXml::changeConvertedInfoPath("/x/missing.mp3", "/y.mp3"));
    }

    void removeDropsOneEntry()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/1.mp3")));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/2.mp3")));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/3.mp3")));
        QVERIFY(QVideoSettingXml::removeConvertedInfo("/2.mp3"));
        QVERIFY(!QVideoSettingXml::removeConvertedInfo("/2.mp3"));
        const QList<convertedInfo> all = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0].convertedPath, QString("/1.mp3"));
        QCOMPARE(all[1].convertedPath, QString("/3.mp3"));
    }

    void changeValueSetsOneAttribute()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/v.mp3")));
        QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/v.mp3", "Title_", "Other"));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/v.mp3")->title, QString("Other"));
        QVERIFY(!QVideoSettingXml::changeConvertedInfoValue("/none.mp3", "Title_", "X"));
    }

    void missingFileGivesEmptyResultsAndIsNotCreated()
    {
        QVERIFY(!QVideoSettingXml::GetConvertedInfo("/a.mp3").has_value());
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
        QVERIFY(!QVideoSettingXml::removeConvertedInfo("/a.mp3"));
        QVERIFY(!QVideoSettingXml::changeConvertedInfoPath("/a.mp3", "/b.mp3"));
        QVERIFY(QVideoSettingXml::getPreferencePath("/a.mp3").isEmpty());
        QVERIFY(QVideoSettingXml::waitForHistory());
        QVERIFY(!QFile::exists(history()));
    }

    void blankFileIsDamageLikeAnyOther()
    {
        // The program never writes an empty history: one is what a crash
        // right after truncating leaves. It is kept aside and told, and
        // replaced by an empty document, which reads as it is.
        for (const QByteArray &blank : {QByteArray(), QByteArray(" \n\t\r\n  \n")}) {
            QVERIFY(writeSettled(history(), blank));
            QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
            QCOMPARE(readSettled(history() + ".bad"), blank);
            const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
            QCOMPARE(notices.size(), 1);
            QCOMPARE(notices.first().keptAs, history() + ".bad");
            QVERIFY(QFile::remove(history() + ".bad"));
            QCOMPARE(readSettled(history()), QByteArray("<ROOTITEM/>\n"));
        }
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/a.mp3")));
        QVERIFY(writeAsAtStart(readSettled(history())));
        StateFileNotices::takeAll();
        QCOMPARE(QVideoSettingXml::analysisConvertedInfo().size(), 1);
        QVERIFY(!QFile::exists(history() + ".bad"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void flagsAreExactlyY()
    {
        QVERIFY(writeSettled(history(), "<ROOTITEM>\n"
                                      " <Path_item Converted_path_=\"/a.mp3\">\n"
                                      "  <CONVERTED_INFO_ Video_file=\"y\" New_file=\"yes\" Title_=\"T\"/>\n"
                                      " </Path_item>\n"
                                      " <Path_item Converted_path_=\"/b.mp3\"/>\n"
                                      " <Path_item Converted_path_=\"/a.mp3\"><X Title_=\"second\"/></Path_item>\n"
                                      "</ROOTITEM>\n"));
        const QList<convertedInfo> all = QVideoSettingXml::analysisConvertedInfo();
        QCOMPARE(all.size(), 3);
        QVERIFY(!all[0].videoFile);
        QVERIFY(!all[0].newFile);
        QCOMPARE(all[1], [] { convertedInfo e; e.convertedPath = "/b.mp3"; return e; }());
        // Lookups act on the first of two entries with one path.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/a.mp3")->title, QString("T"));
    }

    void awkwardTextsKeepTheFileReadable()
    {
        convertedInfo info = sampleRecord("/t.mp3");
        info.title = QString("line one\nline two\ttabbed  \"q\" & <x>");
        info.artist = QString("bell") + QChar(0x07) + QString("end");
        info.album = QString::fromUtf8("\xF0\x9F\x8E\xB5 caf\xC3\xA9");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/u.mp3")));
        const auto read = QVideoSettingXml::GetConvertedInfo("/t.mp3");
        QVERIFY(read.has_value());
        QCOMPARE(read->title, info.title);
        QCOMPARE(read->artist, QString("bellend"));  // the control character cannot be stored
        QCOMPARE(read->album, info.album);
        QCOMPARE(QVideoSettingXml::analysisConvertedInfo().size(), 2);
        QVERIFY(QVideoSettingXml::waitForHistory());
        QVERIFY(!QFile::exists(history() + ".bad"));
    }

    void charactersTheFileCannotHoldAreDropped()
    {
        // Non-characters and lone surrogates would make the next start
        // refuse the whole file; a pair and U+FFFD are kept.
        convertedInfo info = sampleRecord("/t.mp3");
        info.title = QString("a") + QChar(0xFFFF) + "b" + QChar(0xFFFE) + "c" + QChar(0xD800) + "d"
                     + QString::fromUtf8("\xF0\x9F\x8E\xB5") + QChar(0xDC00) + "e" + QChar(0xFFFD);
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/u.mp3")));
        QVERIFY(writeAsAtStart(readSettled(history())));
        const auto read = QVideoSettingXml::GetConvertedInfo("/t.mp3");
        QVERIFY(read.has_value());
        QCOMPARE(read->title, QString("abcd") + QString::fromUtf8("\xF0\x9F\x8E\xB5") + "e" + QChar(0xFFFD));
        QCOMPARE(QVideoSettingXml::analysisConvertedInfo().size(), 2);
        QVERIFY(!QFile::exists(history() + ".bad"));
    }

    void foreignContentSurvivesChanges()
    {
        QVERIFY(writeSettled(history(), "<LIBRARY version=\"2\">\n"
                                      "  <Path_item Converted_path_=\"/a.mp3\" Extra=\"kept\">\n"
                                      "    <CONVERTED_INFO_ Title_=\"A\" Rating=\"5\"/>\n"
                                      "    <List_name ListName=\"L\"><Note text=\"deep\"/></List_name>\n"
                                      "  </Path_item>\n"
                                      "</LIBRARY>\n"));
        convertedInfo b = sampleRecord("/b.mp3");
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(b));
        QVERIFY(QVideoSettingXml::changeConvertedInfoPath("/a.mp3", "/a2.mp3"));
        const QDomElement root = rootOf(history());
        QCOMPARE(root.tagName(), QString("LIBRARY"));
        QCOMPARE(root.attribute("version"), QString("2"));
        const QDomElement a = root.firstChildElement();
        QCOMPARE(a.attribute("Converted_path_"), QString("/a2.mp3"));
        QCOMPARE(a.attribute("Extra"), QString("kept"));
        QCOMPARE(a.firstChildElement().attribute("Rating"), QString("5"));
        QCOMPARE(a.firstChildElement().nextSiblingElement().firstChildElement().attribute("text"), QString("deep"));
        QCOMPARE(*QVideoSettingXml::GetConvertedInfo("/b.mp3"), b);
    }

    void changesMadeElsewhereAreNotLost()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/a.mp3")));
        // Another writer changes one letter in place: same size, same folder entry.
        QByteArray bytes = readSettled(history());
        const int at = bytes.indexOf("Jazz");
        QVERIFY(at > 0);
        bytes[at] = 'F';
        QVERIFY(writeSettled(history(), bytes));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/a.mp3")->genre, QString("Fazz"));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/b.mp3")));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/a.mp3")->genre, QString("Fazz"));

        // ... or replaces the file with other entries altogether.
        QVERIFY(writeSettled(history(), "<ROOTITEM><Path_item Converted_path_=\"/x.mp3\"><CONVERTED_INFO_/></Path_item></ROOTITEM>"));
        QVERIFY(QVideoSettingXml::removeConvertedInfo("/x.mp3") == true);
        QVERIFY(!QVideoSettingXml::removeConvertedInfo("/a.mp3"));
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
    }

    void callsRightAfterTheOwnSaveReadNothing_data()
    {
        QTest::addColumn<StoreCall>("call");
        QTest::newRow("look up") << StoreCall::LookUp;
        QTest::newRow("save a record") << StoreCall::Save;
        QTest::newRow("change a value") << StoreCall::ChangeValue;
        QTest::newRow("change a path") << StoreCall::ChangePath;
        QTest::newRow("remove") << StoreCall::Remove;
        QTest::newRow("add records") << StoreCall::Append;
    }

    void callsRightAfterTheOwnSaveReadNothing()
    {
        // The file this process has just written is what it holds in
        // memory: a call made before the signature alone can vouch for it
        // neither opens nor reads it. An attempt the time granularity passed
        // during tells nothing, and is made again.
        QFETCH(StoreCall, call);
        for (int attempt = 0;; ++attempt) {
            QVERIFY2(attempt < 20, "no call was made within the time granularity of a write");
            convertedInfo own = sampleRecord("/a.mp3");
            own.title = QString::number(attempt);
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(own));
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/b.mp3")));
            QVERIFY(QVideoSettingXml::waitForHistory());
            const StateFile::Signature written = StateFile::signature(history());
            FileOpenings openings(history());
            QVERIFY(openings.watching());
            switch (call) {
            case StoreCall::LookUp:
                QCOMPARE(QVideoSettingXml::GetConvertedInfo("/a.mp3")->title, own.title);
                break;
            case StoreCall::Save:
                QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/c.mp3")));
                break;
            case StoreCall::ChangeValue:
                QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/a.mp3", "Genre_", "Folk"));
                break;
            case StoreCall::ChangePath:
                QVERIFY(QVideoSettingXml::changeConvertedInfoPath("/b.mp3", "/moved.mp3"));
                break;
            case StoreCall::Remove:
                QVERIFY(QVideoSettingXml::removeConvertedInfo("/b.mp3"));
                break;
            case StoreCall::Append:
                QVERIFY(QVideoSettingXml::appendConvertedInfos(
                    {sampleRecord(QStringLiteral("/new%1.mp3").arg(attempt))}));
                break;
            }
            const int opened = openings.count();
            if (StateFile::signatureTrusted(written, StateFile::nowNs()))
                continue;
            QCOMPARE(opened, 0);
            break;
        }
        // What the calls changed is in the file.
        QVERIFY(QVideoSettingXml::waitForHistory());
        HistoryDocument onDisk;
        QVERIFY(onDisk.parse(readSettled(history())));
        const bool bGone = call == StoreCall::Remove || call == StoreCall::ChangePath;
        QCOMPARE(onDisk.findEntry("/b.mp3", false) < 0, bGone);
        QCOMPARE(onDisk.findEntry("/moved.mp3", false) >= 0, call == StoreCall::ChangePath);
        QCOMPARE(onDisk.findEntry("/c.mp3", false) >= 0, call == StoreCall::Save);
    }

    void addedRecordsJoinOnlyUnlisted_data()
    {
        // Stored: "/a.mp3", a path of two-, three- and four-byte UTF-8
        // characters and "C:\\x\\b.mp3"; then these are added at once.
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("joined");
        const QString utf8 = QString::fromUtf8("/m\xC3\xBAsica/\xE2\x82\xAC/\xF0\x9F\x8E\xB5.mp3");
        QTest::newRow("new") << QStringList{"/n.mp3"} << QStringList{"/n.mp3"};
        QTest::newRow("listed") << QStringList{"/a.mp3", utf8} << QStringList{};
        QTest::newRow("listed and new")
            << QStringList{"/n.mp3", "/a.mp3", "/o.mp3"} << QStringList{"/n.mp3", "/o.mp3"};
        QTest::newRow("twice in one call") << QStringList{"/n.mp3", "/n.mp3"} << QStringList{"/n.mp3"};
        // Paths are compared as stored: separators are not made alike.
        QTest::newRow("other separators") << QStringList{"C:/x/b.mp3"} << QStringList{"C:/x/b.mp3"};
        QTest::newRow("a prefix of a listed one") << QStringList{"/a.mp"} << QStringList{"/a.mp"};
    }

    void addedRecordsJoinOnlyUnlisted()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, joined);
        const QStringList stored{
            "/a.mp3", QString::fromUtf8("/m\xC3\xBAsica/\xE2\x82\xAC/\xF0\x9F\x8E\xB5.mp3"), "C:\\x\\b.mp3"};
        QList<convertedInfo> records;
        for (const QString &path : stored)
            records << sampleRecord(path);
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        records.clear();
        for (const QString &path : added) {
            records << sampleRecord(path);
            records.last().title = "added";
        }
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        QStringList expected = stored;
        expected << joined;
        QStringList onDisk;
        for (const QDomElement &entry : elementChildren(rootOf(history())))
            onDisk << entry.attribute("Converted_path_");
        QCOMPARE(onDisk, expected);
        // A listed record keeps what it held.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/a.mp3")->title, sampleRecord("/a.mp3").title);
    }

    void largeHistoryIsWrittenInPiecesAsOne()
    {
        // Megabytes of records: the save writes them a piece at a
        // time, and the file holds exactly the document's one-piece text.
        QList<convertedInfo> records;
        for (int i = 0; i < 6000; ++i) {
            convertedInfo r = sampleRecord(QStringLiteral("/music/%1.mp3").arg(i));
            // Characters of two, three and four UTF-8 bytes across the pieces.
            r.title = QString::fromUtf8("Tema n\xC2\xBA %1 \xE2\x82\xAC \xF0\x9F\x8E\xB5 ").arg(i).repeated(4);
            r.genre = i % 3 ? QStringLiteral("Jazz") : QStringLiteral("Folk");
            r.listNames = i % 2 ? QStringList {"Road", "Night"} : QStringList {"Night"};
            records << r;
        }
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        const QByteArray bytes = readSettled(history());
        QVERIFY(bytes.size() > 2 * 1024 * 1024);
        HistoryDocument doc;
        QVERIFY(doc.parse(bytes));
        QCOMPARE(doc.entries().size(), 6000);
        QCOMPARE(doc.serialize(), bytes);
        int pieces = 0;
        QByteArray joined;
        QVERIFY(doc.serialize([&](const QByteArray &piece) {
            ++pieces;
            joined += piece;
            return true;
        }));
        QVERIFY(pieces > 1);
        QCOMPARE(joined, bytes);
        // A sink that refuses stops the writing.
        int offered = 0;
        QVERIFY(!doc.serialize([&](const QByteArray &) { return ++offered < 2; }));
        QCOMPARE(offered, 2);

        const QList<convertedInfo> read = QVideoSettingXml::analysisConvertedInfo();
        // Every record as written, values repeated from one entry to the
        // next (genre, folder, playlists) as well as those that change.
        QCOMPARE(read, records);
        QVERIFY(!QVideoSettingXml::GetConvertedInfo("/music/5999.mp3")->newFile);
        // A change after that is saved over the whole file again.
        QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/music/5999.mp3", "Genre_", "Folk"));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/5999.mp3")->genre, QString("Folk"));
        HistoryDocument again;
        QVERIFY(again.parse(readSettled(history())));
        QCOMPARE(again.entries().size(), 6000);
    }

    void largeFileIsReadInPiecesAsWhole()
    {
        // A history file this process did not write, old enough for its
        // signature to vouch for it, is parsed a piece at a time: it reads
        // as the whole file, whatever falls across the pieces.
        QList<convertedInfo> records;
        for (int i = 0; i < 9000; ++i) {
            convertedInfo r = sampleRecord(QStringLiteral("/music/%1.mp3").arg(i));
            r.title =
                QString::fromUtf8("Tema n\xC2\xBA %1 \xE2\x82\xAC \xF0\x9F\x8E\xB5 & <b> ").arg(i).repeated(i % 7);
            r.listNames = i % 2 ? QStringList{"Road", "Night"} : QStringList{};
            r.newFile = false;
            records << r;
        }
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        const QByteArray bytes = readSettled(history());
        QVERIFY(bytes.size() > 4 * 1024 * 1024);
        // A damaged file leaves the store without a parsed history, as at
        // start; then the file comes back from elsewhere.
        QVERIFY(writeSettled(history(), "<ROOTITEM><Path_item"));
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
        QVERIFY(QFile::remove(history() + ".bad"));
        QVERIFY(writeSettled(history(), bytes));
        QTRY_VERIFY_WITH_TIMEOUT(
            StateFile::signatureTrusted(StateFile::signature(history()), StateFile::nowNs()), 10000);
        {
            // Each entry parsed once, by the piece read: neither declined
            // part way and parsed again, nor read whole.
            LoggedMessages logged;
            int entriesParsed = 0;
            QList<convertedInfo> read;
            QVideoSettingXml::HistoryStartChanges changes;
            QVideoSettingXml::readHistoryAtStart(
                [](convertedInfo &) { return true; }, changes, [&read](convertedInfo &info) { read.append(info); },
                [&entriesParsed](QVideoSettingXml::HistoryStep step) {
                    entriesParsed += step == QVideoSettingXml::HistoryStep::Entry;
                    return true;
                });
            QCOMPARE(entriesParsed, records.size());
            QVERIFY(!logged.contain("is read whole"));
            QCOMPARE(read, records);
            QVERIFY(changes.isEmpty());
        }

        // Damage past the first pieces is still found: the file is set
        // aside and the entries before it kept, as from a whole reading.
        QByteArray damaged = bytes;
        damaged.insert(damaged.size() - 5000, "<broken");
        QVERIFY(writeSettled(history(), damaged));
        QTRY_VERIFY_WITH_TIMEOUT(
            StateFile::signatureTrusted(StateFile::signature(history()), StateFile::nowNs()), 10000);
        LoggedMessages logged;
        const QList<convertedInfo> kept = QVideoSettingXml::analysisConvertedInfo();
        QVERIFY(logged.contain("is read whole"));
        QVERIFY(kept.size() > 8900 && kept.size() < 9000);
        QCOMPARE(kept.first(), records.first());
        QCOMPARE(readSettled(history() + ".bad"), damaged);
    }

    void aSaveDuringTheStartReadIsKept_data()
    {
        QTest::addColumn<bool>("settled");
        QTest::newRow("read in pieces") << true;
        QTest::newRow("read whole") << false;
    }

    void aSaveDuringTheStartReadIsKept()
    {
        // A recording saved on another thread while the start-up read
        // parses the file: the history afterwards holds it, whichever of
        // the parse and the write of that save ends first.
        QFETCH(bool, settled);
        QList<convertedInfo> records;
        for (int i = 0; i < 200; ++i)
            records << sampleRecord(QStringLiteral("/music/%1.mp3").arg(i));
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        const QByteArray bytes = readSettled(history());
        QVERIFY(writeAsAtStart(bytes));
        if (settled)
            QTRY_VERIFY_WITH_TIMEOUT(
                StateFile::signatureTrusted(StateFile::signature(history()), StateFile::nowNs()), 10000);

        convertedInfo recorded = sampleRecord("/music/new.mp3");
        recorded.listNames.clear();
        bool asked = false;
        bool saved = false;
        QList<convertedInfo> read;
        QVideoSettingXml::HistoryStartChanges changes;
        QVideoSettingXml::readHistoryAtStart(
            [](convertedInfo &) { return true; }, changes, [&read](convertedInfo &info) { read.append(info); },
            [&](QVideoSettingXml::HistoryStep step) {
                if (step == QVideoSettingXml::HistoryStep::Entry && !asked) {
                    asked = true;
                    std::unique_ptr<QThread> saver(
                        QThread::create([&] { saved = QVideoSettingXml::SaveConvertedInfo(recorded); }));
                    saver->start();
                    saver->wait();
                }
                return true;
            });
        QVERIFY(asked);
        QVERIFY(saved);
        // The read hands out the newer history.
        QCOMPARE(read.size(), records.size() + 1);
        QCOMPARE(read.last(), recorded);
        QVERIFY(QVideoSettingXml::waitForHistory());
        // A later change is made to the history holding the recording.
        QVERIFY(QVideoSettingXml::changeConvertedInfoValue("/music/0.mp3", "Genre_", "Folk"));
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/new.mp3"), std::optional<convertedInfo>(recorded));
        HistoryDocument onDisk;
        QVERIFY(onDisk.parse(readSettled(history())));
        QCOMPARE(onDisk.entries().size(), records.size() + 1);
    }

    void unusualDocumentsKeepEveryByte()
    {
        // What the store never writes itself: other names (one not ASCII,
        // one of the store's names where it puts none), empty values, every
        // escaped character, texts of two, three and four UTF-8 bytes, a
        // value longer than 16k bytes, an element of 300 children, entries
        // without children and nesting to the limit.
        const QByteArray longValue = QByteArray("x\xC3\xA9").repeated(7000);
        QByteArray text =
            "<LIBRARY version=\"2\" note=\"a &amp; b\">\n"
            "    <Path_item Converted_path_=\"/m\xC3\xBAsica/\xE2\x82\xAC/\xF0\x9F\x8E\xB5.mp3\" \xC3\x9C"
            "ber=\"\">\n"
            "        <CONVERTED_INFO_ Title_=\"\" Artist_=\"q&quot;&lt;&gt;&amp;&#10;&#13;&#9;'end\" "
            "Album_=\""
            + longValue
            + "\" ListName=\"not a list\"/>\n"
              "        <List_name ListName=\"L\">\n";
        QByteArray closing;
        for (int depth = 3; depth < StateFile::kMaxDepth; ++depth) {
            const QByteArray indent(depth * 4, ' ');
            const QByteArray name = "Deep" + QByteArray::number(depth);
            if (depth + 1 < StateFile::kMaxDepth) {
                text += indent + "<" + name + " level=\"" + QByteArray::number(depth) + "\">\n";
                closing.prepend(indent + "</" + name + ">\n");
            } else {
                text += indent + "<" + name + "/>\n";
            }
        }
        text += closing;
        text += "        </List_name>\n"
                "    </Path_item>\n"
                "    <Path_item Converted_path_=\"/b.mp3\"/>\n"
                "    <Other>\n";
        for (int i = 0; i < 300; ++i)
            text += "        <c n=\"" + QByteArray::number(i) + "\"/>\n";
        text += "    </Other>\n"
                "</LIBRARY>\n";

        HistoryDocument doc;
        QString reason;
        QVERIFY2(doc.parse(text, &reason), qPrintable(reason));
        QCOMPARE(doc.entries().size(), 3);
        QCOMPARE(doc.serialize(), text);
        // Unpacked and packed again, every entry stays the same.
        for (int i = 0; i < doc.entries().size(); ++i)
            doc.replace(i, HistoryDocument::Entry(doc.entries().at(i).element()));
        QCOMPARE(doc.serialize(), text);
        const HistoryDocument::Element first = doc.entries().at(0).element();
        QCOMPARE(first.attribute(QString::fromUtf8("\xC3\x9C"
                                                   "ber")),
                 QString(""));
        QCOMPARE(first.children.at(0).attribute("Album_").toUtf8(), longValue);
        QCOMPARE(first.children.at(0).attribute("Artist_"), QString("q\"<>&\n\r\t'end"));
        QCOMPARE(doc.entries().at(2).childCount(), 300);
        QCOMPARE(doc.findEntry(QString::fromUtf8("\\m\xC3\xBAsica\\\xE2\x82\xAC\\\xF0\x9F\x8E\xB5.mp3"), true),
                 0);
        QCOMPARE(doc.findEntry("/b.mp3", false), 1);

        // A change through the store touches only what it changes.
        QVERIFY(writeSettled(history(), text));
        const QString path = QString::fromUtf8("/m\xC3\xBAsica/\xE2\x82\xAC/\xF0\x9F\x8E\xB5.mp3");
        QCOMPARE(QVideoSettingXml::GetConvertedInfo(path)->album.toUtf8(), longValue);
        QVERIFY(QVideoSettingXml::changeConvertedInfoValue(path, "Title_", QString::fromUtf8("N\xC3\xA9w")));
        QByteArray changed = text;
        changed.replace("Title_=\"\"", "Title_=\"N\xC3\xA9w\"");
        QVERIFY(QVideoSettingXml::waitForHistory());
        QCOMPARE(readSettled(history()), changed);
    }

    void documentsAreReadAsAStreamReaderReadsThem()
    {
        // What the store writes and what other writers may: blanks of every
        // kind between tags and around "=", single quotes, every reference
        // a value may hold, texts of two to four UTF-8 bytes, other names,
        // names one byte apart, empty elements written open and closed,
        // nesting.
        const QByteArray base =
            "<ROOTITEM v=\"1\">\r\n"
            "    <Path_item Converted_path_=\"/m/\xC3\xA1 b.mp3\">\n"
            "        <CONVERTED_INFO_ Title_ = 'it&apos;s \"x\"' "
            "Artist_=\"&#10;&#13;&#9;&#x41;&#66;&#xE9;&#x1F3B5;\" "
            "Album_=\"\xE2\x82\xAC\xF0\x9F\x8E\xB5&lt;&gt;&amp;&quot;>\" New_file=\"Y\"\t/>\n"
            "        <List_name ListName=\"Road\"></List_name>\n"
            "        <Other_1.x-y a=\"\"><deeper b1=\"c\" b2=\"d\"/></Other_1.x-y >\n"
            "    </Path_item>\n"
            "\t<Path_item Converted_path_=\"/b.mp3\"/>\n"
            "</ROOTITEM>\n";
        QStringList expected;
        QVERIFY(entriesAsAStreamReaderReads(base, expected));
        QCOMPARE(expected.size(), 7);
        HistoryDocument doc;
        QVERIFY(doc.parse(base));
        QStringList read;
        QVERIFY(entriesAsAStreamReaderReads(doc.serialize(), read));
        QCOMPARE(read, expected);

        // Damaged and unusual variants: each byte changed, dropped or
        // doubled in turn. Whatever a stream reader refuses is refused; what
        // it reads is read the same.
        const QByteArray changes[] = {"<",    ">",    "/",    "=",    "\"",
                                      "'",    "&",    ";",    "#",    "x",
                                      " ",    "\t",   "\n",   "\r",   QByteArray(1, '\0'),
                                      "\x80", "\xC3", "\xBF", "\xEF", "\xF4",
                                      "a",    "Z",    "1",    ":",    "-",
                                      "\x01", "!",    "?"};
        int variants = 0, accepted = 0;
        for (int at = 0; at < base.size(); ++at) {
            QList<QByteArray> tried;
            for (const QByteArray &change : changes)
                tried << QByteArray(base).replace(at, 1, change);
            tried << QByteArray(base).remove(at, 1) << QByteArray(base).insert(at, base.at(at));
            for (const QByteArray &variant : tried) {
                ++variants;
                QStringList want;
                const bool readable = entriesAsAStreamReaderReads(variant, want);
                HistoryDocument parsed;
                QString reason;
                const bool took = parsed.parse(variant, &reason);
                QVERIFY2(took == readable, qPrintable(QString::fromLatin1(variant.toPercentEncoding())));
                if (!took) {
                    QVERIFY(!reason.isEmpty());
                    continue;
                }
                ++accepted;
                QStringList got;
                QVERIFY(entriesAsAStreamReaderReads(parsed.serialize(), got));
                QVERIFY2(got == want, qPrintable(QString::fromLatin1(variant.toPercentEncoding())));
            }
        }
        // Both kinds were met often.
        QVERIFY2(accepted > variants / 10 && accepted < variants * 9 / 10,
                 qPrintable(QStringLiteral("%1 of %2").arg(accepted).arg(variants)));

        // Limits hold as before: nesting and over-long values are refused.
        QByteArray deep = "<r>";
        for (int depth = 1; depth <= StateFile::kMaxDepth; ++depth)
            deep += "<e>";
        for (int depth = 1; depth <= StateFile::kMaxDepth; ++depth)
            deep += "</e>";
        deep += "</r>";
        QString reason;
        QVERIFY(!doc.parse(deep, &reason));
        QVERIFY(reason.contains("deeper"));
        const QByteArray tooLong = "<r><e v=\"" + QByteArray(StateFile::kMaxValueChars + 1, 'v') + "\"/></r>";
        QVERIFY(!doc.parse(tooLong, &reason));
        QVERIFY(reason.contains("longer"));
        // A parse told to stop keeps nothing and names no damage.
        QVERIFY(doc.parse(base));
        int asked = 0;
        QVERIFY(!doc.parse(QByteArray(base).replace("/b.mp3", "/c.mp3"), &reason,
                           [&asked] { return ++asked < 2; }));
        QCOMPARE(asked, 2);
        QVERIFY(reason.isEmpty());
        QCOMPARE(doc.findEntry("/b.mp3", false), 1);
    }

    void theIndexFindsEveryEntryThroughChanges_data()
    {
        // Seeded steps on a document of many entries: renames, removals
        // (one at a time, or many at once, which closes the gaps they
        // leave), paths added again, contents changed, and paths alike but
        // for their separators. Thousands of entries give the index chains
        // that share a slot and the eight bits of hash it keeps.
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("steps"); // each letter a kind of step that may be taken
        QTest::addColumn<int>("count");
        QTest::newRow("renames") << 10000 << "n" << 2000;
        QTest::newRow("removals and paths added again") << 10000 << "ra" << 3000;
        QTest::newRow("many removed at once") << 10000 << "ma" << 30;
        QTest::newRow("removed one at a time until the gaps close") << 3000 << "r" << 2900;
        QTest::newRow("contents changed in place") << 5000 << "c" << 2000;
        QTest::newRow("everything, separators alike") << 5000 << "nracms" << 3000;
    }

    void theIndexFindsEveryEntryThroughChanges()
    {
        QFETCH(int, entries);
        QFETCH(QString, steps);
        QFETCH(int, count);
        const auto entryOf = [](const QString &path, int version) {
            HistoryDocument::Element e;
            e.name = "Path_item";
            e.setAttribute("Converted_path_", path);
            HistoryDocument::Element info;
            info.name = "CONVERTED_INFO_";
            info.setAttribute("Title_", QString::number(version));
            e.children << info;
            return HistoryDocument::Entry(e);
        };
        const auto pathOf = [](int n) { return QStringLiteral("/music/%1/REC_%2.mp3").arg(n % 37).arg(n); };
        HistoryDocument doc;
        QStringList model; // the paths in file order
        for (int n = 0; n < entries; ++n) {
            model << pathOf(n);
            doc.append(entryOf(model.last(), 0));
        }
        QStringList gone; // paths once held, none now
        QRandomGenerator rng(quint32(entries) ^ quint32(qHash(steps)));
        int serial = entries;
        // The document's index of the model's n-th path, made again when
        // the document closed its gaps.
        QVector<int> live;
        const auto relive = [&] {
            live.clear();
            for (int i = 0; i < doc.entries().size(); ++i)
                if (!doc.entries().at(i).isEmpty())
                    live << i;
        };
        relive();
        const auto indexAt = [&live](int n) { return live.value(n, -1); };
        // The entry found for a path is the first of that path, and its own.
        const auto agrees = [&](const QString &path) {
            const int found = doc.findEntry(path, false);
            const int first = model.indexOf(path);
            if (first < 0)
                return found < 0;
            return found == indexAt(first) && doc.entries().at(found).attribute("Converted_path_") == path;
        };
        for (int step = 0; step < count && !model.isEmpty(); ++step) {
            const QChar kind = steps.at(int(rng.bounded(quint32(steps.size()))));
            const int entriesBefore = doc.entries().size();
            const int n = int(rng.bounded(quint32(model.size())));
            QStringList touched{model.at(n)};
            if (kind == 'n') {
                const QString path = pathOf(serial++);
                doc.replace(indexAt(n), entryOf(path, step));
                gone << model.at(n);
                model[n] = path;
                touched << path;
            } else if (kind == 'r') {
                doc.remove(indexAt(n));
                gone << model.takeAt(n);
                live.removeAt(n);
            } else if (kind == 'm') {
                // A tenth of the entries at once, some named twice.
                QVector<int> indexes;
                QList<int> places;
                for (int k = 0; k < model.size() / 10; ++k)
                    places << int(rng.bounded(quint32(model.size())));
                for (int place : places)
                    indexes << indexAt(place);
                std::sort(places.begin(), places.end());
                places.erase(std::unique(places.begin(), places.end()), places.end());
                for (auto it = places.crbegin(); it != places.crend(); ++it) {
                    touched << model.at(*it);
                    gone << model.takeAt(*it);
                    live.removeAt(*it);
                }
                doc.remove(indexes);
            } else if (kind == 'a' && !gone.isEmpty()) {
                const QString path = gone.takeAt(int(rng.bounded(quint32(gone.size()))));
                if (!model.contains(path)) {
                    doc.append(entryOf(path, step));
                    model << path;
                    live << doc.entries().size() - 1;
                    touched << path;
                }
            } else if (kind == 'c') {
                doc.replace(indexAt(n), entryOf(model.at(n), step));
            } else if (kind == 's') {
                // The same path with backslashes is another entry, found
                // by a lookup that reads them as slashes after the first.
                QString path = model.at(n);
                path.replace('/', '\\');
                if (!model.contains(path)) {
                    doc.append(entryOf(path, step));
                    model << path;
                    live << doc.entries().size() - 1;
                    touched << path;
                }
                QCOMPARE(doc.findEntry(path, true), doc.findEntry(model.at(n), true));
                int first = 0;
                while (HistoryDocument::normalisedPath(model.at(first)) != HistoryDocument::normalisedPath(path))
                    ++first;
                QCOMPARE(doc.findEntry(path, true), indexAt(first));
            }
            if (doc.entries().size() < entriesBefore)
                relive();
            for (const QString &path : touched)
                QVERIFY2(agrees(path),
                         qPrintable(QStringLiteral("step %1 (%2): %3").arg(step).arg(kind).arg(path)));
        }
        // Every path held, and every path once held, is found as it is.
        QCOMPARE(doc.count(), model.size());
        QStringList inOrder;
        for (const HistoryDocument::Entry &entry : doc.entries())
            if (!entry.isEmpty())
                inOrder << entry.attribute("Converted_path_");
        QCOMPARE(inOrder, model);
        QHash<QString, int> firstOf;
        for (int n = model.size() - 1; n >= 0; --n)
            firstOf.insert(model.at(n), n);
        for (int n = 0; n < model.size(); ++n)
            QCOMPARE(doc.findEntry(model.at(n), false), indexAt(firstOf.value(model.at(n))));
        for (const QString &path : gone)
            QCOMPARE(doc.findEntry(path, false) >= 0, firstOf.contains(path));
        // Written and read again, the same entries are found the same way.
        HistoryDocument again;
        QVERIFY(again.parse(doc.serialize()));
        QCOMPARE(again.count(), model.size());
        for (int n = 0; n < model.size(); n += 7)
            QCOMPARE(again.findEntry(model.at(n), false), firstOf.value(model.at(n)));
    }

    void aRecordsRenameRemovalAndReturnKeepItFound_data()
    {
        // Through the store, on a history of thousands of records: what a
        // lookup finds, and what History.xml holds in which order.
        QTest::addColumn<QString>("change");
        QTest::newRow("renamed") << "rename";
        QTest::newRow("renamed onto a removed one's path") << "rename onto removed";
        QTest::newRow("removed") << "remove";
        QTest::newRow("removed and added again") << "remove, add";
        QTest::newRow("many removed in one change") << "remove many";
        QTest::newRow("many removed, then added again") << "remove many, add";
    }

    void aRecordsRenameRemovalAndReturnKeepItFound()
    {
        QFETCH(QString, change);
        QList<convertedInfo> records;
        QStringList expected;
        for (int n = 0; n < 3000; ++n) {
            records << sampleRecord(QStringLiteral("/music/REC_%1.mp3").arg(n));
            expected << records.last().convertedPath;
        }
        QVERIFY(QVideoSettingXml::appendConvertedInfos(records));
        const QString a = expected.at(1000);
        const QString b = expected.at(2000);
        QStringList removed;
        if (change.startsWith("rename")) {
            if (change == "rename onto removed")
                QVERIFY(QVideoSettingXml::removeConvertedInfo(b));
            const QString to = change == "rename" ? "/music/renamed.mp3" : b;
            QVERIFY(QVideoSettingXml::changeConvertedInfoPath(a, to));
            if (change == "rename onto removed")
                expected.removeAt(2000);
            expected[1000] = to;
            removed << a;
        } else if (change.startsWith("remove many")) {
            // A third of them, every third: the gaps they leave are closed.
            for (int n = 2999; n >= 0; n -= 3)
                removed << expected.takeAt(n);
            QVERIFY(QVideoSettingXml::removeConvertedInfos(removed));
        } else {
            QVERIFY(QVideoSettingXml::removeConvertedInfo(a));
            removed << expected.takeAt(1000);
        }
        if (change.endsWith(", add")) {
            // Back at the end, found where they are now.
            for (const QString &path : std::as_const(removed)) {
                convertedInfo info = sampleRecord(path);
                info.title = "back";
                QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
                expected << path;
            }
            removed.clear();
        }
        for (const QString &path : std::as_const(removed))
            QVERIFY2(!QVideoSettingXml::GetConvertedInfo(path), qPrintable(path));
        for (const QString &path : std::as_const(expected)) {
            const std::optional<convertedInfo> found = QVideoSettingXml::GetConvertedInfo(path);
            QVERIFY2(found && found->convertedPath == path, qPrintable(path));
        }
        if (change.endsWith(", add"))
            QCOMPARE(QVideoSettingXml::GetConvertedInfo(expected.last())->title, QString("back"));
        QStringList onDisk;
        for (const QDomElement &entry : elementChildren(rootOf(history())))
            onDisk << entry.attribute("Converted_path_");
        QCOMPARE(onDisk, expected);
        // A removal of nothing listed changes nothing.
        QVERIFY(!QVideoSettingXml::removeConvertedInfos({"/music/none.mp3"}));
    }

    void corruptHistoryIsKeptAside()
    {
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/a.mp3")));
        QByteArray corrupt = readSettled(history());
        corrupt.chop(corrupt.size() / 3);
        QVERIFY(writeSettled(history(), corrupt));
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
        QCOMPARE(readSettled(history() + ".bad"), corrupt);
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(sampleRecord("/b.mp3")));
        QCOMPARE(QVideoSettingXml::analysisConvertedInfo().size(), 1);
        QCOMPARE(readSettled(history() + ".bad"), corrupt);
    }
};

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
