// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailTable.h"

#include <QTest>

namespace QTest {
template <> char* toString(const MailRecord& r)
{
    return qstrdup(QStringLiteral("{From=%1 Subject=%2 Mark=%3 Attached=%4 AttachNames=%5 Body=%6}")
                       .arg(r.From, r.Subject)
                       .arg(r.Mark)
                       .arg(r.Attached)
                       .arg(r.AttachNames, r.Body)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class MailTableTest : public QObject
{
    Q_OBJECT

private slots:
    void redimDiscardsAndBounds();
    void growKeepsEveryAccountsEntries();
    void storeSummary_data();
    void storeSummary();
    void storeWholeMessage();
    void storeOutsideTableIsRefused();
};

static MailRecord record(const QString& from, const QString& subject, const QString& body)
{
    MailRecord r;
    r.From = from;
    r.Subject = subject;
    r.Body = body;
    return r;
}

void MailTableTest::redimDiscardsAndBounds()
{
    MailTable table;
    table.redim(2);
    QCOMPARE(table.accountCount(), 2);
    QCOMPARE(table.messageSlots(2), 10);
    QVERIFY(table.contains(2, 10));
    QVERIFY(!table.contains(0, 1));
    QVERIFY(!table.contains(1, 0));
    QVERIFY(!table.contains(3, 1));
    QVERIFY(!table.contains(1, 11));

    table.entry(1, 1).From = QStringLiteral("a");
    table.redim(2);
    QCOMPARE(table.entry(1, 1), MailRecord());

    table.redim(0);
    QCOMPARE(table.accountCount(), 0);
    QVERIFY(!table.contains(1, 1));
    table.growMessages(1, 20); // nothing to grow without accounts
    QVERIFY(!table.contains(1, 1));
}

void MailTableTest::growKeepsEveryAccountsEntries()
{
    // Each account is sized for itself (issue 16: one "+OK 100000" gave
    // every account 100,000 records); each entry stays under its numbers.
    MailTable table;
    table.redim(3, 2);
    for (int a = 1; a <= 3; ++a) {
        for (int m = 1; m <= 2; ++m)
            table.entry(a, m).Subject = QStringLiteral("%1/%2").arg(a).arg(m);
    }
    table.growMessages(2, 5);
    QCOMPARE(table.messageSlots(2), 5);
    QCOMPARE(table.messageSlots(1), 2);
    QCOMPARE(table.messageSlots(3), 2);
    for (int a = 1; a <= 3; ++a) {
        for (int m = 1; m <= 2; ++m)
            QCOMPARE(table.entry(a, m).Subject, QStringLiteral("%1/%2").arg(a).arg(m));
    }
    for (int m = 3; m <= 5; ++m)
        QCOMPARE(table.entry(2, m), MailRecord());
    table.growMessages(2, 3); // never shrinks
    QCOMPARE(table.messageSlots(2), 5);
}

void MailTableTest::storeSummary_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("bodyKept");

    QTest::addRow("same message again keeps the retrieved body")
        << QStringLiteral("太郎 <t@example.jp>") << QStringLiteral("会議") << true;
    QTest::addRow("other sender clears the body")
        << QStringLiteral("花子 <h@example.jp>") << QStringLiteral("会議") << false;
    QTest::addRow("other subject clears the body")
        << QStringLiteral("太郎 <t@example.jp>") << QStringLiteral("Re: 会議") << false;
    QTest::addRow("comparison is exact, case included")
        << QStringLiteral("太郎 <T@example.jp>") << QStringLiteral("会議") << false;
}

void MailTableTest::storeSummary()
{
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QFETCH(bool, bodyKept);

    MailTable table;
    table.redim(1);
    MailRecord& entry = table.entry(1, 4);
    entry = record(QStringLiteral("太郎 <t@example.jp>"), QStringLiteral("会議"),
                   QStringLiteral("本文\r\n.\r\n"));
    entry.Mark = -1;
    entry.Attached = -1;
    entry.AttachNames = QStringLiteral("\"a.pdf\" ");

    QVERIFY(table.storeSummary(1, 4, from, subject, false));
    QCOMPARE(entry.From, from);
    QCOMPARE(entry.Subject, subject);
    QCOMPARE(entry.Body.isEmpty(), !bodyKept);
    QCOMPARE(entry.Mark, qint16(0));
    // While the retrieved body stays, the flag its retrieval found stands
    // (issue 8); a new message takes the summary's guess.
    QCOMPARE(entry.Attached, bodyKept ? qint16(-1) : qint16(0));
    // The summary knows nothing of names: they stay until the next RETR.
    QCOMPARE(entry.AttachNames, QStringLiteral("\"a.pdf\" "));

    QVERIFY(table.storeSummary(1, 4, from, subject, true));
    QCOMPARE(entry.Attached, qint16(-1));
    if (bodyKept) {
        // A retrieval that found no named part: the "boundary=" of the
        // headers does not bring the picture back.
        entry.Attached = 0;
        QVERIFY(table.storeSummary(1, 4, from, subject, true));
        QCOMPARE(entry.Attached, qint16(0));
    }
}

void MailTableTest::storeWholeMessage()
{
    MailTable table;
    table.redim(2);
    MailRecord& entry = table.entry(2, 1);
    entry = record(QStringLiteral("f"), QStringLiteral("s"), QString());
    entry.Attached = -1; // from the headers' "boundary="
    entry.Mark = -1;

    QVERIFY(table.storeWholeMessage(2, 1, QStringLiteral("text\r\n.\r\n"), false, QString()));
    QCOMPARE(entry.Body, QStringLiteral("text\r\n.\r\n"));
    QCOMPARE(entry.Attached, qint16(0));
    QCOMPARE(entry.From, QStringLiteral("f"));
    QCOMPARE(entry.Mark, qint16(-1)); // marks are cleared by the list, not here

    QVERIFY(table.storeWholeMessage(2, 1, QStringLiteral("b"), true,
                                    QStringLiteral("\"x.zip\" \"y.txt\" ")));
    QCOMPARE(entry.Attached, qint16(-1));
    QCOMPARE(entry.AttachNames, QStringLiteral("\"x.zip\" \"y.txt\" "));
}

void MailTableTest::storeOutsideTableIsRefused()
{
    MailTable table;
    table.redim(1);
    QVERIFY(!table.storeSummary(1, 11, QStringLiteral("f"), QStringLiteral("s"), false));
    QVERIFY(!table.storeSummary(2, 1, QStringLiteral("f"), QStringLiteral("s"), false));
    QVERIFY(!table.storeWholeMessage(0, 1, QStringLiteral("b"), false, QString()));
    QCOMPARE(table.entry(1, 1), MailRecord());
}

QTEST_GUILESS_MAIN(MailTableTest)
#include "MailTableTest.moc"
