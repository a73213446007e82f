// Taking recordings out of the library with real files and History.xml on
// disk: Remove and Delete from every kind of entry, many rows at once (a
// file that cannot be deleted stays listed, with the reason told), the
// folders a deletion empties (never the output folder), the running
// recording left alone, and playlist membership through the menu, drops,
// renames and removals.

#include "libraryfixture.h"

#include "media/jxrecognizeraudiotaginfo.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemimedata.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qfiledisposal.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrenaming.h"
#include "library/qlibraryrows.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarytableview.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryplayback.h"
#include "library/qplaylistmembership.h"
#include "library/qrecordingrows.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace LibraryFixture;

class TestLibraryDeleting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void removeAndDeleteInEachEntry_data();
    void removeAndDeleteInEachEntry();
    void aRecordingOfThisSessionTakenOutOfLatestStaysOut_data();
    void aRecordingOfThisSessionTakenOutOfLatestStaysOut();
    void filesThatCannotBeDeletedStayListed_data();
    void filesThatCannotBeDeletedStayListed();
    void selectedRowsAndTheRunningRecording();
    void cancelChangesNothing();
    void emptiedFoldersGoButNotTheOutputFolder();
    void deleteAllOfAList();
    void dragFromTheTableOntoAPlaylist();
    void dropOfARowThatWentAddsNothing();
    void aCopyMadeBeforeAChangeNeverDoublesAPlaylist();
    void aPathTakenAgainBelongsToItsNewRecording();
    void aNameWhoseDeletionIsOnItsWayIsNotTaken();
    void sameNamesInTwoFoldersKeepTheirOwnPlaylists_data();
    void sameNamesInTwoFoldersKeepTheirOwnPlaylists();
    void playlistRenamedAndRemoved();

private:
    // Three recordings: a in Road, b in Road and Night (new), c in nothing (new).
    void makeLibrary();
    // Enter, move and drop of the data on the panel's row; whether the drop
    // position was taken.
    static bool dropOnto(QLibraryTableView *view, int row, const QMimeData *data);
    QString m_a, m_b, m_c;
    QTemporaryDir m_dir;
    QString m_out;
    int m_answer = 0;
    int m_asked = 0;
};

void TestLibraryDeleting::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &) {
        ++m_asked;
        return m_answer;
    });
}

void TestLibraryDeleting::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    QVERIFY(QDir(m_out).exists());
    m_asked = 0;
}

void TestLibraryDeleting::cleanup()
{
    QDir(m_out).removeRecursively();
}

void TestLibraryDeleting::makeLibrary()
{
    m_a = tone(m_out, "a", "mp3", 1.0);
    m_b = tone(m_out, "b", "mp3", 1.0);
    m_c = tone(m_out, "c", "mp3", 1.0);
    QVERIFY(!m_a.isEmpty() && !m_b.isEmpty() && !m_c.isEmpty());
    QVideoSettingXml::SaveConvertedInfo(record(m_a, "01-01-2024 10:00", false, {"Road"}));
    QVideoSettingXml::SaveConvertedInfo(record(m_b, "02-01-2024 10:00", true, {"Road", "Night"}));
    QVideoSettingXml::SaveConvertedInfo(record(m_c, "03-01-2024 10:00", true));
    QVideoSettingXml::AppendPlayList("Road");
    QVideoSettingXml::AppendPlayList("Night");
}

bool TestLibraryDeleting::dropOnto(QLibraryTableView *view, int row, const QMimeData *data)
{
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    if (!enter.isAccepted() || !move.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    return true;
}

void TestLibraryDeleting::removeAndDeleteInEachEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("answer");
    QTest::newRow("All, Remove") << "All Recordings" << 1;
    QTest::newRow("All, Delete") << "All Recordings" << 2;
    QTest::newRow("Latest, Remove") << "Latest Recordings" << 1;
    QTest::newRow("Latest, Delete") << "Latest Recordings" << 2;
    QTest::newRow("Playlist, Remove") << "Road" << 1;
    QTest::newRow("Playlist, Delete") << "Road" << 2;
}

void TestLibraryDeleting::removeAndDeleteInEachEntry()
{
    QFETCH(QString, entry);
    QFETCH(int, answer);
    makeLibrary();
    {
        Library lib;
        QSignalSpy removed(lib.table.deletion(), &QLibraryDeletion::emitRemovePlayFiles);
        QVERIFY(lib.show(entry));
        QVERIFY(lib.shownNames().contains("b"));
        m_answer = answer;
        // The row's own Delete button.
        const int row = lib.shownNames().indexOf("b");
        lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(row, 7));
        QVERIFY(lib.deletionsDone());
        QCOMPARE(m_asked, 1);
        QVERIFY(!lib.shownNames().contains("b"));
        QCOMPARE(QFile::exists(m_b), answer == 1);
        QCOMPARE(removed.count(), answer == 2 ? 1 : 0);

        if (answer == 2 || entry == "All Recordings") {
            // Gone from History.xml and from every entry.
            QVERIFY(!historyPaths().contains(m_b));
            for (const char *other : {"All Recordings", "Latest Recordings", "Road", "Night"}) {
                QVERIFY(lib.show(other));
                QVERIFY2(!lib.shownNames().contains("b"), other);
            }
        } else if (entry == "Latest Recordings") {
            QCOMPARE(historyInfo(m_b).attribute("New_file"), QString("N"));
            QCOMPARE(historyLists(m_b), QStringList({"Road", "Night"}));
            QVERIFY(lib.show("All Recordings"));
            QVERIFY(lib.shownNames().contains("b"));
            QVERIFY(lib.show("Road"));
            QVERIFY(lib.shownNames().contains("b"));
            QVERIFY(lib.show("Latest Recordings"));
            QCOMPARE(lib.shownNames(), QStringList({"c"}));
        } else {
            // Only this playlist is left.
            QCOMPARE(historyLists(m_b), QStringList({"Night"}));
            QVERIFY(lib.show("Night"));
            QCOMPARE(lib.shownNames(), QStringList({"b"}));
            QVERIFY(lib.show("All Recordings"));
            QVERIFY(lib.shownNames().contains("b"));
        }
        QCOMPARE(QFile::exists(m_a), true);
        QCOMPARE(QFile::exists(m_c), true);
    }
    // What a restart finds.
    Library again;
    QCOMPARE(again.shownNames().contains("b"), answer == 1 && entry != "All Recordings");
    QVERIFY(again.show("Latest Recordings"));
    QVERIFY(!again.shownNames().contains("b"));
    QVERIFY(QFileInfo(m_out).isDir());
}

void TestLibraryDeleting::aRecordingOfThisSessionTakenOutOfLatestStaysOut_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("its Delete button") << "button";
    QTest::newRow("menu, with the others selected") << "menu";
    QTest::newRow("Delete All of the entry") << "all";
}

void TestLibraryDeleting::aRecordingOfThisSessionTakenOutOfLatestStaysOut()
{
    // Records read at start lose their new mark then; one made since keeps
    // it in the history until it is taken out of "Latest Recordings".
    QFETCH(QString, road);
    makeLibrary();
    {
        Library lib;
        const QString path = tone(m_out, "REC_fresh", "mp3", 1.0);
        lib.table.recordings()->AddAudioFile(path, true);
        const convertedInfo finished = record(path, "05-01-2024 10:00", true);
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(finished));
        lib.table.recordings()->SupplyRecordingChunkInfo(finished, true);
        QCOMPARE(historyInfo(path).attribute("New_file"), QString("Y"));
        QVERIFY(lib.show("Latest Recordings"));
        QVERIFY(lib.shownRow("REC_fresh"));
        m_answer = 1;
        if (road == "button") {
            lib.table.deletion()->OnDeleteItem(
                lib.table.sortModel()->index(lib.shownIndex("REC_fresh").row(), 7));
        } else if (road == "menu") {
            lib.table.tableView()->selectAll();
            lib.table.deletion()->OnActDeleteFile();
        } else {
            lib.table.deletion()->OnActDeleteAllFiles();
        }
        QVERIFY(!lib.shownRow("REC_fresh"));
        QCOMPARE(historyInfo(path).attribute("New_file"), QString("N"));
        QVERIFY(QFile::exists(path));
    }
    // What a restart finds: listed, but not new.
    Library again;
    QVERIFY(again.shownRow("REC_fresh"));
    QVERIFY(again.show("Latest Recordings"));
    QVERIFY(!again.shownRow("REC_fresh"));
}

void TestLibraryDeleting::filesThatCannotBeDeletedStayListed_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("road");
    QTest::newRow("All, all selected") << "All Recordings"
                                       << "menu";
    QTest::newRow("All, Delete All") << "All Recordings"
                                     << "all";
    QTest::newRow("Latest, all selected") << "Latest Recordings"
                                          << "menu";
    QTest::newRow("playlist, all selected") << "Road"
                                            << "menu";
}

void TestLibraryDeleting::filesThatCannotBeDeletedStayListed()
{
    // Many rows at once (more than the table takes out one by one): two
    // files have been replaced by folders, which no deletion of a file
    // removes. The rest go, files, rows and records; the two stay listed,
    // and the user is told which and why.
    QFETCH(QString, entry);
    QFETCH(QString, road);
    const QString source = tone(m_dir.path(), "source", "mp3", 1.0);
    QVERIFY(!source.isEmpty());
    QList<convertedInfo> records;
    QStringList paths;
    for (int n = 0; n < 120; ++n) {
        paths << QStringLiteral("%1/take_%2.mp3").arg(m_out).arg(n, 3, 10, QLatin1Char('0'));
        QVERIFY(QFile::copy(source, paths.last()));
        records << record(paths.last(), QStringLiteral("01-01-2024 10:%1").arg(n % 60, 2, 10, QLatin1Char('0')),
                          true, {"Road"});
    }
    QVERIFY(QVideoSettingXml::saveConvertedInfos(records));
    QVERIFY(QVideoSettingXml::AppendPlayList("Road"));
    const QStringList blocked{paths.at(7), paths.at(93)};
    QStringList told;
    QLibraryQuestions::setAnswerer([&told](const QString &text) {
        told << text;
        return 2;
    });
    Library lib;
    for (const QString &path : blocked) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + "/inside"));
    }
    QVERIFY(lib.show(entry));
    QCOMPARE(lib.shownNames().size(), paths.size());
    if (road == "menu") {
        lib.table.tableView()->selectAll();
        lib.table.deletion()->OnActDeleteFile();
    } else {
        lib.table.deletion()->OnActDeleteAllFiles();
    }
    QVERIFY(lib.deletionsDone());
    QTRY_COMPARE(told.size(), 2); // the question, then what could not be deleted
    QLibraryQuestions::setAnswerer([this](const QString &) {
        ++m_asked;
        return m_answer;
    });
    for (const QString &path : blocked) {
        QVERIFY2(told.last().contains(path), qPrintable(told.last()));
        QVERIFY(QFileInfo(path).isDir());
    }
    QVERIFY2(told.last().contains(QString::fromLocal8Bit(std::strerror(EISDIR))), qPrintable(told.last()));
    for (const QString &path : paths)
        QCOMPARE(QFileInfo::exists(path), blocked.contains(path));
    // The table, the master rows and History.xml agree: the two alone.
    const QStringList names{"take_093", "take_007"};
    QCOMPARE(lib.shownNames(), names);
    QStringList masters;
    for (IBaseChunk *row : lib.table.rows().all())
        masters << static_cast<QAudioFileChunk *>(row)->qtext(QRowTexts::FilePath);
    masters.sort();
    QCOMPARE(masters, blocked);
    QStringList onDisk = historyPaths();
    onDisk.sort();
    QCOMPARE(onDisk, blocked);
    for (const QString &path : blocked)
        QVERIFY(QVideoSettingXml::GetConvertedInfo(path));
    QVERIFY(lib.show("All Recordings"));
    QCOMPARE(lib.shownNames(), names);
    QVERIFY(QFileInfo(m_out).isDir());
}

void TestLibraryDeleting::selectedRowsAndTheRunningRecording()
{
    makeLibrary();
    Library lib;
    QAudioFileTableView *view = lib.table.tableView();
    // The Delete key with nothing selected asks nothing.
    QTest::keyClick(&lib.table, Qt::Key_Delete);
    QCOMPARE(m_asked, 0);
    lib.table.recordings()->AddAudioFile(m_out + "/REC_live.mp3", true);
    QFile(m_out + "/REC_live.mp3").open(QIODevice::WriteOnly);
    view->selectAll();
    m_answer = 2;
    QTest::keyClick(&lib.table, Qt::Key_Delete);
    QVERIFY(lib.deletionsDone());
    QCOMPARE(m_asked, 1);
    QCOMPARE(lib.shownNames(), QStringList({"REC_live"}));
    QVERIFY(QFile::exists(m_out + "/REC_live.mp3"));
    for (const QString &path : {m_a, m_b, m_c})
        QVERIFY(!QFile::exists(path));
    QCOMPARE(historyPaths(), QStringList());
    // The running row's own Delete button does nothing either.
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(0, 7));
    QCOMPARE(m_asked, 1);
    QVERIFY(lib.table.rows().current().recordingRow());
}

void TestLibraryDeleting::cancelChangesNothing()
{
    makeLibrary();
    Library lib;
    m_answer = 0;
    lib.table.tableView()->selectAll();
    lib.table.deletion()->OnActDeleteFile();
    lib.table.deletion()->OnActDeleteAllFiles();
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(0, 7));
    QCOMPARE(m_asked, 3);
    QCOMPARE(lib.shownNames().size(), 3);
    QCOMPARE(historyPaths().size(), 3);
}

void TestLibraryDeleting::emptiedFoldersGoButNotTheOutputFolder()
{
    // Recordings in folders below the output folder.
    QVERIFY(QDir().mkpath(m_out + "/artist/album"));
    QVERIFY(QDir().mkpath(m_out + "/kept"));
    const QString deep = tone(m_out + "/artist/album", "deep", "mp3", 1.0);
    const QString kept = tone(m_out + "/kept", "kept", "mp3", 1.0);
    QFile hidden(m_out + "/kept/.hidden");
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    const QString top = tone(m_out, "top", "mp3", 1.0);
    for (const QString &p : {deep, kept, top})
        QVideoSettingXml::SaveConvertedInfo(record(p));
    Library lib;
    m_answer = 2;
    lib.table.tableView()->selectAll();
    lib.table.deletion()->OnActDeleteFile();
    QVERIFY(lib.deletionsDone());
    QVERIFY(!QFile::exists(deep));
    QVERIFY(!QFileInfo::exists(m_out + "/artist"));
    QVERIFY(QFileInfo(m_out + "/kept").isDir()); // holds a hidden file
    QVERIFY(QFileInfo(m_out).isDir());
    QVERIFY(QFileInfo(m_dir.path()).isDir());

    // A record's own bound stops the walk too.
    QVERIFY(QDir().mkpath(m_out + "/bound/inner"));
    const QString bounded = tone(m_out + "/bound/inner", "b", "mp3", 1.0);
    QFileDisposal::disposeFile(bounded, m_out + "/bound", m_out + "/");
    QVERIFY(!QFileInfo::exists(m_out + "/bound/inner"));
    QVERIFY(QFileInfo(m_out + "/bound").isDir());
    // Without an output folder the walk still stops at the first folder in use.
    QVERIFY(QDir().mkpath(m_out + "/x/y"));
    const QString lone = tone(m_out + "/x/y", "lone", "mp3", 1.0);
    QFileDisposal::disposeFile(lone, QString(), QString());
    QVERIFY(!QFileInfo::exists(m_out + "/x"));
    QVERIFY(QFileInfo(m_out).isDir());
}

void TestLibraryDeleting::deleteAllOfAList()
{
    makeLibrary();
    Library lib;
    QSignalSpy removeAll(lib.table.deletion(), &QLibraryDeletion::emitRemoveAllPlayFiles);
    QVERIFY(lib.show("Road"));
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(0, 1));
    // "Remove" for the whole playlist, as the panel's question asks it.
    m_answer = 1;
    lib.table.deletion()->OnActDeleteAllFiles();
    QCOMPARE(lib.shownNames(), QStringList());
    QCOMPARE(removeAll.count(), 1);
    QCOMPARE(historyLists(m_a), QStringList());
    QCOMPARE(historyLists(m_b), QStringList({"Night"}));
    // "Delete" of the Night playlist through the panel deletes its files.
    QVERIFY(lib.show("Night"));
    m_answer = 2;
    QTest::keyClick(&lib.panel, Qt::Key_Delete);
    QVERIFY(lib.deletionsDone());
    QVERIFY(!QFile::exists(m_b));
    QVERIFY(!historyPaths().contains(m_b));
    QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList({"Road"}));
    QCOMPARE(lib.panel.tableView()->currentIndex().row(), 5);
    QVERIFY(lib.show("All Recordings"));
    QCOMPARE(lib.shownNames(), QStringList({"c", "a"}));
}

void TestLibraryDeleting::dragFromTheTableOntoAPlaylist()
{
    makeLibrary();
    Library lib;
    lib.panel.resize(243, 400);
    lib.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lib.panel));
    QAudioFileTableView *view = lib.table.tableView();
    QItemSelectionModel *selection = view->selectionModel();
    QAudioFileSortModel *sort = lib.table.sortModel();
    // c and a onto Night (b is there already).
    selection->select(sort->index(lib.shownNames().indexOf("c"), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(sort->index(lib.shownNames().indexOf("a"), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> data(view->selectionMimeData());
    QVERIFY(data);
    QVERIFY(dropOnto(lib.panel.tableView(), 6, data.get()));
    QCOMPARE(historyLists(m_c), QStringList({"Night"}));
    QCOMPARE(historyLists(m_a), QStringList({"Road", "Night"}));
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"c", "b", "a"}));
    // Adding again changes nothing.
    const QByteArray before = [] {
        QVideoSettingXml::waitForHistory();
        QFile f(QVideoSettingXml::historyFilePath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QList<quint64> again;
    for (IBaseChunk *row : lib.table.rows().shown())
        again << static_cast<QAudioFileChunk *>(row)->itemId();
    lib.table.membership()->OnAddToList("Night", again);
    QVideoSettingXml::waitForHistory();
    QFile f(QVideoSettingXml::historyFilePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    // A row that is not the library's is passed over.
    QAudioFileChunk stranger;
    lib.table.membership()->OnAddToList("Night", {stranger.itemId()});
    QCOMPARE(historyPaths().size(), 3);
}

void TestLibraryDeleting::dropOfARowThatWentAddsNothing()
{
    // A drag runs its own event loop: the dragged row may be deleted and a
    // new row made (perhaps where the old one was) before the drop.
    makeLibrary();
    Library lib;
    lib.panel.resize(243, 400);
    lib.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lib.panel));
    QSignalSpy added(&lib.panel, &QLibraryPlayListWgt::emitAddAudioToList);
    QAudioFileTableView *view = lib.table.tableView();
    view->selectionModel()->select(lib.table.sortModel()->index(lib.shownNames().indexOf("c"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> data(view->selectionMimeData());
    QVERIFY(data);

    m_answer = 1;
    lib.table.deletion()->OnDeleteItem(lib.shownIndex("c"));
    QVERIFY(!lib.shownRow("c"));
    const QString fresh = tone(m_out, "fresh", "mp3", 1.0);
    lib.table.recordings()->AddAudioFile(fresh, false);
    QVERIFY(lib.shownRow("fresh"));

    // The drop is refused; no playlist takes the new row, nor anything else.
    dropOnto(lib.panel.tableView(), 6, data.get());
    QCOMPARE(added.count(), 0);
    QCOMPARE(historyLists(fresh), QStringList());
    QCOMPARE(historyLists(m_a), QStringList({"Road"}));
    QCOMPARE(historyLists(m_b), QStringList({"Road", "Night"}));
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"b"}));

    // Handed to the table anyway, the id of a row that went adds nothing.
    const QList<quint64> ids = QAudioFileMimeData::decodeIds(data->data(QAudioFileMimeData::kMimeType));
    QCOMPARE(ids.size(), 1);
    lib.table.membership()->OnAddToList("Night", ids);
    QCOMPARE(historyLists(fresh), QStringList());
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"b"}));
}

void TestLibraryDeleting::aCopyMadeBeforeAChangeNeverDoublesAPlaylist()
{
    // "Latest Recordings" shows a copy of c made before c joined Night
    // through its master row; adding the copy to Night again changes
    // nothing, and taking c out of Night takes it out wholly.
    makeLibrary();
    Library lib;
    QVERIFY(lib.show("Latest Recordings"));
    QAudioFileChunk *copy = lib.shownRow("c");
    QVERIFY(copy);
    QAudioFileChunk *master = lib.table.rows().masterOf(copy->textView(QRowTexts::FilePath));
    QVERIFY(master && master != copy);
    lib.table.membership()->OnAddToList("Night", {master->itemId()});
    QCOMPARE(historyLists(m_c), QStringList({"Night"}));
    lib.table.membership()->OnAddToList("Night", {copy->itemId()});
    QCOMPARE(historyLists(m_c), QStringList({"Night"}));
    QCOMPARE(master->GetListsBelong(), QList<std::string>({"Night"}));

    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"c", "b"}));
    m_answer = 1;
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(lib.shownNames().indexOf("c"), 7));
    QCOMPARE(historyLists(m_c), QStringList());
    QVERIFY(master->GetListsBelong().isEmpty());
    QVERIFY(lib.show("Latest Recordings"));
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"b"}));

    // A record that names a playlist twice (as such copies once left it)
    // leaves that playlist wholly too.
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(m_a, "01-01-2024 10:00", false, {"Road", "Road"})));
    Library again;
    QVERIFY(again.show("Road"));
    again.table.deletion()->OnDeleteItem(again.table.sortModel()->index(again.shownNames().indexOf("a"), 7));
    QCOMPARE(historyLists(m_a), QStringList());
    QVERIFY(again.table.rows().masterOf(m_a.toStdString())->GetListsBelong().isEmpty());
}

void TestLibraryDeleting::aPathTakenAgainBelongsToItsNewRecording()
{
    // c's file is deleted from "Latest Recordings"; its master row waits,
    // marked gone, for "All Recordings" to let it go. a, renamed to c, takes
    // its path (while the gone row, newer, still comes first): what is done
    // to that path is done to a, and the gone row leaves without taking a's
    // record along. A running recording whose recognised title plans the
    // same name joins no playlist.
    makeLibrary();
    Library lib;
    QVERIFY(lib.show("Latest Recordings"));
    m_answer = 2;
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(lib.shownNames().indexOf("c"), 7));
    QVERIFY(lib.deletionsDone());
    QVERIFY(!QFile::exists(m_c));
    QVERIFY(lib.show("Road"));
    QVERIFY(lib.table.renaming()->OnRenameFile(lib.shownIndex("a"), "c"));
    QVERIFY(QFile::exists(m_c) && !QFile::exists(m_a));
    QAudioFileChunk *renamed = lib.shownRow("c");
    QVERIFY(renamed);
    lib.table.membership()->OnAddToList("Night", {renamed->itemId()});
    QCOMPARE(historyLists(m_c), QStringList({"Road", "Night"}));
    QAudioFileChunk *master = lib.table.rows().masterOf(m_c.toStdString());
    QVERIFY(master && !master->isDeleted());
    QCOMPARE(master->GetListsBelong(), QList<std::string>({"Road", "Night"}));

    const QString running = m_out + "/REC_running.mp3";
    lib.table.recordings()->AddAudioFile(running, true);
    JXRecognizerAudioTagInfo tags;
    tags.title = "c";
    lib.table.recordings()->OnSetRecordingTagInfo(tags);
    QAudioFileChunk *recording = lib.table.rows().current().recordingRow();
    QCOMPARE(QString::fromStdString(recording->GetFilePath()), m_c);
    lib.table.membership()->OnAddToList("Road", {recording->itemId()});
    QVERIFY(recording->GetListsBelong().isEmpty());
    QCOMPARE(historyLists(m_c), QStringList({"Road", "Night"}));

    QVERIFY(lib.show("All Recordings"));
    QVERIFY(historyPaths().contains(m_c));
    QCOMPARE(historyLists(m_c), QStringList({"Road", "Night"}));
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"b", "c"}));
}

void TestLibraryDeleting::aNameWhoseDeletionIsOnItsWayIsNotTaken()
{
    // c's file is deleted on a worker; a is renamed to c once the file is
    // gone from the disk but before the deletion came back. The name is
    // still c's: a takes c(1), and stays listed when c's row and record go.
    makeLibrary();
    Library lib;
    m_answer = 2;
    lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(lib.shownNames().indexOf("c"), 7));
    // The worker's answer waits for the event loop, which is not run here.
    QDeadlineTimer deadline(10000);
    while (QFile::exists(m_c) && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY(!QFile::exists(m_c));
    QVERIFY(lib.table.deletion()->isDeleting());
    QVERIFY(lib.table.renaming()->OnRenameFile(lib.shownIndex("a"), "c"));
    const QString renamed = m_out + "/c(1).mp3";
    QVERIFY(QFile::exists(renamed) && !QFile::exists(m_a));
    QVERIFY(lib.deletionsDone());
    QCOMPARE(lib.shownNames(), QStringList({"b", "c(1)"}));
    QVERIFY(QFile::exists(renamed));
    QVERIFY(lib.table.rows().masterOf(renamed.toStdString()));
    QVERIFY(!lib.table.rows().masterOf(m_c.toStdString()));
    QCOMPARE(historyPaths().size(), 2);
    QVERIFY(historyPaths().contains(renamed) && !historyPaths().contains(m_c));
    QCOMPARE(historyLists(renamed), QStringList({"Road"}));
}

void TestLibraryDeleting::sameNamesInTwoFoldersKeepTheirOwnPlaylists_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<bool>("readFirst");
    // Each change is made through a playlist's copy of one of the two rows,
    // with either of them first in the library.
    for (bool readFirst : {false, true}) {
        const QString order = readFirst ? ", x first" : ", y first";
        QTest::newRow(qPrintable("x taken out of Road" + order)) << "Road" << true << readFirst;
        QTest::newRow(qPrintable("y from Night added to Road" + order)) << "Night" << false << readFirst;
    }
}

void TestLibraryDeleting::sameNamesInTwoFoldersKeepTheirOwnPlaylists()
{
    QFETCH(QString, shown);
    QFETCH(bool, remove);
    QFETCH(bool, readFirst);
    QDir(m_out).mkpath("x");
    QDir(m_out).mkpath("y");
    const QString x = tone(m_out + "/x", "song", "mp3", 1.0);
    const QString y = tone(m_out + "/y", "song", "mp3", 1.0);
    QVERIFY(!x.isEmpty() && !y.isEmpty());
    const convertedInfo inRoad = record(x, "01-01-2024 10:00", false, {"Road"});
    const convertedInfo inNight = record(y, "02-01-2024 10:00", false, {"Night"});
    QVideoSettingXml::SaveConvertedInfo(readFirst ? inNight : inRoad);
    QVideoSettingXml::SaveConvertedInfo(readFirst ? inRoad : inNight);
    QVideoSettingXml::AppendPlayList("Road");
    QVideoSettingXml::AppendPlayList("Night");

    Library lib;
    QVERIFY(lib.show(shown));
    QCOMPARE(lib.table.rows().shown().size(), size_t(1));
    auto *copy = static_cast<QAudioFileChunk *>(lib.table.rows().shown().front());
    if (remove) {
        m_answer = 1;
        lib.table.deletion()->OnDeleteItem(lib.table.sortModel()->index(0, 7));
    } else {
        lib.table.membership()->OnAddToList("Road", {copy->itemId()});
    }
    const QStringList xLists = remove ? QStringList() : QStringList({"Road"});
    const QStringList yLists = remove ? QStringList({"Night"}) : QStringList({"Night", "Road"});
    QCOMPARE(historyLists(x), xLists);
    QCOMPARE(historyLists(y), yLists);
    // The master rows agree with the history, and so do the playlists shown.
    for (IBaseChunk *item : lib.table.rows().all()) {
        auto *row = static_cast<QAudioFileChunk *>(item);
        QStringList names;
        for (const std::string &name : row->GetListsBelong())
            names << QString::fromStdString(name);
        QCOMPARE(names, QString::fromStdString(row->GetFilePath()) == x ? xLists : yLists);
    }
    QVERIFY(lib.show("Road"));
    QCOMPARE(int(lib.table.rows().shown().size()), remove ? 0 : 2);
    QVERIFY(lib.show("Night"));
    QCOMPARE(int(lib.table.rows().shown().size()), 1);
    QCOMPARE(static_cast<QAudioFileChunk *>(lib.table.rows().shown().front())->GetFilePath(), y.toStdString());
}

void TestLibraryDeleting::playlistRenamedAndRemoved()
{
    makeLibrary();
    Library lib;
    QVERIFY(lib.show("Road"));
    QAbstractItemModel *model = lib.panel.tableView()->model();
    lib.panel.OnRename(model->index(5, 0), "Highway");
    QCOMPARE(historyLists(m_a), QStringList({"Highway"}));
    QCOMPARE(historyLists(m_b), QStringList({"Highway", "Night"}));
    for (IBaseChunk *item : lib.table.rows().all())
        QVERIFY(dynamic_cast<QAudioFileChunk *>(item)->GetListNamePos("Road") < 0);
    QVERIFY(lib.show("Highway"));
    QCOMPARE(lib.shownNames(), QStringList({"b", "a"}));
    m_answer = 1;
    lib.panel.OnActDeleteAllLists();
    QCOMPARE(historyLists(m_a), QStringList());
    QCOMPARE(historyLists(m_b), QStringList());
    QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList());
    QCOMPARE(lib.shownNames(), QStringList({"c", "b", "a"}));
}

QTEST_MAIN(TestLibraryDeleting)
#include "tst_deleting.moc"
