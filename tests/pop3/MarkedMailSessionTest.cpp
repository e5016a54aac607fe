// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/DeleteSession.h"
#include "pop3/Pop3Connection.h"
#include "pop3/RetrieveSession.h"
#include "support/FakeMailHost.h"
#include "support/ScriptedPop3Server.h"

#include <QEventLoop>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <utility>

using namespace std::chrono_literals;

namespace {

using Marks = QList<std::pair<int, int>>; // account, message
using Lines = QList<QByteArray>;
using Numbers = QList<int>;
using Setup = std::function<void(ScriptedPop3Server&, FakeMailHost&)>;
enum class Kind { Retrieve, Delete };

// Message n of a mailbox; message 4 quotes a server log, so that a read may
// begin with "-ERR" inside it, and message 5 is long and has a dot line.
QByteArray mail(int n)
{
    QByteArray body = "Body of message " + QByteArray::number(n) + "\r\n";
    if (n == 4)
        body += "-ERR quoted from the log\r\n";
    if (n == 5)
        body += QByteArray("A long line of text.\r\n").repeated(300) + ".hidden\r\n";
    return "From: sender" + QByteArray::number(n) + "@example.jp\r\nSubject: Message " +
           QByteArray::number(n) + "\r\n\r\n" + body;
}

Lines lines(std::initializer_list<const char*> list)
{
    Lines result;
    for (const char* line : list)
        result.append(QByteArray(line) + "\r\n");
    return result;
}

// Cuts the replies to commands starting with prefix at every `size` bytes, or
// once before `at`.
Setup cut(const QByteArray& prefix, qsizetype size, const QByteArray& at = {})
{
    return [=](ScriptedPop3Server& server, FakeMailHost&) {
        server.cut = [=](const QByteArray& command, const QByteArray& reply) {
            QList<QByteArray> pieces;
            if (!command.startsWith(prefix))
                return QList<QByteArray>{reply};
            if (!at.isEmpty())
                return QList<QByteArray>{reply.left(reply.indexOf(at)),
                                         reply.mid(reply.indexOf(at))};
            for (qsizetype i = 0; i < reply.size(); i += size)
                pieces.append(reply.mid(i, size));
            return pieces;
        };
    };
}

Setup on(const QByteArray& command, ScriptedPop3Server::Manner manner, const QByteArray& reply)
{
    return [=](ScriptedPop3Server& server, FakeMailHost&) {
        server.on(command, {manner, reply, true});
    };
}

// The settings program changed the accounts while the answer to the first
// RETR or TOP was on its way: the list, and every mark, are gone.
const Setup listEmptiedMeanwhile = [](ScriptedPop3Server& server, FakeMailHost& host) {
    server.cut = [&host](const QByteArray& command, const QByteArray& reply) {
        if (command.startsWith("RETR") || command.startsWith("TOP"))
            host.table.redim(host.table.accountCount());
        return QList<QByteArray>{reply};
    };
};

// Another mail program removed message 1 after the list was built.
const Setup removedBefore = [](ScriptedPop3Server& server, FakeMailHost&) {
    server.mailbox("alice").messages.removeAt(0);
};

// The server offers UIDL and PIPELINING, the list holds every message's
// id, and another mail program removed message 1 after the list was built.
const Setup byIdAfterRemoval = [](ScriptedPop3Server& server, FakeMailHost& host) {
    server.capabilities = {"UIDL", "PIPELINING"};
    for (int n = 1; n <= 6; ++n)
        host.table.entry(1, n).Uid = ScriptedPop3Server::uid(mail(n));
    removedBefore(server, host);
};

QString changed(const char* what, const char* then)
{
    return QStringLiteral(
               "「Office」のメールボックスの内容が一覧を作ったときから変わっているため、") +
           QString::fromUtf8(what) + QStringLiteral("を中止しました。\r\n") +
           QString::fromUtf8(then);
}

} // namespace

class MarkedMailSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void cycle_data();
    void cycle();
    void largeMessage_data();
    void largeMessage();
};

void MarkedMailSessionTest::cycle_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Lines>("sent");
    // Retrieve: alice's messages whose bodies were stored. Delete: alice's
    // messages left on the server.
    QTest::addColumn<Numbers>("outcome");
    QTest::addColumn<QStringList>("messages");

    const auto Reply = ScriptedPop3Server::Manner::Reply;
    const Setup none;
    const auto R = Kind::Retrieve;
    const auto D = Kind::Delete;
    const QString expunged = QStringLiteral(" Message 4 expunged.\r\n");
    const QString notRetrieved =
        changed("メールの取得", "メールチェックで一覧を更新してください。");
    const QString notDeleted = changed("削除", "一覧を更新します。");

    QTest::addRow("retrieve 5 and 2 of account 1: one connection, ascending")
        << R << Marks{{1, 5}, {1, 2}} << none
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 2", "RETR 5", "QUIT"}) << Numbers{2, 5}
        << QStringList();
    QTest::addRow("retrieve: a body fetched before is not fetched again")
        << R << Marks{{1, 2}, {1, 5}} << Setup([](ScriptedPop3Server&, FakeMailHost& host) {
               host.table.entry(1, 2).Body = QStringLiteral("fetched before");
           })
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 5", "QUIT"}) << Numbers{5}
        << QStringList();
    QTest::addRow("retrieve: RETR responses in reads of 50 bytes")
        << R << Marks{{1, 4}, {1, 5}} << cut("RETR", 50)
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 4", "RETR 5", "QUIT"}) << Numbers{4, 5}
        << QStringList();
    QTest::addRow("retrieve: a read inside the message beginning with -ERR is text")
        << R << Marks{{1, 4}} << cut("RETR", 0, "-ERR quoted")
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 4", "QUIT"}) << Numbers{4}
        << QStringList();
    QTest::addRow("retrieve: -ERR to the second RETR keeps the first, next account served")
        << R << Marks{{1, 2}, {1, 4}, {2, 2}} << on("RETR 4", Reply, "-ERR Message 4 expunged.\r\n")
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 2", "RETR 4", "QUIT", "CAPA",
                  "USER bob", "PASS pw", "RETR 2", "QUIT"})
        << Numbers{2} << QStringList{expunged};
    // Issue 16 (for the rows below): RFC 1939 lets a server refuse QUIT.
    QTest::addRow("retrieve: -ERR to QUIT, QUIT not sent again")
        << R << Marks{{1, 2}} << on("QUIT", Reply, "-ERR some deleted messages not removed\r\n")
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 2", "QUIT"}) << Numbers{2}
        << QStringList{QStringLiteral(" some deleted messages not removed\r\n")};
    QTest::addRow("retrieve: the list emptied under the RETR ends the session quietly")
        << R << Marks{{1, 2}, {1, 5}} << listEmptiedMeanwhile
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 2", "QUIT"}) << Numbers()
        << QStringList();
    QTest::addRow("delete: the list emptied under the TOP ends the session quietly")
        << D << Marks{{1, 2}} << listEmptiedMeanwhile
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "QUIT"})
        << Numbers{1, 2, 3, 4, 5, 6} << QStringList();
    QTest::addRow("retrieve: message 1 removed since the list, RETR 2 is not stored")
        << R << Marks{{1, 2}, {1, 5}} << removedBefore
        << lines({"CAPA", "USER alice", "PASS secret", "RETR 2", "QUIT"}) << Numbers()
        << QStringList{notRetrieved};

    QTest::addRow("delete 6, 2, 4: each confirmed, in ascending order")
        << D << Marks{{1, 6}, {1, 2}, {1, 4}} << none
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4",
                  "TOP 6 5", "DELE 6", "QUIT"})
        << Numbers{1, 3, 5} << QStringList();
    QTest::addRow("delete on account 2 only, left out of checks: account 1 not contacted")
        << D << Marks{{2, 1}} << none
        << lines({"CAPA", "USER bob", "PASS pw", "TOP 1 5", "DELE 1", "QUIT"})
        << Numbers{1, 2, 3, 4, 5, 6} << QStringList();
    QTest::addRow("delete: -ERR to a DELE, QUIT keeps the earlier deletion")
        << D << Marks{{1, 2}, {1, 4}, {1, 6}} << on("DELE 4", Reply, "-ERR Message 4 expunged.\r\n")
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4",
                  "QUIT"})
        << Numbers{1, 3, 4, 5, 6} << QStringList{expunged};
    QTest::addRow("delete: receive error, no QUIT, nothing deleted")
        << D << Marks{{1, 2}, {1, 4}} << on("DELE 4", ScriptedPop3Server::Manner::Close, {})
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "DELE 4"})
        << Numbers{1, 2, 3, 4, 5, 6} << QStringList{QStringLiteral("ﾘﾓｰﾄﾎｽﾄから切断されました")};
    QTest::addRow("delete: message 1 removed since the list, number 2 is not deleted")
        << D << Marks{{1, 2}, {1, 4}} << removedBefore
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "QUIT"}) << Numbers{2, 3, 4, 5, 6}
        << QStringList{notDeleted};
    QTest::addRow("delete: a mismatch after a confirmed deletion keeps that one")
        << D << Marks{{1, 2}, {1, 4}}
        << on("TOP 4 ", Reply, "+OK\r\nFrom: other@example.jp\r\nSubject: Message 4\r\n\r\n.\r\n")
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 2 5", "DELE 2", "TOP 4 5", "QUIT"})
        << Numbers{1, 3, 4, 5, 6} << QStringList{notDeleted};
    // By id the numbers of this session are used, and nothing else is
    // touched.
    QTest::addRow("retrieve by id after message 1 was removed")
        << R << Marks{{1, 2}, {1, 5}} << byIdAfterRemoval
        << lines({"CAPA", "USER alice", "PASS secret", "UIDL", "RETR 1", "RETR 4", "QUIT"})
        << Numbers{2, 5} << QStringList();
    QTest::addRow("delete by id after message 1 was removed")
        << D << Marks{{1, 4}, {1, 6}} << byIdAfterRemoval
        << lines({"CAPA", "USER alice", "PASS secret", "UIDL", "DELE 3", "DELE 5", "QUIT"})
        << Numbers{2, 3, 5} << QStringList();
    QTest::addRow("delete by id: a marked message gone is skipped, the user told once")
        << D << Marks{{1, 1}, {1, 3}} << byIdAfterRemoval
        << lines({"CAPA", "USER alice", "PASS secret", "UIDL", "DELE 2", "QUIT"})
        << Numbers{2, 4, 5, 6}
        << QStringList{QStringLiteral(
               "「Office」のメールボックスには、印を付けたメールのうち 1 "
               "通がもうありません（ほかのメールソフトで削除された可能性があります）。\r\n"
               "残りのメールだけを削除しました。")};
    QTest::addRow("delete: a read inside the summary beginning with -ERR is text")
        << D << Marks{{1, 4}} << cut("TOP", 0, "-ERR quoted")
        << lines({"CAPA", "USER alice", "PASS secret", "TOP 4 5", "DELE 4", "QUIT"})
        << Numbers{1, 2, 3, 5, 6} << QStringList();
}

void MarkedMailSessionTest::cycle()
{
    QFETCH(Kind, kind);
    QFETCH(Marks, marks);
    QFETCH(Setup, setup);
    QFETCH(Lines, sent);
    QFETCH(Numbers, outcome);
    QFETCH(QStringList, messages);

    ScriptedPop3Server server;
    server.addMailbox("alice", "secret", {mail(1), mail(2), mail(3), mail(4), mail(5), mail(6)});
    server.addMailbox("bob", "pw", {mail(1), mail(2)});
    server.pieceDelay = 1ms;
    FakeMailHost host;
    auto bob = FakeCheckHost::account(QStringLiteral("Home"), QStringLiteral("127.0.0.1"),
                                      server.port(), QStringLiteral("bob"), QStringLiteral("pw"));
    bob.Check = 0; // retrieval and deletion serve it all the same
    host.setAccounts(
        {FakeCheckHost::account(QStringLiteral("Office"), QStringLiteral("127.0.0.1"),
                                server.port(), QStringLiteral("alice"), QStringLiteral("secret")),
         bob});
    host.generalOptions.Option8value = 1;
    for (const auto& [account, message] : std::as_const(marks))
        host.mark(account, message, "sender" + QByteArray::number(message) + "@example.jp",
                  "Message " + QByteArray::number(message));
    if (setup)
        setup(server, host);

    // The user reads each box for longer than the pause between accounts:
    // nothing may go on under it (issue 16).
    host.whileShown = [](const QString&) {
        QEventLoop box;
        QTimer::singleShot(60ms, &box, &QEventLoop::quit);
        box.exec();
    };

    Pop3Connection connection{host};
    RetrieveSession retrieve{connection, host};
    DeleteSession dele{connection, host};
    retrieve.setRetrtimerInterval(20ms);
    dele.setDeltimerInterval(20ms);
    // RetrBt_Click and DelBt_Click: resetCycle, then the driver.
    connection.subDisConn();
    host.startCycle();
    if (kind == Kind::Retrieve) {
        retrieve.retrNextAccount();
        QTRY_COMPARE(host.endOfRetrievalCount, 1);
    } else {
        dele.deleNextAccount();
        QTRY_COMPARE(host.endOfDeletionCount, 1);
    }
    QVERIFY(!retrieve.isRetrtimerActive() && !dele.isDeltimerActive());
    QVERIFY(!connection.isTimeupActive());

    QCOMPARE(server.allLines(), sent);
    QTRY_COMPARE(host.messages, messages);
    for (qsizetype i = 0; i < host.events.size(); ++i) {
        if (host.events.at(i).startsWith(QLatin1String("ShowMsg:")))
            QVERIFY2(host.events.value(i + 1).startsWith(QLatin1String("closed:")),
                     qPrintable(host.events.join(QLatin1Char('|'))));
    }
    if (kind == Kind::Retrieve) {
        Numbers stored;
        for (int m = 1; m <= 6; ++m) {
            const QString body = host.table.entry(1, m).Body;
            if (!body.isEmpty() && body != QLatin1String("fetched before")) {
                stored.append(m);
                // Everything after the empty line, final "." line and
                // doubled dots included; the transcript holds it too.
                const QByteArray response = ScriptedPop3Server::retrResponse(mail(m));
                QCOMPARE(body, QString::fromLatin1(response.mid(response.indexOf("\r\n\r\n") + 4)));
                QVERIFY(host.log.contains(QStringLiteral("\r\n\r\n") +
                                          QString::fromLatin1(response) + QStringLiteral("\r\n")));
            }
        }
        QCOMPARE(stored, outcome);
    } else {
        Numbers left;
        for (const QByteArray& message : server.mailbox("alice").messages)
            left.append(message.mid(message.indexOf("Message ") + 8, 1).toInt());
        QCOMPARE(left, outcome);
    }
    // Each served account locks the list meanwhile.
    QCOMPARE(host.disableCount, server.connectionCount());
    // After the answer to QUIT the connection is closed; QUIT goes out once.
    for (int i = 0; i < server.connectionCount(); ++i) {
        QTRY_VERIFY(!server.isOpen(i));
        QVERIFY(server.session(i).count("QUIT\r\n") <= 1);
    }
}

// Issue 16: a message of many megabytes was kept whole several times over
// (response, text, body, transcript) and laid out whole by the viewer.
void MarkedMailSessionTest::largeMessage_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("names");

    const QByteArray text =
        QByteArray("A line of a very long report, 48 bytes long.\r\n").repeated(125000);
    const QByteArray head = "From: sender1@example.jp\r\nSubject: Message 1\r\n";
    QTest::addRow("6 MB of text: its first part and a line that says it was cut")
        << head + "\r\n" + text << QString();
    QTest::addRow("a file after 6 MB of text is still listed")
        << head +
               "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
               "Content-Type: text/plain\r\n\r\n" +
               text +
               "--b1\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n\r\nJVBERi0=\r\n"
               "--b1--\r\n"
        << QStringLiteral("\"report.pdf\" ");
}

void MarkedMailSessionTest::largeMessage()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, names);

    ScriptedPop3Server server;
    server.addMailbox("alice", "secret", {message});
    FakeMailHost host;
    host.setAccounts(
        {FakeCheckHost::account(QStringLiteral("Office"), QStringLiteral("127.0.0.1"),
                                server.port(), QStringLiteral("alice"), QStringLiteral("secret"))});
    host.generalOptions.Option8value = 1;
    host.mark(1, 1, "sender1@example.jp", "Message 1");
    Pop3Connection connection{host};
    RetrieveSession retrieve{connection, host};
    retrieve.setRetrtimerInterval(20ms);
    host.startCycle();
    retrieve.retrNextAccount();
    QTRY_COMPARE_WITH_TIMEOUT(host.endOfRetrievalCount, 1, 20000);

    const QString size =
        QLocale(QLocale::English).toString(ScriptedPop3Server::retrResponse(message).size());
    const MailRecord& record = host.table.entry(1, 1);
    QVERIFY(record.Body.startsWith(QStringLiteral("A line of a very long report")) ||
            record.Body.startsWith(QStringLiteral("--b1")));
    QCOMPARE(record.AttachNames, names);
    QCOMPARE(record.Attached != 0, !names.isEmpty());
    if (names.isEmpty()) {
        QVERIFY(record.Body.size() <= Pop3::maxBodyText + 100);
        QVERIFY(record.Body.endsWith(QStringLiteral("メール全体の大きさ: ") + size +
                                     QStringLiteral(" バイト)\r\n")));
    }
    // The transcript keeps the start and the size.
    QVERIFY(host.log.size() < 100 * 1024);
    QVERIFY(
        host.log.contains(QStringLiteral("(以下略: 全体 ") + size + QStringLiteral(" バイト)")));
    QVERIFY(host.messages.isEmpty());
}

QTEST_GUILESS_MAIN(MarkedMailSessionTest)
#include "MarkedMailSessionTest.moc"
