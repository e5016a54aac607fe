// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckerRig.h"

#include "checker/Checker.h"
#include "checker/SignalRelay.h"
#include "checker/platform/MessageBoxPrompter.h"
#include "instancelock/InstanceLock.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

using Prompt = FakePrompter::Prompt;

class CheckerStartTest : public QObject
{
    Q_OBJECT

private slots:
    void secondInstanceIsRefused();
    void firstInstanceStartsHidden();
    void firstConfigurationThatCannotSucceedEnds_data();
    void firstConfigurationThatCannotSucceedEnds();
    void sessionEndRunsTheExitSequence_data();
    void sessionEndRunsTheExitSequence();
    void sessionEndWhileAStartUpBoxWaits();
};

void CheckerStartTest::secondInstanceIsRefused()
{
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}});
    const QString lockPath = rig.dir.filePath(QStringLiteral("tavowatchl.lock"));
    InstanceLock running(lockPath);
    QVERIFY(running.tryLock());

    InstanceLock second(lockPath);
    const std::unique_ptr<MailForm> form = Checker::startChecker(second, rig.context(), nullptr);
    QVERIFY(!form);
    QCOMPARE(rig.prompter.prompts,
             QList({Prompt{QStringLiteral("既に起動しています"),
                           QStringLiteral("Tavoメールチェッカー LAN"), Prompter::Icon::Information,
                           Prompter::Buttons::Ok}}));
    QVERIFY(rig.processes.waited.isEmpty());
    // The running instance keeps its lock and its settings untouched.
    QVERIFY(running.isLocked());
    QCOMPARE(rig.stored("frmWidth"), QString());
}

void CheckerStartTest::firstInstanceStartsHidden()
{
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}});
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, rig.context(), nullptr);
    QVERIFY(form);
    QVERIFY(lock.isLocked());
    QVERIFY(form->isHidden());
    QCOMPARE(form->windowTitle(), QStringLiteral("Tavoメールチェッカー LAN"));
    QVERIFY(rig.prompter.prompts.isEmpty());
}

void CheckerStartTest::firstConfigurationThatCannotSucceedEnds_data()
{
    QTest::addColumn<bool>("programStarts");
    QTest::addColumn<QString>("told");
    QTest::addRow("settings program missing") << false << CheckerRig::tavoprefsPath();
    // Issue 7: the settings program returned, and the file still cannot
    // be written; asking again would go on forever.
    QTest::addRow("settings file unwritable") << true << QStringLiteral("tavowatch.ini");
}

void CheckerStartTest::firstConfigurationThatCannotSucceedEnds()
{
    QFETCH(bool, programStarts);
    QFETCH(QString, told);
    CheckerRig rig;
    rig.processes.runResult = programStarts;
    QVERIFY(QDir().mkdir(rig.store.filePath()));
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, rig.context(), nullptr);
    QVERIFY(!form);
    QCOMPARE(rig.processes.waited.size(), 1);
    QCOMPARE(rig.prompter.prompts.size(), 2);
    QCOMPARE(rig.prompter.prompts[0].text, QStringLiteral("最初に設定をしてください"));
    QVERIFY2(rig.prompter.prompts[1].text.contains(told), qPrintable(rig.prompter.prompts[1].text));
}

void CheckerStartTest::sessionEndRunsTheExitSequence_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("Option7value");
    QTest::addColumn<int>("questions");

    QTest::addRow("SIGTERM, no question") << SIGTERM << QStringLiteral("1") << 0;
    QTest::addRow("SIGHUP, no question") << SIGHUP << QStringLiteral("1") << 0;
    QTest::addRow("SIGTERM asks when Option7value is 0") << SIGTERM << QStringLiteral("0") << 1;
}

void CheckerStartTest::sessionEndRunsTheExitSequence()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, Option7value);
    QFETCH(int, questions);

    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}, {"Option7value", Option7value}});
    rig.prompter.answers = {Prompter::Answer::Yes};
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    SignalRelay relay;
    QVERIFY(!relay.isActive());
    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, rig.context(), &relay);
    QVERIFY(form);
    QVERIFY(relay.isActive());
    form->resize(640, 320);
    QSignalSpy ended(form.get(), &MailForm::checkerEnded);

    ::raise(signalNumber);
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(rig.prompter.prompts.size(), questions);
    if (questions)
        QCOMPARE(rig.prompter.prompts[0].text, QStringLiteral("終了しますか？"));
    QCOMPARE(rig.stored("frmWidth"), QStringLiteral("9600"));
    QCOMPARE(rig.stored("frmHeight"), QStringLiteral("4800"));
    QCOMPARE(rig.stored("grdWidth3"), QStringLiteral("2740"));
}

// The desktop session ends while the first-configuration box, a real one,
// waits: the start-up ended only when somebody answered a box that nobody
// would, and the process stayed.
void CheckerStartTest::sessionEndWhileAStartUpBoxWaits()
{
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")}});
    MessageBoxPrompter boxes;
    const CheckerContext context{boxes,     rig.processes, rig.light,
                                 rig.sound, rig.store,     CheckerRig::tavoprefsPath()};
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    SignalRelay relay;
    QTimer::singleShot(300, [] { ::raise(SIGTERM); });
    // Without the mend the box would wait for ever: the test closes it
    // after a while and fails on the time taken.
    QTimer::singleShot(8000, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<MailForm> form = Checker::startChecker(lock, context, &relay);
    QVERIFY(!form);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(rig.processes.waited.isEmpty());    // tavoprefs was not started
    QVERIFY(!rig.stored("frmWidth").isEmpty()); // the exit sequence ran
}

QTEST_MAIN(CheckerStartTest)
#include "CheckerStartTest.moc"
