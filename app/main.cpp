#include "app/applog.h"
#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "app/qcodecmoduleload.h"
#include "app/qdisplaywatch.h"
#include "app/qlogfile.h"
#include "app/qterminationwatcher.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofiletableview.h"
#include "library/qhistoryearlyread.h"
#include "library/qlibraryloader.h"
#include "library/qfilelistwgt.h"
#include "platform/audio/pulsecontext.h"
#include "widgetkit/views/quianyutiliy.h"

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {
// Waits for the library's last changes to reach the disk; one that could not
// is logged.
void waitForHistoryLogged()
{
    QString reason;
    if (!QVideoSettingXml::waitForHistory(&reason))
        qCCritical(lcApp).noquote() << "The recordings library's last changes are lost:"
                                    << QVideoSettingXml::historyFilePath() << reason;
}
} // namespace

int main(int argc, char *argv[])
{
    QUiAnyUtiliy::QDpiScaleInit();
    // Before anything can warn: a program started from a menu has no standard error to read.
    QLogFile::install(QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt"));
    // The history is read on a worker while Qt starts and the window is
    // built; the library takes the read over as it is made.
    QHistoryEarlyRead historyRead;
    KeyApplication app(argc, argv);
    QTerminationWatcher termination;
    int code = 0;
    bool libraryLost = false;
    {
        auto window = std::make_unique<MainWindow>();
        // FFmpeg and TagLib load off the start: on a worker, once the library's
        // rows are painted (the history is read after the window's first paint).
        QCodecModuleLoad codecLoad;
        QObject::connect(&codecLoad, &QCodecModuleLoad::failed, window.get(),
                         [&window](const QString &reason) { reportCodecModuleFailure(window.get(), reason); });
        QFileListWgt *table = window->recordingsTable();
        if (table->loader()->historyLoaded())
            codecLoad.startAfterFirstPaint(table->tableView()->viewport());
        else
            QObject::connect(
                table->loader(), &QLibraryLoader::emitHistoryLoaded, &codecLoad,
                [&codecLoad, table] { codecLoad.startAfterFirstPaint(table->tableView()->viewport()); });
        // A sound server that hangs must not hold the exit up: what it has
        // not answered by then is given up (the next start mends the default).
        QObject::connect(&termination, &QTerminationWatcher::terminationRequested, &app,
                         [] { PulseContext::limitWaits(QTerminationWatcher::kServerWaitMs); });
        // An exit the user asked for may still complete a recording on its
        // way out: the server gets more time then.
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                         [] { PulseContext::limitWaits(2 * QTerminationWatcher::kServerWaitMs); });
        QObject::connect(&termination, &QTerminationWatcher::terminationRequested, window.get(),
                         &MainWindow::OnTerminationRequested);
        app.setWindowInstance(window.get());
        window->show();
        {
            // The display went away and Qt is about to end the process: the
            // way out a termination signal takes, at once and without the
            // event loop, bounded by the same grace time.
            QDisplayWatch displayLoss([&] {
                termination.endingWithoutEventLoop();
                PulseContext::limitWaits(QTerminationWatcher::kServerWaitMs);
                window->OnTerminationRequested();
                app.setWindowInstance(nullptr);
                window.reset();
                waitForHistoryLogged();
                termination.endingDone();
                QLogFile::uninstall();
                std::fflush(nullptr);
                _exit(1);
            });
            code = app.exec();
        }
        // While the window can still say that they could not be saved.
        libraryLost = !window->waitForLibraryAtExit();
        app.setWindowInstance(nullptr);
    }
    // What the window changed as it went reaches the disk before the log
    // closes, so that a write that fails is still logged (once).
    if (libraryLost)
        QVideoSettingXml::waitForHistory();
    else
        waitForHistoryLogged();
    QLogFile::uninstall();
    return code;
}
