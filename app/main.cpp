#include "app/keyapplication.h"
#include "app/mainwindow.h"
#include "app/qterminationwatcher.h"

#include "widgetkit/views/quianyutiliy.h"

#include <memory>

int main(int argc, char *argv[])
{
    QUiAnyUtiliy::QDpiScaleInit();
    KeyApplication app(argc, argv);
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
    return code;
}
