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
 * A real Dovecot POP3 server on loopback for one test (or benchmark): its
 * own configuration, passwd-file users and Maildir storage in a short
 * temporary folder under /tmp, started by scripts/dovecot-test-server and
 * stopped when the object goes. The server's rawlogs tell which commands it
 * saw; its log tells who logged in, and whether inside TLS.
 *
 * By default it speaks clear text on 127.0.0.1, as it always has. With TLS
 * it listens on 127.0.0.2 with "ssl = required": Dovecot treats a
 * connection whose two ends share an address as secure, so only a client
 * on 127.0.0.1 talking to 127.0.0.2 is refused clear-text USER as a client
 * on the LAN is. The certificates are made with openssl in the temporary
 * folder and die with it.
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

    enum class Tls {
        // 127.0.0.1, no TLS at all.
        Off,
        // 127.0.0.2, no TLS: CAPA lacks STLS, STLS is refused, no
        // POP3-over-TLS port; clear-text USER works from 127.0.0.1.
        OffRemote,
        // 127.0.0.2, STLS on port() and POP3 over TLS on tlsPort(); a
        // certificate for IP:127.0.0.2 and DNS:localhost signed by the test
        // CA (caCertificatePath()).
        CaSigned,
        // The same with a self-signed certificate that no CA vouches for.
        SelfSigned,
        // Signed by the test CA, but for mail.example.jp only: the host
        // name does not match.
        OtherName,
    };

    // One attempt to log in, as the server's log tells it: USER was sent
    // (in clear text or inside TLS), and the session ended or logged in.
    struct Login
    {
        QString user;
        bool loggedIn = false; // the password was accepted
        bool tls = false;      // the session was inside TLS

        friend bool operator==(const Login&, const Login&) = default;
    };

    DovecotServer();
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Whether a Dovecot binary is installed (package dovecot-pop3d).
    static bool isInstalled();

    // Writes the configuration and starts the server; false with
    // errorString() when it did not come up.
    bool start(const QList<User>& users, Tls tls = Tls::Off);
    // Before start: the server keeps no transcripts (commandsSeen() and the
    // logins then know nothing), for a benchmark that times otherwise.
    void keepNoTranscripts() { m_transcripts = false; }
    // Starts the server again on the same address and ports, with the same
    // users, mail and test CA, but a new certificate (a new key even for
    // the same kind): "the certificate changed since it was trusted". Off
    // cannot change to another kind (its address differs).
    bool restart(Tls tls);
    void stop();
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }
    QString address() const { return m_address; }
    // The POP3 port (STLS is offered there when a certificate is served).
    quint16 port() const { return m_port; }
    // POP3 over TLS (handshake right after connecting); 0 without a
    // certificate.
    quint16 tlsPort() const;
    QString path() const;

    // The test CA's certificate (PEM), for a client's trusted CAs; empty
    // when no certificate was ever served.
    QString caCertificatePath() const;
    // The certificate served now (PEM), and its SHA-256 over the DER form
    // as 64 lower-case hex digits, as a user pins it; empty without one.
    QString certificatePath() const;
    QByteArray certificateSha256() const { return m_sha256; }

    // Delivers a message to the user's Maildir. Messages are numbered in
    // the order they are delivered; LF line ends become CR LF on the wire.
    bool deliver(const QString& user, const QByteArray& message);
    // Delivers many messages at once (the benchmark's mailboxes).
    bool deliverMany(const QString& user, const QList<QByteArray>& messages);

    // Every line the clients sent, in the order the server received them,
    // before and after login ("USER alice", "PASS secret", "STAT", ...).
    // What a session sent encrypted before login (the handshake, and USER
    // and PASS inside TLS) shows as one line "[TLS]"; after login the
    // server logs the decrypted commands again.
    QList<QByteArray> commandsSeen() const;
    // Every session in which USER was sent, in order. Dovecot writes a
    // refused attempt when its session ends: wait with QTRY_*.
    QList<Login> logins() const;
    // Whether USER was ever sent for this user, in clear text or not.
    bool userSent(const QString& user) const;

    // The demo's sample mail of one user (demo/<user>/*.eml, in name order):
    // Japanese messages as Japanese mail programs send them, one of them
    // multipart with an attachment.
    static QList<QByteArray> demoMessages(const QString& user);
    // Expected command lines, written as C strings, for comparing with
    // commandsSeen().
    static QList<QByteArray> commandLines(std::initializer_list<const char*> lines);

private:
    bool runScript(const QStringList& arguments);
    bool makeCertificate(Tls tls);
    bool launch();

    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_transcripts = true;
    QString m_script;
    QList<User> m_users;
    Tls m_tls = Tls::Off;
    QString m_address;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    int m_certificates = 0; // made so far; the last one is served
    QByteArray m_sha256;
    bool m_running = false;
    QString m_error;
    int m_delivered = 0;
};

// Found by QCOMPARE through argument-dependent lookup.
inline char* toString(const DovecotServer::Login& login)
{
    const QByteArray text = "Login(" + login.user.toUtf8() +
                            (login.loggedIn ? ", logged in" : ", not logged in") +
                            (login.tls ? ", TLS)" : ", clear text)");
    return qstrdup(text.constData());
}
