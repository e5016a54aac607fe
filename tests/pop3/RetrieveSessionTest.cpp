// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/RetrieveSession.h"
#include "decode/WholeMessage.h"
#include "pop3/Pop3Connection.h"
#include "support/FakeMailHost.h"
#include "support/ScriptedPop3Server.h"

#include <QTest>

#include <chrono>
#include <functional>
#include <utility>

using namespace std::chrono_literals;

namespace {

using Mark = std::pair<int, int>; // account, message
using Cut = std::function<QList<QByteArray>(const QByteArray&, const QByteArray&)>;
using Marks = QList<Mark>;
using Lines = QList<QByteArray>;

QByteArray from(int n)
{
    return "sender" + QByteArray::number(n) + "@example.jp";
}

QByteArray subject(int n)
{
    return "Message " + QByteArray::number(n);
}

// Message n; message 4 quotes a server log, so that a read may begin with
// "-ERR" or "+OK" inside it, and message 5 is long and carries a dot line.
QByteArray mail(int n)
{
    QByteArray body = "Body of message " + QByteArray::number(n) + "\r\n";
    if (n == 4)
        body += "+OK as the log says\r\n-ERR quoted from the log\r\n";
    if (n == 5)
        body += QByteArray("A long line of text.\r\n").repeated(300) + ".hidden\r\n";
    return "From: " + from(n) + "\r\nSubject: " + subject(n) + "\r\n\r\n" + body;
}

// The body the viewer shows for mail(n): everything after the empty line,
// the final "." line and doubled dots included.
QString body(int n)
{
    const QByteArray response = ScriptedPop3Server::retrResponse(mail(n));
    return QString::fromLatin1(response.mid(response.indexOf("\r\n\r\n") + 4));
}

Lines lines(std::initializer_list<const char*> list)
{
    Lines result;
    for (const char* line : list)
        result.append(QByteArray(line) + "\r\n");
    return result;
}

QList<QByteArray> pieces(const QByteArray& reply, qsizetype size)
{
    QList<QByteArray> result;
    for (qsizetype i = 0; i < reply.size(); i += size)
        result.append(reply.mid(i, size));
    return result;
}

} // namespace

class RetrieveSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void retrievesDueMessages_data();
    void retrievesDueMessages();
};

void RetrieveSessionTest::retrievesDueMessages_data()
{
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<Marks>("fetchedBefore");
    QTest::addColumn<int>("removedBefore"); // message removed from alice's box, 0 none
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Cut>("cut");
    QTest::addColumn<Lines>("sent");
    QTest::addColumn<Marks>("stored");
    QTest::addColumn<QStringList>("messages");

    QTest::addRow("marks on 2 and 5 of account 1: one connection")
        << Marks{{1, 5}, {1, 2}} << Marks() << 0 << QByteArray() << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "RETR 2", "RETR 5", "QUIT"}) << Marks{{1, 2}, {1, 5}}
        << QStringList();
    QTest::addRow("a body fetched before is not fetched again")
        << Marks{{1, 2}, {1, 5}} << Marks{{1, 2}} << 0 << QByteArray() << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "RETR 5", "QUIT"}) << Marks{{1, 5}} << QStringList();
    QTest::addRow("nothing due: no connection at all")
        << Marks{{1, 2}} << Marks{{1, 2}} << 0 << QByteArray() << QByteArray() << Cut() << Lines()
        << Marks() << QStringList();
    QTest::addRow("account 2 left out of checks is still served")
        << Marks{{2, 1}} << Marks() << 0 << QByteArray() << QByteArray() << Cut()
        << lines({"USER bob", "PASS pw", "RETR 1", "QUIT"}) << Marks{{2, 1}} << QStringList();
    QTest::addRow("RETR responses in reads of 50 bytes")
        << Marks{{1, 4}, {1, 5}} << Marks() << 0 << QByteArray() << QByteArray()
        << Cut([](const QByteArray& command, const QByteArray& reply) {
               return command.startsWith("RETR") ? pieces(reply, 50) : QList<QByteArray>{reply};
           })
        << lines({"USER alice", "PASS secret", "RETR 4", "RETR 5", "QUIT"}) << Marks{{1, 4}, {1, 5}}
        << QStringList();
    for (const char* quoted : {"+OK as", "-ERR quoted"}) {
        QTest::addRow("a read inside the message beginning with \"%s\" is text", quoted)
            << Marks{{1, 4}} << Marks() << 0 << QByteArray() << QByteArray()
            << Cut([quoted](const QByteArray& command, const QByteArray& reply) {
                   const qsizetype at = reply.indexOf(quoted);
                   if (!command.startsWith("RETR") || at < 0)
                       return QList<QByteArray>{reply};
                   return QList<QByteArray>{reply.left(at), reply.mid(at)};
               })
            << lines({"USER alice", "PASS secret", "RETR 4", "QUIT"}) << Marks{{1, 4}}
            << QStringList();
    }
    QTest::addRow("-ERR to the second RETR: the first body stays, the account ends with QUIT")
        << Marks{{1, 2}, {1, 5}, {2, 2}} << Marks() << 0 << QByteArray("RETR 5")
        << QByteArray("-ERR Message 5 expunged.\r\n") << Cut()
        << lines({"USER alice", "PASS secret", "RETR 2", "RETR 5", "QUIT", "USER bob", "PASS pw",
                  "RETR 2", "QUIT"})
        << Marks{{1, 2}, {2, 2}} << QStringList{QStringLiteral(" Message 5 expunged.\r\n")};
    QTest::addRow("message 1 removed since the list: RETR 2 brings message 3, not stored")
        << Marks{{1, 2}, {1, 5}} << Marks() << 1 << QByteArray() << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "RETR 2", "QUIT"}) << Marks()
        << QStringList{QStringLiteral("「Office」のメールボックスの内容が一覧を作ったときから変わっ"
                                      "ているため、メールの取得を中止しました。\r\n"
                                      "メールチェックで一覧を更新してください。")};
}

void RetrieveSessionTest::retrievesDueMessages()
{
    QFETCH(Marks, marks);
    QFETCH(Marks, fetchedBefore);
    QFETCH(int, removedBefore);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(Cut, cut);
    QFETCH(Lines, sent);
    QFETCH(Marks, stored);
    QFETCH(QStringList, messages);

    ScriptedPop3Server server;
    server.addMailbox("alice", "secret", {mail(1), mail(2), mail(3), mail(4), mail(5), mail(6)});
    server.addMailbox("bob", "pw", {mail(1), mail(2)});
    if (removedBefore != 0)
        server.mailbox("alice").messages.removeAt(removedBefore - 1);
    if (!command.isEmpty())
        server.on(command, {ScriptedPop3Server::Manner::Reply, reply, true});
    server.cut = cut;
    server.pieceDelay = 2ms;

    FakeMailHost host;
    Pop3Connection connection{host};
    RetrieveSession session{connection, host};
    session.setRetrtimerInterval(20ms);
    auto home = FakeCheckHost::account(QStringLiteral("Home"), QStringLiteral("127.0.0.1"),
                                       server.port(), QStringLiteral("bob"), QStringLiteral("pw"));
    home.Check = 0;
    host.setAccounts(
        {FakeCheckHost::account(QStringLiteral("Office"), QStringLiteral("127.0.0.1"),
                                server.port(), QStringLiteral("alice"), QStringLiteral("secret")),
         home});
    host.generalOptions.Option8value = 1;
    for (const auto& [account, message] : std::as_const(marks))
        host.mark(account, message, from(message), subject(message));
    for (const auto& [account, message] : std::as_const(fetchedBefore))
        host.table.entry(account, message).Body = QStringLiteral("fetched before");

    // RetrBt_Click: resetCycle, then the driver.
    connection.subDisConn();
    host.startCycle();
    session.retrNextAccount();
    QTRY_COMPARE(host.endOfRetrievalCount, 1);
    QVERIFY(!session.isRetrtimerActive());
    QVERIFY(!connection.isTimeupActive());

    QCOMPARE(server.allLines(), sent);
    QTRY_COMPARE(host.messages, messages);
    for (int account = 1; account <= 2; ++account) {
        for (int message = 1; message <= host.table.messageSlots(); ++message) {
            const MailRecord& entry = host.table.entry(account, message);
            if (stored.contains(Mark{account, message}))
                QCOMPARE(entry.Body, body(message));
            else if (!fetchedBefore.contains(Mark{account, message}))
                QCOMPARE(entry.Body, QString());
        }
    }
    // Each account served shows its name while it is; the window puts its
    // own caption back at the end.
    QCOMPARE(host.disableCount, int(sent.count("QUIT\r\n")));
    if (!sent.isEmpty()) {
        QCOMPARE(host.captions.constFirst(),
                 QStringLiteral("Tavoメールチェッカー LAN -メール取得中:") +
                     (sent.constFirst() == "USER bob\r\n" ? QStringLiteral("Home")
                                                          : QStringLiteral("Office")) +
                     QLatin1Char('-'));
    }
    // The transcript holds each stored message as the parser kept it.
    for (const auto& [account, message] : std::as_const(stored)) {
        QVERIFY(host.log.contains(
            QStringLiteral("RETR %1\r\n\r\n").arg(message) +
            Decode::parseRetrResponse(
                QString::fromLatin1(ScriptedPop3Server::retrResponse(mail(message))))
                .keptText +
            QStringLiteral("\r\n")));
    }
    QVERIFY(!host.log.contains(QLatin1String("secret")));
    for (int i = 0; i < server.connectionCount(); ++i) {
        QTRY_VERIFY(!server.isOpen(i));
        QVERIFY(server.session(i).count("QUIT\r\n") == 1);
    }
}

QTEST_GUILESS_MAIN(RetrieveSessionTest)
#include "RetrieveSessionTest.moc"
