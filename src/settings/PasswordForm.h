// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Settings {

/*
 * The reversible text form in which an account's password is stored under
 * "Passw<n>": each character becomes its code page 932 code in decimal
 * followed by one space ("abc" is "97 98 99 ", "あ" is "-32096 ").
 *
 * A character that code page 932 cannot represent ("€", "한", an emoji) is
 * written as "U+" and its Unicode code point in upper-case hexadecimal, at
 * least four digits, followed by one space ("U+20AC ", "U+1F600 "), so that it
 * survives instead of turning into "?". Such a token is not a number, and the
 * decoding rule appends nothing for tokens that are not numbers: a reader
 * that knows only the numeric form skips the character and still reads the
 * rest.
 */

QString EncodePassword(const QString& plain);

// Reads the numbers that are followed by a space, in order; a final number
// without a space after it is ignored, repeated spaces are skipped, and
// tokens that are empty, not a number or not a character code append
// nothing. "0" (the stored form of an empty password) reads as empty.
QString DecodePassword(const QString& stored);

} // namespace Settings
