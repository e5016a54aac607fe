// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ChildServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <memory>

#include <sys/prctl.h>

/*
 * A private session bus for one test (dbus-daemon --session), so that no
 * test ever talks to the user's own desktop. The daemon listens on a fresh
 * socket in /tmp and prints its address once it accepts clients. Stopped
 * when the object is destroyed, and by the system when the test dies
 * without destroying it.
 *
 * Bare, the bus has no service folders: nothing is started on demand (no
 * keyring appears by itself), which also makes it a stand-in system bus on
 * which the test itself owns the services. On it startKeyring runs a real
 * GNOME Keyring daemon with an unlocked login keyring of its own.
 */
class DBusSession
{
public:
    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    enum class Services { Installed, Bare };

    // On failure errorString() says why.
    bool start(Services services = Services::Installed)
    {
        QString kind = QStringLiteral("--session");
        if (services == Services::Bare) {
            QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
            if (!config.open(QIODevice::WriteOnly) || config.write(bareConfig) < 0)
                return false;
            kind = QStringLiteral("--config-file=") + config.fileName();
        }
        m_server.process().setChildProcessModifier(endWithParent);
        if (!m_server.start(
                program(), {kind, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
                QProcess::StandardOutput,
                [](const QByteArray& output) { return output.endsWith('\n'); },
                QStringLiteral("dbus-daemon gave no address: ")))
            return false;
        m_address = QString::fromLatin1(m_server.output().trimmed());
        return true;
    }

    void stop()
    {
        stopKeyring();
        m_server.stop();
    }

    static bool keyringInstalled()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty();
    }

    // GNOME Keyring's Secret Service on this bus, its keyrings in a folder
    // of its own; true once it owns org.freedesktop.secrets.
    bool startKeyring()
    {
        m_keyring = std::make_unique<ChildServer>();
        const QString home = m_dir.filePath(QStringLiteral("keyring"));
        QFile login(m_dir.filePath(QStringLiteral("login")));
        if (!QDir().mkpath(home + QStringLiteral("/run")) || !login.open(QIODevice::WriteOnly) ||
            login.write("login") < 0)
            return false;
        login.close();
        QFile::setPermissions(home + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home);
        environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        QProcess& process = m_keyring->process();
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(login.fileName());
        process.setChildProcessModifier(endWithParent);
        // It says nothing when ready: its name on the bus tells.
        if (!m_keyring->start(
                QStringLiteral("gnome-keyring-daemon"),
                {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                 QStringLiteral("--components=secrets")},
                QProcess::StandardOutput, [](const QByteArray&) { return true; }, QString()))
            return false;
        QDBusConnection probe =
            QDBusConnection::connectToBus(m_address, QStringLiteral("keyring-probe"));
        const QDeadlineTimer deadline(10000);
        bool up = false;
        while (!(up = probe.interface()->isServiceRegistered(
                     QStringLiteral("org.freedesktop.secrets"))) &&
               !deadline.hasExpired() && process.state() == QProcess::Running)
            QThread::msleep(20);
        QDBusConnection::disconnectFromBus(QStringLiteral("keyring-probe"));
        return up;
    }

    void stopKeyring()
    {
        if (m_keyring)
            m_keyring->stop();
    }

    QString address() const { return m_address; }
    QString errorString() const { return m_server.errorString(); }

    // Run in a started child: it gets SIGTERM when the test process ends.
    static void endWithParent() { ::prctl(PR_SET_PDEATHSIG, SIGTERM); }

private:
    static QString program() { return QStringLiteral("dbus-daemon"); }

    static constexpr const char* bareConfig =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
        "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";

    QTemporaryDir m_dir;
    ChildServer m_server;
    std::unique_ptr<ChildServer> m_keyring;
    QString m_address;
};
