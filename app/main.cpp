#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "app/qlogfile.h"
#include "app/qterminationwatcher.h"

#include "common/qianyutil.h"
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
    {
        auto window = std::make_unique<MainWindow>();
        QObject::connect(&termination, &QTerminationWatcher::terminationRequested, window.get(),
                         &MainWindow::OnTerminationRequested);
        app.setWindowInstance(window.get());
        window->show();
        code = app.exec();
        app.setWindowInstance(nullptr);
    }
    QLogFile::uninstall();
    return code;
}
