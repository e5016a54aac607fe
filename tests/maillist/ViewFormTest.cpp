// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/ViewForm.h"
#include "decode/Decode.h"
#include "decode/Summary.h"
#include "decode/WholeMessage.h"
#include "maillist/MailRecord.h"
#include "maillist/MailTable.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

class ViewFormTest : public QObject
{
    Q_OBJECT

private slots:
    void viewerText_data();
    void viewerText();
    void windowAndText1();
    void showMessageNeedsBody();
    void text1FollowsWindowSize();
    void textCanBeCopied();
    void todaysMailOnScreen();
};

void ViewFormTest::viewerText_data()
{
    QTest::addColumn<qint16>("attached");
    QTest::addColumn<QString>("attachNames");
    QTest::addColumn<QString>("expected");

    QTest::addRow("no attachment: two heading lines, empty line, body")
        << qint16(0) << QString()
        << QStringLiteral("Subject: 会議の件\r\n   From: 太郎 <t@example.jp>\r\n\r\n本文\r\n.\r\n");
    QTest::addRow("two attachments: Attach line with both quoted names")
        << qint16(-1) << QStringLiteral("\"a.pdf\" \"表.xls\" ")
        << QStringLiteral("Subject: 会議の件\r\n   From: 太郎 <t@example.jp>\r\n"
                          " Attach:  \"a.pdf\" \"表.xls\" \r\n\r\n本文\r\n.\r\n");
    QTest::addRow("names left from before but Attached reset: no Attach line")
        << qint16(0) << QStringLiteral("\"old.zip\" ")
        << QStringLiteral("Subject: 会議の件\r\n   From: 太郎 <t@example.jp>\r\n\r\n本文\r\n.\r\n");
}

void ViewFormTest::viewerText()
{
    QFETCH(qint16, attached);
    QFETCH(QString, attachNames);
    QFETCH(QString, expected);
    MailRecord record;
    record.Subject = QStringLiteral("会議の件");
    record.From = QStringLiteral("太郎 <t@example.jp>");
    record.Body = QStringLiteral("本文\r\n.\r\n");
    record.Attached = attached;
    record.AttachNames = attachNames;
    QCOMPARE(ViewForm::viewerText(record), expected);
}

void ViewFormTest::windowAndText1()
{
    ViewForm form(15, 15);
    QCOMPARE(form.objectName(), QStringLiteral("viewform"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Viewer"));
    QVERIFY(form.isWindow());
    QVERIFY(!form.windowIcon().pixmap(32).isNull());
    QVERIFY(!form.isVisible());
    QCOMPARE(form.size(), QSize(572, 289));
    auto* text1 = form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    QVERIFY(text1);
    QVERIFY(text1->isReadOnly());
    QCOMPARE(text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    form.showText(QStringLiteral("USER taro\r\n+OK\r\nPASS ******************************\r\n"));
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QCOMPARE(form.text(), QStringLiteral("USER taro\n+OK\nPASS ******************************\n"));
    QCOMPARE(text1->document()->blockCount(), 4);
}

void ViewFormTest::showMessageNeedsBody()
{
    ViewForm form;
    MailRecord record;
    record.Subject = QStringLiteral("s");
    QVERIFY(!form.showMessage(record));
    QVERIFY(!form.isVisible());

    form.showText(QStringLiteral("previous"));
    QVERIFY(!form.showMessage(record));
    QCOMPARE(form.text(), QStringLiteral("previous"));

    record.Body = QStringLiteral("b");
    QVERIFY(form.showMessage(record));
    QCOMPARE(form.text(), QStringLiteral("Subject: s\n   From: \n\nb"));
}

void ViewFormTest::text1FollowsWindowSize()
{
    ViewForm form(15, 15);
    form.showText(QStringLiteral("x"));
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE(form.Text1()->geometry(), form.rect());
    form.resize(300, 150);
    QTRY_COMPARE(form.Text1()->geometry(), QRect(0, 0, 300, 150));
    form.resize(800, 600);
    QTRY_COMPARE(form.Text1()->geometry(), QRect(0, 0, 800, 600));
}

void ViewFormTest::textCanBeCopied()
{
    ViewForm form;
    MailRecord record;
    record.Subject = QStringLiteral("会議");
    record.Body = QStringLiteral("本文\r\n.\r\n");
    QVERIFY(form.showMessage(record));
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // Read-only, yet the user selects and copies with the keyboard.
    QTest::keySequence(form.Text1(), QKeySequence::SelectAll);
    QTest::keySequence(form.Text1(), QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Subject: 会議\n   From: \n\n本文\n.\n"));
}

void ViewFormTest::todaysMailOnScreen()
{
    // A message as today's mail programs send it, from the received bytes
    // of its TOP and RETR responses to the viewer's text: UTF-8 words, a
    // Base64 UTF-8 text part preferred over its HTML alternative, and an
    // attachment named the RFC 2231 way.
    const QByteArray head =
        "+OK\r\nFrom: =?UTF-8?B?5bGx55Sw5aSq6YOO?= <yamada@example.jp>\r\n"
        "Subject: =?UTF-8?B?5Lya6K2w44Gu?=\r\n =?UTF-8?Q?=E4=BA=88=E5=AE=9A?=\r\n"
        "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n";
    const QByteArray body =
        "--m\r\nContent-Type: multipart/alternative; boundary=\"a\"\r\n\r\n"
        "--a\r\nContent-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        QStringLiteral("資料をお送りします。\r\n").toUtf8().toBase64() +
        "\r\n--a\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>html</p>\r\n--a--\r\n"
        "--m\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment;\r\n"
        " filename*=UTF-8''%E8%B3%87%E6%96%99.pdf\r\n\r\nJVBE\r\n--m--\r\n.\r\n";

    MailTable table;
    table.redim(1);
    QVERIFY(table.storeSummary(1, 1, Decode::parseTopResponse(Decode::fromCp932(head + ".\r\n"))));
    QCOMPARE(table.entry(1, 1).Attached, qint16(-1));
    QVERIFY(
        table.storeWholeMessage(1, 1, Decode::parseRetrResponse(Decode::fromCp932(head + body))));
    ViewForm form;
    QVERIFY(form.showMessage(table.entry(1, 1)));
    QCOMPARE(form.text(),
             QStringLiteral("Subject: 会議の予定\n   From: 山田太郎 <yamada@example.jp>\n"
                            " Attach:  \"資料.pdf\" \n\n資料をお送りします。\n"));
}

QTEST_MAIN(ViewFormTest)
#include "ViewFormTest.moc"
