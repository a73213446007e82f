// The library panel with its playlists file on disk: fixed rows, new and
// renamed playlists, deletion, menus, the name editor, and drops of
// recordings, of which only our own drags naming rows of the library count.

#include "common/qvideosettingxml.h"
#include "library/ilibrarymembership.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemimedata.h"
#include "library/qaudiofiletableview.h"
#include "library/qlibrarychunk.h"
#include "library/qlibrarydelegate.h"
#include "library/qlibrarymodel.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarytableview.h"
#include "widgetkit/qjxmenu.h"
#include "widgetkit/views/qbasedetailsmodel.h"

#include "testsupport.h"

#include <QAction>
#include <QDomDocument>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include <algorithm>

namespace {
// Playlist names as the file on disk holds them, in file order.
QStringList namesOnDisk()
{
    QFile file(QVideoSettingXml::playListFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QDomDocument doc;
    if (!doc.setContent(&file))
        return {QStringLiteral("<unparsable>")};
    QStringList names;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        for (const QDomAttr &a : {e.attributes().item(0).toAttr()})
            names << a.value();
    return names;
}

QStringList titles(const QLibraryPlayListWgt &panel)
{
    QStringList list;
    for (int i = 0; i < panel.entryCount(); ++i)
        list << QString::fromStdString(panel.entryAt(i)->GetTitle());
    return list;
}

// The library's list as the drop sees it.
class StandInLibrary : public ILibraryMembership
{
public:
    std::vector<QAudioFileChunk *> rows;
    bool holdsRow(quint64 id) const override
    {
        return std::any_of(rows.begin(), rows.end(), [id](QAudioFileChunk *r) { return r->itemId() == id; });
    }
};

// Sends a whole drag (enter, move, drop) to the view at the row's centre;
// returns whether the drop position was accepted.
// The panel on screen, so that rows have places.
void showPanel(QLibraryPlayListWgt &panel, int height)
{
    panel.resize(243, height);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
}

bool dragOnto(QLibraryTableView *view, int row, const QMimeData *data)
{
    const QPoint pos = view->visualRect(view->model()->index(row, 0)).center();
    QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(view->viewport(), &leave);
        return false;
    }
    QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    return true;
}
} // namespace

class TestLibraryPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void freshStartShowsTheFixedRows();
    void newPlaylistsTakeTheFirstFreeName();
    void renamesAreUniqueAndRefuseBadNames();
    void nameEditorKeepsTheWholeName();
    void deletingAPlaylistAsksAndSelectsAbove();
    void deletingAllPlaylists();
    void menusFollowTheEntry();
    void playingMarkAndCurrentList();
    void dropsOfRecordingsOntoPlaylists();
    void screenshotWithPlaylists();

private:
    void writePlaylists(const QStringList &names);
};

void TestLibraryPanel::init()
{
    QFile::remove(QVideoSettingXml::playListFilePath());
}

void TestLibraryPanel::cleanup()
{
    QLibraryQuestions::setAnswerer(nullptr);
}

void TestLibraryPanel::writePlaylists(const QStringList &names)
{
    for (const QString &n : names)
        QVERIFY(QVideoSettingXml::AppendPlayList(n));
}

void TestLibraryPanel::freshStartShowsTheFixedRows()
{
    QLibraryPlayListWgt panel;
    QCOMPARE(titles(panel), QStringList({"LIBRARY", "All Recordings", "Latest Recordings", "", "PLAYLIST"}));
    QAbstractItemModel *model = panel.tableView()->model();
    QCOMPARE(model->rowCount(), 5);
    QCOMPARE(model->columnCount(), 2);
    // Headers and spacer take no clicks; the fixed lists keep their names.
    for (int row : {0, 3, 4})
        QCOMPARE(int(model->flags(model->index(row, 0))), 0);
    QVERIFY(!(model->flags(model->index(1, 0)) & Qt::ItemIsEditable));
    QVERIFY(model->flags(model->index(1, 0)) & Qt::ItemIsSelectable);
    QCOMPARE(model->index(0, 0).data(Qt::FontRole).value<QFont>().pixelSize(), 16);
    QCOMPARE(model->index(4, 0).data(Qt::FontRole).value<QFont>().pixelSize(), 16);
    QCOMPARE(model->index(1, 0).data(Qt::FontRole).value<QFont>().pixelSize(), 12);
    QVERIFY(!model->index(1, 0).data(Qt::CheckStateRole).isValid());

    QSignalSpy current(&panel, &QLibraryPlayListWgt::emitCurrentListChanged);
    panel.SetTBViewCurrentIndex(1);
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.at(0).at(0).value<quint64>(), panel.entryAt(1)->itemId());
    panel.SetTBViewCurrentIndex(99);
    panel.SetTBViewCurrentIndex(-1);
    QCOMPARE(current.count(), 1);

    writePlaylists({"Road", "Night"});
    QLibraryPlayListWgt again;
    QCOMPARE(titles(again).mid(5), QStringList({"Road", "Night"}));
    QVERIFY(again.tableView()->model()->flags(again.tableView()->model()->index(5, 0)) & Qt::ItemIsEditable);
    QCOMPARE(again.tableView()->model()->index(5, 0).data(Qt::ToolTipRole).toString(), QString("Road"));
}

void TestLibraryPanel::newPlaylistsTakeTheFirstFreeName()
{
    QLibraryPlayListWgt panel;
    QSignalSpy modified(&panel, &QLibraryPlayListWgt::emitPlayListsModified);
    panel.OnAddNewList();
    panel.OnAddNewList();
    QCOMPARE(titles(panel).mid(5), QStringList({"New PlayList_00", "New PlayList_01"}));
    QCOMPARE(namesOnDisk(), QStringList({"New PlayList_00", "New PlayList_01"}));
    QCOMPARE(modified.count(), 2);

    // The "+" cell adds one; another cell of its column does not.
    QAbstractItemModel *model = panel.tableView()->model();
    panel.OnAddNewList(model->index(4, 0));
    panel.OnAddNewList(model->index(1, 1));
    QCOMPARE(panel.entryCount(), 7);
    panel.OnAddNewList(model->index(4, 1));
    QCOMPARE(titles(panel).last(), QString("New PlayList_02"));

    // A freed name is taken again.
    panel.OnRename(model->index(5, 0), "Road");
    panel.OnAddNewList();
    QCOMPARE(titles(panel).last(), QString("New PlayList_00"));
    QCOMPARE(namesOnDisk(), QStringList({"Road", "New PlayList_01", "New PlayList_02", "New PlayList_00"}));
}

void TestLibraryPanel::renamesAreUniqueAndRefuseBadNames()
{
    writePlaylists({"A", "A(1)", "B"});
    QLibraryPlayListWgt panel;
    QAbstractItemModel *model = panel.tableView()->model();
    QSignalSpy renamed(&panel, &QLibraryPlayListWgt::emitChangePlayListName);

    panel.OnRename(model->index(7, 0), "A");
    QCOMPARE(titles(panel).mid(5), QStringList({"A", "A(1)", "A(2)"}));
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(renamed.at(0).at(0).toString(), QString("B"));
    QCOMPARE(renamed.at(0).at(1).toString(), QString("A(2)"));

    panel.OnRename(model->index(7, 0), "All Recordings");
    QCOMPARE(titles(panel).at(7), QString("All Recordings(1)"));

    // Its own name: kept, still written and announced.
    panel.OnRename(model->index(5, 0), "A");
    QCOMPARE(titles(panel).at(5), QString("A"));
    QCOMPARE(renamed.count(), 3);

    for (const QString &bad : {QString("why?"), QString("a\\b"), QString("a/b"), QString(":"),
                               QString("x*"), QString("\"q\""), QString("<a>"), QString("p|q"), QString()})
        panel.OnRename(model->index(6, 0), bad);
    QCOMPARE(titles(panel).at(6), QString("A(1)"));
    QCOMPARE(renamed.count(), 3);
    // The fixed lists cannot be renamed.
    panel.OnRename(model->index(1, 0), "Mine");
    QCOMPARE(titles(panel).at(1), QString("All Recordings"));
    QCOMPARE(namesOnDisk(), QStringList({"A", "A(1)", "All Recordings(1)"}));
}

void TestLibraryPanel::nameEditorKeepsTheWholeName()
{
    writePlaylists({"Best.of.2024"});
    QLibraryPlayListWgt panel;
    showPanel(panel, 300);
    QAbstractItemModel *model = panel.tableView()->model();
    auto *delegate = qobject_cast<QLibraryDelegate *>(panel.tableView()->itemDelegate());
    QVERIFY(delegate);
    QStyleOptionViewItem option;
    std::unique_ptr<QWidget> editor(delegate->createEditor(panel.tableView()->viewport(), option, model->index(5, 0)));
    auto *edit = qobject_cast<QLineEdit *>(editor.get());
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), 20);
    delegate->setEditorData(edit, model->index(5, 0));
    QCOMPARE(edit->text(), QString("Best.of.2024"));
    // Confirmed unchanged, the name stays whole.
    delegate->setModelData(edit, model, model->index(5, 0));
    QCOMPARE(titles(panel).at(5), QString("Best.of.2024"));
    QCOMPARE(namesOnDisk(), QStringList({"Best.of.2024"}));
    edit->setText("12345678901234567890123");
    QCOMPARE(edit->text().size(), 20);

    // The view's own editor opens on a playlist and on nothing else.
    panel.tableView()->edit(model->index(5, 0));
    QVERIFY(panel.tableView()->findChild<QLineEdit *>());
}

void TestLibraryPanel::deletingAPlaylistAsksAndSelectsAbove()
{
    writePlaylists({"One", "Two", "Three"});
    QLibraryPlayListWgt panel;
    QSignalSpy removeCur(&panel, &QLibraryPlayListWgt::emitRemoveCurPlayList);
    QSignalSpy deleteCur(&panel, &QLibraryPlayListWgt::emitDeleteFilesOfCurList);
    QSignalSpy current(&panel, &QLibraryPlayListWgt::emitCurrentListChanged);
    QStringList asked;
    int answer = 0;
    QLibraryQuestions::setAnswerer([&](const QString &text) {
        asked << text;
        return answer;
    });

    // Cancel changes nothing.
    panel.SetTBViewCurrentIndex(7);
    QTest::keyClick(&panel, Qt::Key_Delete);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.at(0), QString("Do you want to delete all files or just remove the \nlist?"));
    QCOMPARE(panel.entryCount(), 8);

    // The table still sees the entry while it handles the signal.
    QString seen;
    connect(&panel, &QLibraryPlayListWgt::emitRemoveCurPlayList, this,
            [&] { seen = QString::fromStdString(panel.entryAt(7)->GetTitle()); });
    answer = 1;
    QTest::keyClick(&panel, Qt::Key_Delete);
    QCOMPARE(removeCur.count(), 1);
    QCOMPARE(seen, QString("Three"));
    QCOMPARE(titles(panel).mid(5), QStringList({"One", "Two"}));
    QCOMPARE(namesOnDisk(), QStringList({"One", "Two"}));
    QCOMPARE(panel.tableView()->currentIndex().row(), 6);

    answer = 2;
    panel.SetTBViewCurrentIndex(5);
    QTest::keyClick(&panel, Qt::Key_Delete);
    QCOMPARE(deleteCur.count(), 1);
    QCOMPARE(panel.tableView()->currentIndex().row(), 1);
    QCOMPARE(namesOnDisk(), QStringList({"Two"}));

    // The Delete key on a fixed list asks nothing.
    panel.SetTBViewCurrentIndex(2);
    QTest::keyClick(&panel, Qt::Key_Delete);
    QCOMPARE(asked.size(), 3);
    QCOMPARE(panel.entryCount(), 6);
}

void TestLibraryPanel::deletingAllPlaylists()
{
    writePlaylists({"One", "Two"});
    QLibraryPlayListWgt panel;
    QSignalSpy removeAll(&panel, &QLibraryPlayListWgt::emitRemoveAllPlayLists);
    bool yes = false;
    QLibraryQuestions::setAnswerer([&](const QString &) { return yes ? 1 : 0; });
    panel.OnActDeleteAllLists();
    QCOMPARE(panel.entryCount(), 7);
    QCOMPARE(removeAll.count(), 0);
    yes = true;
    panel.OnSetPlayingList(panel.entryAt(6)->itemId());
    QCOMPARE(panel.playingEntry(), panel.entryAt(6));
    panel.OnActDeleteAllLists();
    QCOMPARE(removeAll.count(), 1);
    QCOMPARE(panel.entryCount(), 5);
    QVERIFY(!panel.playingEntry());
    QCOMPARE(namesOnDisk(), QStringList());
    QCOMPARE(panel.tableView()->currentIndex().row(), 1);
}

void TestLibraryPanel::menusFollowTheEntry()
{
    writePlaylists({"Road"});
    QLibraryPlayListWgt panel;
    showPanel(panel, 400);
    QLibraryTableView *view = panel.tableView();
    auto centre = [&](int row) { return view->visualRect(view->model()->index(row, 0)).center(); };
    auto enabled = [](QJXMenu *menu, const QString &text) {
        for (QAction *a : menu->actions())
            if (a->text() == text)
                return a->isEnabled();
        return false;
    };
    QVERIFY(!panel.menuFor(centre(0)));
    QVERIFY(!panel.menuFor(centre(3)));
    QJXMenu *fixed = panel.menuFor(centre(1));
    QCOMPARE(fixed, panel.fixedListMenu());
    QCOMPARE(fixed->actions().size(), 1);
    QVERIFY(!enabled(fixed, "Play")); // nothing to play yet
    QAudioFileChunk row;
    panel.entryAt(1)->AddAudioChunk(&row);
    QVERIFY(enabled(panel.menuFor(centre(1)), "Play"));
    panel.SetIsRecording(true);
    QVERIFY(!enabled(panel.menuFor(centre(1)), "Play"));
    panel.SetIsRecording(false);
    panel.entryAt(1)->SetAudioDatasList({});

    QJXMenu *playlist = panel.menuFor(centre(5));
    QCOMPARE(playlist, panel.playListMenu());
    QVERIFY(enabled(playlist, "Rename"));
    QVERIFY(enabled(playlist, "&Delete"));
    // Below the rows only a new playlist can be made.
    QJXMenu *empty = panel.menuFor(QPoint(10, view->viewport()->height() - 3));
    QCOMPARE(empty, panel.playListMenu());
    QVERIFY(!enabled(empty, "Play"));
    QVERIFY(!enabled(empty, "Rename"));
    QVERIFY(!enabled(empty, "&Delete"));
    QVERIFY(enabled(empty, "Add New Playist"));
}

void TestLibraryPanel::playingMarkAndCurrentList()
{
    writePlaylists({"Road"});
    QLibraryPlayListWgt panel;
    QSignalSpy play(&panel, &QLibraryPlayListWgt::emitPlayingLibChunk);
    panel.OnSetPlayingList(panel.entryAt(5)->itemId());
    QVERIFY(panel.entryAt(5)->GetIsPlaying());
    panel.OnSetPlayingList(panel.entryAt(1)->itemId());
    QVERIFY(!panel.entryAt(5)->GetIsPlaying());
    QVERIFY(panel.entryAt(1)->GetIsPlaying());
    // Null keeps the pointer but clears its mark; an unknown entry is ignored.
    QLibraryChunk stranger;
    panel.OnSetPlayingList(stranger.itemId());
    QVERIFY(!stranger.GetIsPlaying());
    QCOMPARE(panel.playingEntry(), panel.entryAt(1));
    panel.OnFinishPlayList();
    QVERIFY(!panel.playingEntry());
    QVERIFY(!panel.entryAt(1)->GetIsPlaying());
    QCOMPARE(play.count(), 0);
}

void TestLibraryPanel::dropsOfRecordingsOntoPlaylists()
{
    writePlaylists({"Road"});
    QLibraryPlayListWgt panel;
    showPanel(panel, 400);
    QLibraryTableView *view = panel.tableView();
    QSignalSpy added(&panel, &QLibraryPlayListWgt::emitAddAudioToList);

    QAudioFileChunk a, b, c, stranger;
    StandInLibrary library;
    library.rows = {&a, &b, &c};

    // Our own drag naming three rows of the library, in selection order.
    QAudioFileMimeData ours({c.itemId(), a.itemId(), b.itemId()}, &library);
    QVERIFY(dragOnto(view, 5, &ours));
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.at(0).at(0).toString(), QString("Road"));
    QCOMPARE(added.at(0).at(1).value<QList<quint64>>(), QList<quint64>({c.itemId(), a.itemId(), b.itemId()}));
    QVERIFY(!view->isDragging());

    // Fixed lists, headers, spacer and the space below refuse it.
    for (int row : {0, 1, 2, 3, 4})
        QVERIFY(!dragOnto(view, row, &ours));
    QCOMPARE(added.count(), 1);

    // Foreign data with our mime type and real ids is refused at once.
    QMimeData foreign;
    foreign.setData("image/audio_file", QAudioFileMimeData::encodeIds({a.itemId()}));
    QVERIFY(!dragOnto(view, 5, &foreign));
    QMimeData text;
    text.setText("hello");
    QVERIFY(!dragOnto(view, 5, &text));

    // A row the library does not hold, or a number that is no row at all.
    QAudioFileMimeData unknown({a.itemId(), stranger.itemId()}, &library);
    dragOnto(view, 5, &unknown);
    QAudioFileMimeData bogus(QList<quint64>(), &library);
    bogus.setData("image/audio_file", QAudioFileMimeData::encodeIds({0x10, 0xdeadbeef}) + "abc");
    dragOnto(view, 5, &bogus);
    QCOMPARE(added.count(), 1);
    QCOMPARE(QAudioFileMimeData::decodeIds(bogus.data("image/audio_file")),
             QList<quint64>({0x10, 0xdeadbeef}));

    // The recordings view writes the selected rows in the order they were selected.
    std::vector<IBaseChunk *> rows = {&a, &b, &c};
    QBaseDetailsModel model;
    model.setHeaderList({"", "Name"});
    model.setDatas(&rows);
    model.refresh();
    QAudioFileTableView source;
    source.setModel(&model);
    source.setLibraryMembership(&library);
    source.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    source.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> fromView(source.selectionMimeData());
    QVERIFY(fromView);
    QCOMPARE(fromView->formats(), QStringList({"image/audio_file"}));
    QCOMPARE(fromView->data("image/audio_file").size(), 16);
    QVERIFY(dragOnto(view, 5, fromView.get()));
    QCOMPARE(added.count(), 2);
    QCOMPARE(added.at(1).at(1).value<QList<quint64>>(), QList<quint64>({c.itemId(), a.itemId()}));

    // Nothing is dropped on the recordings view.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(source.viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    source.setModel(nullptr);
}

void TestLibraryPanel::screenshotWithPlaylists()
{
    writePlaylists({"Road trip", "Night sessions with a very long playlist name", "Demos"});
    QLibraryPlayListWgt panel;
    showPanel(panel, 320);
    panel.SetTBViewCurrentIndex(1);
    panel.OnSetPlayingList(panel.entryAt(6)->itemId());
    QVERIFY(!TestSupport::saveScreenshot(&panel, "library_panel").isEmpty());
    // Something is drawn: the selected row differs from the panel's background.
    const QImage shot = panel.grab().toImage();
    const QRect all = panel.tableView()->visualRect(panel.tableView()->model()->index(1, 0));
    QVERIFY(shot.pixelColor(all.center() + panel.tableView()->viewport()->pos()) != QColor(31, 31, 31));
}

QTEST_MAIN(TestLibraryPanel)
#include "tst_panel.moc"
