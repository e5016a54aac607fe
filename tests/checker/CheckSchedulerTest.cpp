// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/CheckScheduler.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

class CheckSchedulerTest : public QObject
{
    Q_OBJECT

private slots:
    void checkEveryChecktimervalTicks();
    void zeroNeverChecks();
    void smallerValueKeepsTheCount();
};

void CheckSchedulerTest::checkEveryChecktimervalTicks()
{
    CheckScheduler scheduler;
    scheduler.setCheckInterval(2ms);
    QList<int> countsSeen;
    QList<bool> activeSeen;
    connect(&scheduler, &CheckScheduler::scheduledCheckDue, &scheduler, [&] {
        countsSeen << scheduler.checkCount();
        activeSeen << scheduler.isChecktimerActive();
        if (countsSeen.size() == 2)
            scheduler.setChecktimerval(0);
    });
    scheduler.setChecktimerval(3);
    QTRY_COMPARE(countsSeen.size(), 2);
    // The check runs with the timer disabled, after three ticks each time.
    QCOMPARE(countsSeen, QList({3, 3}));
    QCOMPARE(activeSeen, QList({false, false}));
    QCOMPARE(scheduler.checkCount(), 0);
}

void CheckSchedulerTest::zeroNeverChecks()
{
    CheckScheduler scheduler;
    scheduler.setCheckInterval(1ms);
    QSignalSpy due(&scheduler, &CheckScheduler::scheduledCheckDue);
    scheduler.setChecktimerval(0);
    scheduler.enableChecktimer();
    QVERIFY(!scheduler.isChecktimerActive());
    QTest::qWait(20);
    QCOMPARE(due.size(), 0);
    QCOMPARE(scheduler.checkCount(), 0);
}

void CheckSchedulerTest::smallerValueKeepsTheCount()
{
    CheckScheduler scheduler;
    scheduler.setCheckInterval(5ms);
    QSignalSpy due(&scheduler, &CheckScheduler::scheduledCheckDue);
    scheduler.setChecktimerval(1000);
    QTRY_VERIFY(scheduler.checkCount() >= 4);
    // A new setting read from the settings program: the minutes already
    // counted count towards it.
    const int reached = scheduler.checkCount();
    scheduler.setChecktimerval(2);
    QTRY_COMPARE(due.size(), 1);
    QVERIFY(reached >= 2);
    QVERIFY(scheduler.checkCount() < 2);
}

QTEST_MAIN(CheckSchedulerTest)
#include "CheckSchedulerTest.moc"
