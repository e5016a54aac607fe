// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * The POP3 cycle drivers as `mailform` calls them. A driver serves one
 * account per call and is called again by its pause timer (`logontimer`,
 * `retrtimer`, `deltimer`) until it has served the last account; it then
 * runs the window's end step (MailForm::endOfCheck, endOfRetrieval,
 * endOfDeletion). Without drivers the window ends every cycle at once,
 * which is what a cycle with no account to serve does.
 */
class SessionDrivers
{
public:
    virtual ~SessionDrivers() = default;
    virtual void checkNextAccount() = 0;
    virtual void retrNextAccount() = 0;
    virtual void deleNextAccount() = 0;
    // `resetCycle`'s share: ends the open POP3 connection, if any, with QUIT,
    // and cancels the pending pause tick of every driver, so that a cycle
    // begun between two accounts of another is not driven on by that one's
    // pause.
    virtual void subDisConn() = 0;
};
