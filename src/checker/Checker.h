// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class DesktopNotifications;
class HotkeyBackend;
class InstanceLock;
class MailForm;
class SignalRelay;
class TrayIcon;
struct CheckerContext;

namespace Checker {

// Starts the checker: refuses to run beside another instance (telling the
// user "既に起動しています"), creates the hidden main window, routes the end
// of the desktop session (the session manager's commit request and, through
// relay, SIGTERM and SIGHUP) into its exit sequence, and runs its start-up.
// The relay is started only once the window exists: before that the signals
// simply end the program. With hotkeys, the six global keys are registered
// through it; with tray and notifications, the checker shows its tray icon
// and tells about new mail on the desktop. nullptr when the program must
// end now. lock must stay held, and relay, hotkeys, tray, notifications and
// the context's objects alive, for as long as the window lives.
std::unique_ptr<MailForm> startChecker(InstanceLock& lock, const CheckerContext& context,
                                       SignalRelay* relay, HotkeyBackend* hotkeys = nullptr,
                                       TrayIcon* tray = nullptr,
                                       DesktopNotifications* notifications = nullptr);

} // namespace Checker
