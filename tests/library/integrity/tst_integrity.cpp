// The library keeps no reference to what it has let go: deleting the
// playing playlist (by the panel's menu, the Delete key, "delete all" or
// the table's Delete All) or the playing file through one of its copies
// leaves nothing that a later recording, playlist change or play state can
// reach. Copies keep their byte counts, so every entry's info line adds up;
// sizes read the same in History.xml, rows and info line. The name editor
// keeps dotted names whole, a file never counts against its own new name,
// and new rows carry the container name that loaded rows carry.

#include "libraryfixture.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/libraryitemids.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarytableview.h"
#include "library/qrecordingprobe.h"
#include "library/librarytexts.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryrenaming.h"
#include "library/qplaylistmembership.h"
#include "library/qrecordingrows.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmenu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace LibraryFixture;

namespace {
// Every row the table holds or shows is alive.
bool rowsAlive(const QFileListWgt &table)
{
    for (const std::vector<IBaseChunk *> *rows : {&table.rows().all(), &table.rows().shown()})
        for (IBaseChunk *row : *rows)
            if (LibraryItemIds::find(static_cast<QAudioFileChunk *>(row)->itemId()) != row)
                return false;
    return true;
}

int panelRow(const QLibraryPlayListWgt &panel, const QString &title)
{
    for (int row = 0; row < panel.entryCount(); ++row)
        if (QString::fromStdString(panel.entryAt(row)->GetTitle()) == title)
            return row;
    return -1;
}

QString infoSize(const QFileListWgt &table)
{
    // "n Audios, <size>, <time>"
    return table.infoLabel()->text().section(QStringLiteral(", "), 1, 1);
}
} // namespace

class TestLibraryIntegrity : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void deletingThePlayingPlaylist_data();
    void deletingThePlayingPlaylist();
    void deletingThePlayingFileThroughACopy_data();
    void deletingThePlayingFileThroughACopy();
    void infoLineOfEveryEntryAndOneSizeText();
    void nameEditorKeepsADottedName();
    void aFileDoesNotTakeItsOwnNewName();
    void newRowsCarryTheContainerName();
    void segmentAddedInLatestStaysNew();
    void discardedRecordingTakesOnlyItsOwnFile();
    void finishedRecordingJoinsLatest();

private:
    // a in Road (new), b in Road and Night, c in nothing (new).
    void makeLibrary();
    QString m_a, m_b, m_c;
    QTemporaryDir m_dir;
    QString m_out;
    int m_answer = 0;
};

void TestLibraryIntegrity::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &) { return m_answer; });
}

void TestLibraryIntegrity::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    QVERIFY(QDir(m_out).exists());
}

void TestLibraryIntegrity::makeLibrary()
{
    m_a = tone(m_out, "a", "mp3", 1.0);
    m_b = tone(m_out, "b", "mp3", 2.0);
    m_c = tone(m_out, "c", "mp3", 3.0);
    QVERIFY(!m_a.isEmpty() && !m_b.isEmpty() && !m_c.isEmpty());
    for (const auto &[path, created, isNew, lists] :
         {std::make_tuple(m_a, QString("01-01-2024 10:00"), true, QStringList{"Road"}),
          std::make_tuple(m_b, QString("02-01-2024 10:00"), false, QStringList{"Road", "Night"}),
          std::make_tuple(m_c, QString("03-01-2024 10:00"), true, QStringList{})}) {
        convertedInfo info = record(path, created, isNew, lists);
        info.size = QIAnyUtil::size2String(quint64(QFileInfo(path).size()));
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    }
    QVERIFY(QVideoSettingXml::AppendPlayList("Road"));
    QVERIFY(QVideoSettingXml::AppendPlayList("Night"));
}

void TestLibraryIntegrity::deletingThePlayingPlaylist_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<int>("answer");
    for (int answer : {1, 2}) {
        const QString how = answer == 1 ? " (Remove)" : " (Delete)";
        QTest::newRow(qPrintable("panel menu" + how)) << "menu" << answer;
        QTest::newRow(qPrintable("Delete key" + how)) << "key" << answer;
        QTest::newRow(qPrintable("table's Delete All" + how)) << "table" << answer;
    }
    QTest::newRow("delete all playlists") << "all" << 1;
}

void TestLibraryIntegrity::deletingThePlayingPlaylist()
{
    QFETCH(QString, road);
    QFETCH(int, answer);
    makeLibrary();
    Library lib;
    lib.panel.resize(243, 400);
    lib.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lib.panel));
    QVERIFY(lib.show("Road"));
    lib.table.playback()->OnPlayItem(lib.shownIndex("a"));
    QVERIFY(lib.table.rows().current().playingRow());
    QCOMPARE(QString::fromStdString(lib.table.rows().current().playingEntry()->GetTitle()), QString("Road"));
    QCOMPARE(lib.panel.playingEntry(), lib.table.rows().current().playingEntry());

    m_answer = answer;
    const int row = panelRow(lib.panel, "Road");
    if (road == "menu") {
        QLibraryTableView *view = lib.panel.tableView();
        QJXMenu *menu = lib.panel.menuFor(view->visualRect(view->model()->index(row, 0)).center());
        QVERIFY(menu);
        QAction *del = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == "&Delete")
                del = action;
        QVERIFY(del && del->isEnabled());
        del->trigger();
    } else if (road == "key") {
        QTest::keyRelease(&lib.panel, Qt::Key_Delete);
    } else if (road == "table") {
        lib.table.deletion()->OnActDeleteAllFiles();
    } else {
        lib.panel.OnActDeleteAllLists();
    }
    QCOMPARE(panelRow(lib.panel, "Road") == -1, road != "table");
    QVERIFY(!lib.table.rows().current().playingRow());
    if (road != "table") {
        QVERIFY(!lib.table.rows().current().playingEntry());
        QVERIFY(!lib.panel.playingEntry());
    }
    QVERIFY(rowsAlive(lib.table));

    // The next recording completes, and playlists take rows, as ever.
    const QString next = tone(m_out, "next", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(next, true);
    QVERIFY(lib.table.rows().current().recordingRow());
    // The recorder writes the record at stop, then the row completes.
    const convertedInfo finished = record(next, "04-01-2024 10:00", true);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(finished));
    lib.table.recordings()->SupplyRecordingChunkInfo(finished, true);
    QVERIFY(!lib.table.rows().current().recordingRow());
    QVERIFY(lib.show("All Recordings"));
    QVERIFY(lib.shownRow("next"));
    lib.table.membership()->OnAddToList("Night", {lib.shownRow("next")->itemId()});
    QCOMPARE(historyLists(next), QStringList({"Night"}));
    lib.table.playback()->OnSetPlayOrPauseState(false);
    QVERIFY(rowsAlive(lib.table));
}

void TestLibraryIntegrity::deletingThePlayingFileThroughACopy_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Latest, Delete button") << "Latest Recordings" << false;
    QTest::newRow("Latest, menu") << "Latest Recordings" << true;
    QTest::newRow("playlist, Delete button") << "Road" << false;
    QTest::newRow("playlist, menu") << "Road" << true;
}

void TestLibraryIntegrity::deletingThePlayingFileThroughACopy()
{
    QFETCH(QString, entry);
    QFETCH(bool, byMenu);
    makeLibrary();
    Library lib;
    QSignalSpy removed(lib.table.deletion(), &QLibraryDeletion::emitRemovePlayFiles);
    lib.table.playback()->OnPlayItem(lib.shownIndex("a"));
    QAudioFileChunk *playing = lib.table.rows().current().playingRow();
    QVERIFY(playing);
    QCOMPARE(playing->GetAudioState(), QAudioFileChunk::AudioPlaying);

    QVERIFY(lib.show(entry));
    m_answer = 2;
    if (byMenu) {
        lib.table.tableView()->selectRow(lib.shownIndex("a").row());
        lib.table.deletion()->OnActDeleteFile();
    } else {
        lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(lib.shownIndex("a").row(), 7));
    }
    QVERIFY(lib.deletionsDone());
    QVERIFY(!QFile::exists(m_a));
    QCOMPARE(removed.count(), 1);
    QVERIFY(!lib.table.rows().current().playingRow());

    // Back in the playing entry the file is gone and nothing plays.
    QVERIFY(lib.show("All Recordings"));
    QVERIFY(!lib.table.rows().current().playingRow());
    QVERIFY(!lib.shownIndex("a").isValid());
    QVERIFY(!historyPaths().contains(m_a));
    lib.table.playback()->OnSetPlayOrPauseState(true);
    lib.table.playback()->OnSetPlayOrPauseState(false);
    lib.table.playback()->OnFinishPlayList();
    QVERIFY(rowsAlive(lib.table));
    for (IBaseChunk *item : lib.table.rows().all())
        QCOMPARE(dynamic_cast<QAudioFileChunk *>(item)->GetAudioState(), QAudioFileChunk::AudioNormal);
}

void TestLibraryIntegrity::infoLineOfEveryEntryAndOneSizeText()
{
    makeLibrary();
    Library lib;
    const qint64 a = QFileInfo(m_a).size(), b = QFileInfo(m_b).size(), c = QFileInfo(m_c).size();
    QCOMPARE(infoSize(lib.table), LibraryTexts::sizeText(a + b + c));
    QVERIFY(lib.show("Latest Recordings"));
    QCOMPARE(lib.table.infoLabel()->text().section(", ", 0, 0), QString("2 Audios"));
    QCOMPARE(infoSize(lib.table), LibraryTexts::sizeText(a + c));
    QVERIFY(lib.show("Road"));
    QCOMPARE(infoSize(lib.table), LibraryTexts::sizeText(a + b));
    QVERIFY(lib.show("Night"));
    QCOMPARE(infoSize(lib.table), LibraryTexts::sizeText(b));

    // A finished file added while Night is shown: its row, its record and
    // the info line of one row read the same size text.
    const QString added = tone(m_out, "added", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(added, false);
    const QString text = QIAnyUtil::size2String(quint64(QFileInfo(added).size()));
    QCOMPARE(historyInfo(added).attribute("Size_"), text);
    QCOMPARE(QString::fromStdString(lib.shownRow("added")->GetFileSize()), text);
    lib.table.searchEdit()->setText("added");
    QCOMPARE(infoSize(lib.table), text);
    // And the record the recorder writes reads back to the file's bytes.
    QVERIFY(qAbs(LibraryTexts::sizeFromText(historyInfo(m_b).attribute("Size_")) - b) <= 6);
}

void TestLibraryIntegrity::nameEditorKeepsADottedName()
{
    const QString dotted = tone(m_out, "a.b", "mp3", 1.0);
    QVERIFY(!dotted.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(dotted)));
    Library lib;
    const QModelIndex index = lib.shownIndex("a.b");
    QVERIFY(index.isValid());
    QAudioFileDelegate *delegate = lib.table.delegate();
    QWidget *editor = delegate->createEditor(lib.table.tableView()->viewport(), QStyleOptionViewItem(), index);
    auto *edit = qobject_cast<QLineEdit *>(editor);
    QVERIFY(edit);
    delegate->setEditorData(edit, index);
    QCOMPARE(edit->text(), QString("a.b"));
    // Confirmed unchanged: nothing happens to the file.
    QSignalSpy renamed(lib.table.renaming(), &QLibraryRenaming::emitRenameAudioFile);
    delegate->setModelData(edit, lib.table.sortModel(), index);
    QCOMPARE(renamed.count(), 0);
    QVERIFY(QFile::exists(dotted));
    QVERIFY(!QFile::exists(m_out + "/a.mp3"));
    delete editor;
}

void TestLibraryIntegrity::aFileDoesNotTakeItsOwnNewName()
{
    for (const QString &name : {QString("song.mp3"), QString("song(1).mp3")}) {
        QFile other(m_out + "/" + name);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(name.toUtf8());
    }
    const QString second = tone(m_out, "song(2)", "mp3", 1.0);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(second)));
    Library lib;
    QSignalSpy closed(lib.table.renaming(), &QLibraryRenaming::emitCloseFileIfIsPlaying);
    QVERIFY(!lib.table.renaming()->OnRenameFile(lib.shownIndex("song(2)"), "song"));
    QVERIFY(QFile::exists(second));
    QVERIFY(!QFile::exists(m_out + "/song(3).mp3"));
    QCOMPARE(historyPaths(), QStringList({second}));
    QCOMPARE(closed.count(), 0);
    // Another name still moves it.
    QVERIFY(lib.table.renaming()->OnRenameFile(lib.shownIndex("song(2)"), "tune"));
    QVERIFY(QFile::exists(m_out + "/tune.mp3"));
}

void TestLibraryIntegrity::newRowsCarryTheContainerName()
{
    const QString loaded = tone(m_out, "loaded", "m4a", 1.0);
    const QString added = tone(m_out, "added", "m4a", 1.0);
    QVERIFY(!loaded.isEmpty() && !added.isEmpty());
    convertedInfo info = record(loaded);
    info.format.clear(); // probed after the first paint, as for a record without one
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
    Library lib;
    lib.table.recordings()->AddAudioFile(added, false);
    const QString container = QRecordingProbe::containerName(added);
    QVERIFY(!container.isEmpty());
    QVERIFY2(!container.contains(','), qPrintable(container));
    QCOMPARE(QString::fromStdString(lib.shownRow("added")->GetFileFormat()), container);
    QCOMPARE(historyInfo(added).attribute("Format_"), container);
    lib.table.show();
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(lib.shownRow("loaded")->GetFileFormat()), container, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(historyInfo(loaded).attribute("Format_"), container, 10000);
}

void TestLibraryIntegrity::segmentAddedInLatestStaysNew()
{
    makeLibrary();
    Library lib;
    QVERIFY(lib.show("Latest Recordings"));
    const QString segment = tone(m_out, "segment", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(segment, false);
    QVERIFY(lib.shownRow("segment"));
    // New, and in no playlist of that name: there is none.
    QCOMPARE(historyLists(segment), QStringList());
    QCOMPARE(historyInfo(segment).attribute("New_file"), QString("Y"));
    QVERIFY(lib.show("All Recordings"));
    QVERIFY(lib.show("Latest Recordings"));
    QVERIFY(lib.shownRow("segment"));
}

void TestLibraryIntegrity::discardedRecordingTakesOnlyItsOwnFile()
{
    makeLibrary();
    Library lib;
    // Tags name the running recording after a file that exists: "a".
    const QString running = tone(m_out, "REC_1", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(running, true);
    JXRecognizerAudioTagInfo tags;
    tags.title = "a";
    lib.table.recordings()->OnSetRecordingTagInfo(tags);
    QCOMPARE(QString::fromStdString(lib.table.rows().current().recordingRow()->GetFilePath()), m_a);
    lib.table.recordings()->SupplyRecordingChunkInfo(record(running), false);
    QVERIFY(!QFile::exists(running));
    QVERIFY(QFile::exists(m_a));
    QVERIFY(lib.shownRow("a"));
}

void TestLibraryIntegrity::finishedRecordingJoinsLatest()
{
    makeLibrary();
    Library lib;
    const QString running = tone(m_out, "REC_1", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(running, true);
    // Latest shown while recording: the running row is not in it yet.
    QVERIFY(lib.show("Latest Recordings"));
    QVERIFY(!lib.shownRow("REC_1"));
    QVERIFY(lib.show("All Recordings"));
    const convertedInfo finished = record(running, "04-01-2024 10:00", true);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(finished));
    lib.table.recordings()->SupplyRecordingChunkInfo(finished, true);
    QVERIFY(lib.show("All Recordings"));
    QVERIFY(lib.show("Latest Recordings"));
    QVERIFY(lib.shownRow("REC_1"));
}

QTEST_MAIN(TestLibraryIntegrity)
#include "tst_integrity.moc"
