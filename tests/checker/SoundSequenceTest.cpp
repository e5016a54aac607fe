// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/SoundSequence.h"
#include "maillist/AccountTables.h"
#include "support/FakeSoundPlayer.h"

#include <QTest>

using Call = FakeSoundPlayer::Call;

namespace {

struct Account
{
    bool flagged;
    qint16 Wavmode;
    QString Wavdir2_;
};

AccountTables tables(const QList<Account>& list)
{
    AccountTables accounts;
    accounts.resize(int(list.size()));
    for (int i = 1; i <= list.size(); ++i) {
        accounts[i].newMailFlg = list[i - 1].flagged;
        accounts[i].Wavmode = list[i - 1].Wavmode;
        accounts[i].Wavdir2_ = list[i - 1].Wavdir2_;
    }
    return accounts;
}

const QString common = QStringLiteral("/sounds/common.wav");

} // namespace

Q_DECLARE_METATYPE(Account)

class SoundSequenceTest : public QObject
{
    Q_OBJECT

private slots:
    void order_data();
    void order();
    void ownSoundsWaitForEachOther();
    void aNewSequenceAbandonsTheOld();
};

void SoundSequenceTest::order_data()
{
    QTest::addColumn<QList<Account>>("accounts");
    QTest::addColumn<QString>("Wavdir");
    QTest::addColumn<QList<Call>>("calls");

    const QString a = QStringLiteral("/sounds/a.wav");
    const QString c = QStringLiteral("/sounds/c.wav");
    QTest::addRow("two own sounds, then the common one once")
        << QList<Account>{{true, 1, a}, {true, 0, {}}, {true, 1, c}, {true, 0, {}}} << common
        << QList{Call::play(a, true), Call::play(c, true), Call::play(common, false)};
    QTest::addRow("own sound without a file beeps, once per account")
        << QList<Account>{{true, 1, {}}, {true, 1, {}}} << common
        << QList{Call::beep(), Call::beep()};
    QTest::addRow("common sound without a file beeps")
        << QList<Account>{{true, 0, {}}} << QString() << QList{Call::beep()};
    QTest::addRow("accounts without new mail are silent")
        << QList<Account>{{false, 1, a}, {false, 0, {}}, {true, 0, {}}} << common
        << QList{Call::play(common, false)};
    QTest::addRow("mode 2 is silent") << QList<Account>{{true, 2, a}} << common << QList<Call>();
    QTest::addRow("no account") << QList<Account>() << common << QList<Call>();
}

void SoundSequenceTest::order()
{
    QFETCH(QList<Account>, accounts);
    QFETCH(QString, Wavdir);
    QFETCH(QList<Call>, calls);

    FakeSoundPlayer player;
    SoundSequence sequence(player);
    const AccountTables table = tables(accounts);
    sequence.play(table, table.count(), Wavdir);
    player.finishAll();
    QCOMPARE(player.calls, calls);
}

void SoundSequenceTest::ownSoundsWaitForEachOther()
{
    const QString a = QStringLiteral("/sounds/a.wav");
    const QString b = QStringLiteral("/sounds/b.wav");
    FakeSoundPlayer player;
    SoundSequence sequence(player);
    const AccountTables table = tables({{true, 1, a}, {true, 0, {}}, {true, 1, b}});
    sequence.play(table, 3, common);
    QCOMPARE(player.calls, QList{Call::play(a, true)});
    QVERIFY(player.finishNext());
    QCOMPARE(player.calls, QList({Call::play(a, true), Call::play(b, true)}));
    QVERIFY(player.finishNext());
    QCOMPARE(player.calls.size(), 3);
    QCOMPARE(player.calls.last(), Call::play(common, false));
}

void SoundSequenceTest::aNewSequenceAbandonsTheOld()
{
    const QString a = QStringLiteral("/sounds/a.wav");
    const QString b = QStringLiteral("/sounds/b.wav");
    FakeSoundPlayer player;
    SoundSequence sequence(player);
    const AccountTables first = tables({{true, 1, a}, {true, 1, b}});
    sequence.play(first, 2, QString());
    const AccountTables second = tables({{true, 0, {}}});
    sequence.play(second, 1, common);
    player.finishAll();
    // The sound already playing ran out; the rest of the first sequence
    // never started.
    QCOMPARE(player.calls, QList({Call::play(a, true), Call::play(common, false)}));
}

QTEST_MAIN(SoundSequenceTest)
#include "SoundSequenceTest.moc"
