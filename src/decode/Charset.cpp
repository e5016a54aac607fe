// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Charset.h"

#include "decode/Cp932Table.h"
#include "decode/Decode.h"

#include <QStringDecoder>

namespace Decode {

namespace {

// Longer names are not charsets; ICU is never asked about them.
constexpr qsizetype LongestCharsetName = 40;

bool isNameCharacter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_' || c == u'.' || c == u':' || c == u'+';
}

bool isShiftJisFamily(const QString& name)
{
    // Mail labelled Shift_JIS comes from Windows and carries its extensions
    // (circled digits, NEC and IBM kanji): read it as code page 932.
    static const char* const names[] = {"shift_jis",   "shift-jis",  "sjis",  "x-sjis",
                                        "ms_kanji",    "csshiftjis", "cp932", "ms932",
                                        "windows-31j", "x-ms-cp932"};
    for (const char* known : names) {
        if (name == QLatin1StringView(known))
            return true;
    }
    return false;
}

} // namespace

std::optional<QString> textInCharset(QByteArrayView bytes, QStringView charset)
{
    const qsizetype language = charset.indexOf(u'*');
    if (language >= 0)
        charset = charset.first(language);
    if (charset.isEmpty() || charset.size() > LongestCharsetName)
        return std::nullopt;
    for (const QChar c : charset) {
        if (!isNameCharacter(c.unicode()))
            return std::nullopt;
    }
    const QString name = charset.toString().toLower();
    if (name == QLatin1StringView("iso-2022-jp") || name == QLatin1StringView("csiso2022jp"))
        return convertJis(removeNuls(cp932Text(bytes)));
    if (isShiftJisFamily(name))
        return cp932Text(bytes);
    QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder.decode(bytes));
}

} // namespace Decode
