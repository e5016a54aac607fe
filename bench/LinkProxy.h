// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

/*
 * A TCP relay on 127.0.0.1 between a POP3 client and a server on loopback,
 * for the benchmark: every chunk read from one side is written to the other
 * `delay` later, in the order it was read, in both directions. A chunk is
 * released at its own time, not after the previous one's wait, so the relay
 * adds latency but takes no bandwidth away: a client that keeps several
 * commands in flight gains as it would on a real link with that round trip.
 *
 * With Capabilities::Refused it plays a server of RFC 1939 alone: the
 * commands CAPA (RFC 2449) and UIDL never reach the server, the relay
 * answers them "-ERR" itself. It answers at once, which is right for a
 * client that waits for each reply, as a client must where PIPELINING was
 * never announced.
 *
 * The relay runs its own thread on blocking-free sockets and ppoll(), away
 * from any Qt event loop; it serves any number of connections, one after
 * another or at once, until it is destroyed.
 */
class LinkProxy
{
public:
    enum class Capabilities {
        AsServer, // everything passes
        Refused,  // CAPA and UIDL answered "-ERR"
    };

    LinkProxy(quint16 serverPort, std::chrono::microseconds delay,
              Capabilities capabilities = Capabilities::AsServer);
    ~LinkProxy();
    LinkProxy(const LinkProxy&) = delete;
    LinkProxy& operator=(const LinkProxy&) = delete;

    // Listens on a free port below 32768 (the settings hold a port in 16
    // signed bits) and starts the thread; false when nothing could be bound.
    bool start();
    quint16 port() const { return m_port; }

    // A tap on the link: the seconds from the first byte any server sent
    // since resetTiming to the last, and how many servers have closed their
    // side of a connection.
    void resetTiming()
    {
        m_firstDown = 0;
        m_lastDown = 0;
    }
    double serverSeconds() const { return double(m_lastDown - m_firstDown) / 1e9; }
    int serverEnds() const { return m_serverEnds; }

private:
    using Clock = std::chrono::steady_clock;

    // Bytes read from one side, due on the other at `due`. An empty chunk
    // stands for the end of the stream and becomes a half-close.
    struct Chunk
    {
        Clock::time_point due;
        std::string bytes;
        std::size_t written = 0;
    };
    // One direction of one connection.
    struct Pipe
    {
        int from = -1;
        int to = -1;
        bool ended = false;   // `from` has reached its end
        bool closed = false;  // the end has been passed on
        bool blocked = false; // `to` took no more; wait for POLLOUT
        std::deque<Chunk> queue;
        std::string partialLine; // Refused, client to server only
    };
    struct Connection
    {
        Pipe up;   // client to server
        Pipe down; // server to client
    };

    void run();
    void accept();
    // Reads what `pipe.from` holds and queues it; `reverse` carries the
    // replies the relay gives itself.
    void read(Pipe& pipe, Pipe& reverse, bool fromClient, Clock::time_point now);
    // Queues the client's bytes, or answers CAPA and UIDL in their place.
    void filterCommands(Pipe& up, Pipe& down, const char* data, std::size_t size,
                        Clock::time_point now);
    // Writes the chunks that are due, as far as the socket takes them.
    void release(Pipe& pipe, Clock::time_point now);

    quint16 m_serverPort;
    std::chrono::microseconds m_delay;
    Capabilities m_capabilities;
    quint16 m_port = 0;
    int m_listener = -1;
    int m_wake[2] = {-1, -1}; // a pipe whose write end stops the thread
    std::vector<Connection> m_connections;
    std::thread m_thread;
    std::atomic<qint64> m_firstDown{0}; // steady clock, nanoseconds
    std::atomic<qint64> m_lastDown{0};
    std::atomic<int> m_serverEnds{0};
};
