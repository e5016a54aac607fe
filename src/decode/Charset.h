// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

/*
 * MIME charsets (RFC 2045 charset parameter, RFC 2047 and RFC 2231 charset
 * fields) turned into display text. ISO-2022-JP goes through the JIS
 * converter of this library, the Shift_JIS family through code page 932 as
 * raw headers do, everything else through the converters Qt knows (ICU).
 */
namespace Decode {

// bytes in charset as display text; an RFC 2231 language suffix ("*ja") is
// ignored. Empty optional when the charset is not known. NULs are not
// removed here.
std::optional<QString> textInCharset(QByteArrayView bytes, QStringView charset);

} // namespace Decode
