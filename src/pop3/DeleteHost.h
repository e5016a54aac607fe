// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/MarkedMailHost.h"

/*
 * What the delete session and its driver need from the checker's main
 * window besides MarkedMailHost: the end of the cycle, which sets
 * `afterDelete`, clears the new-mail flags and starts a check cycle so that
 * the list shows the servers as they now are. Runs once per cycle, from the
 * driver.
 */
class DeleteHost : public virtual MarkedMailHost
{
public:
    virtual void endOfDeletion() = 0;
};
