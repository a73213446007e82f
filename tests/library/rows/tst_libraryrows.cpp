// The owner of the recordings table's rows, on its own: the current
// references (playing row and entry, edited row, running recording, shown
// and "All Recordings" entries) read null once their row or entry goes, by
// every road a row or an entry can go; the lists keep the table's order as
// rows come, change and go; and the model over the shown rows stays whole
// through all of it.

#include "library/libraryitemids.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"
#include "library/qroworder.h"
#include "library/qrowsortjob.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <QRandomGenerator>
#include <QRegularExpression>

#include <map>
#include <memory>
#include <set>

namespace {

QAudioFileChunk *row(const std::string &name, const std::string &created, const std::string &folder = "/rec/")
{
    auto *r = new QAudioFileChunk;
    r->SetFileName(name);
    r->SetFilePath(folder + name);
    r->SetCreateTime(created);
    return r;
}

std::string nameOf(IBaseChunk *item)
{
    return static_cast<QAudioFileChunk *>(item)->GetFileName();
}

// A library as the table keeps it: three master rows held by "All
// Recordings" (shown), and a playlist with copies of two of them.
struct Library
{
    QLibraryRows rows;
    QAudioFileModel model;
    std::unique_ptr<QAbstractItemModelTester> tester;
    std::unique_ptr<QLibraryChunk> all = std::make_unique<QLibraryChunk>();
    std::unique_ptr<QLibraryChunk> playlist = std::make_unique<QLibraryChunk>();
    QAudioFileChunk *a = row("a.mp3", "01-01-2024 10:00");
    QAudioFileChunk *b = row("b.mp3", "02-01-2024 10:00");
    QAudioFileChunk *c = row("c.mp3", "03-01-2024 10:00");
    QAudioFileChunk *copyA = nullptr;
    QAudioFileChunk *copyB = nullptr;

    Library()
    {
        model.setHeaderList({"", "File Name", "Format", "Artist", "Album", "Duration", "Created Time", ""});
        rows.setModel(&model);
        tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        all->SetTitle("All Recordings");
        all->SetListType(QLibraryChunk::ListAll);
        playlist->SetTitle("Road");
        playlist->SetListType(QLibraryChunk::ListCustom);
        rows.current().setAllEntry(all.get());
        rows.setAll({c, b, a});
        rows.current().setShownEntry(all.get());
        rows.show(rows.all());
        copyB = new QAudioFileChunk(b);
        copyA = new QAudioFileChunk(a);
        playlist->SetAudioDatasList({copyB, copyA});
    }
    ~Library()
    {
        // The entries own the rows: the playlist its copies, "All
        // Recordings" the master rows.
        playlist.reset();
        all.reset();
    }
};

enum Road {
    ForgetRow,      // taken out of the lists, still alive
    ForgetWithMany, // the same, with many others at once
    DeleteRow,      // destroyed without being taken out first
    EntryDeletesIt, // its entry deletes it (by item)
    EntryDeletesByTitle,
    EntryClears,
    EntryGoes,
    FileGoes, // the file is gone from the disk
};

enum Reference { Playing, Editing, Recording };

} // namespace

Q_DECLARE_METATYPE(Road)
Q_DECLARE_METATYPE(Reference)

class TestLibraryRows : public QObject
{
    Q_OBJECT
private slots:
    void everyReferenceLetsGoOfItsRow_data();
    void everyReferenceLetsGoOfItsRow();
    void entriesThatGoTakeTheirReferences_data();
    void entriesThatGoTakeTheirReferences();
    void rowsKeepTheTableOrder();
    void aNewOrderKeepsTheSelection();
    void aNewOrderIsWorkedOutOnAWorker();
    void keptKeysFollowAChangeIntoTheNextSort_data();
    void keptKeysFollowAChangeIntoTheNextSort();
    void mastersAreFoundByTheirWholePathButNeverTheRunningRecording();
    void theIndexStaysTrueThroughEveryChange_data();
    void theIndexStaysTrueThroughEveryChange();
    void manyRowsLeaveTheTableInRunsOfNeighbours_data();
    void manyRowsLeaveTheTableInRunsOfNeighbours();
    void aLargeRemovalKeepsEveryLookUp_data();
    void aLargeRemovalKeepsEveryLookUp();
};

void TestLibraryRows::everyReferenceLetsGoOfItsRow_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<Reference>("reference");
    QTest::addColumn<bool>("copy"); // the row is a playlist's copy, not a master row
    QTest::addColumn<bool>("letsGo");
    const struct
    {
        const char *name;
        Road road;
    } roads[] = {{"forgotten", ForgetRow},
                 {"forgotten with many", ForgetWithMany},
                 {"deleted", DeleteRow},
                 {"deleted by its entry", EntryDeletesIt},
                 {"deleted by title", EntryDeletesByTitle},
                 {"its entry cleared", EntryClears},
                 {"its entry gone", EntryGoes},
                 {"its file gone", FileGoes}};
    const struct
    {
        const char *name;
        Reference reference;
    } references[] = {{"playing", Playing}, {"editing", Editing}, {"recording", Recording}};
    for (const auto &road : roads) {
        for (const auto &reference : references) {
            for (bool copy : {false, true}) {
                // A running recording is a master row; "All Recordings" does not go.
                if ((reference.reference == Recording && copy) || (road.road == EntryGoes && !copy))
                    continue;
                // A file gone stops its playing row only: the other rows stay as they are.
                const bool letsGo = road.road != FileGoes || reference.reference == Playing;
                QTest::newRow(qPrintable(
                    QString("%1 row %2, %3").arg(reference.name, copy ? "copy" : "master", road.name)))
                    << road.road << reference.reference << copy << letsGo;
            }
        }
    }
}

void TestLibraryRows::everyReferenceLetsGoOfItsRow()
{
    QFETCH(Road, road);
    QFETCH(Reference, reference);
    QFETCH(bool, copy);
    QFETCH(bool, letsGo);
    Library lib;
    QLibraryCurrent &current = lib.rows.current();
    QLibraryChunk *owner = copy ? lib.playlist.get() : lib.all.get();
    QAudioFileChunk *target = copy ? lib.copyB : lib.b;
    QAudioFileChunk *other = copy ? lib.copyA : lib.a;
    if (copy) {
        current.setShownEntry(lib.playlist.get());
        lib.rows.show(lib.playlist->GetAudioDatasList());
    }
    const quint64 id = target->itemId();
    // The reference under test names the target; the others name another row.
    const auto set = [&](Reference ref, QAudioFileChunk *r) {
        switch (ref) {
        case Playing:
            current.setPlayingEntry(owner);
            current.setPlayingRow(r);
            break;
        case Editing:
            current.setEditingRow(r);
            break;
        case Recording:
            current.setRecordingRow(r);
            break;
        }
    };
    const auto get = [&](Reference ref) {
        switch (ref) {
        case Playing:
            return current.playingRow();
        case Editing:
            return current.editingRow();
        case Recording:
            return current.recordingRow();
        }
        return static_cast<QAudioFileChunk *>(nullptr);
    };
    for (Reference ref : {Playing, Editing, Recording})
        if (ref != reference && !(ref == Recording && copy))
            set(ref, other);
    set(reference, target);
    QCOMPARE(get(reference), target);

    std::unique_ptr<QAudioFileChunk> kept; // a forgotten row stays alive
    switch (road) {
    case ForgetRow:
        lib.rows.forgetRow(target);
        owner->SetAudioDatasList({other});
        kept.reset(target);
        break;
    case ForgetWithMany: {
        // Enough rows to be let go of in one pass.
        std::vector<IBaseChunk *> many{target};
        std::vector<std::unique_ptr<QAudioFileChunk>> others;
        for (int i = 0; i < 80; ++i) {
            others.push_back(std::make_unique<QAudioFileChunk>());
            many.push_back(others.back().get());
        }
        lib.rows.forgetRows(many);
        owner->SetAudioDatasList({other});
        kept.reset(target);
        break;
    }
    case DeleteRow:
        owner->SetAudioDatasList({other});
        delete target;
        break;
    case EntryDeletesIt:
        QVERIFY(owner->DeleteOneAudioChunk(target));
        break;
    case EntryDeletesByTitle:
        target->SetTitle("the one");
        QVERIFY(owner->DeleteOneAudioChunk(std::string("the one")));
        break;
    case EntryClears:
        owner->ClearAudioDatasList();
        break;
    case EntryGoes:
        lib.playlist.reset();
        break;
    case FileGoes:
        current.forgetPath(target->textView(QRowTexts::FilePath));
        break;
    }

    QCOMPARE(get(reference) == nullptr, letsGo);
    QCOMPARE(lib.model.rowCount(), int(lib.rows.shown().size()));
    if (road == FileGoes)
        return; // the row itself stays listed
    // Gone from every list (only compared: it may be freed); its id names
    // nothing the library holds.
    QVERIFY(!lib.rows.rowOfId(id));
    QVERIFY(!lib.rows.holdsRow(id));
    for (const std::vector<IBaseChunk *> *list : {&lib.rows.all(), &lib.rows.shown()})
        QVERIFY(std::find(list->begin(), list->end(), static_cast<IBaseChunk *>(target)) == list->end());
    // The other references still name their row, unless its entry went.
    if (road != EntryGoes && road != EntryClears)
        for (Reference ref : {Playing, Editing, Recording})
            if (ref != reference && !(ref == Recording && copy))
                QCOMPARE(get(ref), other);
}

void TestLibraryRows::entriesThatGoTakeTheirReferences_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("destroyed"); // else forgotten while it stays
    for (const char *entry : {"playing", "shown", "all"})
        for (bool destroyed : {true, false})
            QTest::newRow(qPrintable(QString("%1 entry %2").arg(entry, destroyed ? "destroyed" : "forgotten")))
                << QString(entry) << destroyed;
}

void TestLibraryRows::entriesThatGoTakeTheirReferences()
{
    QFETCH(QString, entry);
    QFETCH(bool, destroyed);
    Library lib;
    QLibraryCurrent &current = lib.rows.current();
    // Playing from the playlist, which is also shown; the row that plays is
    // a master row, which outlives the playlist.
    current.setPlayingEntry(lib.playlist.get());
    current.setPlayingRow(lib.b);
    current.setShownEntry(lib.playlist.get());
    lib.rows.show(lib.playlist->GetAudioDatasList());
    QCOMPARE(lib.model.rowCount(), 2);

    std::unique_ptr<QLibraryChunk> &owned = entry == "all" ? lib.all : lib.playlist;
    QLibraryChunk *goes = owned.get();
    if (entry == "all") {
        current.setPlayingEntry(lib.all.get());
        current.setShownEntry(lib.all.get());
        lib.rows.show(lib.rows.all());
    }
    if (destroyed) {
        owned.reset();
    } else {
        lib.rows.forgetEntry(goes);
    }
    QVERIFY(!current.playingEntry());
    QVERIFY(!current.playingRow());
    QVERIFY(!current.shownEntry());
    QVERIFY(lib.rows.shown().empty());
    QCOMPARE(lib.model.rowCount(), 0);
    QCOMPARE(current.allEntry() == nullptr, entry == "all");
    if (entry == "all" && destroyed)
        QVERIFY(lib.rows.all().empty()); // the master rows went with it
}

void TestLibraryRows::rowsKeepTheTableOrder()
{
    Library lib;
    const auto shownNames = [&] {
        QStringList names;
        for (int r = 0; r < lib.model.rowCount(); ++r)
            names << lib.model.index(r, 1).data().toString();
        return names;
    };
    // Newest first.
    QCOMPARE(shownNames(), QStringList({"c", "b", "a"}));
    QAudioFileChunk *d = row("d.mp3", "02-01-2024 12:00");
    lib.all->AddAudioChunk(d);
    lib.rows.addRow(d);
    QCOMPARE(shownNames(), QStringList({"c", "d", "b", "a"}));
    QCOMPARE(nameOf(lib.rows.all()[1]), std::string("d.mp3"));
    // A changed row moves to its new place, in the master and shown lists.
    lib.a->SetCreateTime("01-01-2030 10:00");
    lib.rows.rowChanged(lib.a);
    QCOMPARE(shownNames(), QStringList({"a", "c", "d", "b"}));
    QCOMPARE(nameOf(lib.rows.all().front()), std::string("a.mp3"));
    // The running recording stays on top, whatever its date.
    QAudioFileChunk *running = row("running.mp3", "01-01-2000 10:00");
    running->SetAudioState(QAudioFileChunk::AudioRecording);
    running->setFixedItem(true);
    lib.all->AddAudioChunk(running);
    lib.rows.addRow(running);
    QCOMPARE(shownNames().first(), QString("running"));
    // Shown copies join the shown entry's rows at their places.
    lib.rows.current().setShownEntry(lib.playlist.get());
    lib.rows.show(lib.playlist->GetAudioDatasList());
    lib.rows.showRow(new QAudioFileChunk(d));
    QCOMPARE(shownNames(), QStringList({"d", "b", "a"}));
    QCOMPARE(lib.playlist->GetAudioDatasList().size(), size_t(3));
}

void TestLibraryRows::aNewOrderKeepsTheSelection()
{
    Library lib;
    QPersistentModelIndex selected = lib.model.index(2, 1); // a, the oldest
    QCOMPARE(selected.data().toString(), QString("a"));
    const QRowOrder byName(QAudioFileModel::ColumnName, Qt::AscendingOrder);
    const quint64 before = lib.rows.generation();
    lib.rows.reorder(byName, byName.sortedPlaces(byName.keysOf(lib.rows.all())),
                     byName.sortedPlaces(byName.keysOf(lib.rows.shown())));
    QVERIFY(lib.rows.generation() != before);
    QCOMPARE(lib.rows.order(), byName);
    QCOMPARE(selected.row(), 0);
    QCOMPARE(selected.data().toString(), QString("a"));
    QCOMPARE(nameOf(lib.rows.all().back()), std::string("c.mp3"));
    // The "All Recordings" entry holds the master rows in their new order.
    QCOMPARE(lib.all->GetAudioDatasList(), lib.rows.all());
    // Places worked out for lists that changed meanwhile are refused.
    QAudioFileChunk *d = row("d.mp3", "02-06-2024 10:00");
    lib.all->AddAudioChunk(d);
    lib.rows.addRow(d);
    const QRowOrder byDate;
    lib.rows.reorder(byDate, {0, 1, 2}, {0, 1, 2});
    QCOMPARE(lib.rows.order(), byName);
}

void TestLibraryRows::aNewOrderIsWorkedOutOnAWorker()
{
    // Every list goes to the worker, however short.
    QRowSortJob::setSortAtOnceLimit(0);
    Library lib;
    QRowSortJob job(lib.rows);
    QSignalSpy sorted(&job, &QRowSortJob::sorted);
    const auto shownNames = [&] {
        QStringList names;
        for (int r = 0; r < lib.model.rowCount(); ++r)
            names << lib.model.index(r, 1).data().toString();
        return names;
    };
    QPersistentModelIndex oldest = lib.model.index(2, 1);
    const QRowOrder byName(QAudioFileModel::ColumnName, Qt::AscendingOrder);
    job.sortBy(byName);
    // The rows stay as they are until the worker's answer is back (the
    // worker may be done already: its answer comes through the event loop).
    QCOMPARE(sorted.count(), 0);
    QCOMPARE(lib.rows.order(), QRowOrder());
    QCOMPARE(shownNames(), QStringList({"c", "b", "a"}));
    QTRY_COMPARE(sorted.count(), 1);
    QCOMPARE(lib.rows.order(), byName);
    QCOMPARE(shownNames(), QStringList({"a", "b", "c"}));
    QCOMPARE(oldest.row(), 0);

    // A row that comes while the worker sorts: the keys are read again, and
    // the new row is in its place.
    const QRowOrder byNameDown(QAudioFileModel::ColumnName, Qt::DescendingOrder);
    job.sortBy(byNameDown);
    QAudioFileChunk *d = row("d.mp3", "01-01-2024 12:00");
    lib.all->AddAudioChunk(d);
    lib.rows.addRow(d);
    QCOMPARE(shownNames(), QStringList({"a", "b", "c", "d"}));
    QTRY_COMPARE(sorted.count(), 2);
    QCOMPARE(shownNames(), QStringList({"d", "c", "b", "a"}));
    QCOMPARE(lib.all->GetAudioDatasList(), lib.rows.all());

    // A row that moves while the worker sorts: the keys are read again too.
    job.sortBy(QRowOrder());
    lib.c->SetFileName("0c.mp3");
    lib.rows.rowChanged(lib.c);
    QCOMPARE(shownNames(), QStringList({"d", "b", "a", "0c"}));
    QTRY_COMPARE(sorted.count(), 3);
    QCOMPARE(shownNames(), QStringList({"0c", "b", "d", "a"}));

    // Asked for twice while it runs: the last one wins, told once.
    job.sortBy(QRowOrder(QAudioFileModel::ColumnCreated, Qt::AscendingOrder));
    job.sortBy(byName);
    QTRY_COMPARE(sorted.count(), 4);
    QVERIFY(!job.isRunning());
    QCOMPARE(lib.rows.order(), byName);
    QCOMPARE(shownNames(), QStringList({"0c", "a", "b", "d"}));
    QRowSortJob::setSortAtOnceLimit(5000);
}

void TestLibraryRows::keptKeysFollowAChangeIntoTheNextSort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("direction");
    const struct
    {
        const char *name;
        int column;
    } columns[] = {
        {"name", QAudioFileModel::ColumnName},         {"format", QAudioFileModel::ColumnFormat},
        {"artist", QAudioFileModel::ColumnArtist},     {"album", QAudioFileModel::ColumnAlbum},
        {"duration", QAudioFileModel::ColumnDuration}, {"created", QAudioFileModel::ColumnCreated}};
    for (const auto &c : columns) {
        QTest::addRow("%s up", c.name) << c.column << Qt::AscendingOrder;
        QTest::addRow("%s down", c.name) << c.column << Qt::DescendingOrder;
    }
}

void TestLibraryRows::keptKeysFollowAChangeIntoTheNextSort()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, direction);
    // Every list goes to the worker, however short.
    QRowSortJob::setSortAtOnceLimit(0);
    Library lib;
    // Each row's cell of every column, as the table shows it; row b is
    // changed while the worker sorts.
    struct Cells
    {
        QAudioFileChunk *row;
        const char *name, *extension, *artist, *album, *time, *created;
    };
    const Cells cells[] = {
        {lib.a, "a.mp3", "mp3", "\xCE\xA9mega", "Zeta", "00:02:00", "01-01-2024 10:00"},
        {lib.b, "b.mp3", "ogg", "Abba", "Beta", "00:09:00", "02-01-2024 10:00"},
        {lib.c, "c.mp3", "wav", "\xC3\x84rzte", "Gamma", "00:05:00", "03-01-2024 10:00"},
    };
    for (const Cells &c : cells) {
        c.row->SetFileExent(c.extension);
        c.row->setArtist(c.artist);
        c.row->setAlbum(c.album);
        c.row->setPlayTime(c.time);
        c.row->SetCreateTime(c.created);
    }
    // The lists are kept in the order of another column, in which the
    // change below does not move b.
    const QRowOrder byPath(direction == Qt::AscendingOrder && column == QAudioFileModel::ColumnName
                               ? QAudioFileModel::ColumnArtist
                               : QAudioFileModel::ColumnName,
                           Qt::AscendingOrder);
    lib.rows.reorder(byPath, byPath.sortedPlaces(byPath.keysOf(lib.rows.all())),
                     byPath.sortedPlaces(byPath.keysOf(lib.rows.shown())));
    const std::vector<IBaseChunk *> before = lib.rows.all();

    // A key is the row's own texts, shared, and stays as it was taken.
    const QRowOrder::Key taken = QRowOrder::keyOf(lib.b);
    QVERIFY(taken.texts.sharesWith(lib.b->texts()));

    QRowSortJob job(lib.rows);
    QSignalSpy sorted(&job, &QRowSortJob::sorted);
    const QRowOrder wanted(column, direction);
    job.sortBy(wanted);
    // While the worker sorts, b takes the text that puts it first (or last)
    // in the wanted order, without moving in the kept one.
    const bool up = direction == Qt::AscendingOrder;
    switch (column) {
    case QAudioFileModel::ColumnName:
        // Renamed: a change that moves it in the kept order too, unless
        // the lists are kept by artist.
        lib.b->SetFileName(up ? "0b.mp3" : "zb.mp3");
        break;
    case QAudioFileModel::ColumnFormat:
        lib.b->SetFileExent(up ? "aac" : "\xC3\xB6ga"); // shown in capitals
        break;
    case QAudioFileModel::ColumnArtist:
        lib.b->setArtist(up ? "\xC3\x80" : "\xF0\x9F\x8E\xB5"); // A with grave, a note
        break;
    case QAudioFileModel::ColumnAlbum:
        lib.b->setAlbum(up ? "Alpha" : "zz");
        break;
    case QAudioFileModel::ColumnDuration:
        lib.b->setPlayTime(up ? "00:00:01" : "01:00:00");
        break;
    case QAudioFileModel::ColumnCreated:
        lib.b->SetCreateTime(up ? "01-01-2000 10:00" : "01-01-2030 10:00");
        break;
    }
    lib.rows.rowChanged(lib.b);
    QCOMPARE(std::string(taken.texts.view(QRowTexts::FileName)), std::string("b.mp3"));
    QVERIFY(!taken.texts.sharesWith(lib.b->texts()));
    QTRY_COMPARE(sorted.count(), 1);
    QCOMPARE(lib.rows.order(), wanted);

    // What the table shows, read from the cells and ordered here.
    const auto cellOf = [&](IBaseChunk *item) {
        for (int r = 0; r < lib.model.rowCount(); ++r)
            if (QAudioFileModel::rowItem(lib.model.index(r, 0)) == item)
                return lib.model.index(r, column).data().toString();
        return QString();
    };
    std::vector<IBaseChunk *> oracle = before;
    const auto createdKey = [](const QString &text) {
        const QStringList p = text.split(QRegularExpression("[- :]"));
        return p.value(2) + p.value(1) + p.value(0) + p.value(3) + p.value(4);
    };
    std::stable_sort(oracle.begin(), oracle.end(), [&](IBaseChunk *x, IBaseChunk *y) {
        QString kx = cellOf(x), ky = cellOf(y);
        if (column == QAudioFileModel::ColumnCreated) {
            kx = createdKey(kx);
            ky = createdKey(ky);
        }
        return direction == Qt::AscendingOrder ? kx < ky : ky < kx;
    });
    QCOMPARE(lib.rows.all(), oracle);
    QCOMPARE(lib.rows.shown(), oracle);
    QCOMPARE(lib.all->GetAudioDatasList(), oracle);
    // b is where its new text puts it: first.
    QCOMPARE(lib.rows.all().front(), static_cast<IBaseChunk *>(lib.b));
    QRowSortJob::setSortAtOnceLimit(5000);
}

void TestLibraryRows::mastersAreFoundByTheirWholePathButNeverTheRunningRecording()
{
    Library lib;
    QAudioFileChunk *elsewhere = row("b.mp3", "05-01-2024 10:00", "/other/");
    lib.all->AddAudioChunk(elsewhere);
    lib.rows.addRow(elsewhere);
    QCOMPARE(lib.rows.masterOf("/rec/b.mp3"), lib.b);
    QCOMPARE(lib.rows.masterOf("/other/b.mp3"), elsewhere);
    QVERIFY(!lib.rows.masterOf("b.mp3"));
    // A running recording's path is only planned: it may name a finished file.
    QAudioFileChunk *running = row("a.mp3", "01-01-2000 10:00");
    running->SetAudioState(QAudioFileChunk::AudioRecording);
    running->setFixedItem(true);
    lib.all->AddAudioChunk(running);
    lib.rows.addRow(running);
    lib.rows.current().setRecordingRow(running);
    QCOMPARE(lib.rows.all().front(), static_cast<IBaseChunk *>(running));
    QCOMPARE(lib.rows.masterOf("/rec/a.mp3"), lib.a);
    lib.rows.setFileGone("/rec/a.mp3", true);
    QVERIFY(lib.a->isDeleted());
    QCOMPARE(lib.a->GetAudioState(), QAudioFileChunk::AudioNoFile);
    QCOMPARE(running->GetAudioState(), QAudioFileChunk::AudioRecording);
}

void TestLibraryRows::theIndexStaysTrueThroughEveryChange_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("paths"); // a small pool: rows share paths now and then
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u})
        for (int paths : {6, 40})
            QTest::addRow("seed %u, %d paths", seed, paths) << seed << paths;
}

// Seeded sequences of what the library does to its rows (rows added,
// renamed, forgotten and added again, destroyed, their files gone, another
// order, another entry shown, a running recording), each followed by every
// look-up the index serves, checked against a walk over the lists.
void TestLibraryRows::theIndexStaysTrueThroughEveryChange()
{
    QFETCH(quint32, seed);
    QFETCH(int, paths);
    QRandomGenerator random(seed);
    Library lib;
    QLibraryCurrent &current = lib.rows.current();
    const auto pathOf = [](int k) { return "/rec/" + std::to_string(k) + ".mp3"; };
    const auto pick = [&](int n) { return int(random.bounded(quint32(n))); };
    // Rows the lists let go of, alive until added again or destroyed.
    std::vector<std::unique_ptr<QAudioFileChunk>> aside;
    std::set<quint64> destroyed;
    const auto masters = [&] {
        std::vector<QAudioFileChunk *> rows;
        for (IBaseChunk *item : lib.rows.all())
            rows.push_back(static_cast<QAudioFileChunk *>(item));
        return rows;
    };
    const auto newRow = [&] {
        const int k = pick(paths);
        QAudioFileChunk *r = row(std::to_string(k) + ".mp3",
                                 "0" + std::to_string(1 + pick(9)) + "-01-2024 10:00");
        r->SetFilePath(pathOf(k));
        return r;
    };
    for (int n = 0; n < 30; ++n)
        lib.rows.addRow(newRow());
    QString steps;
    for (int step = 0; step < 300; ++step) {
        const std::vector<QAudioFileChunk *> all = masters();
        QAudioFileChunk *some = all.empty() ? nullptr : all[size_t(pick(int(all.size())))];
        switch (pick(11)) {
        case 0:
            steps += "add ";
            lib.rows.addRow(newRow());
            break;
        case 1: // a rename: the row's path changes, then the rows are told
            if (some) {
                steps += "rename ";
                some->SetFilePath(pathOf(pick(paths)));
                lib.rows.rowChanged(some);
            }
            break;
        case 2:
            if (some) {
                steps += "forget ";
                lib.rows.forgetRow(some);
                aside.emplace_back(some);
            }
            break;
        case 3: { // many at once, neighbours or not, with rows no list holds
            steps += "forget-many ";
            std::vector<IBaseChunk *> going;
            const int first = pick(int(all.size()) + 1);
            const int count = pick(12);
            for (int i = first; i < int(all.size()) && i < first + count; ++i)
                going.push_back(all[size_t(i)]);
            for (QAudioFileChunk *r : all)
                if (pick(8) == 0 && std::find(going.begin(), going.end(), r) == going.end())
                    going.push_back(r);
            if (!aside.empty())
                going.push_back(aside.front().get());
            lib.rows.forgetRows(going);
            for (IBaseChunk *r : going)
                if (r != (aside.empty() ? nullptr : aside.front().get()))
                    aside.emplace_back(static_cast<QAudioFileChunk *>(r));
            break;
        }
        case 4:
            if (!aside.empty()) {
                steps += "re-add ";
                const size_t at = size_t(pick(int(aside.size())));
                lib.rows.addRow(aside[at].release());
                aside.erase(aside.begin() + std::ptrdiff_t(at));
            }
            break;
        case 5: // destroyed while listed: its entry or its owner deletes it
            if (some) {
                steps += "destroy ";
                destroyed.insert(some->itemId());
                QVERIFY(lib.all->DeleteOneAudioChunk(some));
            }
            break;
        case 6:
            if (some) {
                steps += "file-gone ";
                lib.rows.setFileGone(some->textView(QRowTexts::FilePath), pick(2) == 0);
            }
            break;
        case 7: {
            steps += "sort ";
            const QRowOrder order(QAudioFileModel::ColumnName + pick(6),
                                  pick(2) ? Qt::AscendingOrder : Qt::DescendingOrder);
            lib.rows.reorder(order, order.sortedPlaces(order.keysOf(lib.rows.all())),
                             order.sortedPlaces(order.keysOf(lib.rows.shown())));
            break;
        }
        case 8: // another entry shown: copies of some master rows, or them all
            if (pick(2) && some) {
                steps += "show-copies ";
                current.setShownEntry(lib.playlist.get());
                lib.rows.show({});
                lib.playlist->ClearAudioDatasList();
                for (QAudioFileChunk *r : all)
                    if (pick(3) == 0)
                        lib.playlist->AddAudioChunk(new QAudioFileChunk(r));
                std::vector<IBaseChunk *> copies = lib.playlist->GetAudioDatasList();
                lib.rows.order().sort(copies);
                lib.rows.show(copies);
            } else {
                steps += "show-all ";
                current.setShownEntry(lib.all.get());
                lib.rows.show(lib.rows.all());
            }
            break;
        case 9:
            steps += "recording ";
            current.setRecordingRow(pick(2) ? some : nullptr);
            break;
        default: // a copy that goes from the shown list
            if (!lib.rows.shown().empty() && current.shownEntry() == lib.playlist.get()) {
                steps += "forget-copy ";
                IBaseChunk *copy = lib.rows.shown()[size_t(pick(int(lib.rows.shown().size())))];
                lib.rows.forgetRow(copy);
                std::vector<IBaseChunk *> kept = lib.playlist->GetAudioDatasList();
                kept.erase(std::find(kept.begin(), kept.end(), copy));
                lib.playlist->SetAudioDatasList(kept);
                destroyed.insert(static_cast<QAudioFileChunk *>(copy)->itemId());
                delete copy;
            }
            break;
        }

        // What a walk over the lists finds: a row of the path whose file is
        // there before one whose file is gone, then the oldest; never the
        // running recording.
        const std::vector<QAudioFileChunk *> now = masters();
        std::map<std::string, QAudioFileChunk *> expected;
        for (QAudioFileChunk *r : now) {
            if (r == current.recordingRow())
                continue;
            QAudioFileChunk *&found = expected[r->GetFilePath()];
            if (!found || (found->isDeleted() && !r->isDeleted())
                || (found->isDeleted() == r->isDeleted() && r->itemId() < found->itemId()))
                found = r;
        }
        for (int k = 0; k < paths; ++k) {
            const auto it = expected.find(pathOf(k));
            QAudioFileChunk *wanted = it == expected.end() ? nullptr : it->second;
            if (lib.rows.masterOf(pathOf(k)) != wanted)
                QFAIL(qPrintable(
                    QString("master of %1 after: %2").arg(QString::fromStdString(pathOf(k)), steps)));
        }
        const auto found = lib.rows.mastersOf({pathOf(0), pathOf(1), "/rec/none.mp3"});
        QCOMPARE(found.size(), size_t(expected.count(pathOf(0)) + expected.count(pathOf(1))));
        // Every listed row is held by id; rows let go of, or destroyed, are not.
        std::set<IBaseChunk *> listed(now.begin(), now.end());
        listed.insert(lib.rows.shown().begin(), lib.rows.shown().end());
        for (IBaseChunk *r : listed)
            QVERIFY(lib.rows.rowOfId(static_cast<QAudioFileChunk *>(r)->itemId()) == r);
        for (const auto &r : aside)
            QVERIFY(!lib.rows.holdsRow(r->itemId()));
        for (quint64 id : destroyed)
            QVERIFY(!lib.rows.holdsRow(id));
        QCOMPARE(lib.model.rowCount(), int(lib.rows.shown().size()));
        QCOMPARE(lib.all->GetAudioDatasList(), lib.rows.all());
    }
    // The rows no list holds are the test's to free.
    current.setShownEntry(nullptr);
}

void TestLibraryRows::manyRowsLeaveTheTableInRunsOfNeighbours_data()
{
    QTest::addColumn<QList<int>>("going"); // places in the shown list, top first
    QTest::addColumn<int>("removals");     // told as removals of runs (0: as a new set of rows)
    QList<int> topRun, middleRun, twoRuns, scattered;
    for (int i = 0; i < 100; ++i)
        topRun << i;
    for (int i = 150; i < 250; ++i)
        middleRun << i;
    for (int i = 20; i < 40; ++i)
        twoRuns << i << i + 200;
    std::sort(twoRuns.begin(), twoRuns.end());
    for (int i = 0; i < 300; i += 3)
        scattered << i;
    QTest::newRow("one run at the top") << topRun << 1;
    QTest::newRow("one run in the middle") << middleRun << 1;
    QTest::newRow("two runs") << twoRuns << 2;
    QTest::newRow("a hundred scattered rows") << scattered << 0;
    QList<int> every;
    for (int i = 0; i < 303; ++i)
        every << i;
    QTest::newRow("every row") << every << 1;
}

void TestLibraryRows::manyRowsLeaveTheTableInRunsOfNeighbours()
{
    QFETCH(QList<int>, going);
    QFETCH(int, removals);
    Library lib;
    std::vector<IBaseChunk *> made = lib.rows.all();
    for (int i = 0; i < 300; ++i) {
        char created[32];
        std::snprintf(created, sizeof created, "01-01-2023 %02d:%02d", i / 60, i % 60);
        made.push_back(row("r" + std::to_string(i) + ".mp3", created));
    }
    lib.rows.order().sort(made);
    lib.rows.setAll(made);
    lib.rows.show(lib.rows.all());
    const std::vector<IBaseChunk *> before = lib.rows.shown();
    std::vector<IBaseChunk *> rows;
    std::vector<IBaseChunk *> kept = before;
    for (auto it = going.crbegin(); it != going.crend(); ++it) {
        rows.push_back(before[size_t(*it)]);
        kept.erase(kept.begin() + *it);
    }
    // A row that stays keeps its index through the change (unless the rows
    // are shown anew).
    const int keptPlace = going.contains(299) ? 0 : 299;
    QPersistentModelIndex stays = lib.model.index(keptPlace, 1);
    const QString staysName = stays.data().toString();
    const bool staysKept = !going.contains(keptPlace);
    QSignalSpy removed(&lib.model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&lib.model, &QAbstractItemModel::modelReset);
    lib.rows.forgetRows(rows);
    QCOMPARE(removed.count(), removals);
    QCOMPARE(reset.count(), removals == 0 ? 1 : 0);
    QCOMPARE(lib.rows.shown(), kept);
    QCOMPARE(lib.rows.all(), kept);
    QCOMPARE(lib.all->GetAudioDatasList(), kept);
    for (IBaseChunk *r : rows) {
        QVERIFY(!lib.rows.holdsRow(static_cast<QAudioFileChunk *>(r)->itemId()));
        delete r;
    }
    if (removals > 0 && staysKept)
        QCOMPARE(stays.data().toString(), staysName);
    for (int r = 0; r < lib.model.rowCount(); ++r)
        QCOMPARE(QAudioFileModel::rowItem(lib.model.index(r, 0)), kept[size_t(r)]);
}

void TestLibraryRows::aLargeRemovalKeepsEveryLookUp_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("keptEvery"); // one row in this many stays
    QTest::addColumn<bool>("atOnce");   // forgetRows, or forgetRow a row at a time
    // Large enough that the index, left mostly empty, gives its room back.
    QTest::newRow("2,000 rows, 1 in 20 stays, at once") << 2000 << 20 << true;
    QTest::newRow("2,000 rows, 1 in 20 stays, one by one") << 2000 << 20 << false;
    QTest::newRow("4,000 rows, 1 in 400 stays, at once") << 4000 << 400 << true;
    QTest::newRow("3,000 rows, 1 in 3 stays, one by one") << 3000 << 3 << false;
}

void TestLibraryRows::aLargeRemovalKeepsEveryLookUp()
{
    QFETCH(int, count);
    QFETCH(int, keptEvery);
    QFETCH(bool, atOnce);
    Library lib;
    // The model's checks of each row added back would cost more than the rows.
    lib.tester.reset();
    std::vector<IBaseChunk *> made = lib.rows.all();
    for (int i = 0; i < count; ++i)
        made.push_back(row(std::to_string(i) + ".mp3", "01-01-2023 10:00", "/big/"));
    lib.rows.order().sort(made);
    lib.rows.setAll(made);
    lib.rows.show(lib.rows.all());
    std::vector<IBaseChunk *> going;
    std::vector<IBaseChunk *> kept;
    for (size_t i = 0; i < made.size(); ++i)
        (i % size_t(keptEvery) == 0 ? kept : going).push_back(made[i]);
    if (atOnce) {
        lib.rows.forgetRows(going);
    } else {
        for (IBaseChunk *r : going)
            lib.rows.forgetRow(r);
    }
    QCOMPARE(lib.rows.all(), kept);
    QCOMPARE(lib.rows.shown(), kept);
    QCOMPARE(lib.model.rowCount(), int(kept.size()));
    const auto pathOf = [](IBaseChunk *r) { return static_cast<QAudioFileChunk *>(r)->GetFilePath(); };
    const auto idOf = [](IBaseChunk *r) { return static_cast<QAudioFileChunk *>(r)->itemId(); };
    for (IBaseChunk *r : kept) {
        QCOMPARE(lib.rows.rowOfId(idOf(r)), r);
        QCOMPARE(lib.rows.masterOf(pathOf(r)), static_cast<QAudioFileChunk *>(r));
    }
    for (IBaseChunk *r : going) {
        QVERIFY(!lib.rows.holdsRow(idOf(r)));
        QVERIFY(!lib.rows.masterOf(pathOf(r)));
    }
    // The rows that went come back: every one is found again.
    for (IBaseChunk *r : going)
        lib.rows.addRow(r);
    QCOMPARE(lib.rows.all().size(), made.size());
    for (IBaseChunk *r : made) {
        QCOMPARE(lib.rows.rowOfId(idOf(r)), r);
        QCOMPARE(lib.rows.masterOf(pathOf(r)), static_cast<QAudioFileChunk *>(r));
    }
}

QTEST_MAIN(TestLibraryRows)
#include "tst_libraryrows.moc"
