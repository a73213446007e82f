#pragma once
// One connection to the sound server, driven by one threaded main loop.
// Every stream and query of the program goes through it, so the process keeps
// a single connection however many recorders and players run.

#include <QObject>
#include <QString>

#include <atomic>
#include <mutex>

struct pa_context;
struct pa_operation;
struct pa_threaded_mainloop;

class PulseContext : public QObject
{
    Q_OBJECT
public:
    // What a server-change report is about.
    enum Facility { SinkFacility, SourceFacility, ServerFacility, ModuleFacility,
                    SinkInputFacility, SourceOutputFacility, OtherFacility };
    enum ChangeType { Added, Changed, Removed };

    explicit PulseContext(QObject *parent = nullptr);
    ~PulseContext() override;

    // The process-wide connection; connects on first use.
    static PulseContext *shared();

    // Connects to the given server (empty: the usual one from the environment)
    // and waits until the connection is ready; false with errorString() on
    // failure. The main loop stays across reconnections, so streams and
    // waiters of a lost connection end safely on it.
    bool connectToServer(const QString &server = QString(), int timeoutMs = 5000);
    void disconnectFromServer();
    // Connected and usable (reconnects the shared connection after a loss).
    bool ensureConnected(int timeoutMs = 5000);
    bool isConnected() const;
    // Counts the connections made; objects the server holds for us (modules,
    // streams) belong to the connection they were made on and went with it.
    quint64 connectionId() const { return m_connectionId.load(); }
    QString errorString() const;
    // The server asked for at the last connection (empty: the usual one).
    QString serverAddress() const;

    // PipeWire's pulse server can stop telling a connection that the default
    // devices changed, for the rest of its life: a client that leaves while
    // the session manager has yet to answer its binding leaves the server's
    // count of pending bindings one too high. Defaults are then read on a
    // connection of their own. A new connection starts out trusting its own.
    bool defaultsUnreported() const { return m_defaultsUnreported.load(); }
    void setDefaultsUnreported();

    // The program is leaving: from now on every wait for any server, on any
    // connection, ends at the latest ms from now, those under way included,
    // so that a server that hangs cannot hold the exit up. Only shortens.
    static void limitWaits(int ms);
    // The last calls before the process ends: every wait ends at the latest
    // ms from now, also when an earlier limit has passed already.
    static void limitWaitsFromNow(int ms);
    // The limit has passed: the server is asked nothing more.
    static bool waitsLimited();
    // How many waits for a server, on any connection of the process, ended
    // by their time-out while the connection stayed: a server that answers
    // late (a busy machine) rather than one that is gone. A step that saw it
    // grow was not answered in full.
    static quint64 lateAnswers();

    // Holds the loop lock for its life. Callbacks run with it held already;
    // taking it on the loop thread is a no-op.
    class Lock
    {
    public:
        explicit Lock(PulseContext *ctx);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
    private:
        pa_threaded_mainloop *m_loop = nullptr;
    };

    // With the lock held (never on the loop thread): waits until the operation
    // is done, the time-out passed or the connection failed; releases the
    // operation. False on time-out (the operation is cancelled) or failure.
    bool waitFor(pa_operation *op, int timeoutMs);
    // With the lock held: waits until ready() is true, the time-out passed or
    // the connection failed. Callbacks wake the waiter with wake().
    template <class Pred> bool waitUntil(Pred ready, int timeoutMs);
    // Wakes every waiter; called by callbacks on the loop thread.
    void wake();

    bool inLoopThread() const;
    pa_context *context() const { return m_context; }
    pa_threaded_mainloop *mainloop() const { return m_loop; }
    // Text of the connection's last error.
    QString lastServerError() const;

signals:
    // Emitted on the loop thread; connect with a queued or auto connection.
    void serverChanged(int facility, int type, quint32 index);
    void connectionLost();
    // A connection was made (the first or a new one), on the thread that made it.
    void connected();

private:
    class Deadline;
    bool waitStep(Deadline &deadline);
    static void onStateChanged(pa_context *c, void *self);
    static void onSubscription(pa_context *c, int event, quint32 index, void *self);
    void setError(const QString &text);
    bool connectLocked(const QString &server, int timeoutMs);
    void dropContext(bool keep);
    void wakeAtLimit();
    static void wakeAllAtLimit();

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    std::atomic<bool> m_failed{false};
    std::atomic<quint64> m_connectionId{0};
    std::atomic<bool> m_defaultsUnreported{false};
    mutable std::mutex m_errorMutex;   // guards m_error and m_server
    QString m_error;
    QString m_server;
    std::mutex m_connectMutex;   // one connect or reconnect at a time
};

// Measures a time-out on the loop's own clock and wakes the waiter when it passes.
class PulseContext::Deadline
{
public:
    Deadline(PulseContext *ctx, int timeoutMs);
    ~Deadline();
    bool passed() const { return m_passed; }
private:
    static void onTimer(struct pa_mainloop_api *api, struct pa_time_event *e,
                        const struct timeval *tv, void *self);
    PulseContext *m_ctx;
    struct pa_time_event *m_event = nullptr;
    bool m_passed = false;
};

template <class Pred> bool PulseContext::waitUntil(Pred ready, int timeoutMs)
{
    Deadline deadline(this, timeoutMs);
    while (!ready()) {
        if (!waitStep(deadline))
            return false;
    }
    return true;
}
