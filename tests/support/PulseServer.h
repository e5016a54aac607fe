// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

/*
 * A private PulseAudio daemon for one test, run as a plain user process in
 * a temporary folder: one null sink (named "null", its monitor source
 * "null.monitor") and a native-protocol socket that accepts any client.
 * No sound card, no D-Bus, no autospawn, no state in the user's home.
 * Stopped when the object is destroyed.
 */
class PulseServer
{
public:
    ~PulseServer() { stop(); }

    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    bool start()
    {
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary folder");
            return false;
        }
        const QString socket = m_dir.filePath(QStringLiteral("native"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The daemon keeps its cookie, state and runtime files under these.
        environment.insert(QStringLiteral("HOME"), m_dir.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"),
                           m_dir.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("PULSE_STATE_PATH"),
                           m_dir.filePath(QStringLiteral("state")));
        environment.remove(QStringLiteral("PULSE_SERVER"));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("DISPLAY"));
        m_process.setProcessEnvironment(environment);
        m_process.setProgram(program());
        m_process.setReadChannel(QProcess::StandardError);
        // -n: no default.pa, so nothing but the two modules below is loaded.
        m_process.setArguments({
            QStringLiteral("-n"),
            QStringLiteral("--daemonize=no"),
            QStringLiteral("--exit-idle-time=-1"),
            QStringLiteral("--use-pid-file=no"),
            QStringLiteral("--system=no"),
            QStringLiteral("--disable-shm=yes"),
            QStringLiteral("--realtime=no"),
            QStringLiteral("--high-priority=no"),
            QStringLiteral("--log-target=stderr"),
            QStringLiteral("--log-level=info"),
            QStringLiteral("-L"),
            QStringLiteral("module-null-sink"),
            QStringLiteral("-L"),
            QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket,
        });
        m_process.start();
        if (!m_process.waitForStarted()) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(20000);
        QByteArray log;
        while (!log.contains("Daemon startup complete")) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                m_error =
                    QStringLiteral("pulseaudio did not start: ") + QString::fromLocal8Bit(log);
                stop();
                return false;
            }
            if (m_process.waitForReadyRead(int(deadline.remainingTime())))
                log += m_process.readAllStandardError();
        }
        m_address = QStringLiteral("unix:") + socket;
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

    // For PULSE_SERVER or a client's --server.
    QString address() const { return m_address; }
    QString errorString() const { return m_error; }

private:
    static QString program() { return QStringLiteral("pulseaudio"); }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    QString m_error;
};
