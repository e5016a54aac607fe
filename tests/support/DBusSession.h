// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ChildServer.h"

#include <QStandardPaths>
#include <QString>

#include <csignal>

#include <sys/prctl.h>

/*
 * A private session bus for one test (dbus-daemon --session), so that no
 * test ever talks to the user's own desktop. The daemon listens on a fresh
 * socket in /tmp and prints its address once it accepts clients. Stopped
 * when the object is destroyed, and by the system when the test dies
 * without destroying it.
 */
class DBusSession
{
public:
    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    // On failure errorString() says why.
    bool start()
    {
        m_server.process().setChildProcessModifier(endWithParent);
        if (!m_server.start(
                program(),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")},
                QProcess::StandardOutput,
                [](const QByteArray& output) { return output.endsWith('\n'); },
                QStringLiteral("dbus-daemon gave no address: ")))
            return false;
        m_address = QString::fromLatin1(m_server.output().trimmed());
        return true;
    }

    void stop() { m_server.stop(); }

    QString address() const { return m_address; }
    QString errorString() const { return m_server.errorString(); }

    // Run in a started child: it gets SIGTERM when the test process ends.
    static void endWithParent() { ::prctl(PR_SET_PDEATHSIG, SIGTERM); }

private:
    static QString program() { return QStringLiteral("dbus-daemon"); }

    ChildServer m_server;
    QString m_address;
};
