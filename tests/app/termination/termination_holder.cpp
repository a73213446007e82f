// termination_holder: makes the loop-back device the default output under a
// termination watcher that nothing answers (a program hung on its way out),
// prints "ready" and runs its event loop until a signal ends it.
#include "app/qterminationwatcher.h"
#include "platform/audio/loopbackdevice.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTerminationWatcher watcher;
    LoopbackDevice *device = LoopbackDevice::instance();
    if (!device->makeDefault()) {
        std::fprintf(stderr, "%s\n", device->errorString().toUtf8().constData());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
