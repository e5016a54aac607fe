// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/MarkedMailHost.h"

namespace Decode {
struct WholeMessage;
}

/*
 * What the retrieve session and its driver need from the checker's main
 * window besides MarkedMailHost: the fetched bodies and the end of the
 * cycle.
 */
class RetrieveHost : public virtual MarkedMailHost
{
public:
    // Whether the entry's `Body` holds a retrieved message already.
    virtual bool hasBody(int account, int message) const = 0;

    // `subListSet2`: stores a retrieved message (body, attachment flag and
    // names) in the entry. Called only for a message whose sender and
    // subject are those the list shows.
    virtual void subListSet2(int account, int message, const Decode::WholeMessage& whole) = 0;

    // The end of the cycle: marks cleared, caption put back, list enabled,
    // pointer back to the default. Runs once per cycle, from the driver.
    virtual void endOfRetrieval() = 0;
};
