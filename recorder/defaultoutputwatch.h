#pragma once
// Watches the server's default output for a capture thread: the server's
// change reports only raise a flag (they arrive on the sound thread), and the
// capture thread asks for the default when the flag is up, or every quarter
// second where the server no longer reports changes of the defaults.

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
    // The loop-back device was listed at the last answer.
    bool deviceListed() const { return m_deviceListed; }

private:
    PulseContext *m_ctx;
    QMetaObject::Connection m_connection;
    // Shared with the report handler, which may still run while this goes.
    std::shared_ptr<std::atomic<bool>> m_flag = std::make_shared<std::atomic<bool>>(false);
    std::chrono::steady_clock::time_point m_lastAsked;
    bool m_deviceListed = false;
};
