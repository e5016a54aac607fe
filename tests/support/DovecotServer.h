// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

/*
 * A real Dovecot POP3 server on 127.0.0.1 for one test (or benchmark): its
 * own configuration, passwd-file users and Maildir storage in a short
 * temporary folder under /tmp, started by scripts/dovecot-test-server and
 * stopped when the object goes. The server's rawlogs tell which commands it
 * saw.
 *
 * Ports are chosen below 32768, which settings files of every age can hold.
 */
class DovecotServer
{
public:
    struct User
    {
        QString name;
        QString password; // no ':', '#' or white space
    };

    DovecotServer();
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Whether a Dovecot binary is installed (package dovecot-pop3d).
    static bool isInstalled();

    // Writes the configuration and starts the server; false with
    // errorString() when it did not come up.
    bool start(const QList<User>& users);
    void stop();
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    QString path() const;

    // Delivers a message to the user's Maildir. Messages are numbered in
    // the order they are delivered; LF line ends become CR LF on the wire.
    bool deliver(const QString& user, const QByteArray& message);
    // Delivers many messages at once (the benchmark's mailboxes).
    bool deliverMany(const QString& user, const QList<QByteArray>& messages);

    // Every line the clients sent, in the order the server received them,
    // before and after login ("USER alice", "PASS secret", "STAT", ...).
    QList<QByteArray> commandsSeen() const;

    // The demo's sample mail of one user (demo/<user>/*.eml, in name order):
    // Japanese messages as Japanese mail programs send them, one of them
    // multipart with an attachment.
    static QList<QByteArray> demoMessages(const QString& user);
    // Expected command lines, written as C strings, for comparing with
    // commandsSeen().
    static QList<QByteArray> commandLines(std::initializer_list<const char*> lines);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_script;
    quint16 m_port = 0;
    bool m_running = false;
    QString m_error;
    int m_delivered = 0;
};
