#include "app/applog.h"
#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "app/qcodecmoduleload.h"
#include "app/qlogfile.h"
#include "app/qterminationwatcher.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofiletableview.h"
#include "library/qfilelistwgt.h"
#include "platform/audio/pulsecontext.h"
#include "widgetkit/views/quianyutiliy.h"

#include <memory>

int main(int argc, char *argv[])
{
    QUiAnyUtiliy::QDpiScaleInit();
    KeyApplication app(argc, argv);
    // Before anything can warn: a program started from a menu has no standard error to read.
    QLogFile::install(QIAnyUtil::getAppDataPath() + QStringLiteral("/log.txt"));
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
        if (table->historyLoaded())
            codecLoad.startAfterFirstPaint(table->tableView()->viewport());
        else
            QObject::connect(table, &QFileListWgt::emitHistoryLoaded, &codecLoad, [&codecLoad, table] {
                codecLoad.startAfterFirstPaint(table->tableView()->viewport());
            });
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
        code = app.exec();
        // While the window can still say that they could not be saved.
        libraryLost = !window->waitForLibraryAtExit();
        app.setWindowInstance(nullptr);
    }
    // What the window changed as it went reaches the disk before the log
    // closes, so that a write that fails is still logged (once).
    QString reason;
    if (!QVideoSettingXml::waitForHistory(&reason) && !libraryLost)
        qCCritical(lcApp).noquote() << "The recordings library's last changes are lost:"
                                    << QVideoSettingXml::historyFilePath() << reason;
    QLogFile::uninstall();
    return code;
}
