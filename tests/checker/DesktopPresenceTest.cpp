// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The tray icon and the new-mail notification on the checker's real window.
// The notification service is a stand-in on a private session bus that this
// test starts before anything can reach the user's own.
#include "CheckerRig.h"

#include "checker/BasKey.h"
#include "checker/DesktopPresence.h"
#include "checker/platform/DBusDesktopNotifications.h"
#include "checker/platform/QtTrayIcon.h"
#include "maillist/MailListView.h"
#include "settings/Hotkey.h"
#include "support/DBusSession.h"
#include "support/FakeHotkeyBackend.h"
#include "support/FakeNotificationService.h"
#include "support/FakeTrayIcon.h"

#include <QApplication>
#include <QTest>

namespace {

QString busProblem;

// Messages 1..seen + fresh of account 1, the first seen already listed by an
// earlier check, then the end of this check.
void checkFinds(CheckerRig& rig, int seen, int fresh, const QString& firstSender = QString())
{
    MailForm& form = *rig.form;
    form.setMailTotal(0);
    rig.putMail(1, seen + fresh, true);
    if (!firstSender.isEmpty())
        form.mailTable().entry(1, 1).From = firstSender;
    form.accounts()[1].listedCount = seen;
    form.endOfCheck();
}

QString line(int m)
{
    return QStringLiteral("差出人1-%1 — 件名1-%1").arg(m);
}

// A checker with two mail programs and listed mail, its window hidden; act
// then plays the user. What the checker did, as a user can tell.
QStringList
runCommand(const std::function<void(CheckerRig&, FakeHotkeyBackend&, FakeTrayIcon&)>& act)
{
    FakeHotkeyBackend backend;
    FakeTrayIcon tray;
    CheckerRig rig;
    rig.set({{"accountno", QStringLiteral("1")},
             {"Option7value", QStringLiteral("1")},
             {"Mailerdir1", QStringLiteral("/usr/bin/mailer1")},
             {"Mailerdir2", QStringLiteral("/usr/bin/mailer2")}});
    rig.processes.existingFiles = {QStringLiteral("/usr/bin/mailer1"),
                                   QStringLiteral("/usr/bin/mailer2")};
    MailForm& form = rig.makeForm();
    form.setHotkeyHooks(new BasKey(form, rig.prompter, backend));
    new DesktopPresence(form, &tray, nullptr);
    if (!form.Form_Load())
        return {};
    rig.putMail(1, 2, false);
    form.endOfCheck();
    act(rig, backend, tray);
    return {rig.processes.waited.join(u','), rig.processes.started.join(u','),
            form.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"),
            form.windowTitle(), form.hasEnded() ? QStringLiteral("ended") : QString()};
}

// The notification service stand-in on the private bus and a started
// checker that notifies through a connection of its own, as another
// program's would be.
struct BusRig
{
    FakeNotificationService service;
    std::unique_ptr<DBusDesktopNotifications> notifications;
    CheckerRig rig;

    ~BusRig()
    {
        QDBusConnection::sessionBus().unregisterService(
            QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::sessionBus().unregisterObject(
            QStringLiteral("/org/freedesktop/Notifications"));
    }

    bool start(bool popUp)
    {
        if (!service.registerOn(QDBusConnection::sessionBus()))
            return false;
        notifications = std::make_unique<DBusDesktopNotifications>(
            MailForm::appTitle(),
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                          QStringLiteral("checker%1").arg(++connections)));
        rig.set({{"Option1value", popUp ? QStringLiteral("1") : QStringLiteral("0")}});
        new DesktopPresence(rig.started(1), nullptr, notifications.get());
        return true;
    }

    static inline int connections = 0;
};

} // namespace

class DesktopPresenceTest : public QObject
{
    Q_OBJECT

private slots:
    void trayRunsWhatTheHotkeysRun_data();
    void trayRunsWhatTheHotkeysRun();
    void trayShowsCountAndNewMail();
    void notificationTellsTheNewMail_data();
    void notificationTellsTheNewMail();
    void laterNotificationReplacesAndClickPopsUp();
    void withoutSessionBusTheCheckerChecksAsBefore();
};

void DesktopPresenceTest::trayRunsWhatTheHotkeysRun_data()
{
    QTest::addColumn<int>("trayEntry"); // -1: a click on the icon
    QTest::addColumn<int>("hotkey");

    for (int i = 0; i < BasKey::keyCount; ++i)
        QTest::addRow("%s", qPrintable(Settings::hotkeyCommandName(i))) << i << i;
    QTest::addRow("a click on the icon is the pop-up key") << -1 << 2;
}

void DesktopPresenceTest::trayRunsWhatTheHotkeysRun()
{
    QFETCH(int, trayEntry);
    QFETCH(int, hotkey);

    const QStringList untouched = runCommand([](CheckerRig&, FakeHotkeyBackend&, FakeTrayIcon&) {});
    const QStringList byKey =
        runCommand([&](CheckerRig&, FakeHotkeyBackend& backend, FakeTrayIcon&) {
            const Settings::Hotkey key = Settings::decodeHotkey(qint16(113 + hotkey));
            backend.pressed(backend.registered.key(key));
        });
    const QStringList byTray = runCommand([&](CheckerRig&, FakeHotkeyBackend&, FakeTrayIcon& tray) {
        QCOMPARE(tray.commands,
                 (QStringList{QStringLiteral("設定"), QStringLiteral("メールチェック"),
                              QStringLiteral("ポップアップ"), QStringLiteral("メーラー1"),
                              QStringLiteral("メーラー2"), QStringLiteral("終了")}));
        if (trayEntry < 0)
            tray.click();
        else
            tray.choose(trayEntry);
    });
    QVERIFY(byKey != untouched);
    QCOMPARE(byTray, byKey);
}

void DesktopPresenceTest::trayShowsCountAndNewMail()
{
    FakeTrayIcon tray;
    CheckerRig rig;
    MailForm& form = rig.started(1);
    new DesktopPresence(form, &tray, nullptr);
    QVERIFY(tray.shown);
    QCOMPARE(tray.toolTip, QStringLiteral("Tavoメールチェッカー LAN\nメールはありません"));
    const QImage empty = tray.icon.pixmap(32).toImage();

    rig.putMail(1, 3, false);
    form.endOfCheck();
    QCOMPARE(tray.toolTip, QStringLiteral("Tavoメールチェッカー LAN\n3通のメールが届いています"));
    const QImage listed = tray.icon.pixmap(32).toImage();

    checkFinds(rig, 3, 1);
    QCOMPARE(tray.toolTip, QStringLiteral("Tavoメールチェッカー LAN\n4通のメールが届いています\n"
                                          "新着メールがあります"));
    const QImage flagged = tray.icon.pixmap(32).toImage();
    QVERIFY(empty != listed);
    QVERIFY(listed != flagged);
    QVERIFY(empty != flagged);
}

void DesktopPresenceTest::notificationTellsTheNewMail_data()
{
    QTest::addColumn<int>("seen");
    QTest::addColumn<int>("fresh");
    QTest::addColumn<bool>("popUp");
    QTest::addColumn<bool>("markup");
    QTest::addColumn<QString>("firstSender");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");

    QTest::addRow("three new of four: only the new are named")
        << 1 << 3 << true << false << QString() << QStringLiteral("新着メール 3通")
        << QStringList{line(2), line(3), line(4)}.join(u'\n');
    QTest::addRow("seven new: five named, the rest counted")
        << 0 << 7 << true << false << QString() << QStringLiteral("新着メール 7通")
        << QStringList{line(1), line(2), line(3), line(4), line(5), QStringLiteral("ほか2通")}.join(
               u'\n');
    QTest::addRow("an address in angle brackets survives a service that reads markup")
        << 0 << 1 << true << true << QStringLiteral("山田 <yamada@example.jp>")
        << QStringLiteral("新着メール 1通")
        << QStringLiteral("山田 &lt;yamada@example.jp&gt; — 件名1-1");
    QTest::addRow("a mailbox counted new with nothing unseen tells the whole list")
        << 2 << 0 << true << false << QString() << QStringLiteral("2通のメールが届いています")
        << QStringList{line(1), line(2)}.join(u'\n');
    QTest::addRow("no notification while new mail does not pop up")
        << 0 << 2 << false << false << QString() << QString() << QString();
}

void DesktopPresenceTest::notificationTellsTheNewMail()
{
    QFETCH(int, seen);
    QFETCH(int, fresh);
    QFETCH(bool, popUp);
    QFETCH(bool, markup);
    QFETCH(QString, firstSender);
    QFETCH(QString, summary);
    QFETCH(QString, body);
    if (!busProblem.isEmpty())
        QSKIP(qPrintable(busProblem));

    BusRig bus;
    if (markup)
        bus.service.capabilities << QStringLiteral("body-markup");
    QVERIFY(bus.start(popUp));
    checkFinds(bus.rig, seen, fresh, firstSender);
    if (!popUp) {
        // A check that does pop up shows that nothing else was on its way.
        bus.rig.set({{"Option1value", QStringLiteral("1")}});
        bus.rig.form->loadoption();
        checkFinds(bus.rig, 0, 1);
    }
    QTRY_COMPARE(bus.service.shown.size(), 1);
    const FakeNotificationService::Shown& shown = bus.service.shown.at(0);
    QCOMPARE(shown.appName, MailForm::appTitle());
    QCOMPARE(shown.summary, popUp ? summary : QStringLiteral("新着メール 1通"));
    QCOMPARE(shown.body, popUp ? body : line(1));
    QVERIFY(shown.actions.contains(QStringLiteral("default")));
}

void DesktopPresenceTest::laterNotificationReplacesAndClickPopsUp()
{
    if (!busProblem.isEmpty())
        QSKIP(qPrintable(busProblem));
    BusRig bus;
    QVERIFY(bus.start(true));
    QList<FakeNotificationService::Shown>& shown = bus.service.shown;
    checkFinds(bus.rig, 0, 1);
    QTRY_COMPARE(shown.size(), 1);
    const uint first = shown.at(0).id;
    QCOMPARE(shown.at(0).replacesId, 0u);
    // Two checks in a row, the second before the reply to the first has
    // come: both replace the notification shown.
    checkFinds(bus.rig, 1, 1);
    checkFinds(bus.rig, 1, 2);
    QTRY_COMPARE(shown.size(), 3);
    QCOMPARE(shown.at(1).replacesId, first);
    QCOMPARE(shown.at(2).replacesId, first);
    QCOMPARE(shown.at(2).body, QStringList({line(2), line(3)}).join(u'\n'));

    MailForm& form = *bus.rig.form;
    form.OkBt_Click();
    bus.service.click(first);
    QTRY_VERIFY(form.isVisible());

    // Once the user has dismissed it, the next one is a new notification.
    bus.service.dismiss(first);
    QTest::qWait(50);
    checkFinds(bus.rig, 3, 1);
    QTRY_COMPARE(shown.size(), 4);
    QCOMPARE(shown.at(3).replacesId, 0u);
}

void DesktopPresenceTest::withoutSessionBusTheCheckerChecksAsBefore()
{
    const QDBusConnection absent = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/tavowatch-bus"), QStringLiteral("absent"));
    QVERIFY(!absent.isConnected());
    DBusDesktopNotifications notifications(MailForm::appTitle(), absent);
    QtTrayIcon tray;
    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("1")}, {"Option5value", QStringLiteral("1")}});
    rig.set({{"accountno", QStringLiteral("1")}});
    MailForm& form = rig.makeForm();
    new DesktopPresence(form, &tray, &notifications);
    QVERIFY(form.Form_Load());
    QCOMPARE(form.windowTitle(), MailForm::appTitle());

    checkFinds(rig, 0, 2);
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("2通のメールが届いています!"));
    QCOMPARE(form.lvwMailBox()->rows(), 3);
}

int main(int argc, char* argv[])
{
    // Never the user's own bus: a private one, or none at all.
    DBusSession bus;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!DBusSession::isInstalled())
        busProblem = QStringLiteral("dbus-daemon is not installed");
    else if (!bus.start())
        busProblem = bus.errorString();
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toLatin1());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    DesktopPresenceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopPresenceTest.moc"
