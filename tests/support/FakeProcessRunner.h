// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/ProcessRunner.h"

#include <QSet>
#include <QStringList>

#include <functional>

/*
 * Records the programs the checker starts instead of starting them.
 * duringWait runs inside runAndWait() as the waited-for program would, for
 * example writing settings the way tavoprefs does, or calling back into the
 * checker to show that a handler can run nested inside the wait.
 */
class FakeProcessRunner : public ProcessRunner
{
public:
    // Command lines given to startDetached, in order.
    QStringList started;
    // Programs given to runAndWait, in order (recorded before duringWait runs).
    QStringList waited;
    // Paths asked about with fileExists, in order.
    QStringList checkedFiles;

    QSet<QString> existingFiles;
    bool startResult = true;
    // False: runAndWait reports the program as not startable and does not
    // run duringWait.
    bool runResult = true;
    std::function<void(const QString& program)> duringWait;

    bool startDetached(const QString& commandLine) override
    {
        started.append(commandLine);
        return startResult;
    }

    bool runAndWait(const QString& program) override
    {
        waited.append(program);
        if (!runResult)
            return false;
        if (duringWait)
            duringWait(program);
        return true;
    }

    bool fileExists(const QString& path) override
    {
        checkedFiles.append(path);
        return existingFiles.contains(path);
    }
};
