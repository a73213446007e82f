#pragma once
// Pings the GUI thread from outside its event loop, as a window manager
// does, and keeps when each ping was sent and when it was answered. Two
// probes run side by side:
// - a thread of its own that posts an event to an object of the GUI thread
//   every interval (any platform);
// - on X, another X client (a connection and thread of its own) that sends
//   the window _NET_WM_PING every interval and reads the answer Qt sends to
//   the root window, as a window manager does.
// A stall is the longest time a ping stayed unanswered; measured with a
// ping every 15 ms, a block of the GUI thread shows up to 15 ms shorter
// than it was.

#include <QtGlobal>

#include <memory>

class QWidget;

class GuiPing
{
public:
    enum Probe { Posted = 0, WindowManager = 1 };

    explicit GuiPing(int intervalMs = 15);
    ~GuiPing();
    GuiPing(const GuiPing &) = delete;
    GuiPing &operator=(const GuiPing &) = delete;

    // Starts the posted ping; call on the GUI thread.
    void startPosted();
    // Starts the window manager's ping of a shown top-level window; false
    // (saying why on standard error) when the platform is not X or the
    // display cannot be reached.
    bool startWindowManager(QWidget *window);
    bool runs(Probe probe) const;

    // A steady clock in nanoseconds, the one the pings are stamped with.
    static qint64 now();
    // The longest time within [from, to] that a ping of the probe stayed
    // unanswered (a ping still unanswered counts until `to`); -1 when the
    // probe does not run.
    double worstMs(Probe probe, qint64 from, qint64 to) const;

private:
    struct Probes;
    std::unique_ptr<Probes> m;
};
