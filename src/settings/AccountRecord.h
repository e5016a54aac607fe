// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Settings {

class SettingsStore;

/*
 * One account as tavoprefs keeps it in memory, filled by LoadAccount and
 * written by SaveAccount. Account n occupies twelve keys, each a base name
 * followed by the decimal n ("Aname12", "Wavdir2_3"); the base names keep all
 * keys distinct (account 1's text colour is "Scolor11", account 11's is
 * "Scolor111").
 */
struct AccountRecord
{
    QString Aname;             // display name
    QString Hname;             // POP3 server host name
    int Portno = 110;          // POP3 server port, 1 to 65535 (see toPort)
    QString Uname;             // POP3 user name
    QString Passw;             // the plain password; stored through EncodePassword
    qint16 Check = 1;          // 1: the account takes part in checks; 0: skipped
    qint32 Scolor1 = 0;        // text colour of the account's rows, 0x00BBGGRR
    qint32 Scolor2 = 16777088; // background colour, 0x00BBGGRR (red 128, green 255, blue 255)
    qint16 Wavmode = 0;        // 0 the common sound "Wavdir", 1 the own file, 2 no sound
    QString Wavdir2_;          // the account's own sound file
    qint16 Tls = 0;            // 0 plain, 1 STARTTLS, 2 POP3 over TLS (see toTls)
    QString TlsPin;            // SHA-256 of the trusted certificate, 64 lower-case hex digits

    friend bool operator==(const AccountRecord&, const AccountRecord&) = default;
};

// The key of account n for a base name: "Aname" and 10 give "Aname10".
QString accountKey(QStringView base, qint16 n);

// Sets record to the defaults of a fresh account.
void ResetAccountRecord(AccountRecord& record);

// Resets record, then reads account n's twelve keys into it. Each key stands
// alone: a value that does not convert to its number type leaves that field
// at its default. A non-empty "Passw" is decoded; "0", the stored form of an
// empty password, decodes to the empty password. "Tls" and "TlsPin" read
// through toTls and toTlsPin.
void LoadAccount(const SettingsStore& store, qint16 n, AccountRecord& record);

// Where the passwords of the accounts are kept: under "Passw<n>" in the
// reversible form of PasswordForm.h, or in the desktop keyring ("Keyringvalue"
// non-zero), in which case no "Passw<n>" is stored at all.
enum class PasswordPlace { File, Keyring };
PasswordPlace passwordPlace(const SettingsStore& store);

// The stable name of an account's password in the keyring,
// "<user>@<host>:<port>": the same login shares one entry, and renumbering
// the accounts moves nothing.
QString keyringKey(const QString& Uname, const QString& Hname, int Portno);

// Writes record as account n: twelve saves in the order of the record's
// fields, texts and numbers through SaveValue (so an empty text is stored as
// "0"), the two colours and the port directly as decimal text, and the pin as
// toTlsPin reads it, an empty pin as the empty text (never "0"); then writes
// the file. With the keyring as place, "Passw<n>" is removed instead of
// written. False when the file could not be written.
bool SaveAccount(SettingsStore& store, qint16 n, const AccountRecord& record,
                 PasswordPlace place = PasswordPlace::File);

// Stores sha256Hex (64 hexadecimal digits, stored in lower case) as the
// trusted certificate of account n and writes the file; the empty text
// forgets the pin. The checker calls it when the user trusts a certificate,
// so it touches no other key. False, with nothing saved, for any other text,
// and when the file could not be written.
bool saveTlsPin(SettingsStore& store, qint16 n, const QString& sha256Hex);

} // namespace Settings
