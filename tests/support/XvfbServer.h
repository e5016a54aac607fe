// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ChildServer.h"

#include <QStandardPaths>
#include <QString>

/*
 * A private X server for one test: Xvfb picks a free display number itself
 * (-displayfd), since other programs on the machine may hold any fixed one.
 * Stopped when the object is destroyed.
 */
class XvfbServer
{
public:
    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    // Starts the server with one screen of screen ("WxHxDepth") and waits
    // until it accepts clients. On failure errorString() says why.
    bool start(const QString& screen = QStringLiteral("640x480x24"))
    {
        // Xvfb writes the display number and a newline once it listens.
        if (!m_server.start(
                program(),
                {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                 QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                QProcess::StandardOutput,
                [](const QByteArray& output) { return output.endsWith('\n'); },
                QStringLiteral("Xvfb gave no display number: ")))
            return false;
        m_display = QLatin1Char(':') + QString::fromLatin1(m_server.output().trimmed());
        return true;
    }

    // For a test executable whose QApplication is to connect to this server:
    // starts it and points DISPLAY and QT_QPA_PLATFORM at it, before the
    // QApplication exists. Empty when it runs, else why not (tests then skip).
    QString startForThisProcess(const QString& screen = QStringLiteral("640x480x24"))
    {
        if (!isInstalled())
            return QStringLiteral("Xvfb is not installed");
        if (!start(screen))
            return errorString();
        qputenv("DISPLAY", m_display.toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
        return QString();
    }

    void stop() { m_server.stop(); }

    // ":<n>", for xcb_connect or DISPLAY.
    QString display() const { return m_display; }
    QString errorString() const { return m_server.errorString(); }

private:
    static QString program() { return QStringLiteral("Xvfb"); }

    ChildServer m_server;
    QString m_display;
};
