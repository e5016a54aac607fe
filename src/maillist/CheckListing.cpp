// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/CheckListing.h"

#include "maillist/AccountTables.h"
#include "maillist/MailTable.h"

#include <utility>

void CheckListing::setMailCount(int account, int count)
{
    m_accounts[account].mailCount = count;
}

void CheckListing::setLastSize(int account, qint64 size)
{
    m_accounts[account].lastSize = size;
}

void CheckListing::growMessages(const MailTable& table, int account, int messages)
{
    if (account < 1 || account > table.accountCount())
        return;
    std::optional<std::vector<MailRecord>>& entries = m_accounts[account].entries;
    if (!entries)
        entries = table.messages(account);
    if (std::size_t(messages) > entries->size())
        entries->resize(std::size_t(messages));
}

std::vector<bool> CheckListing::adoptIds(const MailTable& table, int account,
                                         const std::vector<QByteArray>& ids)
{
    const auto found = m_accounts.find(account);
    if (found == m_accounts.end() || !found->second.entries)
        return std::vector<bool>(ids.size());
    return MailTable::adoptIds(*found->second.entries, table.messages(account), ids);
}

bool CheckListing::storeSummary(int account, int message, const QString& from,
                                const QString& subject, bool attached, const QByteArray& id)
{
    const auto found = m_accounts.find(account);
    if (found == m_accounts.end() || !found->second.entries || message < 1 ||
        std::size_t(message) > found->second.entries->size())
        return false;
    MailRecord& entry = (*found->second.entries)[std::size_t(message - 1)];
    MailTable::storeSummary(entry, from, subject, attached);
    entry.Uid = id;
    return true;
}

void CheckListing::commit(MailTable& table, AccountTables& accounts)
{
    for (auto& [account, found] : m_accounts) {
        if (!accounts.contains(account))
            continue;
        AccountState& state = accounts[account];
        if (found.mailCount)
            state.mailCount = *found.mailCount;
        if (found.lastSize)
            state.lastSize = *found.lastSize;
        if (found.entries)
            table.setMessages(account, std::move(*found.entries));
    }
    m_accounts.clear();
}
