// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ChildServer.h"

#include <QDir>
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
        m_server.process().setProcessEnvironment(environment);
        // -n: no default.pa, so nothing but the two modules below is loaded.
        const QStringList arguments{
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
        };
        if (!m_server.start(
                program(), arguments, QProcess::StandardError,
                [](const QByteArray& log) { return log.contains("Daemon startup complete"); },
                QStringLiteral("pulseaudio did not start: ")))
            return false;
        m_address = QStringLiteral("unix:") + socket;
        return true;
    }

    void stop() { m_server.stop(); }

    // For PULSE_SERVER or a client's --server.
    QString address() const { return m_address; }
    QString errorString() const { return m_error.isEmpty() ? m_server.errorString() : m_error; }

private:
    static QString program() { return QStringLiteral("pulseaudio"); }

    QTemporaryDir m_dir;
    ChildServer m_server;
    QString m_address;
    QString m_error;
};
