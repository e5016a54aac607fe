// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The tray icon and the notification on a real desktop of their own: a
// private Xvfb and session bus, an XEmbed tray (trayer) and a notification
// daemon (dunst), all started by this test before QApplication connects.
#include "CheckerRig.h"

#include "checker/DesktopPresence.h"
#include "checker/platform/DBusDesktopNotifications.h"
#include "checker/platform/QtTrayIcon.h"
#include "support/DBusSession.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QString desktopProblem;

// Notifications the daemon shows now; -1 when it cannot be asked.
int displayedNotifications()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.dunstproject.cmd0") << QStringLiteral("displayedLength");
    const QDBusReply<QDBusVariant> reply = QDBusConnection::sessionBus().call(get);
    return reply.isValid() ? reply.value().variant().toInt() : -1;
}

bool click(QPoint at, int button = 1)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                   QStringLiteral("click"), QString::number(button)});
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

} // namespace

class DesktopX11Test : public QObject
{
    Q_OBJECT

private slots:
    void newMailOnTheTrayAndAsANotification();
};

void DesktopX11Test::newMailOnTheTrayAndAsANotification()
{
    if (!desktopProblem.isEmpty())
        QSKIP(qPrintable(desktopProblem));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(displayedNotifications(), 0, 20000);

    QtTrayIcon tray;
    DBusDesktopNotifications notifications(MailForm::appTitle());
    CheckerRig rig;
    rig.set({{"Option1value", QStringLiteral("1")}});
    MailForm& form = rig.started(2);
    new DesktopPresence(form, &tray, &notifications);
    QTRY_VERIFY_WITH_TIMEOUT(!tray.geometry().isEmpty(), 10000);

    // A check that found Japanese mail, two messages of it new.
    form.mailTable().growMessages(1, 3);
    const QStringList from{QStringLiteral("山田太郎 <yamada@example.jp>"),
                           QStringLiteral("佐藤花子 <hanako@example.co.jp>"),
                           QStringLiteral("鈴木一郎 <suzuki@example.net>")};
    const QStringList subject{QStringLiteral("会議の議事録について"),
                              QStringLiteral("見積書の送付（再送）"),
                              QStringLiteral("Re: 来週の予定")};
    for (int m = 1; m <= 3; ++m) {
        form.mailTable().entry(1, m).From = from.at(m - 1);
        form.mailTable().entry(1, m).Subject = subject.at(m - 1);
    }
    form.accounts()[1].mailCount = 3;
    form.accounts()[1].listedCount = 1;
    form.accounts()[1].newMailFlg = true;
    form.setMailTotal(3);
    // Below the notification's corner, as a window manager would not do.
    form.move(0, 220);
    form.endOfCheck();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE_WITH_TIMEOUT(displayedNotifications(), 1, 10000);

    // The next check replaces the notification instead of adding one.
    form.accounts()[1].listedCount = 1;
    form.endOfCheck();
    QTest::qWait(300);
    QCOMPARE(displayedNotifications(), 1);

    const QString folder = qEnvironmentVariable("TAVOWATCH_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QTest::qWait(300); // the daemon draws after it has answered
        const QPixmap shot = form.screen()->grabWindow(0);
        const QString file = folder + QStringLiteral("/tray-notification.png");
        QVERIFY(shot.save(file));
        qInfo("screenshot: %s", qPrintable(file));
    }

    // A click on the icon in the tray pops the hidden window up.
    form.OkBt_Click();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(click(tray.geometry().center()));
    QTRY_VERIFY(form.isVisible());

    // The icon's menu holds the hotkey commands; its pop-up entry does the same.
    form.OkBt_Click();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(click(tray.geometry().center(), 3));
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
    QCOMPARE(menu->actions().size(), 6);
    QAction* popUp = menu->actions().at(2);
    QCOMPARE(popUp->text(), QStringLiteral("ポップアップ"));
    QVERIFY(click(menu->mapToGlobal(menu->actionGeometry(popUp).center())));
    QTRY_VERIFY(form.isVisible());
}

int main(int argc, char* argv[])
{
    XvfbServer xvfb;
    DBusSession bus;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> desktop;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    const QStringList needed{QStringLiteral("Xvfb"), QStringLiteral("dbus-daemon"),
                             QStringLiteral("trayer"), QStringLiteral("dunst"),
                             QStringLiteral("xdotool")};
    for (const QString& program : needed) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            desktopProblem = program + QStringLiteral(" is not installed");
    }
    if (desktopProblem.isEmpty() && !xvfb.start(QStringLiteral("960x560x24")))
        desktopProblem = xvfb.errorString();
    if (desktopProblem.isEmpty() && !bus.start())
        desktopProblem = bus.errorString();
    if (desktopProblem.isEmpty()) {
        qputenv("DISPLAY", xvfb.display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toLatin1());
        QFile config(dir.filePath(QStringLiteral("dunstrc")));
        if (config.open(QIODevice::WriteOnly))
            config.write(
                "[global]\nfont = IPAGothic 10\nwidth = 400\nword_wrap = yes\norigin = top-right\n"
                "offset = 12x12\nframe_width = 1\nframe_color = \"#5a6070\"\n"
                "format = \"<b>%s</b>\\n%b\"\nicon_position = off\nshow_indicators = no\n"
                "[urgency_normal]\nbackground = \"#f4f4f0\"\nforeground = \"#202020\"\n"
                "timeout = 0\n");
        config.close();
        const QStringList programs{
            QStringLiteral("trayer --edge bottom --align right --widthtype request --height 32 "
                           "--SetDockType false --SetPartialStrut false --transparent false "
                           "--margin 8 --distance 8 --padding 4"),
            QStringLiteral("dunst -config ") + config.fileName()};
        for (const QString& line : programs) {
            const QStringList command = line.split(u' ');
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->setChildProcessModifier(DBusSession::endWithParent);
            process->start(command.first(), command.mid(1));
            desktop.push_back(std::move(process));
        }
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        DesktopX11Test test;
        result = QTest::qExec(&test, argc, argv);
    }
    for (auto& process : desktop) {
        process->terminate();
        process->waitForFinished(5000);
    }
    return result;
}

#include "DesktopX11Test.moc"
