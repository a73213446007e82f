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
    self->m_wayOut();
}
