// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PasswordForm.h"

#include "settings/Cp932.h"
#include "settings/TextForms.h"

#include <optional>

namespace Settings {

namespace {

// The "U+XXXX" token of a character outside code page 932. A lone surrogate
// (text that is not valid UTF-16) is written as its own code unit, so that
// even such a password comes back unchanged.
std::optional<char32_t> fromCodePointToken(QStringView token)
{
    if (!token.startsWith(u"U+") || token.size() < 6 || token.size() > 8)
        return std::nullopt;
    char32_t value = 0;
    for (const QChar c : token.sliced(2)) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + char32_t(digit);
    }
    if (value > 0x10FFFF)
        return std::nullopt;
    return value;
}

void appendCharacter(QString& text, char32_t character)
{
    if (character <= 0xFFFF)
        text.append(QChar(char16_t(character)));
    else
        text.append(QString::fromUcs4(&character, 1));
}

} // namespace

QString EncodePassword(const QString& plain)
{
    QString stored;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        char32_t character = plain.at(i).unicode();
        if (plain.at(i).isHighSurrogate() && i + 1 < plain.size() &&
            plain.at(i + 1).isLowSurrogate()) {
            character = QChar::surrogateToUcs4(plain.at(i), plain.at(i + 1));
            ++i;
        }
        const bool lone = QChar::isSurrogate(character);
        if (const std::optional<qint16> code = lone ? std::nullopt : cp932Code(character)) {
            stored += QString::number(*code);
        } else {
            stored +=
                QStringLiteral("U+") +
                QStringLiteral("%1").arg(quint32(character), 4, 16, QLatin1Char('0')).toUpper();
        }
        stored += u' ';
    }
    return stored;
}

QString DecodePassword(const QString& stored)
{
    QString plain;
    const QStringView text(stored);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype space = text.indexOf(u' ', i);
        if (space < 0) {
            // INI readers trim the trailing space of an unquoted value (a
            // hand-edited file, another writer): the last number still
            // counts. "0" alone is the stored form of the empty password.
            if (text == u"0")
                break;
            space = text.size();
        }
        const QStringView token = text.sliced(i, space - i);
        if (const std::optional<qint32> code = toLong(token)) {
            if (const std::optional<char32_t> character = cp932Character(*code))
                appendCharacter(plain, *character);
        } else if (const std::optional<char32_t> character = fromCodePointToken(token)) {
            appendCharacter(plain, *character);
        }
        i = space + 1;
    }
    return plain;
}

} // namespace Settings
