// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

/*
 * MIME header fields read the RFC 2045 way, for the decoding that goes
 * beyond the plain substring searches of the summary and message parsers:
 * fields found at line starts only, unfolded, and their parameters split
 * with quoted strings and RFC 2231 extended values understood.
 */
namespace Decode {

// The value of the first field named lowerName (written in lower case,
// without the colon) in the header block that starts text: unfolded, CR LF of
// continuation lines removed, white space trimmed. The block ends at the
// first empty line. Empty optional when there is no such field.
std::optional<QString> headerField(QStringView text, QLatin1StringView lowerName);

// A Content-Type or Content-Disposition value: its first item in lower case
// ("text/plain", "attachment") and its parameters in order, names in lower
// case, quoted values unquoted. A name that comes again keeps its first
// value only, and the first 256 names are all that is read: a hostile header
// of a million parameters is parsed in linear time into a short list.
struct MimeValue
{
    QString item;
    QList<std::pair<QString, QString>> parameters;

    // The value of the first parameter named lowerName; empty when missing.
    QString parameter(QLatin1StringView lowerName) const;
};

MimeValue parseMimeValue(QStringView value);

// The RFC 2231 form of parameter lowerName as display text: "name*" with
// charset'language'percent-encoding, or the continuations "name*0",
// "name*0*", "name*1*", ... joined in order (the first one carrying the
// charset). Empty optional when the value carries no such parameter. With an
// empty charset the bytes are read like received text; with an unknown one
// the value stays as written.
std::optional<QString> extendedParameter(const MimeValue& value, QLatin1StringView lowerName);

} // namespace Decode
