// termination_holder: makes the loop-back device the default output under a
// termination watcher that nothing answers (a program hung on its way out),
// prints "ready" and runs its event loop until a signal ends it.
#include "loopbackholder.h"

#include "app/qterminationwatcher.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTerminationWatcher watcher;
    if (!TestSupport::takeDefaultOutput())
        return 1;
    return app.exec();
}
