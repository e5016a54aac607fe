// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkProxy.h"

#include <QRandomGenerator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>
#include <utility>

namespace {

constexpr std::size_t chunkBytes = 65536;
// A command line longer than this is passed on as it is: no command of
// RFC 1939 comes near it.
constexpr std::size_t longestCommand = 1024;

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void setNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

LinkProxy::LinkProxy(quint16 serverPort, std::chrono::microseconds delay, Capabilities capabilities)
    : m_serverPort(serverPort), m_delay(delay), m_capabilities(capabilities)
{}

LinkProxy::~LinkProxy()
{
    if (m_thread.joinable()) {
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], "x", 1);
        m_thread.join();
    }
    for (const Connection& connection : m_connections) {
        ::close(connection.up.from);
        ::close(connection.up.to);
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool LinkProxy::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (m_listener < 0 || ::pipe(m_wake) != 0)
        return false;
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    for (int attempt = 0; attempt < 200 && m_port == 0; ++attempt) {
        const auto port = quint16(QRandomGenerator::global()->bounded(20000, 32000));
        const sockaddr_in address = loopback(port);
        if (::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            m_port = port;
    }
    if (m_port == 0 || ::listen(m_listener, 16) != 0)
        return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void LinkProxy::run()
{
    for (;;) {
        const Clock::time_point now = Clock::now();
        for (Connection& connection : m_connections) {
            release(connection.up, now);
            release(connection.down, now);
        }
        std::erase_if(m_connections, [](const Connection& connection) {
            if (!connection.up.closed || !connection.down.closed)
                return false;
            ::close(connection.up.from);
            ::close(connection.up.to);
            return true;
        });

        // The thread sleeps until a socket has something or the next chunk
        // is due; a socket with nothing asked of it is left out, since
        // poll reports its hang-up whether asked or not.
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        std::optional<Clock::time_point> next;
        for (Connection& connection : m_connections) {
            short client = connection.up.ended ? 0 : POLLIN;
            short server = connection.down.ended ? 0 : POLLIN;
            for (Pipe* pipe : {&connection.up, &connection.down}) {
                if (pipe->queue.empty() || pipe->closed)
                    continue;
                if (pipe->blocked)
                    (pipe == &connection.up ? server : client) |= POLLOUT;
                else
                    next =
                        std::min(next.value_or(Clock::time_point::max()), pipe->queue.front().due);
            }
            fds.push_back({client != 0 ? connection.up.from : -1, client, 0});
            fds.push_back({server != 0 ? connection.up.to : -1, server, 0});
        }
        timespec timeout{};
        timespec* wait = nullptr;
        if (next) {
            const auto left = std::max(Clock::duration::zero(), *next - Clock::now());
            const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left);
            timeout.tv_sec = time_t(nanoseconds.count() / 1000000000);
            timeout.tv_nsec = long(nanoseconds.count() % 1000000000);
            wait = &timeout;
        }
        if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;

        const Clock::time_point after = Clock::now();
        for (std::size_t i = 0; i < m_connections.size(); ++i) {
            Connection& connection = m_connections[i];
            const short client = fds[2 + 2 * i].revents;
            const short server = fds[3 + 2 * i].revents;
            if ((client & (POLLOUT | POLLERR | POLLHUP)) != 0)
                connection.down.blocked = false;
            if ((server & (POLLOUT | POLLERR | POLLHUP)) != 0)
                connection.up.blocked = false;
            if ((client & (POLLIN | POLLERR | POLLHUP)) != 0)
                read(connection.up, connection.down, true, after);
            if ((server & (POLLIN | POLLERR | POLLHUP)) != 0)
                read(connection.down, connection.up, false, after);
        }
        if ((fds[1].revents & POLLIN) != 0)
            accept();
    }
}

void LinkProxy::accept()
{
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK);
    if (client < 0)
        return;
    // Loopback connects at once; blocking keeps this simple.
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(m_serverPort);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(client);
        if (server >= 0)
            ::close(server);
        return;
    }
    setNonBlocking(server);
    Connection connection;
    connection.up.from = client;
    connection.up.to = server;
    connection.down.from = server;
    connection.down.to = client;
    m_connections.push_back(std::move(connection));
}

void LinkProxy::read(Pipe& pipe, Pipe& reverse, bool fromClient, Clock::time_point now)
{
    if (pipe.ended)
        return;
    char data[chunkBytes];
    const ssize_t n = ::recv(pipe.from, data, sizeof data, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    const bool filtered = fromClient && m_capabilities == Capabilities::Refused;
    if (!fromClient) {
        if (n > 0) {
            const qint64 at =
                std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch())
                    .count();
            qint64 none = 0;
            m_firstDown.compare_exchange_strong(none, at);
            m_lastDown = at;
        } else {
            ++m_serverEnds;
        }
    }
    if (n <= 0) {
        pipe.ended = true;
        if (filtered && !pipe.partialLine.empty())
            pipe.queue.push_back({now + m_delay, std::exchange(pipe.partialLine, {})});
        pipe.queue.push_back({now + m_delay, std::string()});
        return;
    }
    if (pipe.closed)
        return; // the other side is gone; nobody reads this
    if (filtered)
        filterCommands(pipe, reverse, data, std::size_t(n), now);
    else
        pipe.queue.push_back({now + m_delay, std::string(data, std::size_t(n))});
}

void LinkProxy::filterCommands(Pipe& up, Pipe& down, const char* data, std::size_t size,
                               Clock::time_point now)
{
    up.partialLine.append(data, size);
    std::string passed;
    std::size_t start = 0;
    for (std::size_t end; (end = up.partialLine.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = up.partialLine.substr(start, end + 1 - start);
        std::string verb = line.substr(0, line.find_first_of(" \r\n"));
        std::transform(verb.begin(), verb.end(), verb.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        if (verb == "CAPA" || verb == "UIDL")
            // As if it had gone to the server and back.
            down.queue.push_back({now + 2 * m_delay, "-ERR Unknown command.\r\n"});
        else
            passed += line;
    }
    up.partialLine.erase(0, start);
    if (up.partialLine.size() > longestCommand)
        passed += std::exchange(up.partialLine, {});
    if (!passed.empty())
        up.queue.push_back({now + m_delay, std::move(passed)});
}

void LinkProxy::release(Pipe& pipe, Clock::time_point now)
{
    while (!pipe.queue.empty() && !pipe.blocked && !pipe.closed) {
        Chunk& front = pipe.queue.front();
        if (front.due > now)
            return;
        if (front.bytes.empty()) {
            ::shutdown(pipe.to, SHUT_WR);
            pipe.closed = true;
            pipe.queue.clear();
            return;
        }
        const ssize_t n = ::send(pipe.to, front.bytes.data() + front.written,
                                 front.bytes.size() - front.written, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pipe.blocked = true;
            } else if (errno != EINTR) {
                // The reader is gone: what is left of this direction is lost.
                pipe.closed = true;
                pipe.queue.clear();
            }
            return;
        }
        front.written += std::size_t(n);
        if (front.written == front.bytes.size())
            pipe.queue.pop_front();
    }
}
