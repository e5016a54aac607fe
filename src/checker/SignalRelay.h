// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

/*
 * Turns SIGTERM and SIGHUP, which the desktop session sends when it ends,
 * into the Qt signal terminationRequested, delivered from the event loop.
 * The signal handler itself only writes one byte into a socket pair (the
 * only thing that is safe there); a socket notifier reads it on the
 * user-interface thread. One instance per process: start() installs the
 * handlers, destruction puts the default ones back. Until start() the
 * signals keep their default action and end the process at once, which is
 * right while there is nothing to store yet.
 */
class SignalRelay : public QObject
{
    Q_OBJECT

public:
    explicit SignalRelay(QObject* parent = nullptr);
    ~SignalRelay() override;

    // Installs the handlers. False when the socket pair could not be made;
    // the signals then keep their default action.
    bool start();
    bool isActive() const { return m_notifier != nullptr; }

signals:
    // signalNumber is SIGTERM or SIGHUP.
    void terminationRequested(int signalNumber);

private:
    void handleActivated();

    QSocketNotifier* m_notifier = nullptr;
};
