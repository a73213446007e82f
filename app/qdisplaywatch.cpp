#include "app/qdisplaywatch.h"

#include <QCoreApplication>
#include <QThread>
#include <QX11Info>

#include <atomic>

#include <xcb/xcb.h>

namespace {
std::atomic<QDisplayWatch *> current{nullptr};
// Kept apart from the watch: a line logged on another thread while the
// watch goes still reaches the handler before it.
std::atomic<QtMessageHandler> previous{nullptr};

// The way out, once the connection is found broken; taken by whichever of
// the two roads below comes first.
std::function<void()> pending;
std::atomic<bool> armed{false};

void leave()
{
    if (!armed.exchange(false))
        return;
    const std::function<void()> wayOut = std::move(pending);
    wayOut();
}

// Made on the GUI thread when the connection is found broken: Qt calls
// exit() right after that warning, and the objects of the exiting thread's
// own storage go first in it, the last made first: this one, before any
// other object of the program is destroyed.
struct LeaveAtExit
{
    ~LeaveAtExit() { leave(); }
};
} // namespace

QDisplayWatch::QDisplayWatch(std::function<void()> wayOut)
    : m_wayOut(std::move(wayOut))
{
    previous = qInstallMessageHandler(&QDisplayWatch::onMessage);
    current = this;
}

QDisplayWatch::~QDisplayWatch()
{
    current = nullptr;
    qInstallMessageHandler(previous.load());
}

bool QDisplayWatch::connectionBroken()
{
    return QX11Info::isPlatformX11() && QX11Info::connection()
           && xcb_connection_has_error(QX11Info::connection()) != 0;
}

void QDisplayWatch::onMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (const QtMessageHandler before = previous.load())
        before(type, context, text);
    // The window and its panes are the GUI thread's, which alone makes and
    // removes the watch; the way out runs once.
    QDisplayWatch *self = current.load();
    if (!self || type == QtDebugMsg || type == QtInfoMsg || !QCoreApplication::instance()
        || QThread::currentThread() != QCoreApplication::instance()->thread() || !connectionBroken()
        || !current.compare_exchange_strong(self, nullptr))
        return;
    // Not from in here: Qt hands a line logged inside a message handler to
    // standard error alone, without its category, and never to the log
    // file. The way out runs once this handler has returned: first thing in
    // the exit() that follows, or from the event loop if it goes on.
    pending = self->m_wayOut;
    armed = true;
    static thread_local LeaveAtExit atExit;
    Q_UNUSED(atExit);
    QMetaObject::invokeMethod(QCoreApplication::instance(), &leave, Qt::QueuedConnection);
}
