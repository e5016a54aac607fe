// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/Pop3Connection.h"

#include "pop3/MessageTail.h"
#include "pop3/SessionHandler.h"
#include "pop3/SessionHost.h"
#include "settings/CurrentAccountReader.h"
#include "settings/GeneralOptions.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpSocket>

#include <arpa/inet.h>

#include <climits>
#include <utility>

using Pop3::SessionMode;
using Pop3::SockPhase;

namespace {

// How long a closed connection may take to hand its last command (QUIT) to
// the network before it is cut.
constexpr std::chrono::seconds closeGrace{10};

// The most one notification reads.
constexpr qsizetype readSize = 64 * 1024;

} // namespace

Pop3Connection::Pop3Connection(SessionHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    m_timeuptimer.setInterval(m_timeupInterval);
    connect(&m_timeuptimer, &QTimer::timeout, this, &Pop3Connection::timeuptimer_Timer);
}

Pop3Connection::~Pop3Connection()
{
    closeSocket();
}

void Pop3Connection::setHandler(SessionMode mode, SessionHandler* handler)
{
    m_handlers.at(std::size_t(mode)) = handler;
}

SessionHandler* Pop3Connection::handler() const
{
    return m_handlers.at(std::size_t(m_sessionMode));
}

void Pop3Connection::logon(SessionMode mode, const Settings::CurrentAccount& account)
{
    // A time-out or a negative reply sends QUIT and moves on without
    // waiting for the answer; that connection is not needed any more.
    closeSocket();
    m_sessionMode = mode;
    m_sockPhase = SockPhase::Idle;
    m_popStep = 0;
    m_pendingCmd.clear();
    m_replyBuf.clear();
    m_statusLine.clear();
    m_awaitingStatus = false;
    m_multiLine = false;
    m_responseComplete = false;
    m_tail.reset();
    m_abandoned = false;
    m_quitSent = false;
    m_lastCommand.clear();
    m_tls = account.Tls;
    m_pin = account.TlsPin;
    m_accountName = account.Aname;
    m_account = m_host.curAccount();
    m_greeting.clear();
    m_untrustedFingerprint.clear();
    m_untrustedReasons.clear();
    m_tlsStep = m_tls == 2 ? TlsStep::Handshake : TlsStep::Greeting;
    m_capabilities = {};
    m_encrypted = false;
    m_ahead.clear();

    const QString& Hname = account.Hname;
    if (Hname.trimmed().isEmpty()) {
        failSession(QStringLiteral("相手先が指定されていません"));
        return;
    }

    // The socket address takes the port as 16 bits: a negative number of
    // older settings files stands for the port above 32767.
    const auto port = quint16(account.Portno);
    // getHostAddr: a dotted address is used as it is; anything else is
    // looked up by name without blocking, and a name that cannot be found
    // fails with HostNotFoundError instead of being connected to as
    // 255.255.255.255.
    const quint32 address = Pop3::inetAddr(Hname);
    const QString host = address != INADDR_NONE ? QHostAddress(address).toString() : Hname;

    QTcpSocket* socket = nullptr;
    // Unbuffered: a command goes to the network as it is written, and a
    // reply is read from it when the session reads, without a copy in Qt's
    // buffers and an extra pass of the event loop for each. TLS needs
    // Qt's buffers for what it decrypts.
    QIODevice::OpenMode openMode = QIODevice::ReadWrite | QIODevice::Unbuffered;
    if (m_tls == 0) {
        socket = new QTcpSocket(this);
    } else {
        auto* ssl = new QSslSocket(this);
        // The name the user typed, or the address in its usual dotted form,
        // must stand in the certificate (a DNS or an IP entry).
        ssl->setPeerVerifyName(host);
        connect(ssl, &QSslSocket::encrypted, this, &Pop3Connection::handleEncrypted);
        connect(ssl, &QSslSocket::sslErrors, this, &Pop3Connection::handleSslErrors);
        socket = ssl;
        openMode = QIODevice::ReadWrite;
    }
    m_hSock = socket;
    socket->setProxy(QNetworkProxy::NoProxy);
    connect(socket, &QTcpSocket::connected, this, &Pop3Connection::handleConnected);
    connect(socket, &QTcpSocket::readyRead, this, &Pop3Connection::handleReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &Pop3Connection::handleBytesWritten);
    connect(socket, &QTcpSocket::errorOccurred, this, &Pop3Connection::handleError);
    // A close that Qt reports without an error is a close all the same.
    connect(socket, &QTcpSocket::disconnected, this, &Pop3Connection::handleError);

    m_sockPhase = SockPhase::Connecting;
    // A failure found at once is reported from inside the connect call:
    // nothing may use the socket after it.
    if (m_tls == 2) {
        static_cast<QSslSocket*>(socket)->connectToHostEncrypted(host, port, host, openMode);
        return;
    }
    if (address != INADDR_NONE)
        socket->connectToHost(QHostAddress(address), port, openMode);
    else
        socket->connectToHost(Hname, port, openMode);
}

QString Pop3Connection::refusalText(const QByteArray& chunk) const
{
    QString text = Pop3::serverWords(chunk);
    if (m_tls == 0 && m_lastCommand.startsWith("USER") && !text.isEmpty()) {
        // A server that takes no password in clear text refuses at USER; a
        // wrong user name is refused at PASS.
        if (!text.endsWith(u'\n'))
            text += QStringLiteral("\r\n");
        text += QStringLiteral("サーバーが暗号化を求めている可能性があります。アカウントの設定で"
                               "「暗号化:」に STARTTLS または SSL/TLS を選べます。");
    }
    return text;
}

void Pop3Connection::logCommand(const QString& line)
{
    if (m_host.options().Option8value == 0)
        return;
    QString& logText = m_host.logText();
    if (line.contains(QLatin1String("PASS"))) {
        Pop3::appendToLog(logText, u"PASS ******************************\r\n");
    } else {
        // The line ends in CR LF already: every command but the password is
        // followed by an empty line.
        Pop3::appendToLog(logText, line);
        Pop3::appendToLog(logText, u"\r\n");
    }
}

void Pop3Connection::subSend(const QString& line)
{
    // Replies to commands sent ahead that are still due are not read as
    // replies any more (QUIT after a refusal).
    m_ahead.clear();
    logCommand(line);
    m_awaitingStatus = true;
    m_statusLine.clear();
    m_lastCommand = line.left(4).toLatin1();
    writeCommand(line);
}

void Pop3Connection::sendForResponse(int step, const QByteArray& command, const QString& line)
{
    m_popStep = step;
    m_replyBuf.resize(0); // keeps the allocation for the next response
    m_pendingCmd = command;
    subSend(line + QLatin1String("\r\n"));
}

void Pop3Connection::sendAhead(const QStringList& lines)
{
    m_ahead.append(lines);
    writeCommand(lines.join(QString()));
}

void Pop3Connection::nextReply(const QByteArray& command)
{
    const QString line = m_ahead.isEmpty() ? QString() : m_ahead.takeFirst();
    logCommand(line);
    m_lastCommand = line.left(4).toLatin1();
    m_pendingCmd = command;
    m_awaitingStatus = true;
    m_statusLine.clear();
}

void Pop3Connection::writeCommand(const QString& line)
{
    m_sockPhase = SockPhase::Sent;
    if (line.startsWith(QLatin1String("QUIT")))
        m_quitSent = true;

    int code = 0;
    if (!m_hSock) {
        code = 10038; // WSAENOTSOCK
    } else if (m_hSock->state() != QAbstractSocket::ConnectedState) {
        code = 10057; // WSAENOTCONN
    } else {
        // Written at once; what the network does not take now is written
        // from the event loop, and bytesWritten reports that.
        const QByteArray bytes = Pop3::toCp932(line);
        if (m_hSock->write(bytes) != bytes.size())
            code = Pop3::wsaErrorCode(m_hSock->error(), m_hSock->errorString());
        else if (m_tls != 0)
            // TLS would encrypt and send it from the next pass of the event
            // loop: a round trip per command saved.
            m_hSock->flush();
    }
    if (code == 0)
        return;
    const QString text = Pop3::wsaErrText(code);
    if (!m_abandoned) {
        // The network refused the command (the server has gone): the
        // session ends like a receive error.
        failSession(text);
        return;
    }
    // The QUIT of a session given up: its driver has moved on already.
    closeSocket();
    m_sockPhase = SockPhase::Idle;
    queueShowMsg(text);
}

void Pop3Connection::subDisConn()
{
    m_pendingCmd.clear();
    m_popStep = Pop3::quitSentStep;
    if (m_sockPhase == SockPhase::Idle || m_abandoned)
        return;
    if (m_quitSent || m_tlsStep == TlsStep::Handshake) {
        // QUIT went out already (RFC 1939 lets a server answer it with
        // "-ERR some deleted messages not removed"): the server is done
        // with the connection, and QUIT goes out once. In the middle of a
        // TLS handshake nothing goes out in clear text.
        endSession();
        return;
    }
    m_abandoned = true;
    subSend(QStringLiteral("QUIT\r\n"));
}

void Pop3Connection::endSession()
{
    m_sockPhase = SockPhase::Idle;
    closeSocket();
}

void Pop3Connection::queueShowMsg(const QString& text, std::function<void()> then)
{
    m_messages.push_back({text, std::move(then), {}});
    QMetaObject::invokeMethod(this, &Pop3Connection::showQueuedMessages, Qt::QueuedConnection);
}

void Pop3Connection::afterMessages(std::function<void()> then)
{
    // A message without text shows no box; it only keeps its place in line.
    queueShowMsg(QString(), std::move(then));
}

void Pop3Connection::showQueuedMessages()
{
    // A box runs an event loop of its own, in which the next message may be
    // queued: the loop below, not a second box on top, shows it.
    if (m_showingMessage)
        return;
    m_showingMessage = true;
    const QPointer<Pop3Connection> self(this);
    while (!m_messages.isEmpty()) {
        const PendingMessage message = m_messages.takeFirst();
        if (message.decide) {
            const bool yes = m_host.askTrust(message.text);
            if (!self)
                return;
            message.decide(yes);
        } else if (!message.text.isNull()) {
            m_host.ShowMsg(message.text);
        }
        if (!self)
            return;
        if (message.then)
            message.then();
        if (!self)
            return;
    }
    m_showingMessage = false;
}

void Pop3Connection::startTimeup()
{
    m_timeupCount = 1;
    m_lastNotification.invalidate();
    m_timeuptimer.start(m_timeupInterval);
}

void Pop3Connection::stopTimeup()
{
    m_timeuptimer.stop();
}

void Pop3Connection::restartTimeup()
{
    // Only a running clock is pushed back: a late answer from a session that
    // was already given up must not wake the time-out again, which would run
    // a driver a second time.
    // Only the moment is noted here; the tick moves itself a full interval
    // past it. Restarting the clock itself would cost two timer operations
    // per reply, thousands in a check of a large mailbox.
    if (m_timeuptimer.isActive())
        m_lastNotification.start();
}

void Pop3Connection::setTimeupInterval(std::chrono::milliseconds interval)
{
    m_timeupInterval = interval;
    m_timeuptimer.setInterval(interval);
}

void Pop3Connection::handleConnected()
{
    restartTimeup();
    // POP3 over TLS begins once the handshake is done.
    if (m_sockPhase != SockPhase::Connecting || m_tls == 2)
        return;
    m_sockPhase = SockPhase::Reading;
    m_awaitingStatus = true; // the greeting
}

void Pop3Connection::handleEncrypted()
{
    restartTimeup();
    if (sender() != m_hSock || m_tlsStep != TlsStep::Handshake)
        return;
    m_encrypted = true;
    m_sockPhase = SockPhase::Reading;
    if (m_tls == 2) {
        m_tlsStep = TlsStep::Greeting;
        m_awaitingStatus = true; // the greeting
        return;
    }
    // What the server offered in clear text may have been forged: it is
    // asked again (RFC 2595, section 4).
    sendCapa();
}

void Pop3Connection::sendCapa()
{
    m_tlsStep = TlsStep::CapaSent;
    m_replyBuf.clear();
    m_pendingCmd = QByteArrayLiteral("CAPA");
    subSend(QStringLiteral("CAPA\r\n"));
}

void Pop3Connection::beginSession()
{
    // The session begins with the greeting, which waited for CAPA.
    m_tlsStep = TlsStep::Session;
    m_pendingCmd.clear();
    m_sockPhase = SockPhase::Reading;
    m_awaitingStatus = false;
    m_replyBuf = m_greeting;
    m_chunkBeginsReply = true;
    if (SessionHandler* h = handler())
        h->handleSockIn(m_greeting);
}

namespace {

QString noStarttlsText(const QString& account)
{
    return QStringLiteral("「%1」のサーバーは暗号化 (STARTTLS) に対応していないため、"
                          "パスワードを送らずに接続を終えました。")
        .arg(account);
}

QString tlsFailureText()
{
    return QStringLiteral("サーバーとの暗号化通信 (TLS) を確立できませんでした");
}

// Why Qt could not verify a certificate, as the user reads it.
QString certificateReason(const QSslError& error, const QString& host)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("証明書は自己署名です。");
    case QSslError::CertificateExpired:
        return QStringLiteral("証明書の有効期限が切れています。");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("証明書の有効期間がまだ始まっていません。");
    case QSslError::HostNameMismatch:
        return QStringLiteral("証明書はサーバー名「%1」のものではありません。").arg(host);
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("証明書の発行者を確認できません。");
    case QSslError::CertificateRevoked:
        return QStringLiteral("証明書は失効しています。");
    default:
        return QStringLiteral("証明書を検証できませんでした (%1)。").arg(error.errorString());
    }
}

// "AB:CD:..." from lower-case hexadecimal digits.
QString pairedUpperHex(const QString& hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
        pairs << hex.sliced(i, 2).toUpper();
    return pairs.join(QLatin1Char(':'));
}

} // namespace

void Pop3Connection::handleSslErrors(const QList<QSslError>& errors)
{
    auto* ssl = qobject_cast<QSslSocket*>(m_hSock);
    if (!ssl || sender() != ssl)
        return;
    const QSslCertificate certificate = ssl->peerCertificate();
    if (certificate.isNull())
        return; // nothing to trust: the handshake fails
    const QString fingerprint =
        QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex());
    // The certificate the user chose to trust, exactly that one.
    if (!m_pin.isEmpty() && fingerprint == m_pin) {
        ssl->ignoreSslErrors();
        return;
    }
    m_untrustedFingerprint = fingerprint;
    m_untrustedReasons.clear();
    if (!m_pin.isEmpty())
        m_untrustedReasons << QStringLiteral("証明書が、信頼したときのものから変わっています。");
    for (const QSslError& error : errors) {
        const QString reason = certificateReason(error, ssl->peerVerifyName());
        if (!m_untrustedReasons.contains(reason))
            m_untrustedReasons << reason;
    }
}

void Pop3Connection::untrustedCertificate()
{
    const QString fingerprint = std::exchange(m_untrustedFingerprint, QString());
    // Asked once per run for this account, server and certificate; after
    // No the account is left alone until the settings change.
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(m_account)
                            .arg(m_hSock ? m_hSock->peerName() : QString())
                            .arg(m_pin, fingerprint);
    m_sockPhase = SockPhase::Idle;
    closeSocket();
    m_statusLine.clear();
    m_awaitingStatus = false;
    if (!m_asked.contains(key)) {
        m_asked.insert(key);
        const QString question =
            QStringLiteral("「%1」のサーバーの証明書を確認できませんでした。\r\n")
                .arg(m_accountName) +
            m_untrustedReasons.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\nSHA-256: ") +
            pairedUpperHex(fingerprint) +
            QStringLiteral("\r\n\r\nこの証明書を信頼して接続しますか？");
        const int account = m_account;
        m_messages.push_back({question, {}, [this, account, fingerprint](bool yes) {
                                  if (yes)
                                      m_host.storeTlsPin(account, fingerprint);
                              }});
        QMetaObject::invokeMethod(this, &Pop3Connection::showQueuedMessages, Qt::QueuedConnection);
    }
    if (SessionHandler* h = handler())
        h->quietExit();
}

void Pop3Connection::openSession(const QByteArray& chunk)
{
    switch (m_tlsStep) {
    case TlsStep::Greeting:
        if (!Pop3::isPositive(chunk)) {
            if (m_tls == 1) {
                failSession(Pop3::serverWords(chunk));
                return;
            }
            // The session reads a refusal as it reads any other.
            m_greeting = std::exchange(m_replyBuf, QByteArray());
            beginSession();
            return;
        }
        m_greeting = std::exchange(m_replyBuf, QByteArray());
        sendCapa();
        return;
    case TlsStep::CapaSent: {
        const bool refused = m_chunkBeginsReply && Pop3::isNegative(chunk);
        if (!refused && !m_responseComplete)
            return;
        m_pendingCmd.clear();
        if (refused) {
            m_capabilities = {};
        } else {
            if (m_host.options().Option8value != 0) {
                Pop3::appendToLog(m_host.logText(), QByteArrayView(m_replyBuf));
                Pop3::appendToLog(m_host.logText(), u"\r\n");
            }
            m_capabilities = Pop3::parseCapabilities(m_replyBuf);
        }
        m_replyBuf.clear();
        if (m_tls != 1 || m_encrypted) {
            beginSession();
            return;
        }
        if (!m_capabilities.stls) {
            failSession(noStarttlsText(m_accountName));
            return;
        }
        m_tlsStep = TlsStep::StlsSent;
        subSend(QStringLiteral("STLS\r\n"));
        return;
    }
    case TlsStep::StlsSent: {
        if (!Pop3::isPositive(chunk)) {
            failSession(noStarttlsText(m_accountName));
            return;
        }
        // Whatever came in clear text after the answer to STLS must not be
        // read as if it came encrypted (RFC 2595, section 3.1).
        const qsizetype lineEnd = chunk.indexOf('\n');
        if (lineEnd + 1 != chunk.size() || m_hSock->bytesAvailable() > 0) {
            failSession(tlsFailureText());
            return;
        }
        m_tlsStep = TlsStep::Handshake;
        m_replyBuf.clear();
        m_sockPhase = SockPhase::Connecting;
        static_cast<QSslSocket*>(m_hSock)->startClientEncryption();
        return;
    }
    case TlsStep::Handshake:
        // Bytes in clear text while the handshake runs.
        failSession(tlsFailureText());
        return;
    case TlsStep::Session:
        return;
    }
}

void Pop3Connection::handleBytesWritten()
{
    restartTimeup();
    if (m_sockPhase == SockPhase::Sent)
        m_sockPhase = SockPhase::Reading;
}

void Pop3Connection::handleReadyRead()
{
    restartTimeup();
    QTcpSocket* socket = m_hSock;
    if (!socket)
        return;
    // One read per notification, as much as the network holds up to the
    // buffer's size; what remains raises the next notification. Unbuffered,
    // this reads from the network itself, and a read that meets the end of
    // the connection says so only through the socket's state.
    // TLS decrypts into Qt's buffer, and what stays there raises no further
    // notification: that is read to its end.
    for (;;) {
        m_readBuffer.resize(readSize);
        const qint64 n = socket->read(m_readBuffer.data(), readSize);
        const bool closed = socket->state() != QAbstractSocket::ConnectedState;
        if (n > 0)
            handleData(m_readBuffer.first(n));
        // Unless the data ended the session (and the socket) already.
        if (m_hSock != socket)
            return;
        if (closed) {
            handleError();
            return;
        }
        if (m_tls == 0 || n <= 0 || socket->bytesAvailable() <= 0)
            return;
    }
}

void Pop3Connection::handleData(const QByteArray& data)
{
    if (m_abandoned) {
        // Only the answer to QUIT is still due; any complete line ends it.
        m_statusLine += data;
        if (m_statusLine.contains('\n') || m_statusLine.size() > Pop3::maxSummaryResponse) {
            m_statusLine.clear();
            endSession();
        }
        return;
    }

    switch (m_sockPhase) {
    case SockPhase::Idle:
    case SockPhase::Connecting:
        return;
    case SockPhase::Sent:
        // The reply has overtaken the write completion: the command is out.
        m_sockPhase = SockPhase::Reading;
        break;
    case SockPhase::Reading:
        break;
    }
    receiveStep(data);
}

void Pop3Connection::receiveStep(QByteArray data)
{
    // One pass per reply in data: a multi-line response ends at its end
    // mark, and whatever the server sent after it begins the next reply.
    while (!data.isEmpty()) {
        const qsizetype limit =
            m_pendingCmd == "RETR" ? Pop3::maxWholeMessage : Pop3::maxSummaryResponse;
        m_chunkBeginsReply = false;
        if (m_awaitingStatus && m_statusLine.isEmpty() && data.contains('\n')) {
            // The usual case: the whole status line came in one read.
            m_awaitingStatus = false;
            m_chunkBeginsReply = true;
        } else if (m_awaitingStatus) {
            // A status line is judged whole: "+O" and "K ..." in two reads
            // must not be taken for two chunks, neither of which is a reply.
            const qsizetype scanned = m_statusLine.size();
            m_statusLine += data;
            if (m_statusLine.indexOf('\n', scanned) < 0) {
                if (m_replyBuf.size() + m_statusLine.size() > limit)
                    failSession(Pop3::wsaErrText(Pop3::responseTooLargeCode));
                return;
            }
            data = std::exchange(m_statusLine, QByteArray());
            m_awaitingStatus = false;
            m_chunkBeginsReply = true;
        }
        if (m_chunkBeginsReply) {
            // The answer to TOP or RETR is a multi-line response unless its
            // status line refuses the command.
            m_responseComplete = false;
            m_multiLine = Pop3::hasMultiLineResponse(m_pendingCmd) && !Pop3::isNegative(data);
            m_responseStart = m_replyBuf.size();
            m_scanned = m_replyBuf.size();
            m_tail.reset();
        }
        QByteArray next;
        if (m_chunkBeginsReply && !m_multiLine && m_tlsStep == TlsStep::Session) {
            // A one-line reply ends with its line; what follows answers the
            // next command sent ahead. (Before the session, anything after
            // the answer to STLS must stay in sight to be refused.)
            const qsizetype lineEnd = data.indexOf('\n');
            if (lineEnd >= 0 && lineEnd + 1 < data.size()) {
                next = data.sliced(lineEnd + 1);
                data.truncate(lineEnd + 1);
            }
        }
        if (m_tail) {
            data.replace('\0', "\r\n");
            const qint64 size = m_replyBuf.size() - m_responseStart + m_tail->size() + data.size();
            const qsizetype end = m_tail->take(data);
            if (end < 0 && size > limit) {
                failSession(Pop3::wsaErrText(Pop3::responseTooLargeCode));
                return;
            }
            if (end >= 0) {
                next = data.sliced(end);
                data.truncate(end);
                completeResponse();
            }
        } else {
            if (m_replyBuf.size() + data.size() > limit) {
                failSession(Pop3::wsaErrText(Pop3::responseTooLargeCode));
                return;
            }
            const qsizetype start = m_replyBuf.size();
            m_replyBuf += data;
            if (m_multiLine) {
                const qsizetype end =
                    Pop3::collectResponse(m_replyBuf, m_scanned, Pop3::responseEnd(m_pendingCmd));
                if (end >= 0) {
                    next = m_replyBuf.sliced(end);
                    m_replyBuf.truncate(end);
                    completeResponse();
                } else if (m_pendingCmd == "RETR" &&
                           m_replyBuf.size() - m_responseStart > Pop3::retrKeptBytes) {
                    keepStartOnly();
                }
                // NULs have become CR LF: the session reads what replyBuf
                // holds.
                data = m_replyBuf.sliced(qMin(start, m_replyBuf.size()));
            }
        }
        QPointer<QTcpSocket> socket = m_hSock;
        if (m_tlsStep != TlsStep::Session)
            openSession(data);
        else if (SessionHandler* h = handler())
            h->handleSockIn(data);
        // Bytes past the response go to the reply of the command the session
        // has just sent; with no command outstanding nobody asked for them.
        if (next.isEmpty() || !socket || socket != m_hSock || m_abandoned || !m_awaitingStatus)
            return;
        data = std::move(next);
    }
}

void Pop3Connection::keepStartOnly()
{
    // Cut after a whole line where one ends in the kept start, so that the
    // rest is read line by line.
    const qsizetype keptEnd = m_responseStart + Pop3::retrKeptBytes;
    qsizetype cut = m_replyBuf.lastIndexOf('\n', keptEnd - 1) + 1;
    if (cut <= m_responseStart)
        cut = keptEnd;
    const QByteArray rest = m_replyBuf.sliced(cut);
    m_replyBuf.truncate(cut);
    const QByteArrayView start = QByteArrayView(m_replyBuf).sliced(m_responseStart);
    m_tail.emplace(MessageTail::boundaryOf(start), start.endsWith("\r\n"));
    // No end mark lies in the rest: the whole buffer was searched for it.
    m_tail->take(rest);
}

void Pop3Connection::completeResponse()
{
    m_responseSize = m_replyBuf.size() - m_responseStart;
    if (m_tail) {
        // The kept start, the parts that name files, and the end mark.
        m_responseSize += m_tail->size();
        m_replyBuf += m_tail->excerpts();
        m_replyBuf += "\r\n.\r\n";
        m_tail.reset();
    }
    m_multiLine = false;
    m_responseComplete = true;
}

void Pop3Connection::handleError()
{
    QTcpSocket* socket = m_hSock;
    if (!socket || m_sockPhase == SockPhase::Idle)
        return;
    if (m_abandoned) {
        endSession();
        return;
    }
    const QAbstractSocket::SocketError error = socket->error();
    if (!m_untrustedFingerprint.isEmpty()) {
        untrustedCertificate();
        return;
    }
    QString text;
    if (error == QAbstractSocket::SslHandshakeFailedError ||
        error == QAbstractSocket::SslInternalError ||
        error == QAbstractSocket::SslInvalidUserDataError) {
        text = tlsFailureText();
    } else if (error == QAbstractSocket::UnknownSocketError &&
               socket->state() != QAbstractSocket::ConnectedState) {
        // disconnected without an error of its own: the server closed.
        text = Pop3::wsaErrText(10054);
    } else if (m_sockPhase == SockPhase::Connecting &&
               (error == QAbstractSocket::SocketResourceError ||
                error == QAbstractSocket::UnsupportedSocketOperationError)) {
        // No socket could be made at all.
        text = QStringLiteral("ｿｹｯﾄ生成ができませんでした");
    } else {
        text = Pop3::wsaErrText(Pop3::wsaErrorCode(error, socket->errorString()));
    }
    failSession(text);
}

void Pop3Connection::failSession(const QString& text)
{
    m_sockPhase = SockPhase::Idle;
    closeSocket();
    m_statusLine.clear();
    m_awaitingStatus = false;
    m_replyBuf = QByteArray(); // may be megabytes when a bound was crossed
    m_tail.reset();
    if (SessionHandler* h = handler())
        h->errorExit(text);
}

void Pop3Connection::closeSocket()
{
    QTcpSocket* socket = std::exchange(m_hSock, nullptr);
    if (!socket)
        return;
    // From here on nothing of this socket reaches the sessions.
    socket->disconnect(this);
    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0) {
        // A QUIT may still wait in the write buffer: let it go out first.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(closeGrace, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        socket->disconnectFromHost();
        return;
    }
    socket->abort();
    socket->deleteLater();
}

void Pop3Connection::timeuptimer_Timer()
{
    // A notification since the clock was last set: the silent interval
    // counts from it.
    if (m_lastNotification.isValid()) {
        const auto since = std::chrono::milliseconds(m_lastNotification.elapsed());
        m_lastNotification.invalidate();
        if (since < m_timeupInterval) {
            m_timeuptimer.start(m_timeupInterval - since);
            return;
        }
    }
    m_timeuptimer.setInterval(m_timeupInterval);
    // A session is given up on the Timeupval-th silent minute counted since
    // it started: notifications restart the clock but do not reset the
    // count. Timeupval 0 never gives up.
    const int Timeupval = m_host.options().Timeupval;
    if (m_timeupCount < Timeupval || Timeupval == 0) {
        if (m_timeupCount < INT_MAX)
            ++m_timeupCount;
        return;
    }
    m_timeuptimer.stop();
    if (m_tlsStep == TlsStep::Handshake) {
        // Nothing in clear text into a TLS handshake.
        m_sockPhase = SockPhase::Idle;
        closeSocket();
    } else if (m_popStep != Pop3::quitSentStep && !m_quitSent) {
        m_pendingCmd.clear();
        m_popStep = Pop3::quitSentStep;
        m_abandoned = true;
        // A connection that never completed makes this send fail, and the
        // user reads why (WSAENOTCONN).
        subSend(QStringLiteral("QUIT\r\n"));
    }
    // The socket stays open for the answer; the next logon closes it.
    m_abandoned = true;
    m_timeupCount = 1;
    if (SessionHandler* h = handler())
        h->timedOut();
    m_host.setDefaultPointer();
}
