// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/WakeWatcher.h"

#include <QDBusConnection>

WakeWatcher::WakeWatcher(QObject* parent) : QObject(parent)
{
    m_wakeDelay.setSingleShot(true);
    m_wakeDelay.setInterval(wakeDelay);
    connect(&m_wakeDelay, &QTimer::timeout, this, &WakeWatcher::awake);

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    // Match rules only: a service that is not running simply never sends.
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                this, SLOT(handlePrepareForSleep(bool)));
    bus.connect(QStringLiteral("org.freedesktop.NetworkManager"),
                QStringLiteral("/org/freedesktop/NetworkManager"),
                QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("StateChanged"),
                this, SLOT(handleNetworkState(uint)));
}

void WakeWatcher::handlePrepareForSleep(bool start)
{
    if (start) {
        m_wakeDelay.stop();
        emit sleeping();
    } else {
        m_wakeDelay.start();
    }
}

void WakeWatcher::handleNetworkState(uint state)
{
    if (state == connectedGlobal)
        m_wakeDelay.start();
}
