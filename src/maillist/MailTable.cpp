// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailTable.h"

#include "decode/Summary.h"
#include "decode/WholeMessage.h"

#include <QtGlobal>

void MailTable::redim(int accounts, int messages)
{
    m_entries.clear();
    if (accounts <= 0 || messages <= 0) {
        m_accounts = 0;
        m_messages = 0;
        return;
    }
    m_accounts = accounts;
    m_messages = messages;
    m_entries.resize(std::size_t(accounts) * std::size_t(messages));
}

void MailTable::growMessages(int messages)
{
    if (messages <= m_messages || m_accounts == 0)
        return;
    // Account-major storage: every account's run moves, so copy into a new
    // table rather than inserting in place.
    std::vector<MailRecord> grown(std::size_t(m_accounts) * std::size_t(messages));
    for (int a = 0; a < m_accounts; ++a) {
        for (int m = 0; m < m_messages; ++m) {
            grown[std::size_t(a) * std::size_t(messages) + std::size_t(m)] =
                std::move(m_entries[std::size_t(a) * std::size_t(m_messages) + std::size_t(m)]);
        }
    }
    m_entries = std::move(grown);
    m_messages = messages;
}

bool MailTable::contains(int account, int message) const
{
    return account >= 1 && account <= m_accounts && message >= 1 && message <= m_messages;
}

MailRecord& MailTable::entry(int account, int message)
{
    Q_ASSERT(contains(account, message));
    return m_entries.at(std::size_t(account - 1) * std::size_t(m_messages) +
                        std::size_t(message - 1));
}

const MailRecord& MailTable::entry(int account, int message) const
{
    Q_ASSERT(contains(account, message));
    return m_entries.at(std::size_t(account - 1) * std::size_t(m_messages) +
                        std::size_t(message - 1));
}

bool MailTable::storeSummary(int account, int message, const QString& from, const QString& subject,
                             bool attached)
{
    if (!contains(account, message))
        return false;
    MailRecord& record = entry(account, message);
    // POP3 numbers messages afresh in every session (RFC 1939): when sender
    // or subject changed, the number now belongs to another message and the
    // body retrieved for the old one must not be shown for it.
    if (record.From != from || record.Subject != subject)
        record.Body.clear();
    // A retrieval has seen the named parts; the summary only guesses from
    // "boundary=". While the retrieved body stays, its finding stands.
    if (record.Body.isEmpty())
        record.Attached = attached ? -1 : 0;
    record.From = from;
    record.Subject = subject;
    record.Mark = 0;
    return true;
}

bool MailTable::storeWholeMessage(int account, int message, const QString& body, bool attached,
                                  const QString& attachNames)
{
    if (!contains(account, message))
        return false;
    MailRecord& record = entry(account, message);
    record.Body = body;
    record.Attached = attached ? -1 : 0;
    record.AttachNames = attachNames;
    return true;
}

bool MailTable::storeSummary(int account, int message, const Decode::Summary& summary)
{
    return storeSummary(account, message, summary.From, summary.Subject, summary.Attached);
}

bool MailTable::storeWholeMessage(int account, int message, const Decode::WholeMessage& whole)
{
    return storeWholeMessage(account, message, whole.Body, whole.Attached, whole.AttachNames);
}
