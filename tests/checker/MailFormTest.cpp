// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckerRig.h"

#include "checker/HotkeyHooks.h"
#include "checker/SessionDrivers.h"
#include "maillist/MailListView.h"
#include "maillist/ViewForm.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

using Prompt = FakePrompter::Prompt;
using Call = FakeSoundPlayer::Call;

const QString title = QStringLiteral("Tavoメールチェッカー LAN");

Prompt firstConfigurationPrompt()
{
    return Prompt{QStringLiteral("最初に設定をしてください"), title, Prompter::Icon::Information,
                  Prompter::Buttons::Ok};
}

Prompt exitQuestion()
{
    return Prompt{QStringLiteral("終了しますか？"), title, Prompter::Icon::Information,
                  Prompter::Buttons::YesNo};
}

// What the window tells its collaborators, in order.
struct Recorder : SessionDrivers, HotkeyHooks
{
    QStringList calls;
    void checkNextAccount() override { calls << QStringLiteral("checkNextAccount"); }
    void retrNextAccount() override { calls << QStringLiteral("retrNextAccount"); }
    void deleNextAccount() override { calls << QStringLiteral("deleNextAccount"); }
    void subDisConn() override { calls << QStringLiteral("subDisConn"); }
    void hookWindow() override { calls << QStringLiteral("hookWindow"); }
    void unhookWindow() override { calls << QStringLiteral("unhookWindow"); }
    void setHotKeys(int mode) override { calls << QStringLiteral("setHotKeys(%1)").arg(mode); }
};

// Notes what the user already sees and hears when a sound starts.
struct WatchingSoundPlayer : FakeSoundPlayer
{
    std::function<void()> onPlay;
    void play(const QString& file, std::function<void()> finished) override
    {
        if (onPlay)
            onPlay();
        FakeSoundPlayer::play(file, std::move(finished));
    }
};

template <typename T> T* control(MailForm& form, const char* name)
{
    return form.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class MailFormTest : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void controlsAtDesignPlacement();
    void pictureButtonsAreNamedForScreenReaders();

    void startupWithEmptyStorePromptsUntilAnAccountExists();
    void startupEndsWhenTheSettingsProgramIsMissing();
    void startupWithAccountsStaysHiddenAndSwitchesTheLightOff();
    void startupChecksAtOnceWhenConfigured();
    void loadoptionAppliesTheSettings();
    void hotkeysFollowTheirCallingOrder();

    void ExecMailapp_data();
    void ExecMailapp();
    void mailerButtonHidesAndStarts();

    void exitSequence_data();
    void exitSequence();
    void exitStoresTheUsersColumnWidthWhenTheListWasNarrowed();
    void exitAfterSettingsReloadDoesNotWidenAFullColumn();
    void exitClampsAnOversizedWindow();
    void exitWaitsForTheLightOffCheck();
    void okButtonStoresSizesAndHides();
    void draggedColumnWidthsSurviveNewMail_data();
    void draggedColumnWidthsSurviveNewMail();

    void endOfCheckCaption_data();
    void endOfCheckCaption();
    void endOfCheckNotifications_data();
    void endOfCheckNotifications();
    void endOfCheckNotifiesInOrder();
    void endOfCheckCountsBeyondSixteenBits();
    void endOfCheckClearsMarksAndDisablesCommands();
    void marksEnableTheCommands();
    void doubleClickOpensTheRetrievedMessage();
    void autoHideAfterClosetimerval();
    void scheduledCheckEveryChecktimervalTicks();

    void OpenOptionResetsTheListOnlyWhenTheAccountCountChanged_data();
    void OpenOptionResetsTheListOnlyWhenTheAccountCountChanged();
    void resetCycleClearsTheCycleState();
    void checkmailRunsTheDriverWithClearedFlags();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void retrieveRestoresTheCaption();
    void ShowMsgObeysOption3value_data();
    void ShowMsgObeysOption3value();
    void logButtonShowsTheTranscript();
};

// ---- Layout ----

void MailFormTest::layout_data()
{
    QTest::addColumn<int>("frmWidth");
    QTest::addColumn<int>("frmHeight");
    QTest::addColumn<QRect>("grid");
    QTest::addColumn<QRect>("ok");
    QTest::addColumn<int>("logLeft");

    // Layout of the default window, which every row starts from.
    const QRect defaultGrid(0, 20, 574, 244);
    const QRect defaultOk(8, 267, 556, 17);
    QTest::addRow("default size 8730 x 4710") << 8730 << 4710 << defaultGrid << defaultOk << 552;
    QTest::addRow("larger window")
        << 12000 << 6000 << QRect(0, 20, 792, 330) << QRect(8, 353, 774, 17) << 770;
    QTest::addRow("twips beyond whole pixels are dropped")
        << 8744 << 4724 << defaultGrid << defaultOk << 552;
    QTest::addRow("just above both limits")
        << 1015 << 1515 << QRect(0, 20, 59, 31) << QRect(8, 54, 41, 17) << 37;
    QTest::addRow("height 1500 keeps the layout")
        << 8730 << 1500 << defaultGrid << defaultOk << 552;
    // The width is set first and lays the window out with the old height.
    QTest::addRow("width applies before a small height")
        << 8000 << 1500 << QRect(0, 20, 525, 244) << QRect(8, 267, 507, 17) << 503;
    QTest::addRow("width 1000 keeps the layout") << 1000 << 6000 << defaultGrid << defaultOk << 552;
    QTest::addRow("both small keep the layout") << 600 << 900 << defaultGrid << defaultOk << 552;
}

void MailFormTest::layout()
{
    QFETCH(int, frmWidth);
    QFETCH(int, frmHeight);
    QFETCH(QRect, grid);
    QFETCH(QRect, ok);
    QFETCH(int, logLeft);

    CheckerRig rig;
    MailForm& form = rig.started();
    QCOMPARE(form.twipsX(), 15);
    QCOMPARE(form.lvwMailBox()->geometry(), QRect(0, 20, 574, 244));

    rig.set({{"frmWidth", QString::number(frmWidth)}, {"frmHeight", QString::number(frmHeight)}});
    form.loadoption();
    QCOMPARE(form.width(), frmWidth / 15);
    QCOMPARE(form.height(), frmHeight / 15);
    QCOMPARE(form.lvwMailBox()->geometry(), grid);
    QCOMPARE(control<QPushButton>(form, "OkBt")->geometry(), ok);
    QCOMPARE(control<QPushButton>(form, "LogBt")->geometry(), QRect(logLeft, 0, 20, 20));
}

void MailFormTest::controlsAtDesignPlacement()
{
    CheckerRig rig;
    MailForm& form = rig.makeForm();
    QCOMPARE(form.objectName(), QStringLiteral("mailform"));
    QCOMPARE(control<QToolButton>(form, "MailBt1")->geometry(), QRect(0, 0, 20, 20));
    QCOMPARE(control<QToolButton>(form, "MailBt2")->geometry(), QRect(24, 0, 20, 20));
    QCOMPARE(control<QToolButton>(form, "RetrBt")->geometry(), QRect(56, 0, 20, 20));
    QCOMPARE(control<QToolButton>(form, "DelBt")->geometry(), QRect(88, 0, 20, 20));
    QCOMPARE(control<QPushButton>(form, "LogBt")->text(), QStringLiteral("L"));
    QCOMPARE(control<QPushButton>(form, "OkBt")->text(), QStringLiteral("OK"));
    QCOMPARE(control<MailListView>(form, "lvwMailBox"), form.lvwMailBox());
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!form.windowIcon().isNull());
}

void MailFormTest::pictureButtonsAreNamedForScreenReaders()
{
    CheckerRig rig;
    MailForm& form = rig.makeForm();
    const struct
    {
        const char* name;
        QString accessible;
        QString tip;
    } buttons[] = {
        {"MailBt1", QStringLiteral("メーラー1を起動"),
         QStringLiteral("OPTIONで指定したﾒｰﾗｰを起動します")},
        {"MailBt2", QStringLiteral("メーラー2を起動"),
         QStringLiteral("OPTIONで指定したﾒｰﾗｰを起動します")},
        {"RetrBt", QStringLiteral("選択したメールを取得"),
         QStringLiteral("選択したメールを取得します")},
        {"DelBt", QStringLiteral("選択したメールを削除"),
         QStringLiteral("選択したメールをサーバから削除します")},
    };
    for (const auto& b : buttons) {
        auto* button = control<QToolButton>(form, b.name);
        QVERIFY2(button, b.name);
        QCOMPARE(button->accessibleName(), b.accessible);
        QCOMPARE(button->toolTip(), b.tip);
        QVERIFY(!button->icon().isNull());
    }
    QCOMPARE(control<QPushButton>(form, "LogBt")->toolTip(), QStringLiteral("ログを表示します"));
    QCOMPARE(control<QPushButton>(form, "OkBt")->toolTip(), QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟを閉じます"));
}

// ---- Start-up ----

void MailFormTest::startupWithEmptyStorePromptsUntilAnAccountExists()
{
    CheckerRig rig;
    // The first run of the settings program stores nothing, the second
    // stores an account, as tavoprefs does on OK.
    rig.processes.duringWait = [&rig](const QString&) {
        if (rig.processes.waited.size() == 2)
            rig.set({{"accountno", QStringLiteral("1")}});
    };
    MailForm& form = rig.makeForm();
    QVERIFY(form.Form_Load());

    QCOMPARE(rig.prompter.prompts,
             QList<Prompt>({firstConfigurationPrompt(), firstConfigurationPrompt()}));
    QCOMPARE(rig.processes.waited,
             QStringList({CheckerRig::tavoprefsPath(), CheckerRig::tavoprefsPath()}));
    QCOMPARE(form.accountno(), 1);
    QCOMPARE(form.mailTable().accountCount(), 1);
    QCOMPARE(form.windowTitle(), title);
    QVERIFY(form.isHidden());
}

void MailFormTest::startupEndsWhenTheSettingsProgramIsMissing()
{
    CheckerRig rig;
    rig.processes.runResult = false;
    MailForm& form = rig.makeForm();
    QVERIFY(!form.Form_Load());

    QCOMPARE(rig.processes.waited, QStringList{CheckerRig::tavoprefsPath()});
    QCOMPARE(rig.prompter.prompts.size(), 2);
    QCOMPARE(rig.prompter.prompts[0], firstConfigurationPrompt());
    const Prompt& missing = rig.prompter.prompts[1];
    QVERIFY2(missing.text.contains(CheckerRig::tavoprefsPath()), qPrintable(missing.text));
    QCOMPARE(missing.title, title);
    QCOMPARE(missing.icon, Prompter::Icon::Stop);
    QVERIFY(form.isHidden());
}

void MailFormTest::startupWithAccountsStaysHiddenAndSwitchesTheLightOff()
{
    CheckerRig rig;
    rig.light.on = true;
    rig.set({{"accountno", QStringLiteral("2")}});
    MailForm& form = rig.makeForm();
    QVERIFY(form.Form_Load());

    QVERIFY(rig.prompter.prompts.isEmpty());
    QVERIFY(rig.processes.waited.isEmpty());
    QVERIFY(!rig.light.on);
    QVERIFY(form.isHidden());
    QCOMPARE(form.windowTitle(), title);
    QCOMPARE(form.accounts().count(), 2);
    QCOMPARE(form.mailTable().accountCount(), 2);
    QCOMPARE(form.mailTable().messageSlots(2), 10);
    // The heading row is laid out.
    QCOMPARE(form.lvwMailBox()->cellText(0, 3), QStringLiteral("差出人"));
    QCOMPARE(form.lvwMailBox()->cellText(0, 4), QStringLiteral("件名"));
}

void MailFormTest::startupChecksAtOnceWhenConfigured()
{
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}, {"Option5value", QStringLiteral("1")}});
    Recorder recorder;
    MailForm& form = rig.makeForm();
    form.setSessionDrivers(&recorder);
    form.setAfterDelete(true);
    QVERIFY(form.Form_Load());
    QCOMPARE(recorder.calls,
             QStringList({QStringLiteral("subDisConn"), QStringLiteral("checkNextAccount")}));
    QVERIFY(!form.afterDelete());
}

void MailFormTest::loadoptionAppliesTheSettings()
{
    CheckerRig rig;
    rig.set({{"Mailerdir1", QStringLiteral("/usr/bin/mailer")},
             {"Option8value", QStringLiteral("1")},
             {"Checktimerval", QStringLiteral("10")},
             {"grdWidth3", QStringLiteral("3000")}});
    MailForm& form = rig.started(3);
    QVERIFY(control<QToolButton>(form, "MailBt1")->isEnabled());
    QVERIFY(!control<QToolButton>(form, "MailBt2")->isEnabled());
    QVERIFY(!control<QPushButton>(form, "LogBt")->isHidden());
    QVERIFY(form.scheduler().isChecktimerActive());
    QCOMPARE(form.lvwMailBox()->columnWidthTwips(3), 3000);
    QCOMPARE(form.accounts().count(), 3);

    // Settings changed by the settings program take effect on reading them
    // again; with no account left the per-account tables stay as they were.
    rig.set({{"accountno", QStringLiteral("0")},
             {"Mailerdir1", QString()},
             {"Option8value", QStringLiteral("0")},
             {"Checktimerval", QStringLiteral("0")}});
    form.loadoption();
    QVERIFY(!control<QToolButton>(form, "MailBt1")->isEnabled());
    QVERIFY(control<QPushButton>(form, "LogBt")->isHidden());
    QVERIFY(!form.scheduler().isChecktimerActive());
    QCOMPARE(form.accounts().count(), 3);
    QVERIFY(!form.newMailFlg_Check());
}

void MailFormTest::hotkeysFollowTheirCallingOrder()
{
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}, {"Option7value", QStringLiteral("1")}});
    Recorder recorder;
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(&recorder);
    QVERIFY(form.Form_Load());
    form.OpenOption();
    form.Endfun();
    QCOMPARE(recorder.calls,
             QStringList({QStringLiteral("hookWindow"), QStringLiteral("setHotKeys(1)"),
                          QStringLiteral("setHotKeys(0)"), QStringLiteral("setHotKeys(1)"),
                          QStringLiteral("setHotKeys(0)"), QStringLiteral("unhookWindow")}));
}

// ---- Mail programs ----

void MailFormTest::ExecMailapp_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("started");

    const QString mailer = QStringLiteral("/usr/bin/mailer");
    const QString spaced = QStringLiteral("/opt/My Mailer/mailer");
    QTest::addRow("not configured") << QString() << QStringList() << QStringList() << QStringList();
    QTest::addRow("plain path") << mailer << QStringList{mailer} << QStringList{mailer}
                                << QStringList{QStringLiteral("\"/usr/bin/mailer\"")};
    QTest::addRow("plain path with spaces is one program")
        << spaced << QStringList{spaced} << QStringList{spaced}
        << QStringList{QStringLiteral("\"/opt/My Mailer/mailer\"")};
    QTest::addRow("quote inside a plain path")
        << QStringLiteral("/opt/we\"ird/mailer")
        << QStringList{QStringLiteral("/opt/we\"ird/mailer")}
        << QStringList{QStringLiteral("/opt/we\"ird/mailer")}
        << QStringList{QStringLiteral("\"/opt/we\"\"\"ird/mailer\"")};
    QTest::addRow("unquoted line with arguments is tested whole")
        << QStringLiteral("/usr/bin/mailer -compose") << QStringList{mailer}
        << QStringList{QStringLiteral("/usr/bin/mailer -compose")} << QStringList();
    QTest::addRow("quoted path with arguments starts the whole line")
        << QStringLiteral("\"/opt/My Mailer/mailer\" -compose \"a b\"") << QStringList{spaced}
        << QStringList{spaced}
        << QStringList{QStringLiteral("\"/opt/My Mailer/mailer\" -compose \"a b\"")};
    QTest::addRow("unclosed quote starts nothing")
        << QStringLiteral("\"/opt/My Mailer/mailer -compose") << QStringList{spaced}
        << QStringList() << QStringList();
    QTest::addRow("missing file") << QStringLiteral("/usr/bin/gone") << QStringList{mailer}
                                  << QStringList{QStringLiteral("/usr/bin/gone")} << QStringList();
    QTest::addRow("quoted missing file")
        << QStringLiteral("\"/usr/bin/gone\" -x") << QStringList{mailer}
        << QStringList{QStringLiteral("/usr/bin/gone")} << QStringList();
}

void MailFormTest::ExecMailapp()
{
    QFETCH(QString, line);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, started);

    CheckerRig rig;
    rig.set({{"Mailerdir2", line}});
    MailForm& form = rig.started();
    rig.processes.existingFiles = QSet<QString>(existing.begin(), existing.end());
    form.ExecMailapp(2);
    QCOMPARE(rig.processes.checkedFiles, checked);
    QCOMPARE(rig.processes.started, started);
    // A plain path reaches the program starter as one program without
    // arguments, whatever it contains.
    if (!started.isEmpty() && !line.startsWith(u'"'))
        QCOMPARE(QProcess::splitCommand(started[0]), QStringList{line});
    QVERIFY(rig.prompter.prompts.isEmpty());
    QVERIFY(form.notifier().isTimer1Active());
}

void MailFormTest::mailerButtonHidesAndStarts()
{
    CheckerRig rig;
    rig.set(
        {{"Mailerdir1", QStringLiteral("/usr/bin/mailer")}, {"Option4value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    rig.processes.existingFiles = {QStringLiteral("/usr/bin/mailer")};
    form.mnu_pop();
    form.Lightbrink();
    QVERIFY(form.isVisible());
    QVERIFY(rig.light.on);

    QTest::mouseClick(control<QToolButton>(form, "MailBt1"), Qt::LeftButton);
    QVERIFY(form.isHidden());
    QVERIFY(!rig.light.on);
    QVERIFY(!form.notifier().isBlinking());
    QCOMPARE(rig.processes.started, QStringList{QStringLiteral("\"/usr/bin/mailer\"")});
}

// ---- Exit ----

void MailFormTest::exitSequence_data()
{
    QTest::addColumn<QString>("Option7value");
    QTest::addColumn<QList<Prompter::Answer>>("answers");
    QTest::addColumn<QList<Prompt>>("prompts");
    QTest::addColumn<bool>("ends");

    QTest::addRow("no question when Option7value is on")
        << QStringLiteral("1") << QList<Prompter::Answer>() << QList<Prompt>() << true;
    QTest::addRow("Yes ends") << QStringLiteral("0") << QList{Prompter::Answer::Yes}
                              << QList{exitQuestion()} << true;
    QTest::addRow("No keeps running hidden")
        << QStringLiteral("0") << QList{Prompter::Answer::No} << QList{exitQuestion()} << false;
}

void MailFormTest::exitSequence()
{
    QFETCH(QString, Option7value);
    QFETCH(QList<Prompter::Answer>, answers);
    QFETCH(QList<Prompt>, prompts);
    QFETCH(bool, ends);

    CheckerRig rig;
    rig.set({{"Option7value", Option7value}});
    MailForm& form = rig.started();
    QSignalSpy ended(&form, &MailForm::checkerEnded);
    form.mnu_pop();
    form.resize(700, 400);
    rig.prompter.answers = answers;

    form.mnu_end();
    QCOMPARE(rig.prompter.prompts, prompts);
    QCOMPARE(ended.size(), ends ? 1 : 0);
    QCOMPARE(form.hasEnded(), ends);
    QVERIFY(form.isHidden());
    if (ends) {
        QCOMPARE(rig.stored("frmWidth"), QStringLiteral("10500"));
        QCOMPARE(rig.stored("frmHeight"), QStringLiteral("6000"));
        QCOMPARE(rig.stored("grdWidth0"), QStringLiteral("260"));
        QCOMPARE(rig.stored("grdWidth4"), QStringLiteral("4770"));
        QCOMPARE(rig.stored("grdWidth5"), QStringLiteral("300"));
    } else {
        QCOMPARE(rig.stored("frmWidth"), QString());
        // Still running: a second request asks again.
        rig.prompter.answers = {Prompter::Answer::Yes};
        form.Endfun();
        QCOMPARE(ended.size(), 1);
    }
}

void MailFormTest::exitStoresTheUsersColumnWidthWhenTheListWasNarrowed()
{
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")}, {"Option1value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    rig.putMail(1, 40, true);
    form.endOfCheck();
    QVERIFY(form.lvwMailBox()->column4Narrowed());
    QCOMPARE(form.lvwMailBox()->columnWidthTwips(4), 4770 - 180);

    form.Endfun();
    QVERIFY(form.hasEnded());
    QCOMPARE(rig.stored("grdWidth4"), QStringLiteral("4770"));
    QCOMPARE(rig.stored("grdWidth3"), QStringLiteral("2740"));
}

void MailFormTest::exitAfterSettingsReloadDoesNotWidenAFullColumn()
{
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    rig.putMail(1, 40, true);
    form.endOfCheck();
    QVERIFY(form.lvwMailBox()->column4Narrowed());
    // Reading the settings again puts every column back at its stored width
    // while the long list stays.
    form.OpenOption();
    QCOMPARE(form.lvwMailBox()->columnWidthTwips(4), 4770);

    form.Endfun();
    QCOMPARE(rig.stored("grdWidth4"), QStringLiteral("4770"));
}

void MailFormTest::draggedColumnWidthsSurviveNewMail_data()
{
    QTest::addColumn<int>("messages");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("okFirst");
    QTest::addColumn<int>("shownTwips");
    QTest::addColumn<QString>("storedTwips");

    // Issue 10: the pop-up put back the widths read at start-up, and the
    // next "OK" stored those.
    QTest::addRow("stored by OK") << 3 << 3 << true << 3000 << QStringLiteral("3000");
    QTest::addRow("dragged, not yet stored") << 3 << 3 << false << 3000 << QStringLiteral("3000");
    // Narrowed for the scroll bar: dragged to 3000 shown, the user's 3180.
    QTest::addRow("narrowed subject column") << 40 << 4 << true << 3000 << QStringLiteral("3180");
}

void MailFormTest::draggedColumnWidthsSurviveNewMail()
{
    QFETCH(int, messages);
    QFETCH(int, column);
    QFETCH(bool, okFirst);
    QFETCH(int, shownTwips);
    QFETCH(QString, storedTwips);

    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    rig.putMail(1, messages, true);
    form.endOfCheck();
    form.lvwMailBox()->horizontalHeader()->resizeSection(column, 200); // 3000 twips
    if (okFirst)
        form.OkBt_Click();
    rig.putMail(1, 0, true);
    form.endOfCheck();
    QCOMPARE(form.lvwMailBox()->columnWidthTwips(column), shownTwips);
    form.OkBt_Click();
    QCOMPARE(rig.stored(qPrintable(QStringLiteral("grdWidth%1").arg(column))), storedTwips);
}

void MailFormTest::exitClampsAnOversizedWindow()
{
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    form.resize(3000, 2500);
    form.Endfun();
    QCOMPARE(rig.stored("frmWidth"), QStringLiteral("32767"));
    QCOMPARE(rig.stored("frmHeight"), QStringLiteral("32767"));
}

void MailFormTest::exitWaitsForTheLightOffCheck()
{
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    form.notifier().setIntervals(5ms, 200ms, 5ms);
    QSignalSpy timer1(&form.notifier(), &Notifier::Timer1Fired);
    form.Lightbrink();
    QElapsedTimer clock;
    clock.start();
    form.Endfun();
    QVERIFY(form.hasEnded());
    QCOMPARE(timer1.size(), 1);
    QVERIFY(clock.elapsed() >= 190);
    QVERIFY(!rig.light.on);
    QVERIFY(!form.notifier().isBlinking());
}

void MailFormTest::okButtonStoresSizesAndHides()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    form.mnu_pop();
    // The user makes the shown window smaller; the list follows.
    form.resize(600, 300);
    QTRY_COMPARE(form.lvwMailBox()->geometry(), QRect(0, 20, 592, 230));
    form.Lightbrink();
    QTest::mouseClick(control<QPushButton>(form, "OkBt"), Qt::LeftButton);
    QVERIFY(form.isHidden());
    QVERIFY(!rig.light.on);
    QVERIFY(!form.notifier().isBlinking());
    QVERIFY(form.notifier().isTimer1Active());
    QCOMPARE(rig.stored("frmWidth"), QStringLiteral("9000"));
    QCOMPARE(rig.stored("frmHeight"), QStringLiteral("4500"));
    QCOMPARE(rig.stored("grdWidth1"), QStringLiteral("260"));
    QVERIFY(rig.prompter.prompts.isEmpty());
}

// ---- End of a check ----

void MailFormTest::endOfCheckCaption_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("rows");

    QTest::addRow("no account") << QList<int>() << title << 1;
    QTest::addRow("empty mailboxes") << QList<int>{0, 0} << title << 1;
    QTest::addRow("three messages")
        << QList<int>{2, 1} << QStringLiteral("3通のメールが届いています!") << 4;
}

void MailFormTest::endOfCheckCaption()
{
    QFETCH(QList<int>, counts);
    QFETCH(QString, caption);
    QFETCH(int, rows);

    CheckerRig rig;
    rig.set({{"accountno", QString::number(counts.size())},
             {"Option1value", QStringLiteral("1")},
             {"Option2value", QStringLiteral("1")}});
    // Past the first configuration, which an empty store would start.
    MailForm& form = rig.makeForm();
    form.OpenOption();
    for (int a = 1; a <= counts.size(); ++a)
        rig.putMail(a, counts[a - 1], false);
    form.endOfCheck();

    QCOMPARE(form.windowTitle(), caption);
    QCOMPARE(form.lvwMailBox()->rows(), rows);
    // The list counts waiting messages; none of them is new.
    QVERIFY(form.isHidden());
    QVERIFY(!form.notifier().isBlinking());
    QVERIFY(rig.sound.calls.isEmpty());
}

void MailFormTest::endOfCheckNotifications_data()
{
    QTest::addColumn<QString>("Option1value"); // pop-up
    QTest::addColumn<QString>("Option2value"); // sound
    QTest::addColumn<QString>("Option4value"); // light

    QTest::addRow("all") << "1"
                         << "1"
                         << "1";
    QTest::addRow("pop-up only") << "1"
                                 << "0"
                                 << "0";
    QTest::addRow("sound only") << "0"
                                << "1"
                                << "0";
    QTest::addRow("light only") << "0"
                                << "0"
                                << "1";
    QTest::addRow("none") << "0"
                          << "0"
                          << "0";
}

void MailFormTest::endOfCheckNotifications()
{
    QFETCH(QString, Option1value);
    QFETCH(QString, Option2value);
    QFETCH(QString, Option4value);

    CheckerRig rig;
    rig.set({{"Option1value", Option1value},
             {"Option2value", Option2value},
             {"Option4value", Option4value},
             {"Closetimerval", QStringLiteral("0")},
             {"Lighttimerval", QStringLiteral("0")},
             {"Wavdir", QStringLiteral("/sounds/common.wav")}});
    MailForm& form = rig.started(2);
    rig.putMail(1, 2, false);
    rig.putMail(2, 30, true);
    form.endOfCheck();

    QCOMPARE(form.windowTitle(), QStringLiteral("32通のメールが届いています!"));
    QCOMPARE(form.isVisible(), Option1value == u"1");
    QCOMPARE(form.notifier().isCloseTimerActive(), Option1value == u"1");
    QCOMPARE(form.notifier().isBlinking(), Option4value == u"1");
    QCOMPARE(rig.light.on, Option4value == u"1");
    const QList<Call> sounds = Option2value == u"1"
                                   ? QList{Call::play(QStringLiteral("/sounds/common.wav"), false)}
                                   : QList<Call>();
    QCOMPARE(rig.sound.calls, sounds);
    // setListHeads ran again for the long list: column 4 makes room for the
    // scroll bar.
    QVERIFY(form.lvwMailBox()->column4Narrowed());
    QCOMPARE(form.lvwMailBox()->rows(), 33);
}

void MailFormTest::endOfCheckNotifiesInOrder()
{
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")},
             {"Option1value", QStringLiteral("1")},
             {"Option2value", QStringLiteral("1")},
             {"Option4value", QStringLiteral("1")},
             {"Wavdir", QStringLiteral("/sounds/common.wav")}});
    WatchingSoundPlayer sound;
    MailForm form(CheckerContext{rig.prompter, rig.processes, rig.light, sound, rig.store,
                                 CheckerRig::tavoprefsPath()});
    QVERIFY(form.Form_Load());
    QStringList seen;
    sound.onPlay = [&] {
        seen << (rig.light.on ? QStringLiteral("light on") : QStringLiteral("light off"))
             << (form.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"))
             << (form.notifier().isCloseTimerActive() ? QStringLiteral("auto-hide armed")
                                                      : QStringLiteral("auto-hide idle"))
             << (form.lvwMailBox()->column4Narrowed() ? QStringLiteral("heads laid out")
                                                      : QStringLiteral("heads as before"));
    };
    form.mailTable().growMessages(1, 40);
    form.accounts()[1].mailCount = 40;
    form.accounts()[1].newMailFlg = true;
    form.setMailTotal(40);
    form.endOfCheck();
    // Light, pop-up, sound, then the heading row for the long list.
    QCOMPARE(seen,
             QStringList({QStringLiteral("light on"), QStringLiteral("shown"),
                          QStringLiteral("auto-hide armed"), QStringLiteral("heads as before")}));
    QVERIFY(form.lvwMailBox()->column4Narrowed());
}

void MailFormTest::endOfCheckCountsBeyondSixteenBits()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    form.setMailTotal(40000);
    form.endOfCheck();
    QCOMPARE(form.windowTitle(), QStringLiteral("40000通のメールが届いています!"));
}

void MailFormTest::endOfCheckClearsMarksAndDisablesCommands()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    rig.putMail(1, 3, false);
    form.endOfCheck();
    MailListView* grid = form.lvwMailBox();
    grid->lvwMailBox_Click(2);
    QVERIFY(control<QToolButton>(form, "RetrBt")->isEnabled());
    QCOMPARE(form.mailTable().entry(1, 2).Mark, qint16(-1));

    form.checkmail();
    rig.putMail(1, 3, false);
    form.endOfCheck();
    QVERIFY(!control<QToolButton>(form, "RetrBt")->isEnabled());
    QVERIFY(!control<QToolButton>(form, "DelBt")->isEnabled());
    QCOMPARE(form.mailTable().entry(1, 2).Mark, qint16(0));
    QCOMPARE(grid->cellText(2, 1), QString());
    QVERIFY(grid->isEnabled());
    // The scheduled checks go on after every cycle.
    QVERIFY(!form.scheduler().isChecktimerActive()); // Checktimerval 0: never
}

void MailFormTest::marksEnableTheCommands()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    rig.putMail(1, 2, false);
    form.endOfCheck();
    auto* RetrBt = control<QToolButton>(form, "RetrBt");
    auto* DelBt = control<QToolButton>(form, "DelBt");
    MailListView* grid = form.lvwMailBox();

    grid->lvwMailBox_Click(1);
    QVERIFY(RetrBt->isEnabled());
    QVERIFY(DelBt->isEnabled());
    grid->lvwMailBox_Click(2);
    grid->lvwMailBox_Click(1);
    QVERIFY(RetrBt->isEnabled());
    grid->lvwMailBox_Click(2);
    QVERIFY(!RetrBt->isEnabled());
    QVERIFY(!DelBt->isEnabled());
}

void MailFormTest::doubleClickOpensTheRetrievedMessage()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    rig.putMail(1, 2, false);
    form.mailTable().entry(1, 2).Body = QStringLiteral("本文です");
    form.endOfCheck();
    MailListView* grid = form.lvwMailBox();

    // The click before a double click marks the row; the double click opens
    // the viewer and takes the mark away again.
    grid->lvwMailBox_Click(2);
    grid->lvwMailBox_DblClick(2);
    QVERIFY(form.viewform());
    QVERIFY(form.viewform()->isVisible());
    QVERIFY(form.viewform()->text().contains(QStringLiteral("本文です")));
    QVERIFY(!control<QToolButton>(form, "RetrBt")->isEnabled());
    QCOMPARE(form.mailTable().entry(1, 2).Mark, qint16(0));
}

void MailFormTest::autoHideAfterClosetimerval()
{
    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("1")}, {"Closetimerval", QStringLiteral("2")}});
    MailForm& form = rig.started();
    rig.putMail(1, 1, true);
    form.endOfCheck();
    QVERIFY(form.isVisible());
    QTRY_VERIFY(form.isHidden());
    QVERIFY(!form.notifier().isCloseTimerActive());
    QCOMPARE(form.notifier().closeCount(), 0);
}

void MailFormTest::scheduledCheckEveryChecktimervalTicks()
{
    CheckerRig rig;
    rig.set({{"Checktimerval", QStringLiteral("3")}});
    Recorder recorder;
    MailForm& form = rig.started();
    form.setSessionDrivers(&recorder);
    form.setAfterDelete(true);
    // A scheduled check clears the after-delete flag; the hotkey's does not.
    form.checkmail();
    QVERIFY(form.afterDelete());
    QTRY_VERIFY(recorder.calls.count(QStringLiteral("checkNextAccount")) >= 2);
    QVERIFY(!form.afterDelete());
    QVERIFY(form.scheduler().isChecktimerActive());
}

// ---- Settings, cycles, commands ----

void MailFormTest::OpenOptionResetsTheListOnlyWhenTheAccountCountChanged_data()
{
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("mailTotal");
    QTest::addColumn<int>("tableAccounts");

    QTest::addRow("unchanged keeps the list") << 2 << 5 << 2;
    QTest::addRow("one more empties it") << 3 << 0 << 3;
    QTest::addRow("none left leaves it empty") << 0 << 0 << 0;
}

void MailFormTest::OpenOptionResetsTheListOnlyWhenTheAccountCountChanged()
{
    QFETCH(int, after);
    QFETCH(int, mailTotal);
    QFETCH(int, tableAccounts);

    CheckerRig rig;
    MailForm& form = rig.started(2);
    rig.putMail(1, 5, false);
    rig.processes.duringWait = [&rig, after](const QString&) {
        rig.set({{"accountno", QString::number(after)}});
    };
    form.mnu_opt();
    QCOMPARE(rig.processes.waited, QStringList{CheckerRig::tavoprefsPath()});
    QCOMPARE(form.mailTotal(), mailTotal);
    QCOMPARE(form.mailTable().accountCount(), tableAccounts);
    if (tableAccounts == 2)
        QCOMPARE(form.mailTable().entry(1, 5).From, QStringLiteral("差出人1-5"));
    QVERIFY(rig.prompter.prompts.isEmpty());
}

void MailFormTest::resetCycleClearsTheCycleState()
{
    CheckerRig rig;
    Recorder recorder;
    MailForm& form = rig.started();
    form.setSessionDrivers(&recorder);
    form.Lightbrink();
    form.setMailTotal(7);
    form.setCurAccount(1);
    form.logText() = QStringLiteral("USER someone\r\n");
    form.resetCycle();
    QCOMPARE(recorder.calls, QStringList{QStringLiteral("subDisConn")});
    QCOMPARE(form.mailTotal(), 0);
    QCOMPARE(form.curAccount(), 0);
    QVERIFY(form.logText().isEmpty());
    QVERIFY(!rig.light.on);
    QVERIFY(!form.notifier().isBlinking());
    QVERIFY(form.notifier().isTimer1Active());
}

void MailFormTest::checkmailRunsTheDriverWithClearedFlags()
{
    CheckerRig rig;
    Recorder recorder;
    MailForm& form = rig.started(2);
    form.setSessionDrivers(&recorder);
    form.accounts()[2].newMailFlg = true;
    QVERIFY(form.newMailFlg_Check());
    form.checkmail();
    QVERIFY(!form.newMailFlg_Check());
    QCOMPARE(recorder.calls,
             QStringList({QStringLiteral("subDisConn"), QStringLiteral("checkNextAccount")}));
}

void MailFormTest::deleteAsksFirst_data()
{
    QTest::addColumn<Prompter::Answer>("answer");
    QTest::addColumn<QStringList>("calls");

    QTest::addRow("No keeps the marks") << Prompter::Answer::No << QStringList();
    QTest::addRow("Yes deletes") << Prompter::Answer::Yes
                                 << QStringList{QStringLiteral("subDisConn"),
                                                QStringLiteral("deleNextAccount")};
}

void MailFormTest::deleteAsksFirst()
{
    QFETCH(Prompter::Answer, answer);
    QFETCH(QStringList, calls);

    CheckerRig rig;
    Recorder recorder;
    MailForm& form = rig.started();
    form.setSessionDrivers(&recorder);
    rig.putMail(1, 2, false);
    form.endOfCheck();
    form.lvwMailBox()->lvwMailBox_Click(1);
    rig.prompter.answers = {answer};
    QTest::mouseClick(control<QToolButton>(form, "DelBt"), Qt::LeftButton);
    const Prompt question{QStringLiteral("○の付いたメールを削除します\r\nよろしいですか？"), title,
                          Prompter::Icon::Question, Prompter::Buttons::YesNoDefaultNo};
    QCOMPARE(rig.prompter.prompts, QList{question});
    QCOMPARE(recorder.calls, calls);
    QCOMPARE(form.mailTable().entry(1, 1).Mark, qint16(-1));
}

void MailFormTest::retrieveRestoresTheCaption()
{
    CheckerRig rig;
    MailForm& form = rig.started();
    rig.putMail(1, 2, false);
    form.endOfCheck();
    form.lvwMailBox()->lvwMailBox_Click(1);
    QTest::mouseClick(control<QToolButton>(form, "RetrBt"), Qt::LeftButton);
    // Without a retrieve session the cycle ends at once: the caption is put
    // back and the marks are cleared.
    QCOMPARE(form.windowTitle(), QStringLiteral("2通のメールが届いています!"));
    QCOMPARE(form.mailTable().entry(1, 1).Mark, qint16(0));
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    // With the marks gone the buttons have nothing left to act on.
    QVERIFY(!control<QToolButton>(form, "RetrBt")->isEnabled());
    QVERIFY(!control<QToolButton>(form, "DelBt")->isEnabled());
}

void MailFormTest::ShowMsgObeysOption3value_data()
{
    QTest::addColumn<QString>("Option3value");
    QTest::addColumn<int>("shown");
    QTest::addRow("errors shown") << QStringLiteral("0") << 1;
    QTest::addRow("errors suppressed") << QStringLiteral("1") << 0;
}

void MailFormTest::ShowMsgObeysOption3value()
{
    QFETCH(QString, Option3value);
    QFETCH(int, shown);
    CheckerRig rig;
    rig.set({{"Option3value", Option3value}});
    MailForm& form = rig.started();
    form.ShowMsg(QStringLiteral("サーバが見つかりません"));
    QCOMPARE(rig.prompter.prompts.size(), shown);
    if (shown)
        QCOMPARE(rig.prompter.prompts[0], (Prompt{QStringLiteral("サーバが見つかりません"), title,
                                                  Prompter::Icon::Stop, Prompter::Buttons::Ok}));
}

void MailFormTest::logButtonShowsTheTranscript()
{
    CheckerRig rig;
    rig.set({{"Option8value", QStringLiteral("1")}});
    MailForm& form = rig.started();
    form.logText() = QStringLiteral("USER yamada\r\nPASS ******************************\r\n");
    form.mnu_pop();
    QTest::mouseClick(control<QPushButton>(form, "LogBt"), Qt::LeftButton);
    QVERIFY(form.viewform());
    QVERIFY(form.viewform()->isVisible());
    QCOMPARE(form.viewform()->text(),
             QStringLiteral("USER yamada\nPASS ******************************\n"));
}

QTEST_MAIN(MailFormTest)
#include "MailFormTest.moc"
