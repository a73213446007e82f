// The GUI thread's longest stall in each step a user takes, in the real main
// window over a large library whose every record has a real file (hard links
// of one short MP3): start, record start, recognised tags, a stop whose tags
// are written into the file, play a row (double click), seek, next track,
// pause, the editor on a real one-hour file (until its file is read), a cut
// converted there, the editor again, rename in the table, switching
// entries, a ten-letter search typed a key at a time, sorting by every
// column both ways (header clicks), deleting 1 and 1,000 selected rows, and
// removing 1,000 rows from a playlist. The steps are taken through the
// window's widgets as a user takes them (QTest clicks and keys, the
// question answered on its button); what cannot be reached so is in
// namespace Reach below.
//
// The stall is measured from outside the GUI thread's event loop (see
// guiping.h): a thread of the benchmark posts an event every 15 ms, and on
// X another X client sends the window _NET_WM_PING every 15 ms, as a window
// manager does; a step's stall is the longest either stayed unanswered from
// the step's action until it had completed and settled. Deleting or
// removing rows is complete once the rows are gone from the table, the
// files gone from the disk (when deleted) and History.xml says so, as read
// by a thread of the benchmark; its time is printed too. Target: under 50 ms
// each (the exit status is 1 when a step is over, 2 when one did not
// complete).
//
// Run it with a sound server and a display, e.g. through the tests' runner:
//   tests/support/run-test.sh --sound --xvfb -- build/bin/bench_app_guistall
//   bench_app_guistall [--records N] [--pause-ms P] [--ping-ms I] [--repair-minutes M] [--slow-read-ms R]
//                      [--only start]
// --records 10000 runs the smaller library (100,000 by default). --pause-ms
// leaves P ms between the steps (2500 lets the history store's check of a
// file it wrote a moment ago pass before the next step). --ping-ms pings
// every I ms instead of 15. --slow-read-ms makes every read of the played
// file take R ms longer (a slow disk, injected into the player's thread) for
// the play and seek steps. The killed recording, the one-hour file and the
// short MP3 are made once with the ffmpeg tool and kept in the temporary
// folder. --only start takes the two start steps alone (a run in a fraction
// of the time, to repeat the start many times).
#include "appfixture.h"
#include "guiping.h"
#include "historyfile.h"
#include "testsupport.h"

#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/selectrecordinputwgt.h"
#include "editor/qvideoeditingdlg.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryediting.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibrarytableview.h"
#include "library/qaudiofiletableview.h"
#include "media/jxrecognizeraudiotaginfo.h"
#include "player/playerengine.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>
#include <unordered_set>

namespace {

const QString kPlaylist = QStringLiteral("Fifths");

// ---- files made once ---------------------------------------------------------

// Runs the ffmpeg tool to make `cached` once (through a part file).
bool madeOnce(const QString &cached, const QString &what, QStringList args)
{
    if (QFileInfo::exists(cached))
        return true;
    std::printf("making %s once (%s)...\n", qPrintable(what), qPrintable(cached));
    std::fflush(stdout);
    const QString part = cached + QStringLiteral(".part.") + QFileInfo(cached).suffix();
    args = QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} + args
           + QStringList{part};
    return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0 && QFile::rename(part, cached);
}

QString copied(const QString &cached, const QString &path)
{
    QFile::remove(path);
    return QFile::copy(cached, path) ? path : QString();
}

// A recording of `minutes` killed while recorded into a fragmented M4A, as
// the recorder leaves it.
QString killedRecording(const QString &folder, int minutes)
{
    const QString cached = QDir::temp().filePath(
        QStringLiteral("velmora-guistall-killed-%1min.m4a").arg(minutes));
    if (!madeOnce(cached, QStringLiteral("a killed %1-minute recording").arg(minutes),
                  {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=f=440:r=44100"), QStringLiteral("-t"), QString::number(minutes * 60),
                   QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                   QStringLiteral("-b:a"), QStringLiteral("128k"), QStringLiteral("-movflags"),
                   QStringLiteral("+frag_keyframe+empty_moov+default_base_moof"),
                   QStringLiteral("-frag_duration"), QStringLiteral("1000000")}))
        return QString();
    return copied(cached, folder + QStringLiteral("REC_killed.m4a"));
}

// A real one-hour recording for the editor.
QString oneHourFile(const QString &folder)
{
    const QString cached = QDir::temp().filePath(QStringLiteral("velmora-guistall-one-hour.mp3"));
    if (!madeOnce(
            cached, QStringLiteral("a one-hour MP3"),
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("aevalsrc=0.4*sin(2*PI*(220+110*sin(2*PI*t/7))*t)|0.4*sin(2*PI*330*t):s=44100"),
             QStringLiteral("-t"), QStringLiteral("3600"), QStringLiteral("-c:a"),
             QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k")}))
        return QString();
    return copied(cached, folder + QStringLiteral("one hour session.mp3"));
}

// A short real MP3 that every record of the library is a hard link of (a
// copy where links cannot be made): each file exists, plays and can be
// deleted, and 100,000 of them take no room.
QString shortFile()
{
    const QString cached = QDir::temp().filePath(QStringLiteral("velmora-guistall-short.mp3"));
    if (!madeOnce(cached, QStringLiteral("a short MP3"),
                  {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=f=660:r=44100"), QStringLiteral("-t"), QStringLiteral("4"),
                   QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                   QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k")}))
        return QString();
    return cached;
}

// Links (or, where links cannot be made, copies) `from` to `to`; a file
// takes at most some 65,000 links, so every 50,000 links get a fresh copy
// of it (in the library's folder, made when `made` reaches a multiple).
bool linkOrCopy(const QString &from, const QString &to, int made, QString &source)
{
    if (made % 50000 == 0) {
        source = QFileInfo(to).absolutePath() + QStringLiteral("/.link-source-%1.mp3").arg(made / 50000);
        if (!QFile::copy(from, source))
            return false;
    }
    return ::link(QFile::encodeName(source).constData(), QFile::encodeName(to).constData()) == 0
           || QFile::copy(source, to);
}

// Record i of the library: one in five is on the playlist as well.
convertedInfo libraryRecord(int i, const QString &folder)
{
    convertedInfo info = BenchHistory::record(i, false, folder);
    if (i % 5 == 0)
        info.listNames << kPlaylist;
    return info;
}

bool writeLibrary(const QString &historyPath, int count, const QString &folder)
{
    const QString source = shortFile();
    QFile history(historyPath);
    if (source.isEmpty() || !history.open(QIODevice::WriteOnly))
        return false;
    QString linked;
    return BenchHistory::writeHistory(history, count, [&](int i) -> std::optional<convertedInfo> {
        convertedInfo info = libraryRecord(i, folder);
        if (!linkOrCopy(source, info.convertedPath, i, linked))
            return std::nullopt;
        return info;
    });
}

// ---- what a step waits for off the GUI thread -----------------------------------------

// Watches, on a thread of its own, that a set of recordings has left the
// disk and History.xml (Gone), or only the playlist in History.xml
// (LeftList); the GUI thread reads only the outcome.
class DiskCheck
{
public:
    enum Expect { Gone, LeftList };

    DiskCheck(const QString &historyPath, const QStringList &paths, Expect expect)
        : m_history(QFile::encodeName(historyPath))
        , m_expect(expect)
    {
        for (const QString &path : paths)
            m_paths.insert(path.toStdString());
        m_thread = std::thread([this] { run(); });
    }
    ~DiskCheck()
    {
        m_stop = true;
        m_thread.join();
    }
    bool holds() const { return m_holds; }

private:
    void run()
    {
        bool filesDone = m_expect != Gone;
        struct stat last = {};
        while (!m_stop && !m_holds) {
            if (!filesDone) {
                filesDone = std::none_of(m_paths.begin(), m_paths.end(),
                                         [](const std::string &p) { return ::access(p.c_str(), F_OK) == 0; });
            }
            struct stat now = {};
            const bool changed = ::stat(m_history.constData(), &now) == 0
                                 && (now.st_ino != last.st_ino || now.st_size != last.st_size
                                     || now.st_mtim.tv_sec != last.st_mtim.tv_sec
                                     || now.st_mtim.tv_nsec != last.st_mtim.tv_nsec);
            if (changed) {
                last = now;
                m_historyDone = historySays();
            }
            m_holds = filesDone && m_historyDone;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Whether History.xml no longer lists the recordings (Gone), or no
    // longer puts them on the playlist (LeftList).
    bool historySays() const
    {
        QFile file(QFile::decodeName(m_history));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        const QByteArray open = "<Path_item Converted_path_=\"";
        const QByteArray onList = "ListName=\"" + kPlaylist.toUtf8() + "\"";
        for (int at = bytes.indexOf(open); at >= 0; at = bytes.indexOf(open, at)) {
            at += open.size();
            const int end = bytes.indexOf('"', at);
            if (end < 0)
                return false;
            if (!m_paths.count(std::string(bytes.constData() + at, size_t(end - at))))
                continue;
            if (m_expect == Gone)
                return false;
            const int close = bytes.indexOf("</Path_item>", end);
            const int list = bytes.indexOf(onList, end);
            if (list >= 0 && (close < 0 || list < close))
                return false;
        }
        return true;
    }

    const QByteArray m_history;
    const Expect m_expect;
    std::unordered_set<std::string> m_paths;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_holds{false};
    bool m_historyDone = false;
    std::thread m_thread;
};

// ---- steps -----------------------------------------------------------------------------

struct StepResult
{
    QString name;
    double postedMs = -1;
    double windowManagerMs = -1;
    double doneMs = -1;
    // The processor time the GUI thread spent from the action to the end
    // of settling: what the stall is made of when the machine is idle.
    double guiCpuMs = -1;
    bool done = false;
};

// The calling thread's processor time in ms.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs the event loop for ms (never sleeps outside it, so the window goes on).
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &pred, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        settle(2);
    }
    return true;
}

class Steps
{
public:
    Steps(GuiPing &ping, int pauseMs)
        : m_ping(ping)
        , m_pauseMs(pauseMs)
    {
    }

    // Leaves the pause between steps, then acts and watches, from a timer of
    // the event loop (so also inside a modal dialog the action opens), until
    // done() holds or timeoutMs passes, then lets the window settle for
    // settleMs and calls then() (which may close what the action opened). The
    // step's stall is the worst ping from the action to the end of settling.
    bool run(const QString &name, const std::function<void()> &act, const std::function<bool()> &done,
             int timeoutMs = 10000, int settleMs = 300, const std::function<void()> &then = {})
    {
        if (m_pauseMs > 0 && !m_goOn)
            settle(m_pauseMs);
        m_goOn = false;
        StepResult result;
        result.name = name;
        const qint64 start = GuiPing::now();
        const double cpuAtStart = threadCpuMs();
        qint64 doneAt = -1;
        bool finished = false;
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const qint64 now = GuiPing::now();
            if (doneAt < 0 && done())
                doneAt = GuiPing::now();
            const bool timedOut = doneAt < 0 && (now - start) / 1000000 > timeoutMs;
            if (finished || !(timedOut || (doneAt >= 0 && (now - doneAt) / 1000000 >= settleMs)))
                return;
            finished = true;
            poll.stop();
            // A step that never completed leaves no dialog open behind it.
            if (timedOut)
                if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    dialog->reject();
            result.done = doneAt >= 0;
            result.doneMs = result.done ? (doneAt - start) / 1e6 : -1;
            result.postedMs = m_ping.worstMs(GuiPing::Posted, start, now);
            result.windowManagerMs = m_ping.worstMs(GuiPing::WindowManager, start, now);
            result.guiCpuMs = threadCpuMs() - cpuAtStart;
            m_results.push_back(result);
            // The step's span on the monotonic clock, for profiles taken meanwhile.
            std::printf("  %s: %s (%.3f to %.3f s)\n", qPrintable(name),
                        result.done ? "done" : "DID NOT COMPLETE", start / 1e9, now / 1e9);
            std::fflush(stdout);
            if (then)
                then();
            loop.quit();
        });
        poll.start();
        act();
        if (!finished)
            loop.exec();
        return result.done;
    }

    const QVector<StepResult> &results() const { return m_results; }
    // A step that could not be taken, as one that did not complete.
    void skip(const QString &name)
    {
        StepResult result;
        result.name = name;
        m_results.push_back(result);
        std::printf("  %s: NOT TAKEN\n", qPrintable(name));
    }
    // The next step goes on from the last one, without the pause.
    void goOn() { m_goOn = true; }

private:
    GuiPing &m_ping;
    const int m_pauseMs;
    bool m_goOn = false;
    QVector<StepResult> m_results;
};

// ---- the window as a user sees it ------------------------------------------------------

// What the steps cannot reach through widgets a user clicks, in one place:
// the recognised song is handed to the recording as the recogniser hands
// it; the editor's in-cell button is clicked by its own call (the delegate
// draws it, so it has no widget to click); the edit dialog and its
// conversion signal are read from the editing part; the player's reads are
// slowed through its test hook.
namespace Reach {

void recognise(MainWindow &window, const JXRecognizerAudioTagInfo &song)
{
    emit window.recordObject()->m_track1->emitRecognizedAudioTagInfo(song);
}

void clickEdit(MainWindow &window, const QModelIndex &index)
{
    window.recordingsTable()->rowControls().editButton()->clickWidgt(index);
}

QVideoEditingDlg *editDialog(MainWindow &window)
{
    return window.recordingsTable()->editing()->editDialog();
}

QLibraryEditing *editing(MainWindow &window)
{
    return window.recordingsTable()->editing();
}

std::atomic<int> g_slowReadMs{0};

void slowRead()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_slowReadMs.load()));
}

void slowReads(int ms)
{
    g_slowReadMs = ms;
    rz::PlayerEngine::s_readHook = ms > 0 ? slowRead : nullptr;
}

} // namespace Reach

// The recordings table and the library panel as the user sees them: rows
// by the name they show, cells to click, keys to press.
class Table
{
public:
    explicit Table(MainWindow &window)
        : m_window(window)
        , m_view(window.recordingsTable()->tableView())
    {
    }
    QTableView *view() const { return m_view; }
    QAbstractItemModel *model() const { return m_view->model(); }
    int rows() const { return model()->rowCount(); }
    QString nameAt(int row) const { return model()->index(row, kName).data().toString(); }

    // The row showing name among the first `limit` rows (all when -1), or -1.
    int rowNamed(const QString &name, int limit = 20) const
    {
        const int n = limit < 0 ? rows() : std::min(rows(), limit);
        for (int r = 0; r < n; ++r)
            if (nameAt(r) == name)
                return r;
        return -1;
    }
    // A cell of the row a click selects without starting an edit.
    QPoint cellCentre(int row)
    {
        const QModelIndex index = model()->index(row, kFormat);
        m_view->scrollTo(index);
        return m_view->visualRect(index).center();
    }
    void click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint at = cellCentre(row);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, modifiers, at);
    }
    // As the window system delivers one: a click, then the second press
    // as a double click (QTest sends that alone), then its release.
    void doubleClick(int row)
    {
        const QPoint at = cellCentre(row);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    int selectedRows() const { return m_view->selectionModel()->selectedRows().size(); }
    void clickHeader(int column)
    {
        QHeaderView *header = m_view->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    QString headerText(int column) const { return model()->headerData(column, Qt::Horizontal).toString(); }
    void pressDelete() { QTest::keyClick(m_view, Qt::Key_Delete); }
    QLineEdit *search() const { return m_window.recordingsTable()->searchEdit(); }

    // The library panel's entry showing title, clicked.
    bool clickEntry(const QString &title)
    {
        QTableView *panel = m_window.libraryPanel()->tableView();
        QAbstractItemModel *entries = panel->model();
        for (int r = 0; r < entries->rowCount(); ++r) {
            for (int c = 0; c < entries->columnCount(); ++c) {
                const QModelIndex index = entries->index(r, c);
                if (index.data().toString() != title)
                    continue;
                panel->scrollTo(index);
                QTest::mouseClick(panel->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  panel->visualRect(index).center());
                return true;
            }
        }
        return false;
    }

    static constexpr int kName = 1;
    static constexpr int kFormat = 2;

private:
    MainWindow &m_window;
    QTableView *m_view;
};

// Counts the changes of the table's model from now on: a new order, rows
// gone or come, a new set.
class ModelChanges
{
public:
    explicit ModelChanges(QAbstractItemModel *model)
    {
        const auto count = [this] { ++m_changes; };
        m_connections << QObject::connect(model, &QAbstractItemModel::layoutChanged, count)
                      << QObject::connect(model, &QAbstractItemModel::modelReset, count)
                      << QObject::connect(model, &QAbstractItemModel::rowsRemoved, count)
                      << QObject::connect(model, &QAbstractItemModel::rowsInserted, count);
    }
    ~ModelChanges()
    {
        for (const QMetaObject::Connection &c : m_connections)
            QObject::disconnect(c);
    }
    bool seen() const { return m_changes > 0; }

private:
    int m_changes = 0;
    QList<QMetaObject::Connection> m_connections;
};

// Clicks the button named `name` of the next modal dialog (the question
// asked before rows go) as soon as it shows.
class Answer
{
public:
    explicit Answer(const char *buttonName)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, buttonName] {
            QWidget *dialog = QApplication::activeModalWidget();
            auto *button = dialog ? dialog->findChild<QAbstractButton *>(QLatin1String(buttonName)) : nullptr;
            if (!button || !button->isVisible())
                return;
            m_timer.stop();
            m_answered = true;
            QTest::mouseClick(button, Qt::LeftButton);
        });
        m_timer.start();
    }
    bool answered() const { return m_answered; }

private:
    QTimer m_timer;
    bool m_answered = false;
};

QAbstractButton *buttonWithTip(QWidget *in, const QString &tip)
{
    for (QAbstractButton *button : in->findChildren<QAbstractButton *>())
        if (button->toolTip() == tip && button->isVisible())
            return button;
    return nullptr;
}

// The paths of rows first..first+count-1 of the table (records of the
// library all live in folder as <name>.mp3); empty when one is not.
QStringList recordPaths(const Table &table, int first, int count, const QString &folder)
{
    QStringList paths;
    for (int r = first; r < first + count && r < table.rows(); ++r) {
        const QString name = table.nameAt(r);
        if (!name.startsWith(QLatin1String("REC_2026")))
            return {};
        paths << folder + name + QStringLiteral(".mp3");
    }
    return paths.size() == count ? paths : QStringList();
}

// The first row from which `count` rows in a row are records of the library.
int firstRecordRun(const Table &table, int count, const QString &folder)
{
    for (int r = 1; r + count <= table.rows() && r < 50; ++r)
        if (!recordPaths(table, r, count, folder).isEmpty())
            return r;
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    int records = 100000;
    int repairMinutes = 60;
    int slowReadMs = 0;
    int pauseMs = 0;
    int pingMs = 15;
    bool startOnly = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray value(argv[i + 1]);
        if (qstrcmp(argv[i], "--records") == 0)
            records = value.toInt();
        else if (qstrcmp(argv[i], "--repair-minutes") == 0)
            repairMinutes = value.toInt();
        else if (qstrcmp(argv[i], "--slow-read-ms") == 0)
            slowReadMs = value.toInt();
        else if (qstrcmp(argv[i], "--pause-ms") == 0)
            pauseMs = value.toInt();
        else if (qstrcmp(argv[i], "--ping-ms") == 0)
            pingMs = std::max(1, value.toInt());
        else if (qstrcmp(argv[i], "--only") == 0)
            startOnly = value == "start";
    }
    constexpr double kLimitMs = 50;

    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("recordings/"));
    QDir().mkpath(folder);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    const QString dataFolder = home.filePath(QStringLiteral("data/Velmora Audio Recorder"));
    QDir().mkpath(dataFolder);
    if (!writeLibrary(dataFolder + QStringLiteral("/History.xml"), records, folder)) {
        std::fprintf(stderr, "cannot write the library\n");
        return 1;
    }

    KeyApplication app(argc, argv);
    GuiPing ping(pingMs);
    ping.startPosted();
    // A long file to play and seek in, listed like any recording.
    const QString longFile = folder + QStringLiteral("long tone.wav");
    if (!TestSupport::writeToneWav(longFile, 440, 600.0, 44100, 2, 8000.0 / 32767.0))
        return 1;
    convertedInfo info = BenchHistory::record(records, false, folder);
    info.convertedPath = longFile;
    info.title = QStringLiteral("long tone");
    info.extend = QStringLiteral("wav");
    info.format = QStringLiteral("WAV");
    info.createTime = QStringLiteral("01-01-2030 10:00");
    QVideoSettingXml::SaveConvertedInfo(info);
    // The editor's file: a real one-hour recording.
    const QString hourFile = oneHourFile(folder);
    if (hourFile.isEmpty())
        return 1;
    info = BenchHistory::record(records + 1, false, folder);
    info.convertedPath = hourFile;
    info.title = QStringLiteral("one hour session");
    info.createTime = QStringLiteral("01-01-2030 09:00");
    QVideoSettingXml::SaveConvertedInfo(info);
    QVideoSettingXml::AppendPlayList(kPlaylist);
    // New recordings go beside the library's, as the user chose before.
    QVideoSettingXml::SetItemValue(QStringLiteral("OutPut_path"), QStringLiteral("path_value"), folder);
    QString killed;
    if (repairMinutes > 0) {
        killed = killedRecording(folder, repairMinutes);
        if (killed.isEmpty())
            return 1;
        convertedInfo marked;
        marked.convertedPath = killed;
        marked.title = QStringLiteral("REC_killed");
        marked.extend = QStringLiteral("m4a");
        marked.format = QStringLiteral("M4A");
        marked.createTime = QStringLiteral("01-01-2030 11:00");
        if (!QRecordingMarker::write(marked, QStringLiteral("mp4")))
            return 1;
    }
    // New recordings are WAV files, which take tags.
    AppFixture::useWavFormat();
    // Message boxes (the repaired recording's notice) are taken as shown.
    AppFixture::ModalCloser messages;
    const QString historyPath = QVideoSettingXml::historyFilePath();

    std::printf("%d records; steps:\n", records);
    std::fflush(stdout);
    Steps steps(ping, pauseMs);
    std::unique_ptr<MainWindow> made;
    // The table of the steps taken; the exit status.
    const auto report = [&] {
        std::printf("\nGUI thread's longest stall per step, pinged every %d ms from outside its event loop\n"
                    "(%d records, %d-minute repair, reads slowed by %d ms, %d ms between steps; "
                    "WM ping: _NET_WM_PING from another X client)\n",
                    pingMs, records, repairMinutes, slowReadMs, pauseMs);
        std::printf("  %-62s %10s %10s %11s %8s\n", "step", "posted", "WM ping", "done after", "GUI CPU");
        int over = 0;
        int incomplete = 0;
        double worst = 0;
        const auto ms = [](double v) { return v < 0 ? QStringLiteral("-") : QString::number(v, 'f', 1); };
        for (const StepResult &s : steps.results()) {
            const double stall = std::max(s.postedMs, s.windowManagerMs);
            worst = std::max(worst, stall);
            over += stall >= kLimitMs ? 1 : 0;
            incomplete += s.done ? 0 : 1;
            std::printf("  %-62s %10s %10s %11s %8s%s%s\n", qPrintable(s.name), qPrintable(ms(s.postedMs)),
                        qPrintable(ms(s.windowManagerMs)), qPrintable(ms(s.doneMs)), qPrintable(ms(s.guiCpuMs)),
                        stall >= kLimitMs ? "  OVER 50 ms" : "", s.done ? "" : "  DID NOT COMPLETE");
        }
        std::printf("  %-62s %10s ms; %d step(s) over %.0f ms, %d did not complete\n", "worst of all steps",
                    qPrintable(ms(worst)), over, kLimitMs, incomplete);
        std::fflush(stdout);
        made.reset();
        return incomplete ? 2 : over ? 1 : 0;
    };
    // A program starts long after the history's last write, when the store
    // no longer checks the file's bytes against what it wrote (it does for
    // 2 s after a write).
    settle(2500);

    // Start: building the window, then its first seconds (the history read
    // on a worker, its rows joining, the repaired recording listed).
    steps.run(
        QStringLiteral("start: the window built and shown"),
        [&] {
            made = std::make_unique<MainWindow>();
            made->resize(841, 498);
            made->show();
        },
        [] { return true; }, 1000, 0);
    MainWindow &window = *made;
    ping.startWindowManager(&window);
    Table table(window);
    const int listed = records + 2 + (killed.isEmpty() ? 0 : 1);
    steps.goOn();
    steps.run(
        QStringLiteral("start: its first seconds (the rows and the repair join)"), [] {},
        [&] {
            return window.inputSelector() && window.inputSelector()->devicesReady() && table.rows() == listed;
        },
        120000, 500);
    if (startOnly)
        return report();

    // Record two seconds; the song heard is recognised on the way.
    Ui::MainWindow *ui = window.form();
    steps.run(
        QStringLiteral("record start"), [&] { QTest::mouseClick(ui->m_btnStartRecord, Qt::LeftButton); },
        [&] { return window.isRecording(); }, 5000);
    waitFor([&] { return window.recordObject()->recordedTime() >= 1000000; }, 10000);
    const QString recordedAs = window.recordObject()->outputPath();
    JXRecognizerAudioTagInfo song;
    song.title = "Bench Song";
    song.artist = "Bench Band";
    song.album = "Bench Album";
    steps.run(
        QStringLiteral("tags recognised while recording"), [&] { Reach::recognise(window, song); },
        [&] { return table.rowNamed(QStringLiteral("Bench Song")) >= 0; }, 5000, 200);
    waitFor([&] { return window.recordObject()->recordedTime() >= 2000000; }, 10000);
    const QString recorded = folder + QStringLiteral("Bench Song.") + QFileInfo(recordedAs).suffix();
    // The file is completed, tagged and named on a worker: the step lasts
    // until its row follows.
    steps.run(
        QStringLiteral("record stop (tags written, file named after them)"),
        [&] { QTest::mouseClick(ui->m_btnStopRecord, Qt::LeftButton); },
        [&] {
            return !window.isRecording() && !window.recordObject()->isFinishing()
                   && QFileInfo::exists(recorded) && table.rowNamed(QStringLiteral("Bench Song")) >= 0;
        },
        10000);

    // Play the long file from its row, seek in it, go to the next track, pause.
    Reach::slowReads(slowReadMs);
    QPlayControlWgt *bar = window.playControl();
    QJXBaseSlider *slider = bar->positionSlider();
    const int longRow = table.rowNamed(QStringLiteral("long tone"));
    steps.run(
        QStringLiteral("play a row (double click)"), [&] { table.doubleClick(longRow); },
        [&] { return bar->isPlaying() && bar->currentFile() == longFile && slider->value() > 0; }, 10000, 500);
    // Five moves of the slider, as a click on it makes them.
    int moved = 0;
    steps.run(
        QStringLiteral("seek (5 moves)"),
        [&] {
            for (double at : {0.5, 0.2, 0.8, 0.35, 0.6}) {
                emit slider->sendProgressValue(at);
                const double target = slider->maximum() * at;
                if (waitFor([&] { return std::abs(slider->value() - target) < slider->maximum() * 0.05; }, 5000))
                    ++moved;
                settle(200);
            }
        },
        [&] { return moved == 5; }, 30000);
    Reach::slowReads(0);
    steps.run(
        QStringLiteral("next track (the bar's Next)"),
        [&] {
            if (QAbstractButton *next = buttonWithTip(bar, QStringLiteral("Next")))
                QTest::mouseClick(next, Qt::LeftButton);
        },
        [&] { return bar->isPlaying() && !bar->currentFile().isEmpty() && bar->currentFile() != longFile; },
        10000, 500);
    steps.run(
        QStringLiteral("pause (the bar's Pause)"),
        [&] {
            if (QAbstractButton *pause = buttonWithTip(bar, QStringLiteral("Pause")))
                QTest::mouseClick(pause, Qt::LeftButton);
        },
        [&] { return !bar->isPlaying(); }, 5000);

    // Open the editor on the one-hour file (until its file is read);
    // convert its first second there. Then open it again.
    const auto openEditor = [&](const QString &name, bool convert) {
        const int hourRow = table.rowNamed(QStringLiteral("one hour session"));
        const QModelIndex hourIndex = table.model()->index(hourRow, Table::kName);
        steps.run(
            name, [&] { Reach::clickEdit(window, hourIndex); },
            [&] {
                QVideoEditingDlg *dialog = Reach::editDialog(window);
                return dialog && dialog->isVisible() && dialog->isFileLoaded();
            },
            30000, 500,
            [&] {
                QVideoEditingDlg *dialog = Reach::editDialog(window);
                if (!dialog)
                    return;
                if (convert && dialog->isFileLoaded() && dialog->fileError().isEmpty()) {
                    bool segment = false;
                    const QMetaObject::Connection c = QObject::connect(
                        Reach::editing(window), &QLibraryEditing::emitConvertFilePath,
                        [&segment](const QString &) { segment = true; });
                    VEEditConfig config;
                    config.startTime = 0;
                    config.endTime = 1000000;
                    steps.run(
                        QStringLiteral("convert (1 s cut in the editor)"),
                        [&] { emit dialog->emitConvertFile(config, false); }, [&] { return segment; }, 30000);
                    QObject::disconnect(c);
                }
                dialog->reject();
            });
    };
    openEditor(QStringLiteral("open the editor (one-hour file)"), true);
    openEditor(QStringLiteral("open the editor again"), false);

    // Rename the recording in its cell: the name's editor, the new name typed, Enter.
    const QString renamed = folder + QStringLiteral("Bench renamed.") + QFileInfo(recorded).suffix();
    steps.run(
        QStringLiteral("rename (typed in the cell, Enter)"),
        [&] {
            const int row = table.rowNamed(QStringLiteral("Bench Song"));
            table.click(row);
            table.view()->edit(table.model()->index(row, Table::kName));
            auto *editor = table.view()->viewport()->findChild<QLineEdit *>();
            if (!editor)
                return;
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(editor, QStringLiteral("Bench renamed"));
            QTest::keyClick(editor, Qt::Key_Return);
        },
        [&] { return QFileInfo::exists(renamed) && table.rowNamed(QStringLiteral("Bench renamed")) >= 0; },
        10000);
    const int all = table.rows();
    const int onPlaylist = (records + 4) / 5;

    // Switch entries: the latest recordings, the playlist, all recordings.
    const auto switchTo = [&](const QString &name, const QString &entry, int expected) {
        auto changes = std::make_shared<ModelChanges>(table.model());
        steps.run(
            name, [&] { table.clickEntry(entry); },
            [&] { return changes->seen() && (expected < 0 || table.rows() == expected); }, 10000);
    };
    switchTo(QStringLiteral("switch to Latest Recordings"), QStringLiteral("Latest Recordings"), -1);
    switchTo(QStringLiteral("switch to a playlist (1 record in 5)"), kPlaylist, onPlaylist);
    switchTo(QStringLiteral("switch back to All Recordings"), QStringLiteral("All Recordings"), all);

    // A ten-letter search typed at a typist's pace, then cleared.
    const QString query = QStringLiteral("Artist 299");
    int found = 0;
    for (int i = 0; i < records + 2; ++i)
        found += i % 300 == 299 ? 1 : 0;
    QLineEdit *search = table.search();
    QTest::mouseClick(search, Qt::LeftButton);
    steps.run(
        QStringLiteral("search typed (10 keys, 150 ms apart)"),
        [&] {
            for (const QChar c : query) {
                QTest::keyClick(search, c.toLatin1());
                settle(150);
            }
        },
        [&] { return search->text() == query && table.rows() == found; }, 10000);
    steps.run(
        QStringLiteral("search cleared (Ctrl+A, Backspace)"),
        [&] {
            QTest::keyClick(search, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(search, Qt::Key_Backspace);
        },
        [&] { return search->text().isEmpty() && table.rows() == all; }, 10000);

    // Sort by every column both ways.
    for (int column = 1; column <= 6; ++column) {
        for (int turn = 0; turn < 2; ++turn) {
            auto changes = std::make_shared<ModelChanges>(table.model());
            QHeaderView *header = table.view()->horizontalHeader();
            steps.run(
                QStringLiteral("sort by %1 (header click %2)").arg(table.headerText(column)).arg(turn + 1),
                [&] { table.clickHeader(column); },
                [&] { return changes->seen() && header->sortIndicatorSection() == column; }, 20000);
        }
    }

    // Delete one row: a click, the Delete key, "Delete" in the question.
    int first = firstRecordRun(table, 1, folder);
    QStringList paths = recordPaths(table, first, 1, folder);
    steps.run(
        QStringLiteral("select a row (click)"), [&] { table.click(first); },
        [&] { return table.selectedRows() == 1; }, 5000);
    {
        const int before = table.rows();
        DiskCheck check(historyPath, paths, DiskCheck::Gone);
        Answer answer("m_btnDelete");
        steps.run(
            QStringLiteral("delete 1 row (Delete key, Delete)"), [&] { table.pressDelete(); },
            [&] { return answer.answered() && table.rows() == before - 1 && check.holds(); }, 60000);
    }

    // Many rows: a click, a shift-click 999 rows on, the Delete key, then
    // "Delete" in the question (or "Remove" from the playlist). A small
    // library takes fewer than 1,000.
    const auto takeMany = [&](bool fromPlaylist) {
        const int many = std::min(1000, table.rows() - 30);
        const QString count = many == 1000 ? QStringLiteral("1,000") : QString::number(many);
        const QString taking =
            fromPlaylist ? QStringLiteral("remove %1 rows from the playlist (Delete key, Remove)").arg(count)
                         : QStringLiteral("delete %1 rows (Delete key, Delete)").arg(count);
        first = firstRecordRun(table, many, folder);
        paths = recordPaths(table, first, many, folder);
        const bool selected = !paths.isEmpty()
                              && steps.run(
                                  QStringLiteral("select %1 rows%2 (click, shift-click)")
                                      .arg(count, fromPlaylist ? " of the playlist" : ""),
                                  [&] {
                                      table.click(first);
                                      table.click(first + many - 1, Qt::ShiftModifier);
                                  },
                                  [&] { return table.selectedRows() == many; }, 10000);
        if (!selected) {
            steps.skip(taking);
            return;
        }
        const int before = table.rows();
        DiskCheck check(historyPath, paths, fromPlaylist ? DiskCheck::LeftList : DiskCheck::Gone);
        Answer answer(fromPlaylist ? "m_btnMove" : "m_btnDelete");
        steps.run(
            taking, [&] { table.pressDelete(); },
            [&] { return answer.answered() && table.rows() == before - many && check.holds(); }, 600000);
    };
    takeMany(false);
    switchTo(QStringLiteral("switch to the playlist again"), kPlaylist, -1);
    takeMany(true);
    switchTo(QStringLiteral("switch back to All Recordings again"), QStringLiteral("All Recordings"), -1);

    return report();
}
