// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "maillist/MailRecord.h"

#include <QtGlobal>

#include <map>
#include <optional>
#include <vector>

class AccountTables;
class MailTable;

/*
 * What a running check has found, account by account, kept apart from the
 * mail table until the check ends. The grid shows the mail table, and the
 * retrieve and delete commands compare the server's message with the entry
 * of the row the user marked: were an account's new summaries stored while
 * other accounts are still being checked, a row could stand for one message
 * while its entry holds another, and the wrong message would be deleted.
 * So the table, and the per-account counts that describe it, change only
 * together with the grid, when the check commits its listing.
 *
 * Owned by the main window; the check session fills it through its host,
 * the end of the check commits it, and every new cycle or emptied table
 * drops it.
 */
class CheckListing
{
public:
    // The STAT figures of the account in this check.
    void setMailCount(int account, int count);
    void setLastSize(int account, qint64 size);

    // Gives the account's new entries room for at least messages, starting
    // from what the table holds for it, so that an unchanged message keeps
    // its retrieved body.
    void growMessages(const MailTable& table, int account, int messages);
    // MailTable::adoptIds for the account's new entries, from the entries
    // the table holds for it.
    std::vector<bool> adoptIds(const MailTable& table, int account,
                               const std::vector<QByteArray>& ids);
    // MailTable::storeSummary for the account's new entries, and the id of
    // the message it is the summary of; false when the account's entries
    // were not grown to hold message.
    bool storeSummary(int account, int message, const QString& from, const QString& subject,
                      bool attached, const QByteArray& id);

    // Moves everything found into the table and the account tables (only
    // for the accounts that they still hold) and starts empty again.
    void commit(MailTable& table, AccountTables& accounts);
    void clear() { m_accounts.clear(); }
    bool isEmpty() const { return m_accounts.empty(); }

private:
    struct Account
    {
        std::optional<int> mailCount;
        std::optional<qint64> lastSize;
        std::optional<std::vector<MailRecord>> entries;
    };
    std::map<int, Account> m_accounts;
};
