// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

/*
 * What every private server of the tests (Xvfb, dbus-daemon, pulseaudio)
 * does around its own arguments: the program started, one output channel
 * read until the server says it is ready, and the server terminated (killed
 * after 5 s) when the test is done or when it did not come up.
 */
class ChildServer
{
public:
    ~ChildServer() { stop(); }

    // Set up the process (environment, child modifier) before start.
    QProcess& process() { return m_process; }

    // Starts program and reads channel until ready(what it read so far)
    // holds, at most 20 s. On failure errorString() is failure followed by
    // what the server wrote.
    bool start(const QString& program, const QStringList& arguments,
               QProcess::ProcessChannel channel,
               const std::function<bool(const QByteArray&)>& ready, const QString& failure)
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setReadChannel(channel);
        m_process.start();
        if (!m_process.waitForStarted()) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(20000);
        while (!ready(m_output)) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                m_error = failure + QString::fromLocal8Bit(m_output) +
                          QString::fromLocal8Bit(m_process.readAllStandardError());
                stop();
                return false;
            }
            if (m_process.waitForReadyRead(int(deadline.remainingTime())))
                m_output += m_process.readAll();
        }
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

    // What the server wrote on its channel until it was ready.
    const QByteArray& output() const { return m_output; }
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_error;
};
