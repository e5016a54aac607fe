// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole checker with its real X11 hotkeys: a private Xvfb that this
// test starts before QApplication connects to it, keys pressed from outside
// with xdotool (XTest), checks against a real Dovecot on 127.0.0.1.
#include "CheckerRig.h"

#include "checker/Checker.h"
#include "checker/platform/InstanceLock.h"
#include "hotkeys/X11HotkeyBackend.h"
#include "settings/AccountRecord.h"
#include "support/DovecotServer.h"
#include "support/XcbClient.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

using Prompt = FakePrompter::Prompt;
using XcbClient::Connection;

XvfbServer* xvfb = nullptr;
QString xvfbProblem;

bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool pressKeys(const char* keys)
{
    return xdotool({QStringLiteral("key"), QString::fromLatin1(keys)});
}

xcb_window_t rootOf(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The modifiers and locks the server holds now, as any client reads them.
quint16 modifierState(xcb_connection_t* connection)
{
    xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(
        connection, xcb_query_pointer(connection, rootOf(connection)), nullptr);
    const quint16 state = reply ? reply->mask & 0xff : 0xffff;
    std::free(reply);
    return state;
}

// Grabs every key with exactly modifiers for connection; false when some
// other client holds any such combination.
bool grabAnyKey(xcb_connection_t* connection, quint16 modifiers)
{
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_grab_key_checked(connection, 0, rootOf(connection), modifiers, XCB_GRAB_ANY,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return !error;
}

// Grabs keycode with exactly modifiers and lets it go again; false when
// another client holds the combination.
bool canGrab(xcb_connection_t* connection, quint16 modifiers, xcb_keycode_t keycode)
{
    const xcb_window_t root = rootOf(connection);
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_grab_key_checked(connection, 0, root, modifiers, keycode,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    std::free(xcb_request_check(connection,
                                xcb_ungrab_key_checked(connection, keycode, root, modifiers)));
    return !error;
}

// The server's keymap: keysymsPerKeycode keysyms for each keycode from min.
struct Keymap
{
    xcb_keycode_t min = 0;
    int keysymsPerKeycode = 0;
    QList<xcb_keysym_t> keysyms;

    static Keymap read(xcb_connection_t* connection)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        Keymap map;
        map.min = setup->min_keycode;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            connection,
            xcb_get_keyboard_mapping(connection, map.min, setup->max_keycode - map.min + 1),
            nullptr);
        if (!reply)
            return map;
        map.keysymsPerKeycode = reply->keysyms_per_keycode;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
        map.keysyms =
            QList<xcb_keysym_t>(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply));
        std::free(reply);
        return map;
    }

    // The first keycode whose keysyms satisfy test; 0 for none.
    template <typename Test> xcb_keycode_t find(Test test) const
    {
        for (qsizetype i = 0; keysymsPerKeycode && i < keysyms.size() / keysymsPerKeycode; ++i) {
            if (test(keysyms.mid(i * keysymsPerKeycode, keysymsPerKeycode)))
                return xcb_keycode_t(min + i);
        }
        return 0;
    }

    void write(xcb_connection_t* connection) const
    {
        std::free(xcb_request_check(connection,
                                    xcb_change_keyboard_mapping_checked(
                                        connection, quint8(keysyms.size() / keysymsPerKeycode), min,
                                        quint8(keysymsPerKeycode), keysyms.constData())));
    }
};

constexpr xcb_keysym_t F4Keysym = 0xffc1;

// NumLock is Mod2 in the server's default keymap.
constexpr quint16 numLockMask = XCB_MOD_MASK_2;

Prompt failure(const QString& text)
{
    return Prompt{text, QString(), Prompter::Icon::NoIcon, Prompter::Buttons::Ok};
}

} // namespace

class HotkeysX11Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysPressedOutsideReachTheChecker_data();
    void keysPressedOutsideReachTheChecker();
    void combinationsHeldElsewhereFailAtOnce();
    void keysFollowAKeymapChange();

private:
    void configure(CheckerRig& rig, std::initializer_list<std::pair<const char*, QString>> options);

    DovecotServer m_server;
};

void HotkeysX11Test::initTestCase()
{
    if (!xvfb)
        QSKIP(qPrintable(xvfbProblem));
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    if (!DovecotServer::isInstalled())
        QSKIP("Dovecot is not installed (scripts/install-deps installs dovecot-pop3d)");
    QVERIFY2(m_server.start({{QStringLiteral("tanaka"), QStringLiteral("kaisha2026")}}),
             qPrintable(m_server.errorString()));
    QVERIFY(m_server.deliverMany(QStringLiteral("tanaka"),
                                 DovecotServer::demoMessages(QStringLiteral("tanaka"))));
}

void HotkeysX11Test::configure(CheckerRig& rig,
                               std::initializer_list<std::pair<const char*, QString>> options)
{
    rig.set({{"accountno", QStringLiteral("1")},
             {"Option1value", QStringLiteral("0")},
             {"Option2value", QStringLiteral("0")},
             {"Option4value", QStringLiteral("0")},
             {"Option5value", QStringLiteral("0")},
             {"Option7value", QStringLiteral("1")}});
    rig.set(options);
    Settings::AccountRecord kaisha;
    kaisha.Aname = QStringLiteral("会社");
    kaisha.Hname = QStringLiteral("127.0.0.1");
    kaisha.Portno = qint16(m_server.port());
    kaisha.Uname = QStringLiteral("tanaka");
    kaisha.Passw = QStringLiteral("kaisha2026");
    Settings::SaveAccount(rig.store, 1, kaisha);
}

void HotkeysX11Test::keysPressedOutsideReachTheChecker_data()
{
    QTest::addColumn<QStringList>("locks");
    QTest::addColumn<quint16>("lockMask");

    QTest::addRow("no lock") << QStringList() << quint16(0);
    QTest::addRow("NumLock on") << QStringList{QStringLiteral("Num_Lock")} << numLockMask;
    QTest::addRow("CapsLock and NumLock on")
        << QStringList{QStringLiteral("Caps_Lock"), QStringLiteral("Num_Lock")}
        << quint16(XCB_MOD_MASK_LOCK | numLockMask);
}

void HotkeysX11Test::keysPressedOutsideReachTheChecker()
{
    QFETCH(QStringList, locks);
    QFETCH(quint16, lockMask);

    const Connection other = XcbClient::connectTo(xvfb->display());
    QVERIFY(other);
    CheckerRig rig;
    configure(rig, {});
    X11HotkeyBackend backend;
    QVERIFY(backend.available());
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form =
        Checker::startChecker(lock, rig.context(), nullptr, &backend);
    QVERIFY(form);
    QCOMPARE(rig.prompter.prompts, QList<Prompt>());
    QVERIFY(!grabAnyKey(other.get(), XCB_MOD_MASK_CONTROL));

    for (const QString& key : std::as_const(locks))
        QVERIFY(xdotool({QStringLiteral("key"), key}));
    QCOMPARE(modifierState(other.get()), lockMask);
    // Whatever happens below, the next row starts with the locks off.
    const auto restoreLocks = qScopeGuard([&] {
        for (const QString& key : std::as_const(locks))
            xdotool({QStringLiteral("key"), key});
    });

    const qsizetype before = m_server.commandsSeen().size();
    QVERIFY(pressKeys("ctrl+F3"));
    QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("3通のメールが届いています!"),
                              15000);
    QTRY_VERIFY(m_server.commandsSeen().size() > before &&
                m_server.commandsSeen().constLast() == "QUIT");
    QCOMPARE(m_server.commandsSeen().mid(before),
             DovecotServer::commandLines({"USER tanaka", "PASS kaisha2026", "STAT", "TOP 1 5",
                                          "TOP 2 5", "TOP 3 5", "QUIT"}));
    QVERIFY(form->isHidden());

    QVERIFY(pressKeys("ctrl+F4"));
    QTRY_VERIFY(form->isVisible());

    // With the keyboard focus on the checker's own window the keys still
    // reach the checker.
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    std::free(xcb_request_check(
        other.get(), xcb_set_input_focus_checked(other.get(), XCB_INPUT_FOCUS_POINTER_ROOT,
                                                 xcb_window_t(form->winId()), XCB_CURRENT_TIME)));
    QVERIFY(pressKeys("ctrl+F7"));
    QTRY_VERIFY(form->hasEnded());
    QVERIFY(grabAnyKey(other.get(), XCB_MOD_MASK_CONTROL));
    QCOMPARE(rig.prompter.prompts, QList<Prompt>());
}

void HotkeysX11Test::combinationsHeldElsewhereFailAtOnce()
{
    const Connection other = XcbClient::connectTo(xvfb->display());
    QVERIFY(other);
    QVERIFY(grabAnyKey(other.get(), XCB_MOD_MASK_SHIFT));
    CheckerRig rig;
    // Pop-up on Shift+F1, which the other client holds; mail program 2 on
    // Ctrl+F13, which the server's keymap does not have.
    configure(rig, {{"Hotkeynum2", QStringLiteral("212")}, {"Hotkeynum4", QStringLiteral("124")}});
    X11HotkeyBackend backend;
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form =
        Checker::startChecker(lock, rig.context(), nullptr, &backend);
    QVERIFY(form);
    QCOMPARE(rig.prompter.prompts,
             QList<Prompt>(
                 {failure(QStringLiteral("ポップアップの起動キーShift+F1の設定に失敗しました")),
                  failure(QStringLiteral("メーラー2の起動キーCtrl+F13の設定に失敗しました"))}));

    // The keys that were free work.
    QVERIFY(pressKeys("ctrl+F7"));
    QTRY_VERIFY(form->hasEnded());
}

void HotkeysX11Test::keysFollowAKeymapChange()
{
    const Connection other = XcbClient::connectTo(xvfb->display());
    QVERIFY(other);
    CheckerRig rig;
    configure(rig, {});
    X11HotkeyBackend backend;
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form =
        Checker::startChecker(lock, rig.context(), nullptr, &backend);
    QVERIFY(form);

    // F4 moves to a key that had no keysym at all.
    const Keymap original = Keymap::read(other.get());
    using Row = QList<xcb_keysym_t>;
    const xcb_keycode_t oldF4 =
        original.find([](const Row& row) { return row.contains(F4Keysym); });
    const xcb_keycode_t spare =
        original.find([](const Row& row) { return row.count(0) == row.size(); });
    QVERIFY(oldF4 && spare && oldF4 != spare);
    QVERIFY(!canGrab(other.get(), XCB_MOD_MASK_CONTROL, oldF4));
    Keymap moved = original;
    for (int i = 0; i < moved.keysymsPerKeycode; ++i) {
        moved.keysyms[(spare - moved.min) * moved.keysymsPerKeycode + i] = i < 2 ? F4Keysym : 0;
        moved.keysyms[(oldF4 - moved.min) * moved.keysymsPerKeycode + i] = 0;
    }
    moved.write(other.get());
    const auto restore = qScopeGuard([&] { original.write(other.get()); });

    QTRY_VERIFY(!canGrab(other.get(), XCB_MOD_MASK_CONTROL, spare));
    QVERIFY(canGrab(other.get(), XCB_MOD_MASK_CONTROL, oldF4));
    QVERIFY(pressKeys("ctrl+F4"));
    QTRY_VERIFY(form->isVisible());
    form->mnu_end();
    QVERIFY(form->hasEnded());
}

int main(int argc, char* argv[])
{
    XvfbServer server;
    if (!XvfbServer::isInstalled()) {
        xvfbProblem = QStringLiteral("Xvfb is not installed");
    } else if (!server.start()) {
        xvfbProblem = server.errorString();
    } else {
        xvfb = &server;
        qputenv("DISPLAY", server.display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    HotkeysX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "HotkeysX11Test.moc"
