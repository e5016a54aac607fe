// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace Settings {

class SettingsStore;

/*
 * The text forms of stored numbers, in one place for both programs and for
 * the option dialog's timer boxes.
 *
 * Numbers are written as plain decimal text. Reading accepts a little more,
 * as text typed by hand needs: surrounding spaces or tabs, one optional
 * sign, and a decimal fraction that is rounded to the nearest integer with
 * halves going to the even one ("2.5" is 2, "3.5" is 4, "-2.5" is -2). No
 * exponents, hexadecimal prefixes or digit grouping. Empty text, anything
 * else and values beyond the target type fail.
 */

// A 16-bit signed value ("Integer" in the key tables).
std::optional<qint16> toInteger(QStringView text);
// A 32-bit signed value ("Long" in the key tables), used for colours.
std::optional<qint32> toLong(QStringView text);

// A stored "Portno": 1 to 65535 as written now, and also every value of the
// older 16-bit signed form (-32768 to 32767; a negative number stands for the
// port 65536 above it), so that files written before read back unchanged.
std::optional<int> toPort(QStringView text);

// A stored "Tls": 0 plain POP3, 1 STARTTLS (RFC 2595), 2 POP3 over TLS
// (RFC 8314). Absent, unconvertible and out-of-range values read as 0, so
// every file written before encryption existed reads as it always did.
qint16 toTls(QStringView text);
// A stored "TlsPin": the SHA-256 of a certificate the user chose to trust, as
// 64 hexadecimal digits, returned in lower case. Anything else, the "0" of an
// empty account text included, reads as no pin (empty).
QString toTlsPin(QStringView text);

// Saturates a size measured by the window system to what an Integer key can
// hold, so that an oversized window is stored as 32767 rather than wrapping
// to a negative size.
qint16 clampToInteger(qint64 value);

// Writes one value by the rule shared by every general and account key:
// a non-empty text is saved as it is; an empty text is saved as such only for
// "Mailerdir1", "Mailerdir2" and "Wavdir"; otherwise the decimal text of
// number is saved. Callers pass a number with an empty text for numeric
// values and a text with the number 0 for text values, so an empty account
// text is stored as "0".
void SaveValue(SettingsStore& store, const QString& key, qint16 number, const QString& text);

// The checker's reading of a stored name or path: "0" is how SaveValue
// stores an empty text, so it reads as empty. Otherwise a host name "0"
// would be the local machine (0.0.0.0) and a sound file "0" silence.
QString zeroAsEmpty(const QString& stored);

} // namespace Settings
