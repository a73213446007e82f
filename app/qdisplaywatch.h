#pragma once
// Qt's X11 platform ends the process with exit(1) as soon as it finds the
// connection to the display broken (a log-out that takes the display away
// before any signal comes), right after warning about it: the event loop
// never returns and the program's own way out never runs. While a watch
// lives, the first warning of the GUI thread that comes with the connection
// broken makes the given way out run, on the GUI thread, as soon as that
// warning's message handler has returned (first thing in the exit() that
// follows it), so that the way out's own lines reach the log file with
// their category; the way out then ends the process itself. It is installed
// after the log's message handler, to which every line still goes.

#include <QtGlobal>

#include <functional>

class QDisplayWatch
{
public:
    // wayOut runs on the GUI thread and must not return.
    explicit QDisplayWatch(std::function<void()> wayOut);
    ~QDisplayWatch();

    QDisplayWatch(const QDisplayWatch &) = delete;
    QDisplayWatch &operator=(const QDisplayWatch &) = delete;

    // The display connection of this process is broken (false off X11).
    static bool connectionBroken();

private:
    static void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &text);

    std::function<void()> m_wayOut;
};
