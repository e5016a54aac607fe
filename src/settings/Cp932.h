// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

namespace Settings {

/*
 * Single characters in code page 932 (Windows-31J), as the stored password
 * form needs them. The table is ICU's "Shift_JIS" converter, which is
 * Windows-31J: 0x5C is the backslash and 0x7E the tilde, 0x8160 is U+FF5E,
 * and NEC row 13 (0x8740 "①"), the NEC-selected and the IBM extensions
 * (0xFA40 "ⅰ") are included.
 *
 * Only round-trip mappings count: a character that the platform would
 * "best fit" onto another one (U+00A5 onto the backslash, U+301C onto 0x8160)
 * has no code here, so that no character silently turns into another.
 */

// The code of character: 0 to 255 for a single byte, or lead byte * 256 +
// trail byte taken as a 16-bit signed number (negative, since every lead byte
// is 0x81 or above) for a double byte. Empty when code page 932 cannot
// represent the character.
std::optional<qint16> cp932Code(char32_t character);

// The character of a code: 0 to 255 is a single byte; -32768 to -1 and 256
// to 65535 are a double-byte code (its low 16 bits). Empty for codes outside
// that range, unassigned codes, and codes that are not exactly one character.
std::optional<char32_t> cp932Character(qint32 code);

} // namespace Settings
