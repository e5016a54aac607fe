// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checker/ProcessRunner.h"

/*
 * ProcessRunner over QProcess. Command lines are split with
 * QProcess::splitCommand (double quotes group, a tripled quote is a literal
 * quote) and never pass through a shell.
 *
 * runAndWait() runs a nested QEventLoop of its own, so it may be entered
 * again from a handler running inside it; nested waits return innermost
 * first, each when its own program has ended. It also returns when the
 * application is quitting (QCoreApplication::exit ends every event loop):
 * the program is then left running, not killed, since it may be tavoprefs
 * with the user's unsaved edits.
 */
class QProcessRunner : public ProcessRunner
{
public:
    bool startDetached(const QString& commandLine) override;
    bool runAndWait(const QString& program) override;
    bool fileExists(const QString& path) override;
};
