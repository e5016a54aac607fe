// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

/*
 * Test mail text built the way a Japanese mail program writes it: Unicode
 * text encoded to ISO-2022-JP by ICU (independent of the decoder under test),
 * wrapped in RFC 2047 encoded words where a header needs it.
 */
namespace MailText {

// ISO-2022-JP bytes of text as a byte string, ending in ASCII mode.
inline QString jis(const QString& text)
{
    QStringEncoder encoder("ISO-2022-JP", QStringEncoder::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    // ICU leaves the last kanji run open; mail programs close it.
    if (bytes.lastIndexOf("\x1b$B") > bytes.lastIndexOf("\x1b(B"))
        bytes += "\x1b(B";
    return QString::fromLatin1(bytes);
}

// "=?ISO-2022-JP?B?" + Base64 of the given bytes + "?=".
inline QString wordOfBytes(const QByteArray& bytes)
{
    return QStringLiteral("=?ISO-2022-JP?B?") + QString::fromLatin1(bytes.toBase64()) +
           QStringLiteral("?=");
}

// One encoded word carrying text in ISO-2022-JP.
inline QString word(const QString& text)
{
    return wordOfBytes(jis(text).toLatin1());
}

inline QString u8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline QString latin1(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace MailText
