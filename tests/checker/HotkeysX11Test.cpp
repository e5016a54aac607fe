// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole checker with its real X11 hotkeys: a private Xvfb that this
// test starts before QApplication connects to it, keys pressed from outside
// with xdotool (XTest), checks against a real Dovecot on 127.0.0.1.
#include "CheckerRig.h"

#include "checker/Checker.h"
#include "hotkeys/X11HotkeyBackend.h"
#include "instancelock/InstanceLock.h"
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

// Presses keys ("ctrl+F3") as a keyboard would, through XTest.
bool pressKeys(const QString& keys)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
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

// Grabs every key with exactly modifiers for connection (kept until it
// disconnects); false when another client holds any such combination.
bool grabAnyKey(xcb_connection_t* connection, quint16 modifiers)
{
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_grab_key_checked(connection, 0, rootOf(connection), modifiers, XCB_GRAB_ANY,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return !error;
}

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

private:
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

    // Another program holds every Shift combination.
    const Connection other = XcbClient::connectTo(xvfb->display());
    QVERIFY(other);
    QVERIFY(grabAnyKey(other.get(), XCB_MOD_MASK_SHIFT));
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")},
             {"Option1value", QStringLiteral("0")},
             {"Option7value", QStringLiteral("1")},
             {"Mailerdir2", QStringLiteral("/usr/bin/mailer2")},
             // The settings on Shift+F1, taken; mail program 1 on Ctrl+F13,
             // which the server's keymap does not have.
             {"Hotkeynum0", QStringLiteral("212")},
             {"Hotkeynum3", QStringLiteral("124")}});
    rig.processes.existingFiles = {QStringLiteral("/usr/bin/mailer2")};
    Settings::AccountRecord kaisha;
    kaisha.Hname = QStringLiteral("127.0.0.1");
    kaisha.Portno = qint16(m_server.port());
    kaisha.Uname = QStringLiteral("tanaka");
    kaisha.Passw = QStringLiteral("kaisha2026");
    Settings::SaveAccount(rig.store, 1, kaisha);
    X11HotkeyBackend backend;
    InstanceLock lock(rig.dir.filePath(QStringLiteral("tavowatchl.lock")));
    const std::unique_ptr<MailForm> form =
        Checker::startChecker(lock, rig.context(), nullptr, &backend);
    QVERIFY(form);
    QCOMPARE(rig.prompter.prompts,
             QList<Prompt>(
                 {failure(QStringLiteral("設定の起動キーShift+F1の設定に失敗しました")),
                  failure(QStringLiteral("メーラー1の起動キーCtrl+F13の設定に失敗しました"))}));
    QVERIFY(!grabAnyKey(other.get(), XCB_MOD_MASK_CONTROL));

    for (const QString& key : std::as_const(locks))
        QVERIFY(pressKeys(key));
    QCOMPARE(modifierState(other.get()), lockMask);
    // Whatever happens below, the next row starts with the locks off.
    const auto restoreLocks = qScopeGuard([&] {
        for (const QString& key : std::as_const(locks))
            pressKeys(key);
    });

    const qsizetype before = m_server.commandsSeen().size();
    QVERIFY(pressKeys(QStringLiteral("ctrl+F3")));
    QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("3通のメールが届いています!"),
                              15000);
    QTRY_VERIFY(m_server.commandsSeen().size() > before &&
                m_server.commandsSeen().constLast() == "QUIT");
    QCOMPARE(m_server.commandsSeen().mid(before),
             DovecotServer::commandLines({"CAPA", "USER tanaka", "PASS kaisha2026", "STAT", "UIDL",
                                          "TOP 1 5", "TOP 2 5", "TOP 3 5", "QUIT"}));
    QVERIFY(form->isHidden());

    QVERIFY(pressKeys(QStringLiteral("ctrl+F4")));
    QTRY_VERIFY(form->isVisible());
    QVERIFY(pressKeys(QStringLiteral("ctrl+F6")));
    QTRY_COMPARE(rig.processes.started, QStringList{QStringLiteral("\"/usr/bin/mailer2\"")});

    // The exit sequence gives every combination back.
    QVERIFY(pressKeys(QStringLiteral("ctrl+F7")));
    QTRY_VERIFY(form->hasEnded());
    QVERIFY(grabAnyKey(other.get(), XCB_MOD_MASK_CONTROL));
}

int main(int argc, char* argv[])
{
    XvfbServer server;
    xvfbProblem = server.startForThisProcess();
    if (xvfbProblem.isEmpty())
        xvfb = &server;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    HotkeysX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "HotkeysX11Test.moc"
