// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/CheckSession.h"
#include "pop3/Pop3Connection.h"
#include "support/DovecotServer.h"
#include "support/FakeCheckHost.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

class CheckDovecotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fullCycleOverTwoAccounts();
    void secondCycleWithNotifyOnChange();
    void wrongPassword();
    void tlsFixture_data();
    void tlsFixture();

private:
    // Runs one check cycle and returns the commands Dovecot saw meanwhile.
    QList<QByteArray> cycle();

    DovecotServer m_server;
    std::unique_ptr<FakeCheckHost> m_host;
    std::unique_ptr<Pop3Connection> m_connection;
    std::unique_ptr<CheckSession> m_session;
};

void CheckDovecotTest::initTestCase()
{
    if (!DovecotServer::isInstalled())
        QSKIP("Dovecot is not installed (scripts/install-deps installs dovecot-pop3d)");
    QVERIFY2(m_server.start({{QStringLiteral("tanaka"), QStringLiteral("kaisha2026")},
                             {QStringLiteral("suzuki"), QStringLiteral("jitaku")}}),
             qPrintable(m_server.errorString()));
    const QList<QByteArray> tanaka = DovecotServer::demoMessages(QStringLiteral("tanaka"));
    const QList<QByteArray> suzuki = DovecotServer::demoMessages(QStringLiteral("suzuki"));
    QCOMPARE(tanaka.size(), 3);
    QCOMPARE(suzuki.size(), 2);
    QVERIFY(m_server.deliverMany(QStringLiteral("tanaka"), tanaka));
    QVERIFY(m_server.deliverMany(QStringLiteral("suzuki"), suzuki));
}

void CheckDovecotTest::init()
{
    m_host = std::make_unique<FakeCheckHost>();
    m_connection = std::make_unique<Pop3Connection>(*m_host);
    m_session = std::make_unique<CheckSession>(*m_connection, *m_host);
    m_session->setLogontimerInterval(50ms);
    m_host->setAccounts({FakeCheckHost::account(QStringLiteral("会社"), QStringLiteral("127.0.0.1"),
                                                m_server.port(), QStringLiteral("tanaka"),
                                                QStringLiteral("kaisha2026")),
                         FakeCheckHost::account(QStringLiteral("自宅"), QStringLiteral("localhost"),
                                                m_server.port(), QStringLiteral("suzuki"),
                                                QStringLiteral("jitaku"))});
}

void CheckDovecotTest::cleanup()
{
    m_session.reset();
    m_connection.reset();
    m_host.reset();
}

QList<QByteArray> CheckDovecotTest::cycle()
{
    const qsizetype before = m_server.commandsSeen().size();
    const int ends = m_host->endOfCheckCount;
    m_connection->subDisConn();
    m_host->startCycle();
    m_session->checkNextAccount();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(m_host->endOfCheckCount, ends + 1, 20000); }();
    // Dovecot writes its transcript as it reads; the last QUIT may trail.
    [&] {
        QTRY_VERIFY(!m_server.commandsSeen().isEmpty() &&
                    m_server.commandsSeen().constLast() == "QUIT");
    }();
    return m_server.commandsSeen().mid(before);
}

void CheckDovecotTest::fullCycleOverTwoAccounts()
{
    const QList<QByteArray> seen = cycle();
    QVERIFY(!m_session->isLogontimerActive() && !m_connection->isTimeupActive());

    QCOMPARE(seen,
             DovecotServer::commandLines({"USER tanaka", "PASS kaisha2026", "STAT", "TOP 1 5",
                                          "TOP 2 5", "TOP 3 5", "QUIT", "USER suzuki",
                                          "PASS jitaku", "STAT", "TOP 1 5", "TOP 2 5", "QUIT"}));
    const MailTable& table = m_host->table;
    QCOMPARE(table.entry(1, 1).From, QStringLiteral("山田太郎 <yamada@example.co.jp>"));
    QCOMPARE(table.entry(1, 1).Subject, QStringLiteral("会議の議題について"));
    QCOMPARE(table.entry(1, 2).From, QStringLiteral("総務部 <soumu@example.co.jp>"));
    QCOMPARE(table.entry(1, 2).Subject,
             QStringLiteral("【お知らせ】今年度の健康診断の日程が決まりました"));
    QCOMPARE(table.entry(1, 2).Attached, qint16(0));
    QCOMPARE(table.entry(1, 3).Subject, QStringLiteral("見積書を送付します"));
    QCOMPARE(table.entry(1, 3).Attached, qint16(-1));
    QCOMPARE(table.entry(2, 1).From, QStringLiteral("鈴木洋子 <yoko@example.ne.jp>"));
    QCOMPARE(table.entry(2, 2).Subject, QStringLiteral("ご予約の確認（京都一泊二日）"));
    QCOMPARE(m_host->captions,
             QStringList({QStringLiteral("Tavoメールチェッカー LAN -チェック中:会社-"),
                          QStringLiteral("Tavoメールチェッカー LAN -チェック中:自宅-")}));
    QCOMPARE(m_host->mailTotal(), 5);
    QVERIFY(m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    QCOMPARE(m_host->mailCount(2), 2);
    QVERIFY(m_host->messages.isEmpty());
}

void CheckDovecotTest::secondCycleWithNotifyOnChange()
{
    m_host->generalOptions.Option6value = 1;
    cycle();
    QVERIFY(m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    const qint64 size = m_host->lastSize(1);
    QVERIFY(size > 0);

    // Nothing changed: one STAT per account, the list kept, nothing new.
    m_host->table.entry(1, 1).Body = QStringLiteral("retrieved earlier");
    QCOMPARE(cycle(), DovecotServer::commandLines({"USER tanaka", "PASS kaisha2026", "STAT", "QUIT",
                                                   "USER suzuki", "PASS jitaku", "STAT", "QUIT"}));
    QVERIFY(!m_host->flagged(1));
    QVERIFY(!m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), 5);
    QCOMPARE(m_host->table.entry(1, 1).Subject, QStringLiteral("会議の議題について"));
    QCOMPARE(m_host->table.entry(1, 1).Body, QStringLiteral("retrieved earlier"));
    QCOMPARE(m_host->lastSize(1), size);

    // A new message for one account: that account alone is listed anew.
    QVERIFY(m_server.deliver(QStringLiteral("suzuki"),
                             DovecotServer::demoMessages(QStringLiteral("suzuki")).at(0)));
    QCOMPARE(cycle(), DovecotServer::commandLines({"USER tanaka", "PASS kaisha2026", "STAT", "QUIT",
                                                   "USER suzuki", "PASS jitaku", "STAT", "TOP 1 5",
                                                   "TOP 2 5", "TOP 3 5", "QUIT"}));
    QVERIFY(!m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), 6);
    QCOMPARE(m_host->table.entry(2, 3).Subject, QStringLiteral("週末の予定"));
}

void CheckDovecotTest::wrongPassword()
{
    m_host->accounts.at(0).password = QStringLiteral("wrong");
    const QList<QByteArray> seen = cycle();
    QCOMPARE(seen.mid(0, 3), DovecotServer::commandLines({"USER tanaka", "PASS wrong", "QUIT"}));
    QCOMPARE(m_host->messages, QStringList{QStringLiteral(" [AUTH] Authentication failed.\r\n")});
    QVERIFY(!m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), m_host->mailCount(2));
}

namespace {

// One reply line, or a multi-line reply through its final ".".
QByteArray reply(QSslSocket& socket, bool multiLine = false)
{
    QByteArray text;
    while (!(multiLine ? text.endsWith("\r\n.\r\n") : text.endsWith("\r\n"))) {
        if (!socket.canReadLine() && !socket.waitForReadyRead(5000))
            return text + "(no reply)";
        text += socket.readLine();
    }
    return text;
}

QByteArray say(QSslSocket& socket, const QByteArray& command, bool multiLine = false)
{
    socket.write(command + "\r\n");
    return reply(socket, multiLine);
}

} // namespace

// The TLS set-ups the checker's encryption tests stand on: what the server
// offers, what a client trusting only the test CA makes of each certificate,
// and that the fixture reports the login.
void CheckDovecotTest::tlsFixture_data()
{
    QTest::addColumn<DovecotServer::Tls>("tls");
    QTest::addColumn<DovecotServer::Tls>("restartedAs");
    QTest::addColumn<bool>("implicitTls");
    QTest::addColumn<QList<QSslError::SslError>>("errors");

    using Tls = DovecotServer::Tls;
    QTest::addRow("STLS, then a certificate from the test CA")
        << Tls::CaSigned << Tls::CaSigned << false << QList<QSslError::SslError>{};
    QTest::addRow("POP3 over TLS with a certificate from the test CA")
        << Tls::CaSigned << Tls::CaSigned << true << QList<QSslError::SslError>{};
    QTest::addRow("certificate for another host name")
        << Tls::OtherName << Tls::OtherName << true
        << QList<QSslError::SslError>{QSslError::HostNameMismatch};
    QTest::addRow("certificate replaced by a self-signed one after a restart")
        << Tls::CaSigned << Tls::SelfSigned << false
        << QList<QSslError::SslError>{QSslError::SelfSignedCertificate};
    QTest::addRow("no STLS on a server without TLS")
        << Tls::OffRemote << Tls::OffRemote << false << QList<QSslError::SslError>{};
}

void CheckDovecotTest::tlsFixture()
{
    QFETCH(DovecotServer::Tls, tls);
    QFETCH(DovecotServer::Tls, restartedAs);
    QFETCH(bool, implicitTls);
    QFETCH(QList<QSslError::SslError>, errors);

    DovecotServer server;
    QVERIFY2(server.start({{QStringLiteral("tanaka"), QStringLiteral("kaisha2026")}}, tls),
             qPrintable(server.errorString()));
    QCOMPARE(server.address(), QStringLiteral("127.0.0.2"));
    const QByteArray first = server.certificateSha256();
    if (restartedAs != tls) {
        QVERIFY2(server.restart(restartedAs), qPrintable(server.errorString()));
        QVERIFY(server.certificateSha256() != first);
    }
    const bool offered = restartedAs != DovecotServer::Tls::OffRemote;
    QCOMPARE(server.tlsPort() != 0, offered);
    QCOMPARE(server.certificateSha256().size(), offered ? 64 : 0);

    QSslSocket socket;
    QSslConfiguration configuration = socket.sslConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(server.caCertificatePath()));
    socket.setSslConfiguration(configuration);
    // From 127.0.0.1, so that Dovecot sees a client from elsewhere.
    QVERIFY(socket.bind(QHostAddress::LocalHost));
    if (implicitTls) {
        socket.connectToHostEncrypted(server.address(), server.tlsPort());
    } else {
        socket.connectToHost(server.address(), server.port());
        QVERIFY(reply(socket).startsWith("+OK"));
        QCOMPARE(say(socket, "CAPA", true).contains("\r\nSTLS\r\n"), offered);
        if (!offered) {
            QCOMPARE(say(socket, "STLS"), "-ERR TLS support isn't enabled.\r\n");
            QCOMPARE(say(socket, "USER tanaka"), "+OK\r\n");
            QTRY_VERIFY(server.userSent(QStringLiteral("tanaka")));
            return;
        }
        QCOMPARE(say(socket, "USER tanaka"),
                 "-ERR [AUTH] Plaintext authentication disallowed on non-secure (SSL/TLS) "
                 "connections.\r\n");
        QVERIFY(say(socket, "STLS").startsWith("+OK"));
        socket.startClientEncryption();
    }
    const bool encrypted = socket.waitForEncrypted(10000);
    QList<QSslError::SslError> seen;
    for (const QSslError& error : socket.sslHandshakeErrors())
        seen << error.error();
    QCOMPARE(seen, errors);
    QCOMPARE(encrypted, errors.isEmpty());
    QCOMPARE(socket.peerCertificate().digest(QCryptographicHash::Sha256).toHex(),
             server.certificateSha256());
    if (!encrypted) {
        QTRY_COMPARE(server.commandsSeen().size(), implicitTls ? 1 : 4);
        // The clear-text USER that Dovecot refused before STLS.
        const DovecotServer::Login refused{QStringLiteral("tanaka"), false, false};
        QTRY_COMPARE(server.logins(), implicitTls ? QList<DovecotServer::Login>{}
                                                  : QList<DovecotServer::Login>{refused});
        return;
    }

    if (implicitTls)
        QVERIFY(reply(socket).startsWith("+OK"));
    QCOMPARE(say(socket, "USER tanaka"), "+OK\r\n");
    QCOMPARE(say(socket, "PASS kaisha2026"), "+OK Logged in.\r\n");
    QCOMPARE(say(socket, "QUIT"), "+OK Logging out.\r\n");
    const DovecotServer::Login tlsLogin{QStringLiteral("tanaka"), true, true};
    QTRY_COMPARE(server.logins(), QList<DovecotServer::Login>{tlsLogin});
    QCOMPARE(server.commandsSeen(),
             implicitTls
                 ? DovecotServer::commandLines({"[TLS]", "QUIT"})
                 : DovecotServer::commandLines({"CAPA", "USER tanaka", "STLS", "[TLS]", "QUIT"}));
}

QTEST_GUILESS_MAIN(CheckDovecotTest)
#include "CheckDovecotTest.moc"
