// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/SessionHost.h"

#include <QByteArray>
#include <QString>

/*
 * What the retrieve and delete sessions share beyond SessionHost: the marks
 * of the mail list and what the list shows for a message, so that a session
 * can make sure that a message number still stands for the message the user
 * marked. POP3 numbers messages afresh in every session (RFC 1939), and
 * another mail program may have removed messages since the list was built.
 * Accounts and messages are numbered from 1.
 */
class MarkedMailHost : public virtual SessionHost
{
public:
    // The account's name as stored ("Aname" + number), for the caption.
    virtual QString accountName(int account) const = 0;

    // The account's slots in the mail table: the scans for marked messages
    // run up to it.
    virtual int messageSlots(int account) const = 0;
    // `Mark` of the entry: the row carries "○".
    virtual bool isMarked(int account, int message) const = 0;
    // `From` and `Subject` of the entry, as the list shows them.
    virtual QString listedFrom(int account, int message) const = 0;
    virtual QString listedSubject(int account, int message) const = 0;
    // The unique id (UIDL) of the message whose summary the entry shows;
    // empty where the server gave none.
    virtual QByteArray listedId(int account, int message) const = 0;

    // Disables `RetrBt`, `DelBt` and `lvwMailBox` while an account is
    // served, so that the marks cannot change under the session.
    virtual void disableMailList() = 0;
};
