// The GUI thread's longest stall per step of the main road, in the real main
// window: start with 100,000 records in History.xml (and a killed one-hour
// M4A recording to repair), record start and a stop whose recognised tags
// are written into the file (which then takes their title as its name),
// play, seek, pause, open the editor on a real one-hour file (until its file
// is read), convert, open it again, rename, switch entries, search, delete.
// A 1 ms timer on the GUI thread's event loop records how late it fires; a
// step's stall is the longest gap seen from its action until it has settled.
// Target: under 50 ms each.
//
// Run it with a sound server, e.g. through the tests' runner:
//   tests/support/run-test.sh --sound -- build/bin/bench_app_guistall
//   bench_app_guistall [--records N] [--repair-minutes M] [--slow-read-ms R] [--pause-ms P]
// --records 10000 runs the smaller library. --pause-ms leaves P ms between
// the steps (2500 lets the history store's check of a file it wrote a moment
// ago pass before the next step reads the history). --slow-read-ms makes every read
// of the played file take R ms longer (a slow disk, injected into the
// player's thread) for the play, seek and pause steps. The killed recording
// and the one-hour file for the editor are made once with the ffmpeg tool
// and kept in the temporary folder.
#include "appfixture.h"
#include "historyfile.h"
#include "testsupport.h"

#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "common/qconverteroperate.h"
#include "common/qrecordingmarker.h"
#include "common/qvideosettingxml.h"
#include "controls/qplaycontrolwgt.h"
#include "controls/selectrecordinputwgt.h"
#include "editor/qvideoeditingdlg.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qfilelistwgt.h"
#include "library/qlibraryplaylistwgt.h"
#include "library/qlibraryquestions.h"
#include "library/qlibrarydeletion.h"
#include "library/qlibraryediting.h"
#include "library/qlibraryloader.h"
#include "library/qlibraryplayback.h"
#include "library/qlibraryrenaming.h"
#include "media/jxrecognizeraudiotaginfo.h"
#include "player/playerengine.h"
#include "recorder/qrecordaudioobject.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/qjxlineedit.h"
#include "widgetkit/views/qjxitemroles.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

// Lateness of a 1 ms timer on the GUI thread: the longest gap between two
// of its turns since the last reset.
class StallProbe : public QObject
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_clock.start();
    }
    void start()
    {
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    // From now on (or from `since`, a reading of clock()).
    void reset(qint64 since = -1)
    {
        m_last = since >= 0 ? since : m_clock.nsecsElapsed();
        m_worst = 0;
    }
    double worstMs()
    {
        tick();
        return m_worst / 1e6;
    }
    qint64 clock() const { return m_clock.nsecsElapsed(); }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_worst = std::max(m_worst, now - m_last - 1000000);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

// Runs the event loop until pred holds or timeoutMs passes (never sleeps
// outside the loop, so the probe keeps running).
bool waitFor(const std::function<bool()> &pred, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Step {
    const char *name;
    double worstMs;
    bool done;
};

QVector<Step> g_steps;

void report(const char *name, StallProbe &probe, bool done)
{
    g_steps.push_back({name, probe.worstMs(), done});
}

// A recording of `minutes` killed while recorded into a fragmented M4A, as
// the recorder leaves it; made once and copied.
QString killedRecording(const QString &folder, int minutes)
{
    const QString cached = QDir::temp().filePath(QStringLiteral("velmora-guistall-killed-%1min.m4a").arg(minutes));
    if (!QFileInfo::exists(cached)) {
        std::printf("making a killed %d-minute recording once (%s)...\n", minutes, qPrintable(cached));
        std::fflush(stdout);
        const QString part = cached + QStringLiteral(".part.m4a");
        const int code = QProcess::execute(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=f=440:r=44100"),
             QStringLiteral("-t"), QString::number(minutes * 60), QStringLiteral("-ac"), QStringLiteral("2"),
             QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"), QStringLiteral("128k"),
             QStringLiteral("-movflags"), QStringLiteral("+frag_keyframe+empty_moov+default_base_moof"),
             QStringLiteral("-frag_duration"), QStringLiteral("1000000"), part});
        if (code != 0 || !QFile::rename(part, cached))
            return QString();
    }
    const QString path = folder + QStringLiteral("REC_killed.m4a");
    QFile::remove(path);
    return QFile::copy(cached, path) ? path : QString();
}

// A real one-hour recording for the editor, made once and copied.
QString oneHourFile(const QString &folder)
{
    const QString cached = QDir::temp().filePath(QStringLiteral("velmora-guistall-one-hour.mp3"));
    if (!QFileInfo::exists(cached)) {
        std::printf("making a one-hour MP3 once (%s)...\n", qPrintable(cached));
        std::fflush(stdout);
        const QString part = cached + QStringLiteral(".part.mp3");
        const int code = QProcess::execute(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("aevalsrc=0.4*sin(2*PI*(220+110*sin(2*PI*t/7))*t)|0.4*sin(2*PI*330*t):s=44100"),
             QStringLiteral("-t"), QStringLiteral("3600"), QStringLiteral("-c:a"),
             QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k"), part});
        if (code != 0 || !QFile::rename(part, cached))
            return QString();
    }
    const QString path = folder + QStringLiteral("one hour session.mp3");
    QFile::remove(path);
    return QFile::copy(cached, path) ? path : QString();
}

// The shown row of a file and its index in the view, found without asking
// the models for every row (a check that ran through 100,000 rows would be
// a stall of its own).
QAudioFileChunk *shownRowOf(QFileListWgt *table, const QString &path)
{
    const std::string wanted = path.toStdString();
    for (IBaseChunk *item : table->rows().shown())
        if (auto *row = dynamic_cast<QAudioFileChunk *>(item);
            row && row->textView(QRowTexts::FilePath) == wanted)
            return row;
    return nullptr;
}

QModelIndex viewIndexOf(QFileListWgt *table, const QString &path)
{
    QAudioFileChunk *row = shownRowOf(table, path);
    if (!row)
        return QModelIndex();
    const std::vector<IBaseChunk *> &shown = table->rows().shown();
    const int at = int(std::find(shown.begin(), shown.end(), row) - shown.begin());
    QAbstractProxyModel *proxy = table->sortModel();
    return proxy->mapFromSource(proxy->sourceModel()->index(at, 0));
}

std::atomic<int> g_slowReadMs{0};

void slowRead()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_slowReadMs.load()));
}

} // namespace

int main(int argc, char *argv[])
{
    int records = 100000;
    int repairMinutes = 60;
    int slowReadMs = 0;
    int pauseMs = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--records") == 0)
            records = QByteArray(argv[i + 1]).toInt();
        else if (qstrcmp(argv[i], "--repair-minutes") == 0)
            repairMinutes = QByteArray(argv[i + 1]).toInt();
        else if (qstrcmp(argv[i], "--slow-read-ms") == 0)
            slowReadMs = QByteArray(argv[i + 1]).toInt();
        else if (qstrcmp(argv[i], "--pause-ms") == 0)
            pauseMs = QByteArray(argv[i + 1]).toInt();
    }

    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("recordings/"));
    QDir().mkpath(folder);
    for (int i = 0; i < records; ++i)
        QFile(BenchHistory::record(i, false, folder).convertedPath).open(QIODevice::WriteOnly);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    const QString dataFolder = home.filePath(QStringLiteral("data/Velmora Audio Recorder"));
    QDir().mkpath(dataFolder);
    {
        QFile history(dataFolder + QStringLiteral("/History.xml"));
        if (!history.open(QIODevice::WriteOnly)
            || history.write(BenchHistory::historyBytes(records, false, folder)) < 0)
            return 1;
    }

    KeyApplication app(argc, argv);
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
    // A playlist holding one record in twenty.
    QVideoSettingXml::AppendPlayList(QStringLiteral("List 3"));
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
    // Every question of the library answered "Delete", every message taken.
    QLibraryQuestions::setAnswerer([](const QString &) { return 2; });

    StallProbe probe;
    probe.start();
    // Time left between the steps, outside them (--pause-ms).
    const auto quiet = [pauseMs] {
        if (pauseMs > 0)
            settle(pauseMs);
    };
    // Start: building the window, then its first seconds (the history read
    // on a worker, its rows joining, the repaired recording listed). The
    // set-up wrote History.xml a moment ago; a program starts long after
    // the last write, when the history store no longer checks the file's
    // bytes against what it wrote (it does for 2 s after a write).
    settle(2500);
    probe.reset();
    MainWindow window;
    window.SetOutPath(folder);
    QConverterOperate::setConverterPath(folder);
    window.resize(841, 498);
    window.show();
    report("start: the window built and shown", probe, true);
    probe.reset();
    // The input selector is made in the turn after the window.
    const bool devices = waitFor(
        [&] { return window.inputSelector() && window.inputSelector()->devicesReady(); }, 15000);
    QFileListWgt *table = window.recordingsTable();
    // The history is read on a worker: its rows joining belong to this step.
    const bool loaded = waitFor([&] { return table->loader()->historyLoaded(); }, 60000);
    const bool repaired = killed.isEmpty() || waitFor([&] { return shownRowOf(table, killed); }, 30000);
    settle(500);
    report("start: its first seconds (the rows and the repair join)", probe, devices && loaded && repaired);

    // Record two seconds; the song heard is recognised on the way.
    Ui::MainWindow *ui = window.form();
    quiet();
    probe.reset();
    ui->m_btnStartRecord->click();
    const bool recording = waitFor([&] { return window.isRecording(); }, 5000);
    settle(300);
    report("record start", probe, recording);
    waitFor([&] { return window.recordObject() && window.recordObject()->recordedTime() >= 1000000; }, 10000);
    const QString recordedAs = window.recordObject() ? window.recordObject()->outputPath() : QString();
    quiet();
    probe.reset();
    JXRecognizerAudioTagInfo song;
    song.title = "Bench Song";
    song.artist = "Bench Band";
    song.album = "Bench Album";
    emit window.recordObject()->m_track1->emitRecognizedAudioTagInfo(song);
    QAudioFileChunk *recordingRow = table->rows().current().recordingRow();
    const bool recognised = waitFor(
        [&] { return recordingRow && recordingRow->GetTitle() == std::string("Bench Song"); }, 5000);
    settle(200);
    report("tags recognised while recording", probe, recognised);
    waitFor([&] { return window.recordObject()->recordedTime() >= 2000000; }, 10000);
    const QString recorded = folder + QStringLiteral("Bench Song.") + QFileInfo(recordedAs).suffix();
    quiet();
    probe.reset();
    ui->m_btnStopRecord->click();
    // The file is completed, tagged and named on a worker: the step lasts
    // until its row follows.
    const bool stopped = waitFor(
        [&] {
            return !window.isRecording() && !window.recordObject()->isFinishing()
                   && !table->rows().current().recordingRow();
        },
        10000);
    settle(300);
    report("record stop (tags written, file named after them)", probe,
           stopped && QFileInfo::exists(recorded) && shownRowOf(table, recorded));

    g_slowReadMs = slowReadMs;
    if (slowReadMs > 0)
        rz::PlayerEngine::s_readHook = slowRead;
    // Play the long file from its row.
    const QModelIndex longIndex = viewIndexOf(table, longFile);
    quiet();
    probe.reset();
    table->playback()->OnPlayItem(longIndex);
    QPlayControlWgt *bar = window.playControl();
    QJXBaseSlider *slider = bar->positionSlider();
    const bool playing = waitFor([&] { return bar->isPlaying() && slider->value() > 0; }, 10000);
    settle(500);
    report("play", probe, playing);

    // Seek: five moves of the slider, as a click on it makes them.
    quiet();
    probe.reset();
    bool seeked = true;
    for (double at : {0.5, 0.2, 0.8, 0.35, 0.6}) {
        emit slider->sendProgressValue(at);
        const double target = slider->maximum() * at;
        seeked = waitFor([&] { return std::abs(slider->value() - target) < slider->maximum() * 0.05; }, 5000)
            && seeked;
        settle(200);
    }
    report("seek (5 moves)", probe, seeked);

    quiet();
    probe.reset();
    bar->OnPlayOrPause(false);
    const bool paused = waitFor([&] { return !bar->isPlaying(); }, 5000);
    settle(300);
    report("pause", probe, paused);
    rz::PlayerEngine::s_readHook = nullptr;

    // Open the editor on the one-hour file (once its file is read); convert
    // its first second there. Then open it again.
    auto openEditor = [&](const char *openName, const char *convertName) {
        bool opened = false;
        bool converted = false;
        double openMs = 0;
        double convertMs = 0;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QVideoEditingDlg *dlg = table->editing()->editDialog();
            if (!dlg || !dlg->isVisible())
                return;
            poll.stop();
            waitFor([&] { return dlg->isFileLoaded(); }, 30000);
            settle(500);
            openMs = probe.worstMs();
            opened = dlg->isFileLoaded() && dlg->fileError().isEmpty();
            if (convertName) {
                probe.reset();
                bool segment = false;
                QMetaObject::Connection c = QObject::connect(table->editing(),
                                                             &QLibraryEditing::emitConvertFilePath,
                                                             [&segment](const QString &) { segment = true; });
                VEEditConfig config;
                config.startTime = 0;
                config.endTime = 1000000;
                emit dlg->emitConvertFile(config, false);
                converted = waitFor([&] { return segment; }, 30000);
                settle(300);
                convertMs = probe.worstMs();
                QObject::disconnect(c);
            }
            dlg->reject();
        });
        const QModelIndex hourIndex = viewIndexOf(table, hourFile);
        quiet();
        probe.reset();
        poll.start();
        table->editing()->OnEditItem(hourIndex);
        g_steps.push_back({openName, openMs, opened});
        if (convertName)
            g_steps.push_back({convertName, convertMs, converted});
    };
    openEditor("open the editor (one-hour file)", "convert (1 s cut in the editor)");
    openEditor("open the editor again", nullptr);

    // Rename the recording in place.
    const QString renamed = folder + QStringLiteral("Bench renamed.") + QFileInfo(recorded).suffix();
    QModelIndex recordedIndex = viewIndexOf(table, recorded);
    quiet();
    probe.reset();
    table->renaming()->OnRenameFile(table->sortModel()->index(recordedIndex.row(), 1),
                                    QStringLiteral("Bench renamed"));
    settle(300);
    report("rename", probe, QFileInfo::exists(renamed) && shownRowOf(table, renamed));

    // Switch entries: the latest recordings, a playlist, all recordings.
    QLibraryPlayListWgt *panel = window.libraryPanel();
    const struct
    {
        const char *name;
        int row;
    } entries[] = {{"switch to Latest Recordings", QLibraryPlayListWgt::RowLatest},
                   {"switch to a playlist (1 record in 20)", QLibraryPlayListWgt::RowPlayList + 1},
                   {"switch back to All Recordings", QLibraryPlayListWgt::RowAll}};
    for (const auto &entry : entries) {
        QLibraryChunk *wanted = panel->entryAt(entry.row);
        quiet();
        probe.reset();
        panel->SetTBViewCurrentIndex(entry.row);
        const bool shown = waitFor([&] { return wanted && table->rows().current().shownEntry() == wanted; },
                                   5000);
        settle(300);
        report(entry.name, probe, shown);
    }

    // Search as typed, one key at a time, then clear the field.
    QJXLineEdit *search = table->searchEdit();
    quiet();
    probe.reset();
    for (const QString &text :
         {QStringLiteral("4"), QStringLiteral("42"), QStringLiteral("424"), QStringLiteral("4242")}) {
        search->setText(text);
        settle(100);
    }
    report("search (typed, 4 keys)", probe, table->sortModel()->rowCount() > 0);
    quiet();
    probe.reset();
    search->clear();
    settle(300);
    report("search cleared", probe, table->sortModel()->rowCount() >= records);

    recordedIndex = viewIndexOf(table, renamed);
    quiet();
    probe.reset();
    table->deletion()->OnDeleteItem(recordedIndex);
    const bool deleted = waitFor([&] { return !QFileInfo::exists(renamed); }, 5000);
    settle(300);
    report("delete", probe, deleted && !shownRowOf(table, renamed));

    std::printf("GUI thread's longest stall per step (%d records, %d-minute repair, reads slowed by %d ms, "
                "%d ms between steps):\n",
                records, repairMinutes, slowReadMs, pauseMs);
    int failed = 0;
    double worst = 0;
    for (const Step &s : g_steps) {
        std::printf("  %-52s %8.1f ms %s%s\n", s.name, s.worstMs, s.worstMs < 50.0 ? "" : "(over 50 ms)",
                    s.done ? "" : " (step did not complete)");
        failed += s.done ? 0 : 1;
        worst = std::max(worst, s.worstMs);
    }
    std::printf("  %-52s %8.1f ms\n", "worst of all steps", worst);
    std::fflush(stdout);
    return failed ? 2 : 0;
}
