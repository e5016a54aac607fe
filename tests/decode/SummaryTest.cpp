// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Summary.h"
#include "decode/Decode.h"

#include "MailText.h"

#include <QElapsedTimer>
#include <QTest>

using namespace MailText;

namespace QTest {
template <> char* toString(const Decode::Summary& summary)
{
    return QTest::toString(
        QStringLiteral("From=%1 Subject=%2 Attached=%3")
            .arg(summary.From, summary.Subject,
                 summary.Attached ? QStringLiteral("yes") : QStringLiteral("no")));
}
} // namespace QTest

namespace {

// A TOP response around the given header lines (each ending in CR LF).
QString topResponse(const QString& headers)
{
    return latin1("+OK\r\nReturn-Path: <a@example.jp>\r\n") + headers +
           latin1("\r\nFirst body line\r\n.\r\n");
}

} // namespace

class SummaryTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void shiftJisSubject();
    void changesMessage_data();
    void changesMessage();
};

void SummaryTest::parse_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("attached");

    const QString kaigi = word(u8("会議"));
    const QString yamada = word(u8("山田太郎"));

    QTest::addRow("plain ASCII headers")
        << topResponse(latin1("From: a@example.jp\r\nSubject: Hello there\r\n"))
        << latin1("a@example.jp") << latin1("Hello there") << false;
    QTest::addRow("header names in lower case")
        << topResponse(latin1("from: a@example.jp\r\nsubject: hi\r\n")) << latin1("a@example.jp")
        << latin1("hi") << false;
    QTest::addRow("Subject: without a space not found")
        << topResponse(latin1("From: a\r\nSubject:hi\r\n")) << latin1("a") << QString() << false;
    QTest::addRow("Subject: without a space, subject: later in the body")
        << latin1("+OK\r\nSubject:hi\r\n\r\nthe subject: is this\r\n.\r\n") << QString()
        << latin1("is this") << false;
    QTest::addRow("X-Subject before Subject is taken")
        << topResponse(latin1("X-Subject: spam score\r\nSubject: real\r\n")) << QString()
        << latin1("spam score") << false;
    QTest::addRow("Resent-From before From is taken")
        << topResponse(latin1("Resent-From: list@example.jp\r\nFrom: me@example.jp\r\n"))
        << latin1("list@example.jp") << QString() << false;
    QTest::addRow("long s is not an ASCII S")
        << topResponse(u8("ſubject: x\r\n")) << QString() << QString() << false;
    QTest::addRow("folded in three lines with tabs, joined without separator")
        << topResponse(latin1("Subject: one\r\n\ttwo\r\n\t three\r\n")) << QString()
        << latin1("onetwothree") << false;
    QTest::addRow("folded with spaces")
        << topResponse(latin1("Subject: Re: long\r\n   subject\r\n")) << QString()
        << latin1("Re: longsubject") << false;
    QTest::addRow("folded encoded words joined directly")
        << topResponse(latin1("Subject: ") + kaigi + latin1("\r\n ") + word(u8("の予定")) +
                       latin1("\r\n"))
        << QString() << u8("会議の予定") << false;
    QTest::addRow("Re: before an encoded word")
        << topResponse(latin1("Subject: Re: ") + kaigi + latin1("\r\n")) << QString()
        << u8("Re: 会議") << false;
    QTest::addRow("two words with a space between keep the space")
        << topResponse(latin1("Subject: ") + kaigi + latin1(" ") + kaigi + latin1("\r\n"))
        << QString() << u8("会議 会議") << false;
    QTest::addRow("tabs deleted from a plain subject")
        << topResponse(latin1("Subject: a\tb\r\n")) << QString() << latin1("ab") << false;
    QTest::addRow("sender name word, space, address")
        << topResponse(latin1("From: ") + yamada + latin1(" <yamada@example.jp>\r\n"))
        << u8("山田太郎 <yamada@example.jp>") << QString() << false;
    QTest::addRow("sender with two encoded words")
        << topResponse(latin1("From: ") + word(u8("山田")) + word(u8("太郎")) +
                       latin1(" <y@example.jp>\r\n"))
        << u8("山田太郎 <y@example.jp>") << QString() << false;
    QTest::addRow("sender takes only its first line")
        << topResponse(latin1("From: Taro\r\n <taro@example.jp>\r\n")) << latin1("Taro")
        << QString() << false;
    QTest::addRow("boundary= marks attachments")
        << topResponse(latin1("Content-Type: multipart/mixed;\r\n\tBOUNDARY=\"x\"\r\n"))
        << QString() << QString() << true;
    QTest::addRow("unquoted boundary= marks attachments too")
        << topResponse(latin1("Content-Type: multipart/mixed; boundary=x\r\n")) << QString()
        << QString() << true;
    QTest::addRow("older designation deleted from subject words")
        << topResponse(latin1("Subject: ") + wordOfBytes("\x1b$@\x1b$B0!\x1b(B") + latin1("\r\n"))
        << QString() << u8("亜") << false;
    QTest::addRow("older designation kept in the sender")
        << topResponse(latin1("From: ") + wordOfBytes("\x1b$@\x1b$B0!\x1b(B") + latin1("\r\n"))
        << latin1("\x1b$@") + u8("亜") << QString() << false;
    QTest::addRow("older designation outside words kept in the subject")
        << topResponse(latin1("Subject: \x1b$@x\r\n")) << QString() << latin1("\x1b$@x") << false;
    QTest::addRow("NUL bytes of a word filtered")
        << topResponse(latin1("Subject: ") + wordOfBytes(QByteArray("a\0b", 3)) + latin1("\r\n"))
        << QString() << latin1("ab") << false;
    QTest::addRow("unterminated word stays as text")
        << topResponse(latin1("Subject: ") + kaigi + latin1(" =?ISO-2022-JP?B?GyRC\r\n"))
        << QString() << u8("会議 =?ISO-2022-JP?B?GyRC") << false;
    QTest::addRow("subject without line end runs to the end")
        << latin1("+OK\r\nSubject: cut off") << QString() << latin1("cut off") << false;
    // A hostile server can send megabytes; the list, the notification and
    // the retrieve guard all get the same first 1,000 characters.
    const QString longText = QString(500, QChar(u'x')) + QString(4500, QChar(u'y'));
    QTest::addRow("5,000-character subject cut to its first 1,000")
        << topResponse(latin1("Subject: ") + longText + latin1("\r\n")) << QString()
        << longText.left(1000) << false;
    QTest::addRow("5,000-character sender cut to its first 1,000")
        << topResponse(latin1("From: ") + longText + latin1("\r\n")) << longText.left(1000)
        << QString() << false;
    QTest::addRow("surrogate pair at the cut dropped whole")
        << topResponse(latin1("Subject: ") + QString(999, QChar(u'x')) + u8("😀😀\r\n")) << QString()
        << QString(999, QChar(u'x')) << false;
    QTest::addRow("issue 16: a million empty Content-Type parameters before the boundary")
        << topResponse(latin1("Content-Type: multipart/mixed") + QString(1000000, QChar(u';')) +
                       latin1("boundary=\"b\"\r\n"))
        << QString() << QString() << true;
    QTest::addRow("no headers at all") << latin1("+OK\r\n.\r\n") << QString() << QString() << false;
    QTest::addRow("empty response") << QString() << QString() << QString() << false;
}

void SummaryTest::parse()
{
    QFETCH(QString, response);
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QFETCH(bool, attached);
    QElapsedTimer timer;
    timer.start();
    const Decode::Summary summary = Decode::parseTopResponse(response);
    // Parsing runs on the user-interface thread: a hostile header must not
    // hold it up. The bound leaves room for a sanitizer build.
    QVERIFY2(timer.elapsed() < 2000, "parsing a TOP response took over 2 s");
    QCOMPARE(summary, (Decode::Summary{from, subject, attached}));
}

void SummaryTest::shiftJisSubject()
{
    // Some mail programs send raw Shift-JIS headers; received bytes are read
    // as code page 932, so they show as they were meant.
    const QByteArray bytes("+OK\r\nFrom: a@example.jp\r\nSubject: \x89\xef\x8b\x63\x82\xcc"
                           "\x82\xa8\x92\x6d\x82\xe7\x82\xb9\x81\x60\r\n\r\n.\r\n");
    const Decode::Summary summary = Decode::parseTopResponse(Decode::fromCp932(bytes));
    QCOMPARE(summary.Subject, u8("会議のお知らせ～"));
    QCOMPARE(summary.From, latin1("a@example.jp"));
}

void SummaryTest::changesMessage_data()
{
    QTest::addColumn<QString>("oldFrom");
    QTest::addColumn<QString>("oldSubject");
    QTest::addColumn<bool>("changes");

    QTest::addRow("same sender and subject keep the body") << latin1("a") << latin1("s") << false;
    QTest::addRow("other sender") << latin1("b") << latin1("s") << true;
    QTest::addRow("other subject") << latin1("a") << latin1("S") << true;
    QTest::addRow("empty entry") << QString() << QString() << true;
}

void SummaryTest::changesMessage()
{
    QFETCH(QString, oldFrom);
    QFETCH(QString, oldSubject);
    QFETCH(bool, changes);
    const Decode::Summary summary{latin1("a"), latin1("s"), false};
    QCOMPARE(Decode::summaryChangesMessage(oldFrom, oldSubject, summary), changes);
}

QTEST_GUILESS_MAIN(SummaryTest)
#include "SummaryTest.moc"
