// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/*
 * The part of one session kind that Pop3Connection calls while that kind
 * runs on the connection: its reply handling, its error exit and its share
 * of the time-out. CheckSession is the check kind; the retrieve and delete
 * kinds plug in the same way.
 */
class SessionHandler
{
public:
    virtual ~SessionHandler() = default;

    // The reply handling of the session's notification handler
    // (`txtSockIn_KeyDown` and its kin) for one received chunk, which has
    // already been appended to `replyBuf`. A chunk that starts a reply holds
    // at least its complete status line.
    virtual void handleSockIn(const QByteArray& chunk) = 0;

    // The session's error exit after a receive error or any other failure
    // that ends the connection (already closed, phase idle), or after a
    // negative reply (connection still open). text is what the user is told.
    virtual void errorExit(const QString& text) = 0;

    // The connection ended the session without anything to report here (a
    // certificate question has been asked instead, or was answered No
    // before): the kind's own steps after a failure, its box left out.
    virtual void quietExit() = 0;

    // The time-out gave up on the session (QUIT attempted): the kind's own
    // steps, that is its caption and the start of its driver's pause timer.
    virtual void timedOut() = 0;
};
