// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Checker.h"
#include "checker/CheckerContext.h"
#include "checker/MailForm.h"
#include "checker/SignalRelay.h"
#include "checker/platform/CanberraSoundPlayer.h"
#include "checker/platform/DBusDesktopNotifications.h"
#include "checker/platform/MessageBoxPrompter.h"
#include "checker/platform/QProcessRunner.h"
#include "checker/platform/QtTrayIcon.h"
#include "hotkeys/X11HotkeyBackend.h"
#include "hotkeys/X11KeyboardLight.h"
#include "instancelock/InstanceLock.h"
#include "settings/SettingsStore.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    // Qt's own event loop rather than GLib's: a check spends one pass of the
    // loop per POP3 reply, and GLib's pass costs several times as much.
    // Nothing in the checker needs GLib sources.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavowatchl"));
    // No application display name: Qt would append it to every window
    // title, and the captions ("5通のメールが届いています!", "Viewer") must
    // read exactly as the checker sets them.
    QApplication::setDesktopFileName(QStringLiteral("tavowatchl"));
    // The window is hidden most of the time; closing a message box must not
    // end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // Started by startChecker once the window exists, so that a SIGTERM
    // during start-up (even while the first configuration waits for
    // tavoprefs) runs the exit sequence.
    SignalRelay relay;
    InstanceLock lock;
    Settings::SettingsStore store;
    MessageBoxPrompter prompter;
    QProcessRunner processes;
    X11KeyboardLight light;
    CanberraSoundPlayer sound;
    X11HotkeyBackend hotkeys;
    // Where the desktop has neither a tray nor a notification service (or
    // no session bus at all), both stay silent.
    QtTrayIcon tray;
    DBusDesktopNotifications notifications(MailForm::appTitle());
    const CheckerContext context{
        prompter, processes, light,
        sound,    store,     QCoreApplication::applicationDirPath() + QStringLiteral("/tavoprefs")};

    std::unique_ptr<MailForm> form =
        Checker::startChecker(lock, context, &relay, &hotkeys, &tray, &notifications);
    if (!form)
        return EXIT_FAILURE;
    QObject::connect(form.get(), &MailForm::checkerEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return QApplication::exec();
}
