// SPDX-FileCopyrightText: 2026 tavowatch developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/Cp932Table.h"
#include "decode/Decode.h"

#include <QStringDecoder>

#include <array>
#include <vector>

namespace Decode {

namespace {

// ICU's Windows-31J converter is code page 932 for double-byte codes (NEC
// row 13, NEC-selected and IBM extensions, user-defined area), but it swaps
// the control codes 0x1A, 0x1C and 0x7F and gives U+001A for unassigned
// single bytes; that is why only the double-byte codes are taken from it and
// the single bytes are mapped here.
bool isUsable(QChar c)
{
    return c.unicode() != 0x1A && c.unicode() != ReplacementCharacter && !c.isSurrogate();
}

struct DoubleByteTable
{
    DoubleByteTable();
    std::array<char16_t, 0x10000> chars; // indexed by lead * 256 + trail
};

DoubleByteTable::DoubleByteTable()
{
    chars.fill(ReplacementCharacter);
    QByteArray pairs;
    std::vector<unsigned> codes;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isCp932LeadByte(lead))
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isCp932TrailByte(trail))
                continue;
            pairs.append(char(lead));
            pairs.append(char(trail));
            codes.push_back(lead << 8 | trail);
        }
    }
    QStringDecoder decoder("Windows-31J", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return; // Qt without ICU: every pair stays U+FFFD
    const QString all = decoder.decode(pairs);
    if (all.size() == qsizetype(codes.size())) {
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const QChar c = all.at(qsizetype(i));
            chars[codes[i]] = isUsable(c) ? c.unicode() : ReplacementCharacter;
        }
        return;
    }
    // The converter did not give one character per pair: ask pair by pair.
    for (std::size_t i = 0; i < codes.size(); ++i) {
        QStringDecoder single("Windows-31J", QStringDecoder::Flag::Stateless);
        const QString one = single.decode(QByteArrayView(pairs).sliced(qsizetype(2 * i), 2));
        if (one.size() == 1 && isUsable(one.at(0)))
            chars[codes[i]] = one.at(0).unicode();
    }
}

} // namespace

const char16_t* cp932DoubleByteTable()
{
    static const DoubleByteTable table;
    return table.chars.data();
}

namespace {

// Writes the code page 932 reading of bytes to out (at most one character
// per byte) and returns the end of what it wrote.
char16_t* writeCp932(char16_t* out, QByteArrayView bytes)
{
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    const char16_t* table = nullptr;
    qsizetype i = 0;
    while (i < size) {
        const unsigned b = in[i];
        if (b < 0x80) {
            *out++ = char16_t(b);
            ++i;
        } else if (isCp932LeadByte(b) && i + 1 < size && isCp932TrailByte(in[i + 1])) {
            if (!table)
                table = cp932DoubleByteTable();
            *out++ = table[b << 8 | in[i + 1]];
            i += 2;
        } else {
            // A lead byte without its trail byte gives U+FFFD and the next
            // byte is read afresh, so a broken pair never swallows CR or LF.
            *out++ = cp932SingleByte(b);
            ++i;
        }
    }
    return out;
}

qsizetype firstHighByte(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && uchar(bytes[i]) < 0x80)
        ++i;
    return i;
}

} // namespace

QString cp932Text(QByteArrayView bytes)
{
    if (firstHighByte(bytes) == bytes.size()) // the usual case for ISO-2022-JP mail
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    text.truncate(writeCp932(begin, bytes) - begin);
    return text;
}

QString fromCp932(QByteArrayView bytes)
{
    const qsizetype firstHigh = firstHighByte(bytes);
    if (firstHigh == bytes.size())
        return QString::fromLatin1(bytes.data(), bytes.size());
    if (bytes.sliced(firstHigh).isValidUtf8())
        return QString::fromUtf8(bytes);

    // Mixed text: today's mail programs write raw 8-bit headers in UTF-8,
    // older ones in Shift-JIS, and one response can hold both. A UTF-8
    // sequence never spans a line end, so each line is read on its own.
    // Either reading gives at most one 16-bit character per byte.
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* out = begin;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        const QByteArrayView line = bytes.sliced(start, end - start);
        if (end > firstHigh && line.isValidUtf8())
            out = reinterpret_cast<char16_t*>(
                utf8.appendToBuffer(reinterpret_cast<QChar*>(out), line));
        else
            out = writeCp932(out, line);
        start = end;
    }
    text.truncate(out - begin);
    return text;
}

} // namespace Decode
