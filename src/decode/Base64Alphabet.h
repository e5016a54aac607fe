// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace Decode {

// The value of a character of the Base64 alphabet ("A"-"Z", "a"-"z", "0"-"9",
// "+", "/"), or -1 for any other character, padding "=" included. The
// decoders differ in what they do with the others, not in the alphabet.
constexpr int base64Value(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return c - u'A';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 26;
    if (c >= u'0' && c <= u'9')
        return c - u'0' + 52;
    if (c == u'+')
        return 62;
    if (c == u'/')
        return 63;
    return -1;
}

} // namespace Decode
