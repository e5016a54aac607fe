// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/TextSearch.h"

namespace Decode {

qsizetype indexOfAsciiCi(QStringView text, QLatin1StringView lowerNeedle, qsizetype from)
{
    const qsizetype size = text.size();
    const qsizetype length = lowerNeedle.size();
    if (from < 0)
        from = 0;
    if (length == 0)
        return from <= size ? from : -1;
    const char16_t* chars = text.utf16();
    const auto matchesRest = [&](qsizetype at) {
        qsizetype k = 1;
        while (k < length && asciiLower(chars[at + k]) == char16_t(uchar(lowerNeedle.data()[k])))
            ++k;
        return k == length;
    };
    const char16_t first = char16_t(uchar(lowerNeedle.data()[0]));
    // Candidates are found by Qt's character search, which compares many
    // characters at once: a whole TOP response is searched for every
    // header name of every message of a check.
    const QChar lower(first);
    const QChar upper =
        first >= u'a' && first <= u'z' ? QChar(char16_t(first - (u'a' - u'A'))) : lower;
    qsizetype nextLower = text.indexOf(lower, from);
    qsizetype nextUpper = upper == lower ? -1 : text.indexOf(upper, from);
    for (;;) {
        qsizetype at = nextLower;
        if (at < 0 || (nextUpper >= 0 && nextUpper < at))
            at = nextUpper;
        if (at < 0 || at + length > size)
            return -1;
        if (matchesRest(at))
            return at;
        if (at == nextLower)
            nextLower = text.indexOf(lower, at + 1);
        else
            nextUpper = text.indexOf(upper, at + 1);
    }
}

} // namespace Decode
