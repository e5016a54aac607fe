// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "checker/platform/QProcessRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

bool QProcessRunner::startDetached(const QString& commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

bool QProcessRunner::runAndWait(const QString& program)
{
    if (program.isEmpty())
        return false;

    // Owned by itself once started: if the wait is cut short by the
    // application quitting, the process object outlives this call and
    // deletes itself when the program ends.
    auto* process = new QProcess;
    QPointer<QProcess> watched = process;
    QEventLoop loop;
    bool failedToStart = false;

    // finished and errorOccurred(FailedToStart) never both come for one
    // start, but errorOccurred also reports crashes and read errors of a
    // running program: only FailedToStart ends the wait.
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop,
                     [&failedToStart, &loop](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             failedToStart = true;
                             loop.quit();
                         }
                     });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             process->deleteLater();
                     });

    process->setProgram(program);
    // The program shares the checker's standard streams, as a program started
    // from a desktop would.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    process->start();

    // A failure found inside start() has already been signalled; quitting a
    // loop that is not running yet would be lost and the wait would hang.
    if (!failedToStart && watched && watched->state() != QProcess::NotRunning)
        loop.exec();
    // Leaving here while the program still runs (the application is
    // quitting) is fine: the connections to loop end with it.

    return !failedToStart;
}

bool QProcessRunner::fileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}
