// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pop3/SessionHost.h"

#include <QByteArray>
#include <QtGlobal>

#include <vector>

/*
 * What the check session and its driver need from the checker's main
 * window besides SessionHost: the per-account figures of the
 * last STAT, the new-mail flags, the mail table and the end of the cycle.
 * Accounts and messages are numbered from 1.
 */
class CheckHost : public virtual SessionHost
{
public:
    // `afterDelete`: the running cycle follows a deletion, so that with
    // Option6value on no account counts as having new mail.
    virtual bool afterDelete() const = 0;

    // `mailCount` and `lastSize` of an account: the message count and the
    // mailbox size in octets of its last STAT. Kept across cycles.
    virtual int mailCount(int account) const = 0;
    virtual void setMailCount(int account, int count) = 0;
    virtual qint64 lastSize(int account) const = 0;
    virtual void setLastSize(int account, qint64 size) = 0;

    // Sets `newMailFlg` of the account: it has new mail in this cycle.
    virtual void setNewMailFlg(int account) = 0;

    // Gives the account room for at least messages in the mail table,
    // keeping its entries. It never shrinks.
    virtual void growMailTable(int account, int messages) = 0;

    // The account's unique ids in this check (ids[n - 1] for message n;
    // empty when the server gave none): a message whose id the mail table
    // holds takes that entry as it is (sender, subject, attachments, a
    // retrieved body; the mark cleared), every other entry of the account
    // starts afresh with its id. Returns which messages took an entry: they
    // need no summary. Runs after growMailTable.
    virtual std::vector<bool> adoptIds(int account, const std::vector<QByteArray>& ids) = 0;

    // `subListSet`: one complete TOP response (status line through the "."
    // line, NULs already replaced by CR LF) for message `message` of
    // `account`; the host decodes sender and subject and stores them for the
    // list that the end of the check shows. Runs once per message, after the
    // session has ended.
    // id is the message's unique id, empty without one.
    virtual void subListSet(int account, int message, const QByteArray& replyBuf,
                            const QByteArray& id) = 0;

    // The end-of-check steps: the list rebuilt, the caption with the
    // message count, the new-mail notification, `checktimer` re-enabled.
    // Runs once per cycle, from the driver, never inside a socket handler.
    virtual void endOfCheck() = 0;
};
