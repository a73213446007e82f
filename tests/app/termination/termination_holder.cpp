// termination_holder: makes the loop-back device the default output under a
// termination watcher that nothing answers (a program hung on its way out,
// which gave up on the sound server as the program's does), prints "ready"
// and runs its event loop until a signal ends it. With
// "display-lost" it ends without its event loop, as a program whose display
// went away does, once a line comes on its standard input, and hangs there;
// with "display-lost-later" it does so when a signal asks it to end.
#include "loopbackholder.h"

#include "app/qterminationwatcher.h"
#include "platform/audio/pulsecontext.h"

#include <QCoreApplication>
#include <QSocketNotifier>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    QTerminationWatcher watcher;
    if (!TestSupport::takeDefaultOutput())
        return 1;
    // As the program's main(): the way out asks the server nothing after a while.
    QObject::connect(&watcher, &QTerminationWatcher::terminationRequested, &watcher,
                     [] { PulseContext::limitWaits(QTerminationWatcher::kServerWaitMs); });
    QSocketNotifier input(0, QSocketNotifier::Read);
    input.setEnabled(mode == QLatin1String("display-lost"));
    QObject::connect(&input, &QSocketNotifier::activated, &watcher, [&watcher, &input] {
        input.setEnabled(false);
        watcher.endingWithoutEventLoop();
        PulseContext::limitWaits(QTerminationWatcher::kServerWaitMs);
    });
    if (mode == QLatin1String("display-lost-later"))
        QObject::connect(&watcher, &QTerminationWatcher::terminationRequested, &watcher,
                         [&watcher] { watcher.endingWithoutEventLoop(); });
    return app.exec();
}
