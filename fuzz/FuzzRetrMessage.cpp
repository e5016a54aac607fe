// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Decode.h"
#include "decode/WholeMessage.h"

#include "FuzzInput.h"

#include <QByteArrayView>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // As the retrieve session does: received bytes read as code page 932.
    const QString response =
        Decode::fromCp932(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const Decode::WholeMessage message = Decode::parseRetrResponse(response);
    FuzzInput::require(message.keptText.size() <= response.size(), "kept text grew");
    FuzzInput::require(message.Attached == !message.AttachNames.isEmpty(),
                       "attachment flag and names disagree");
    FuzzInput::require(!message.Body.contains(QChar(u'\t')) &&
                           !message.AttachNames.contains(QChar(u'\t')),
                       "tab left in body or names");
    FuzzInput::require(!message.Body.contains(QChar(0)), "NUL left in the body");
    return 0;
}
