// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/*
 * Starts other programs for the checker: the configured mail programs
 * (detached, never through a shell) and tavoprefs (waited for while events
 * keep being processed). The real implementation is QProcessRunner.
 */
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;

    // Splits commandLine like a shell would quote it (QProcess::splitCommand)
    // and starts it detached. False when it could not be started.
    virtual bool startDetached(const QString& commandLine) = 0;

    // Starts program without arguments and returns only when it has ended,
    // processing events meanwhile (a nested event loop: handlers that run
    // inside it must be safe to enter twice). False when it could not be
    // started; true when it ran and ended, whatever its exit code.
    virtual bool runAndWait(const QString& program) = 0;

    // A path is taken to exist when it names an existing file or folder.
    virtual bool fileExists(const QString& path) = 0;
};
