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
 * and POP3 message number (1-based). Every account starts with 10 message
 * slots; a check that finds more messages on an account grows that
 * account's slots, keeping its entries. Each account is sized for itself:
 * one large mailbox must not give every other account as many records.
 * Slots never shrink except by redim.
 */
class MailTable
{
public:
    static constexpr int initialMessageSlots = 10;

    // Discards every entry and gives accounts 1..accounts messages slots
    // each. With 0 accounts the table is empty.
    void redim(int accounts, int messages = initialMessageSlots);
    // Grows the account's slots to at least messages, keeping its entries.
    void growMessages(int account, int messages);

    int accountCount() const { return int(m_entries.size()); }
    // The account's slots, 0 for an account the table does not hold.
    int messageSlots(int account) const;
    bool contains(int account, int message) const;

    // The entry (account, message); out-of-range indexes are a programming
    // error caught by an assertion, callers check contains() for input
    // read back from the grid.
    MailRecord& entry(int account, int message);
    const MailRecord& entry(int account, int message) const;

    // The account's entries 1..messageSlots(account), and their wholesale
    // replacement (a check's new list of the account). An account the table
    // does not hold has none and takes none.
    const std::vector<MailRecord>& messages(int account) const;
    void setMessages(int account, std::vector<MailRecord> entries);

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
    // The same for one record.
    static void storeSummary(MailRecord& record, const QString& from, const QString& subject,
                             bool attached);
    // The entries of an account's new list from its unique ids (ids[n - 1]
    // for message n; empty when the server gave none). Entry n takes the
    // entry of listed that has its id, if any, as it is (the mark cleared:
    // marks never outlive a check), so that the id's summary and retrieved
    // body follow the message whatever its number now; any other entry
    // starts afresh for the summary it is asked for. Without ids the entries
    // keep their contents, as a check by number leaves them, and lose their
    // ids. Returns which messages took a listed entry.
    static std::vector<bool> adoptIds(std::vector<MailRecord>& entries,
                                      const std::vector<MailRecord>& listed,
                                      const std::vector<QByteArray>& ids);
    // Stores the result of a RETR response in entry (account, message): Body,
    // Attached and AttachNames. Returns false, storing nothing, when the entry
    // does not exist.
    bool storeWholeMessage(int account, int message, const QString& body, bool attached,
                           const QString& attachNames);
    bool storeWholeMessage(int account, int message, const Decode::WholeMessage& whole);

private:
    std::vector<std::vector<MailRecord>> m_entries; // [account - 1][message - 1]
};
