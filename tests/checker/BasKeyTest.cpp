// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The six global keys on the checker's real window, with the desktop's
// hotkeys played by FakeHotkeyBackend (and the real X11 backend where there
// is no X11 display).
#include "CheckerRig.h"

#include "checker/BasKey.h"
#include "checker/SessionDrivers.h"
#include "hotkeys/X11HotkeyBackend.h"
#include "support/FakeHotkeyBackend.h"

#include <QTest>

#include <limits>

namespace {

using Prompt = FakePrompter::Prompt;
using Settings::Hotkey;

QString describe(const Hotkey& key)
{
    switch (key.modifier) {
    case Hotkey::Modifier::None:
        return QString();
    case Hotkey::Modifier::Ctrl:
        return QStringLiteral("Ctrl+%1").arg(key.virtualKey);
    case Hotkey::Modifier::Shift:
        return QStringLiteral("Shift+%1").arg(key.virtualKey);
    }
    return QString();
}

QStringList describe(const QList<Hotkey>& keys)
{
    QStringList texts;
    for (const Hotkey& key : keys)
        texts << describe(key);
    return texts;
}

// The message of a key that could not be registered: no icon, no title.
Prompt failure(const QString& text)
{
    return Prompt{text, QString(), Prompter::Icon::NoIcon, Prompter::Buttons::Ok};
}

const Prompt setKeysAgain{
    QStringLiteral("起動キーを設定し直してください\r\n「いいえ」で終了します。"), QString(),
    Prompter::Icon::Information, Prompter::Buttons::YesNo};
const Prompt exitQuestion{QStringLiteral("終了しますか？"),
                          QStringLiteral("Tavoメールチェッカー LAN"), Prompter::Icon::Information,
                          Prompter::Buttons::YesNo};

struct CheckCounter : SessionDrivers
{
    int checks = 0;
    void checkNextAccount() override { ++checks; }
    void retrNextAccount() override {}
    void deleNextAccount() override {}
    void subDisConn() override {}
};

// The stored codes of the six keys, in action order.
void setCodes(CheckerRig& rig, const QList<int>& codes)
{
    for (int i = 0; i < codes.size(); ++i)
        rig.store.save(QStringLiteral("Hotkeynum%1").arg(i), QString::number(codes.at(i)));
    rig.store.sync();
}

QStringList texts(std::initializer_list<const char*> keys)
{
    QStringList list;
    for (const char* key : keys)
        list << QString::fromLatin1(key);
    return list;
}

const QList<int> defaultCodes{113, 114, 115, 116, 117, 118};

} // namespace

Q_DECLARE_METATYPE(Prompter::Answer)

class BasKeyTest : public QObject
{
    Q_OBJECT

private slots:
    void registration_data();
    void registration();
    void dispatch_data();
    void dispatch();
    void settingsKeyRegistersAnewFromInsideItsPress();
    void failedExitKey_data();
    void failedExitKey();
    void withoutX11TheKeysAreReportedOnce_data();
    void withoutX11TheKeysAreReportedOnce();
};

void BasKeyTest::registration_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QList<int>>("heldElsewhere");
    QTest::addColumn<QStringList>("attempts");
    QTest::addColumn<QStringList>("failures");

    QTest::addRow("defaults are Ctrl+F2 to Ctrl+F7 in action order")
        << defaultCodes << QList<int>()
        << texts({"Ctrl+113", "Ctrl+114", "Ctrl+115", "Ctrl+116", "Ctrl+117", "Ctrl+118"})
        << QStringList();
    QTest::addRow("65 is Ctrl+A, 212 is Shift+F1, each named in its message")
        << QList<int>{65, 212, 115, 116, 117, 118} << QList<int>{65, 212}
        << texts({"Ctrl+65", "Shift+112", "Ctrl+115", "Ctrl+116", "Ctrl+117", "Ctrl+118"})
        << QStringList{QStringLiteral("設定の起動キーCtrl+Aの設定に失敗しました"),
                       QStringLiteral("メールチェックの起動キーShift+F1の設定に失敗しました")};
    QTest::addRow("code 0 has no key and no message")
        << QList<int>{0, 114, 0, 116, 0, 118} << QList<int>()
        << texts({"Ctrl+114", "Ctrl+116", "Ctrl+118"}) << QStringList();
    QTest::addRow("two actions on one combination: the second fails, the rest go on")
        << QList<int>{113, 116, 115, 116, 117, 118} << QList<int>()
        << texts({"Ctrl+113", "Ctrl+116", "Ctrl+115", "Ctrl+116", "Ctrl+117", "Ctrl+118"})
        << QStringList{QStringLiteral("メーラー1の起動キーCtrl+F5の設定に失敗しました")};
}

void BasKeyTest::registration()
{
    QFETCH(QList<int>, codes);
    QFETCH(QList<int>, heldElsewhere);
    QFETCH(QStringList, attempts);
    QFETCH(QStringList, failures);

    // Declared first: the keys release their combinations when the window goes.
    FakeHotkeyBackend backend;
    CheckerRig rig;
    setCodes(rig, codes);
    for (int code : heldElsewhere)
        backend.heldElsewhere << Settings::decodeHotkey(qint16(code));
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));
    rig.set({{"accountno", QStringLiteral("1")}});
    QVERIFY(form.Form_Load());

    QCOMPARE(describe(backend.attempts), attempts);
    QList<Prompt> prompts;
    for (const QString& text : failures)
        prompts << failure(text);
    QCOMPARE(rig.prompter.prompts, prompts);
    QCOMPARE(backend.registered.size(), attempts.size() - failures.size());
}

void BasKeyTest::dispatch_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("effects");

    QTest::addRow("Ctrl+F2 opens the settings")
        << 113 << QStringList{QStringLiteral("settings program")};
    QTest::addRow("Ctrl+F3 checks now") << 114 << QStringList{QStringLiteral("check")};
    QTest::addRow("Ctrl+F4 pops the window up") << 115 << QStringList{QStringLiteral("shown")};
    QTest::addRow("Ctrl+F5 starts mail program 1")
        << 116 << QStringList{QStringLiteral("started \"/usr/bin/mailer1\"")};
    QTest::addRow("Ctrl+F6 starts mail program 2")
        << 117 << QStringList{QStringLiteral("started \"/usr/bin/mailer2\"")};
    QTest::addRow("Ctrl+F7 ends, releasing every key")
        << 118 << QStringList{QStringLiteral("ended")};
    QTest::addRow("an identifier no key holds is swallowed") << 0 << QStringList();
}

void BasKeyTest::dispatch()
{
    QFETCH(int, code);
    QFETCH(QStringList, effects);

    FakeHotkeyBackend backend;
    CheckerRig rig;
    rig.set({{"Option7value", QStringLiteral("1")},
             {"Mailerdir1", QStringLiteral("/usr/bin/mailer1")},
             {"Mailerdir2", QStringLiteral("/usr/bin/mailer2")}});
    rig.processes.existingFiles = {QStringLiteral("/usr/bin/mailer1"),
                                   QStringLiteral("/usr/bin/mailer2")};
    CheckCounter drivers;
    MailForm& form = rig.makeForm();
    form.setSessionDrivers(&drivers);
    auto* keys = new BasKey(form, rig.prompter, backend);
    form.setHotkeyHooks(keys);
    rig.set({{"accountno", QStringLiteral("1")}});
    QVERIFY(form.Form_Load());
    QCOMPARE(backend.registered.size(), 6);

    if (code != 0)
        QVERIFY(backend.press(Settings::decodeHotkey(qint16(code))));
    else
        keys->hotkeyProc(std::numeric_limits<int>::max());

    QStringList seen;
    if (!rig.processes.waited.isEmpty())
        seen << QStringLiteral("settings program");
    if (drivers.checks)
        seen << QStringLiteral("check");
    if (form.isVisible())
        seen << QStringLiteral("shown");
    for (const QString& line : std::as_const(rig.processes.started))
        seen << QStringLiteral("started ") + line;
    if (form.hasEnded()) {
        seen << QStringLiteral("ended");
        QVERIFY(backend.registered.isEmpty());
        QVERIFY(!backend.pressed);
    }
    QCOMPARE(seen, effects);
    QVERIFY(rig.prompter.prompts.isEmpty());
}

void BasKeyTest::settingsKeyRegistersAnewFromInsideItsPress()
{
    FakeHotkeyBackend backend;
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")}});
    CheckCounter drivers;
    MailForm& form = rig.makeForm();
    form.setSessionDrivers(&drivers);
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));
    QVERIFY(form.Form_Load());
    // The user moves the mail check to Ctrl+A in the settings program.
    rig.processes.duringWait = [&](const QString&) { setCodes(rig, {113, 65}); };

    QVERIFY(backend.press(Settings::decodeHotkey(113)));
    QCOMPARE(rig.processes.waited.size(), 1);
    QCOMPARE(describe(backend.registered.values()),
             texts({"Ctrl+113", "Ctrl+65", "Ctrl+115", "Ctrl+116", "Ctrl+117", "Ctrl+118"}));
    QVERIFY(!backend.press(Settings::decodeHotkey(114)));
    QVERIFY(backend.press(Settings::decodeHotkey(65)));
    QCOMPARE(drivers.checks, 1);
    QVERIFY(rig.prompter.prompts.isEmpty());
}

void BasKeyTest::failedExitKey_data()
{
    QTest::addColumn<Prompter::Answer>("answer");

    QTest::addRow("Yes runs the settings program and registers again") << Prompter::Answer::Yes;
    QTest::addRow("No ends although the exit question is answered No") << Prompter::Answer::No;
}

void BasKeyTest::failedExitKey()
{
    QFETCH(Prompter::Answer, answer);

    FakeHotkeyBackend backend;
    CheckerRig rig;
    // The exit key on the settings key's combination.
    setCodes(rig, {113, 114, 115, 116, 117, 113});
    rig.set({{"accountno", QStringLiteral("1")}, {"Option7value", QStringLiteral("0")}});
    // The failure is acknowledged; then the answer; the exit question (if
    // any) is answered No.
    rig.prompter.answers = {Prompter::Answer::Ok, answer};
    rig.processes.duringWait = [&](const QString&) { setCodes(rig, defaultCodes); };
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));

    const bool ended = answer == Prompter::Answer::No;
    const bool loaded = form.Form_Load();
    QList<Prompt> expected{failure(QStringLiteral("終了の起動キーCtrl+F2の設定に失敗しました")),
                           setKeysAgain};
    if (ended)
        expected << exitQuestion;
    QCOMPARE(rig.prompter.prompts, expected);
    QCOMPARE(form.hasEnded(), ended);
    QCOMPARE(loaded, !ended);
    QCOMPARE(rig.processes.waited.size(), ended ? 0 : 1);
    QCOMPARE(backend.registered.size(), ended ? 0 : 6);
    // The sizes are stored on this way out too.
    QCOMPARE(rig.stored("frmWidth").isEmpty(), !ended);
}

void BasKeyTest::withoutX11TheKeysAreReportedOnce_data()
{
    QTest::addColumn<bool>("realBackend");

    QTest::addRow("X11 backend on the offscreen platform") << true;
    QTest::addRow("fake desktop without hotkeys") << false;
}

void BasKeyTest::withoutX11TheKeysAreReportedOnce()
{
    QFETCH(bool, realBackend);

    X11HotkeyBackend x11;
    FakeHotkeyBackend fake;
    fake.isAvailable = false;
    CheckerRig rig;
    setCodes(rig, {113, 0, 212, 116, 117, 118});
    rig.set({{"accountno", QStringLiteral("1")}, {"Option7value", QStringLiteral("1")}});
    HotkeyBackend& backend = realBackend ? static_cast<HotkeyBackend&>(x11) : fake;
    QVERIFY(!backend.available());
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
    form.mnu_end();
    QVERIFY(form.hasEnded());
}

QTEST_MAIN(BasKeyTest)
#include "BasKeyTest.moc"
