// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzInput::text(data, size);
    const QString ascii = Decode::JisToSjisAscii(input);
    const QString roman = Decode::JisToSjisRoman(input);
    const QString ruled = Decode::convertJis(input);
    FuzzInput::require(!ascii.contains(QChar(0)) && !roman.contains(QChar(0)) &&
                           !ruled.contains(QChar(0)),
                       "NUL in converted text");
    FuzzInput::require(ruled == ascii || ruled == roman, "rule picked neither converter");
    if (size >= 3) {
        const QString pair = Decode::JisCharToSjis(data[1], data[2]);
        FuzzInput::require(pair.size() <= 2, "pair gave more than two characters");
    }
    return 0;
}
