// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
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
    ~XvfbServer() { stop(); }

    static bool isInstalled() { return !QStandardPaths::findExecutable(program()).isEmpty(); }

    // Starts the server with one screen of screen ("WxHxDepth") and waits
    // until it accepts clients. On failure errorString() says why.
    bool start(const QString& screen = QStringLiteral("640x480x24"))
    {
        m_process.setProgram(program());
        m_process.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                                QStringLiteral("-screen"), QStringLiteral("0"), screen,
                                QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted()) {
            m_error = m_process.errorString();
            return false;
        }
        // Xvfb writes the display number and a newline once it listens.
        const QDeadlineTimer deadline(20000);
        QByteArray number;
        while (!number.endsWith('\n')) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                m_error = QStringLiteral("Xvfb gave no display number: ") +
                          QString::fromLocal8Bit(m_process.readAllStandardError());
                stop();
                return false;
            }
            if (m_process.waitForReadyRead(int(deadline.remainingTime())))
                number += m_process.readAllStandardOutput();
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
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

    // ":<n>", for xcb_connect or DISPLAY.
    QString display() const { return m_display; }
    QString errorString() const { return m_error; }

private:
    static QString program() { return QStringLiteral("Xvfb"); }

    QProcess m_process;
    QString m_display;
    QString m_error;
};
