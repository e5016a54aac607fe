// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

/*
 * Decoding of Japanese mail text to display text.
 *
 * Mail arrives as ISO-2022-JP: 7-bit text in which runs of JIS X 0208
 * characters are opened by ESC $ B and closed by ESC ( B or ESC ( J, and
 * header values are wrapped in RFC 2047 encoded words "=?ISO-2022-JP?B?...?=".
 * The chain for every displayed value is: encoded words to bytes, NUL filter,
 * JIS runs to code page 932 characters, tabs deleted.
 *
 * A "byte string" here is a QString whose characters each hold one byte
 * value; ISO-2022-JP bytes are all below 0x80, so they are plain ASCII
 * characters. Display text is Unicode: a Shift-JIS lead/trail pair becomes
 * the one character code page 932 gives it.
 *
 * Every function is pure, reentrant, never fails and runs in time linear in
 * its input. "Without regard to case" always means ASCII letters only.
 */
namespace Decode {

// Received bytes read as text. A text that is valid UTF-8 is read as UTF-8,
// and so is each line (up to and including its LF) that is valid UTF-8 on its
// own; every other line is read as code page 932 (Windows-31J): bytes
// 0x00-0x7F map to the same code (0x5C stays a backslash), a lead byte
// followed by a valid trail byte is one character, and a pair that code page
// 932 leaves unassigned, a lead byte without a valid trail byte (the next
// byte is then read on its own), and the unassigned single bytes 0x80, 0xA0
// and 0xFD-0xFF each give U+FFFD. Shift-JIS text is practically never valid
// UTF-8, so raw Shift-JIS headers read as before.
QString fromCp932(QByteArrayView bytes);

// Replaces every RFC 2047 encoded word "=?ISO-2022-JP?B?" + Base64 + "?=" (the
// marker found without regard to case) by its decoded bytes; all other text
// is returned unchanged and in place. Whitespace between words stays.
// Base64 characters are looked up case-sensitively; characters outside the
// alphabet are skipped; a short last group is read as if padded, and a group
// that starts with padding carries no data and gives nothing. Decoded
// bytes are read as code page 932, so 7-bit bytes stay one character each.
// A marker without a following "?=" is left as it stands, with all text
// after it. Q-encoded words and other charsets are not recognised.
QString DecodeHeaderWords(const QString& text);

// One JIS X 0208 row/cell byte pair as display text: the code page 932
// character of its Shift-JIS code (U+FFFD when code page 932 has none), the
// two characters unchanged when either is a control code below 0x20, or the
// empty text when the pair is not a JIS X 0208 position (row 0x20 or above
// 0x7E, cell above 0x7E, odd row with cell 0x20). Codes outside 0..0xFFFF
// give the empty text.
QString JisCharToSjis(int row, int cell);

// Convert the kanji runs of an ISO-2022-JP byte string: each run from ESC $ B
// through the first closing sequence after it (ESC ( B for the Ascii variant,
// ESC ( J for the Roman variant; escape letters without regard to case) is
// passed through DecodeHeaderWords and its payload read as row/cell pairs; an
// odd last byte is lost. A run without a closing sequence stays unconverted
// together with all text after it. Text outside runs is kept. The result is
// cut at its first NUL.
QString JisToSjisAscii(const QString& text);
QString JisToSjisRoman(const QString& text);

// The JIS conversion rule applied to every header value and body: the Ascii
// variant when the text contains ESC ( B (exact), otherwise the Roman
// variant.
QString convertJis(const QString& text);

// The NUL filter: every NUL character removed.
QString removeNuls(QString text);

enum class OldKanjiDesignation { Keep, Delete };

// Encoded words decoded left to right as for a header value: each word runs
// from its marker through the first "?=" after the marker and is replaced by
// DecodeHeaderWords of it; with OldKanjiDesignation::Delete every ESC $ @
// (the older JIS kanji designation) is removed from the decoded bytes of each
// word, never from the text around the words.
QString decodeEncodedWords(const QString& text, OldKanjiDesignation old);

} // namespace Decode
