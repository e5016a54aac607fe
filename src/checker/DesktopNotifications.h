// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

/*
 * The desktop's pop-up notifications, for telling about new mail where the
 * popped-up window may go unseen. DesktopPresence drives it; the real
 * implementation is DBusDesktopNotifications (the freedesktop notification
 * service). Without such a service notify() does nothing.
 */
class DesktopNotifications
{
public:
    virtual ~DesktopNotifications() = default;

    // Shows summary and body (plain text). A notification this object
    // showed before and the desktop still shows is replaced, not stacked.
    virtual void notify(const QString& summary, const QString& body) = 0;
    // Runs when the user clicks the notification shown last.
    virtual void setClickHandler(std::function<void()> clicked) = 0;
};
