// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include <functional>

/*
 * The checker's icon in the desktop's tray, for desktops where the hidden
 * window and the global hotkeys are hard to reach. DesktopPresence drives
 * it; the real implementation is QtTrayIcon (QSystemTrayIcon). Where the
 * desktop has no tray every call is silently without effect.
 */
class TrayIcon
{
public:
    virtual ~TrayIcon() = default;

    // Shows the icon with a menu of one entry per text of commands, in
    // order. chosen(index) runs when an entry is chosen, clicked() when the
    // icon itself is clicked; both run on the user-interface thread and may
    // run nested event loops.
    virtual void install(const QStringList& commands, std::function<void(int index)> chosen,
                         std::function<void()> clicked) = 0;
    virtual void setState(const QIcon& icon, const QString& toolTip) = 0;
    // Hides the icon and forgets the handlers given to install.
    virtual void remove() = 0;
};
