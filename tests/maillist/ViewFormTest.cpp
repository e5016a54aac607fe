// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/ViewForm.h"
#include "maillist/MailRecord.h"

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

QTEST_MAIN(ViewFormTest)
#include "ViewFormTest.moc"
