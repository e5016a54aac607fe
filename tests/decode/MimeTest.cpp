// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"
#include "decode/Summary.h"
#include "decode/WholeMessage.h"

#include "MailText.h"

#include <QStringEncoder>
#include <QTest>

using namespace MailText;

namespace {

QByteArray encoded(const char* charset, const QString& text)
{
    QStringEncoder encoder(charset, QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

QByteArray bWord(const char* charset, const QByteArray& bytes)
{
    return QByteArray("=?") + charset + "?B?" + bytes.toBase64() + "?=";
}

QByteArray top(const QByteArray& headers)
{
    return "+OK\r\nFrom: a@example.jp\r\n" + headers + "\r\nbody\r\n.\r\n";
}

QByteArray retr(const QByteArray& headers, const QByteArray& body)
{
    return "+OK\r\nFrom: a@example.jp\r\nSubject: x\r\nMIME-Version: 1.0\r\n" + headers +
           "\r\n\r\n" + body + ".\r\n";
}

// Base64 wrapped at 76 characters, as mail programs send it.
QByteArray base64Lines(const QByteArray& bytes)
{
    const QByteArray all = bytes.toBase64();
    QByteArray lines;
    for (qsizetype i = 0; i < all.size(); i += 76)
        lines += all.mid(i, 76) + "\r\n";
    return lines;
}

} // namespace

class MimeTest : public QObject
{
    Q_OBJECT

private slots:
    void realWorldMail_data();
    void realWorldMail();
};

void MimeTest::realWorldMail_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    const QString kaigi = u8("会議の予定");
    const QByteArray utf8 = kaigi.toUtf8();
    const QString Subject = latin1("Subject"), From = latin1("From"), Body = latin1("Body"),
                  Names = latin1("AttachNames"), Attached = latin1("Attached");

    QTest::addRow("UTF-8 B") << top("Subject: Re: " + bWord("UTF-8", utf8) + "\r\n") << Subject
                             << latin1("Re: ") + kaigi;
    QTest::addRow("UTF-8 Q with underscores")
        << top("Subject: =?utf-8?q?=E4=BC=9A=E8=AD=B0_=E3=81=AE_agenda?=\r\n") << Subject
        << u8("会議 の agenda");
    QTest::addRow("Shift_JIS B with code page 932 extensions")
        << top("Subject: " + bWord("Shift_JIS", encoded("Windows-31J", u8("①会議～"))) + "\r\n")
        << Subject << u8("①会議～");
    QTest::addRow("EUC-JP B") << top("Subject: " + bWord("EUC-JP", encoded("EUC-JP", kaigi)) +
                                     "\r\n")
                              << Subject << kaigi;
    QTest::addRow("ISO-2022-JP Q")
        << top("Subject: =?iso-2022-jp?Q?=1B$B2q5D=1B(B?=\r\n") << Subject << u8("会議");
    QTest::addRow("ISO-2022-JP and UTF-8 words folded together")
        << top("Subject: " + word(u8("会議")).toLatin1() + "\r\n " +
               bWord("UTF-8", u8("の予定").toUtf8()) + "\r\n")
        << Subject << kaigi;
    QTest::addRow("multibyte character split across two words, space between dropped")
        << top("Subject: " + bWord("UTF-8", utf8.left(4)) + " " + bWord("utf-8", utf8.mid(4)) +
               "\r\n")
        << Subject << kaigi;
    QTest::addRow("UTF-8 sender name before the address")
        << QByteArray("+OK\r\nFrom: " + bWord("UTF-8", u8("山田太郎").toUtf8()) +
                      " <yamada@example.jp>\r\n\r\n.\r\n")
        << From << u8("山田太郎 <yamada@example.jp>");
    QTest::addRow("unknown charset left as is")
        << top("Subject: =?x-unknown?B?44GC?= =?UTF-8?B?44GC?=\r\n") << Subject
        << u8("=?x-unknown?B?44GC?= あ");
    QTest::addRow("malformed Q left as is")
        << top("Subject: =?UTF-8?Q?=E3=8?=\r\n") << Subject << latin1("=?UTF-8?Q?=E3=8?=");
    QTest::addRow("malformed B left as is")
        << top("Subject: =?UTF-8?B?4*GC?= =?UTF-8?B?44GCx?=\r\n") << Subject
        << latin1("=?UTF-8?B?4*GC?= =?UTF-8?B?44GCx?=");
    QTest::addRow("adjacent words in two charsets join without the space")
        << top("Subject: " + bWord("Shift_JIS", encoded("Shift_JIS", u8("会議"))) + " " +
               bWord("UTF-8", u8("の予定").toUtf8()) + "\r\n")
        << Subject << kaigi;
    QTest::addRow("RFC 2231 language in a word's charset")
        << top("Subject: =?UTF-8*ja?Q?=E4=BC=9A=E8=AD=B0?=\r\n") << Subject << u8("会議");
    QTest::addRow("word inside a quoted display name")
        << QByteArray("+OK\r\nFrom: \"" + bWord("UTF-8", u8("山田").toUtf8()) +
                      "\" <y@example.jp>\r\n\r\n.\r\n")
        << From << u8("\"山田\" <y@example.jp>");
    QTest::addRow("raw 8-bit UTF-8 subject")
        << top("Subject: " + utf8 + "\r\n") << Subject << kaigi;
    QTest::addRow("raw 8-bit Shift-JIS subject next to a UTF-8 line")
        << top("Subject: " + encoded("Shift_JIS", kaigi) + "\r\nX-Note: " + utf8 + "\r\n")
        << Subject << kaigi;
    QTest::addRow("multipart/alternative gets no attachment picture")
        << top("Content-Type: multipart/alternative; boundary=\"a\"\r\n") << Attached
        << latin1("no");
    QTest::addRow("multipart/related with a named image keeps its picture")
        << top("Content-Type: multipart/related; boundary=\"r\"\r\n\r\n--r\r\n"
               "Content-Type: image/png; name=\"logo.png\"\r\n")
        << Attached << latin1("yes");
    QTest::addRow("multipart/mixed keeps its attachment picture")
        << top("Content-Type: multipart/mixed; boundary=\"a\"\r\n") << Attached << latin1("yes");

    QTest::addRow("base64 body with CR LF every 76 characters")
        << retr("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64",
                base64Lines(QString(40, QChar(u'本')).toUtf8() + "\r\n" + utf8 + "\r\n"))
        << Body << QString(40, QChar(u'本')) + latin1("\r\n") + kaigi + latin1("\r\n");
    QTest::addRow("ISO-2022-JP body in base64 through the JIS converter")
        << retr("Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: "
                "BASE64",
                base64Lines(jis(kaigi).toLatin1()))
        << Body << kaigi;
    QTest::addRow("quoted-printable soft line breaks and a doubled dot")
        << retr("Content-Type: text/plain; charset=\"utf-8\"\r\n"
                "Content-Transfer-Encoding: quoted-printable",
                "=E4=BC=9A=E8=AD=B0=E3=81=AE=  \r\n=E4=BA=88=E5=AE=9A a=3Db\r\n..dot\r\n")
        << Body << kaigi + latin1(" a=b\r\n.dot\r\n");
    QTest::addRow("multipart/alternative with text/html first shows text/plain")
        << retr("Content-Type: multipart/alternative; boundary=\"alt\"",
                "--alt\r\nContent-Type: text/html; charset=UTF-8\r\n"
                "Content-Transfer-Encoding: base64\r\n\r\n" +
                    base64Lines("<p>" + utf8 + "</p>") +
                    "--alt\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                    "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
                    "=E4=BC=9A=E8=AD=B0=E3=81=AE=E4=BA=88=E5=AE=9A\r\n--alt--\r\n")
        << Body << kaigi;
    QTest::addRow("Shift_JIS quoted-printable body")
        << retr("Content-Type: text/plain; charset=Shift_JIS\r\n"
                "Content-Transfer-Encoding: quoted-printable",
                "=89=EF=8B=63=87=40\r\n")
        << Body << u8("会議①\r\n");
    QTest::addRow("raw 8-bit UTF-8 body")
        << retr("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit",
                utf8 + "\r\n")
        << Body << kaigi + latin1("\r\n.\r\n");
    // The raw text is kept up to character 5000; the Base64 in front of that
    // is decoded, a character cut in two shown as U+FFFD.
    const QByteArray longText = QString(3000, QChar(u'本')).toUtf8();
    const QByteArray withFile = retr("Content-Type: multipart/mixed; boundary=\"m\"",
                                     "--m\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                                     "Content-Transfer-Encoding: base64\r\n\r\n" +
                                         longText.toBase64() +
                                         "\r\n--m\r\nContent-Type: application/pdf; "
                                         "name=\"a.pdf\"\r\n\r\nJVBE\r\n--m--\r\n");
    const qsizetype base64Start = withFile.indexOf("base64\r\n\r\n") + 10;
    QTest::addRow("Base64 text before an attachment cut where the raw text is cut")
        << withFile << Body << QString::fromUtf8(longText.left((5000 - base64Start) * 6 / 8));
    QTest::addRow("RFC 2231 single value, unknown charset as written")
        << retr("Content-Type: multipart/mixed; boundary=\"m\"",
                "--m\r\nContent-Type: application/pdf; name*=UTF-8''%E8%B3%87.pdf\r\n\r\nJVBE\r\n"
                "--m\r\nContent-Type: application/zip; name*=x-none''a%41\r\n\r\nUEsD\r\n--m--\r\n")
        << Names << u8("\"資.pdf\" \"x-none''a%41\" ");
    QTest::addRow("RFC 2231 continuations with charset")
        << retr("Content-Type: multipart/mixed; boundary=\"m\"",
                "--m\r\nContent-Type: text/plain\r\n\r\nhi\r\n--m\r\nContent-Type: "
                "application/pdf\r\nContent-Disposition: attachment;\r\n"
                " filename*0*=UTF-8''%E4%BC%9A%E8%AD%B0;\r\n filename*1*=%E8%B3%87%E6%96%99;\r\n"
                " filename*2=\".pdf\"\r\n\r\nJVBE\r\n--m--\r\n")
        << Names << u8("\"会議資料.pdf\" ");
    QTest::addRow("UTF-8 encoded-word name")
        << retr("Content-Type: multipart/mixed; boundary=\"m\"",
                "--m\r\nContent-Type: text/plain\r\n\r\nhi\r\n--m\r\nContent-Type: "
                "application/pdf; name=\"" +
                    bWord("UTF-8", u8("資料.pdf").toUtf8()) + "\"\r\n\r\nJVBE\r\n--m--\r\n")
        << Names << u8("\"資料.pdf\" ");
}

void MimeTest::realWorldMail()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const QString text = Decode::fromCp932(response);
    const Decode::Summary summary = Decode::parseTopResponse(text);
    const Decode::WholeMessage whole = Decode::parseRetrResponse(text);
    const QString actual = field == QLatin1StringView("Subject") ? summary.Subject
                           : field == QLatin1StringView("From")  ? summary.From
                           : field == QLatin1StringView("Body")  ? whole.Body
                           : field == QLatin1StringView("AttachNames")
                               ? whole.AttachNames
                               : QLatin1StringView(summary.Attached ? "yes" : "no");
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(MimeTest)
#include "MimeTest.moc"
