// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/DBusDesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString defaultAction = QStringLiteral("default");

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

DBusDesktopNotifications::DBusDesktopNotifications(const QString& appName,
                                                   const QDBusConnection& bus)
    : m_appName(appName), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(handleActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(handleNotificationClosed(uint, uint)));
}

void DBusDesktopNotifications::notify(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    m_waiting = Notice{summary, body};
    sendWaiting();
}

void DBusDesktopNotifications::sendWaiting()
{
    // One call at a time: the id a reply brings is what the next one replaces.
    if (!m_waiting || m_callPending)
        return;
    if (!m_bodyMarkup) {
        askCapabilities();
        return;
    }
    const Notice notice = *m_waiting;
    m_waiting.reset();
    send(notice);
}

void DBusDesktopNotifications::askCapabilities()
{
    m_callPending = true;
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &DBusDesktopNotifications::handleCapabilities);
}

void DBusDesktopNotifications::handleCapabilities(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    m_callPending = false;
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        // No service now; one that starts later is asked again.
        m_waiting.reset();
        return;
    }
    m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    sendWaiting();
}

void DBusDesktopNotifications::send(const Notice& notice)
{
    QDBusMessage message = call(QStringLiteral("Notify"));
    // Markup would swallow "<yamada@example.jp>" in a sender as a tag.
    const QString body = m_bodyMarkup.value_or(false) ? notice.body.toHtmlEscaped() : notice.body;
    const QVariantMap hints{{QStringLiteral("category"), QStringLiteral("email.arrived")},
                            {QStringLiteral("desktop-entry"), QStringLiteral("tavowatchl")}};
    message << m_appName << m_id << QStringLiteral("tavowatchl") << notice.summary << body
            << QStringList{defaultAction, QStringLiteral("表示")} << hints << qint32(-1);
    m_callPending = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &DBusDesktopNotifications::handleNotified);
}

void DBusDesktopNotifications::handleNotified(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    m_callPending = false;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        // The service has gone: ask a new one about its capabilities.
        m_bodyMarkup.reset();
        m_id = 0;
    } else {
        m_id = reply.value();
    }
    sendWaiting();
}

void DBusDesktopNotifications::handleActionInvoked(uint id, const QString& action)
{
    if (id != 0 && id == m_id && action == defaultAction && m_clicked)
        m_clicked();
}

void DBusDesktopNotifications::handleNotificationClosed(uint id, uint)
{
    if (id == m_id)
        m_id = 0;
}
