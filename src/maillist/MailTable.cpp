// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "maillist/MailTable.h"

#include <QHash>

#include "decode/Summary.h"
#include "decode/WholeMessage.h"

#include <QtGlobal>

#include <utility>

void MailTable::redim(int accounts, int messages)
{
    m_entries.clear();
    if (accounts <= 0 || messages <= 0)
        return;
    m_entries.assign(std::size_t(accounts), std::vector<MailRecord>(std::size_t(messages)));
}

void MailTable::growMessages(int account, int messages)
{
    if (account < 1 || account > accountCount() || messages <= messageSlots(account))
        return;
    m_entries[std::size_t(account - 1)].resize(std::size_t(messages));
}

int MailTable::messageSlots(int account) const
{
    if (account < 1 || account > accountCount())
        return 0;
    return int(m_entries[std::size_t(account - 1)].size());
}

bool MailTable::contains(int account, int message) const
{
    return message >= 1 && message <= messageSlots(account);
}

MailRecord& MailTable::entry(int account, int message)
{
    Q_ASSERT(contains(account, message));
    return m_entries.at(std::size_t(account - 1)).at(std::size_t(message - 1));
}

const MailRecord& MailTable::entry(int account, int message) const
{
    Q_ASSERT(contains(account, message));
    return m_entries.at(std::size_t(account - 1)).at(std::size_t(message - 1));
}

const std::vector<MailRecord>& MailTable::messages(int account) const
{
    static const std::vector<MailRecord> none;
    if (account < 1 || account > accountCount())
        return none;
    return m_entries[std::size_t(account - 1)];
}

void MailTable::setMessages(int account, std::vector<MailRecord> entries)
{
    if (account < 1 || account > accountCount())
        return;
    m_entries[std::size_t(account - 1)] = std::move(entries);
}

bool MailTable::storeSummary(int account, int message, const QString& from, const QString& subject,
                             bool attached)
{
    if (!contains(account, message))
        return false;
    storeSummary(entry(account, message), from, subject, attached);
    return true;
}

void MailTable::storeSummary(MailRecord& record, const QString& from, const QString& subject,
                             bool attached)
{
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

std::vector<bool> MailTable::adoptIds(std::vector<MailRecord>& entries,
                                      const std::vector<MailRecord>& listed,
                                      const std::vector<QByteArray>& ids)
{
    std::vector<bool> known(ids.size());
    if (ids.empty()) {
        for (MailRecord& entry : entries)
            entry.Uid.clear();
        return known;
    }
    QHash<QByteArray, std::size_t> byId;
    byId.reserve(qsizetype(listed.size()));
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (!listed[i].Uid.isEmpty())
            byId.insert(listed[i].Uid, i);
    }
    for (std::size_t n = 0; n < ids.size() && n < entries.size(); ++n) {
        const auto found = byId.constFind(ids[n]);
        if (found == byId.constEnd()) {
            entries[n] = MailRecord();
            continue;
        }
        entries[n] = listed[*found];
        entries[n].Mark = 0;
        known[n] = true;
    }
    return known;
}
