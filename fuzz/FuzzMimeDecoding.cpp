// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/MimeBody.h"
#include "decode/MimeHeader.h"
#include "decode/MimeWords.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = FuzzInput::text(data, size);

    const QString words = Decode::decodeMimeWords(input, Decode::OldKanjiDesignation::Delete);
    if (!input.contains(QStringLiteral("=?")))
        FuzzInput::require(words == input, "text without a word changed");

    const Decode::MimeValue value = Decode::parseMimeValue(input);
    const std::optional<QString> name =
        Decode::extendedParameter(value, QLatin1StringView("filename"));
    FuzzInput::require(!name || !name->contains(QChar(0)), "NUL left in a name");

    FuzzInput::require(Decode::decodeBodyBase64(input).size() <= input.size(), "Base64 grew");
    FuzzInput::require(Decode::decodeQuotedPrintable(input).size() <= 3 * input.size(),
                       "quoted-printable grew beyond UTF-8");

    const std::optional<QString> body = Decode::decodedBodyText(input, -1);
    FuzzInput::require(!body || (!body->contains(QChar(0)) && !body->contains(QChar(u'\t'))),
                       "NUL or tab left in a decoded body");
    return 0;
}
