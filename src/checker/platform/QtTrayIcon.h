// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/TrayIcon.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

/*
 * TrayIcon over QSystemTrayIcon: Qt speaks the StatusNotifierItem protocol
 * over D-Bus where the desktop offers a watcher for it, else the XEmbed
 * tray of X11, and follows a tray that appears later. Without any tray the
 * icon is simply never seen.
 */
class QtTrayIcon : public QObject, public TrayIcon
{
    Q_OBJECT

public:
    QtTrayIcon();
    ~QtTrayIcon() override;

    void install(const QStringList& commands, std::function<void(int index)> chosen,
                 std::function<void()> clicked) override;
    void setState(const QIcon& icon, const QString& toolTip) override;
    void remove() override;

    // Where the desktop shows the icon; empty while no tray holds it.
    QRect geometry() const { return m_icon.geometry(); }

private:
    QSystemTrayIcon m_icon;
    QMenu m_menu;
    std::function<void(int)> m_chosen;
    std::function<void()> m_clicked;
};
