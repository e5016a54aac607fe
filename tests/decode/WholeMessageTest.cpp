// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WholeMessage.h"

#include "MailText.h"

#include <QElapsedTimer>
#include <QTest>

using namespace MailText;

namespace {

const QString Preamble = QStringLiteral("This is a multi-part message in MIME format.\r\n");

QString multipartHead(const QString& boundaryParameter,
                      const QString& statusLine = QStringLiteral("+OK 2345 octets"))
{
    return statusLine +
           latin1("\r\nFrom: a@example.jp\r\nMIME-Version: 1.0\r\n"
                  "Content-Type: multipart/mixed;\r\n\t") +
           boundaryParameter + latin1("\r\n\r\n");
}

QString textPart(const QString& boundary, const QString& text)
{
    return latin1("--") + boundary +
           latin1("\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n") + text +
           latin1("\r\n");
}

QString filePart(const QString& boundary, const QString& nameParameter)
{
    return latin1("--") + boundary + latin1("\r\nContent-Type: application/octet-stream; ") +
           nameParameter + latin1("\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n");
}

QString closing(const QString& boundary)
{
    return latin1("--") + boundary + latin1("--\r\n.\r\n");
}

// A last part of boundary "b1" whose name parameter starts distance
// characters after the part start (its boundary value).
QString fileAt(int distance)
{
    const QString prefix = latin1("b1\r\nContent-Type: application/octet-stream;");
    return latin1("--") + prefix + QString(distance - prefix.size() - 1, u' ') +
           latin1(" name=\"x.bin\"\r\n\r\nAAAA\r\n--b1--\r\n.\r\n");
}

// The body as the viewer shows it: what follows the first empty line.
QString bodyOf(const QString& kept)
{
    return kept.mid(kept.indexOf(latin1("\r\n\r\n")) + 4);
}

} // namespace

class WholeMessageTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void keptLength_data();
    void keptLength();
    void hostileInputStaysLinear_data();
    void hostileInputStaysLinear();
};

void WholeMessageTest::parse_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("attached");
    QTest::addColumn<QString>("names");

    const QString b = latin1("b1");
    const QString head = multipartHead(latin1("boundary=\"b1\""));
    const QString longText = jis(u8("本文です。")) + latin1("\r\n") + QString(400, u'a');
    const QString longPart = textPart(b, longText);
    const QString pdf = filePart(b, latin1("name=\"a.pdf\""));
    const QString longPartShown = textPart(b, u8("本文です。\r\n") + QString(400, u'a'));
    const QString bodyBeforeFiles = latin1("\r\n") + longPartShown;

    QTest::addRow("single part keeps final dot line and doubled dots")
        << latin1("+OK\r\nSubject: x\r\n\r\nline\r\n..dot\r\n.\r\n")
        << latin1("line\r\n..dot\r\n.\r\n") << false << QString();
    QTest::addRow("no empty line gives no body")
        << latin1("+OK\r\n.\r\n") << QString() << false << QString();
    QTest::addRow("empty response") << QString() << QString() << false << QString();
    QTest::addRow("JIS body converted, tabs deleted")
        << latin1("+OK\r\n\r\n") + jis(u8("こんにちは")) + latin1("\r\n\tindented\r\n.\r\n")
        << u8("こんにちは\r\nindented\r\n.\r\n") << false << QString();
    QTest::addRow("long text part then one attachment")
        << head + Preamble + latin1("\r\n") + longPart + pdf + closing(b) << bodyBeforeFiles << true
        << latin1("\"a.pdf\" ");
    QTest::addRow("two attachments in part order")
        << head + Preamble + latin1("\r\n") + longPart + pdf +
               filePart(b, latin1("name=\"b.zip\"")) + closing(b)
        << bodyBeforeFiles << true << latin1("\"a.pdf\" \"b.zip\" ");
    QTest::addRow("short first part counts as the attachment, name listed once")
        << head + Preamble + latin1("\r\n") + textPart(b, latin1("hi")) + pdf + closing(b)
        << latin1("\r\n") << true << latin1("\"a.pdf\" ");
    QTest::addRow("unquoted boundary is a single part")
        << multipartHead(latin1("boundary=b1")) + Preamble + latin1("\r\n") +
               textPart(b, latin1("hi")) + pdf + closing(b)
        << Preamble + latin1("\r\n") + textPart(b, latin1("hi")) + pdf + closing(b) << false
        << QString();
    QTest::addRow("boundary parameter without closing quote is a single part")
        << latin1("+OK\r\nContent-Type: multipart/mixed; boundary=\"b1\r\n\r\n--b1\r\n.\r\n")
        << latin1("--b1\r\n.\r\n") << false << QString();
    QTest::addRow("no named part drops the last part")
        << head + Preamble + latin1("\r\n") + textPart(b, latin1("plain")) +
               latin1("--b1\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n") + closing(b)
        << latin1("\r\n") + textPart(b, latin1("plain")) << false << QString();
    const QString text500 = textPart(b, QString(500, u'a'));
    QTest::addRow("name 300 characters after the part start: attachment")
        << head + text500 + fileAt(300) << bodyOf(head + text500) << true << latin1("\"x.bin\" ");
    QTest::addRow("name 301 characters after the part start: last part dropped")
        << head + text500 + fileAt(301) << bodyOf(head + text500) << false << QString();
    QTest::addRow("part headers matched without regard to case")
        << head + longPart + latin1("--B1\r\ncontent-type: image/png; NAME=\"x.png\"\r\n\r\n") +
               closing(b)
        << longPartShown << true << latin1("\"x.png\" ");
    QTest::addRow("encoded-word name decoded")
        << head + longPart + filePart(b, latin1("name=\"") + word(u8("資料.pdf")) + latin1("\"")) +
               closing(b)
        << longPartShown << true << u8("\"資料.pdf\" ");
    QTest::addRow("folded encoded-word name joined")
        << head + longPart +
               filePart(b, latin1("name=\"") + word(u8("会議")) + latin1("\r\n\t") +
                               word(u8("資料.pdf")) + latin1("\"")) +
               closing(b)
        << longPartShown << true << u8("\"会議資料.pdf\" ");
    QTest::addRow("tab in a name deleted")
        << head + longPart + filePart(b, latin1("name=\"a\tb.txt\"")) + closing(b) << longPartShown
        << true << latin1("\"ab.txt\" ");
    QTest::addRow("filename= matches the name search")
        << head + longPart +
               latin1("--b1\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment;"
                      " filename=\"f.pdf\"\r\n\r\nJVBE\r\n") +
               closing(b)
        << longPartShown << true << latin1("\"f.pdf\" ");
    QTest::addRow("name without quote and line end stops at its quote")
        << head + longPart + filePart(b, latin1("name=\"x.doc\"; size=10")) + pdf + closing(b)
        << longPartShown << true << latin1("\"x.doc\" \"a.pdf\" ");
    QTest::addRow("last name without closing quote runs to its line end")
        << head + longPart + latin1("--b1\r\nContent-Type: x; name=\"open.txt\r\n\r\n.\r\n")
        << longPartShown << true << latin1("\"open.txt\" ");

    // multipart/mixed holding a multipart/alternative: the part search starts
    // at the second boundary parameter but looks for the first boundary.
    const QString nested =
        multipartHead(latin1("boundary=\"A\"")) +
        latin1("--A\r\nContent-Type: text/plain; name=\"early.txt\"\r\n\r\nearly\r\n"
               "--A\r\nContent-Type: multipart/alternative; boundary=\"B\"\r\n\r\n"
               "--B\r\nContent-Type: text/plain\r\n\r\ntext\r\n"
               "--B\r\nContent-Type: image/png; name=\"inner.png\"\r\n\r\niVBO\r\n--B--\r\n");
    QTest::addRow("part search starts at the second boundary parameter")
        << nested + filePart(latin1("A"), latin1("name=\"late.pdf\"")) + closing(latin1("A"))
        << bodyOf(nested) << true << latin1("\"late.pdf\" ");
}

void WholeMessageTest::parse()
{
    QFETCH(QString, response);
    QFETCH(QString, body);
    QFETCH(bool, attached);
    QFETCH(QString, names);
    const Decode::WholeMessage message = Decode::parseRetrResponse(response);
    QCOMPARE(message.Body, body);
    QCOMPARE(message.Attached, attached);
    QCOMPARE(message.AttachNames, names);
}

void WholeMessageTest::keptLength_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<QString>("kept");

    const QString b = latin1("b1");
    const QString head = multipartHead(latin1("boundary=\"b1\""));

    const QString text = textPart(b, QString(500, u'a'));
    const QString big = textPart(b, QString(6000, u'x'));
    QTest::addRow("first attachment beyond 5000: exactly 5000 kept")
        << head + big + fileAt(100) << (head + big).left(5000);
    QTest::addRow("attachment before 5000: kept up to its delimiter line")
        << head + text + fileAt(100) << head + text;
    const QString longStatus =
        multipartHead(latin1("boundary=\"b1\""), latin1("+OK ") + QString(4500, u'9'));
    QTest::addRow("5000 counts from the status line")
        << longStatus + text + fileAt(100) << (longStatus + text).left(5000);
    QTest::addRow("without attachments nothing is limited")
        << latin1("+OK\r\n\r\n") + QString(9000, u'y') + latin1("\r\n.\r\n")
        << latin1("+OK\r\n\r\n") + QString(9000, u'y') + latin1("\r\n.\r\n");
    QTest::addRow("preamble line deleted after the cut")
        << head + Preamble + text + fileAt(100) << head + text;
}

void WholeMessageTest::keptLength()
{
    QFETCH(QString, response);
    QFETCH(QString, kept);
    const Decode::WholeMessage message = Decode::parseRetrResponse(response);
    QCOMPARE(message.keptText.size(), kept.size());
    QCOMPARE(message.keptText, kept);
    QCOMPARE(message.Body, bodyOf(kept));
}

void WholeMessageTest::hostileInputStaysLinear_data()
{
    QTest::addColumn<QString>("response");

    // Each of 100,000 parts opens a name that never closes: names cut at the
    // next part, not at the end of the text.
    QString openNames = multipartHead(latin1("boundary=\"b\""));
    for (int i = 0; i < 100000; ++i)
        openNames += latin1("--b\r\nContent-Type: x; name=\"n");
    QTest::addRow("many unterminated names") << openNames;

    // A boundary that nearly matches everywhere.
    QTest::addRow("long boundary over a text of its letter")
        << latin1("+OK\r\nContent-Type: multipart/mixed; boundary=\"") + QString(100000, u'a') +
               latin1("b\"\r\n\r\n") + QString(2000000, u'a');

    QString parts = multipartHead(latin1("boundary=\"b\""));
    for (int i = 0; i < 100000; ++i)
        parts += latin1("--b\r\nContent-Type: text/plain\r\n\r\nx\r\n");
    QTest::addRow("many parts without names") << parts;

    QString alternatives = latin1("+OK\r\nContent-Type: multipart/alternative; boundary=b\r\n\r\n");
    for (int i = 0; i < 100000; ++i)
        alternatives += latin1("--b\r\nContent-Type: text/html\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n\r\n=3D\r\n");
    QTest::addRow("many alternatives, none of them text/plain") << alternatives;

    QString nesting = latin1("+OK\r\n");
    for (int i = 0; i < 20000; ++i)
        nesting += latin1("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n");
    QTest::addRow("deeply nested multiparts") << nesting + QString(1000000, u'=');

    QString continuations = multipartHead(latin1("boundary=\"b\""));
    for (int i = 0; i < 20000; ++i)
        continuations +=
            latin1("--b\r\nContent-Type: x; name*0*=UTF-8''%E4; name*1*=%BC%9A\r\n\r\n");
    QTest::addRow("many RFC 2231 names") << continuations;

    QTest::addRow("many unterminated kanji runs")
        << latin1("+OK\r\n\r\n") + QString(300000, u'\x1b') + latin1("$B");
}

void WholeMessageTest::hostileInputStaysLinear()
{
    QFETCH(QString, response);
    QElapsedTimer timer;
    timer.start();
    const Decode::WholeMessage message = Decode::parseRetrResponse(response);
    Q_UNUSED(message);
    // Linear work on a few megabytes takes well under a second even with
    // sanitizers; a quadratic scan would take minutes.
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(WholeMessageTest)
#include "WholeMessageTest.moc"
