// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1StringView>
#include <QStringView>

/*
 * Searches used by the mail parsers. Header names, the encoded-word marker
 * and MIME parameters are matched without regard to the case of ASCII
 * letters only: full-width and other non-ASCII letters are never folded.
 */
namespace Decode {

constexpr char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// The value of a hexadecimal digit (either case), or -1: for the "=XX" of
// quoted-printable and Q words and the "%XX" of RFC 2231 values.
constexpr int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// First occurrence of lowerNeedle (written in lower case) in text at or after
// from, ASCII letters compared without regard to case; -1 when there is none.
// Work is at most text length times needle length: meant for the short fixed
// literals of the mail format, not for needles taken from the mail.
qsizetype indexOfAsciiCi(QStringView text, QLatin1StringView lowerNeedle, qsizetype from = 0);

} // namespace Decode
