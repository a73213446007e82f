// Random sequences of everything that changes the library: recordings that
// start, get recognised tags, finish or are discarded; rows removed or
// deleted from every entry by button, menu, key, all selected at once or
// "Delete All" (the files deleted on a worker, another step perhaps coming
// before they are back); renames;
// playlists created, renamed, deleted one by one or all at once; rows
// dropped on playlists, and dragged there through the views while rows go
// or come (a drop naming a row that went adds nothing); play, pause, next
// and the end of the play list;
// switching entries; searching; segment files added. After every step the
// library must agree with itself: History.xml, CustomedLists.xml, the
// master rows, the rows of the shown entry, the info line and the play state.
//
// Seeded: VELMORA_RANDOM_SEED sets the first sequence's seed (sequence i
// uses seed + i), VELMORA_RANDOM_SEQUENCES and VELMORA_RANDOM_STEPS the
// amount. A failure prints the sequence's seed and its steps; replay it with
// VELMORA_RANDOM_SEED=<seed> VELMORA_RANDOM_SEQUENCES=1. VELMORA_RANDOM_TRACE=1
// prints each step before it runs (for a crash).

#include "libraryfixture.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/libraryitemids.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemimedata.h"
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

#include <QDir>
#include <QDomDocument>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_SANITIZED 1
#endif
#endif

using namespace LibraryFixture;

namespace {

#ifdef VELMORA_SANITIZED
constexpr int kDefaultSequences = 120;
#else
constexpr int kDefaultSequences = 300;
#endif
constexpr int kDefaultSteps = 40;
constexpr quint32 kDefaultSeed = 20261207;

// What a crash prints: the running sequence's seed and steps, kept ready so
// that the signal handler only writes it out.
QByteArray g_replay;
struct sigaction g_previous[32];

void onFatalSignal(int sig)
{
    const ssize_t written = ::write(STDERR_FILENO, g_replay.constData(), size_t(g_replay.size()));
    Q_UNUSED(written)
    sigaction(sig, &g_previous[sig], nullptr);
    raise(sig);
}

void catchFatalSignals()
{
    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        sigaction(sig, &action, &g_previous[sig]);
}

void releaseFatalSignals()
{
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        sigaction(sig, &g_previous[sig], nullptr);
}

QString replayText(quint32 seed, const QStringList &steps)
{
    return QString("seed %1 (replay with VELMORA_RANDOM_SEED=%1 VELMORA_RANDOM_SEQUENCES=1):\n  %2\n")
        .arg(seed)
        .arg(steps.join("\n  "));
}

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

QAudioFileChunk *asRow(IBaseChunk *item)
{
    return dynamic_cast<QAudioFileChunk *>(item);
}

// The item is alive: its id still names it. A freed one is read here, which
// the sanitizer build reports at once.
bool alive(IBaseChunk *item)
{
    return LibraryItemIds::find(static_cast<QAudioFileChunk *>(item)->itemId()) == item;
}

bool alive(QLibraryChunk *entry)
{
    return LibraryItemIds::find(entry->itemId()) == entry;
}

// History.xml as the file holds it once the saves made so far are written:
// path -> playlist names.
QMap<QString, QStringList> historyOnDisk()
{
    QMap<QString, QStringList> records;
    QDomDocument doc;
    if (!QVideoSettingXml::waitForHistory())
        return records;
    QFile file(QVideoSettingXml::historyFilePath());
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
        return records;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        QStringList names;
        for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            if (c.tagName() != "CONVERTED_INFO_")
                for (int i = 0; i < c.attributes().count(); ++i)
                    names << c.attributes().item(i).toAttr().value();
        records.insert(e.attribute("Converted_path_"), names);
    }
    return records;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList namesOf(QAudioFileChunk *row)
{
    QStringList names;
    for (const std::string &name : row->GetListsBelong())
        names << QString::fromStdString(name);
    return names;
}

// The playback bar as the table sees it: the play list and its file.
struct PlayBar
{
    QStringList list;
    QString current;
    void connectTo(QFileListWgt &table)
    {
        QObject::connect(table.playback(), &QLibraryPlayback::emitPlayFilePathList,
                         [this](const QPlayListPaths &l) { list = l.toStringList(); });
        QObject::connect(table.playback(), &QLibraryPlayback::emitPlayingFilePath,
                         [this](QString p) { current = p; });
        QObject::connect(table.deletion(), &QLibraryDeletion::emitRemovePlayFiles, [this](QStringList paths) {
            for (const QString &p : paths)
                list.removeAll(p);
            if (paths.contains(current))
                current = list.value(0);
        });
        const auto removeAll = [this] {
            list.clear();
            current.clear();
        };
        QObject::connect(table.deletion(), &QLibraryDeletion::emitRemoveAllPlayFiles, removeAll);
        QObject::connect(table.membership(), &QPlaylistMembership::emitRemoveAllPlayFiles, removeAll);
        const auto append = [this](QStringList paths) { list << paths; };
        QObject::connect(table.membership(), &QPlaylistMembership::emitAppendPlayFiles, append);
        QObject::connect(table.recordings(), &QRecordingRows::emitAppendPlayFiles, append);
        QObject::connect(
            table.renaming(), &QLibraryRenaming::emitRenameAudioFile, [this](QString from, QString to) {
                list.replaceInStrings(QRegularExpression("^" + QRegularExpression::escape(from) + "$"), to);
                if (current == from)
                    current = to;
            });
    }
};

} // namespace

class TestLibraryRandom : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void randomSequences();

private:
    struct Run;
    QTemporaryDir m_dir;
    QString m_template;
    QString m_container;
    int m_answer = 0;
};

struct TestLibraryRandom::Run
{
    TestLibraryRandom &test;
    QRandomGenerator rng;
    QString out;
    Library lib;
    PlayBar bar;
    QStringList steps;
    quint32 seed = 0;
    int serial = 0;
    QString recordingPath; // where the running recording is written
    bool trace = false;

    Run(TestLibraryRandom &t, quint32 firstSeed, const QString &folder)
        : test(t), rng(firstSeed), out(folder), seed(firstSeed)
    {
        bar.connectTo(lib.table);
        trace = qEnvironmentVariableIsSet("VELMORA_RANDOM_TRACE");
        // On screen, so that a drop finds the playlist under it.
        lib.panel.resize(243, 600);
        lib.panel.show();
    }

    int pick(int n) { return n > 0 ? int(rng.bounded(quint32(n))) : 0; }
    template <class T> T pickOf(const QList<T> &list) { return list.at(pick(list.size())); }

    void log(const QString &step)
    {
        steps << step;
        g_replay = ("\nThe library crashed in step " + QString::number(steps.size()) + " of "
                    + replayText(seed, steps)).toUtf8();
        if (trace)
            qDebug().noquote() << "step" << steps.size() << step;
    }

    QString newFile(const QString &prefix)
    {
        const QString path = QStringLiteral("%1/%2_%3.mp3").arg(out, prefix).arg(++serial);
        QFile::copy(test.m_template, path);
        return path;
    }

    QList<int> shownRowNumbers() const
    {
        QList<int> rows;
        for (int r = 0; r < lib.table.sortModel()->rowCount(); ++r)
            rows << r;
        return rows;
    }

    QList<int> playlistRows() const
    {
        QList<int> rows;
        for (int r = 5; r < lib.panel.entryCount(); ++r)
            rows << r;
        return rows;
    }

    QString nameAt(int row) const
    {
        return lib.table.sortModel()->index(row, QAudioFileModel::ColumnName).data().toString();
    }

    void answer(int a) { test.m_answer = a; }

    // What a drop left wrong; empty when it did what it should.
    QString dropBroken;

    // The panel's row of a playlist; -1 when there is none.
    int panelRowOf(const QString &title) const
    {
        for (int r = 5; r < lib.panel.entryCount(); ++r)
            if (QString::fromStdString(lib.panel.entryAt(r)->GetTitle()) == title)
                return r;
        return -1;
    }

    // Shown rows dragged from the table onto a playlist. A drag runs its
    // own event loop: meanwhile a dragged row may be deleted, its copy made
    // again (another entry shown), or a new row made where it was. A drop
    // whose rows are all still there adds them; one that names a row gone
    // adds nothing at all.
    void drag()
    {
        QFileListWgt &table = lib.table;
        const QList<int> lists = playlistRows();
        const QList<int> shown = shownRowNumbers();
        if (lists.isEmpty() || shown.isEmpty())
            return;
        QAudioFileTableView *view = table.tableView();
        view->clearSelection();
        QStringList names;
        for (int n = 1 + pick(3); n > 0; --n) {
            const int row = pickOf(shown);
            view->selectionModel()->select(table.sortModel()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
            names << nameAt(row);
        }
        std::unique_ptr<QMimeData> data(view->selectionMimeData());
        if (!data)
            return;
        const QList<quint64> ids = QAudioFileMimeData::decodeIds(data->data(QAudioFileMimeData::kMimeType));
        const QString title = QString::fromStdString(lib.panel.entryAt(pickOf(lists))->GetTitle());
        const int meanwhile = pick(4);
        const int row = pickOf(shown);
        const int a = 1 + pick(2);
        log(QString("drag %1 onto %2; meanwhile %3")
                .arg(names.join(','), title)
                .arg(meanwhile == 1   ? QString("delete button on %1, answer %2").arg(nameAt(row)).arg(a)
                     : meanwhile == 2 ? QString("Latest Recordings shown")
                     : meanwhile == 3 ? QString("a segment added")
                                      : QString("nothing")));
        switch (meanwhile) {
        case 1:
            answer(a);
            table.deletion()->OnDeleteItem(table.sortModel()->index(row, 7));
            break;
        case 2:
            lib.panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowLatest);
            break;
        case 3:
            table.recordings()->AddAudioFile(newFile("cut"), false);
            break;
        default:
            break;
        }
        bool allThere = true;
        QStringList paths;
        for (quint64 id : ids) {
            auto *r = dynamic_cast<QAudioFileChunk *>(table.rows().rowOfId(id));
            allThere = allThere && r;
            if (r)
                paths << QString::fromStdString(r->GetFilePath());
        }
        // The store's playlists of every recording, before the drop.
        QMap<QString, QStringList> before;
        for (IBaseChunk *item : table.rows().all())
            if (const auto record = QVideoSettingXml::GetConvertedInfo(
                    QString::fromStdString(asRow(item)->GetFilePath())))
                before.insert(record->convertedPath, record->listNames);
        const int target = panelRowOf(title);
        if (target < 0)
            return;
        QLibraryTableView *panelView = lib.panel.tableView();
        const QPoint at = panelView->visualRect(panelView->model()->index(target, 0)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panelView->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panelView->viewport(), &move);
        if (!enter.isAccepted() || !move.isAccepted()) {
            dropBroken = "a drag of our rows onto a playlist was refused";
            return;
        }
        QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panelView->viewport(), &drop);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const auto record = QVideoSettingXml::GetConvertedInfo(it.key());
            const QStringList now = record ? record->listNames : QStringList();
            QStringList expected = it.value();
            if (allThere && paths.contains(it.key()) && !expected.contains(title))
                expected << title;
            if (sorted(now) != sorted(expected))
                dropBroken = QString("the drop (%1) left %2 in %3, not %4")
                                 .arg(allThere ? "all rows there" : "a row gone", it.key(), now.join(','),
                                      expected.join(','));
        }
    }

    // One random step; its description goes to the log first.
    void step()
    {
        QFileListWgt &table = lib.table;
        QLibraryPlayListWgt &panel = lib.panel;
        const QList<int> shown = shownRowNumbers();
        switch (pick(23)) {
        case 0: { // a recording starts
            if (table.rows().current().recordingRow())
                return;
            recordingPath = newFile("REC");
            log("start recording " + recordingPath);
            table.recordings()->AddAudioFile(recordingPath, true);
            table.recordings()->OnSetRecordingIsSilent(true);
            break;
        }
        case 1: { // tags recognised for it
            if (!table.rows().current().recordingRow())
                return;
            JXRecognizerAudioTagInfo tags;
            tags.title = pickOf<QString>({"Song", "Tune", "a.b", "Song(1)"}).toUtf8();
            tags.artist = "Band";
            log("recognised " + QString::fromUtf8(tags.title));
            table.recordings()->OnSetRecordingTagInfo(tags);
            break;
        }
        case 2:
        case 3: { // the recording stops: the recorder writes its record, the row completes
            if (!table.rows().current().recordingRow())
                return;
            const bool keep = pick(4) != 0;
            log(QString("stop recording, keep %1").arg(keep));
            convertedInfo info = record(recordingPath, "07-12-2026 10:00", true);
            info.size = QIAnyUtil::size2String(quint64(QFileInfo(recordingPath).size()));
            info.format = test.m_container;
            QVideoSettingXml::SaveConvertedInfo(info);
            table.recordings()->SupplyRecordingChunkInfo(info, keep);
            panel.SetTBViewCurrentIndex(QLibraryPlayListWgt::RowAll);
            break;
        }
        case 4: { // a row's own Delete button
            if (shown.isEmpty())
                return;
            const int row = pickOf(shown);
            const int a = pick(3);
            log(QString("delete button on %1, answer %2").arg(nameAt(row)).arg(a));
            answer(a);
            table.deletion()->OnDeleteItem(table.sortModel()->index(row, 7));
            break;
        }
        case 5: { // selected rows: the menu's Delete or the Delete key
            if (shown.isEmpty())
                return;
            table.tableView()->clearSelection();
            QStringList names;
            for (int n = 1 + pick(3); n > 0; --n) {
                const int row = pickOf(shown);
                table.tableView()->selectionModel()->select(
                    table.sortModel()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
                names << nameAt(row);
            }
            const int a = pick(3);
            const bool key = pick(2);
            log(QString("%1 on %2, answer %3").arg(key ? "Delete key" : "menu Delete", names.join(',')).arg(a));
            answer(a);
            if (key)
                QTest::keyRelease(&table, Qt::Key_Delete);
            else
                table.deletion()->OnActDeleteFile();
            break;
        }
        case 6: { // "Delete All" of the shown entry
            const int a = pick(3);
            log(QString("table Delete All, answer %1").arg(a));
            answer(a);
            table.deletion()->OnActDeleteAllFiles();
            break;
        }
        case 7: { // rename a row
            if (shown.isEmpty())
                return;
            const int row = pickOf(shown);
            const QString title = pickOf<QString>({"song", "song(1)", "a.b", "tune", "REC_1", nameAt(row)});
            log(QString("rename %1 to %2").arg(nameAt(row), title));
            table.renaming()->OnRenameFile(table.sortModel()->index(row, QAudioFileModel::ColumnName), title);
            break;
        }
        case 8: {
            log("new playlist");
            panel.OnAddNewList();
            break;
        }
        case 9: { // rename a playlist
            const QList<int> lists = playlistRows();
            if (lists.isEmpty())
                return;
            const int row = pickOf(lists);
            const QString title = pickOf<QString>({"Road", "Night", "All Recordings", "Road(1)", "x.y"});
            log(QString("rename playlist %1 to %2").arg(QString::fromStdString(panel.entryAt(row)->GetTitle()), title));
            panel.OnRename(panel.tableView()->model()->index(row, 0), title);
            break;
        }
        case 10: { // delete a playlist by the Delete key
            const QList<int> lists = playlistRows();
            if (lists.isEmpty())
                return;
            const int row = pickOf(lists);
            const int a = pick(3);
            log(QString("delete playlist %1, answer %2").arg(QString::fromStdString(panel.entryAt(row)->GetTitle())).arg(a));
            panel.SetTBViewCurrentIndex(row);
            answer(a);
            QTest::keyRelease(&panel, Qt::Key_Delete);
            break;
        }
        case 11: {
            if (pick(3))
                return;
            log("delete all playlists");
            answer(1);
            panel.OnActDeleteAllLists();
            break;
        }
        case 12: { // shown rows dropped on a playlist
            const QList<int> lists = playlistRows();
            if (lists.isEmpty() || shown.isEmpty())
                return;
            const int target = pickOf(lists);
            QList<quint64> rows;
            QStringList names;
            for (int n = 1 + pick(3); n > 0; --n) {
                const int row = pickOf(shown);
                rows << QAudioFileModel::rowItem(table.sortModel()->index(row, 0))->itemId();
                names << nameAt(row);
            }
            const QString title = QString::fromStdString(panel.entryAt(target)->GetTitle());
            log(QString("drop %1 on %2").arg(names.join(','), title));
            emit panel.emitAddAudioToList(title, rows);
            break;
        }
        case 13: { // play a row, or the shown entry
            if (shown.isEmpty())
                return;
            if (pick(2)) {
                const int row = pickOf(shown);
                log("play " + nameAt(row));
                table.playback()->OnPlayItem(table.sortModel()->index(row, 1));
            } else if (QLibraryChunk *entry = table.rows().current().shownEntry()) {
                log("play entry " + QString::fromStdString(entry->GetTitle()));
                if (QLibraryChunk *old = panel.playingEntry())
                    old->SetIsPlaying(false);
                entry->SetIsPlaying(true);
                emit panel.emitPlayingLibChunk(entry->itemId());
            }
            break;
        }
        case 14: { // the bar pauses, resumes, moves on or ends
            const int what = pick(4);
            if (what < 2) {
                log(QString("bar %1").arg(what ? "plays" : "pauses"));
                table.playback()->OnSetPlayOrPauseState(what == 1);
            } else if (what == 2 && !bar.list.isEmpty()) {
                const QString next = bar.list.at((bar.list.indexOf(bar.current) + 1) % bar.list.size());
                log("bar moves on to " + next);
                bar.current = next;
                table.playback()->OnChangPlayingFile(next);
            } else {
                log("bar reaches the end");
                table.playback()->OnFinishPlayList();
                panel.OnFinishPlayList();
            }
            break;
        }
        case 15:
        case 16: { // switch entry
            QList<int> rows{QLibraryPlayListWgt::RowAll, QLibraryPlayListWgt::RowLatest};
            rows << playlistRows();
            const int row = pickOf(rows);
            log("show " + QString::fromStdString(panel.entryAt(row)->GetTitle()));
            panel.SetTBViewCurrentIndex(row);
            break;
        }
        case 17: {
            const QString text = pickOf<QString>({"", "", "song", "REC", "(", "a.b", "x"});
            log("search '" + text + "'");
            table.searchEdit()->setText(text);
            break;
        }
        case 18: { // a segment file from the editor joins the shown entry
            const QString path = newFile("cut");
            log("segment added " + path);
            table.recordings()->AddAudioFile(path, false);
            break;
        }
        case 19:
        case 20:
            drag();
            break;
        case 22: { // every shown row selected, then Remove or Delete in one go
            if (shown.isEmpty())
                return;
            const int a = pick(3);
            log(QString("select all, Delete key, answer %1").arg(a));
            answer(a);
            table.tableView()->selectAll();
            QTest::keyRelease(&table, Qt::Key_Delete);
            break;
        }
        default: { // a finished file, with its own record, dropped on a list later
            if (table.rows().current().recordingRow() || pick(2))
                return;
            log("row re-clicked");
            if (!shown.isEmpty())
                table.tableView()->clicked(table.sortModel()->index(pickOf(shown), 1));
            break;
        }
        }
    }

    // What must hold after every step; empty when it does.
    QString check()
    {
        if (!dropBroken.isEmpty())
            return std::exchange(dropBroken, QString());
        const QFileListWgt &table = lib.table;
        const QLibraryPlayListWgt &panel = lib.panel;
        QSet<IBaseChunk *> master;
        QMap<QString, QAudioFileChunk *> masterByPath;
        for (IBaseChunk *item : table.rows().all()) {
            if (!alive(item))
                return "a master row is freed";
            if (master.contains(item))
                return "a master row is listed twice";
            master.insert(item);
            QAudioFileChunk *row = asRow(item);
            if (row != table.rows().current().recordingRow() && !row->isDeleted())
                masterByPath.insert(QString::fromStdString(row->GetFilePath()), row);
        }
        for (IBaseChunk *item : table.rows().shown())
            if (!alive(item))
                return "a shown row is freed";
        // The rows' index agrees with the lists: each listed row is held by
        // its id, and each recording's master row is found by its path.
        for (const std::vector<IBaseChunk *> *rows : {&table.rows().all(), &table.rows().shown()})
            for (IBaseChunk *item : *rows)
                if (table.rows().rowOfId(asRow(item)->itemId()) != item)
                    return "a listed row is not found by its id: "
                           + QString::fromStdString(asRow(item)->GetFilePath());
        for (auto it = masterByPath.cbegin(); it != masterByPath.cend(); ++it) {
            QAudioFileChunk *found = table.rows().masterOf(it.key().toStdString());
            if (!found || !master.contains(found) || found->isDeleted()
                || QString::fromStdString(found->GetFilePath()) != it.key())
                return "the master row of " + it.key() + " is not found by its path";
        }

        // Every entry holds live rows only; "All Recordings" holds the master rows.
        for (int r = 0; r < panel.entryCount(); ++r) {
            QLibraryChunk *entry = panel.entryAt(r);
            for (IBaseChunk *item : entry->GetAudioDatasList()) {
                if (!alive(item))
                    return "entry " + QString::fromStdString(entry->GetTitle()) + " holds a freed row";
                if (r == QLibraryPlayListWgt::RowAll && !master.contains(item))
                    return "All Recordings holds a row that is no master row";
            }
        }

        // The history as the store hands it out holds every change at once,
        // while the file is still being written.
        for (auto it = masterByPath.cbegin(); it != masterByPath.cend(); ++it) {
            if (!QFile::exists(it.key()))
                return "a listed recording has no file: " + it.key();
            if (it.value()->GetFileBytes() != QFileInfo(it.key()).size())
                return "byte count of " + it.key();
            const std::optional<convertedInfo> stored = QVideoSettingXml::GetConvertedInfo(it.key());
            if (!stored)
                return "the store has no record of " + it.key();
            if (sorted(stored->listNames) != sorted(namesOf(it.value())))
                return QString("playlists of %1: the store %2, row %3")
                    .arg(it.key(), stored->listNames.join(','), namesOf(it.value()).join(','));
        }

        // History.xml: one record per listed recording, with its playlists.
        // Looked at every third step, so that saves pile up behind a write
        // in between; the newest of them must be what the file ends with.
        if (steps.size() % 3 == 0) {
            const QMap<QString, QStringList> history = historyOnDisk();
            if (QSet<QString>(history.keyBegin(), history.keyEnd())
                != QSet<QString>(masterByPath.keyBegin(), masterByPath.keyEnd()))
                return QString("History.xml lists %1, the library %2")
                    .arg(sorted(history.keys()).join(','), sorted(masterByPath.keys()).join(','));
            for (auto it = masterByPath.cbegin(); it != masterByPath.cend(); ++it)
                if (sorted(history.value(it.key())) != sorted(namesOf(it.value())))
                    return QString("playlists of %1: History.xml %2, row %3")
                        .arg(it.key(), history.value(it.key()).join(','), namesOf(it.value()).join(','));
        }

        // CustomedLists.xml: the panel's playlists, in order.
        QStringList lists;
        for (int r = 5; r < panel.entryCount(); ++r)
            lists << QString::fromStdString(panel.entryAt(r)->GetTitle());
        if (QVideoSettingXml::GetAllPlayLists() != lists)
            return QString("playlists file %1, panel %2").arg(QVideoSettingXml::GetAllPlayLists().join(','), lists.join(','));
        if (lists.size() != QSet<QString>(lists.begin(), lists.end()).size())
            return "two playlists share a name";

        // The shown rows belong to the shown entry.
        if (QLibraryChunk *entry = table.rows().current().shownEntry()) {
            const QString title = QString::fromStdString(entry->GetTitle());
            for (IBaseChunk *item : table.rows().shown()) {
                QAudioFileChunk *row = asRow(item);
                const QString path = QString::fromStdString(row->GetFilePath());
                if (row == table.rows().current().recordingRow())
                    continue;
                if (title == "All Recordings") {
                    if (!master.contains(item))
                        return "All Recordings shows a row that is no master row";
                    continue;
                }
                QAudioFileChunk *own = masterByPath.value(path);
                if (!own)
                    return title + " shows a recording the library does not list: " + path;
                if (title == "Latest Recordings" && !own->isNewAdd())
                    return "Latest Recordings shows an old recording: " + path;
                if (entry->GetListType() == QLibraryChunk::ListCustom && !namesOf(own).contains(title))
                    return title + " shows a recording it does not hold: " + path;
            }
        }

        // The info line adds up the rows shown.
        qint64 bytes = 0, seconds = 0;
        const int count = table.sortModel()->rowCount();
        for (int r = 0; r < count; ++r) {
            QAudioFileChunk *row = QAudioFileModel::rowItem(table.sortModel()->index(r, 0));
            bytes += row->GetFileBytes();
            seconds += LibraryTexts::secondsFromText(QString::fromStdString(row->getPlayTime()));
        }
        const QString info = QString("%1 Audios, %2, %3")
                                 .arg(count)
                                 .arg(LibraryTexts::sizeText(bytes), LibraryTexts::timeText(seconds));
        if (table.infoLabel()->text() != info)
            return QString("info line '%1', rows '%2'").arg(table.infoLabel()->text(), info);

        // Play state: only the playing row plays or pauses.
        QAudioFileChunk *playing = table.rows().current().playingRow();
        for (const std::vector<IBaseChunk *> *rows : {&table.rows().all(), &table.rows().shown()})
            for (IBaseChunk *item : *rows) {
                const auto state = asRow(item)->GetAudioState();
                if ((state == QAudioFileChunk::AudioPlaying || state == QAudioFileChunk::AudioPause)
                    && item != playing)
                    return "a row plays that is not the playing row: "
                           + QString::fromStdString(asRow(item)->GetFilePath());
            }
        if (playing) {
            if (!table.rows().current().playingEntry())
                return "a playing row without a playing entry";
            const std::vector<IBaseChunk *> rows = table.rows().current().playingEntry()->GetAudioDatasList();
            if (std::find(rows.begin(), rows.end(), playing) == rows.end())
                return "the playing row is not in the playing entry";
        }
        if (panel.playingEntry() && !alive(panel.playingEntry()))
            return "the panel's playing entry is freed";
        if (QAudioFileChunk *recording = table.rows().current().recordingRow()) {
            if (!master.contains(recording) || recording->GetAudioState() != QAudioFileChunk::AudioRecording)
                return "the running recording's row is lost";
        }
        return QString();
    }
};

void TestLibraryRandom::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &) { return m_answer; });
    m_template = tone(m_dir.path(), "template", "mp3", 1.0);
    QVERIFY(!m_template.isEmpty());
    m_container = QRecordingProbe::containerName(m_template);
}

void TestLibraryRandom::randomSequences()
{
    const quint32 seed = quint32(envInt("VELMORA_RANDOM_SEED", int(kDefaultSeed)));
    const int sequences = envInt("VELMORA_RANDOM_SEQUENCES", kDefaultSequences);
    const int length = envInt("VELMORA_RANDOM_STEPS", kDefaultSteps);
    QElapsedTimer clock;
    clock.start();
    catchFatalSignals();
    int total = 0;
    for (int s = 0; s < sequences; ++s) {
        const quint32 sequenceSeed = seed + quint32(s);
        const QString out = freshLibrary(m_dir.filePath("out"));
        QVideoSettingXml::AppendPlayList("Road");
        auto run = std::make_unique<Run>(*this, sequenceSeed, out);
        if (run->trace)
            qDebug() << "sequence seed" << sequenceSeed;
        for (int i = 0; i < length; ++i) {
            const int before = run->steps.size();
            run->step();
            if (run->steps.size() == before)
                continue; // nothing to do there
            // Files being deleted come back later: another step may come first.
            if (run->lib.table.deletion()->isDeleting() && run->pick(2)) {
                run->log("meanwhile:");
                run->step();
            }
            if (!run->lib.deletionsDone()) {
                releaseFatalSignals();
                QFAIL(qPrintable("a deletion never came back\nafter step " + QString::number(run->steps.size())
                                 + " of " + replayText(sequenceSeed, run->steps)));
            }
            ++total;
            const QString broken = run->check();
            if (!broken.isEmpty()) {
                releaseFatalSignals();
                QFAIL(qPrintable(QString("%1\nafter step %2 of ").arg(broken).arg(run->steps.size())
                                 + replayText(sequenceSeed, run->steps)));
            }
        }
    }
    releaseFatalSignals();
    qInfo("%d steps in %d sequences from seed %u in %lld ms", total, sequences, seed, clock.elapsed());
    QVERIFY(total > sequences * length / 2);
}

QTEST_MAIN(TestLibraryRandom)
#include "tst_random.moc"
