// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Cp932.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace Settings {

namespace {

// ICU's name for its Windows-31J table (Debian's Qt is built with ICU).
constexpr char codecName[] = "Shift_JIS";

// Decodes bytes that must form exactly one character.
std::optional<char32_t> decodeOne(const QByteArray& bytes)
{
    QStringDecoder decoder(codecName, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.size() != 1 || text.at(0).isSurrogate())
        return std::nullopt;
    return text.at(0).unicode();
}

} // namespace

std::optional<qint16> cp932Code(char32_t character)
{
    QStringEncoder encoder(codecName, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(QString::fromUcs4(&character, 1));
    if (encoder.hasError() || bytes.isEmpty() || bytes.size() > 2 || decodeOne(bytes) != character)
        return std::nullopt;
    if (bytes.size() == 1)
        return qint16(uchar(bytes.at(0)));
    return qint16(quint16(uchar(bytes.at(0)) << 8 | uchar(bytes.at(1))));
}

std::optional<char32_t> cp932Character(qint32 code)
{
    if (code < -32768 || code > 65535)
        return std::nullopt;
    QByteArray bytes;
    if (code >= 0 && code <= 255) {
        bytes.append(char(code));
    } else {
        const quint16 twoBytes = quint16(code);
        bytes.append(char(twoBytes >> 8));
        bytes.append(char(twoBytes & 0xFF));
    }
    return decodeOne(bytes);
}

} // namespace Settings
