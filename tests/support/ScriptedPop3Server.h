// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <vector>

/*
 * A POP3 server inside the test, on 127.0.0.1 and a port of its own. It
 * answers like a small mail server from its mailboxes (USER, PASS, STAT,
 * TOP, RETR, DELE, NOOP, QUIT, RFC 1939; deletions are carried out by
 * QUIT, as Dovecot does; CAPA and UIDL where capabilities says so, a
 * message's unique id the hash of its text), and a test changes its manners where the
 * session under test must cope: any command answered with a fixed reply,
 * with silence or by closing the connection; replies cut into pieces that
 * reach the client as separate reads; status words in lower case; or no
 * automatic replies at all (the test writes every byte itself).
 *
 * Every line a client sent is recorded per connection, CR LF included.
 */
class ScriptedPop3Server
{
public:
    struct Mailbox
    {
        QByteArray password;
        QList<QByteArray> messages; // each with CR LF line ends, no final "."
    };

    enum class Manner { Reply, Silence, Close };
    struct Action
    {
        Manner manner = Manner::Reply;
        QByteArray reply;
        bool once = false; // only the first matching command
    };

    // The answer to CAPA, one capability a line ("UIDL", "PIPELINING");
    // empty refuses CAPA, as a server from before RFC 2449 does.
    QList<QByteArray> capabilities;
    // Sent on connect; empty means a silent server.
    QByteArray greeting = "+OK scripted POP3 server ready\r\n";
    // Replies written automatically; off, the test writes with write().
    bool autoReply = true;
    // "+ok" and "-err" instead of "+OK" and "-ERR".
    bool lowerCaseStatus = false;
    // Cuts a reply to command into the pieces written one after another,
    // pieceDelay apart, so that each arrives as a read of its own.
    std::function<QList<QByteArray>(const QByteArray& command, const QByteArray& reply)> cut;
    std::chrono::milliseconds pieceDelay{40};

    ScriptedPop3Server()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }

    ~ScriptedPop3Server()
    {
        for (auto& connection : m_connections) {
            if (connection.socket)
                connection.socket->abort();
        }
    }

    quint16 port() const { return m_server.serverPort(); }
    // Stops listening: a later connect is refused.
    void close() { m_server.close(); }

    void addMailbox(const QByteArray& user, const QByteArray& password,
                    const QList<QByteArray>& messages)
    {
        m_mailboxes[user] = Mailbox{password, messages};
    }
    Mailbox& mailbox(const QByteArray& user) { return m_mailboxes[user]; }

    // Commands starting with prefix ("PASS", "TOP 2 ") are met with action
    // instead of the mailbox's answer.
    void on(const QByteArray& prefix, Action action) { m_actions[prefix] = std::move(action); }
    void answer(const QByteArray& prefix, const QByteArray& reply)
    {
        on(prefix, Action{Manner::Reply, reply});
    }

    int connectionCount() const { return int(m_connections.size()); }
    // The lines of connection i (0-based), in order.
    QList<QByteArray> session(int i) const
    {
        return i < int(m_connections.size()) ? m_connections.at(std::size_t(i)).lines
                                             : QList<QByteArray>();
    }
    QList<QByteArray> allLines() const
    {
        QList<QByteArray> lines;
        for (const auto& connection : m_connections)
            lines += connection.lines;
        return lines;
    }
    // Whether the client of connection i still holds it open.
    bool isOpen(int i) const
    {
        return i < int(m_connections.size()) && m_connections.at(std::size_t(i)).socket &&
               m_connections.at(std::size_t(i)).socket->state() == QAbstractSocket::ConnectedState;
    }

    // Writes raw bytes to the newest connection, now.
    void write(const QByteArray& bytes)
    {
        if (m_connections.empty() || !m_connections.back().socket)
            return;
        m_connections.back().socket->write(bytes);
        m_connections.back().socket->flush();
    }
    void closeClient()
    {
        if (!m_connections.empty() && m_connections.back().socket)
            m_connections.back().socket->disconnectFromHost();
    }

    // The summary of message bytes up to and including `lines` body lines,
    // dot-stuffed and ended by "." (RFC 1939 TOP).
    static QByteArray topResponse(const QByteArray& message, int lines)
    {
        return "+OK\r\n" + stuffed(message, lines);
    }
    // The whole of message bytes, dot-stuffed and ended by "." (RETR).
    static QByteArray retrResponse(const QByteArray& message)
    {
        return "+OK " + QByteArray::number(message.size()) + " octets\r\n" +
               stuffed(message, std::numeric_limits<int>::max());
    }

    static QByteArray uid(const QByteArray& message)
    {
        return QCryptographicHash::hash(message, QCryptographicHash::Sha1).toHex().left(20);
    }

private:
    static QByteArray stuffed(const QByteArray& message, int lines)
    {
        QByteArray out;
        const QList<QByteArray> parts = message.split('\n');
        bool inBody = false;
        int bodyLines = 0;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QByteArray line = parts.at(i);
            if (i == parts.size() - 1 && line.isEmpty())
                break;
            if (line.endsWith('\r'))
                line.chop(1);
            if (inBody && bodyLines++ >= lines)
                break;
            if (line.startsWith('.'))
                line.prepend('.');
            out += line + "\r\n";
            if (!inBody && line.isEmpty())
                inBody = true;
        }
        return out + ".\r\n";
    }

    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QList<QByteArray> lines;
        QByteArray pending;
        QByteArray user;
        bool loggedIn = false;
        QList<QByteArray> outbox;
        bool writing = false;
        bool closeAfterWrite = false;
        QList<int> deleted; // numbers marked by DELE, removed by QUIT
    };

    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(&m_server);
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            const std::size_t index = m_connections.size();
            m_connections.push_back(Connection{socket, {}, {}, {}, false, {}, false, false, {}});
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, index] { readFrom(index); });
            if (autoReply && !greeting.isEmpty())
                send(index, QByteArray(), status(greeting));
        }
    }

    QByteArray status(QByteArray reply) const
    {
        if (lowerCaseStatus) {
            if (reply.startsWith("+OK"))
                reply.replace(0, 3, "+ok");
            else if (reply.startsWith("-ERR"))
                reply.replace(0, 4, "-err");
        }
        return reply;
    }

    void readFrom(std::size_t index)
    {
        Connection& connection = m_connections.at(index);
        connection.pending += connection.socket->readAll();
        qsizetype end;
        while ((end = connection.pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = connection.pending.left(end + 2);
            connection.pending.remove(0, end + 2);
            connection.lines.append(line);
            if (autoReply)
                respond(index, line.chopped(2));
        }
    }

    void respond(std::size_t index, const QByteArray& command)
    {
        for (auto it = m_actions.rbegin(); it != m_actions.rend(); ++it) {
            if (!command.startsWith(it->first))
                continue;
            const Action action = it->second;
            if (action.once)
                m_actions.erase(std::next(it).base());
            switch (action.manner) {
            case Manner::Reply:
                send(index, command, action.reply);
                return;
            case Manner::Silence:
                return;
            case Manner::Close:
                m_connections.at(index).socket->disconnectFromHost();
                return;
            }
        }
        Connection& connection = m_connections.at(index);
        const QList<QByteArray> words = command.split(' ');
        const QByteArray verb = words.value(0).toUpper();
        const Mailbox* box = connection.loggedIn && m_mailboxes.contains(connection.user)
                                 ? &m_mailboxes[connection.user]
                                 : nullptr;
        if (verb == "USER") {
            connection.user = words.value(1);
            send(index, command, status("+OK\r\n"));
        } else if (verb == "PASS") {
            const auto found = m_mailboxes.constFind(connection.user);
            connection.loggedIn =
                found != m_mailboxes.constEnd() && found->password == command.mid(5);
            send(index, command,
                 status(connection.loggedIn ? "+OK Logged in.\r\n"
                                            : "-ERR [AUTH] Authentication failed.\r\n"));
        } else if (verb == "STAT" && box) {
            qint64 size = 0;
            for (const QByteArray& message : box->messages)
                size += message.size();
            send(index, command,
                 status("+OK " + QByteArray::number(box->messages.size()) + ' ' +
                        QByteArray::number(size) + "\r\n"));
        } else if ((verb == "TOP" || verb == "RETR" || verb == "DELE") && box) {
            const int n = words.value(1).toInt();
            if (n < 1 || n > box->messages.size()) {
                send(index, command, status("-ERR There's no message " + words.value(1) + ".\r\n"));
                return;
            }
            if (connection.deleted.contains(n)) {
                send(index, command, status("-ERR Message is deleted.\r\n"));
                return;
            }
            const QByteArray& message = box->messages.at(n - 1);
            if (verb == "TOP") {
                send(index, command, status(topResponse(message, words.value(2).toInt())));
            } else if (verb == "RETR") {
                send(index, command, status(retrResponse(message)));
            } else {
                connection.deleted.append(n);
                send(index, command, status("+OK Marked to be deleted.\r\n"));
            }
        } else if (verb == "CAPA" && !capabilities.isEmpty()) {
            send(index, command, status("+OK\r\n" + capabilities.join("\r\n") + "\r\n.\r\n"));
        } else if (verb == "UIDL" && box && capabilities.contains("UIDL")) {
            QByteArray list = "+OK\r\n";
            for (qsizetype n = 1; n <= box->messages.size(); ++n) {
                if (!connection.deleted.contains(int(n)))
                    list += QByteArray::number(n) + ' ' + uid(box->messages.at(n - 1)) + "\r\n";
            }
            send(index, command, status(list + ".\r\n"));
        } else if (verb == "NOOP") {
            send(index, command, status("+OK\r\n"));
        } else if (verb == "QUIT") {
            if (connection.loggedIn && !connection.deleted.isEmpty()) {
                QList<QByteArray>& messages = m_mailboxes[connection.user].messages;
                std::sort(connection.deleted.begin(), connection.deleted.end(), std::greater<>());
                for (const int n : std::as_const(connection.deleted))
                    messages.removeAt(n - 1);
                connection.deleted.clear();
            }
            send(index, command, status("+OK Logging out.\r\n"));
            connection.closeAfterWrite = true;
        } else {
            send(index, command, status("-ERR Unknown command.\r\n"));
        }
    }

    void send(std::size_t index, const QByteArray& command, const QByteArray& reply)
    {
        Connection& connection = m_connections.at(index);
        if (cut)
            connection.outbox += cut(command, reply);
        else
            connection.outbox.append(reply);
        if (!connection.writing)
            writeNext(index);
    }

    void writeNext(std::size_t index)
    {
        Connection& connection = m_connections.at(index);
        if (!connection.socket)
            return;
        if (connection.outbox.isEmpty()) {
            connection.writing = false;
            if (connection.closeAfterWrite)
                connection.socket->disconnectFromHost();
            return;
        }
        connection.writing = true;
        connection.socket->write(connection.outbox.takeFirst());
        connection.socket->flush();
        if (connection.outbox.isEmpty()) {
            writeNext(index);
            return;
        }
        QTimer::singleShot(pieceDelay, connection.socket.data(),
                           [this, index] { writeNext(index); });
    }

    QTcpServer m_server;
    std::vector<Connection> m_connections;
    QHash<QByteArray, Mailbox> m_mailboxes;
    std::map<QByteArray, Action> m_actions;
};
