#pragma once
// Watches the server's default output for a capture thread: the server's
// change reports only raise a flag (they arrive on the sound thread), and the
// capture thread asks for the default when the flag is up, or every quarter
// second where the server no longer reports changes of the defaults.
// PipeWire's pulse server can stop reporting them without a word, so there
// the reports are checked now and then against a connection made for the
// purpose: soon after a device or stream changes (the session manager moves
// the streams when the default changes), and every two seconds otherwise.

#include <QByteArray>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <memory>

class PulseContext;

class DefaultOutputWatch
{
public:
    explicit DefaultOutputWatch(PulseContext *ctx);
    ~DefaultOutputWatch();
    DefaultOutputWatch(const DefaultOutputWatch &) = delete;
    DefaultOutputWatch &operator=(const DefaultOutputWatch &) = delete;

    // The default output, and the monitor source that records what plays on
    // it, when it may have changed since the last call; false when nothing
    // may have changed or the server did not answer.
    bool changed(QByteArray &sink, QByteArray &monitor);
    // Asks now, whatever the flag says.
    bool current(QByteArray &sink, QByteArray &monitor);
    // Asks now, the default as a connection made now reads it where the
    // server may not have told this one yet: for the start of a recording.
    bool confirmed(QByteArray &sink, QByteArray &monitor);
    // The loop-back device was listed at the last answer.
    bool deviceListed() const { return m_deviceListed; }

private:
    struct Flags
    {
        std::atomic<bool> defaultChanged{false};
        std::atomic<bool> activity{false};   // a device, stream or module changed
    };
    // The default named, or this connection's when defaultSink is empty.
    bool read(QByteArray &sink, QByteArray &monitor, const QByteArray &defaultSink);
    // Whether the server still tells this connection of changes of the
    // default: the default it reports against a new connection's.
    void checkReports();
    // The server is PipeWire's, which can stop reporting (asked once).
    bool reportsMayStop();

    PulseContext *m_ctx;
    QMetaObject::Connection m_connection;
    // Shared with the report handler, which may still run while this goes.
    std::shared_ptr<Flags> m_flags = std::make_shared<Flags>();
    std::chrono::steady_clock::time_point m_lastAsked;
    std::chrono::steady_clock::time_point m_lastChecked;
    // The default a new connection read while this one reported another;
    // a difference that lasts means that the reports stopped.
    QByteArray m_untold;
    int m_mayStop = -1;   // unknown until asked
    bool m_deviceListed = false;
};
