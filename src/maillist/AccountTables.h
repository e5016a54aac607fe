// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// What the checker keeps per account between checks: the account's list
// colours and sound (read when a session reaches the account), the figures
// of its last STAT and whether it has new mail in this cycle. Counts are
// plain ints: a mailbox of more than 32767 messages must not wrap.
struct AccountState
{
    qint32 Scolor1 = 0;        // text colour, 0x00BBGGRR
    qint32 Scolor2 = 16777088; // background colour, 0x00BBGGRR
    qint16 Wavmode = 0;        // 0 common sound, 1 own sound, 2 none
    QString Wavdir2_;          // the account's own sound file
    int mailCount = 0;         // message count of the last STAT
    int listedCount = 0;       // mailCount when the list was last built
    qint64 lastSize = 0;       // mailbox size in octets of the last STAT
    bool newMailFlg = false;   // new mail in this cycle
};

// The per-account tables, indexed 1..count. Resizing keeps the entries of
// the accounts that remain.
class AccountTables
{
public:
    void resize(int count) { m_states.resize(count > 0 ? count : 0); }
    int count() const { return int(m_states.size()); }
    bool contains(int account) const { return account >= 1 && account <= count(); }
    AccountState& operator[](int account) { return m_states.at(account - 1); }
    const AccountState& operator[](int account) const { return m_states.at(account - 1); }

private:
    std::vector<AccountState> m_states;
};
