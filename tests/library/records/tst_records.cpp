// Library records (rows, copies, playlist names, entries owning their rows)
// and the recordings model: roles, flags and the order of "Created Time".

#include "common/historydocument.h"
#include "common/qvideosettingxml.h"
#include "library/libraryitemids.h"
#include "library/librarytexts.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qlibrarychunk.h"
#include "library/qlibraryrows.h"
#include "library/qrowcontrols.h"
#include "library/qrowsortjob.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {
int g_destroyed = 0;

class CountedRow : public QAudioFileChunk
{
public:
    ~CountedRow() override { ++g_destroyed; }
};

QAudioFileChunk *row(const std::string &name, const std::string &created,
                     QAudioFileChunk::AudioState state = QAudioFileChunk::AudioNormal)
{
    auto *r = new QAudioFileChunk;
    r->SetFileName(name);
    r->SetFilePath("/music/" + name);
    const auto dot = name.rfind('.');
    r->SetFileExent(dot == std::string::npos ? std::string() : name.substr(dot + 1));
    r->SetCreateTime(created);
    r->SetAudioState(state);
    r->SetRecordingIcon("/icons/rec.png");
    r->SetPlayingIcon("/icons/play.png");
    r->SetNoFileIcon("/icons/nofile.png");
    return r;
}

// Model, proxy and the rows they show, torn down in the right order.
struct Table
{
    std::vector<IBaseChunk *> rows;
    QAudioFileModel model;
    QAudioFileSortModel sort;
    Table()
    {
        model.setHeaderList({"", "File Name", "Format", "Artist", "Album", "Duration", "Created Time", ""});
        model.setDatas(&rows);
        sort.setSourceModel(&model);
        sort.setDynamicSortFilter(true);
    }
    ~Table()
    {
        std::vector<IBaseChunk *> gone;
        gone.swap(rows);
        model.refresh();
        for (IBaseChunk *r : gone)
            delete r;
    }
    void add(QAudioFileChunk *r)
    {
        rows.push_back(r);
        model.refresh();
    }
    QStringList namesInViewOrder()
    {
        QStringList names;
        for (int i = 0; i < sort.rowCount(); ++i)
            names << sort.index(i, QAudioFileModel::ColumnName).data().toString();
        return names;
    }
};

// The same rows kept in the table's order: a click on a header asks for
// another order, a changed row moves to its new place.
struct OrderedTable
{
    QLibraryRows rows;
    QAudioFileModel model;
    QAudioFileSortModel sort;
    QRowSortJob job{rows};
    OrderedTable()
    {
        model.setHeaderList({"", "File Name", "Format", "Artist", "Album", "Duration", "Created Time", ""});
        rows.setModel(&model);
        sort.setSourceModel(&model);
        QObject::connect(&sort, &QAudioFileSortModel::orderRequested,
                         [this](int column, Qt::SortOrder order) { job.sortBy(QRowOrder(column, order)); });
    }
    ~OrderedTable()
    {
        const std::vector<IBaseChunk *> gone = rows.all();
        rows.show({});
        rows.setAll({});
        for (IBaseChunk *r : gone)
            delete r;
    }
    void add(QAudioFileChunk *r) { rows.addRow(r); }
    void changed(QAudioFileChunk *r) { rows.rowChanged(r); }
    QStringList namesInViewOrder()
    {
        QStringList names;
        for (int i = 0; i < sort.rowCount(); ++i)
            names << sort.index(i, QAudioFileModel::ColumnName).data().toString();
        return names;
    }
};
} // namespace

class TestLibraryRecords : public QObject
{
    Q_OBJECT
private slots:
    void rowDefaultsAndCopies();
    void playlistNamesOfARow();
    void entriesOwnTheirRows();
    void modelRolesAndFlags();
    void createdTimeOrdersByDateWithTheRecordingOnTop();
    void malformedCreatedTimesSortSafely_data();
    void malformedCreatedTimesSortSafely();
    void tiedCreatedTimesOrderNamesAsQStringsDo();
    void numbersOfTheRowFollowTheirTexts_data();
    void numbersOfTheRowFollowTheirTexts();
    void changedCreatedTimeMovesTheRow();
    void searchAsTyped_data();
    void searchAsTyped();
    void textsOfARowKeepApartAtAnyLength();
    void rowTextsAreReadWhereTheHistoryKeepsThem_data();
    void rowTextsAreReadWhereTheHistoryKeepsThem();
    void idsOfManyRowsThatComeAndGo();
};

void TestLibraryRecords::rowDefaultsAndCopies()
{
    QHistoryChunk history;
    QVERIFY(history.getVideoType());
    QAudioFileChunk fresh;
    QVERIFY(!fresh.getVideoType());
    QCOMPARE(fresh.GetAudioState(), QAudioFileChunk::AudioNormal);

    std::unique_ptr<QAudioFileChunk> playing(row("song.mp3", "01-02-2024 10:00", QAudioFileChunk::AudioPlaying));
    playing->setFixedItem(true);
    playing->setIsDeleted(true);
    playing->SetTitle("Song");
    playing->setArtist("Artist");
    playing->setAlbum("Album");
    playing->setGenre("Pop");
    playing->setPlayTime("00:03:10");
    playing->SetFileSize("3 MB");
    playing->SetResolution("0*0");
    playing->SetFileFormat("mp3");
    playing->setNewAdd(true);
    playing->setImage("/img.png");
    playing->SetListsBelong({"Road", "Night"});

    QAudioFileChunk copy(playing.get());
    QCOMPARE(copy.GetAudioState(), QAudioFileChunk::AudioNormal);
    QVERIFY(!copy.getFixedItem());
    QVERIFY(!copy.isDeleted());
    QCOMPARE(copy.GetFilePath(), playing->GetFilePath());
    QCOMPARE(copy.GetFileName(), std::string("song.mp3"));
    QCOMPARE(copy.GetTitle(), std::string("Song"));
    QCOMPARE(copy.GetArtist(), std::string("Artist"));
    QCOMPARE(copy.GetAlbum(), std::string("Album"));
    QCOMPARE(copy.GetGenre(), std::string("Pop"));
    QCOMPARE(copy.getPlayTime(), std::string("00:03:10"));
    QCOMPARE(copy.GetFileSize(), std::string("3 MB"));
    QCOMPARE(copy.GetCreateTime(), std::string("01-02-2024 10:00"));
    QCOMPARE(copy.GetFileFormat(), std::string("mp3"));
    QCOMPARE(copy.GetFileExent(), std::string("mp3"));
    QVERIFY(copy.isNewAdd());
    QCOMPARE(copy.GetImage(), std::string("/img.png"));
    QCOMPARE(copy.GetListsBelong(), QList<std::string>({"Road", "Night"}));
    QCOMPARE(copy.GetPlayingIcon(), std::string("/icons/play.png"));
}

void TestLibraryRecords::playlistNamesOfARow()
{
    QAudioFileChunk r;
    r.AppendList("A");
    r.AppendList("B");
    r.AppendList("A");
    QCOMPARE(r.GetListNamePos("A"), 0);
    QCOMPARE(r.GetListNamePos("a"), -1);
    QVERIFY(r.RemoveList(std::string("A")));
    QCOMPARE(r.GetListsBelong(), QList<std::string>({"A", "B"}));
    QVERIFY(!r.RemoveList(std::string("C")));
    QVERIFY(!r.RemoveList(-1));
    QVERIFY(!r.RemoveList(2));
    QVERIFY(r.RemoveList(1));
    QCOMPARE(r.GetListsBelong(), QList<std::string>({"A"}));
    r.RemoveAllLists();
    QVERIFY(r.GetListsBelong().isEmpty());
}

void TestLibraryRecords::entriesOwnTheirRows()
{
    g_destroyed = 0;
    auto *a = new CountedRow;
    a->SetTitle("a");
    auto *b = new CountedRow;
    b->SetTitle("b");
    auto *c = new CountedRow;
    c->SetTitle("c");
    {
        QLibraryChunk entry;
        QCOMPARE(entry.GetListType(), QLibraryChunk::ListCustom);
        entry.AddAudioChunk(nullptr);
        entry.AddAudioChunk(a);
        entry.AddAudioChunk(b);
        entry.AddAudioChunk(c);
        QCOMPARE(entry.GetAudioDatasList().size(), size_t(3));
        QVERIFY(entry.DeleteOneAudioChunk(static_cast<IBaseChunk *>(b)));
        QCOMPARE(g_destroyed, 1);
        QVERIFY(!entry.DeleteOneAudioChunk(static_cast<IBaseChunk *>(b)));
        QVERIFY(entry.DeleteOneAudioChunk(std::string("c")));
        QVERIFY(!entry.DeleteOneAudioChunk(std::string("zzz")));
        QCOMPARE(g_destroyed, 2);
        // Replacing the pointers leaves the old rows alive.
        std::vector<IBaseChunk *> kept = entry.GetAudioDatasList();
        entry.SetAudioDatasList({});
        QCOMPARE(g_destroyed, 2);
        entry.SetAudioDatasList(kept);
    }
    QCOMPARE(g_destroyed, 3);
}

void TestLibraryRecords::modelRolesAndFlags()
{
    Table t;
    QAbstractItemModelTester modelTester(&t.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester sortTester(&t.sort, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAudioFileChunk *dotted = row("a.b.mp3", "02-01-2021 09:00");
    dotted->setArtist("Art");
    dotted->setAlbum("Alb");
    dotted->setPlayTime("00:00:05");
    t.add(dotted);
    t.add(row("plain", "02-01-2021 09:01", QAudioFileChunk::AudioPlaying));
    t.add(row("x.m4a", "02-01-2021 09:02", QAudioFileChunk::AudioPause));
    t.add(row("y.wav", "02-01-2021 09:03", QAudioFileChunk::AudioNoFile));
    t.add(row("z.wav", "02-01-2021 09:04", QAudioFileChunk::AudioRecording));
    QCOMPARE(t.model.columnCount(), 8);
    QCOMPARE(t.model.rowCount(), 5);

    auto cell = [&](int r, int c, int role = Qt::DisplayRole) { return t.model.index(r, c).data(role); };
    QCOMPARE(cell(0, 1).toString(), QString("a.b"));
    QCOMPARE(cell(0, 2).toString(), QString("MP3"));
    QCOMPARE(cell(0, 3).toString(), QString("Art"));
    QCOMPARE(cell(0, 4).toString(), QString("Alb"));
    QCOMPARE(cell(0, 5).toString(), QString("00:00:05"));
    QCOMPARE(cell(0, 6).toString(), QString("02-01-2021 09:00"));
    QVERIFY(!cell(0, 0).isValid());
    QVERIFY(!cell(0, 7).isValid());
    QCOMPARE(cell(1, 1).toString(), QString("plain"));
    QCOMPARE(cell(2, 2).toString(), QString("M4A"));
    QCOMPARE(cell(0, 2, Qt::TextAlignmentRole).toInt(), 132);

    // State pictures: playing, missing file and recording; none when idle or paused.
    QVERIFY(!cell(0, 0, Qt::DecorationRole).isValid());
    QCOMPARE(cell(1, 0, Qt::DecorationRole).toString(), QString("/icons/play.png"));
    QVERIFY(!cell(2, 0, Qt::DecorationRole).isValid());
    QCOMPARE(cell(3, 0, Qt::DecorationRole).toString(), QString("/icons/nofile.png"));
    QCOMPARE(cell(4, 0, Qt::DecorationRole).toString(), QString("/icons/rec.png"));
    QVERIFY(!cell(1, 1, Qt::DecorationRole).isValid());

    // No check boxes, even where the base keeps its check column.
    t.model.setCheckInColumn(0);
    for (int c = 0; c < 8; ++c)
        QVERIFY(!cell(0, c, Qt::CheckStateRole).isValid());
    QCOMPARE(cell(0, 1, QJXItemRole::ItemPointer).value<void *>(), static_cast<void *>(dotted));

    for (int c = 0; c < 8; ++c)
        QCOMPARE(int(t.model.flags(t.model.index(0, c))), 45);
    // Through the proxy the name cell is edited in place and starts no drag.
    const QModelIndex name = t.sort.mapFromSource(t.model.index(0, 1));
    QCOMPARE(int(t.sort.flags(name)), 35);
    QVERIFY(!(t.sort.flags(name) & Qt::ItemIsDragEnabled));
    QVERIFY(t.sort.flags(t.sort.mapFromSource(t.model.index(0, 3))) & Qt::ItemIsDragEnabled);
    QCOMPARE(int(t.sort.flags(QModelIndex())), 0);
}

void TestLibraryRecords::createdTimeOrdersByDateWithTheRecordingOnTop()
{
    OrderedTable t;
    t.add(row("summer.mp3", "15-06-2020 10:00"));
    t.add(row("winter.mp3", "02-01-2021 09:00"));
    t.add(row("late.mp3", "31-12-2019 23:59"));
    t.add(row("bMinute.mp3", "02-01-2021 09:05"));
    t.add(row("Bminute.mp3", "02-01-2021 09:05"));
    QAudioFileChunk *running = row("running.mp3", "01-01-2000 00:00", QAudioFileChunk::AudioRecording);
    running->setFixedItem(true);
    t.add(running);

    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::AscendingOrder);
    QCOMPARE(t.namesInViewOrder(),
             QStringList({"late", "summer", "winter", "Bminute", "bMinute", "running"}));
    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::DescendingOrder);
    QCOMPARE(t.namesInViewOrder().first(), QString("running"));
    QCOMPARE(t.namesInViewOrder().last(), QString("late"));

    // Once complete, the recording takes its place by its date.
    running->SetAudioState(QAudioFileChunk::AudioNormal);
    running->setFixedItem(false);
    t.changed(running);
    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::AscendingOrder);
    QCOMPARE(t.namesInViewOrder().first(), QString("running"));

    // Other columns compare their texts.
    t.sort.sort(QAudioFileModel::ColumnName, Qt::AscendingOrder);
    QCOMPARE(t.namesInViewOrder().first(), QString("Bminute"));
}

void TestLibraryRecords::malformedCreatedTimesSortSafely_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wellFormed");
    QTest::newRow("good") << "15-06-2020 10:00" << true;
    QTest::newRow("no blank") << "15-06-2020" << false;
    QTest::newRow("two date fields") << "06-2020 10:00" << false;
    QTest::newRow("one time field") << "15-06-2020 10" << false;
    QTest::newRow("letters") << "aa-bb-cccc dd:ee" << false;
    QTest::newRow("wide year") << "01-01-20201 00:00" << false;
    QTest::newRow("blank only") << " " << false;
    QTest::newRow("dashes only") << "-- ::" << false;
}

void TestLibraryRecords::malformedCreatedTimesSortSafely()
{
    QFETCH(QString, text);
    QFETCH(bool, wellFormed);
    QCOMPARE(QHistoryChunk::parseCreatedTime(text.toStdString()).has_value(), wellFormed);
    if (wellFormed)
        QCOMPARE(*QHistoryChunk::parseCreatedTime(text.toStdString()), Q_INT64_C(202006151000));

    OrderedTable t;
    t.add(row("odd.mp3", text.toStdString()));
    t.add(row("older.mp3", "01-01-1999 00:00"));
    t.add(row("newer.mp3", "01-01-2030 00:00"));
    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::AscendingOrder);
    const QStringList order = t.namesInViewOrder();
    QCOMPARE(order.size(), 3);
    // A text that is no date sorts below every date, whatever it spells.
    if (!wellFormed)
        QCOMPARE(order, QStringList({"odd", "older", "newer"}));
    else
        QCOMPARE(order, QStringList({"older", "odd", "newer"}));
}

void TestLibraryRecords::tiedCreatedTimesOrderNamesAsQStringsDo()
{
    // Names compared by UTF-16 code unit: a character above U+FFFF (a
    // surrogate pair) comes before U+E000..U+FFFF, although its UTF-8 and
    // its code point are greater.
    const QStringList names = {QString::fromUtf8("\xEF\xBC\xA1.mp3"),      // U+FF21
                               QString::fromUtf8("\xF0\x9F\x98\x80.mp3"),  // U+1F600
                               QString::fromUtf8("\xF0\x9F\x98\x81.mp3"),  // U+1F601
                               QString::fromUtf8("\xC3\xA9t\xC3\xA9.mp3"), // été
                               QString::fromUtf8("\xC3\xA9.mp3"),
                               QStringLiteral("Zed.mp3"),
                               QStringLiteral("zed.mp3"),
                               QStringLiteral("zed2.mp3"),
                               QString::fromUtf8("\xE2\x82\xAC.mp3")};  // €
    OrderedTable t;
    for (const QString &name : names)
        t.add(row(name.toStdString(), "02-01-2021 09:05"));
    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::AscendingOrder);
    QStringList expected;
    for (const QString &name : names)
        expected << QAudioFileModel::baseName(name);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(t.namesInViewOrder(), expected);
    QVERIFY(expected.indexOf(QString::fromUtf8("\xF0\x9F\x98\x80")) < expected.indexOf(QString::fromUtf8("\xEF\xBC\xA1")));
}

void TestLibraryRecords::numbersOfTheRowFollowTheirTexts_data()
{
    QTest::addColumn<QString>("created");
    QTest::addColumn<QString>("played");
    QTest::newRow("as written") << "15-06-2020 10:07" << "01:02:03";
    QTest::newRow("long hours") << "31-12-1999 23:59" << "123:00:01";
    QTest::newRow("short fields") << "5-6-2020 1:2" << "1:2:3";
    QTest::newRow("signs and blanks") << "15-+6-2020  10:00" << "+1:-2: 3";
    QTest::newRow("not a time") << "yesterday" << "long";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("four fields") << "15-06-2020 10:00" << "00:01:02:03";
}

void TestLibraryRecords::numbersOfTheRowFollowTheirTexts()
{
    // The numbers a row keeps for sorting and for the info line are the
    // ones its texts give, whatever the shape and however the text came.
    QFETCH(QString, created);
    QFETCH(QString, played);
    QAudioFileChunk r;
    r.SetCreateTime("01-01-2001 00:00");
    r.setPlayTime("00:00:09");
    r.SetCreateTime(created.toStdString());
    r.setPlayTime(played.toStdString());
    QCOMPARE(r.createdTimeKey(), QHistoryChunk::parseCreatedTime(created.toStdString()));
    QCOMPARE(r.playSeconds(), LibraryTexts::secondsFromText(played));
    QAudioFileChunk copy(&r);
    QCOMPARE(copy.createdTimeKey(), r.createdTimeKey());
    QCOMPARE(copy.playSeconds(), r.playSeconds());

    convertedInfo info;
    info.convertedPath = QStringLiteral("/music/x.mp3");
    info.createTime = created;
    info.time = played;
    QHistoryChunk fromRecord;
    fromRecord.setFromRecord(info);
    QCOMPARE(fromRecord.createdTimeKey(), r.createdTimeKey());
    QCOMPARE(fromRecord.playSeconds(), r.playSeconds());
}

void TestLibraryRecords::changedCreatedTimeMovesTheRow()
{
    OrderedTable t;
    QAudioFileChunk *edited = row("edited.mp3", "01-01-2020 10:00");
    t.add(edited);
    t.add(row("middle.mp3", "01-01-2021 10:00"));
    t.sort.sort(QAudioFileModel::ColumnCreated, Qt::DescendingOrder);
    QCOMPARE(t.namesInViewOrder(), QStringList({"middle", "edited"}));
    // A new text (an edit's output, a completed recording) takes its key along.
    edited->SetCreateTime("01-01-2022 10:00");
    t.changed(edited);
    QCOMPARE(t.namesInViewOrder(), QStringList({"edited", "middle"}));
    edited->SetCreateTime("not a date");
    t.changed(edited);
    QCOMPARE(t.namesInViewOrder(), QStringList({"middle", "edited"}));
}

void TestLibraryRecords::searchAsTyped_data()
{
    // Each step: the text in the field, then the names shown (in the
    // table's order, newest first; a created time that is no date last). "=>" between steps renames "beta" to
    // "alphabeta" before the next one.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("typing narrows") << QStringList({"a", "al", "alp", "alpha"})
                                    << QStringList({"zed,beta,alphabet,alpha,\u212aelvin,\u00e9t\u00e9",
                                                    "alphabet,alpha", "alphabet,alpha", "alphabet,alpha"});
    QTest::newRow("deleting widens") << QStringList({"alphab", "alpha", "al", ""})
                                     << QStringList({"alphabet", "alphabet,alpha", "alphabet,alpha",
                                                     "zed,beta,alphabet,alpha,\u212aelvin,\u00e9t\u00e9"});
    QTest::newRow("any letter case") << QStringList({"ALP", "AlPhAbE"})
                                     << QStringList({"alphabet,alpha", "alphabet"});
    QTest::newRow("other cells") << QStringList({"band", "zo\u00eb", "00:03", "2021 09:04", "MP3"})
                                 << QStringList(
                                        {"alpha", "\u00e9t\u00e9", "beta", "zed", "beta,alphabet,alpha"});
    QTest::newRow("accented text, either case")
        << QStringList({"\u00c9T", "t\u00e9"}) << QStringList({"\u00e9t\u00e9", "\u00e9t\u00e9"});
    // The Kelvin sign folds to a plain k.
    QTest::newRow("a letter that folds to a plain one")
        << QStringList({"kel", "KELV"}) << QStringList({"\u212aelvin", "\u212aelvin"});
    QTest::newRow("a row renamed while typing")
        << QStringList({"alph", "=>", "alpha"})
        << QStringList({"alphabet,alpha", "", "alphabeta,alphabet,alpha"});
    QTest::newRow("a pattern's signs are plain text")
        << QStringList({"a.b", "(", "[a"}) << QStringList({"", "", ""});
}

void TestLibraryRecords::searchAsTyped()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shown);
    OrderedTable t;
    QAudioFileChunk *alpha = row("alpha.mp3", "02-01-2021 09:00");
    alpha->setArtist("The Band");
    t.add(alpha);
    t.add(row("alphabet.mp3", "02-01-2021 09:01"));
    QAudioFileChunk *beta = row("beta.mp3", "02-01-2021 09:02");
    beta->setPlayTime("00:03:00");
    t.add(beta);
    t.add(row("zed.wav", "02-01-2021 09:04"));
    t.add(row("\xE2\x84\xAA"
              "elvin.flac",
              "01-01-1999 00:00"));
    QAudioFileChunk *accented = row("\xC3\xA9t\xC3\xA9.ogg", "not a date");
    accented->setArtist("Zo\xC3\xAB");
    t.add(accented);
    for (int i = 0; i < steps.size(); ++i) {
        if (steps[i] == "=>") {
            beta->SetFileName("alphabeta.mp3");
            t.changed(beta);
            continue;
        }
        t.sort.setSearchText(steps[i]);
        QCOMPARE(t.namesInViewOrder().join(','), shown[i]);
    }
}

void TestLibraryRecords::textsOfARowKeepApartAtAnyLength()
{
    // A row keeps its texts in one block; a long one (a tag can hold tens
    // of kilobytes) and changes of any one of them leave the others whole.
    convertedInfo info;
    info.convertedPath = QStringLiteral("/music/Grüße/späť.flac");
    info.title = QString(40000, QChar(0x00E9)); // 80,000 bytes of UTF-8
    info.artist = QStringLiteral("Ärtist \U0001F3B5");
    info.album = QString();
    info.genre = QStringLiteral("Jazz");
    info.time = QStringLiteral("01:02:03");
    info.size = QStringLiteral("12 MB");
    info.createTime = QStringLiteral("15-06-2020 10:07");
    info.resolution = QStringLiteral("0*0");
    info.extend = QStringLiteral("flac");
    info.format = QStringLiteral("flac");
    info.imgPath = QStringLiteral("/covers/a.png");
    QAudioFileChunk r;
    r.setFromRecord(info);
    const auto expectAll = [&info](QAudioFileChunk &row) {
        QCOMPARE(QString::fromStdString(row.GetFilePath()), info.convertedPath);
        QCOMPARE(row.GetFileName(), std::string("späť.flac"));
        QCOMPARE(QString::fromStdString(row.GetTitle()), info.title);
        QCOMPARE(row.qtext(QRowTexts::Artist), info.artist);
        QCOMPARE(QString::fromStdString(row.GetAlbum()), info.album);
        QCOMPARE(QString::fromStdString(row.GetGenre()), info.genre);
        QCOMPARE(QString::fromStdString(row.getPlayTime()), info.time);
        QCOMPARE(QString::fromStdString(row.GetFileSize()), info.size);
        QCOMPARE(QString::fromStdString(row.GetCreateTime()), info.createTime);
        QCOMPARE(QString::fromStdString(row.GetResolution()), info.resolution);
        QCOMPARE(QString::fromStdString(row.GetFileExent()), info.extend);
        QCOMPARE(QString::fromStdString(row.GetFileFormat()), info.format);
        QCOMPARE(QString::fromStdString(row.GetImage()), info.imgPath);
    };
    expectAll(r);
    QCOMPARE(r.playSeconds(), qint64(3723));
    QAudioFileChunk copy(&r);
    expectAll(copy);

    // One text changed at a time, across the length where short offsets end.
    info.album = QString(70000, QLatin1Char('a'));
    r.setAlbum(info.album.toStdString());
    expectAll(r);
    info.title = QStringLiteral("Short");
    r.SetTitle(info.title.toStdString());
    expectAll(r);
    info.album = QStringLiteral("Album");
    r.setAlbum(info.album.toStdString());
    expectAll(r);
    QAudioFileChunk again(&r);
    expectAll(again);
    // The title alone goes with a reset.
    r.Reset();
    info.title.clear();
    expectAll(r);

    QAudioFileChunk empty;
    QCOMPARE(empty.GetFilePath(), std::string());
    empty.SetFileFormat("wav");
    QCOMPARE(empty.GetFileFormat(), std::string("wav"));
    QCOMPARE(empty.GetFileExent(), std::string());
    empty.SetFileFormat("");
    QCOMPARE(empty.GetFileFormat(), std::string());
}

void TestLibraryRecords::idsOfManyRowsThatComeAndGo()
{
    // Rows of a large library come and go in any order (a playlist's copies,
    // a deleted entry's thousands): every live row is found by its id, and
    // a gone row's id finds nothing, through the table's growth and
    // shrinking.
    std::vector<std::unique_ptr<QAudioFileChunk>> rows;
    std::vector<quint64> goneIds;
    QRandomGenerator random(43);
    const auto check = [&] {
        for (const std::unique_ptr<QAudioFileChunk> &r : rows) {
            QCOMPARE(LibraryItemIds::find(r->itemId()), static_cast<IBaseChunk *>(r.get()));
        }
        for (quint64 id : goneIds)
            QVERIFY(!LibraryItemIds::find(id));
    };
    for (int round = 0; round < 3; ++round) {
        const int target = round == 1 ? 300 : 20000;
        while (int(rows.size()) < target)
            rows.push_back(std::make_unique<QAudioFileChunk>());
        check();
        // Most go, picked at random; a few stay through every round.
        while (int(rows.size()) > target / 10) {
            const size_t at = random.bounded(quint32(rows.size()));
            goneIds.push_back(rows[at]->itemId());
            std::swap(rows[at], rows.back());
            rows.pop_back();
        }
        check();
    }
    QCOMPARE(LibraryItemIds::find(0), static_cast<IBaseChunk *>(nullptr));
}

void TestLibraryRecords::rowTextsAreReadWhereTheHistoryKeepsThem_data()
{
    QTest::addColumn<QByteArray>("path");       // as History.xml holds it
    QTest::addColumn<QByteArray>("attributes"); // of its info element, as the file holds them
    QTest::addColumn<bool>("shared");           // the row reads the entry's bytes
    const QByteArray usual =
        "Img_path_=\"/covers/a.png\" Title_=\"A title\" Resolutin_=\"0*0\" Time_=\"00:03:10\" "
        "Size_=\"3.10 MB\" Create_time_=\"07-12-2026 09:41\" Format_=\"mp3\" Extend_=\"mp3\" "
        "Artist_=\"Band\" Album_=\"Record\" Genre_=\"Pop\" Video_file=\"N\" New_file=\"N\"";
    QTest::newRow("every text") << QByteArray("/music/a.mp3") << usual << true;
    QTest::newRow("escaped characters")
        << QByteArray("/music/Tom &amp; Jerry.mp3")
        << QByteArray(
               "Title_=\"Rock &amp; &quot;Roll&quot; &lt;live&gt;\" Artist_=\"&#x41;&#66;\" Extend_=\"mp3\"")
        << true;
    QTest::newRow("several scripts") << QByteArray("/music/Gr\xC3\xBC\xC3\x9F"
                                                   "e/\xE6\x97\xA5\xE6\x9C\xAC.flac")
                                     << QByteArray(
                                            "Artist_=\"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\" "
                                            "Album_=\"\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1\" "
                                            "Title_=\"\xF0\x9F\x8E\xB5\" Extend_=\"flac\"")
                                     << true;
    QTest::newRow("empty and missing texts")
        << QByteArray("/music/b.wav") << QByteArray("Title_=\"\" Extend_=\"wav\"") << true;
    // A path read with its backslashes as slashes is not the entry's text:
    // the row keeps its own.
    QTest::newRow("backslashes in the path") << QByteArray("/music\\old\\c.mp3") << usual << false;
    // Beyond what the row's places can count: its own texts, whole.
    QByteArray long_;
    for (int i = 0; i < 40000; ++i)
        long_ += "\xC3\xA9"; // 80,000 bytes of UTF-8
    QTest::newRow("a tag of 80,000 bytes")
        << QByteArray("/music/d.mp3") << QByteArray("Title_=\"" + long_ + "\" Extend_=\"mp3\"") << false;
}

void TestLibraryRecords::rowTextsAreReadWhereTheHistoryKeepsThem()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, attributes);
    QFETCH(bool, shared);
    QVideoSettingXml::waitForHistory();
    const QString file = QVideoSettingXml::historyFilePath();
    QDir().mkpath(QFileInfo(file).path());
    QFile history(file);
    QVERIFY(history.open(QIODevice::WriteOnly | QIODevice::Truncate));
    history.write("<ROOTITEM>\n    <Path_item Converted_path_=\"" + path + "\">\n        <CONVERTED_INFO_ "
                  + attributes + "/>\n        <List_name ListName=\"Road\"/>\n    </Path_item>\n</ROOTITEM>\n");
    history.close();

    std::vector<std::unique_ptr<QAudioFileChunk>> rows;
    std::vector<convertedInfo> records;
    QVideoSettingXml::HistoryStartChanges changes;
    QVideoSettingXml::readHistoryAtStart(
        [](convertedInfo &) { return true; }, changes,
        QVideoSettingXml::TakeWithEntry([&](convertedInfo &info, const HistoryDocument::Entry &entry) {
            rows.emplace_back(QRowControls::recordRow(info, 1, nullptr, &entry));
            records.push_back(info);
        }));
    QCOMPARE(rows.size(), size_t(1));
    QAudioFileChunk &row = *rows.front();
    const convertedInfo &info = records.front();
    QCOMPARE(row.texts().readsEntry(), shared);
    // Every text reads as the record gives it, wherever it is kept.
    const auto texts = [](const QAudioFileChunk &r) {
        QStringList t;
        for (int f = 0; f < QRowTexts::FieldCount; ++f)
            t << r.qtext(QRowTexts::Field(f));
        return t;
    };
    const QString name = info.convertedPath.mid(info.convertedPath.lastIndexOf('/') + 1);
    const QStringList expected = {
        info.convertedPath, name,        info.title,  info.artist,     info.album,
        info.genre,         info.time,   info.size,   info.createTime, info.resolution,
        info.extend,        info.format, info.imgPath};
    QCOMPARE(texts(row), expected);
    QVERIFY(!info.convertedPath.contains('\\'));

    // A copy shares them; a change gives the row texts of its own, the
    // copy keeps what it had.
    QAudioFileChunk copy(&row);
    QVERIFY(copy.texts().sharesWith(row.texts()));
    row.setArtist("Another");
    QVERIFY(!row.texts().readsEntry());
    QCOMPARE(texts(copy), expected);
    QStringList changed = expected;
    changed[QRowTexts::Artist] = "Another";
    QCOMPARE(texts(row), changed);
}

QTEST_MAIN(TestLibraryRecords)
#include "tst_records.moc"
