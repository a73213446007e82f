#pragma once
// Serves one file over HTTP once, as a pipe gives its bytes once: no length,
// no byte ranges, and a second request (a reader that would start over to go
// back) is refused, so a reader can only read it forward. One client at a
// time, on a thread of its own (a player opens its input on the caller's
// thread and reads it on its own, neither of which runs an event loop here).

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

class StreamServer
{
public:
    explicit StreamServer(const QByteArray &body);
    ~StreamServer();
    StreamServer(const StreamServer &) = delete;
    StreamServer &operator=(const StreamServer &) = delete;

    bool isListening() const { return m_listen >= 0; }
    // The address of the stream; `name` ends it (a reader may go by its suffix).
    QString url(const QString &name) const;
    // Requests made so far, the refused ones included.
    int requests() const { return m_requests.load(); }

private:
    void serve();
    void serveClient(int client);
    // Waits for the socket to be ready for `events`; false once the server stops.
    bool waitFor(int socket, short events);

    QByteArray m_body;
    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};
