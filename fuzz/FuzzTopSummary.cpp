// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"
#include "decode/Summary.h"

#include "FuzzInput.h"

#include <QByteArrayView>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // As the check session does: received bytes read as code page 932.
    const QString response =
        Decode::fromCp932(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    FuzzInput::require(response.size() <= qsizetype(size), "code page 932 text grew");
    const Decode::Summary summary = Decode::parseTopResponse(response);
    FuzzInput::require(!summary.Subject.contains(QChar(u'\t')) &&
                           !summary.From.contains(QChar(u'\t')),
                       "tab left in a summary");
    FuzzInput::require(!summary.Subject.contains(QChar(0)) && !summary.From.contains(QChar(0)),
                       "NUL left in a summary");
    return 0;
}
