// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/DeleteSession.h"
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
using Numbers = QList<int>;

QByteArray from(int n)
{
    return "sender" + QByteArray::number(n) + "@example.jp";
}

QByteArray subject(int n)
{
    return "Message " + QByteArray::number(n);
}

QByteArray mail(int n, const QByteArray& body = "First line\r\n")
{
    return "From: " + from(n) + "\r\nSubject: " + subject(n) + "\r\n\r\n" + body;
}

Lines lines(std::initializer_list<const char*> list)
{
    Lines result;
    for (const char* line : list)
        result.append(QByteArray(line) + "\r\n");
    return result;
}

QString changed(const QString& account)
{
    return QStringLiteral("「") + account +
           QStringLiteral("」のメールボックスの内容が一覧を作ったときから変わっているため、"
                          "削除を中止しました。\r\n一覧を更新します。");
}

// The numbers of the messages left in a mailbox built by mail().
Numbers left(const QList<QByteArray>& messages)
{
    Numbers numbers;
    for (const QByteArray& message : messages) {
        const qsizetype at = message.indexOf("Message ") + 8;
        numbers.append(message.mid(at, message.indexOf('\r', at) - at).toInt());
    }
    return numbers;
}

} // namespace

class DeleteSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void deletesMarkedMessages_data();
    void deletesMarkedMessages();
};

void DeleteSessionTest::deletesMarkedMessages_data()
{
    QTest::addColumn<Marks>("marks");
    // A change to the server before the session: a message removed (-n), or
    // a command met otherwise.
    QTest::addColumn<int>("removedBefore");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<ScriptedPop3Server::Manner>("manner");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Cut>("cut");
    QTest::addColumn<Lines>("sent");
    QTest::addColumn<Numbers>("alice");
    QTest::addColumn<Numbers>("bob");
    QTest::addColumn<QStringList>("messages");

    const auto Reply = ScriptedPop3Server::Manner::Reply;
    const auto Close = ScriptedPop3Server::Manner::Close;
    const Numbers all{1, 2, 3, 4, 5, 6, 7};
    const Numbers bobAll{1, 2};

    QTest::addRow("marked 7, 2, 4: each confirmed, deleted in ascending order")
        << Marks{{1, 7}, {1, 2}, {1, 4}} << 0 << QByteArray() << Reply << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4", "TOP 7 5",
                  "DELE 7", "QUIT"})
        << Numbers{1, 3, 5, 6} << bobAll << QStringList();
    QTest::addRow("marks on account 2 only: account 1 is not contacted")
        << Marks{{2, 1}} << 0 << QByteArray() << Reply << QByteArray() << Cut()
        << lines({"USER bob", "PASS pw", "TOP 1 5", "DELE 1", "QUIT"}) << all << Numbers{2}
        << QStringList();
    QTest::addRow("-ERR to a DELE: QUIT keeps the earlier deletion")
        << Marks{{1, 2}, {1, 4}, {1, 6}} << 0 << QByteArray("DELE 4") << Reply
        << QByteArray("-ERR Message 4 expunged.\r\n") << Cut()
        << lines({"USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4", "QUIT"})
        << Numbers{1, 3, 4, 5, 6, 7} << bobAll
        << QStringList{QStringLiteral(" Message 4 expunged.\r\n")};
    QTest::addRow("receive error after a DELE: no QUIT, nothing deleted")
        << Marks{{1, 2}, {1, 4}} << 0 << QByteArray("DELE 4") << Close << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4"}) << all
        << bobAll << QStringList{QStringLiteral("ﾘﾓｰﾄﾎｽﾄから切断されました")};
    QTest::addRow("wrong password: nothing deleted")
        << Marks{{1, 2}} << 0 << QByteArray("PASS") << Reply
        << QByteArray("-ERR [AUTH] Authentication failed.\r\n") << Cut()
        << lines({"USER alice", "PASS secret", "QUIT"}) << all << bobAll
        << QStringList{QStringLiteral(" [AUTH] Authentication failed.\r\n")};
    QTest::addRow("message 1 removed since the list: number 2 is another message now")
        << Marks{{1, 2}, {1, 4}} << 1 << QByteArray() << Reply << QByteArray() << Cut()
        << lines({"USER alice", "PASS secret", "TOP 2 5", "QUIT"}) << Numbers{2, 3, 4, 5, 6, 7}
        << bobAll << QStringList{changed(QStringLiteral("Office"))};
    QTest::addRow("mismatch after a confirmed deletion: that one is carried out")
        << Marks{{1, 2}, {1, 4}} << 0 << QByteArray("TOP 4 ") << Reply
        << QByteArray("+OK\r\nFrom: other@example.jp\r\nSubject: Message 4\r\n\r\n.\r\n") << Cut()
        << lines({"USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "QUIT"})
        << Numbers{1, 3, 4, 5, 6, 7} << bobAll << QStringList{changed(QStringLiteral("Office"))};
    QTest::addRow("a read inside the summary beginning with -ERR is text")
        << Marks{{1, 3}} << 0 << QByteArray() << Reply << QByteArray()
        << Cut([](const QByteArray& command, const QByteArray& reply) {
               const qsizetype at = reply.indexOf("-ERR quoted");
               if (!command.startsWith("TOP") || at < 0)
                   return QList<QByteArray>{reply};
               return QList<QByteArray>{reply.left(at), reply.mid(at)};
           })
        << lines({"USER alice", "PASS secret", "TOP 3 5", "DELE 3", "QUIT"})
        << Numbers{1, 2, 4, 5, 6, 7} << bobAll << QStringList();
    QTest::addRow("replies in reads of 3 bytes")
        << Marks{{1, 1}, {2, 2}} << 0 << QByteArray() << Reply << QByteArray()
        << Cut([](const QByteArray&, const QByteArray& reply) {
               QList<QByteArray> pieces;
               for (qsizetype i = 0; i < reply.size(); i += 3)
                   pieces.append(reply.mid(i, 3));
               return pieces;
           })
        << lines({"USER alice", "PASS secret", "TOP 1 5", "DELE 1", "QUIT", "USER bob", "PASS pw",
                  "TOP 2 5", "DELE 2", "QUIT"})
        << Numbers{2, 3, 4, 5, 6, 7} << Numbers{1} << QStringList();
}

void DeleteSessionTest::deletesMarkedMessages()
{
    QFETCH(Marks, marks);
    QFETCH(int, removedBefore);
    QFETCH(QByteArray, command);
    QFETCH(ScriptedPop3Server::Manner, manner);
    QFETCH(QByteArray, reply);
    QFETCH(Cut, cut);
    QFETCH(Lines, sent);
    QFETCH(Numbers, alice);
    QFETCH(Numbers, bob);
    QFETCH(QStringList, messages);

    ScriptedPop3Server server;
    QList<QByteArray> aliceMail;
    for (int n = 1; n <= 7; ++n)
        aliceMail.append(mail(n, n == 3 ? "-ERR quoted from a log\r\n" : "First line\r\n"));
    server.addMailbox("alice", "secret", aliceMail);
    server.addMailbox("bob", "pw", {mail(1), mail(2)});
    if (removedBefore != 0)
        server.mailbox("alice").messages.removeAt(removedBefore - 1);
    if (!command.isEmpty())
        server.on(command, {manner, reply, true});
    server.cut = cut;
    server.pieceDelay = 2ms;

    FakeMailHost host;
    Pop3Connection connection{host};
    DeleteSession session{connection, host};
    session.setDeltimerInterval(20ms);
    auto office =
        FakeCheckHost::account(QStringLiteral("Office"), QStringLiteral("127.0.0.1"), server.port(),
                               QStringLiteral("alice"), QStringLiteral("secret"));
    // Deletion serves every account with a mark, checked or not.
    auto home = FakeCheckHost::account(QStringLiteral("Home"), QStringLiteral("127.0.0.1"),
                                       server.port(), QStringLiteral("bob"), QStringLiteral("pw"));
    home.Check = 0;
    host.setAccounts({office, home});
    for (const auto& [account, message] : std::as_const(marks))
        host.mark(account, message, from(message), subject(message));

    // DelBt_Click: resetCycle, then the driver.
    connection.subDisConn();
    host.startCycle();
    session.deleNextAccount();
    QTRY_COMPARE(host.endOfDeletionCount, 1);
    QVERIFY(!session.isDeltimerActive());
    QVERIFY(!connection.isTimeupActive());

    QCOMPARE(server.allLines(), sent);
    QCOMPARE(left(server.mailbox("alice").messages), alice);
    QCOMPARE(left(server.mailbox("bob").messages), bob);
    QTRY_COMPARE(host.messages, messages);
    // The session writes nothing into the table; the check that follows does.
    for (const auto& [account, message] : std::as_const(marks))
        QCOMPARE(host.table.entry(account, message).Mark, qint16(-1));
    // After the answer to QUIT the connection is closed, and QUIT went out
    // at most once.
    for (int i = 0; i < server.connectionCount(); ++i) {
        QTRY_VERIFY(!server.isOpen(i));
        QVERIFY(server.session(i).count("QUIT\r\n") <= 1);
    }
    QVERIFY(!connection.hasSocket());
}

QTEST_GUILESS_MAIN(DeleteSessionTest)
#include "DeleteSessionTest.moc"
