// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/MessageTail.h"
#include "pop3/Pop3.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

class QSslError;
class QTcpSocket;
class SessionHandler;
class SessionHost;

namespace Settings {
struct CurrentAccount;
}

/*
 * The checker's one POP3 connection and the state of the session running on
 * it: `sessionMode`, `sockPhase`, `popStep`, `pendingCmd`, `replyBuf` and the
 * session time-out (`timeuptimer`, `timeupCount`). The three session kinds
 * take turns on it; each registers a SessionHandler for its reply handling.
 *
 * Everything runs on the user-interface thread from the event loop: the
 * socket's connected, readyRead and bytesWritten signals are the connect,
 * read and write notifications, and every one of them restarts the time-out.
 * Nothing here waits or runs a nested event loop; messages for the user go
 * to SessionHost::ShowMsg through the event loop (queueShowMsg), after the
 * handler that found the failure has finished.
 *
 * A reply is handed to the session once its status line is complete: a
 * status line that the network splits over two reads is joined first. The
 * rest of a multi-line response is handed on read by read, as it arrives,
 * up to its end mark wherever the reads split it; bytes after the end mark
 * begin the reply to the session's next command.
 *
 * Failures that the platform reports at once (a host that cannot be found,
 * a refused or unreachable connection, a server that closes the connection
 * before the reply to QUIT, a response past the bounds of Pop3.h) end the
 * session like a receive error: connection closed, phase idle, then the
 * session's error exit.
 *
 * A session that has been given up (QUIT sent by subDisConn or the
 * time-out) has already handed over to its driver: whatever its server does
 * next, answer or close, only closes the connection. A new logon closes a
 * connection that an earlier session left open.
 */
class Pop3Connection : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds timeuptimerInterval{60000};

    explicit Pop3Connection(SessionHost& host, QObject* parent = nullptr);
    ~Pop3Connection() override;

    // Registers the reply handling of a session kind; nullptr removes it.
    void setHandler(Pop3::SessionMode mode, SessionHandler* handler);

    // Opens the connection for an account (host name or dotted address,
    // port, encryption) and returns at once; the greeting arrives later. The
    // port is the stored 16-bit number read as unsigned, as the socket
    // address takes it. A failure reported at once runs the session's error
    // exit before logon returns.
    //
    // Every session begins with CAPA after the greeting (RFC 2449); the
    // session sees the greeting once its answer is in (capabilities()).
    // Encryption ("Tls"): 2 makes the TLS handshake right after the
    // connection (POP3 over TLS); 1 needs STLS in the answer to CAPA and
    // sends it, then CAPA again on the encrypted connection (RFC 2595). Either way the session
    // begins, with the greeting, only on an encrypted connection whose
    // certificate Qt verified against the system's authorities and the
    // server name, or which is the one the user trusts ("TlsPin"); anything
    // else ends the session before USER, never in clear text.
    void logon(Pop3::SessionMode mode, const Settings::CurrentAccount& account);
    // The user's words for a refusal: the server's words (serverWords),
    // and after a refused USER on a connection without encryption a line
    // saying that the server may require it.
    QString refusalText(const QByteArray& chunk) const;
    // Writes one command line (with its CR LF) in code page 932 and records
    // it in the transcript, the password line as
    // "PASS ******************************". The phase becomes Sent, and its
    // reply is awaited.
    void subSend(const QString& line);
    // A session's command whose response it collects: `popStep` step,
    // `replyBuf` emptied, `pendingCmd` command, then line goes out.
    void sendForResponse(int step, const QByteArray& command, const QString& line);
    // Pipelining (RFC 2449): writes a command ahead of the replies still due,
    // leaving the reply being read as it is. Its transcript line waits until
    // its own reply is next (nextReply), so that the transcript reads as if
    // one command went out at a time.
    // Several commands go out in one write.
    void sendAhead(const QStringList& lines);
    // The reply to the oldest command sent ahead comes next; command is its
    // `pendingCmd` ("TOP" and "RETR" have multi-line responses).
    void nextReply(const QByteArray& command);
    // What the server offered in its answer to CAPA before the session
    // began; nothing when it refused CAPA.
    const Pop3::Capabilities& capabilities() const { return m_capabilities; }
    // Ends the running session with QUIT if its connection is open, and
    // gives it up: `pendingCmd` emptied, `popStep` 6.
    void subDisConn();
    // The normal end after the reply to QUIT: connection closed, phase idle.
    void endSession();
    // Shows text through SessionHost::ShowMsg from the event loop, one box
    // at a time: a message that comes while a box is open waits until it is
    // closed. then, if given, runs once this message's box has been closed
    // (or suppressed), so that a driver can pause after the user read it.
    void queueShowMsg(const QString& text, std::function<void()> then = {});
    // Runs then from the event loop once every message queued so far has
    // been closed (at once, if none is waiting or open).
    void afterMessages(std::function<void()> then);
    // A driver's pause for after a box: starts pause unless the driver has
    // run since (driverRuns counts its runs), so that a box closed late does
    // not drive a cycle that has been begun anew. Both outlive the call.
    static std::function<void()> driverPause(QTimer& pause, const quint64& driverRuns)
    {
        return [&pause, &driverRuns, runs = driverRuns] {
            if (runs == driverRuns)
                pause.start();
        };
    }

    // The session time-out. startTimeup: `timeupCount` = 1 and the minute
    // clock started, as a driver does before logon. restartTimeup pushes the
    // next tick a full interval away if the clock runs.
    void startTimeup();
    void stopTimeup();
    void restartTimeup();
    void setTimeupInterval(std::chrono::milliseconds interval);
    bool isTimeupActive() const { return m_timeuptimer.isActive(); }
    int timeupCount() const { return m_timeupCount; }

    Pop3::SessionMode sessionMode() const { return m_sessionMode; }
    Pop3::SockPhase sockPhase() const { return m_sockPhase; }
    void setSockPhase(Pop3::SockPhase phase) { m_sockPhase = phase; }
    int popStep() const { return m_popStep; }
    void setPopStep(int step) { m_popStep = step; }
    const QByteArray& pendingCmd() const { return m_pendingCmd; }
    void setPendingCmd(const QByteArray& command) { m_pendingCmd = command; }
    QByteArray& replyBuf() { return m_replyBuf; }
    // Whether the chunk just handed to the session begins its reply: it
    // holds the status line, and "-ERR" there is a refusal rather than text.
    bool beginsReply() const { return m_chunkBeginsReply; }
    // Whether the chunk just handed to the session completed the multi-line
    // response to TOP or RETR: `replyBuf` ends with its end mark, NULs
    // replaced by CR LF (RFC 1939).
    bool responseComplete() const { return m_responseComplete; }
    // The size in bytes of the response just completed as the server sent
    // it. A RETR response past Pop3::retrKeptBytes is not kept whole:
    // `replyBuf` then holds its start, the headers of the parts that name
    // files, and the end mark.
    qint64 responseSize() const { return m_responseSize; }
    // True while a socket exists (open, connecting or resolving).
    bool hasSocket() const { return m_hSock != nullptr; }

private:
    void handleConnected();
    void handleEncrypted();
    void handleSslErrors(const QList<QSslError>& errors);
    // Before the session begins: the greeting, CAPA, and for STARTTLS STLS.
    void openSession(const QByteArray& chunk);
    void sendCapa();
    void beginSession();
    void untrustedCertificate();
    void handleReadyRead();
    void handleBytesWritten();
    void handleError();
    void timeuptimer_Timer();
    void handleData(const QByteArray& data);
    void receiveStep(QByteArray data);
    void failSession(const QString& text);
    // A RETR response has passed Pop3::retrKeptBytes: from here on it goes
    // through m_tail.
    void keepStartOnly();
    void completeResponse();
    void logCommand(const QString& line);
    void writeCommand(const QString& line);
    void closeSocket();
    SessionHandler* handler() const;
    void showQueuedMessages();

    SessionHost& m_host;
    std::array<SessionHandler*, Pop3::sessionModeCount> m_handlers{};
    QTcpSocket* m_hSock = nullptr;
    QTimer m_timeuptimer;
    std::chrono::milliseconds m_timeupInterval = timeuptimerInterval;
    // The last notification while the clock runs; invalid when there was
    // none since the clock was last set.
    QElapsedTimer m_lastNotification;
    int m_timeupCount = 0;
    Pop3::SessionMode m_sessionMode = Pop3::SessionMode::Check;
    Pop3::SockPhase m_sockPhase = Pop3::SockPhase::Idle;
    int m_popStep = 0;
    QByteArray m_pendingCmd;
    QByteArray m_replyBuf;
    QByteArray m_readBuffer;
    // The start of a reply whose status line is not complete yet.
    QByteArray m_statusLine;
    bool m_awaitingStatus = false;
    // A multi-line response is being collected; m_scanned is how much of
    // `replyBuf` has been searched for its end.
    bool m_multiLine = false;
    qsizetype m_scanned = 0;
    bool m_responseComplete = false;
    bool m_chunkBeginsReply = false;
    // Where the response begins in `replyBuf`, and its size once complete.
    qsizetype m_responseStart = 0;
    qint64 m_responseSize = 0;
    std::optional<MessageTail> m_tail;
    // True from subDisConn or the time-out until the next logon.
    bool m_abandoned = false;
    // QUIT has been written on this connection.
    bool m_quitSent = false;
    // The last command written, for the refusal text.
    QByteArray m_lastCommand;

    // The opening of a session, before its own commands: the greeting, CAPA
    // (RFC 2449), and for STARTTLS STLS, the handshake and CAPA again.
    enum class TlsStep {
        Greeting,  // the greeting awaited
        CapaSent,  // its answer tells what the server offers
        StlsSent,  //
        Handshake, // the TLS handshake runs; nothing is read in clear text
        Session,   // the session runs
    };
    TlsStep m_tlsStep = TlsStep::Session;
    // What the server offered in this session's CAPA answer.
    Pop3::Capabilities m_capabilities;
    bool m_encrypted = false;
    // Commands written ahead of their replies, oldest first, for the
    // transcript and the refusal text.
    QList<QString> m_ahead;
    int m_tls = 0;
    QString m_pin;
    QString m_accountName;
    int m_account = 0;
    QByteArray m_greeting;
    // A certificate that could not be verified, seen during the handshake.
    QString m_untrustedFingerprint; // lower-case hex
    QStringList m_untrustedReasons;
    // Questions asked in this run, and certificates the user refused:
    // account, server and certificate.
    QSet<QString> m_asked;

    struct PendingMessage
    {
        QString text;
        std::function<void()> then;
        // A question instead of a message: asked with askTrust, answered
        // here.
        std::function<void(bool)> decide;
    };
    QList<PendingMessage> m_messages;
    // A box is open (its event loop runs inside showQueuedMessages).
    bool m_showingMessage = false;
};
