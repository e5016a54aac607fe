// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decode/Decode.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

/*
 * RFC 2047 encoded words of every charset, in B and Q encoding, for the
 * header values the ISO-2022-JP path has already decoded: it runs on that
 * path's display text and touches only the words the path left as written.
 */
namespace Decode {

// Decodes every well-formed encoded word "=?charset?B|Q?text?=" of a charset
// that textInCharset knows, except "=?ISO-2022-JP?B?" words (the ISO-2022-JP
// path owns them: a word of that form still here is one it left undecoded on
// purpose). White space between two adjacent decoded words is dropped, and
// the bytes of adjacent words in one charset are joined before they are read
// as text, so that a character split across two words comes out whole. A word
// of an unknown charset, or whose text is not valid B or Q, stays as written.
// With OldKanjiDesignation::Delete ESC $ @ is removed from ISO-2022-JP words
// before conversion. NULs and tabs are removed from decoded words.
QString decodeMimeWords(const QString& text, OldKanjiDesignation old);

// Strict decoders for the text of one encoded word; empty optional when the
// text is malformed. B: the Base64 alphabet, at most two "=" at the end, no
// lone last character. Q: "_" is a space, "=" takes two hex digits, other
// printable ASCII stands for itself.
std::optional<QByteArray> decodeWordBase64(QStringView text);
std::optional<QByteArray> decodeWordQ(QStringView text);

} // namespace Decode
