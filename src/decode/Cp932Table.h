// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * Code page 932 lookups shared by the received-text decoder and the JIS pair
 * conversion. The double-byte table is built once, on first use (thread-safe
 * static initialisation), from ICU's Windows-31J converter; U+FFFD marks a
 * pair or byte that code page 932 leaves unassigned.
 */
#include <QByteArrayView>
#include <QString>

namespace Decode {

constexpr char16_t ReplacementCharacter = 0xFFFD;

constexpr bool isCp932LeadByte(unsigned b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool isCp932TrailByte(unsigned b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The character of one byte that is not a lead byte: ASCII as is,
// half-width katakana for 0xA1-0xDF, U+FFFD otherwise.
constexpr char16_t cp932SingleByte(unsigned b)
{
    if (b < 0x80)
        return char16_t(b);
    if (b >= 0xA1 && b <= 0xDF)
        return char16_t(0xFF61 + (b - 0xA1));
    return ReplacementCharacter;
}

// 65536 characters indexed by lead byte * 256 + trail byte; only entries
// whose lead and trail bytes pass the tests above are meaningful.
const char16_t* cp932DoubleByteTable();

// Bytes read as code page 932 only (fromCp932 without its UTF-8 rule): for
// the decoded bytes of encoded words and for Shift_JIS text.
QString cp932Text(QByteArrayView bytes);

} // namespace Decode
