// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

/*
 * The text the viewer shows of a message whose text travels in Base64 or
 * quoted-printable (RFC 2045): the part chosen by the MIME structure, its
 * transfer encoding undone and its charset read. Messages whose text
 * travels as it is keep the body the whole-message parser cut for them.
 */
namespace Decode {

// The decoded text of the text part of a complete RETR response: the body of
// a single-part message, or the first text part of a multipart one (nested
// multiparts searched in order, named and "attachment" parts skipped), with
// text/plain preferred among the parts of a multipart/alternative. Its
// content stops at limit (a position in response; -1 for none). Empty
// optional when that part is neither Base64 nor quoted-printable, when its
// content lies beyond limit, or when it decodes to nothing. The display chain
// applies: NULs and tabs removed, ISO-2022-JP converted.
std::optional<QString> decodedBodyText(QStringView response, qsizetype limit);

// Transfer decodings of a body. Base64: characters outside the alphabet
// skipped, "=" ends a group. Quoted-printable: "=XX" is a byte, "=" at a line
// end (white space allowed in between) is a soft line break, a POP3-doubled
// dot at a line start is undone, and an "=" that is neither stays.
QByteArray decodeBodyBase64(QStringView text);
QByteArray decodeQuotedPrintable(QStringView text);

} // namespace Decode
