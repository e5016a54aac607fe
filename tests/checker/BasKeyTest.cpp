// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The six global keys on the checker's real window; the desktop's hotkeys
// are FakeHotkeyBackend, or the real X11 backend where there is no display.
#include "CheckerRig.h"

#include "checker/BasKey.h"
#include "hotkeys/X11HotkeyBackend.h"
#include "support/FakeHotkeyBackend.h"

#include <QTest>

namespace {

using Prompt = FakePrompter::Prompt;
using Settings::Hotkey;
constexpr auto Ctrl = Hotkey::Modifier::Ctrl;
constexpr auto Shift = Hotkey::Modifier::Shift;

// A key that could not be registered: no icon, no title of its own.
Prompt failure(const QString& text)
{
    return Prompt{text, QString(), Prompter::Icon::NoIcon, Prompter::Buttons::Ok};
}

// One account and the stored codes of the six keys, in action order.
void setCodes(CheckerRig& rig, const QList<int>& codes)
{
    rig.set({{"accountno", QStringLiteral("1")}});
    for (int i = 0; i < codes.size(); ++i)
        rig.store.save(QStringLiteral("Hotkeynum%1").arg(i), QString::number(codes.at(i)));
    rig.store.sync();
}

const QList<int> defaultCodes{113, 114, 115, 116, 117, 118};

} // namespace

Q_DECLARE_METATYPE(Prompter::Answer)
Q_DECLARE_METATYPE(Settings::Hotkey)

class BasKeyTest : public QObject
{
    Q_OBJECT

private slots:
    void registration_data();
    void registration();
    void failedExitKey_data();
    void failedExitKey();
    void withoutX11TheKeysAreReportedOnce();
};

void BasKeyTest::registration_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QList<Hotkey>>("heldElsewhere");
    QTest::addColumn<QList<Hotkey>>("registered");
    QTest::addColumn<QStringList>("failures");

    QTest::addRow("defaults are Ctrl+F2 to Ctrl+F7 in action order")
        << defaultCodes << QList<Hotkey>() << QList<Hotkey>{{Ctrl, 113}, {Ctrl, 114}, {Ctrl, 115},
                                                            {Ctrl, 116}, {Ctrl, 117}, {Ctrl, 118}}
        << QStringList();
    QTest::addRow("65 is Ctrl+A, 212 is Shift+F1, each named in its message")
        << QList<int>{65, 212, 0, 0, 0, 118} << QList<Hotkey>{{Ctrl, 65}, {Shift, 112}}
        << QList<Hotkey>{{Ctrl, 118}}
        << QStringList{QStringLiteral("設定の起動キーCtrl+Aの設定に失敗しました"),
                       QStringLiteral("メールチェックの起動キーShift+F1の設定に失敗しました")};
    QTest::addRow("two actions on one combination: the second fails, the rest go on")
        << QList<int>{113, 116, 0, 116, 117, 118} << QList<Hotkey>()
        << QList<Hotkey>{{Ctrl, 113}, {Ctrl, 116}, {Ctrl, 117}, {Ctrl, 118}}
        << QStringList{QStringLiteral("メーラー1の起動キーCtrl+F5の設定に失敗しました")};
}

void BasKeyTest::registration()
{
    QFETCH(QList<int>, codes);
    QFETCH(QList<Hotkey>, heldElsewhere);
    QFETCH(QList<Hotkey>, registered);
    QFETCH(QStringList, failures);

    // Declared first: the keys release their combinations when the window goes.
    FakeHotkeyBackend backend;
    backend.heldElsewhere = heldElsewhere;
    CheckerRig rig;
    setCodes(rig, codes);
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));
    QVERIFY(form.Form_Load());

    QCOMPARE(backend.registered.values(), registered);
    QList<Prompt> prompts;
    for (const QString& text : failures)
        prompts << failure(text);
    QCOMPARE(rig.prompter.prompts, prompts);
}

void BasKeyTest::failedExitKey_data()
{
    QTest::addColumn<Prompter::Answer>("answer");
    QTest::addColumn<bool>("firstStart");

    QTest::addRow("Yes runs the settings program and registers again")
        << Prompter::Answer::Yes << false;
    QTest::addRow("No ends although the exit question is answered No")
        << Prompter::Answer::No << false;
    // No account yet: ending must not go on to the first-configuration prompt.
    QTest::addRow("No on a first start ends without asking for the settings")
        << Prompter::Answer::No << true;
}

void BasKeyTest::failedExitKey()
{
    QFETCH(Prompter::Answer, answer);
    QFETCH(bool, firstStart);

    FakeHotkeyBackend backend;
    CheckerRig rig;
    if (firstStart) {
        // The default exit key, Ctrl+F7, held by another program.
        backend.heldElsewhere = {{Ctrl, 118}};
    } else {
        // The exit key on the settings key's combination; the settings
        // program puts the defaults back.
        setCodes(rig, {113, 114, 115, 116, 117, 113});
    }
    rig.set({{"Option7value", QStringLiteral("0")}});
    rig.processes.duringWait = [&](const QString&) { setCodes(rig, defaultCodes); };
    // The failure is acknowledged, the exit question (if asked) answered No.
    rig.prompter.answers = {Prompter::Answer::Ok, answer};
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));

    const bool ended = answer == Prompter::Answer::No;
    QCOMPARE(form.Form_Load(), !ended);
    QList<Prompt> expected{
        failure(
            QStringLiteral("終了の起動キーCtrl+F%1の設定に失敗しました").arg(firstStart ? 7 : 2)),
        {QStringLiteral("起動キーを設定し直してください\r\n「いいえ」で終了します。"), QString(),
         Prompter::Icon::Information, Prompter::Buttons::YesNo}};
    if (ended)
        expected << Prompt{QStringLiteral("終了しますか？"), MailForm::appTitle(),
                           Prompter::Icon::Information, Prompter::Buttons::YesNo};
    QCOMPARE(rig.prompter.prompts, expected);
    QCOMPARE(form.hasEnded(), ended);
    QCOMPARE(rig.processes.waited.size(), ended ? 0 : 1);
    QCOMPARE(backend.registered.size(), ended ? 0 : 6);
    // The sizes are stored on this way out too.
    QCOMPARE(rig.stored("frmWidth").isEmpty(), !ended);
}

void BasKeyTest::withoutX11TheKeysAreReportedOnce()
{
    // This test runs on the offscreen platform: no X11 connection.
    X11HotkeyBackend backend;
    QVERIFY(!backend.available());
    CheckerRig rig;
    setCodes(rig, {113, 0, 212, 116, 117, 118});
    rig.set({{"Option7value", QStringLiteral("1")}});
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));

    QVERIFY(form.Form_Load());
    form.OpenOption();
    const QStringList lines{QStringLiteral("設定の起動キーCtrl+F2の設定に失敗しました"),
                            QStringLiteral("ポップアップの起動キーShift+F1の設定に失敗しました"),
                            QStringLiteral("メーラー1の起動キーCtrl+F5の設定に失敗しました"),
                            QStringLiteral("メーラー2の起動キーCtrl+F6の設定に失敗しました"),
                            QStringLiteral("終了の起動キーCtrl+F7の設定に失敗しました")};
    QCOMPARE(rig.prompter.prompts, QList<Prompt>{failure(lines.join(QStringLiteral("\r\n")))});
    QVERIFY(!form.hasEnded());
}

QTEST_MAIN(BasKeyTest)
#include "BasKeyTest.moc"
