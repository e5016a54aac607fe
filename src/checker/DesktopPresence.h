// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class DesktopNotifications;
class MailForm;
class TrayIcon;

/*
 * The checker on today's desktops: its tray icon and its new-mail
 * notification, beside the hidden window and the global hotkeys.
 *
 * The tray icon shows the number of listed messages and whether new mail is
 * flagged, in its picture and its tool tip, as the end of every check left
 * them; its menu offers the six hotkey commands in the hotkeys' words, each
 * running exactly what its hotkey runs, and a click on the icon pops the
 * window up as the pop-up hotkey does. When new mail pops the window up, a
 * notification tells the number of new messages with up to five senders
 * and subjects; clicking it pops the window up too.
 *
 * Lives as a child of the window it serves. Either device may be nullptr;
 * both must outlive this object.
 */
class DesktopPresence : public QObject
{
    Q_OBJECT

public:
    // Senders and subjects a notification names at most.
    static constexpr int listedInNotification = 5;

    DesktopPresence(MailForm& form, TrayIcon* tray, DesktopNotifications* notifications);
    ~DesktopPresence() override;

    // The tray's tool tip for listed messages, new mail flagged or not.
    static QString toolTip(int listed, bool newMail);
    // The tray's picture: the checker's icon with the count on it, red
    // while new mail is flagged.
    static QIcon trayPicture(int listed, bool newMail);

private:
    void updateTray();
    void notifyNewMail();

    MailForm& m_form;
    TrayIcon* m_tray;
    DesktopNotifications* m_notifications;
};
