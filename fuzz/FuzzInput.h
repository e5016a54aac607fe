// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace FuzzInput {

// The decoders see byte strings (one byte per character) and display text
// with any 16-bit characters: the first input byte picks which one the rest
// of the input becomes.
inline QString text(const uint8_t* data, size_t size)
{
    if (size == 0)
        return QString();
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype restSize = qsizetype(size - 1);
    if (data[0] & 1)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(rest), restSize / 2);
    return QString::fromLatin1(rest, restSize);
}

inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace FuzzInput
