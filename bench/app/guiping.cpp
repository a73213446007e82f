#include "guiping.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QWidget>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Ping
{
    qint64 sent = 0;
    qint64 answered = -1;
};

// The pings of one probe, written by its thread and by whoever answers.
class PingLog
{
public:
    quint32 sent(qint64 at)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pings.push_back({at, -1});
        return quint32(m_pings.size() - 1);
    }
    void answered(quint32 seq, qint64 at)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (seq < m_pings.size() && m_pings[seq].answered < 0)
            m_pings[seq].answered = at;
    }
    double worstMs(qint64 from, qint64 to) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        qint64 worst = 0;
        // Pings are answered in the order they went out: a ping is answered
        // at the latest when a later one is (one that was lost counts so),
        // and once one sent before the window was answered before it, so
        // were all earlier ones.
        qint64 laterAnswer = -1;
        for (auto it = m_pings.rbegin(); it != m_pings.rend(); ++it) {
            qint64 answer = it->answered;
            if (laterAnswer >= 0 && (answer < 0 || laterAnswer < answer))
                answer = laterAnswer;
            laterAnswer = answer;
            if (it->sent >= to)
                continue;
            const qint64 end = answer < 0 ? to : std::min(answer, to);
            if (end > from)
                worst = std::max(worst, end - std::max(it->sent, from));
            if (it->sent < from && answer >= 0 && answer <= from)
                break;
        }
        return worst / 1e6;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Ping> m_pings;
};

class PingEvent : public QEvent
{
public:
    static QEvent::Type kind()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    explicit PingEvent(quint32 number)
        : QEvent(kind())
        , seq(number)
    {
    }
    const quint32 seq;
};

// Lives on the GUI thread and answers the posted pings as its event loop
// reaches them.
class PingReceiver : public QObject
{
public:
    explicit PingReceiver(PingLog &log)
        : m_log(log)
    {
    }
    bool event(QEvent *event) override
    {
        if (event->type() != PingEvent::kind())
            return QObject::event(event);
        m_log.answered(static_cast<PingEvent *>(event)->seq, GuiPing::now());
        return true;
    }

private:
    PingLog &m_log;
};

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

struct GuiPing::Probes
{
    std::chrono::nanoseconds interval;
    std::atomic<bool> stop{false};
    PingLog logs[2];
    bool running[2] = {false, false};
    std::unique_ptr<PingReceiver> receiver;
    std::thread posted;
    std::thread windowManager;

    void postLoop()
    {
        auto next = std::chrono::steady_clock::now();
        while (!stop) {
            next += interval;
            std::this_thread::sleep_until(next);
            const quint32 seq = logs[Posted].sent(GuiPing::now());
            QCoreApplication::postEvent(receiver.get(), new PingEvent(seq));
        }
    }

    void windowManagerLoop(xcb_connection_t *c, xcb_window_t root, xcb_window_t window, xcb_atom_t protocols,
                           xcb_atom_t ping)
    {
        const int fd = xcb_get_file_descriptor(c);
        qint64 next = GuiPing::now() + interval.count();
        while (!stop && !xcb_connection_has_error(c)) {
            const qint64 wait = std::max<qint64>(0, (next - GuiPing::now()) / 1000000);
            pollfd readable{fd, POLLIN, 0};
            ::poll(&readable, 1, int(wait));
            while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
                if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                    const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                    if (message->window == root && message->type == protocols && message->format == 32
                        && message->data.data32[0] == ping && message->data.data32[2] == window)
                        logs[WindowManager].answered(message->data.data32[1], GuiPing::now());
                }
                std::free(event);
            }
            const qint64 at = GuiPing::now();
            if (at < next)
                continue;
            next = std::max(next + interval.count(), at);
            xcb_client_message_event_t message;
            std::memset(&message, 0, sizeof message);
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = window;
            message.type = protocols;
            message.data.data32[0] = ping;
            message.data.data32[1] = logs[WindowManager].sent(at);
            message.data.data32[2] = window;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
            xcb_flush(c);
        }
        if (xcb_connection_has_error(c))
            std::fprintf(stderr, "the window manager's ping lost its display connection\n");
        xcb_disconnect(c);
    }
};

GuiPing::GuiPing(int intervalMs)
    : m(std::make_unique<Probes>())
{
    m->interval = std::chrono::milliseconds(std::max(1, intervalMs));
}

GuiPing::~GuiPing()
{
    m->stop = true;
    if (m->posted.joinable())
        m->posted.join();
    if (m->windowManager.joinable())
        m->windowManager.join();
}

qint64 GuiPing::now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void GuiPing::startPosted()
{
    if (m->running[Posted])
        return;
    m->receiver = std::make_unique<PingReceiver>(m->logs[Posted]);
    m->running[Posted] = true;
    m->posted = std::thread([this] { m->postLoop(); });
}

bool GuiPing::startWindowManager(QWidget *window)
{
    if (m->running[WindowManager])
        return true;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "no window manager's ping: the platform is %s, not X\n",
                     qPrintable(QGuiApplication::platformName()));
        return false;
    }
    int screen = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no window manager's ping: the display cannot be reached\n");
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // Qt answers to the root window, to those who listen for the root's own
    // changes or redirect its children's (the window manager): anyone may
    // listen.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = internAtom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = internAtom(c, "_NET_WM_PING");
    const auto id = xcb_window_t(window->winId());
    m->running[WindowManager] = true;
    m->windowManager = std::thread(
        [this, c, root, id, protocols, ping] { m->windowManagerLoop(c, root, id, protocols, ping); });
    return true;
}

bool GuiPing::runs(Probe probe) const
{
    return m->running[probe];
}

double GuiPing::worstMs(Probe probe, qint64 from, qint64 to) const
{
    return m->running[probe] ? m->logs[probe].worstMs(from, to) : -1;
}
