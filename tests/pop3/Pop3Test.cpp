// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pop3/Pop3.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTest>

#include <arpa/inet.h>

class Pop3Test : public QObject
{
    Q_OBJECT

private slots:
    void replyTests_data();
    void replyTests();
    void serverWords_data();
    void serverWords();
    void wsaErrText_data();
    void wsaErrText();
    void wsaErrorCode_data();
    void wsaErrorCode();
    void inetAddr_data();
    void inetAddr();
    void toCp932_data();
    void toCp932();
    void collectResponse_data();
    void collectResponse();
    void collectResponseAgreesWithSearch();
};

void Pop3Test::replyTests_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("positive");
    QTest::addColumn<bool>("negative");

    QTest::addRow("+OK with text") << QByteArray("+OK Logged in.\r\n") << true << false;
    QTest::addRow("lower-case +ok") << QByteArray("+ok\r\n") << true << false;
    QTest::addRow("mixed case +oK") << QByteArray("+oK 3 120\r\n") << true << false;
    QTest::addRow("-ERR") << QByteArray("-ERR [AUTH] Authentication failed.\r\n") << false << true;
    QTest::addRow("lower-case -err") << QByteArray("-err no such message\r\n") << false << true;
    // Within the first four characters, not necessarily at the start.
    QTest::addRow("+OK after one byte") << QByteArray(" +OK\r\n") << true << false;
    QTest::addRow("+OK after two bytes") << QByteArray("\r\n+OK") << false << false;
    QTest::addRow("-ERR after one byte") << QByteArray(" -ERR") << false << false;
    QTest::addRow("half a status word") << QByteArray("+O") << false << false;
    QTest::addRow("body text") << QByteArray("From: a@b\r\n") << false << false;
    QTest::addRow("empty") << QByteArray() << false << false;
}

void Pop3Test::replyTests()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, positive);
    QFETCH(bool, negative);
    QCOMPARE(Pop3::isPositive(chunk), positive);
    QCOMPARE(Pop3::isNegative(chunk), negative);
}

void Pop3Test::serverWords_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("words");

    const QByteArray smiley = "\xF0\x9F\x98\x80"; // U+1F600, a surrogate pair in UTF-16
    const QString pair = QString::fromUtf8(smiley);

    QTest::addRow("leading blank kept") << QByteArray("-ERR [AUTH] Authentication failed.")
                                        << QStringLiteral(" [AUTH] Authentication failed.");
    QTest::addRow("line end kept")
        << QByteArray("-ERR No such user.\r\n") << QStringLiteral(" No such user.\r\n");
    QTest::addRow("a second line dropped")
        << QByteArray("-ERR Message 4 expunged.\r\n<b>second</b>\r\n")
        << QStringLiteral(" Message 4 expunged.\r\n");
    QTest::addRow("a bare CR ends the words")
        << QByteArray("-ERR first\r<b>second</b>\n") << QStringLiteral(" first\n");
    QTest::addRow("Shift-JIS words read as code page 932")
        << QByteArray("-ERR \x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x82\xAA\x88\xE1\x82\xA2"
                      "\x82\xDC\x82\xB7\r\n")
        << QStringLiteral(" パスワードが違います\r\n");
    QTest::addRow("300 characters cut to 200")
        << "-ERR " + QByteArray(299, 'x') << u' ' + QString(199, u'x');
    QTest::addRow("-ERR alone is empty") << QByteArray("-ERR") << QString();
    QTest::addRow("-ERR CR LF is a refusal without words")
        << QByteArray("-ERR\r\n") << QStringLiteral("\r\n");
    QTest::addRow("a surrogate pair across the cut is left out whole")
        << "-ERR" + QByteArray(199, 'x') + smiley + "tail" << QString(199, u'x');
    QTest::addRow("a surrogate pair ending at the cut is kept")
        << "-ERR" + QByteArray(198, 'x') + smiley + "tail" << QString(198, u'x') + pair;
}

void Pop3Test::serverWords()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, words);
    QCOMPARE(Pop3::serverWords(chunk), words);
}

void Pop3Test::wsaErrText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::addRow("first of the table") << 10004 << QStringLiteral("呼び出しがｷｬﾝｾﾙされました");
    QTest::addRow("refused") << 10061 << QStringLiteral("接続が拒否されました");
    QTest::addRow("reset by the server") << 10054 << QStringLiteral("ﾘﾓｰﾄﾎｽﾄから切断されました");
    QTest::addRow("no route") << 10065 << QStringLiteral("ﾎｽﾄへのﾙｰﾄが存在しません");
    QTest::addRow("host not found") << 11001 << QStringLiteral("ﾎｽﾄが見つかりません");
    QTest::addRow("last of the table")
        << 11004 << QStringLiteral("要求された型のﾃﾞｰﾀﾚｺｰﾄﾞがありません");
    QTest::addRow("zero means no error") << 0 << QStringLiteral("(0)");
    QTest::addRow("negative") << -1 << QStringLiteral("(-1)");
    QTest::addRow("unknown") << 12345 << QStringLiteral("(12345)");
    QTest::addRow("gap 10059") << 10059 << QStringLiteral("(10059)");
    QTest::addRow("gap 10062") << 10062 << QStringLiteral("(10062)");
    QTest::addRow("gap 10066") << 10066 << QStringLiteral("(10066)");
    QTest::addRow("gap start 10068") << 10068 << QStringLiteral("(10068)");
    QTest::addRow("gap end 10090") << 10090 << QStringLiteral("(10090)");
}

void Pop3Test::wsaErrText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(Pop3::wsaErrText(code), text);
}

void Pop3Test::wsaErrorCode_data()
{
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<QString>("qtText");
    QTest::addColumn<int>("code");

    QTest::addRow("refused") << QAbstractSocket::ConnectionRefusedError
                             << QStringLiteral("Connection refused") << 10061;
    QTest::addRow("closed by the server")
        << QAbstractSocket::RemoteHostClosedError
        << QStringLiteral("The remote host closed the connection") << 10054;
    QTest::addRow("lookup failed")
        << QAbstractSocket::HostNotFoundError << QStringLiteral("Host not found") << 11001;
    // Qt reports these causes alike as NetworkError; its text tells them apart.
    QTest::addRow("host unreachable")
        << QAbstractSocket::NetworkError << QStringLiteral("Host unreachable") << 10065;
    QTest::addRow("network unreachable")
        << QAbstractSocket::NetworkError << QStringLiteral("Network unreachable") << 10051;
    QTest::addRow("connect timed out")
        << QAbstractSocket::NetworkError << QStringLiteral("Connection timed out") << 10060;
    QTest::addRow("other network error")
        << QAbstractSocket::NetworkError << QStringLiteral("Network error") << 10053;
    QTest::addRow("unknown error") << QAbstractSocket::UnknownSocketError << QString() << -1;
}

void Pop3Test::wsaErrorCode()
{
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(QString, qtText);
    QFETCH(int, code);
    QCOMPARE(Pop3::wsaErrorCode(error, qtText), code);
}

void Pop3Test::inetAddr_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<quint32>("address");

    QTest::addRow("dotted address used without lookup")
        << QStringLiteral("192.168.0.1") << quint32(0xC0A80001);
    QTest::addRow("loopback") << QStringLiteral("127.0.0.1") << quint32(0x7F000001);
    QTest::addRow("short form") << QStringLiteral("127.1") << quint32(0x7F000001);
    QTest::addRow("hexadecimal part") << QStringLiteral("0x7f.0.0.1") << quint32(0x7F000001);
    QTest::addRow("all ones is looked up as a name")
        << QStringLiteral("255.255.255.255") << quint32(INADDR_NONE);
    QTest::addRow("host name") << QStringLiteral("mail.example.jp") << quint32(INADDR_NONE);
    QTest::addRow("empty") << QString() << quint32(INADDR_NONE);
    QTest::addRow("Japanese name") << QStringLiteral("メール.example.jp") << quint32(INADDR_NONE);
    QTest::addRow("address with a NUL inside")
        << QStringLiteral("127.0.0.1") + QChar(0) + QStringLiteral("x") << quint32(INADDR_NONE);
}

void Pop3Test::inetAddr()
{
    QFETCH(QString, host);
    QFETCH(quint32, address);
    QCOMPARE(Pop3::inetAddr(host), address);
}

void Pop3Test::toCp932_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::addRow("ASCII command")
        << QStringLiteral("USER alice\r\n") << QByteArray("USER alice\r\n");
    QTest::addRow("hiragana") << QStringLiteral("USER あ\r\n") << QByteArray("USER \x82\xA0\r\n");
    QTest::addRow("half-width katakana") << QStringLiteral("ｱ") << QByteArray("\xB1");
    QTest::addRow("NEC row 13") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::addRow("wave dash of code page 932") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::addRow("not in code page 932") << QStringLiteral("a€b") << QByteArray("a?b");
    QTest::addRow("character outside the BMP")
        << QString::fromUcs4(U"x\U0001F600y") << QByteArray("x?y");
    QTest::addRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void Pop3Test::toCp932()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Pop3::toCp932(text), bytes);
}

void Pop3Test::collectResponse_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<QByteArray>("collected");
    QTest::addColumn<qsizetype>("length");

    const QByteArray top = "+OK\r\nFrom: a@b\r\nSubject: x\r\n\r\nbody\r\n.\r\n";
    QTest::addRow("one read") << QByteArrayList{top} << QByteArray("\n.\r\n") << top << top.size();
    QTest::addRow("dot-stuffed line is text")
        << QByteArrayList{"+OK\r\n..\r\n.x\r\n"} << QByteArray("\n.\r\n")
        << QByteArray("+OK\r\n..\r\n.x\r\n") << qsizetype(-1);
    QTest::addRow("LF . CR LF ends a TOP")
        << QByteArrayList{"+OK\nbody\n.\r\n"} << QByteArray("\n.\r\n")
        << QByteArray("+OK\nbody\n.\r\n") << qsizetype(12);
    // The final LF in a read of its own is still the response's (issue 16).
    QTest::addRow("end split before its last LF, the next reply after it")
        << QByteArrayList{"+OK\r\nx\r\n.\r", "\n+OK 2\r\n"} << QByteArray("\n.\r\n")
        << QByteArray("+OK\r\nx\r\n.\r\n+OK 2\r\n") << qsizetype(11);
    QTest::addRow("NUL becomes CR LF, and may form the end")
        << QByteArrayList{QByteArray("+OK\r\nx\0.\0", 9)} << QByteArray("\r\n.\r\n")
        << QByteArray("+OK\r\nx\r\n.\r\n") << qsizetype(11);
}

void Pop3Test::collectResponse()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QByteArray, end);
    QFETCH(QByteArray, collected);
    QFETCH(qsizetype, length);

    QByteArray replyBuf;
    qsizetype scanned = 0;
    qsizetype found = -1;
    for (const QByteArray& read : reads) {
        QCOMPARE(found, qsizetype(-1));
        replyBuf += read;
        found = Pop3::collectResponse(replyBuf, scanned, end);
    }
    QCOMPARE(found, length);
    QCOMPARE(replyBuf, collected);
}

// Random reads of line-end characters, dots and NULs, against a plain
// search of everything collected so far.
void Pop3Test::collectResponseAgreesWithSearch()
{
    QRandomGenerator random(20261207);
    const char alphabet[] = {'\r', '\n', '.', 'x', '\0'};
    for (int round = 0; round < 20000; ++round) {
        const QByteArray end = round % 2 ? QByteArray("\n.\r\n") : QByteArray("\r\n.\r\n");
        QByteArray replyBuf;
        qsizetype scanned = 0;
        QByteArray all;
        for (int read = 0; read < 4; ++read) {
            QByteArray chunk;
            for (int i = random.bounded(8); i > 0; --i)
                chunk += alphabet[random.bounded(5)];
            replyBuf += chunk;
            all += chunk;
            const qsizetype length = Pop3::collectResponse(replyBuf, scanned, end);
            const QByteArray expected = QByteArray(all).replace('\0', "\r\n");
            QCOMPARE(replyBuf, expected);
            const qsizetype at = expected.indexOf(end);
            QCOMPARE(length, at < 0 ? -1 : at + end.size());
            if (length >= 0)
                break;
        }
    }
}

QTEST_GUILESS_MAIN(Pop3Test)
#include "Pop3Test.moc"
