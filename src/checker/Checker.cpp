// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/Checker.h"

#include "checker/BasKey.h"
#include "checker/CheckScheduler.h"
#include "checker/CheckerContext.h"
#include "checker/DesktopPresence.h"
#include "checker/MailForm.h"
#include "checker/Pop3Drivers.h"
#include "checker/Prompter.h"
#include "checker/SignalRelay.h"
#include "checker/WakeWatcher.h"
#include "instancelock/InstanceLock.h"

#include <QApplication>
#include <QSessionManager>
#include <QWidget>

#include <memory>

namespace Checker {

std::unique_ptr<MailForm> startChecker(InstanceLock& lock, const CheckerContext& context,
                                       SignalRelay* relay, HotkeyBackend* hotkeys, TrayIcon* tray,
                                       DesktopNotifications* notifications)
{
    if (!lock.tryLock()) {
        context.prompter.ask(QStringLiteral("既に起動しています"), MailForm::appTitle(),
                             Prompter::Icon::Information, Prompter::Buttons::Ok);
        return nullptr;
    }

    auto form = std::make_unique<MailForm>(context);
    MailForm* window = form.get();
    // The POP3 sessions must be in place before Form_Load, which may run
    // the first check.
    window->adoptSessionDrivers(std::make_unique<Pop3Drivers>(*window, context.store));
    // Owned by the window; Form_Load hooks and registers the keys.
    if (hotkeys)
        window->setHotkeyHooks(new BasKey(*window, context.prompter, *hotkeys));
    // Before Form_Load, so that the first check already shows on the desktop.
    if (tray || notifications)
        new DesktopPresence(*window, tray, notifications);
    // The end of the desktop session runs the same exit sequence as the exit
    // hotkey, question included, so the sizes are stored.
    if (relay) {
        QObject::connect(relay, &SignalRelay::terminationRequested, window, &MailForm::Endfun);
        relay->start();
    }
    // A session cannot survive the machine's sleep; a check after waking
    // finds what arrived meanwhile, and the schedule counts from it.
    auto* wake = new WakeWatcher(window);
    QObject::connect(wake, &WakeWatcher::sleeping, window, &MailForm::resetCycle);
    QObject::connect(wake, &WakeWatcher::awake, window, [window] {
        window->setAfterDelete(false);
        window->scheduler().restartCount();
        window->checkmail();
    });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, window,
                         [window](QSessionManager& manager) {
                             // Asking needs the session manager's leave; the
                             // answer No keeps the session running.
                             if (window->options().Option7value == 0)
                                 manager.allowsInteraction();
                             window->Endfun();
                             if (!window->hasEnded())
                                 manager.cancel();
                             manager.release();
                         });
    }

    // A box of the start-up (the first configuration, a key that cannot be
    // registered) waits in an event loop of its own. Once the exit sequence
    // has run meanwhile (the end of the desktop session), the box goes and
    // the start-up ends: nobody is left to answer it, and the process must
    // not wait on it.
    auto starting = std::make_shared<bool>(true);
    const QMetaObject::Connection closeBox = QObject::connect(
        window, &MailForm::checkerEnded, window,
        [starting] {
            if (!*starting)
                return;
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        },
        Qt::QueuedConnection);
    const bool loaded = window->Form_Load();
    *starting = false;
    QObject::disconnect(closeBox);
    if (!loaded)
        return nullptr;
    return form;
}

} // namespace Checker
