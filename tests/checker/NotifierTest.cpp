// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Notifier.h"
#include "support/FakeKeyboardLight.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

class NotifierTest : public QObject
{
    Q_OBJECT

private slots:
    void scrollLight_data();
    void scrollLight();
    void blinkingRunsOutAfterLighttimerval_data();
    void blinkingRunsOutAfterLighttimerval();
    void blinkingWithoutLimitStopsOnlyOnCommand();
    void Timer1SwitchesTheLightOffOnceMore();
    void autoHide_data();
    void autoHide();
    void aLowerClosetimervalHidesAtTheNextTick();
};

void NotifierTest::scrollLight_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<bool>>("writes");

    QTest::addRow("mode 1 turns an off light on") << false << 1 << QList<bool>{true};
    QTest::addRow("mode 1 turns an on light off") << true << 1 << QList<bool>{false};
    QTest::addRow("any non-zero mode changes over") << true << -1 << QList<bool>{false};
    QTest::addRow("mode 0 switches an on light off") << true << 0 << QList<bool>{false};
    QTest::addRow("mode 0 leaves an off light alone") << false << 0 << QList<bool>();
}

void NotifierTest::scrollLight()
{
    QFETCH(bool, before);
    QFETCH(int, mode);
    QFETCH(QList<bool>, writes);

    FakeKeyboardLight light;
    light.on = before;
    Notifier notifier(light);
    notifier.scrollLight(mode);
    QCOMPARE(light.writes, writes);
}

void NotifierTest::blinkingRunsOutAfterLighttimerval_data()
{
    QTest::addColumn<int>("Lighttimerval");
    QTest::addColumn<int>("changes"); // while blinking, before the final off

    // Once at once, then on each of the 2L + 2 ticks.
    QTest::addRow("1 second") << 1 << 5;
    QTest::addRow("2 seconds") << 2 << 7;
    QTest::addRow("default 5 seconds") << 5 << 13;
}

void NotifierTest::blinkingRunsOutAfterLighttimerval()
{
    QFETCH(int, Lighttimerval);
    QFETCH(int, changes);

    FakeKeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(1ms, 1ms, 1ms);
    notifier.setLighttimerval(Lighttimerval);
    QSignalSpy timer1(&notifier, &Notifier::Timer1Fired);
    notifier.Lightbrink();
    QCOMPARE(light.changes.size(), 1);
    QTRY_VERIFY(!notifier.isBlinking());
    // An odd number of changes leaves the light on; the end switches it off.
    QList<bool> expected;
    for (int i = 0; i < changes; ++i)
        expected << (i % 2 == 0);
    expected << false;
    QCOMPARE(light.changes, expected);
    QCOMPARE(notifier.lightCount(), 0);
    QTRY_COMPARE(timer1.size(), 1);
    QVERIFY(!light.on);
}

void NotifierTest::blinkingWithoutLimitStopsOnlyOnCommand()
{
    FakeKeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(1ms, 1ms, 1ms);
    notifier.setLighttimerval(0);
    notifier.Lightbrink();
    QTRY_VERIFY(light.changes.size() > 40);
    QVERIFY(notifier.isBlinking());
    QCOMPARE(notifier.lightCount(), 0);

    notifier.stopLight();
    QVERIFY(!notifier.isBlinking());
    QVERIFY(!light.on);
    QVERIFY(notifier.isTimer1Active());
}

void NotifierTest::Timer1SwitchesTheLightOffOnceMore()
{
    FakeKeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(1ms, 1ms, 1ms);
    QSignalSpy timer1(&notifier, &Notifier::Timer1Fired);
    notifier.stopLight();
    // Someone turns the light on in the 300 ms after the stop.
    light.on = true;
    QTRY_COMPARE(timer1.size(), 1);
    QVERIFY(!light.on);
    QVERIFY(!notifier.isTimer1Active());
}

void NotifierTest::autoHide_data()
{
    QTest::addColumn<int>("Closetimerval");
    QTest::addColumn<bool>("hides");

    QTest::addRow("after 3 seconds") << 3 << true;
    QTest::addRow("0 stays shown, count stays 0") << 0 << false;
}

void NotifierTest::autoHide()
{
    QFETCH(int, Closetimerval);
    QFETCH(bool, hides);

    FakeKeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(1ms, 1ms, 1ms);
    notifier.setClosetimerval(Closetimerval);
    QSignalSpy hidden(&notifier, &Notifier::autoHideDue);
    notifier.startCloseTimer();
    if (hides) {
        QTRY_COMPARE(hidden.size(), 1);
        QVERIFY(!notifier.isCloseTimerActive());
        QCOMPARE(notifier.closeCount(), 0);
    } else {
        // However long it runs, the count cannot grow out of its range.
        QTest::qWait(50);
        QCOMPARE(hidden.size(), 0);
        QCOMPARE(notifier.closeCount(), 0);
    }
}

void NotifierTest::aLowerClosetimervalHidesAtTheNextTick()
{
    FakeKeyboardLight light;
    Notifier notifier(light);
    notifier.setIntervals(1ms, 1ms, 1ms);
    notifier.setClosetimerval(1000);
    QSignalSpy hidden(&notifier, &Notifier::autoHideDue);
    notifier.startCloseTimer();
    QTRY_VERIFY(notifier.closeCount() >= 3);
    // A lower setting read meanwhile: the count already reached hides at
    // the next tick.
    notifier.setClosetimerval(2);
    QTRY_COMPARE(hidden.size(), 1);
    QCOMPARE(notifier.closeCount(), 0);
}

QTEST_MAIN(NotifierTest)
#include "NotifierTest.moc"
