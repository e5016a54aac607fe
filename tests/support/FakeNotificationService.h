// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

/*
 * A stand-in for the desktop's notification service on a private bus: it
 * owns org.freedesktop.Notifications, records every Notify, gives ids the
 * way a real service does (a replaced notification keeps its id) and lets
 * the test click a notification (ActionInvoked "default") or close it.
 */
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        uint replacesId = 0;
        uint id = 0;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
    };

    QList<Shown> shown;
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};

    // Registers on bus; false when the name is taken or the bus is absent.
    bool registerOn(QDBusConnection bus)
    {
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllSignals) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    void click(uint id) { emit ActionInvoked(id, QStringLiteral("default")); }
    // Reason 2: dismissed by the user.
    void dismiss(uint id) { emit NotificationClosed(id, 2); }

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int)
    {
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        shown.append(Shown{replacesId, id, appName, summary, body, actions});
        return id;
    }
    QStringList GetCapabilities() { return capabilities; }
    void CloseNotification(uint id) { emit NotificationClosed(id, 3); }

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    uint m_lastId = 0;
};
