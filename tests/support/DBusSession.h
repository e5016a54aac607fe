// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
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
    ~DBusSession() { stop(); }

    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    // On failure errorString() says why.
    bool start()
    {
        m_process.setProgram(program());
        m_process.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        m_process.setChildProcessModifier(endWithParent);
        m_process.start();
        if (!m_process.waitForStarted()) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(20000);
        QByteArray line;
        while (!line.endsWith('\n')) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                m_error = QStringLiteral("dbus-daemon gave no address: ") +
                          QString::fromLocal8Bit(m_process.readAllStandardError());
                stop();
                return false;
            }
            if (m_process.waitForReadyRead(int(deadline.remainingTime())))
                line += m_process.readAllStandardOutput();
        }
        m_address = QString::fromLatin1(line.trimmed());
        return true;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QString address() const { return m_address; }
    QString errorString() const { return m_error; }

    // Run in a started child: it gets SIGTERM when the test process ends.
    static void endWithParent() { ::prctl(PR_SET_PDEATHSIG, SIGTERM); }

private:
    static QString program() { return QStringLiteral("dbus-daemon"); }

    QProcess m_process;
    QString m_address;
    QString m_error;
};
