#include "streamserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

StreamServer::StreamServer(const QByteArray &body) : m_body(body)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(s, 4) != 0
        || ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(s);
        return;
    }
    m_listen = s;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&StreamServer::serve, this);
}

StreamServer::~StreamServer()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
}

QString StreamServer::url(const QString &name) const
{
    return QString("http://127.0.0.1:%1/%2").arg(m_port).arg(name);
}

bool StreamServer::waitFor(int socket, short events)
{
    pollfd p{socket, events, 0};
    while (!m_stopping) {
        const int ready = ::poll(&p, 1, 50);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

void StreamServer::serve()
{
    while (waitFor(m_listen, POLLIN)) {
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        serveClient(client);
        ::close(client);
    }
}

void StreamServer::serveClient(int client)
{
    QByteArray request;
    while (!request.contains("\r\n\r\n")) {
        char buffer[1024];
        if (!waitFor(client, POLLIN))
            return;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, int(got));
    }
    // A Range asked for is not honoured, and no Accept-Ranges says it could be.
    QByteArray out = ++m_requests == 1
        ? "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n" + m_body
        : QByteArray("HTTP/1.0 410 Gone\r\nConnection: close\r\n\r\n");
    qsizetype sent = 0;
    while (sent < out.size()) {
        if (!waitFor(client, POLLOUT))
            return;
        const ssize_t n = ::send(client, out.constData() + sent, size_t(out.size() - sent), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return; // the reader went away
        }
        sent += n;
    }
}
