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
    const char16_t first = char16_t(uchar(lowerNeedle.data()[0]));
    const bool firstIsLetter = first >= u'a' && first <= u'z';
    qsizetype i = from;
    while (i + length <= size) {
        if (firstIsLetter) {
            while (i + length <= size && asciiLower(chars[i]) != first)
                ++i;
        } else {
            i = text.indexOf(QChar(first), i);
        }
        if (i < 0 || i + length > size)
            return -1;
        qsizetype k = 1;
        while (k < length && asciiLower(chars[i + k]) == char16_t(uchar(lowerNeedle.data()[k])))
            ++k;
        if (k == length)
            return i;
        ++i;
    }
    return -1;
}

} // namespace Decode
