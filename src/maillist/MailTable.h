// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "maillist/MailRecord.h"

#include <vector>

namespace Decode {
struct Summary;
struct WholeMessage;
} // namespace Decode

/*
 * The mail table: MailRecord entries indexed by account number (1-based)
 * and POP3 message number (1-based). Created with 10 message slots per
 * account; a check that finds more messages grows the message dimension,
 * keeping every account's entries. It never shrinks except by redim.
 */
class MailTable
{
public:
    static constexpr int initialMessageSlots = 10;

    // Discards every entry and makes room for accounts 1..accounts and
    // messages 1..messages. With 0 accounts the table is empty.
    void redim(int accounts, int messages = initialMessageSlots);
    // Grows the message dimension to at least messages, keeping entries.
    void growMessages(int messages);

    int accountCount() const { return m_accounts; }
    int messageSlots() const { return m_messages; }
    bool contains(int account, int message) const;

    // The entry (account, message); out-of-range indexes are a programming
    // error caught by an assertion, callers check contains() for input
    // read back from the grid.
    MailRecord& entry(int account, int message);
    const MailRecord& entry(int account, int message) const;

    // Stores the summary of a TOP response (RFC 1939 "TOP n 5") in entry
    // (account, message): when the sender or the subject differ from what the
    // entry holds, another message now stands at this number and its
    // retrieved Body is dropped; From and Subject are replaced and the mark
    // is cleared. Attached is replaced unless the entry keeps a retrieved
    // Body, whose attachment flag stands. AttachNames stays as it is.
    // Returns false, storing nothing, when the entry does not exist.
    bool storeSummary(int account, int message, const QString& from, const QString& subject,
                      bool attached);
    bool storeSummary(int account, int message, const Decode::Summary& summary);
    // Stores the result of a RETR response in entry (account, message): Body,
    // Attached and AttachNames. Returns false, storing nothing, when the entry
    // does not exist.
    bool storeWholeMessage(int account, int message, const QString& body, bool attached,
                           const QString& attachNames);
    bool storeWholeMessage(int account, int message, const Decode::WholeMessage& whole);

private:
    int m_accounts = 0;
    int m_messages = 0;
    std::vector<MailRecord> m_entries; // account-major
};
