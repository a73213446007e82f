// Two running copies of the program change the same state files: each
// load-modify-save happens under a lock the copies share, and takes in what
// the other copy wrote since, so that both copies' changes stay, also when
// a folder, a FIFO or a link to nothing stood at the lock's path. The test
// runs itself twice as the two copies; a change held back by the lock shows
// what a save does with each kind of change the other copy made meanwhile,
// and a copy that follows the history is told what the other one changed.
#include "common/historydocument.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "common/statefilelock.h"
#include "testsupport.h"

#include <QDir>
#include <QDomDocument>
#include <QProcess>
#include <QSaveFile>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

const QString kGroup = QStringLiteral("TWO_COPIES");

convertedInfo record(const QString &path, const QString &title = QStringLiteral("Take"))
{
    convertedInfo info;
    info.convertedPath = path;
    info.title = title;
    info.format = QStringLiteral("mp3");
    info.listNames = QStringList{QStringLiteral("Road")};
    return info;
}

// The n-th thing one copy adds, as the file then shows it (a record as
// "path=title").
QString itemOf(const QString &kind, const QString &copy, int n)
{
    if (kind == QLatin1String("history"))
        return QStringLiteral("/music/%1/REC_%2.mp3=Take").arg(copy).arg(n);
    return QStringLiteral("%1_%2").arg(copy).arg(n);
}

// One copy's share of the work, each change a load-modify-save of its own:
// false when the store refused one.
bool changeAsACopy(const QString &kind, const QString &copy, int count)
{
    bool ok = true;
    for (int n = 0; n < count; ++n) {
        const QString item = itemOf(kind, copy, n);
        if (kind == QLatin1String("history"))
            ok = QVideoSettingXml::SaveConvertedInfo(record(item.section(QLatin1Char('='), 0, 0))) && ok;
        else if (kind == QLatin1String("playlists"))
            ok = QVideoSettingXml::AppendPlayList(item) && ok;
        else
            ok = QVideoSettingXml::SetItemValue(kGroup, item, copy) && ok;
    }
    return QVideoSettingXml::waitForHistory() && ok;
}

// "path=title" of every entry of History.xml.
QStringList historyOnDisk()
{
    HistoryDocument doc;
    if (!doc.parse(TestSupport::readBytes(QVideoSettingXml::historyFilePath())))
        return {QStringLiteral("(does not parse)")};
    QStringList found;
    for (const HistoryDocument::Entry &entry : doc.entries()) {
        const HistoryDocument::Element e = entry.element();
        found << e.attribute(QStringLiteral("Converted_path_")) + QLatin1Char('=')
                     + e.children.value(0).attribute(QStringLiteral("Title_"));
    }
    return found;
}

// What the file holds now, one text per entry.
QStringList entriesOnDisk(const QString &kind)
{
    if (kind == QLatin1String("history"))
        return historyOnDisk();
    const bool lists = kind == QLatin1String("playlists");
    QDomDocument doc;
    if (!doc.setContent(TestSupport::readBytes(lists ? QVideoSettingXml::playListFilePath()
                                                     : QVideoSettingXml::preferencesFilePath())))
        return {QStringLiteral("(does not parse)")};
    QStringList found;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QDomNamedNodeMap values = e.attributes();
        for (int i = 0; i < values.count(); ++i)
            found << (lists ? values.item(i).nodeValue() : values.item(i).nodeName());
    }
    return found;
}

// Replaces the file whole, as another copy's save does.
bool replaceAsAnotherCopy(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray historyOf(const QStringList &entries)
{
    HistoryDocument doc;
    for (const QString &text : entries) {
        const QStringList parts = text.split(QLatin1Char('='));
        HistoryDocument::Element entry;
        entry.name = QStringLiteral("Path_item");
        entry.setAttribute(QStringLiteral("Converted_path_"), parts.at(0));
        HistoryDocument::Element info;
        info.name = QStringLiteral("CONVERTED_INFO_");
        info.setAttribute(QStringLiteral("Title_"), parts.value(1, QStringLiteral("Take")));
        entry.children.append(info);
        doc.append(HistoryDocument::Entry(entry));
    }
    return doc.serialize();
}

} // namespace

class TestTwoCopies : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void bothCopiesChangesStay_data();
    void bothCopiesChangesStay();
    void aHeldBackSaveTakesInTheOtherCopysChange_data();
    void aHeldBackSaveTakesInTheOtherCopysChange();
    void aFollowedHistoryIsToldTheOtherCopysChanges_data();
    void aFollowedHistoryIsToldTheOtherCopysChanges();
};

void TestTwoCopies::init()
{
    QVERIFY(QVideoSettingXml::waitForHistory());
    QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    QVERIFY(QDir().mkpath(QIAnyUtil::getAppDataPath()));
}

void TestTwoCopies::bothCopiesChangesStay_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("lockPath"); // what stands there before the copies start
    const QStringList kinds{QStringLiteral("history"), QStringLiteral("playlists"),
                            QStringLiteral("preferences")};
    const char *const files[] = {"History.xml", "CustomedLists.xml", "preferences"};
    for (int k = 0; k < kinds.size(); ++k) {
        for (const char *lockPath : {"nothing", "a folder", "a FIFO", "a link to nothing"})
            QTest::addRow("%s, %s at the lock's path", files[k], lockPath)
                << kinds.at(k) << QString::fromLatin1(lockPath);
    }
}

void TestTwoCopies::bothCopiesChangesStay()
{
    QFETCH(QString, kind);
    QFETCH(QString, lockPath);
    const QString file = kind == QLatin1String("history")     ? QVideoSettingXml::historyFilePath()
                         : kind == QLatin1String("playlists") ? QVideoSettingXml::playListFilePath()
                                                              : QVideoSettingXml::preferencesFilePath();
    const QString lock = StateFileLock::lockPathOf(file);
    if (lockPath == QLatin1String("a folder"))
        QVERIFY(QDir().mkpath(lock));
    else if (lockPath == QLatin1String("a FIFO"))
        QCOMPARE(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
    else if (lockPath == QLatin1String("a link to nothing"))
        QVERIFY(QFile::link(QIAnyUtil::getAppDataPath() + QStringLiteral("/nowhere"), lock));
    const int count = 150;
    const QStringList copies{QStringLiteral("one"), QStringLiteral("two")};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString &copy : copies) {
        children.push_back(std::make_unique<QProcess>());
        QProcess &child = *children.back();
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--copy"), kind, copy, QString::number(count)});
        QVERIFY(child.waitForStarted());
    }
    // Both are set up before either starts: their changes overlap.
    for (auto &child : children)
        QTRY_VERIFY_WITH_TIMEOUT(child->canReadLine() || child->waitForReadyRead(10), 30000);
    for (auto &child : children) {
        child->write("go\n");
        QVERIFY(child->waitForBytesWritten());
    }
    for (auto &child : children) {
        QVERIFY(child->waitForFinished(120000));
        QCOMPARE(child->exitStatus(), QProcess::NormalExit);
        QCOMPARE(child->exitCode(), 0);
    }
    QStringList found = entriesOnDisk(kind);
    QStringList expected;
    for (int n = 0; n < count; ++n)
        expected << itemOf(kind, copies.at(0), n) << itemOf(kind, copies.at(1), n);
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
    QVERIFY(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());
}

void TestTwoCopies::aHeldBackSaveTakesInTheOtherCopysChange_data()
{
    QTest::addColumn<QByteArray>("other");     // what the other copy leaves
    QTest::addColumn<QStringList>("expected"); // "path=title" in file order
    QTest::addColumn<bool>("setAside");

    const QStringList base{"/a.mp3=Take", "/b.mp3=Take"};
    QTest::newRow("entry added") << historyOf(base + QStringList{"/other.mp3=Theirs"})
                                 << (base + QStringList{"/other.mp3=Theirs", "/mine.mp3=Mine"}) << false;
    QTest::newRow("entry removed") << historyOf({"/b.mp3=Take"})
                                   << QStringList{"/b.mp3=Take", "/mine.mp3=Mine"} << false;
    QTest::newRow("title changed, same size")
        << historyOf({"/a.mp3=Tone", "/b.mp3=Take"})
        << QStringList{"/a.mp3=Tone", "/b.mp3=Take", "/mine.mp3=Mine"} << false;
    QTest::newRow("file removed") << QByteArray() << QStringList{"/mine.mp3=Mine"} << false;
    QTest::newRow("file damaged") << historyOf({"/a.mp3=Take", "/b.mp3=Take"}).left(120)
                                  << QStringList{"/a.mp3=Take", "/mine.mp3=Mine"} << true;
}

void TestTwoCopies::aHeldBackSaveTakesInTheOtherCopysChange()
{
    QFETCH(QByteArray, other);
    QFETCH(QStringList, expected);
    QFETCH(bool, setAside);
    const QString file = QVideoSettingXml::historyFilePath();
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(QStringLiteral("/a.mp3"))));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(QStringLiteral("/b.mp3"))));
    QVERIFY(QVideoSettingXml::waitForHistory());
    // Without another copy the file is what this one made of it.
    QCOMPARE(historyOnDisk(), QStringList({"/a.mp3=Take", "/b.mp3=Take"}));
    {
        // The other copy holds the lock: this copy's save waits for it,
        // and the other copy's file is written meanwhile.
        StateFileLock held(file);
        QVERIFY(held.lock());
        QVERIFY(
            QVideoSettingXml::SaveConvertedInfo(record(QStringLiteral("/mine.mp3"), QStringLiteral("Mine"))));
        if (other.isEmpty())
            QVERIFY(QFile::remove(file));
        else
            QVERIFY(replaceAsAnotherCopy(file, other));
    }
    QVERIFY(QVideoSettingXml::waitForHistory());
    QCOMPARE(historyOnDisk(), expected);
    QCOMPARE(QFileInfo::exists(file + QStringLiteral(".bad")), setAside);
    // The history this copy hands out is the merged one.
    QStringList inMemory;
    for (const convertedInfo &info : QVideoSettingXml::analysisConvertedInfo())
        inMemory << info.convertedPath + QLatin1Char('=') + info.title;
    QCOMPARE(inMemory, expected);
}

void TestTwoCopies::aFollowedHistoryIsToldTheOtherCopysChanges_data()
{
    QTest::addColumn<QString>("change");     // what the other copy does (see changeAsTheOtherCopy)
    QTest::addColumn<bool>("mineMeanwhile"); // this copy saves a record before it hears of it
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QStringList>("expected"); // "path=title" in file order
    const QStringList base{"/a.mp3=Take", "/b.mp3=Take"};
    QTest::newRow("record added") << "add" << false << QStringList{"/other.mp3"}
                                  << (base + QStringList{"/other.mp3=Theirs"});
    QTest::newRow("record added, one of mine meanwhile")
        << "add" << true << QStringList{"/other.mp3"}
        << (base + QStringList{"/other.mp3=Theirs", "/mine.mp3=Mine"});
    QTest::newRow("record changed") << "change" << false << QStringList{"/a.mp3"}
                                    << QStringList{"/a.mp3=Theirs", "/b.mp3=Take"};
    QTest::newRow("record removed") << "remove" << false << QStringList{"/b.mp3"} << QStringList{"/a.mp3=Take"};
    QTest::newRow("record removed, one of mine meanwhile")
        << "remove" << true << QStringList{"/b.mp3"} << QStringList{"/a.mp3=Take", "/mine.mp3=Mine"};
    QTest::newRow("file removed") << "delete" << false << QStringList{"/a.mp3", "/b.mp3"} << QStringList{};
}

void TestTwoCopies::aFollowedHistoryIsToldTheOtherCopysChanges()
{
    QFETCH(QString, change);
    QFETCH(bool, mineMeanwhile);
    QFETCH(QStringList, told);
    QFETCH(QStringList, expected);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(QStringLiteral("/a.mp3"))));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(QStringLiteral("/b.mp3"))));
    QVERIFY(QVideoSettingXml::waitForHistory());
    QStringList heard;
    int tellings = 0;
    {
        QObject follower;
        QVideoSettingXml::followHistory(&follower, [&](const QStringList &paths) {
            heard << paths;
            ++tellings;
        });
        // Its first look finds nothing new.
        QVERIFY(QVideoSettingXml::waitForHistory());
        QCoreApplication::processEvents();
        QCOMPARE(tellings, 0);

        QProcess other;
        other.setProcessChannelMode(QProcess::ForwardedChannels);
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--change"), change});
        QVERIFY(other.waitForFinished(60000));
        QCOMPARE(other.exitCode(), 0);
        // This thread has not looked at the file: the history here is still
        // this copy's until the writer's thread has read the other's.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo(QStringLiteral("/a.mp3"))->title, QString("Take"));
        QVERIFY(QVideoSettingXml::GetConvertedInfo(QStringLiteral("/b.mp3")));
        if (mineMeanwhile)
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(
                record(QStringLiteral("/mine.mp3"), QStringLiteral("Mine"))));
        QTRY_VERIFY_WITH_TIMEOUT(tellings > 0, 10000);
        QVERIFY(QVideoSettingXml::waitForHistory());
        QCoreApplication::processEvents();
        // Told once, of the other copy's records alone.
        QCOMPARE(tellings, 1);
        heard.sort();
        QCOMPARE(heard, told);
        QStringList inMemory;
        for (const convertedInfo &info : QVideoSettingXml::analysisConvertedInfo())
            inMemory << info.convertedPath + QLatin1Char('=') + info.title;
        QCOMPARE(inMemory, expected);
        if (mineMeanwhile)
            QCOMPARE(historyOnDisk(), expected);
    }
    // No one follows once the follower is gone.
    QProcess again;
    again.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--change"), QStringLiteral("add")});
    QVERIFY(again.waitForFinished(60000));
    QVERIFY(QVideoSettingXml::waitForHistory());
    QCoreApplication::processEvents();
    QCOMPARE(tellings, 1);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--change") == 0) {
        // Another copy of the program changes the history it finds.
        const QString change = QString::fromLocal8Bit(argv[2]);
        bool ok = true;
        if (change == QLatin1String("add"))
            ok = QVideoSettingXml::SaveConvertedInfo(
                record(QStringLiteral("/other.mp3"), QStringLiteral("Theirs")));
        else if (change == QLatin1String("change"))
            ok = QVideoSettingXml::SaveConvertedInfo(
                record(QStringLiteral("/a.mp3"), QStringLiteral("Theirs")));
        else if (change == QLatin1String("remove"))
            ok = QVideoSettingXml::removeConvertedInfo(QStringLiteral("/b.mp3"));
        else
            ok = QFile::remove(QVideoSettingXml::historyFilePath());
        return ok && QVideoSettingXml::waitForHistory() ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "--copy") == 0) {
        // Set up, then told to go, so that both copies change at once.
        std::puts("ready");
        std::fflush(stdout);
        std::string line;
        if (!std::getline(std::cin, line) || line != "go")
            return 2;
        return changeAsACopy(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                             std::atoi(argv[4]))
                   ? 0
                   : 1;
    }
    TestTwoCopies test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_twocopies.moc"
