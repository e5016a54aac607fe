// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

/*
 * Tells the checker when the machine goes to sleep and when it is back on
 * the network, from the system bus: logind's
 * org.freedesktop.login1.Manager.PrepareForSleep (true before sleeping,
 * false after waking) and NetworkManager's StateChanged reaching
 * NM_STATE_CONNECTED_GLOBAL (it is sent only on a change, so the state was
 * another one before). `awake` follows a wake or a new connection by
 * wakeDelay, since the network needs a moment after a resume; another one
 * meanwhile starts the wait again, and going to sleep cancels it.
 *
 * Without a system bus, logind or NetworkManager nothing is ever emitted,
 * and nothing is said about it.
 */
class WakeWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds wakeDelay{5000};
    // NetworkManager's NM_STATE_CONNECTED_GLOBAL.
    static constexpr uint connectedGlobal = 70;

    explicit WakeWatcher(QObject* parent = nullptr);

signals:
    // The machine is about to sleep: a connection open now will not survive.
    void sleeping();
    // wakeDelay after a wake or a new connection.
    void awake();

private slots:
    void handlePrepareForSleep(bool start);
    void handleNetworkState(uint state);

private:
    QTimer m_wakeDelay;
};
