// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Settings {

class SettingsStore;

// The checker's current account: the account a POP3 session is serving.
struct CurrentAccount
{
    QString Aname;
    QString Hname;
    int Portno = 110; // 1 to 65535; older files may hold the 16-bit negative form
    QString Uname;
    QString password; // plain
    qint16 Check = 1; // non-zero: the account takes part in checks
    qint16 Tls = 0;   // 0 plain, 1 STARTTLS, 2 POP3 over TLS (see toTls)
    // SHA-256 of the trusted certificate, 64 lower-case hex digits. The "{}"
    // keeps braced lists that stop at Check free of missing-field warnings.
    QString TlsPin{};

    friend bool operator==(const CurrentAccount&, const CurrentAccount&) = default;
};

// The checker's per-account table entry of one account, as far as it comes
// from the store.
struct AccountEntry
{
    qint32 Scolor1 = 0;        // text colour of the account's rows, 0x00BBGGRR
    qint32 Scolor2 = 16777088; // background colour, 0x00BBGGRR
    qint16 Wavmode = 0;        // 0 the common sound, 1 the own file, 2 none
    QString Wavdir2_;          // the account's own sound file

    friend bool operator==(const AccountEntry&, const AccountEntry&) = default;
};

// The checker's account loader, run each time a session reaches account n:
// reads its twelve keys with the defaults of LoadAccount into current and
// entry. Unlike LoadAccount nothing is reset first: each field stands alone,
// and a value that does not convert to its number type leaves that field as
// it was. A non-empty "Passw" is decoded; an empty one gives the empty
// password. "Tls" and "TlsPin" are the exception: they read through toTls and
// toTlsPin, so neither the encryption nor the trust of one account can pass
// to the next.
void loadadata(const SettingsStore& store, qint16 n, CurrentAccount& current, AccountEntry& entry);

} // namespace Settings
