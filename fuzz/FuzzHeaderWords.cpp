// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzInput::text(data, size);
    const QString decoded = Decode::DecodeHeaderWords(input);
    const QString subject = Decode::decodeEncodedWords(input, Decode::OldKanjiDesignation::Delete);
    // Every encoded word begins with "=?"; without one nothing may change.
    if (!input.contains(QStringLiteral("=?"))) {
        FuzzInput::require(decoded == input, "text without a word changed");
        FuzzInput::require(subject == input, "subject without a word changed");
    }
    // Base64 never expands: the output is at most as long as the input.
    FuzzInput::require(decoded.size() <= input.size(), "decoded text grew");
    return 0;
}
