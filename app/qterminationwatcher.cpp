#include "app/qterminationwatcher.h"

#include "app/applog.h"
#include "platform/audio/loopbackdevice.h"

#include <QDebug>
#include <QMetaObject>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

static_assert(QTerminationWatcher::kServerWaitMs < QTerminationWatcher::kGraceMs
                  && QTerminationWatcher::kGraceMs + LoopbackDevice::ForcedRestoreMs <= 9500,
              "a way out the watcher forces ends within ten seconds of the signal");

namespace {

// A zero byte tells the reader that the watcher went: the program ended its
// own way and the grace time is over.
constexpr unsigned char kWatcherGone = 0;
// No signal has this number: the program ends without its event loop.
constexpr unsigned char kEndingWithoutLoop = 255;

int wakePipe[2] = {-1, -1};
std::mutex currentMutex;
QTerminationWatcher *current = nullptr;

void onSignal(int sig)
{
    // The interrupted code may be about to read errno.
    const int savedErrno = errno;
    const unsigned char s = static_cast<unsigned char>(sig);
    if (write(wakePipe[1], &s, 1) < 0) {
        signal(sig, SIG_DFL);
        raise(sig);
    }
    errno = savedErrno;
}

unsigned char readByte()
{
    unsigned char b = kWatcherGone;
    while (read(wakePipe[0], &b, 1) != 1) {
    }
    return b;
}

// Asks the watcher, if there is one, on its own thread.
bool request(int sig)
{
    std::lock_guard<std::mutex> lock(currentMutex);
    if (!current)
        return false;
    QTerminationWatcher *watcher = current;
    QMetaObject::invokeMethod(watcher, [watcher, sig] { emit watcher->terminationRequested(sig); },
                              Qt::QueuedConnection);
    return true;
}

bool writeByte(unsigned char b)
{
    return write(wakePipe[1], &b, 1) == 1;
}

qint64 nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void readSignals()
{
    for (;;) {
        const unsigned char first = readByte();
        if (first == kWatcherGone)
            continue;
        // An end without the event loop has no signal of its own: a hang-up
        // is what a lost display is.
        const int sig = first == kEndingWithoutLoop ? SIGHUP : first;
        if (first == kEndingWithoutLoop)
            qCInfo(lcApp) << "ending the program without its event loop";
        else if (!request(sig))
            LoopbackDevice::restoreAndRaise(sig);
        else
            qCInfo(lcApp) << "signal" << sig << "- ending the program";
        const qint64 deadline = nowMs() + QTerminationWatcher::kGraceMs;
        for (;;) {
            pollfd fd = {wakePipe[0], POLLIN, 0};
            if (poll(&fd, 1, int(qMax<qint64>(0, deadline - nowMs()))) <= 0) {
                qCWarning(lcApp) << "the program did not end in time: ending it by signal" << sig;
                LoopbackDevice::restoreAndRaise(sig);
            }
            const unsigned char next = readByte();
            if (next == kWatcherGone)
                break;
            // The way out already under way goes on without its loop; a
            // second signal ends the process at once.
            if (next != kEndingWithoutLoop)
                LoopbackDevice::restoreAndRaise(next);
        }
    }
}

bool installOnce()
{
    static const bool installed = [] {
        if (pipe2(wakePipe, O_CLOEXEC) != 0) {
            qCWarning(lcApp) << "cannot watch for termination signals";
            return false;
        }
        std::thread(readSignals).detach();
        struct sigaction sa = {};
        sa.sa_handler = &onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            // An ignored signal (nohup, a background job) stays ignored.
            struct sigaction old = {};
            if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
                sigaction(sig, &sa, nullptr);
        }
        return true;
    }();
    return installed;
}

} // namespace

QTerminationWatcher::QTerminationWatcher(QObject *parent)
    : QObject(parent)
{
    if (!installOnce())
        return;
    std::lock_guard<std::mutex> lock(currentMutex);
    current = this;
}

QTerminationWatcher::~QTerminationWatcher()
{
    {
        std::lock_guard<std::mutex> lock(currentMutex);
        if (current != this)
            return;
        current = nullptr;
    }
    endingDone();
}

void QTerminationWatcher::endingWithoutEventLoop()
{
    if (wakePipe[1] < 0 || !writeByte(kEndingWithoutLoop))
        qCWarning(lcApp) << "cannot bound the time the program takes to end";
}

void QTerminationWatcher::endingDone()
{
    if (wakePipe[1] >= 0 && !writeByte(kWatcherGone))
        qCWarning(lcApp) << "cannot end the grace time of a termination signal";
}
