// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/CheckSession.h"
#include "pop3/Pop3Connection.h"
#include "support/DovecotServer.h"
#include "support/FakeCheckHost.h"

#include <QScopeGuard>
#include <QSslConfiguration>
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
    void encryptedCheck_data();
    void encryptedCheck();

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

    QCOMPARE(seen, DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT",
                                                "UIDL", "TOP 1 5", "TOP 2 5", "TOP 3 5", "QUIT",
                                                "CAPA", "USER suzuki", "PASS jitaku", "STAT",
                                                "UIDL", "TOP 1 5", "TOP 2 5", "QUIT"}));
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
    QCOMPARE(cycle(),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "QUIT",
                                          "CAPA", "USER suzuki", "PASS jitaku", "STAT", "QUIT"}));
    QVERIFY(!m_host->flagged(1));
    QVERIFY(!m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), 5);
    QCOMPARE(m_host->table.entry(1, 1).Subject, QStringLiteral("会議の議題について"));
    QCOMPARE(m_host->table.entry(1, 1).Body, QStringLiteral("retrieved earlier"));
    QCOMPARE(m_host->lastSize(1), size);

    // A new message for one account: that account alone is listed anew,
    // and only the new message's summary is asked for.
    QVERIFY(m_server.deliver(QStringLiteral("suzuki"),
                             DovecotServer::demoMessages(QStringLiteral("suzuki")).at(0)));
    QCOMPARE(cycle(), DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT",
                                                   "QUIT", "CAPA", "USER suzuki", "PASS jitaku",
                                                   "STAT", "UIDL", "TOP 3 5", "QUIT"}));
    QVERIFY(!m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), 6);
    QCOMPARE(m_host->table.entry(2, 3).Subject, QStringLiteral("週末の予定"));
}

void CheckDovecotTest::wrongPassword()
{
    m_host->accounts.at(0).password = QStringLiteral("wrong");
    const QList<QByteArray> seen = cycle();
    QCOMPARE(seen.mid(0, 4),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS wrong", "QUIT"}));
    QCOMPARE(m_host->messages, QStringList{QStringLiteral(" [AUTH] Authentication failed.\r\n")});
    QVERIFY(!m_host->flagged(1));
    QVERIFY(m_host->flagged(2));
    QCOMPARE(m_host->mailTotal(), m_host->mailCount(2));
}

// Encrypted POP3 against Dovecot on 127.0.0.2 with "ssl = required": the
// account's choice, the certificate served, the authorities trusted and the
// user's answers; what the first check lists or says, and what a second
// check of the same run does.
void CheckDovecotTest::encryptedCheck_data()
{
    QTest::addColumn<DovecotServer::Tls>("served");
    QTest::addColumn<int>("tls");
    QTest::addColumn<bool>("trustCa");
    QTest::addColumn<bool>("pinOther");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("told"); // part of the first check's question or message
    QTest::addColumn<bool>("listedAfter");

    using Tls = DovecotServer::Tls;
    QTest::addRow("STARTTLS, a certificate from a trusted authority")
        << Tls::CaSigned << 1 << true << false << QList<bool>() << QString() << true;
    QTest::addRow("POP3 over TLS, a certificate from a trusted authority")
        << Tls::CaSigned << 2 << true << false << QList<bool>() << QString() << true;
    QTest::addRow("self-signed: no USER, asked; Yes trusts it for the next check")
        << Tls::SelfSigned << 1 << false << false << QList<bool>{true}
        << QStringLiteral("証明書は自己署名です。") << true;
    QTest::addRow("the trusted certificate replaced: asked again, No leaves the account")
        << Tls::SelfSigned << 2 << false << true << QList<bool>{false}
        << QStringLiteral("証明書が、信頼したときのものから変わっています。") << false;
    QTest::addRow("a certificate for another name")
        << Tls::OtherName << 2 << true << false << QList<bool>{false}
        << QStringLiteral("証明書はサーバー名「127.0.0.2」のものではありません。") << false;
    QTest::addRow("STARTTLS against a server without STLS: no USER, the user told")
        << Tls::OffRemote << 1 << false << false << QList<bool>()
        << QStringLiteral("暗号化 (STARTTLS) に対応していない") << false;
}

void CheckDovecotTest::encryptedCheck()
{
    QFETCH(DovecotServer::Tls, served);
    QFETCH(int, tls);
    QFETCH(bool, trustCa);
    QFETCH(bool, pinOther);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, told);
    QFETCH(bool, listedAfter);

    DovecotServer server;
    QVERIFY2(server.start({{QStringLiteral("tanaka"), QStringLiteral("kaisha2026")}}, served),
             qPrintable(server.errorString()));
    // A summary larger than one read: TLS hands it over from Qt's buffer.
    QVERIFY(server.deliverMany(QStringLiteral("tanaka"),
                               DovecotServer::demoMessages(QStringLiteral("tanaka")) +
                                   QList<QByteArray>{"From: a@example.jp\nSubject: long\nX-Long: " +
                                                     QByteArray(300000, 'x') + "\n\nbody\n"}));
    // The test's authority joins the system's for this row only.
    const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(system); });
    if (trustCa) {
        QSslConfiguration withTestCa = system;
        withTestCa.addCaCertificates(server.caCertificatePath());
        QSslConfiguration::setDefaultConfiguration(withTestCa);
    }
    Settings::CurrentAccount account = FakeCheckHost::account(
        QStringLiteral("会社"), server.address(), tls == 2 ? server.tlsPort() : server.port(),
        QStringLiteral("tanaka"), QStringLiteral("kaisha2026"));
    account.Tls = qint16(tls);
    if (pinOther)
        account.TlsPin = QString(64, u'0');
    m_host->setAccounts({account});
    m_host->generalOptions.Option8value = 1;
    m_host->trustAnswers = answers;
    const auto check = [&](int ends) {
        m_connection->subDisConn();
        m_host->startCycle();
        m_session->checkNextAccount();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->endOfCheckCount, ends, 20000);
        QTRY_VERIFY(!m_connection->hasSocket());
    };

    check(1);
    const bool listed = told.isEmpty();
    QCOMPARE(m_host->mailTotal(), listed ? 4 : 0);
    const QStringList heard = m_host->questions + m_host->messages;
    QCOMPARE(heard.size(), listed ? 0 : 1);
    if (!listed) {
        QVERIFY2(heard.constFirst().contains(told), qPrintable(heard.constFirst()));
    } else {
        // The transcript shows the STLS exchange.
        QCOMPARE(m_host->log.contains(QStringLiteral("STLS\r\n")), tls == 1);
    }
    if (!answers.isEmpty()) {
        QByteArray pairs;
        for (qsizetype i = 0; i < 64; i += 2)
            pairs += server.certificateSha256().mid(i, 2).toUpper() + (i < 62 ? ":" : "");
        QVERIFY(
            heard.constFirst().contains(QStringLiteral("SHA-256: ") + QString::fromLatin1(pairs)));
        QCOMPARE(m_host->accounts.front().TlsPin,
                 answers.constFirst() ? QString::fromLatin1(server.certificateSha256())
                                      : account.TlsPin);
    }

    check(2);
    QCOMPARE(m_host->mailTotal(), listedAfter ? 4 : 0);
    // Asked once per run; USER and PASS went only into TLS, and never
    // before the certificate was verified or trusted.
    QCOMPARE(m_host->questions.size(), answers.size());
    const int logins = int(listed) + int(listedAfter);
    QTRY_COMPARE(server.logins().size(), logins);
    for (const DovecotServer::Login& login : server.logins())
        QVERIFY(login.tls && login.loggedIn);
    QVERIFY(!server.userSent(QStringLiteral("tanaka")) || logins > 0);
}

QTEST_GUILESS_MAIN(CheckDovecotTest)
#include "CheckDovecotTest.moc"
