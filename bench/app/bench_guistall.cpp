// The GUI thread's longest stall per step of the main road, in the real main
// window: start with 10,000 records in History.xml (and a killed one-hour
// M4A recording to repair), record start and stop, play, seek, pause, open
// the editor (until its file is read), convert, open it again, delete. A 1 ms
// timer on the GUI thread's event loop records how late it fires; a step's
// stall is the longest gap seen from its action until it has settled.
// Target: under 50 ms each.
//
// Run it with a sound server, e.g. through the tests' runner:
//   tests/support/run-test.sh --sound -- build/bin/bench_app_guistall
//   bench_app_guistall [--records N] [--repair-minutes M] [--slow-read-ms R]
// --slow-read-ms makes every read of the played file take R ms longer (a
// slow disk, injected into the player's thread) for the play, seek and pause
// steps. The killed recording is made once with the ffmpeg tool and kept in
// the temporary folder.
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
#include "library/qlibraryquestions.h"
#include "player/playerengine.h"
#include "recorder/qrecordobject.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/views/qjxitemroles.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

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


std::atomic<int> g_slowReadMs{0};

void slowRead()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(g_slowReadMs.load()));
}

} // namespace

int main(int argc, char *argv[])
{
    int records = 10000;
    int repairMinutes = 60;
    int slowReadMs = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--records") == 0)
            records = QByteArray(argv[i + 1]).toInt();
        else if (qstrcmp(argv[i], "--repair-minutes") == 0)
            repairMinutes = QByteArray(argv[i + 1]).toInt();
        else if (qstrcmp(argv[i], "--slow-read-ms") == 0)
            slowReadMs = QByteArray(argv[i + 1]).toInt();
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
    // Every question of the library answered "Delete", every message taken.
    QLibraryQuestions::setAnswerer([](const QString &) { return 2; });

    StallProbe probe;
    probe.start();
    // Start: building the window, then its first seconds (the history read
    // on a worker, its rows joining, the repaired recording listed).
    settle(50);
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
    const bool loaded = waitFor([&] { return table->historyLoaded(); }, 30000);
    const bool repaired = killed.isEmpty()
        || waitFor([&] { return AppFixture::viewIndexOf(table, killed).isValid(); }, 30000);
    settle(500);
    report("start: its first seconds (the rows and the repair join)", probe, devices && loaded && repaired);

    // Record two seconds.
    Ui::MainWindow *ui = window.form();
    probe.reset();
    ui->m_btnStartRecord->click();
    const bool recording = waitFor([&] { return window.isRecording(); }, 5000);
    settle(300);
    report("record start", probe, recording);
    waitFor([&] { return window.recordObject() && window.recordObject()->recordedTime() >= 2000000; }, 10000);
    const QString recorded = window.recordObject() ? window.recordObject()->outputPath() : QString();
    probe.reset();
    ui->m_btnStopRecord->click();
    // The file is completed on a worker: the step lasts until its row follows.
    const bool stopped = waitFor([&] {
        return !window.isRecording() && !window.recordObject()->isFinishing()
               && AppFixture::viewIndexOf(table, recorded).isValid();
    }, 10000);
    settle(300);
    report("record stop", probe, stopped);

    g_slowReadMs = slowReadMs;
    if (slowReadMs > 0)
        rz::PlayerEngine::s_readHook = slowRead;
    // Play the long file from its row.
    probe.reset();
    table->OnPlayItem(AppFixture::viewIndexOf(table, longFile));
    QPlayControlWgt *bar = window.playControl();
    QJXBaseSlider *slider = bar->positionSlider();
    const bool playing = waitFor([&] { return bar->isPlaying() && slider->value() > 0; }, 10000);
    settle(500);
    report("play", probe, playing);

    // Seek: five moves of the slider, as a click on it makes them.
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

    probe.reset();
    bar->OnPlayOrPause(false);
    const bool paused = waitFor([&] { return !bar->isPlaying(); }, 5000);
    settle(300);
    report("pause", probe, paused);
    rz::PlayerEngine::s_readHook = nullptr;

    // Open the editor on the recorded file (once its file is read); convert
    // its first second there. Then open it again.
    auto openEditor = [&](const char *openName, const char *convertName) {
        bool opened = false;
        bool converted = false;
        double openMs = 0;
        double convertMs = 0;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QVideoEditingDlg *dlg = table->editDialog();
            if (!dlg || !dlg->isVisible())
                return;
            poll.stop();
            waitFor([&] { return dlg->isFileLoaded(); }, 10000);
            settle(500);
            openMs = probe.worstMs();
            opened = dlg->isFileLoaded() && dlg->fileError().isEmpty();
            if (convertName) {
                probe.reset();
                bool segment = false;
                QMetaObject::Connection c = QObject::connect(table, &QFileListWgt::emitConvertFilePath,
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
        probe.reset();
        poll.start();
        table->OnEditItem(AppFixture::viewIndexOf(table, recorded));
        g_steps.push_back({openName, openMs, opened});
        if (convertName)
            g_steps.push_back({convertName, convertMs, converted});
    };
    openEditor("open the editor", "convert (1 s cut in the editor)");
    openEditor("open the editor again", nullptr);

    probe.reset();
    table->OnDeleteItem(AppFixture::viewIndexOf(table, recorded));
    const bool deleted = waitFor([&] { return !AppFixture::viewIndexOf(table, recorded).isValid(); }, 5000);
    settle(300);
    report("delete", probe, deleted);

    std::printf("GUI thread's longest stall per step (%d records, %d-minute repair, reads slowed by %d ms):\n",
                records, repairMinutes, slowReadMs);
    int failed = 0;
    for (const Step &s : g_steps) {
        std::printf("  %-46s %8.1f ms %s%s\n", s.name, s.worstMs, s.worstMs < 50.0 ? "" : "(over 50 ms)",
                    s.done ? "" : " (step did not complete)");
        failed += s.done ? 0 : 1;
    }
    std::fflush(stdout);
    return failed ? 2 : 0;
}
