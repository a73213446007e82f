// The recordings table over History.xml on disk and real files: what a
// start loads, what each library entry shows, search and info line, files
// added while a list is shown, playing rows and the context menu.

#include "libraryfixture.h"

#include "common/qianyutil.h"
#include "testsupport.h"

#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "library/libraryconnections.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qaudiofiletableview.h"
#include "library/qhistoryearlyread.h"
#include "library/qhistoryloadjob.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryquestions.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/librarytexts.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryloader.h"
#include "library/qlibraryplayback.h"
#include "library/qlibrarytablemenu.h"
#include "library/qlibraryrenaming.h"
#include "library/qlibrarytablecontroller.h"
#include "library/qrecordingrows.h"
#include "library/qrowsearchjob.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/qjxmenu.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <optional>
#include <QtTest>

using namespace LibraryFixture;

namespace {
// Whether some pixel of the cell, as drawn, is close to the colour (text
// is antialiased, so its core pixels are looked for).
bool cellShows(QFileListWgt &table, int row, int column, const QColor &colour)
{
    QAudioFileTableView *view = table.tableView();
    const QRect cell = view->visualRect(table.sortModel()->index(row, column));
    const QImage image = view->viewport()->grab(cell).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 12 && qAbs(c.green() - colour.green()) < 12
                && qAbs(c.blue() - colour.blue()) < 12)
                return true;
        }
    return false;
}

// Counts the warnings about unreadable recording marks, and hands every
// line on (to the test's own handler, which ignores what is expected).
QAtomicInt s_unreadableMarks;
QtMessageHandler s_handlerBefore = nullptr;
void countingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("unreadable recording mark")))
        s_unreadableMarks.fetchAndAddRelaxed(1);
    s_handlerBefore(type, context, message);
}
} // namespace

class TestLibraryTable : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void startLoadsNewestFirstAndDropsMissingFiles();
    void emptyFormatIsProbedAndTheNewMarkKept();
    void firstShowingOfAllRecordingsKeepsTheLoadedTable();
    void historyIsReadAfterTheTableIsBuiltAndJoinsInOneGo();
    void recordingSavedWhileTheHistoryIsReadStays();
    void historyThatCannotBeReadLeavesAnEmptyLoadedTable();
    void largeHistoryJoinsWhileTheEventLoopRuns();
    void tableDestroyedDuringTheReadStopsTheParse();
    void readBegunBeforeTheLibraryStartsItAlike_data();
    void readBegunBeforeTheLibraryStartsItAlike();
    void readBegunBeforeTheLibraryAndNeverTakenIsStopped();
    void entriesShowTheirRecordings();
    void searchIsLiteralAndTheInfoLineAddsBytes();
    void searchOnAWorkerFindsAsTheTableShows_data();
    void searchOnAWorkerFindsAsTheTableShows();
    void searchOnAWorkerTakesTheLastKeyAndRowsThatCame();
    void textsOfTheInfoLine();
    void finishedFileJoinsTheShownPlaylist();
    void rowsJoiningAndLeavingKeepTheSelection();
    void playingRowsAndEntries();
    void nextTrackFollowsRowsThatCameAndWent();
    void contextMenu();
    void screenshotOfTheTable();

private:
    QString file(const QString &name, double seconds = 1.0);
    QTemporaryDir m_dir;
};

void TestLibraryTable::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestLibraryTable::init()
{
    QVideoSettingXml::waitForHistory();
    QFile::remove(QVideoSettingXml::historyFilePath());
    QFile::remove(QVideoSettingXml::playListFilePath());
}

QString TestLibraryTable::file(const QString &name, double seconds)
{
    const QString dot = name.section('.', -1);
    const QString path = tone(m_dir.path(), name.left(name.size() - dot.size() - 1), dot, seconds);
    return path;
}

void TestLibraryTable::startLoadsNewestFirstAndDropsMissingFiles()
{
    const QString a = file("a.mp3"), c = file("c.mp3"), v = file("v.wav");
    QVERIFY(!a.isEmpty() && !c.isEmpty() && !v.isEmpty());
    const QString b = m_dir.filePath("b-gone.mp3");
    convertedInfo video = record(v);
    video.videoFile = true;
    for (const convertedInfo &r : {record(a), record(b), record(c), video})
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(r));

    Library lib;
    QCOMPARE(int(lib.table.rows().all().size()), 2);
    auto *first = dynamic_cast<QAudioFileChunk *>(lib.table.rows().all().at(0));
    auto *second = dynamic_cast<QAudioFileChunk *>(lib.table.rows().all().at(1));
    QCOMPARE(QString::fromStdString(first->GetFilePath()), c);
    QCOMPARE(QString::fromStdString(second->GetFilePath()), a);
    QCOMPARE(QString::fromStdString(first->GetFileName()), QString("c.mp3"));
    // The missing file's record is gone from the disk; the video's stays unshown.
    QCOMPARE(historyPaths(), QStringList({a, c, v}));
    QCOMPARE(lib.shownNames().size(), 2);
    QVERIFY(lib.table.infoLabel()->text().startsWith("2 Audios, "));
}

void TestLibraryTable::firstShowingOfAllRecordingsKeepsTheLoadedTable()
{
    const QString a = file("older.mp3"), b = file("newer.mp3");
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00")));
    QLibraryPlayListWgt panel;
    QFileListWgt table;
    LibraryConnections::connectPanelAndTable(&panel, &table);
    QTRY_VERIFY(table.loader()->historyLoaded());
    QCOMPARE(table.sortModel()->rowCount(), 2);
    // The start's rows are what "All Recordings" shows: selecting it does
    // not empty and refill (and sort again) the table.
    QSignalSpy resets(table.sortModel(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(table.sortModel(), &QAbstractItemModel::rowsRemoved);
    panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
    QCOMPARE(QString::fromStdString(table.rows().current().shownEntry()->GetTitle()),
             QString("All Recordings"));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(table.sortModel()->index(0, QAudioFileModel::ColumnName).data().toString(), QString("newer"));
    QCOMPARE(table.sortModel()->index(1, QAudioFileModel::ColumnName).data().toString(), QString("older"));
    QVERIFY(table.infoLabel()->text().startsWith("2 Audios, "));
}

void TestLibraryTable::historyIsReadAfterTheTableIsBuiltAndJoinsInOneGo()
{
    const QString a = file("first.mp3"), b = file("second.mp3"), c = file("third.mp3");
    QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty());
    const QString gone = m_dir.filePath("gone.mp3");
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(gone, "05-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(c, "03-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00")));

    QLibraryPlayListWgt panel;
    QFileListWgt table;
    LibraryConnections::connectPanelAndTable(&panel, &table);
    panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
    // Built without waiting for the file: empty, and saying it loads.
    QVERIFY(!table.loader()->historyLoaded());
    QCOMPARE(table.sortModel()->rowCount(), 0);
    QCOMPARE(table.infoLabel()->text(), QString("Loading recordings..."));
    table.resize(700, 300);
    table.show();

    QSignalSpy loaded(table.loader(), &QLibraryLoader::emitHistoryLoaded);
    QSignalSpy resets(table.sortModel(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(table.sortModel(), &QAbstractItemModel::rowsInserted);
    QTRY_COMPARE(loaded.count(), 1);
    QVERIFY(table.loader()->historyLoaded());
    // All rows came in one reset, sorted newest first, the missing file left out.
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(table.sortModel()->rowCount(), 3);
    const QStringList expected{"third", "second", "first"};
    for (int r = 0; r < 3; ++r)
        QCOMPARE(table.sortModel()->index(r, QAudioFileModel::ColumnName).data().toString(), expected.at(r));
    QVERIFY(table.infoLabel()->text().startsWith("3 Audios, "));
    // The pass's change reached the file: the missing recording's record is gone.
    QCOMPARE(historyPaths(), QStringList({b, c, a}));
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QVERIFY(!TestSupport::saveScreenshot(&table, "library_table_after_load").isEmpty());
}

void TestLibraryTable::recordingSavedWhileTheHistoryIsReadStays()
{
    const QString a = file("kept.mp3"), fresh = file("fresh.mp3");
    QVERIFY(!a.isEmpty() && !fresh.isEmpty());
    const QString gone = m_dir.filePath("missing.mp3");
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00", true)));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(gone, "02-01-2024 10:00")));

    QLibraryPlayListWgt panel;
    QFileListWgt table;
    LibraryConnections::connectPanelAndTable(&panel, &table);
    panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
    // A file joins and is recorded before the read's result comes back.
    table.recordings()->AddAudioFile(fresh, false);
    QTRY_VERIFY(table.loader()->historyLoaded());

    // The start's changes went to the history as it was then: the new
    // record stays, the missing one goes, the new mark is cleared.
    const QStringList paths = historyPaths();
    QVERIFY2(paths.contains(fresh), qPrintable(paths.join(',')));
    QVERIFY(paths.contains(a));
    QVERIFY(!paths.contains(gone));
    QCOMPARE(historyInfo(a).attribute("New_file"), QString("N"));
    // One row per recording, however the read and the save fell.
    QStringList rows;
    for (IBaseChunk *item : table.rows().all())
        rows << QString::fromStdString(dynamic_cast<QAudioFileChunk *>(item)->GetFilePath());
    rows.sort();
    QStringList both{a, fresh};
    both.sort();
    QCOMPARE(rows, both);
}

void TestLibraryTable::historyThatCannotBeReadLeavesAnEmptyLoadedTable()
{
    // A folder where the file should be: nothing the program wrote, so it
    // is neither replaced nor read, and said so in the log.
    QVERIFY(QDir().mkpath(QVideoSettingXml::historyFilePath()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read .*History\\.xml.*a folder"));
    {
        QLibraryPlayListWgt panel;
        QFileListWgt table;
        LibraryConnections::connectPanelAndTable(&panel, &table);
        panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
        QSignalSpy loaded(table.loader(), &QLibraryLoader::emitHistoryLoaded);
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(table.sortModel()->rowCount(), 0);
        QVERIFY(table.infoLabel()->text().startsWith("0 Audios, "));
    }
    QVERIFY(QFileInfo(QVideoSettingXml::historyFilePath()).isDir());
    QVERIFY(QDir(QVideoSettingXml::historyFilePath()).removeRecursively());
}

void TestLibraryTable::largeHistoryJoinsWhileTheEventLoopRuns()
{
    // Enough records for several slices of rows; empty files will do, as
    // every record names its format.
    constexpr int kRecords = 5000;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QByteArray xml = "<ROOTITEM>\n";
    for (int i = 0; i < kRecords; ++i) {
        const QString path = folder.filePath(QStringLiteral("rec_%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        xml += "<Path_item Converted_path_=\"" + path.toUtf8() + "\"><CONVERTED_INFO_ Title_=\"\" Time_=\"00:00:01\" "
               "Size_=\"0 B\" Create_time_=\"" + QStringLiteral("01-01-2024 %1:%2").arg(i / 60 % 24, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0')).toUtf8()
               + "\" Format_=\"mp3\" Extend_=\"mp3\" Video_file=\"N\" New_file=\"N\"/></Path_item>\n";
    }
    xml += "</ROOTITEM>\n";
    QVERIFY(TestSupport::writeBytes(QVideoSettingXml::historyFilePath(), xml));

    QLibraryPlayListWgt panel;
    QFileListWgt table;
    LibraryConnections::connectPanelAndTable(&panel, &table);
    panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
    auto *job = table.findChild<QHistoryLoadJob *>();
    QVERIFY(job);
    // Calls queued once the read came back run before the rows join: the
    // rows are made over several turns of the event loop.
    int turnsBeforeJoin = 0;
    std::function<void()> probe = [&] {
        if (table.loader()->historyLoaded())
            return;
        ++turnsBeforeJoin;
        QMetaObject::invokeMethod(this, probe, Qt::QueuedConnection);
    };
    connect(job, &QHistoryLoadJob::loaded, this, [&] { QMetaObject::invokeMethod(this, probe, Qt::QueuedConnection); });
    QSignalSpy resets(table.sortModel(), &QAbstractItemModel::modelReset);
    const std::shared_ptr<const QHistoryLoadJob::Progress> progress = job->progress();
    QTRY_VERIFY_WITH_TIMEOUT(table.loader()->historyLoaded(), 20000);
    QVERIFY2(turnsBeforeJoin >= 1, qPrintable(QString::number(turnsBeforeJoin)));
    // Still one reset with every row, in order.
    QCOMPARE(resets.count(), 1);
    QCOMPARE(table.sortModel()->rowCount(), kRecords);
    QCOMPARE(table.sortModel()->index(0, QAudioFileModel::ColumnName).data().toString(), QString("rec_04319"));
    QVERIFY(table.infoLabel()->text().startsWith(QString::number(kRecords) + " Audios, "));
    // The pass parsed each entry, then read each record.
    QCOMPARE(progress->entriesParsed.load(), kRecords);
    QCOMPARE(progress->recordsRead.load(), kRecords);
    QVERIFY(progress->stopped.load() == QHistoryLoadJob::Progress::Stopped::No);
}

void TestLibraryTable::tableDestroyedDuringTheReadStopsTheParse()
{
    // A large history whose files are gone: a pass left to run would drop
    // every record and rewrite the file.
    constexpr int kRecords = 20000;
    QByteArray xml = "<ROOTITEM>\n";
    for (int i = 0; i < kRecords; ++i)
        xml += "    <Path_item Converted_path_=\"/gone/rec_" + QByteArray::number(i)
               + ".mp3\">\n        <CONVERTED_INFO_ Title_=\"t\" Format_=\"mp3\" New_file=\"Y\"/>\n"
                 "        <List_name ListName=\"Road\"/>\n    </Path_item>\n";
    xml += "</ROOTITEM>\n";
    const QString history = QVideoSettingXml::historyFilePath();
    QVERIFY(TestSupport::writeBytes(history, xml));
    // Old enough to be read a piece at a time, as at start.
    QTRY_VERIFY_WITH_TIMEOUT(StateFile::signatureTrusted(StateFile::signature(history), StateFile::nowNs()), 10000);

    // The stop the table's end sets, met at the parse's first entry.
    QHistoryLoadJob::Progress progress;
    progress.stop.store(true);
    const QHistoryLoadJob::Result result = QHistoryLoadJob::read(
        [](const convertedInfo &, qint64, const HistoryDocument::Entry &) -> IBaseChunk * { return nullptr; },
        &progress);
    QVERIFY(progress.stopped.load() == QHistoryLoadJob::Progress::Stopped::InTheParse);
    QCOMPARE(progress.entriesParsed.load(), 0);
    QCOMPARE(progress.recordsRead.load(), 0);
    QVERIFY(result.rows.empty() && result.rowless.isEmpty() && result.changes.isEmpty());

    // The table sets it when it goes, wherever its pass is.
    auto *table = new QFileListWgt;
    auto *job = table->findChild<QHistoryLoadJob *>();
    QVERIFY(job);
    const std::shared_ptr<const QHistoryLoadJob::Progress> shared = job->progress();
    delete table;
    QVERIFY(shared->stop.load());
    // A stopped pass is neither damage nor a result: the file stays as it is.
    QVERIFY(QVideoSettingXml::waitForHistory());
    QCOMPARE(TestSupport::readBytes(history), xml);
    QVERIFY(!QFile::exists(history + ".bad"));
}

void TestLibraryTable::readBegunBeforeTheLibraryStartsItAlike_data()
{
    QTest::addColumn<bool>("early");
    QTest::newRow("begun by the library") << false;
    QTest::newRow("begun before the library") << true;
}

void TestLibraryTable::readBegunBeforeTheLibraryStartsItAlike()
{
    QFETCH(bool, early);
    const QString out = freshLibrary(m_dir.filePath(QStringLiteral("early-%1").arg(early)));
    QDir(QRecordingMarker::folder()).removeRecursively();
    const auto marksGo = qScopeGuard([] { QDir(QRecordingMarker::folder()).removeRecursively(); });
    const QString kept = tone(out, "kept", "mp3", 1.0), older = tone(out, "older", "mp3", 1.0);
    const QString probe = tone(out, "probe", "m4a", 1.0), clip = tone(out, "clip", "wav", 1.0);
    const QString cut = tone(out, "cut", "mp3", 1.0);
    QVERIFY(!kept.isEmpty() && !older.isEmpty() && !probe.isEmpty() && !clip.isEmpty() && !cut.isEmpty());
    const QString gone = out + "/gone.mp3";
    convertedInfo noFormat = record(probe, "03-01-2024 10:00");
    noFormat.format.clear();
    convertedInfo video = record(clip, "04-01-2024 10:00");
    video.videoFile = true;
    for (const convertedInfo &r :
         {record(kept, "05-01-2024 10:00", true), record(older, "01-01-2024 10:00"), noFormat, video,
          record(gone, "06-01-2024 10:00"), record(cut, "07-01-2024 10:00")})
        QVERIFY(QVideoSettingXml::SaveConvertedInfo(r));
    QVERIFY(QVideoSettingXml::waitForHistory());
    // A recording a crash cut short, whose record was saved: it is being
    // repaired (here it cannot be), so the history gives it no row. And a
    // mark nobody can read, which is said once.
    QVERIFY(QRecordingMarker::write(record(cut, "07-01-2024 10:00"), QStringLiteral("no-such-muxer")));
    QVERIFY(TestSupport::writeBytes(QRecordingMarker::folder() + "/unreadable.recording", "{not json"));
    s_unreadableMarks.storeRelaxed(0);
    s_handlerBefore = qInstallMessageHandler(countingHandler);

    std::optional<QHistoryEarlyRead> before;
    if (early) {
        before.emplace();
        QVERIFY(before->isBegun());
    }
    QStringList shownAtLoad;
    {
        Library lib(Library::ReturnAtOnce);
        // The library took the read over: nothing is left for another.
        QVERIFY(!QHistoryEarlyRead::take());
        connect(lib.table.loader(), &QLibraryLoader::emitHistoryLoaded, this,
                [&] { shownAtLoad = lib.shownNames(); });
        QTRY_VERIFY_WITH_TIMEOUT(lib.table.loader()->historyLoaded(), 10000);
        QVERIFY(lib.show("Latest Recordings"));
        QCOMPARE(lib.shownNames(), QStringList{"kept"});
    }
    before.reset();
    qInstallMessageHandler(s_handlerBefore);
    // The same rows, the same changes to the file, whoever began the read.
    QCOMPARE(shownAtLoad, (QStringList{"kept", "probe", "older"}));
    QCOMPARE(historyPaths(), (QStringList{kept, older, probe, clip, cut}));
    QCOMPARE(historyInfo(kept).attribute("New_file"), QString("N"));
    QCOMPARE(historyInfo(probe).attribute("Format_"), QString());
    // The marks were read once, for the read and the repair alike.
    QCOMPARE(s_unreadableMarks.loadRelaxed(), 1);
}

void TestLibraryTable::readBegunBeforeTheLibraryAndNeverTakenIsStopped()
{
    // A large history whose files are gone, as a start-up read finds it.
    constexpr int kRecords = 20000;
    QByteArray xml = "<ROOTITEM>\n";
    for (int i = 0; i < kRecords; ++i)
        xml += "    <Path_item Converted_path_=\"/gone/rec_"
               + QByteArray::number(i) + ".mp3\">\n        <CONVERTED_INFO_ Title_=\"t\" Format_=\"mp3\" New_file=\"Y\"/>\n    </Path_item>\n";
    xml += "</ROOTITEM>\n";
    const QString history = QVideoSettingXml::historyFilePath();
    QVERIFY(TestSupport::writeBytes(history, xml));
    QTRY_VERIFY_WITH_TIMEOUT(StateFile::signatureTrusted(StateFile::signature(history), StateFile::nowNs()),
                             10000);

    std::shared_ptr<const QHistoryLoadJob::Progress> progress;
    {
        QHistoryEarlyRead early;
        QVERIFY(early.isBegun());
        progress = early.progress();
        QVERIFY(progress);
        // One at a time: a second begins nothing while the first is untaken.
        QHistoryEarlyRead second;
        QVERIFY(!second.isBegun());
        QVERIFY(!second.progress());
    }
    // Its owner stopped it and waited for its worker.
    QVERIFY(progress->stop.load());
    QVERIFY(!QHistoryEarlyRead::take());
    // Nobody took it: nothing of it reached the file.
    QVERIFY(QVideoSettingXml::waitForHistory());
    QCOMPARE(TestSupport::readBytes(history), xml);
    // The next library reads for itself.
    Library lib;
    QVERIFY(lib.loaded);
    QCOMPARE(lib.shownNames(), QStringList());
}

void TestLibraryTable::emptyFormatIsProbedAndTheNewMarkKept()
{
    const QString a = file("probe.m4a"), b = file("old.mp3");
    convertedInfo fresh = record(a, "01-01-2024 10:00", true);
    fresh.format.clear();
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(fresh));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b)));
    {
        Library lib;
        QAudioFileChunk *row = lib.shownRow("probe");
        QVERIFY(row);
        // Read from the file once the table has been painted, off the start.
        lib.table.show();
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(row->GetFileFormat()), QString("mp4"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(historyInfo(a).attribute("Format_"), QString("mp4"), 10000);
        QVERIFY(row->isNewAdd());
        QVERIFY(lib.show("Latest Recordings"));
        QCOMPARE(lib.shownNames(), QStringList({"probe"}));
    }
    // The probe wrote only the format: the next start finds nothing to probe.
    Library again;
    QCOMPARE(QString::fromStdString(again.shownRow("probe")->GetFileFormat()), QString("mp4"));
    QCOMPARE(historyInfo(a).attribute("Time_"), QString("00:00:01"));
}

void TestLibraryTable::entriesShowTheirRecordings()
{
    const QString a = file("road1.mp3"), b = file("both.mp3"), c = file("none.mp3");
    QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00", false, {"Road"}));
    QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00", true, {"Road", "Night"}));
    QVideoSettingXml::SaveConvertedInfo(record(c, "03-01-2024 10:00", true));
    QVideoSettingXml::AppendPlayList("Road");
    QVideoSettingXml::AppendPlayList("Night");
    Library lib;
    QCOMPARE(lib.shownNames(), QStringList({"none", "both", "road1"}));
    QVERIFY(lib.show("Latest Recordings"));
    QCOMPARE(lib.shownNames(), QStringList({"none", "both"}));
    // Shown again without a change, the entry keeps its rows.
    const std::vector<IBaseChunk *> latest = lib.table.rows().shown();
    QVERIFY(lib.show("Road"));
    QCOMPARE(lib.shownNames(), QStringList({"both", "road1"}));
    QVERIFY(lib.show("Latest Recordings"));
    QVERIFY(lib.table.rows().shown() == latest);
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList({"both"}));
    // Copies for the playlist; the master rows for "All Recordings".
    QVERIFY(lib.table.rows().shown().front() != lib.table.rows().all().at(1));
    QVERIFY(lib.show("All Recordings"));
    QVERIFY(lib.table.rows().shown() == lib.table.rows().all());
}

void TestLibraryTable::searchIsLiteralAndTheInfoLineAddsBytes()
{
    const QString a = file("a.c.mp3", 2.0), b = file("abc.mp3", 1.0), c = file("x(1).mp3", 1.0);
    QVideoSettingXml::SaveConvertedInfo(record(a));
    QVideoSettingXml::SaveConvertedInfo(record(b));
    convertedInfo third = record(c);
    third.size = "1.50 MB"; // a size text of the other kind
    third.time = "01:00:00";
    QVideoSettingXml::SaveConvertedInfo(third);
    Library lib;
    QCOMPARE(lib.shownNames().size(), 3);
    lib.table.searchEdit()->setText("A.C");
    QCOMPARE(lib.shownNames(), QStringList({"a.c"}));
    lib.table.searchEdit()->setText("(1");
    QCOMPARE(lib.shownNames(), QStringList({"x(1)"}));
    lib.table.searchEdit()->setText("[");
    QCOMPARE(lib.shownNames(), QStringList());
    QCOMPARE(lib.table.infoLabel()->text(), QString("0 Audios, 0 B, 0 Seconds"));
    lib.table.searchEdit()->clear();
    const qint64 bytes = QFileInfo(a).size() + QFileInfo(b).size() + QFileInfo(c).size();
    QCOMPARE(lib.table.infoLabel()->text(),
             QString("3 Audios, %1, 1 Hours").arg(LibraryTexts::sizeText(bytes)));
}

void TestLibraryTable::searchOnAWorkerFindsAsTheTableShows_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    // In any letter case, in any script, in every column the table shows.
    QTest::newRow("name, capitals") << "ROAD" << QStringList({"road trip"});
    QTest::newRow("Cyrillic artist") << "\u043f\u0440\u0438\u0432\u0435\u0442" << QStringList({"road trip"});
    QTest::newRow("Greek album") << "\u03a3\u039f\u03a6\u038a\u0391" << QStringList({"road trip"});
    QTest::newRow("Latin-1 artist") << "\u00e4rzte" << QStringList({"night"});
    QTest::newRow("Greek name") << "\u03c9mega" << QStringList({"\u03a9mega"});
    QTest::newRow("format") << "wav" << QStringList({"\u03a9mega"});
    QTest::newRow("created time") << "2020" << QStringList({"\u03a9mega"});
    QTest::newRow("in several") << "a" << QStringList({"plain", "road trip", "\u03a9mega"});
    QTest::newRow("nowhere") << "no such text" << QStringList();
}

void TestLibraryTable::searchOnAWorkerFindsAsTheTableShows()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    convertedInfo road = record(file("road trip.mp3", 2.0), "01-01-2024 10:00");
    road.artist = QString::fromUtf8(
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\x9C\xD0\xB8\xD1\x80");
    road.album = QString::fromUtf8("\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1");
    convertedInfo night = record(file("night.mp3"), "02-01-2024 10:00");
    night.artist = QString::fromUtf8("\xC3\x84RZTE");
    QVideoSettingXml::SaveConvertedInfo(road);
    QVideoSettingXml::SaveConvertedInfo(night);
    QVideoSettingXml::SaveConvertedInfo(record(file("\u03a9mega.wav"), "15-06-2020 10:07"));
    QVideoSettingXml::SaveConvertedInfo(record(file("plain.mp3"), "03-01-2024 10:00"));
    QRowSearchJob::setSearchAtOnceLimit(0);
    Library lib;
    QVERIFY(lib.loaded);
    const QStringList all = lib.shownNames();
    QCOMPARE(all.size(), 4);
    QSignalSpy searched(lib.table.controller()->searchJob(), &QRowSearchJob::searched);
    lib.table.searchEdit()->setText(typed);
    // The table shows what it showed until the worker's answer is back.
    QCOMPARE(lib.shownNames(), all);
    QTRY_COMPARE(searched.count(), 1);
    QStringList names = lib.shownNames();
    names.sort();
    QCOMPARE(names, found);
    // The info line is the worker's sum of the rows found.
    qint64 bytes = 0;
    for (const QString &name : found)
        bytes += lib.shownRow(name)->GetFileBytes();
    QCOMPARE(lib.table.infoLabel()->text().section(',', 0, 1),
             QString("%1 Audios, %2").arg(found.size()).arg(LibraryTexts::sizeText(bytes)));
    // Cleared, every row is back at once.
    lib.table.searchEdit()->clear();
    QCOMPARE(lib.shownNames(), all);
    QVERIFY(lib.table.infoLabel()->text().startsWith("4 Audios, "));
    QRowSearchJob::setSearchAtOnceLimit(5000);
}

void TestLibraryTable::searchOnAWorkerTakesTheLastKeyAndRowsThatCame()
{
    QVideoSettingXml::SaveConvertedInfo(record(file("road trip.mp3"), "01-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(file("night.mp3"), "02-01-2024 10:00"));
    QRowSearchJob::setSearchAtOnceLimit(0);
    Library lib;
    QVERIFY(lib.loaded);
    QSignalSpy searched(lib.table.controller()->searchJob(), &QRowSearchJob::searched);
    // Keys typed while the worker looks: the last text is the one shown.
    for (const char *text : {"r", "ro", "roa", "n", "ni"})
        lib.table.searchEdit()->setText(text);
    QTRY_COMPARE(searched.count(), 1);
    QCOMPARE(lib.shownNames(), QStringList({"night"}));
    QVERIFY(lib.table.infoLabel()->text().startsWith("1 Audios, "));
    // A row that comes while the worker looks is searched too: the rows
    // are looked through again.
    lib.table.searchEdit()->setText("nigh");
    lib.table.recordings()->AddAudioFile(file("nightly.mp3"), false);
    QTRY_COMPARE(searched.count(), 2);
    QTRY_COMPARE(lib.shownNames(), QStringList({"nightly", "night"}));
    QVERIFY(lib.table.infoLabel()->text().startsWith("2 Audios, "));
    // A row renamed while the worker looks: found by its new name.
    const QModelIndex night = lib.shownIndex("night");
    lib.table.searchEdit()->setText("night");
    lib.table.renaming()->OnRenameFile(night, "day");
    QTRY_COMPARE(searched.count(), 3);
    QCOMPARE(lib.shownNames(), QStringList({"nightly"}));
    QRowSearchJob::setSearchAtOnceLimit(5000);
}

void TestLibraryTable::textsOfTheInfoLine()
{
    // One size text everywhere: History.xml's, in steps of 1024 with two decimals.
    QCOMPARE(LibraryTexts::sizeText(999), QString("999 B"));
    QCOMPARE(LibraryTexts::sizeText(1000), QString("1000 B"));
    QCOMPARE(LibraryTexts::sizeText(1536), QString("1.50 KB"));
    QCOMPARE(LibraryTexts::sizeText(421146), QString("411.28 KB"));
    QCOMPARE(LibraryTexts::sizeText(1048577), QString("1.00 MB"));
    QCOMPARE(LibraryTexts::sizeText(Q_INT64_C(2684354560)), QString("2.50 GB"));
    for (qint64 bytes : {Q_INT64_C(0), Q_INT64_C(1024), Q_INT64_C(1025), Q_INT64_C(5000000), Q_INT64_C(3000000000)})
        QCOMPARE(LibraryTexts::sizeText(bytes), QIAnyUtil::size2String(quint64(bytes)));
    QCOMPARE(LibraryTexts::sizeText(-1), QString());
    QCOMPARE(LibraryTexts::timeText(59), QString("59 Seconds"));
    QCOMPARE(LibraryTexts::timeText(60), QString("1 Minutes"));
    QCOMPARE(LibraryTexts::timeText(3599), QString("59 Minutes"));
    QCOMPARE(LibraryTexts::timeText(3600), QString("1 Hours"));
    QCOMPARE(LibraryTexts::timeText(86399), QString("23 Hours"));
    QCOMPARE(LibraryTexts::timeText(86400), QString("1 Days"));
    QCOMPARE(LibraryTexts::timeText(86400 * 30), QString("1 Months"));
    QCOMPARE(LibraryTexts::timeText(-1), QString());
    // Read back through the same steps.
    QCOMPARE(LibraryTexts::sizeFromText("1.50 KB"), Q_INT64_C(1536));
    QCOMPARE(LibraryTexts::sizeFromText("3 kb"), Q_INT64_C(3072));
    QCOMPARE(LibraryTexts::sizeFromText("2.00 MB"), Q_INT64_C(2097152));
    QCOMPARE(LibraryTexts::sizeFromText("999 B"), Q_INT64_C(999));
    QCOMPARE(LibraryTexts::sizeFromText("12 XB"), Q_INT64_C(-1));
    QCOMPARE(LibraryTexts::sizeFromText("1 2 KB"), Q_INT64_C(0));
    QCOMPARE(LibraryTexts::sizeFromText(""), Q_INT64_C(0));
    QCOMPARE(LibraryTexts::secondsFromText("01:02:03"), Q_INT64_C(3723));
    QCOMPARE(LibraryTexts::secondsFromText("30:00:00"), Q_INT64_C(108000));
    QCOMPARE(LibraryTexts::secondsFromText("1:2"), Q_INT64_C(0));
    QCOMPARE(LibraryTexts::secondsFromText(""), Q_INT64_C(0));
}

void TestLibraryTable::finishedFileJoinsTheShownPlaylist()
{
    QVideoSettingXml::AppendPlayList("Road");
    const QString seg = file("segment.mp3", 1.5);
    const QString other = file("other.mp3", 1.0);
    Library lib;
    QVERIFY(lib.show("Road"));
    lib.table.recordings()->AddAudioFile(seg, false);
    QCOMPARE(lib.shownNames(), QStringList({"segment"}));
    QCOMPARE(historyLists(seg), QStringList({"Road"}));
    const QDomElement info = historyInfo(seg);
    QCOMPARE(info.attribute("Time_"), QString("00:00:01"));
    QCOMPARE(info.attribute("Format_"), QString("mp3"));
    QCOMPARE(info.attribute("New_file"), QString("N"));
    QVERIFY(lib.show("All Recordings"));
    QCOMPARE(lib.shownNames(), QStringList({"segment"}));
    lib.table.recordings()->AddAudioFile(other, false);
    QCOMPARE(lib.shownNames().size(), 2);
    QCOMPARE(historyLists(other), QStringList());
    // A file the codec layer cannot read still gets its row.
    QFile junk(m_dir.filePath("junk.mp3"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not sound");
    junk.close();
    lib.table.recordings()->AddAudioFile(junk.fileName(), false);
    QCOMPARE(historyInfo(junk.fileName()).attribute("Time_"), QString("00:00:00"));
    QCOMPARE(lib.shownNames().size(), 3);
}

void TestLibraryTable::rowsJoiningAndLeavingKeepTheSelection()
{
    const QString a = file("alpha.mp3"), b = file("beta.mp3");
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00")));
    Library lib;
    QVERIFY(lib.show("All Recordings"));
    QAudioFileTableView *view = lib.table.tableView();
    view->selectionModel()->select(lib.shownIndex("alpha"),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const auto selectedNames = [&] {
        QStringList names;
        for (const QModelIndex &index : view->selectionModel()->selectedRows(QAudioFileModel::ColumnName))
            names << index.data().toString();
        return names;
    };
    QCOMPARE(selectedNames(), QStringList({"alpha"}));
    QSignalSpy resets(lib.table.sortModel(), &QAbstractItemModel::modelReset);

    // A recording starts, then a finished file joins: each row takes its
    // place, and the row the user selected stays selected.
    const QString recording = m_dir.filePath("REC_running.mp3");
    QVERIFY(TestSupport::writeBytes(recording, QByteArray(4096, '\0')));
    lib.table.recordings()->AddAudioFile(recording, true);
    QCOMPARE(lib.shownNames().size(), 3);
    QVERIFY(lib.shownNames().contains("REC_running"));
    QCOMPARE(selectedNames(), QStringList({"alpha"}));
    const QString joined = file("gamma.mp3");
    QVERIFY(!joined.isEmpty());
    lib.table.recordings()->AddAudioFile(joined, false);
    QCOMPARE(lib.shownNames().size(), 4);
    QCOMPARE(selectedNames(), QStringList({"alpha"}));

    // The recording completes in place.
    convertedInfo finished = record(recording, "03-01-2024 10:00");
    finished.time = "00:00:02";
    lib.table.recordings()->SupplyRecordingChunkInfo(finished, true);
    QVERIFY(!lib.table.rows().current().recordingRow());
    QCOMPARE(lib.shownNames().size(), 4);
    QAudioFileChunk *done = lib.shownRow("REC_running");
    QVERIFY(done);
    QCOMPARE(done->GetAudioState(), QAudioFileChunk::AudioNormal);
    QCOMPARE(QString::fromStdString(done->getPlayTime()), QString("00:00:02"));
    QCOMPARE(lib.shownIndex("REC_running").siblingAtColumn(QAudioFileModel::ColumnDuration).data().toString(),
             QString("00:00:02"));
    QCOMPARE(selectedNames(), QStringList({"alpha"}));
    QVERIFY(lib.table.infoLabel()->text().startsWith("4 Audios, "));

    // Another row leaves the library: it goes alone.
    QLibraryQuestions::setAnswerer([](const QString &) { return 1; });
    lib.table.deletion()->OnDeleteItem(lib.shownIndex("beta"));
    QLibraryQuestions::setAnswerer(nullptr);
    QCOMPARE(lib.shownNames().size(), 3);
    QVERIFY(!lib.shownNames().contains("beta"));
    QVERIFY(!lib.shownRow("beta"));
    QCOMPARE(selectedNames(), QStringList({"alpha"}));
    QCOMPARE(resets.count(), 0);
    QVERIFY(lib.table.infoLabel()->text().startsWith("3 Audios, "));
    QVERIFY(!QVideoSettingXml::GetConvertedInfo(b));
}

void TestLibraryTable::playingRowsAndEntries()
{
    const QString a = file("first.mp3"), b = file("second.mp3");
    QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00"));
    QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00"));
    Library lib;
    QSignalSpy list(lib.table.playback(), &QLibraryPlayback::emitPlayFilePathList);
    QSignalSpy file(lib.table.playback(), &QLibraryPlayback::emitPlayingFilePath);
    QSignalSpy play(lib.table.playback(), &QLibraryPlayback::emitPlayOrPause);
    QSignalSpy playing(lib.table.playback(), &QLibraryPlayback::emitPlayingList);
    QAudioFileSortModel *sort = lib.table.sortModel();
    lib.table.playback()->OnPlayItem(sort->index(1, 1));
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).at(0).value<QPlayListPaths>().toStringList(), QStringList({b, a}));
    QCOMPARE(file.at(0).at(0).toString(), a);
    QCOMPARE(play.last().at(0).toBool(), true);
    QCOMPARE(lib.panel.playingEntry(), lib.panel.entryAt(1));
    QCOMPARE(lib.table.rows().current().playingRow()->GetAudioState(), QAudioFileChunk::AudioPlaying);
    QCOMPARE(sort->index(1, 0).data(Qt::DecorationRole).toString().section('/', -1), QString("icon_playing.png"));
    // Again: pause, then resume; no new list.
    lib.table.playback()->OnPlayItem(sort->index(1, 1));
    QCOMPARE(play.last().at(0).toBool(), false);
    lib.table.playback()->OnPlayItem(sort->index(1, 1));
    QCOMPARE(play.last().at(0).toBool(), true);
    QCOMPARE(list.count(), 1);
    QVERIFY(playing.count() >= 3);
    // The bar moving on is followed; the end of its list clears the row.
    lib.table.playback()->OnChangPlayingFile(b);
    QCOMPARE(QString::fromStdString(lib.table.rows().current().playingRow()->GetFilePath()), b);
    lib.table.playback()->OnSetPlayOrPauseState(false);
    QCOMPARE(lib.table.rows().current().playingRow()->GetAudioState(), QAudioFileChunk::AudioPause);
    lib.table.playback()->OnFinishPlayList();
    QVERIFY(!lib.table.rows().current().playingRow());

    // While recording nothing plays.
    lib.table.recordings()->AddAudioFile(m_dir.filePath("running.mp3"), true);
    const int before = file.count();
    lib.table.playback()->OnPlayItem(sort->index(1, 1));
    QCOMPARE(file.count(), before);

    // An entry with nothing playable shown plays nothing.
    Library other;
    other.table.searchEdit()->setText("no such recording");
    other.table.playback()->OnSetPlayingLibChunk(other.panel.entryAt(1)->itemId());
    QSignalSpy none(other.table.playback(), &QLibraryPlayback::emitPlayingFilePath);
    QCOMPARE(none.count(), 0);
    other.table.searchEdit()->clear();
    QSignalSpy entryList(other.table.playback(), &QLibraryPlayback::emitPlayFilePathList);
    other.table.playback()->OnSetPlayingLibChunk(other.panel.entryAt(1)->itemId());
    QCOMPARE(entryList.count(), 1);
    QCOMPARE(entryList.at(0).at(0).value<QPlayListPaths>().size(), 2);
}

void TestLibraryTable::nextTrackFollowsRowsThatCameAndWent()
{
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << file(QString("track%1.mp3").arg(i));
        QVideoSettingXml::SaveConvertedInfo(record(paths.last(), QString("0%1-01-2024 10:00").arg(i + 1)));
    }
    Library lib;
    QVERIFY(lib.loaded);
    QCOMPARE(lib.shownNames(), QStringList({"track4", "track3", "track2", "track1", "track0"}));
    QLibraryPlayback *playback = lib.table.playback();
    const auto playingPath = [&] {
        QAudioFileChunk *row = lib.table.rows().current().playingRow();
        return row ? QString::fromStdString(row->GetFilePath()) : QString();
    };
    // One row plays at a time, the one the bar names.
    const auto playsOnly = [&](const QString &path) {
        int playing = 0;
        for (IBaseChunk *item : lib.table.rows().shown())
            if (static_cast<QAudioFileChunk *>(item)->GetAudioState() == QAudioFileChunk::AudioPlaying)
                ++playing;
        return playing == 1 && playingPath() == path;
    };
    playback->OnPlayItem(lib.shownIndex("track4"));
    QVERIFY(playsOnly(paths[4]));
    // The next and the previous track.
    playback->OnChangPlayingFile(paths[3]);
    QVERIFY(playsOnly(paths[3]));
    playback->OnChangPlayingFile(paths[4]);
    QVERIFY(playsOnly(paths[4]));
    playback->OnChangPlayingFile(paths[3]);
    // A row of the list goes: the bar's next file is still found.
    QLibraryQuestions::setAnswerer([](const QString &) { return 1; });
    lib.table.deletion()->OnDeleteItem(lib.shownIndex("track2"));
    QLibraryQuestions::setAnswerer(nullptr);
    QVERIFY(!lib.shownRow("track2"));
    playback->OnChangPlayingFile(paths[2]);
    QVERIFY(playsOnly(paths[3])); // gone from the entry: nothing changes
    playback->OnChangPlayingFile(paths[1]);
    QVERIFY(playsOnly(paths[1]));
    // A row that came after the list was made, and the list's last one.
    const QString newer = file("track5.mp3");
    lib.table.recordings()->AddAudioFile(newer, false);
    QVERIFY(lib.shownRow("track5"));
    playback->OnChangPlayingFile(newer);
    QVERIFY(playsOnly(newer));
    playback->OnChangPlayingFile(paths[0]);
    QVERIFY(playsOnly(paths[0]));
}

void TestLibraryTable::contextMenu()
{
    QVideoSettingXml::AppendPlayList("Road");
    QVideoSettingXml::AppendPlayList("Night");
    const QString a = file("menu.mp3");
    QVideoSettingXml::SaveConvertedInfo(record(a));
    Library lib;
    lib.table.resize(700, 300);
    lib.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lib.table));
    QVERIFY(lib.show("Road"));
    lib.table.tableMenu()->OnPlayListsModified();
    QVERIFY(lib.show("All Recordings"));
    auto actionNamed = [](QMenu *menu, const QString &text) -> QAction * {
        for (QAction *action : menu->actions())
            if (action->text() == text || (action->menu() && action->menu()->title() == text))
                return action;
        return nullptr;
    };
    QAudioFileTableView *view = lib.table.tableView();
    const QPoint onRow = view->visualRect(lib.table.sortModel()->index(0, 1)).center();
    QJXMenu *menu = lib.table.tableMenu()->prepareTableMenu(onRow);
    QVERIFY(menu);
    QVERIFY(actionNamed(menu, "Play")->isEnabled());
    QAction *addTo = actionNamed(menu, "Add to list");
    QVERIFY(addTo && addTo->isEnabled());
    QStringList names;
    for (QAction *action : addTo->menu()->actions())
        names << action->text();
    QCOMPARE(names, QStringList({"Road", "Night"}));

    // Below the rows only "Delete All" can be chosen.
    menu = lib.table.tableMenu()->prepareTableMenu(QPoint(5, view->viewport()->height() - 2));
    QVERIFY(menu);
    for (const char *text : {"Play", "Rename", "Delete", "Open File Location", "Add to list"})
        QVERIFY2(!actionNamed(menu, text)->isEnabled(), text);
    QVERIFY(actionNamed(menu, "Delete All")->isEnabled());

    // No menu over the running recording.
    lib.table.recordings()->AddAudioFile(m_dir.filePath("live.mp3"), true);
    QCOMPARE(lib.shownNames().first(), QString("live"));
    QVERIFY(!lib.table.tableMenu()->prepareTableMenu(
        view->visualRect(lib.table.sortModel()->index(0, 1)).center()));
}

void TestLibraryTable::screenshotOfTheTable()
{
    QVideoSettingXml::AppendPlayList("Road");
    const QString a = file("Morning walk.mp3"), b = file("Evening.m4a");
    convertedInfo first = record(a, "03-02-2024 08:15");
    first.artist = "The Walkers";
    first.album = "Outside";
    QVideoSettingXml::SaveConvertedInfo(first);
    QVideoSettingXml::SaveConvertedInfo(record(b, "04-02-2024 19:40"));
    Library lib;
    QWidget window;
    window.resize(900, 320);
    lib.panel.setParent(&window);
    lib.table.setParent(&window);
    lib.panel.setGeometry(0, 0, 220, 320);
    lib.table.setGeometry(220, 0, 680, 320);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    lib.table.recordings()->AddAudioFile(m_dir.filePath("REC_20240205101500.mp3"), true);
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(1, 1));
    QVERIFY(!TestSupport::saveScreenshot(&window, "library_table").isEmpty());
    // The running recording is drawn red, on top.
    QCOMPARE(lib.shownNames().first(), QString("REC_20240205101500"));
    QVERIFY(lib.table.delegate()->isRecording());
    const QColor red(216, 45, 59), orange(255, 132, 65);
    QVERIFY(cellShows(lib.table, 0, 1, red));
    QVERIFY(!cellShows(lib.table, 1, 1, red));
    // Once it is complete, a playing row is orange.
    convertedInfo done = record(m_dir.filePath("REC_20240205101500.mp3"), "05-02-2024 10:15", true);
    QFile(done.convertedPath).open(QIODevice::WriteOnly);
    lib.table.recordings()->SupplyRecordingChunkInfo(done, true);
    lib.table.playback()->OnPlayItem(lib.table.sortModel()->index(1, 1));
    QCOMPARE(lib.table.rows().current().playingRow(), lib.shownRow("Evening"));
    QVERIFY(cellShows(lib.table, 1, 1, orange));
    QVERIFY(!cellShows(lib.table, 2, 1, orange));
    QVERIFY(!TestSupport::saveScreenshot(&window, "library_table_playing").isEmpty());
    lib.panel.setParent(nullptr);
    lib.table.setParent(nullptr);
}

QTEST_MAIN(TestLibraryTable)
#include "tst_table.moc"
