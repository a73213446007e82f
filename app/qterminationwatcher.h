#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (log-out, Ctrl+C, a closed terminal) into
// a request on the GUI thread, so the program ends the way a user's exit
// does: a running recording is completed and kept, the default output given
// back. When the program is not done within the grace time, or a second
// signal comes, the output is given back at once and the signal ends the
// process as it would have. A program that must end without its event loop
// (its display went away) is bounded by the same grace time.

#include <QObject>

class QTerminationWatcher : public QObject
{
    Q_OBJECT
public:
    // Within ten seconds of the signal the program is gone: its own way out
    // asks the sound server nothing after kServerWaitMs, and the grace time
    // leaves the forced way out (LoopbackDevice::restoreAndRaise) time to
    // give the output back on a busy machine.
    static constexpr int kGraceMs = 7000;
    static constexpr int kServerWaitMs = 4000;

    // One watcher at a time; the handlers stay installed after it goes, and
    // a signal with no watcher ends the process at once.
    explicit QTerminationWatcher(QObject *parent = nullptr);
    ~QTerminationWatcher() override;

    // The program ends now, on its own thread, without its event loop: the
    // grace time starts as after a signal (one under way goes on), and when
    // it runs out the output is given back and SIGHUP ends the process.
    // endingDone() ends it.
    void endingWithoutEventLoop();
    void endingDone();

signals:
    // Delivered on the watcher's thread.
    void terminationRequested(int signalNumber);
};
