// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/DesktopNotifications.h"

#include <QDBusConnection>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;

/*
 * DesktopNotifications over the freedesktop notification service
 * (org.freedesktop.Notifications on the session bus, through QtDBus).
 *
 * Every call is asynchronous: the user-interface thread never waits for
 * the service. The id the service gives a notification is kept and handed
 * back as replaces_id, so that a later notification replaces the earlier
 * one; it is forgotten when the service reports that notification closed.
 * While a call is on its way a newer notification waits for its reply (only
 * the newest is kept), so that it can replace the one just sent instead of
 * stacking beside it. The service's capabilities are asked once, first:
 * where it reads the body as markup, the body is escaped.
 *
 * Without a session bus or without the service nothing is shown and
 * nothing is reported.
 */
class DBusDesktopNotifications : public QObject, public DesktopNotifications
{
    Q_OBJECT

public:
    // appName is what the desktop shows as the sender of the notifications.
    explicit DBusDesktopNotifications(const QString& appName,
                                      const QDBusConnection& bus = QDBusConnection::sessionBus());

    void notify(const QString& summary, const QString& body) override;
    void setClickHandler(std::function<void()> clicked) override { m_clicked = std::move(clicked); }

private slots:
    void handleActionInvoked(uint id, const QString& action);
    void handleNotificationClosed(uint id, uint reason);

private:
    struct Notice
    {
        QString summary;
        QString body;
    };

    void askCapabilities();
    void send(const Notice& notice);
    void sendWaiting();
    void handleCapabilities(QDBusPendingCallWatcher* watcher);
    void handleNotified(QDBusPendingCallWatcher* watcher);

    QString m_appName;
    QDBusConnection m_bus;
    std::function<void()> m_clicked;
    std::optional<Notice> m_waiting;
    std::optional<bool> m_bodyMarkup;
    bool m_callPending = false;
    uint m_id = 0;
};
